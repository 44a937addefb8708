// The plug-in's entries in sv_tags beside an operator's own, as the active
// switch and war mode add and remove them.
#include "TravikServerTest.h"

namespace {

class SvTagsAccessorFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
    }

    void SetTags(const std::string& tags) { Console("sv_tags \"" + tags + "\""); }
};

TEST_F(SvTagsAccessorFeature, OurTagsJoinAtTheEndAndLeaveWithOneComma) {
    EXPECT_EQ(Var("sv_tags"), "travik,sv_pure2");
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_tags"), "");
    SetTags("alpha,beta");
    Console("tk_active 1");
    EXPECT_EQ(Var("sv_tags"), "alpha,beta,travik,sv_pure2");
    Console("tk_warmode 1");
    EXPECT_EQ(Var("sv_tags"), "alpha,beta,travik,sv_pure2,tk_warmode");

    SetTags("alpha,travik,beta,tk_warmode");
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_tags"), "alpha,beta");
    SetTags("travik,beta");
    Console("tk_active 1");
    EXPECT_EQ(Var("sv_tags"), "travik,beta,tk_warmode,sv_pure2");
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_tags"), "beta");
}

// A longer tag that holds ours counts as ours being there, but is someone
// else's and is never cut.
TEST_F(SvTagsAccessorFeature, LongerTagsHoldingOursAreLeftAlone) {
    Console("tk_warmode 1");
    Console("tk_active 0");
    SetTags("mytravik,tk_warmodes");
    Console("tk_active 1");
    EXPECT_EQ(Var("sv_tags"), "mytravik,tk_warmodes,sv_pure2");
    SetTags("travikx,a,travik");
    Console("tk_active 0");
    EXPECT_EQ(Var("sv_tags"), "travikx,a");
}

}  // namespace
