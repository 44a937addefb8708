#include "scenario/GameExpectations.h"

#include <IEngineTrace.h>
#include <const.h>
#include <ihandleentity.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/Server.h"
#include "scenario/PlayerControls.h"
#include "scenario/ScenarioUdp.h"

namespace sim {

namespace {

using scenario_words::BadLine;

constexpr size_t kShownEntities = 8;

bool IsOneOf(const std::string& word, const auto& list) {
    for (const char* entry : list)
        if (word == entry)
            return true;
    return false;
}

std::string FormatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool ParseDouble(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && !*end && std::isfinite(value);
}

bool ParsePoint(const std::string& text, float point[3]) {
    const char* cursor = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        point[i] = std::strtof(cursor, &end);
        if (end == cursor || !std::isfinite(point[i]) || *end != (i < 2 ? ',' : '\0'))
            return false;
        cursor = end + (i < 2 ? 1 : 0);
    }
    return true;
}

// A trace that does not stop at the players it starts and ends at.
class SkipEnds final : public CTraceFilter {
public:
    SkipEnds(int first, int second) : m_first(first), m_second(second) {}
    bool ShouldHitEntity(IHandleEntity* entity, int) override {
        const int index = entity ? entity->GetRefEHandle().GetEntryIndex() : -1;
        return index != m_first && index != m_second;
    }

private:
    int m_first;
    int m_second;
};

bool MaskNamed(const std::string& name, unsigned int& mask) {
    if (name == "opaque")
        mask = MASK_OPAQUE;
    else if (name == "solid")
        mask = MASK_SOLID;
    else if (name == "shot")
        mask = MASK_SHOT;
    else
        return false;
    return true;
}

}  // namespace

bool GameExpectations::Comparison::Holds(double actual) const {
    if (op == "<")
        return actual < value;
    if (op == "<=")
        return actual <= value;
    if (op == ">")
        return actual > value;
    if (op == ">=")
        return actual >= value;
    if (op == "!=")
        return actual != value;
    return std::fabs(actual - value) <= 1e-4 * std::max(1.0, std::fabs(value));
}

std::string GameExpectations::Comparison::Text() const {
    return (op == "=" ? "" : op + " ") + FormatNumber(value);
}

bool GameExpectations::ReadComparison(Comparison& comparison) {
    static const char* const kOperators[] = {"=", "==", "<", "<=", ">", ">=", "!="};
    if (IsOneOf(m_args.Peek(), kOperators)) {
        const std::string op = m_args.Next();
        comparison.op = op == "==" ? "=" : op;
    }
    std::string word;
    if (!Take(word, "the number"))
        return false;
    if (!ParseDouble(word, comparison.value)) {
        m_error = "expected a number, not \"" + word + "\"";
        return false;
    }
    return true;
}

std::optional<ExpectationResult> GameExpectations::Compare(const std::string& what, double actual) {
    Comparison comparison;
    if (!ReadComparison(comparison))
        return std::nullopt;
    return Judge(comparison, what, actual);
}

std::optional<ExpectationResult> GameExpectations::Judge(const Comparison& comparison,
                                                         const std::string& what, double actual) {
    return Done(comparison.Holds(actual), what + " {to} be " + comparison.Text(),
                FormatNumber(actual));
}

const std::vector<GameExpectations::Subject>& GameExpectations::Subjects() {
    static const std::vector<Subject> subjects = {
        {"entities", &GameExpectations::Entities, "entities model|class NAME [OP] N",
         "the game's entities of that model or class"},
        {"trace", &GameExpectations::Trace,
         "trace FROM to TO blocked|clear [mask=opaque|solid|shot]",
         "a ray through the engine's IEngineTrace; an end is a client or x,y,z"},
        {"udp", &GameExpectations::Udp, "udp empty|game|total|type C [OP] N | udp reply \"text\"",
         "datagrams that reached the engine; answers to the scenario's socket"},
        {"score", &GameExpectations::Score, "score terrorist|ct [OP] N",
         "rounds the team won since the last restart (its team entity's m_iScore)"},
    };
    return subjects;
}

const std::vector<GameExpectations::PlayerField>& GameExpectations::PlayerFields() {
    using S = const SimPlayerState&;
    static const std::vector<PlayerField> fields = {
        {"usercmds", &GameExpectations::Number, [](S s) { return double(s.usercmds); },
         "NAME usercmds [OP] N", "usercmds run since its player entity was made"},
        {"money", &GameExpectations::Number, [](S s) { return double(s.money); },
         "NAME money [OP] N", "its money"},
        {"health", &GameExpectations::Number, [](S s) { return double(s.health); },
         "NAME health [OP] N", "its health"},
        {"speed", &GameExpectations::Number,
         [](S s) {
             return std::sqrt(double(s.velocity[0]) * s.velocity[0] +
                              double(s.velocity[1]) * s.velocity[1] +
                              double(s.velocity[2]) * s.velocity[2]);
         },
         "NAME speed [OP] N", "the length of its velocity"},
        {"x", &GameExpectations::Number, [](S s) { return double(s.origin[0]); }, "NAME x [OP] N",
         "its position"},
        {"y", &GameExpectations::Number, [](S s) { return double(s.origin[1]); }, "NAME y [OP] N",
         ""},
        {"z", &GameExpectations::Number, [](S s) { return double(s.origin[2]); }, "NAME z [OP] N",
         ""},
        {"flash", &GameExpectations::Number, [](S s) { return double(s.flashDuration); },
         "NAME flash [OP] N", "the duration of its flash"},
        {"maxspeed", &GameExpectations::Number, [](S s) { return double(s.maxSpeed); },
         "NAME maxspeed [OP] N", "1 in freeze time, 250 after"},
        {"team", &GameExpectations::Number, [](S s) { return double(s.team); }, "NAME team [OP] N",
         "its team index"},
        {"alive", &GameExpectations::State, [](S s) { return double(s.alive); }, "NAME alive",
         "the player lives"},
        {"defusing", &GameExpectations::State, [](S s) { return double(s.defusing); },
         "NAME defusing", "it is defusing the bomb"},
        {"onground", &GameExpectations::State,
         [](S s) { return double((s.flags & FL_ONGROUND) != 0); }, "NAME onground",
         "it stands on the ground"},
        {"ducking", &GameExpectations::State,
         [](S s) { return double((s.flags & FL_DUCKING) != 0); }, "NAME ducking", "it ducks"},
        {"kit", &GameExpectations::State, [](S s) { return double(s.hasDefuser); }, "NAME kit",
         "it carries a defuse kit"},
        {"movetype", &GameExpectations::MoveType, [](S s) { return double(s.moveType); },
         "NAME movetype walk|noclip|ladder|fly|observer|none", "its move type"},
        {"sent", &GameExpectations::Sent, nullptr, "NAME sent CLIENT|#INDEX|CLASS",
         "the client's last snapshot held it"},
        {"hears", &GameExpectations::Hears, nullptr, "NAME hears OTHER",
         "the engine's voice table lets NAME hear OTHER"},
        {"obsmode", &GameExpectations::ObserverMode, [](S s) { return double(s.observerMode); },
         "NAME obsmode none|fixed|ineye|chase|roaming", "its observer mode (none while playing)"},
        {"observing", &GameExpectations::Observing, nullptr, "NAME observing OTHER|nobody",
         "the player its observer mode watches"},
    };
    return fields;
}

bool GameExpectations::PlayerState(const Client& client, SimPlayerState& state) {
    return client.IsActive() &&
           m_world.server->Game().Sim()->GetPlayerState(client.EntityIndex(), &state);
}

// Called once the line's words are read, so that a malformed line stays an error.
std::optional<ExpectationResult> GameExpectations::NoPlayer(const PlayerLine& line) {
    return Done(false, line.name + " {to} have a player in the game", "none");
}

std::optional<ExpectationResult> GameExpectations::Number(const PlayerLine& line) {
    Comparison comparison;
    if (!ReadComparison(comparison))
        return std::nullopt;
    SimPlayerState state;
    if (!PlayerState(line.client, state))
        return NoPlayer(line);
    return Judge(comparison, line.name + "'s " + line.field.words, line.field.read(state));
}

std::optional<ExpectationResult> GameExpectations::State(const PlayerLine& line) {
    SimPlayerState state;
    if (!PlayerState(line.client, state))
        return NoPlayer(line);
    const bool holds = line.field.read(state) != 0.0;
    return Done(holds, line.name + " {to} be " + line.field.words, holds ? "yes" : "no");
}

std::optional<ExpectationResult> GameExpectations::MoveType(const PlayerLine& line) {
    std::string type;
    if (!Take(type, "the move type"))
        return std::nullopt;
    SimPlayerState state;
    if (!PlayerState(line.client, state))
        return NoPlayer(line);
    const char* actual = PlayerControls::MoveTypeName(static_cast<int>(line.field.read(state)));
    return Done(type == actual, line.name + "'s movetype {to} be " + type, actual);
}

std::optional<ExpectationResult> GameExpectations::Sent(const PlayerLine& line) {
    const std::string& name = line.name;
    const Client& client = line.client;
    std::string target;
    if (!Take(target, "what was sent (a client, #INDEX or a class name)"))
        return std::nullopt;
    Server& server = *m_world.server;
    // A client's player or #INDEX names one entity; anything else is a class.
    const Client* other = m_world.client(target);
    const bool byClass = !other && !(target.size() > 1 && target[0] == '#');
    int wanted = -1;  // a client that left has no entity to be sent
    if (other && other->IsActive())
        wanted = other->EntityIndex();
    else if (!other && !byClass)
        wanted = std::atoi(target.c_str() + 1);
    const TransmitBitVec* sent =
        server.Snapshots() ? server.Snapshots()->LastSent(client.EntityIndex()) : nullptr;
    bool met = false;
    std::string seen;
    int count = 0;
    for (int index = 0; sent && index < MAX_EDICTS; ++index) {
        if (!sent->IsBitSet(index))
            continue;
        const edict_t* edict = server.Edicts().Get(index);
        const char* classname = edict ? edict->GetClassName() : nullptr;
        met = met || (byClass ? classname && std::strcmp(classname, target.c_str()) == 0
                              : index == wanted);
        if (++count <= static_cast<int>(kShownEntities))
            seen += " #" + std::to_string(index) + " " + (classname ? classname : "?");
    }
    if (count > static_cast<int>(kShownEntities))
        seen += " ...";
    return Done(met, name + "'s last snapshot {to} hold " + target,
                sent ? std::to_string(count) + " entities:" + seen : "no snapshot");
}

std::optional<ExpectationResult> GameExpectations::Hears(const PlayerLine& line) {
    const std::string& name = line.name;
    const Client& client = line.client;
    std::string senderName;
    if (!Take(senderName, "the speaking client"))
        return std::nullopt;
    const Client* sender = m_world.client(senderName);
    if (!sender)
        return Fail("no client " + senderName);
    const bool hears =
        client.IsActive() && sender->IsActive() &&
        m_world.server->Voice().GetClientListening(client.EntityIndex(), sender->EntityIndex());
    return Done(hears, name + " {to} hear " + senderName, hears ? "hears" : "does not hear");
}

namespace {

const char* const kObserverModes[] = {"none",  "deathcam", "freezecam", "fixed",
                                      "ineye", "chase",    "roaming"};

}  // namespace

std::optional<ExpectationResult> GameExpectations::ObserverMode(const PlayerLine& line) {
    std::string mode;
    if (!Take(mode, "the observer mode"))
        return std::nullopt;
    if (!IsOneOf(mode, kObserverModes))
        return Fail("an observer mode is none, fixed, ineye, chase or roaming, not \"" + mode +
                    "\"");
    SimPlayerState state;
    if (!PlayerState(line.client, state))
        return NoPlayer(line);
    const int actual = static_cast<int>(line.field.read(state));
    const std::string seen = actual >= 0 && actual < static_cast<int>(std::size(kObserverModes))
                                 ? kObserverModes[actual]
                                 : std::to_string(actual);
    return Done(seen == mode, line.name + "'s obsmode {to} be " + mode, seen);
}

std::optional<ExpectationResult> GameExpectations::Observing(const PlayerLine& line) {
    std::string targetName;
    if (!Take(targetName, "the watched client (or nobody)"))
        return std::nullopt;
    const Client* target = targetName == "nobody" ? nullptr : m_world.client(targetName);
    if (targetName != "nobody" && !target)
        return Fail("no client " + targetName);
    SimPlayerState state;
    if (!PlayerState(line.client, state))
        return NoPlayer(line);
    const int wanted = target && target->IsActive() ? target->EntityIndex() : 0;
    std::string seen = "nobody";
    if (state.observerTarget > 0) {
        const Client* watched = m_world.server->Clients().At(state.observerTarget);
        seen = watched ? watched->Name() : FormatNumber(state.observerTarget);
    }
    return Done((target ? wanted > 0 : true) && state.observerTarget == wanted,
                line.name + " {to} be observing " + targetName, seen);
}

std::optional<ExpectationResult> GameExpectations::Score() {
    int team = 0;
    if (m_args.Accept("terrorist") || m_args.Accept("t"))
        team = 2;
    else if (m_args.Accept("ct"))
        team = 3;
    else
        return Fail(BadLine());
    return Compare(
        std::string(team == 2 ? "the terrorists'" : "the counter-terrorists'") + " score",
        m_world.server->Game().Sim()->GetTeamScore(team));
}

std::optional<ExpectationResult> GameExpectations::Entities() {
    const bool byModel = m_args.Accept("model");
    if (!byModel && !m_args.Accept("class"))
        return Fail(BadLine());
    std::string name;
    if (!Take(name, "the model or class"))
        return std::nullopt;
    ISimGame& game = *m_world.server->Game().Sim();
    const int count =
        byModel ? game.CountEntitiesByModel(name.c_str()) : game.CountEntities(name.c_str());
    return Compare(std::string("entities of ") + (byModel ? "model " : "class ") + Quote(name),
                   count);
}

bool GameExpectations::ReadPoint(float point[3], int& entityIndex) {
    std::string word;
    if (!Take(word, "a trace end (a client or x,y,z)"))
        return false;
    entityIndex = -1;
    if (const Client* client = m_world.client(word)) {
        SimPlayerState state;
        if (!PlayerState(*client, state)) {
            m_error = word + " has no player to trace from";
            return false;
        }
        std::copy(state.eyes, state.eyes + 3, point);
        entityIndex = client->EntityIndex();
        return true;
    }
    if (!ParsePoint(word, point)) {
        m_error = "a trace end is a client or x,y,z, not \"" + word + "\"";
        return false;
    }
    return true;
}

std::optional<ExpectationResult> GameExpectations::Trace() {
    float from[3];
    float to[3];
    int fromEntity = -1;
    int toEntity = -1;
    if (!ReadPoint(from, fromEntity))
        return std::nullopt;
    if (!m_args.Accept("to"))
        return Fail(BadLine());
    if (!ReadPoint(to, toEntity))
        return std::nullopt;
    const bool wantBlocked = m_args.Accept("blocked");
    if (!wantBlocked && !m_args.Accept("clear"))
        return Fail(BadLine());
    unsigned int mask = MASK_OPAQUE;
    std::string key;
    std::string value;
    if (!m_args.AtEnd() && (!ScenarioLine::KeyValue(m_args.Next(), key, value) || key != "mask" ||
                            !MaskNamed(value, mask)))
        return Fail(BadLine("the trace mask is mask=opaque|solid|shot"));
    IEngineTrace* engineTrace = m_world.server->Trace();
    if (!engineTrace)
        return Fail("the server has no traces");
    Ray_t ray;
    ray.Init(Vector(from[0], from[1], from[2]), Vector(to[0], to[1], to[2]));
    SkipEnds filter(fromEntity, toEntity);
    trace_t trace;
    engineTrace->TraceRay(ray, mask, &filter, &trace);
    const bool blocked = trace.fraction < 1.0f;
    const std::string where = FormatNumber(trace.endpos.x) + "," + FormatNumber(trace.endpos.y) +
                              "," + FormatNumber(trace.endpos.z);
    return Done(blocked == wantBlocked,
                std::string("the trace {to} be ") + (wantBlocked ? "blocked" : "clear"),
                blocked ? "blocked at " + where + " (fraction " + FormatNumber(trace.fraction) + ")"
                        : "clear");
}

std::optional<ExpectationResult> GameExpectations::Udp() {
    if (m_args.Accept("reply")) {
        std::string text;
        if (!Take(text, "the text"))
            return std::nullopt;
        const std::vector<std::string> none;
        const auto& replies = m_world.udp ? m_world.udp->Replies() : none;
        bool met = false;
        for (const std::string& reply : replies)
            met = met || reply.find(text) != std::string::npos;
        return Done(met, "a reply {to} contain " + Quote(text),
                    replies.empty() ? "no reply" : Quote(replies.back()));
    }
    const NetSocket& net = m_world.server->Net();
    const std::string kind = m_args.Next();
    if (kind == "empty")
        return Compare("empty datagrams", net.Count(PacketKind::Empty));
    if (kind == "game")
        return Compare("game datagrams", net.Count(PacketKind::Game));
    if (kind == "total")
        return Compare("datagrams", net.Count(PacketKind::Empty) + net.Count(PacketKind::Game) +
                                        net.Count(PacketKind::Connectionless));
    std::string type;
    if (kind != "type" || !Take(type, "the packet type") || type.size() != 1)
        return Fail(BadLine());
    return Compare("connectionless '" + ScenarioLine::Display(type) + "' packets",
                   net.CountOfType(static_cast<unsigned char>(type[0])));
}

}  // namespace sim
