// Clients: the connect sequence and its callback order, refusals, bots and
// SourceTV, network IDs and validation, leaving, and where a client's
// commands and chat go.
#include "SimServerTest.h"

namespace {

using Strings = std::vector<std::string>;

class SrcdsSimClients : public SimServerTest {
protected:
    void SetUp() override {
        InstallTestPlugin();
        StartServer("+maxplayers 4 +map de_dust2");
        TestPlugin()->ClearCalls();
    }
};

TEST_F(SrcdsSimClients, AJoiningHumanGoesThroughTheRealOrder) {
    sim::Client& alice = Connect("alice", [](sim::ClientSpec& spec) {
        spec.address = "10.1.2.3:27005";
        spec.steamId = "STEAM_0:1:123";
    });
    ASSERT_TRUE(alice.IsActive());
    EXPECT_EQ(CallsWithoutCommandClient(),
              (Strings{"FireGameEvent player_connect",
                       "ClientConnect 1 alice 10.1.2.3:27005 [Connection rejected by game\n]",
                       "NetworkIDValidated alice STEAM_0:1:123", "ClientPutInServer 1 alice",
                       "ClientActive 1", "ClientSettingsChanged 1"}));
    ASSERT_EQ(Events("player_connect").size(), 1u);
    EXPECT_EQ(Events("player_connect")[0].values.at("networkid"), "STEAM_ID_PENDING")
        << "the event comes before Steam's answer";
    EXPECT_EQ(std::string(server->Game()
                              .PlayerInfo()
                              ->GetPlayerInfo(server->Edicts().Get(1))
                              ->GetNetworkIDString()),
              "STEAM_0:1:123");
}

// Joining as on a real server: the client loads the level and signs on for
// a second before it is put in, and Steam answers once it is in the game.
void RealJoin(sim::ClientSpec& spec) {
    spec.signOn = sim::kDefaultSignOn;
    spec.validateAfter.reset();
}

TEST_F(SrcdsSimClients, AJoiningHumanSignsOnForFramesBeforeItIsPutIn) {
    sim::Client& alice = Connect("alice", RealJoin);
    EXPECT_EQ(CallsWithoutCommandClient(),
              (Strings{"FireGameEvent player_connect", "ClientConnect 1 alice " + alice.Address() +
                                                           " [Connection rejected by game\n]"}));
    EXPECT_TRUE(alice.IsConnected());
    EXPECT_FALSE(alice.IsActive());
    EXPECT_FALSE(alice.IsInServer());
    EXPECT_EQ(server->Clients().At(1), &alice) << "the client has its slot while signing on";
    EXPECT_STREQ(alice.NetworkId(), "STEAM_ID_PENDING");
    TestPlugin()->ClearCalls();
    server->RunTicks(66);
    EXPECT_TRUE(Calls("ClientPutInServer").empty()) << "66 ticks are 0.99 s";
    server->RunTicks(1);
    EXPECT_EQ(CallsWithoutCommandClient(),
              (Strings{"ClientPutInServer 1 alice", "ClientActive 1", "ClientSettingsChanged 1"}));
    EXPECT_TRUE(alice.IsActive());
    EXPECT_STREQ(alice.NetworkId(), "STEAM_ID_PENDING") << "Steam answers after the put-in";
    server->RunSeconds(sim::kValidateAfterPutIn);
    EXPECT_EQ(Calls("NetworkIDValidated"),
              (Strings{"NetworkIDValidated alice " + alice.SteamId()}));
}

TEST_F(SrcdsSimClients, ASigningOnClientsLinesReachOnlyThePlugins) {
    sim::Client& alice = Connect("alice", RealJoin);
    TestPlugin()->ClearCalls();
    server->Clients().ExecuteClientLine(alice, "say hello; jointeam 2; tk_status; name alicia");
    EXPECT_EQ(Calls("ClientCommand"),
              (Strings{"ClientCommand 1 say hello", "ClientCommand 1 jointeam 2",
                       "ClientCommand 1 tk_status"}));
    EXPECT_TRUE(Events("player_say").empty());
    EXPECT_TRUE(Events("player_team").empty());
    EXPECT_FALSE(alice.GetInbox().Console().Contains("Unknown command"));
    EXPECT_EQ(alice.Name(), "alicia") << "the engine still takes her settings";
    EXPECT_TRUE(Calls("ClientSettingsChanged").empty()) << "announced when she is put in";

    server->RunSeconds(sim::kDefaultSignOn);
    ASSERT_TRUE(alice.IsActive());
    EXPECT_EQ(Calls("ClientPutInServer"), (Strings{"ClientPutInServer 1 alicia"}));
    server->Clients().ExecuteClientLine(alice, "say hello");
    EXPECT_EQ(Events("player_say").size(), 1u);
}

TEST_F(SrcdsSimClients, LeavingOrALevelChangeWhileSigningOn) {
    sim::Client& quitter = Connect("quitter", RealJoin);
    server->RunTicks(10);
    server->Clients().ExecuteClientLine(quitter, "disconnect");
    EXPECT_EQ(Events("player_disconnect").size(), 1u);
    EXPECT_TRUE(Calls("ClientDisconnect").empty()) << "she was never put in";
    server->RunSeconds(2);
    EXPECT_TRUE(Calls("ClientPutInServer").empty());

    // A level change makes a client still loading start on the new level.
    sim::Client& slow = Connect("slow", RealJoin);
    server->RunTicks(60);
    Console("changelevel de_nuke");
    server->RunTicks(10);
    EXPECT_FALSE(slow.IsActive());
    server->RunSeconds(sim::kDefaultSignOn);
    EXPECT_TRUE(slow.IsActive());
    EXPECT_EQ(Calls("ClientPutInServer").size(), 1u);
}

TEST_F(SrcdsSimClients, SteamValidatesAfterItsDelayOrNever) {
    sim::Client& late = Connect("late", [](sim::ClientSpec& spec) { spec.validateAfter = 0.5; });
    sim::Client& never = Connect("never", [](sim::ClientSpec& spec) { spec.validateAfter = -1; });
    EXPECT_STREQ(late.NetworkId(), "STEAM_ID_PENDING");
    server->RunTicks(33);
    EXPECT_STREQ(late.NetworkId(), "STEAM_ID_PENDING") << "33 ticks are 0.495 s";
    EXPECT_TRUE(Calls("NetworkIDValidated").empty());
    server->RunTicks(1);
    EXPECT_EQ(late.NetworkId(), late.SteamId());
    EXPECT_EQ(Calls("NetworkIDValidated"), (Strings{"NetworkIDValidated late " + late.SteamId()}));
    server->RunSeconds(60);
    EXPECT_STREQ(never.NetworkId(), "STEAM_ID_PENDING");
    EXPECT_EQ(Calls("NetworkIDValidated").size(), 1u);
}

TEST_F(SrcdsSimClients, LanServerReportsLanIds) {
    Console("sv_lan 1");
    sim::Client& alice = Connect("alice");
    EXPECT_STREQ(alice.NetworkId(), "STEAM_ID_LAN");
}

TEST_F(SrcdsSimClients, APluginRefusalShowsItsTextToTheClientAndNothingMoreHappens) {
    TestPlugin()->RefuseConnect("mallory", "Go away");
    sim::Client& mallory = Connect("mallory");
    EXPECT_EQ(mallory.State(), sim::ClientState::Rejected);
    EXPECT_EQ(mallory.DisconnectReason(), "Go away");
    EXPECT_TRUE(mallory.GetInbox().Console().Contains("Go away"));
    EXPECT_TRUE(Calls("ClientPutInServer").empty());
    EXPECT_TRUE(Calls("ClientDisconnect").empty()) << "only a client put in the server hears that";
    ASSERT_EQ(Events("player_disconnect").size(), 1u);
    EXPECT_EQ(Events("player_disconnect")[0].values.at("reason"), "Go away");
    EXPECT_EQ(server->Clients().At(1), nullptr) << "the slot is free again";
}

TEST_F(SrcdsSimClients, FullServerAndWrongPasswordAreRefusedBeforeTheGameHears) {
    Console("sv_password secret");
    sim::Client& wrong = Connect("wrong");
    EXPECT_EQ(wrong.DisconnectReason(), "Bad password.");
    for (const char* name : {"a", "b", "c", "d"})
        Connect(name, [](sim::ClientSpec& spec) { spec.password = "secret"; });
    sim::Client& fifth = Connect("e", [](sim::ClientSpec& spec) { spec.password = "secret"; });
    EXPECT_EQ(fifth.DisconnectReason(), "Server is full.");
    EXPECT_EQ(Calls("ClientConnect").size(), 4u);
}

TEST_F(SrcdsSimClients, BotsAndSourceTVAreFakeClientsWithoutConnectOrValidation) {
    sim::Client& bot = server->Clients().AddFakeClient("Bot01", sim::ClientKind::Bot);
    EXPECT_EQ(
        CallsWithoutCommandClient(),
        (Strings{"FireGameEvent player_connect", "ClientPutInServer 1 Bot01", "ClientActive 1"}));
    EXPECT_STREQ(bot.NetworkId(), "BOT");
    IPlayerInfo* info = server->Game().PlayerInfo()->GetPlayerInfo(server->Edicts().Get(1));
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->IsFakeClient());
    EXPECT_FALSE(info->IsHLTV());
    EXPECT_EQ(server->Engine().GetPlayerNetInfo(1), nullptr);

    Console("tv_enable 1");
    Console("changelevel de_nuke");
    server->RunFrame();
    sim::Client* tv = server->TV().GetClient();
    ASSERT_NE(tv, nullptr);
    EXPECT_STREQ(tv->NetworkId(), "HLTV");
    IPlayerInfo* tvInfo =
        server->Game().PlayerInfo()->GetPlayerInfo(server->Edicts().Get(tv->EntityIndex()));
    ASSERT_NE(tvInfo, nullptr);
    EXPECT_TRUE(tvInfo->IsHLTV());
    EXPECT_TRUE(tvInfo->IsFakeClient());
}

TEST_F(SrcdsSimClients, LeavingFiresTheEventThenClientDisconnectOnce) {
    sim::Client& alice = Connect("alice");
    TestPlugin()->ClearCalls();
    server->Clients().Disconnect(alice, "Disconnect by user.", false);
    server->Clients().Disconnect(alice, "again", false);
    EXPECT_EQ(CallsWithoutCommandClient(),
              (Strings{"FireGameEvent player_disconnect", "ClientDisconnect 1"}));
    EXPECT_EQ(alice.State(), sim::ClientState::Disconnected);
    EXPECT_FALSE(alice.WasRemovedByServer());
    EXPECT_EQ(server->Engine().GetPlayerUserId(server->Edicts().Get(1)), -1);
    EXPECT_TRUE(server->Edicts().Get(1)->IsFree());
    EXPECT_EQ(server->Game().PlayerInfo()->GetPlayerInfo(server->Edicts().Get(1)), nullptr);
}

TEST_F(SrcdsSimClients, GameCommandsSetTheCommandClientAndOthersGoToClientCommand) {
    sim::Client& alice = Connect("alice");
    sim::Client& bob = Connect("bob");
    TestPlugin()->ClearCalls();
    server->Clients().ExecuteClientLine(bob, "say hello there; tk_status");
    const Strings calls = Calls();
    EXPECT_EQ(calls, (Strings{"SetCommandClient 1", "FireGameEvent player_say",
                              "ClientCommand 2 tk_status"}))
        << "bob is in slot 2, player index 1";
    // Nobody stopped tk_status, so the game answered it.
    EXPECT_TRUE(bob.GetInbox().Console().Contains("Unknown command: tk_status"));
    // The chat line reached alice as the game formats it.
    const auto chat = alice.GetInbox().OfKind(sim::InboxKind::Chat);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0]->text, "\x03*SPEC* bob\x01 :  hello there");
    EXPECT_EQ(chat[0]->sender, 2);
    ASSERT_EQ(Events("player_say").size(), 1u);
    EXPECT_EQ(Events("player_say")[0].values.at("text"), "hello there");
    EXPECT_EQ(Events("player_say")[0].values.at("userid"), std::to_string(bob.UserId()));
}

TEST_F(SrcdsSimClients, APluginThatStopsACommandKeepsItFromTheGame) {
    sim::Client& alice = Connect("alice");
    TestPlugin()->AnswerCommand("tk_status", PLUGIN_STOP);
    server->Clients().ExecuteClientLine(alice, "tk_status");
    EXPECT_FALSE(alice.GetInbox().Console().Contains("Unknown command"));
    TestPlugin()->AnswerCommand("tk_status", PLUGIN_OVERRIDE);
    server->Clients().ExecuteClientLine(alice, "tk_status");
    EXPECT_FALSE(alice.GetInbox().Console().Contains("Unknown command"));
    EXPECT_EQ(Calls("ClientCommand").size(), 2u);
}

TEST_F(SrcdsSimClients, CheatCommandsOfTheGameNeedSvCheats) {
    sim::Client& alice = Connect("alice");
    server->Clients().ExecuteClientLine(alice, "ent_create logic_timer");
    EXPECT_TRUE(alice.GetInbox().Console().Contains("Can't use cheat command ent_create"));
    EXPECT_EQ(server->Game().Sim()->CountEntities("logic_timer"), 0);
    Console("sv_cheats 1");
    server->Clients().ExecuteClientLine(alice, "ent_create logic_timer");
    EXPECT_EQ(server->Game().Sim()->CountEntities("logic_timer"), 1);
    EXPECT_FALSE(Calls("OnEdictAllocated").empty());
}

TEST_F(SrcdsSimClients, SettingsChangesAreAnnouncedOnlyForUserInfo) {
    sim::Client& alice =
        Connect("alice", [](sim::ClientSpec& spec) { spec.cvars["fps_max"] = "300"; });
    TestPlugin()->ClearCalls();
    server->Clients().ExecuteClientLine(alice, "fps_max 100; cl_interp 0.05");
    EXPECT_EQ(Calls(), (Strings{"ClientSettingsChanged 1"}));
    EXPECT_STREQ(server->Engine().GetClientConVarValue(1, "cl_interp"), "0.05");
    EXPECT_STREQ(server->Engine().GetClientConVarValue(1, "fps_max"), "") << "not user information";
    server->Clients().ExecuteClientLine(alice, "setinfo tk_wantautocashcalling 1");
    EXPECT_STREQ(server->Engine().GetClientConVarValue(1, "tk_wantautocashcalling"), "1");
    server->Clients().ExecuteClientLine(alice, "name alicia");
    EXPECT_STREQ(server->Game().PlayerInfo()->GetPlayerInfo(server->Edicts().Get(1))->GetName(),
                 "alicia");
    EXPECT_EQ(server->Engine().GetClientConVarValue(0, "name"), nullptr);
    EXPECT_EQ(server->Engine().GetClientConVarValue(5, "name"), nullptr);
    EXPECT_STREQ(server->Engine().GetClientConVarValue(3, "name"), "") << "an empty slot";
}

TEST_F(SrcdsSimClients, TeamsSpawnsAndDeathsFireTheirEvents) {
    sim::Client& alice = Connect("alice");
    IPlayerInfo* info = server->Game().PlayerInfo()->GetPlayerInfo(server->Edicts().Get(1));
    EXPECT_EQ(info->GetTeamIndex(), 0);
    EXPECT_TRUE(info->IsDead());
    EXPECT_TRUE(info->IsObserver());
    server->Clients().ExecuteClientLine(alice, "jointeam 3");
    EXPECT_EQ(info->GetTeamIndex(), 3);
    EXPECT_FALSE(info->IsDead());
    server->Clients().ExecuteClientLine(alice, "kill");
    EXPECT_TRUE(info->IsDead());
    EXPECT_EQ(Events("player_team").size(), 1u);
    EXPECT_EQ(Events("player_spawn").size(), 1u);
    EXPECT_EQ(Events("player_death").size(), 1u);
    server->Clients().Disconnect(alice, "bye", false);
    ASSERT_EQ(Events("player_team").size(), 2u);
    EXPECT_EQ(Events("player_team")[1].values.at("disconnect"), "1");
}

TEST_F(SrcdsSimClients, NetChannelGivesTheAddressWithItsPort) {
    Connect("alice", [](sim::ClientSpec& spec) { spec.address = "192.168.0.7:27006"; });
    INetChannelInfo* channel = server->Engine().GetPlayerNetInfo(1);
    ASSERT_NE(channel, nullptr);
    EXPECT_STREQ(channel->GetAddress(), "192.168.0.7:27006");
}

}  // namespace
