// The status value published as tk_status: a pending update outranks the
// other reports, and an inactive plug-in publishes 0 whatever it holds.
#include <gtest/gtest.h>
#include <tier1/convar.h>

#include "core/travik_plugin.h"

namespace {

class TKStateUnit : public ::testing::Test {
protected:
    void SetUp() override {
        g_travik.SetActive(true);
        // From any state to OK: first leave the update states through 2.
        g_travik.changeTkState(STATE_UPDATE_FOUND);
        g_travik.changeTkState(STATE_OK);
    }
    void TearDown() override { SetUp(); }

    static int Published() { return tk_status.GetInt(); }
};

}  // namespace

TEST_F(TKStateUnit, AnUpdateBeingDownloadedOrReadyOutranksOtherReports) {
    for (::TKState pending : {STATE_DOWNLOADING, STATE_UPDATE_READY}) {
        g_travik.changeTkState(STATE_UPDATE_FOUND);
        g_travik.changeTkState(pending);
        for (::TKState ignored : {STATE_OK, STATE_MODULE_UNREADABLE, STATE_MODULE_MODIFIED,
                                  STATE_NO_CONTACT, STATE_SERVER_MODIFIED}) {
            g_travik.changeTkState(ignored);
            EXPECT_EQ(currentState, pending) << "request " << ignored;
            EXPECT_EQ(Published(), pending);
        }
    }
}

TEST_F(TKStateUnit, UpdateStatesStillFollowEachOther) {
    g_travik.changeTkState(STATE_DOWNLOADING);
    g_travik.changeTkState(STATE_UPDATE_FOUND);
    EXPECT_EQ(Published(), STATE_UPDATE_FOUND);
    g_travik.changeTkState(STATE_DOWNLOADING);
    g_travik.changeTkState(STATE_UPDATE_READY);
    EXPECT_EQ(Published(), STATE_UPDATE_READY);
    g_travik.changeTkState(STATE_DOWNLOADING);
    EXPECT_EQ(Published(), STATE_DOWNLOADING);
}

TEST_F(TKStateUnit, WithoutAPendingUpdateEveryRequestIsTaken) {
    g_travik.changeTkState(STATE_SERVER_MODIFIED);
    EXPECT_EQ(Published(), STATE_SERVER_MODIFIED);
    g_travik.changeTkState(STATE_NO_CONTACT);
    EXPECT_EQ(Published(), STATE_NO_CONTACT);
}

TEST_F(TKStateUnit, AnInactivePluginKeepsTheStateButPublishesZero) {
    g_travik.SetActive(false);
    g_travik.changeTkState(STATE_SERVER_MODIFIED);
    EXPECT_EQ(currentState, STATE_SERVER_MODIFIED);
    EXPECT_EQ(Published(), 0);
    tk_status.SetValue("8");
    EXPECT_EQ(Published(), 0);
    g_travik.SetActive(true);
    EXPECT_EQ(Published(), STATE_SERVER_MODIFIED);
}
