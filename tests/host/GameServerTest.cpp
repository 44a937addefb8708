#include "GameServerTest.h"

sim::Client& GameServerTest::Player(const std::string& name, int team) {
    sim::Client& client = Connect(name);
    server->Clients().ExecuteClientLine(client, "jointeam " + std::to_string(team));
    return client;
}

SimPlayerState GameServerTest::State(const sim::Client& client) {
    SimPlayerState state;
    EXPECT_TRUE(Game().GetPlayerState(client.EntityIndex(), &state)) << client.Name();
    return state;
}

Vector GameServerTest::Origin(const sim::Client& client) {
    const SimPlayerState state = State(client);
    return Vector(state.origin[0], state.origin[1], state.origin[2]);
}

void GameServerTest::Input(const sim::Client& client, float yaw, float forward, int buttons) {
    SimUsercmd input;
    input.viewangles[1] = yaw;
    input.forwardmove = forward;
    input.buttons = buttons;
    Game().SetUsercmdInput(client.EntityIndex(), input);
}

IEngineTrace* GameServerTest::FactoryTrace() {
    return static_cast<IEngineTrace*>(
        sim::Server::EngineFactory(INTERFACEVERSION_ENGINETRACE_SERVER, nullptr));
}

trace_t GameServerTest::Trace(const Vector& from, const Vector& to, unsigned int mask) {
    Ray_t ray;
    ray.Init(from, to);
    CTraceFilter* everything = nullptr;
    trace_t trace;
    FactoryTrace()->TraceRay(ray, mask, everything, &trace);
    return trace;
}
