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
    void FramesFor(float seconds) {
        const float until = Now() + seconds;
        while (Now() < until) {
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

TEST_F(CvarScannerService, TheBuiltInListHasItsKindsInOrder) {
    const auto& list = scanner.GetScanningList();
    ASSERT_EQ(list.size(), 39u);
    EXPECT_FALSE(list[0]->MustExist());
    EXPECT_TRUE(list[1]->GetBounds().hasMax);
    EXPECT_EQ(list[3]->GetBounds().max, 3.0f);
    EXPECT_STREQ(list[4]->GetName(), "fps_max");
    EXPECT_TRUE(list[4]->IsInfo());
    int cheats = 0;
    for (const auto& entry : list) {
        cheats += entry->IsCheat() ? 1 : 0;
    }
    EXPECT_EQ(cheats, 34);
    // Every replicated server variable is scanned, sv_cheats among them.
    bool cheatsScanned = false;
    for (const ConVar* var : scanner.GetReplicatedList()) {
        EXPECT_TRUE(var->IsFlagSet(FCVAR_REPLICATED));
        cheatsScanned |= std::string(var->GetName()) == "sv_cheats";
    }
    EXPECT_TRUE(cheatsScanned);
}

TEST_F(CvarScannerService, OutOfBoundsValuesAreKickedWithTheirWording) {
    scanner.ClearScanningList();
    scanner.AddRangedCvar("mat_picmip", "0", false, 0.0f, true, 3.0f, true);
    room.alice->SetCvar("mat_picmip", "3.0");
    room.bob->SetCvar("mat_picmip", "3.01");
    Frame();
    AnswerAll();
    EXPECT_EQ(Verdict(room.bob),
              Kicked("Travik - \"mat_picmip\" value \"3.01\" above acceptable limit: to play on "
                     "this server set the value to \"3.00\" or less"));
    EXPECT_TRUE(room.alice->IsConnected());
    EXPECT_TRUE(
        ChatHas("carol: \x03[Travik]\x04 bob - Removed for cvar violation "
                "\"mat_picmip 3.01\"\n"));

    OnlyScan(&::CvarScanner::AddCvar, "cl_interpolate", "1", false);
    Answer(room.alice, eQueryCvarValueStatus_ValueIntact, "cl_interpolate", "0");
    EXPECT_EQ(Verdict(room.alice),
              Kicked("Travik - \"cl_interpolate\" value \"0.00\" non-default: to play on this "
                     "server set the value to \"1.00\""));
}

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

TEST_F(CvarScannerService, SilenceIsAskedSixTimes12SecondsApartThenKicked) {
    OnlyScan(&::CvarScanner::AddCvar, "cl_interpolate", "1", false);
    const float first = Now();
    std::vector<float> sendings{first};
    int cookie = ScanOf(room.alice)->GetCookie();
    room.server->Clients().Disconnect(*room.bob, "left", false);
    scanner.OnClientDisconnect(Edict(room.bob));
    EXPECT_EQ(ScanOf(room.bob), nullptr);
    while (room.alice->IsConnected() && Now() < first + 80.0f) {
        Frame();
        Queue().OnGameFrame();
        const CvarScan* scan = ScanOf(room.alice);
        if (scan && scan->GetCookie() != cookie) {
            cookie = scan->GetCookie();
            sendings.push_back(Now());
        }
    }
    ASSERT_EQ(sendings.size(), 6u);
    for (size_t i = 1; i < sendings.size(); ++i) {
        EXPECT_NEAR(sendings[i] - sendings[i - 1], 12.0f, 0.3f);
    }
    // Each resend waits for the next quarter-second scan.
    EXPECT_GT(Now() - first, 72.0f);
    EXPECT_LT(Now() - first, 74.0f);
    EXPECT_EQ(room.alice->DisconnectReason(), Kicked("[Travik] Not responding to cvar queries"));
    EXPECT_EQ(room.bob->DisconnectReason(), "left");
}

// Alice, in the lower slot, never answers; the others always do.
TEST_F(CvarScannerService, ASilentPlayerDoesNotHoldUpTheOthers) {
    ASSERT_LT(room.alice->EntityIndex(), room.bob->EntityIndex());
    scanner.ClearScanningList();
    scanner.AddCvar("cl_interpolate", "1", false);
    int bobsQueries = 0;
    for (int scan = 0; scan < 40; ++scan) {
        FramesFor(::CvarScanner::kScanInterval);
        bobsQueries += ScanOf(room.bob) ? 1 : 0;
        for (const sim::Client* other : {room.bob, room.carol, room.dave, room.erin}) {
            if (ScanOf(other)) {
                Answer(other, eQueryCvarValueStatus_ValueIntact, "cl_interpolate", "1");
            }
        }
    }
    int alicesQueries = 0;
    for (const CvarScan& scan : scanner.GetScans()) {
        alicesQueries += scan.GetPlayerIndex() == room.alice->EntityIndex() ? 1 : 0;
    }
    EXPECT_EQ(alicesQueries, 6);
    EXPECT_GE(bobsQueries, 38);
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

    Answer(room.alice, eQueryCvarValueStatus_ValueIntact, "cl_interp", "1");
    Answer(room.bob, eQueryCvarValueStatus_CvarProtected, "cl_interpolate", "");
    Answer(room.carol, eQueryCvarValueStatus_NotACvar, "cl_interpolate", "");
    Answer(room.dave, static_cast<EQueryCvarValueStatus>(7), "cl_interpolate", "");
    const std::string code =
        Kicked("[Travik] Corrupted cvar responses. Please restart your game (Code ");
    EXPECT_EQ(Verdict(room.alice), code + "1)");
    EXPECT_EQ(room.bob->DisconnectReason(), code + "3)");
    EXPECT_EQ(room.carol->DisconnectReason(), code + "3)");
    EXPECT_EQ(room.dave->DisconnectReason(), code + "3)");
    EXPECT_TRUE(scanner.GetScans().size() == 1u && ScanOf(room.erin));
}

TEST_F(CvarScannerService, NotFoundMattersOnlyForAVariableThatMustExist) {
    OnlyScan(&::CvarScanner::AddCvar, "cl_interpolate", "1", false);
    Answer(room.alice, eQueryCvarValueStatus_CvarNotFound, "cl_interpolate", "");
    OnlyScan(&::CvarScanner::AddCvar, "cl_minmodels", "0", true);
    FramesFor(0.3f);
    Answer(room.bob, eQueryCvarValueStatus_CvarNotFound, "cl_minmodels", "");
    EXPECT_EQ(Verdict(room.bob),
              Kicked("[Travik] Corrupted cvar responses. Please restart your game (Code 2)"));
    EXPECT_TRUE(room.alice->IsConnected());
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
    while (replicated.size() < 20) {
        FramesFor(0.25f);
        const CvarScan* scan = ScanOf(room.alice);
        if (scan) {
            replicated.push_back(scan->IsReplicated());
        }
        AnswerAll();
    }
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
    while (room.alice->IsConnected() && Now() < 10.0f) {
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
    while (!(scan = ScanOf(room.alice)) || !scan->IsReplicated()) {
        AnswerAll();
        FramesFor(0.25f);
    }
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

TEST_F(CvarScannerService, AnOperatorsFileReplacesTheListOnlyWhenWhollyGood) {
    g_host.fileSystem = static_cast<IFileSystem*>(
        sim::Server::EngineFactory(FILESYSTEM_INTERFACE_VERSION, nullptr));
    ASSERT_NE(g_host.fileSystem, nullptr);
    const std::string path = room.folder.GameDir() + "/cfg/travik_scanlist.txt";
    std::ofstream(path) << "cheat r_drawothermodels 1\nfps fps_max optional\n";
    scanner.PopulateScanningList();
    ASSERT_EQ(scanner.GetScanningList().size(), 2u);
    EXPECT_TRUE(scanner.GetScanningList()[0]->IsCheat());
    EXPECT_TRUE(scanner.GetScanningList()[1]->IsInfo());

    std::ofstream(path) << "cheat r_drawothermodels 1\nplain cl_minmodels\n";
    scanner.PopulateScanningList();
    EXPECT_EQ(scanner.GetScanningList().size(), 39u);
    EXPECT_TRUE(room.server->Console().Contains(
        "[Travik] cfg/travik_scanlist.txt line 2: wrong number of words for its kind\n"));
    EXPECT_TRUE(room.server->Console().Contains(
        "[Travik] cfg/travik_scanlist.txt not used: scanning the built-in list\n"));
}

}  // namespace
