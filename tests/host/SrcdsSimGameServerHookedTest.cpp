// The wired game under hooks placed as the plug-in places them: on the
// IGameMovement and IServerGameEnts the game factory hands out, on the
// IVoiceServer and IVEngineServer of the engine factory, and on a player's
// FindUseEntity (slot 395, on Windows 394). A hook that lets every call through changes
// nothing; one that acts is felt, because the game and the engine really
// call through those objects.
#include <in_buttons.h>

#include <map>

#include "../cstrike/PluginAccess.h"
#include "GameServerTest.h"
#include "hook/Hook.h"

namespace hook = travik::hook;

namespace {

// The game's entity class stays incomplete here, as it does for a plug-in.
using FindUseEntity =
    hook::Manual<CBaseEntity, CBaseEntity*(), plugin_access::GameSlots::kFindUseEntity>;

struct HookCalls {
    int movement = 0;
    int transmit = 0;
    int listening = 0;
    int useSearches = 0;
    int mapText = 0;
};
HookCalls g_calls;

void CountMovement(hook::CallFor<&IGameMovement::ProcessMovement>&, CBasePlayer*, CMoveData*) {
    ++g_calls.movement;
}
void CountTransmit(hook::CallFor<&IServerGameEnts::CheckTransmit>&, CCheckTransmitInfo*,
                   const unsigned short*, int) {
    ++g_calls.transmit;
}
void CountListening(hook::CallFor<&IVoiceServer::SetClientListening>&, int, int, bool) {
    ++g_calls.listening;
}
void CountUseSearch(hook::CallOf<FindUseEntity>&) {
    ++g_calls.useSearches;
}
void CountMapText(hook::CallFor<&IVEngineServer::GetMapEntitiesString>&) {
    ++g_calls.mapText;
}

// What a round left behind, to compare a hooked run with a plain one.
struct Outcome {
    std::vector<std::string> events;
    std::map<std::string, std::vector<float>> players;  // origin, velocity, money, health
    std::vector<bool> hearing;
    std::vector<bool> sent;
    int defusedBy = 0;

    bool operator==(const Outcome&) const = default;
};

class SrcdsSimGameServerHooked : public GameServerTest {
protected:
    void TearDown() override { RemoveHooks(); }

    IGameMovement* Movement() { return server->Game().Movement(); }
    IServerGameEnts* Ents() { return server->Game().Ents(); }
    IVoiceServer* Voice() { return &server->Voice(); }
    IVEngineServer* Engine() { return &server->Engine(); }
    CBaseEntity* Entity(const sim::Client& client) {
        return server->Edicts().Get(client.EntityIndex())->GetUnknown()->GetBaseEntity();
    }

    void AddPassThroughHooks() {
        g_calls = HookCalls();
        for (auto phase : {hook::Pre, hook::Post}) {
            ASSERT_TRUE(
                hook::add<&IGameMovement::ProcessMovement>(Movement(), phase, &CountMovement));
            ASSERT_TRUE(hook::add<&IServerGameEnts::CheckTransmit>(Ents(), phase, &CountTransmit));
            ASSERT_TRUE(
                hook::add<&IVoiceServer::SetClientListening>(Voice(), phase, &CountListening));
            for (sim::Client* client : server->Clients().Connected())
                ASSERT_TRUE(hook::add<FindUseEntity>(Entity(*client), phase, &CountUseSearch));
        }
        hooked = true;
    }

    void RemoveHooks() {
        if (!hooked || !server)
            return;
        for (auto phase : {hook::Pre, hook::Post}) {
            EXPECT_TRUE(
                hook::remove<&IGameMovement::ProcessMovement>(Movement(), phase, &CountMovement));
            EXPECT_TRUE(
                hook::remove<&IServerGameEnts::CheckTransmit>(Ents(), phase, &CountTransmit));
            EXPECT_TRUE(
                hook::remove<&IVoiceServer::SetClientListening>(Voice(), phase, &CountListening));
            for (sim::Client* client : server->Clients().Connected())
                EXPECT_TRUE(hook::remove<FindUseEntity>(Entity(*client), phase, &CountUseSearch));
        }
        hooked = false;
    }

    // Two against two: everybody walks, a speed hacker among them; the bomb
    // is planted, a counter-terrorist defuses it from behind site A's wall,
    // someone is flashed, someone dies; the round ends.
    Outcome PlayRound(bool withHooks) {
        StartGame();
        sim::Client& alice = Player("alice", 2);
        sim::Client& bob = Player("bob", 2);
        sim::Client& carol = Player("carol", 3);
        sim::Client& dave = Player("dave", 3);
        if (withHooks)
            AddPassThroughHooks();
        Commence();
        Game().SetUsercmdRate(bob.EntityIndex(), 150.0f);
        for (sim::Client* client : {&alice, &bob, &carol, &dave})
            Input(*client, 45.0f, 450.0f, client == &bob ? IN_JUMP : 0);
        server->RunSeconds(1.5);
        Game().Flash(dave.EntityIndex(), 2.0f, 255.0f);
        Game().Hurt(dave.EntityIndex(), bob.EntityIndex(), 150, "weapon_ak47");
        const float site[3] = {540.0f, 600.0f, 0.0f};
        const float behindWall[3] = {600.0f, 600.0f, 0.0f};
        Game().Teleport(alice.EntityIndex(), site);
        Game().PlantBomb(alice.EntityIndex());
        Game().Teleport(carol.EntityIndex(), behindWall);
        Input(carol, 0.0f, 0.0f, IN_USE);
        server->RunSeconds(11.0);
        return Snapshot({&alice, &bob, &carol, &dave});
    }

    Outcome Snapshot(const std::vector<sim::Client*>& clients) {
        Outcome outcome;
        for (const auto& fired : server->Events().History())
            outcome.events.push_back(fired.name);
        for (const auto& event : Events("bomb_defused"))
            outcome.defusedBy = std::stoi(event.values.at("userid"));
        for (sim::Client* client : clients) {
            const SimPlayerState state = State(*client);
            outcome.players[client->Name()] = {state.origin[0],
                                               state.origin[1],
                                               state.origin[2],
                                               state.velocity[0],
                                               state.velocity[1],
                                               state.velocity[2],
                                               static_cast<float>(state.money),
                                               static_cast<float>(state.health),
                                               static_cast<float>(state.usercmds)};
            for (sim::Client* other : clients) {
                outcome.hearing.push_back(server->Voice().GetClientListening(client->EntityIndex(),
                                                                             other->EntityIndex()));
                outcome.sent.push_back(
                    server->Snapshots()->WasSent(client->EntityIndex(), other->EntityIndex()));
            }
        }
        return outcome;
    }

    bool hooked = false;
};

TEST_F(SrcdsSimGameServerHooked, PassThroughHooksOnEveryInterfaceChangeNothing) {
    const Outcome plain = PlayRound(false);
    server.reset();
    const Outcome hooked = PlayRound(true);
    ASSERT_EQ(hooked.defusedBy, server->Clients().Find("carol")->UserId())
        << "carol defused through the wall";
    EXPECT_EQ(hooked.events, plain.events);
    EXPECT_EQ(hooked.players, plain.players);
    EXPECT_EQ(hooked.hearing, plain.hearing);
    EXPECT_EQ(hooked.sent, plain.sent);

    // Every call went through the hooked objects, pre and post.
    int usercmds = 0;
    for (const auto& [name, state] : hooked.players)
        usercmds += static_cast<int>(state.back());
    EXPECT_EQ(g_calls.movement, 2 * usercmds);
    EXPECT_EQ(g_calls.transmit, 2 * 4 * server->Snapshots()->Snapshots());
    EXPECT_GE(g_calls.listening, 2 * 16 * 40) << "16 pairs, every 0.3 s for 12.5 s";
    EXPECT_GT(g_calls.useSearches, 0);
}

TEST_F(SrcdsSimGameServerHooked, HooksThatActAreFeltByTheGame) {
    StartGame();
    sim::Client& alice = Player("alice", 2);
    sim::Client& carol = Player("carol", 3);
    Commence();
    Input(alice, 0.0f, 450.0f);

    // Movement: superseded, the player does not move.
    auto stop = +[](hook::CallFor<&IGameMovement::ProcessMovement>& call, CBasePlayer*,
                    CMoveData*) { call.supersede(); };
    ASSERT_TRUE(hook::add<&IGameMovement::ProcessMovement>(Movement(), hook::Pre, stop));
    const Vector start = Origin(alice);
    server->RunSeconds(0.5);
    EXPECT_EQ(Origin(alice), start);
    EXPECT_TRUE(hook::remove<&IGameMovement::ProcessMovement>(Movement(), hook::Pre, stop));
    server->RunSeconds(0.5);
    EXPECT_GT((Origin(alice) - start).Length(), 50.0f);

    // Transmission: a post-hook hides carol from alice.
    auto hide = +[](hook::CallFor<&IServerGameEnts::CheckTransmit>&, CCheckTransmitInfo* info,
                    const unsigned short*, int) { info->m_pTransmitEdict->Clear(2); };
    ASSERT_TRUE(hook::add<&IServerGameEnts::CheckTransmit>(Ents(), hook::Post, hide));
    server->RunTicks(1);
    EXPECT_FALSE(server->Snapshots()->WasSent(alice.EntityIndex(), carol.EntityIndex()));
    EXPECT_TRUE(hook::remove<&IServerGameEnts::CheckTransmit>(Ents(), hook::Post, hide));
    server->RunTicks(1);
    EXPECT_TRUE(server->Snapshots()->WasSent(alice.EntityIndex(), carol.EntityIndex()));

    // Voice: a pre-hook recalls with listen set, so both teams hear each other.
    auto allTalk = +[](hook::CallFor<&IVoiceServer::SetClientListening>& call, int receiver,
                       int sender, bool listen) {
        if (!listen)
            call.recall(receiver, sender, true);
    };
    ASSERT_TRUE(hook::add<&IVoiceServer::SetClientListening>(Voice(), hook::Pre, allTalk));
    server->RunSeconds(0.3);
    EXPECT_TRUE(server->Voice().GetClientListening(alice.EntityIndex(), carol.EntityIndex()));
    EXPECT_TRUE(hook::remove<&IVoiceServer::SetClientListening>(Voice(), hook::Pre, allTalk));
    server->RunSeconds(0.3);
    EXPECT_FALSE(server->Voice().GetClientListening(alice.EntityIndex(), carol.EntityIndex()));

    // The use key: with FindUseEntity answering nothing, no defuse starts.
    Input(alice, 0.0f, 0.0f);
    const float site[3] = {540.0f, 600.0f, 0.0f};
    const float behindWall[3] = {600.0f, 600.0f, 0.0f};
    Game().Teleport(alice.EntityIndex(), site);
    ASSERT_TRUE(Game().PlantBomb(alice.EntityIndex()));
    Game().Teleport(carol.EntityIndex(), behindWall);
    auto nothing = +[](hook::CallOf<FindUseEntity>& call) { call.supersede(nullptr); };
    ASSERT_TRUE(hook::add<FindUseEntity>(Entity(carol), hook::Post, nothing));
    Input(carol, 0.0f, 0.0f, IN_USE);
    server->RunTicks(5);
    EXPECT_TRUE(Events("bomb_begindefuse").empty());
    EXPECT_TRUE(hook::remove<FindUseEntity>(Entity(carol), hook::Post, nothing));
    server->RunTicks(1);
    EXPECT_EQ(Events("bomb_begindefuse").size(), 1u);
}

TEST_F(SrcdsSimGameServerHooked, APostHookOnTheMapTextDecidesWhatTheNextLevelSpawns) {
    StartGame();
    auto replace = +[](hook::CallFor<&IVEngineServer::GetMapEntitiesString>& call) {
        ++g_calls.mapText;
        call.override("{ \"classname\" \"prop_physics\" \"model\" \"models/hooked.mdl\" }");
    };
    g_calls = HookCalls();
    ASSERT_TRUE(hook::add<&IVEngineServer::GetMapEntitiesString>(Engine(), hook::Post, replace));
    Console("changelevel de_dust2");
    server->RunTicks(1);
    EXPECT_TRUE(hook::remove<&IVEngineServer::GetMapEntitiesString>(Engine(), hook::Post, replace));
    EXPECT_EQ(g_calls.mapText, 1);
    EXPECT_EQ(Game().CountEntitiesByModel("models/hooked.mdl"), 1);
    EXPECT_EQ(Game().CountEntities("prop_dynamic"), 0);

    // Unhooked, the file's text comes back.
    ASSERT_TRUE(
        hook::add<&IVEngineServer::GetMapEntitiesString>(Engine(), hook::Pre, &CountMapText));
    Console("changelevel de_dust2");
    server->RunTicks(1);
    EXPECT_TRUE(
        hook::remove<&IVEngineServer::GetMapEntitiesString>(Engine(), hook::Pre, &CountMapText));
    EXPECT_EQ(g_calls.mapText, 2);
    EXPECT_EQ(Game().CountEntities("prop_dynamic"), 3);
}

}  // namespace
