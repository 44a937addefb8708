// The cvar scanner on a srcds-sim level, driven directly: the host sends the
// queries, the test hands each client's own answer (or a forged one) back.
#include <edict.h>
#include <eiface.h>
#include <gtest/gtest.h>
#include <icvar.h>
#include <iserverplugin.h>
#include <tier1/convar.h>

#include <filesystem.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "SimRoom.h"
#include "core/HostInterfaces.h"
#include "core/travik_plugin.h"
#include "enforcement/CvarScanner.h"
#include "support/StringCrypt.h"

namespace {

constexpr const char* kKicked = "Kicked by Console : ";

class CvarScannerService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(room.started);
        InitEnc();
        g_host.helpers = static_cast<IServerPluginHelpers*>(
            sim::Server::EngineFactory(INTERFACEVERSION_ISERVERPLUGINHELPERS, nullptr));
        g_host.cvar =
            static_cast<ICvar*>(sim::Server::EngineFactory(CVAR_INTERFACE_VERSION, nullptr));
        ASSERT_TRUE(scanner.Init());
        Queue().Reset();
    }
    void TearDown() override {
        Queue().Reset();
        g_serverCvars.sv_cheats = nullptr;
        g_travik.getReplicatedConvarManager()->Unload();
    }

    static KickBanQueue& Queue() { return *g_travik.getKickBanQueue(); }
    edict_t* Edict(const sim::Client* client) const { return room.EdictOf(client); }
    float Now() const { return g_host.globals->curtime; }
    void Frame() {
        room.server->RunFrame();
        scanner.OnGameFrame();
    }
    // At most a frame more than the seconds take at 66 ticks.
    void FramesFor(float seconds) {
        const float until = Now() + seconds;
        const int most = static_cast<int>(seconds * 67.0f) + 2;
        for (int frame = 0; frame < most && Now() < until; ++frame) {
            Frame();
        }
    }
    // Hands every outstanding query its client's own answer.
    void AnswerAll() {
        const std::vector<CvarScan> scans = scanner.GetScans();
        for (const CvarScan& scan : scans) {
            sim::Client* client = room.server->Clients().At(scan.GetPlayerIndex());
            const auto answer =
                client ? client->Answer(scan.GetName(), scan.GetInfo().replicated) : std::nullopt;
            if (answer) {
                scanner.OnQueryCvarValueFinished(scan.GetCookie(), Edict(client), answer->status,
                                                 scan.GetName(), answer->value.c_str());
            }
        }
    }
    // The query outstanding for that client's slot, or null.
    const CvarScan* ScanOf(const sim::Client* client) const {
        for (const CvarScan& scan : scanner.GetScans()) {
            if (scan.GetPlayerIndex() == client->EntityIndex()) {
                return &scan;
            }
        }
        return nullptr;
    }
    void Answer(const sim::Client* client, EQueryCvarValueStatus status, const char* name,
                const char* value) {
        const CvarScan* scan = ScanOf(client);
        ASSERT_NE(scan, nullptr);
        scanner.OnQueryCvarValueFinished(scan->GetCookie(), Edict(client), status, name, value);
    }
    // A scanning list of one entry, asked of everybody at the first frame.
    void OnlyScan(void (::CvarScanner::*add)(const char*, const char*, bool), const char* name,
                  const char* value, bool mustExist) {
        scanner.ClearScanningList();
        (scanner.*add)(name, value, mustExist);
        FramesFor(::CvarScanner::kScanInterval);
    }
    bool ChatHas(const std::string& line) const {
        for (const std::string& seen : room.Received(sim::InboxKind::Chat)) {
            if (seen == line) {
                return true;
            }
        }
        return false;
    }
    // What a kicked client reads: the host's prefix and the text as the
    // queue puts it on a command line.
    static std::string Kicked(const std::string& text) { return kKicked + text; }
    std::string Verdict(const sim::Client* client) {
        Queue().OnGameFrame();
        return client->DisconnectReason();
    }

    SimRoom room;
    ::CvarScanner scanner;
};

TEST_F(CvarScannerService, HandleOneKicksOnlyBelow66AboveZero) {
    TKCvar fps("fps_max", "0", {}, true, false, &::CvarScanner::HandleOne);
    for (float passes : {0.0f, -1.0f, 66.0f, 300.0f}) {
        ::CvarScanner::HandleOne(&fps, Edict(room.alice), passes);
        EXPECT_FALSE(Queue().IsOnKickBanQueue(Edict(room.alice))) << passes;
    }
    ::CvarScanner::HandleOne(&fps, Edict(room.bob), 30.0f);
    ::CvarScanner::HandleOne(&fps, Edict(room.carol), 65.9f);
    ::CvarScanner::HandleOne(&fps, Edict(room.dave), std::nanf(""));
    EXPECT_TRUE(Queue().IsOnKickBanQueue(Edict(room.dave))) << "nan is no frame rate";
    EXPECT_EQ(Verdict(room.bob),
              std::string(kKicked) + "[Travik] fps_max must be set to at least \"66\"");
    EXPECT_FALSE(room.carol->IsConnected());
    EXPECT_TRUE(
        ChatHas("alice: \x03[Travik]\x04 carol - Removed for cvar violation \"fps_max "
                "65.90\"\n"));
}

TEST_F(CvarScannerService, AnswersThatAreNotTheQuestionsAnswers) {
    OnlyScan(&::CvarScanner::AddCvar, "cl_interpolate", "1", false);
    const int alicesCookie = ScanOf(room.alice)->GetCookie();
    // Nobody's cookie, and alice's cookie answered for bob: ignored, and
    // alice's query still waits.
    scanner.OnQueryCvarValueFinished(12345, Edict(room.alice), eQueryCvarValueStatus_ValueIntact,
                                     "cl_interpolate", "0");
    scanner.OnQueryCvarValueFinished(alicesCookie, Edict(room.bob),
                                     eQueryCvarValueStatus_ValueIntact, "cl_interpolate", "0");
    EXPECT_FALSE(Queue().IsOnKickBanQueue(Edict(room.alice)));
    EXPECT_FALSE(Queue().IsOnKickBanQueue(Edict(room.bob)));
    ASSERT_NE(ScanOf(room.alice), nullptr);
    EXPECT_EQ(ScanOf(room.alice)->GetCookie(), alicesCookie);

    // An answer for another variable, and a status no client sends.
    Answer(room.alice, eQueryCvarValueStatus_ValueIntact, "cl_interp", "1");
    Answer(room.dave, static_cast<EQueryCvarValueStatus>(7), "cl_interpolate", "");
    const std::string code =
        Kicked("[Travik] Corrupted cvar responses. Please restart your game (Code ");
    EXPECT_EQ(Verdict(room.alice), code + "1)");
    EXPECT_EQ(room.dave->DisconnectReason(), code + "3)");
    EXPECT_EQ(scanner.GetScans().size(), 3u);
}

TEST_F(CvarScannerService, TamperingIsBannedOnceButNotWhileCheatsAreOn) {
    g_serverCvars.sv_cheats = g_host.cvar->FindVar("sv_cheats");
    ASSERT_NE(g_serverCvars.sv_cheats, nullptr);
    room.alice->SetCvar("r_drawothermodels", "2");
    room.bob->SetCvar("r_drawothermodels", "2");
    OnlyScan(&::CvarScanner::AddCheatCvar, "r_drawothermodels", "1", true);
    g_serverCvars.sv_cheats->SetValue(1);
    Answer(room.bob, eQueryCvarValueStatus_ValueIntact, "r_drawothermodels", "2");
    EXPECT_FALSE(Queue().IsOnKickBanQueue(Edict(room.bob)));
    // Nothing is asked or expired while cheats are on.
    const size_t outstanding = scanner.GetScans().size();
    FramesFor(20.0f);
    EXPECT_EQ(scanner.GetScans().size(), outstanding);

    g_serverCvars.sv_cheats->SetValue(0);
    scanner.Reset();
    Frame();
    Answer(room.alice, eQueryCvarValueStatus_ValueIntact, "r_drawothermodels", "2");
    scanner.AddCheatCvar("mat_wireframe", "0", true);
    FramesFor(0.3f);
    Answer(room.alice, eQueryCvarValueStatus_ValueIntact, "mat_wireframe", "1");
    EXPECT_EQ(Verdict(room.alice), Kicked("Banned: [Travik] Banned for cvar violation "
                                          "\"r_drawothermodels 2.00\""));
    EXPECT_EQ(room.server->Bans().Ids().size(), 1u);
    EXPECT_TRUE(room.bob->IsConnected());
}

TEST_F(CvarScannerService, EverySeventhQueryIsForAReplicatedVariable) {
    std::vector<bool> replicated;
    for (int pass = 0; pass < 100 && replicated.size() < 20; ++pass) {
        FramesFor(0.25f);
        const CvarScan* scan = ScanOf(room.alice);
        if (scan) {
            replicated.push_back(scan->IsReplicated());
        }
        AnswerAll();
    }
    ASSERT_EQ(replicated.size(), 20u);
    for (size_t i = 0; i < replicated.size(); ++i) {
        EXPECT_EQ(replicated[i], i == 6 || i == 12 || i == 18) << "query " << i + 1;
    }
}

TEST_F(CvarScannerService, AClientsDifferingReplicatedCopyIsKicked) {
    ASSERT_FALSE(scanner.GetReplicatedList().empty());
    const ConVar* first = scanner.GetReplicatedList().front();
    room.alice->ScriptAnswer(first->GetName(), sim::QueryScript::Intact, "12345");
    scanner.ClearScanningList();
    scanner.AddCvar("cl_interpolate", "1", false);
    for (int frame = 0; frame < 700 && room.alice->IsConnected() && Now() < 10.0f; ++frame) {
        Frame();
        AnswerAll();
        Queue().OnGameFrame();
    }
    EXPECT_TRUE(room.bob->IsConnected());
    const std::string shown = std::string(first->GetName()) + " 12345.00";
    EXPECT_EQ(room.alice->DisconnectReason(),
              Kicked("[Travik] Cvar value does not match server \"" + shown + "\""));
    EXPECT_TRUE(
        ChatHas("bob: \x03[Travik]\x04 alice - Kicked for cvar mismatch \"" + shown + "\"\n"));
}

// A match config changes replicated variables while queries are in flight;
// a client that answered before the change reached it is not at fault.
TEST_F(CvarScannerService, AServerChangeDropsTheAnswersInFlightOfThatVariable) {
    scanner.ClearScanningList();
    scanner.AddCvar("cl_interpolate", "1", false);
    const CvarScan* scan = nullptr;
    for (int pass = 0; pass < 20 && !((scan = ScanOf(room.alice)) && scan->IsReplicated());
         ++pass) {
        AnswerAll();
        FramesFor(0.25f);
    }
    ASSERT_TRUE(scan && scan->IsReplicated());
    ConVar* var = scan->GetInfo().replicated;
    const int cookie = scan->GetCookie();
    const std::string before = var->GetString();
    var->SetValue("12345");
    EXPECT_EQ(ScanOf(room.alice), nullptr) << "the scan of the changed variable went";
    scanner.OnQueryCvarValueFinished(cookie, Edict(room.alice), eQueryCvarValueStatus_ValueIntact,
                                     var->GetName(), before.c_str());
    Queue().OnGameFrame();
    EXPECT_TRUE(room.alice->IsConnected()) << room.alice->DisconnectReason();
    var->SetValue(before.c_str());
}

}  // namespace
