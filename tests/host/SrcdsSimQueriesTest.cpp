// Client cvar queries: cookies, the latency in game frames, each answer
// status, silence, and who never answers.
#include "SimServerTest.h"

namespace {

using Strings = std::vector<std::string>;

class SrcdsSimQueries : public SimServerTest {
protected:
    void SetUp() override {
        InstallTestPlugin();
        StartServer("+maxplayers 4 +map de_dust2");
        alice = &Connect("alice", [](sim::ClientSpec& spec) { spec.queryLatency = 0.1; });
        TestPlugin()->ClearCalls();
    }

    // Queries alice and runs frames until the latency has passed.
    std::string Answer(const char* cvar) {
        const int cookie = TestPlugin()->StartQuery(1, cvar);
        server->RunTicks(7);
        const Strings answers = Calls("OnQueryCvarValueFinished " + std::to_string(cookie) + " ");
        return answers.empty() ? "<none>" : answers.back();
    }

    sim::Client* alice = nullptr;
};

TEST_F(SrcdsSimQueries, CookiesCountUpFromOneAndBadSlotsAreRefused) {
    EXPECT_EQ(TestPlugin()->StartQuery(1, "fps_max"), 1);
    EXPECT_EQ(TestPlugin()->StartQuery(1, "fps_max"), 2);
    EXPECT_EQ(TestPlugin()->StartQuery(0, "fps_max"), -1) << "the world is no client";
    EXPECT_EQ(TestPlugin()->StartQuery(5, "fps_max"), -1) << "above the client slots";
    EXPECT_EQ(TestPlugin()->StartQuery(3, "fps_max"), 3) << "an empty slot gets a cookie";
}

TEST_F(SrcdsSimQueries, TheAnswerComesAfterTheLatencyNotBefore) {
    const int cookie = TestPlugin()->StartQuery(1, "fps_max");
    server->RunTicks(6);
    EXPECT_TRUE(Calls("OnQueryCvarValueFinished").empty()) << "0.1 s is 7 ticks";
    server->RunTicks(1);
    EXPECT_EQ(Calls("OnQueryCvarValueFinished"),
              (Strings{"OnQueryCvarValueFinished " + std::to_string(cookie) + " 1 0 fps_max 300"}));
}

TEST_F(SrcdsSimQueries, EachScriptedStatusIsAnswered) {
    alice->ScriptAnswer("cl_cheat", sim::QueryScript::Protected, "");
    alice->ScriptAnswer("fps_max", sim::QueryScript::Intact, "30");
    alice->ScriptAnswer("r_drawothermodels", sim::QueryScript::NotACvar, "");
    alice->ScriptAnswer("cl_interp", sim::QueryScript::NotFound, "");
    EXPECT_EQ(Answer("fps_max"), "OnQueryCvarValueFinished 1 1 0 fps_max 30");
    EXPECT_EQ(Answer("cl_cheat"), "OnQueryCvarValueFinished 2 1 3 cl_cheat ");
    EXPECT_EQ(Answer("r_drawothermodels"), "OnQueryCvarValueFinished 3 1 2 r_drawothermodels ");
    EXPECT_EQ(Answer("cl_interp"), "OnQueryCvarValueFinished 4 1 1 cl_interp ");
}

TEST_F(SrcdsSimQueries, UnscriptedAnswersFollowWhatTheClientHas) {
    EXPECT_EQ(Answer("cl_interp"), "OnQueryCvarValueFinished 1 1 0 cl_interp 0.1");
    EXPECT_EQ(Answer("mystery_var"), "OnQueryCvarValueFinished 2 1 1 mystery_var ");
    EXPECT_EQ(Answer("kill"), "OnQueryCvarValueFinished 3 1 2 kill ") << "a client command";
    // A replicated server variable: the client's copy is the server's.
    Console("sv_maxupdaterate 50");
    EXPECT_EQ(Answer("sv_maxupdaterate"), "OnQueryCvarValueFinished 4 1 0 sv_maxupdaterate 50");
}

TEST_F(SrcdsSimQueries, AFreshClientAnswersItsShippedDefaults) {
    EXPECT_EQ(Answer("mat_wireframe"), "OnQueryCvarValueFinished 1 1 0 mat_wireframe 0");
    EXPECT_EQ(Answer("r_drawothermodels"), "OnQueryCvarValueFinished 2 1 0 r_drawothermodels 1");
    EXPECT_EQ(Answer("mat_dxlevel"), "OnQueryCvarValueFinished 3 1 0 mat_dxlevel 90");
    // A familiar name that is a command of the client, and one a real client
    // is not known to have.
    EXPECT_EQ(Answer("r_shadowdist"), "OnQueryCvarValueFinished 4 1 2 r_shadowdist ");
    EXPECT_EQ(Answer("mat_fullbright"), "OnQueryCvarValueFinished 5 1 1 mat_fullbright ");
    // Its own console and the scenario's scripting override a default.
    server->Clients().ExecuteClientLine(*alice, "r_rootlod 2");
    EXPECT_EQ(Answer("r_rootlod"), "OnQueryCvarValueFinished 6 1 0 r_rootlod 2");
    alice->ScriptAnswer("mat_fullbright", sim::QueryScript::Intact, "1");
    EXPECT_EQ(Answer("mat_fullbright"), "OnQueryCvarValueFinished 7 1 0 mat_fullbright 1");
    alice->ScriptAnswer("cl_minmodels", sim::QueryScript::NotFound, "");
    EXPECT_EQ(Answer("cl_minmodels"), "OnQueryCvarValueFinished 8 1 1 cl_minmodels ");
}

TEST_F(SrcdsSimQueries, AReplicatedDefaultFollowsTheServerUntilTheClientSetsItsOwn) {
    Console("sv_cheats 1");
    Console("host_timescale 2");
    EXPECT_EQ(Answer("host_timescale"), "OnQueryCvarValueFinished 1 1 0 host_timescale 2");
    alice->SetCvar("host_timescale", "1.0");
    EXPECT_EQ(Answer("host_timescale"), "OnQueryCvarValueFinished 2 1 0 host_timescale 1.0");
    sim::Client& bot = server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    EXPECT_EQ(bot.Cvar("fps_max"), nullptr) << "a bot has no client variables";
}

TEST_F(SrcdsSimQueries, SilenceBotsAndLeaversNeverAnswer) {
    alice->ScriptAnswer("fps_max", sim::QueryScript::Silent, "");
    EXPECT_EQ(Answer("fps_max"), "<none>");
    server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    EXPECT_EQ(TestPlugin()->StartQuery(2, "fps_max"), 2);
    server->RunSeconds(5);
    EXPECT_TRUE(Calls("OnQueryCvarValueFinished").empty());

    sim::Client& bob = Connect("bob");
    const int cookie = TestPlugin()->StartQuery(bob.EntityIndex(), "cl_interp");
    server->Clients().Disconnect(bob, "Disconnect by user.", false);
    Connect("carol");  // takes bob's slot before the answer would have come
    server->RunSeconds(1);
    EXPECT_TRUE(Calls("OnQueryCvarValueFinished " + std::to_string(cookie)).empty());
    EXPECT_EQ(server->Helpers().PendingCount(), 0u);
}

TEST_F(SrcdsSimQueries, TheAnswerReadsTheClientAtAnswerTimeAndLatencyIsInGameTime) {
    alice->SetQueryLatency(1.0);
    const int cookie = TestPlugin()->StartQuery(1, "fps_max");
    server->Clients().ExecuteClientLine(*alice, "fps_max 120");
    server->RunTicks(66);
    EXPECT_TRUE(Calls("OnQueryCvarValueFinished").empty());
    server->RunTicks(1);
    EXPECT_EQ(Calls("OnQueryCvarValueFinished"),
              (Strings{"OnQueryCvarValueFinished " + std::to_string(cookie) + " 1 0 fps_max 120"}));
}

}  // namespace
