#include "scenario/PlayerControls.h"

#include <const.h>
#include <in_buttons.h>

#include <cmath>
#include <cstdlib>

#include "engine/Server.h"

namespace sim {

namespace {

struct Named {
    const char* name;
    int value;
};

constexpr Named kButtons[] = {
    {"attack", IN_ATTACK},     {"jump", IN_JUMP},           {"duck", IN_DUCK},
    {"forward", IN_FORWARD},   {"back", IN_BACK},           {"use", IN_USE},
    {"moveleft", IN_MOVELEFT}, {"moveright", IN_MOVERIGHT}, {"attack2", IN_ATTACK2},
    {"reload", IN_RELOAD},     {"speed", IN_SPEED},         {"walk", IN_WALK},
};

constexpr Named kMoveTypes[] = {
    {"walk", MOVETYPE_WALK},     {"fly", MOVETYPE_FLY},           {"noclip", MOVETYPE_NOCLIP},
    {"ladder", MOVETYPE_LADDER}, {"observer", MOVETYPE_OBSERVER}, {"none", MOVETYPE_NONE},
};

constexpr float kMaxDamage = 100000.0f;

// Any float a hostile client may send: NaN and infinities included.
bool ParseAnyFloat(const std::string& text, float& value) {
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return !text.empty() && !*end;
}

bool ParseFinite(const std::string& text, float& value) {
    return ParseAnyFloat(text, value) && std::isfinite(value);
}

// "P,Y,R" or "X,Y,Z".
bool ParseTriple(const std::string& text, float out[3], bool finite) {
    std::string rest = text;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = rest.find(',');
        if ((comma == std::string::npos) != (i == 2))
            return false;
        const std::string part = rest.substr(0, comma);
        if (!(finite ? ParseFinite(part, out[i]) : ParseAnyFloat(part, out[i])))
            return false;
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return true;
}

}  // namespace

bool PlayerControls::ParseButtons(const std::string& text, int& buttons) {
    buttons = 0;
    if (text == "none")
        return true;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('+', start);
        const std::string name = text.substr(start, end - start);
        bool known = false;
        for (const Named& button : kButtons) {
            if (name == button.name) {
                buttons |= button.value;
                known = true;
            }
        }
        if (!known)
            return false;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

int PlayerControls::MoveTypeNamed(const std::string& name) {
    for (const Named& type : kMoveTypes)
        if (name == type.name)
            return type.value;
    return -1;
}

const char* PlayerControls::MoveTypeName(int moveType) {
    for (const Named& type : kMoveTypes)
        if (moveType == type.value)
            return type.name;
    return "other";
}

std::optional<std::string> PlayerControls::Run(Server& server, Client& client,
                                               const std::string& verb, ScenarioArgs& args,
                                               const ClientLookup& findClient) {
    ISimGame& game = *server.Game().Sim();
    const int index = client.EntityIndex();
    if (verb == "usercmds") {
        float rate = 0.0f;
        if (!ParseFinite(args.Next(), rate) || rate < 0.0f || !args.AtEnd())
            return "client NAME usercmds PER_SECOND (0: one per tick)";
        game.SetUsercmdRate(index, rate);
        return "";
    }
    if (verb == "input")
        return Input(game, client, args);
    if (verb == "movetype") {
        const int type = MoveTypeNamed(args.Next());
        if (type < 0 || !args.AtEnd())
            return "client NAME movetype walk|noclip|ladder|fly|observer";
        return game.SetMoveType(index, type) ? "" : client.Name() + " is not a living player";
    }
    if (verb == "teleport")
        return Teleport(game, client, args);
    if (verb == "buy") {
        const std::string item = args.Next();
        if (item.empty() || !args.AtEnd())
            return "client NAME buy ITEM (ak47, m4a1, flashbang, defuser, ...)";
        server.Clients().ExecuteClientLine(client, "buy " + item);
        return "";
    }
    if (verb == "flash")
        return Flash(game, client, args);
    if (verb == "plant") {
        // Refused (freeze time, a counter-terrorist, a bomb already ticking)
        // is for expectations to judge: no bomb_planted event.
        game.PlantBomb(index);
        return args.AtEnd() ? "" : "client NAME plant";
    }
    if (verb == "hurt")
        return Hurt(game, client, args, findClient);
    return std::nullopt;
}

std::string PlayerControls::Input(ISimGame& game, const Client& client, ScenarioArgs& args) {
    const char* usage =
        "client NAME input [angles=P,Y,R] [forward=F] [side=S] [up=U] [buttons=use+jump|none] "
        "| none";
    SimUsercmd& input = m_inputs[&client];
    if (args.Accept("none")) {
        input = SimUsercmd();
    } else if (args.AtEnd()) {
        return usage;
    }
    while (!args.AtEnd()) {
        std::string key;
        std::string value;
        if (!ScenarioLine::KeyValue(args.Next(), key, value))
            return usage;
        bool ok = false;
        if (key == "angles")
            ok = ParseTriple(value, input.viewangles, false);
        else if (key == "forward")
            ok = ParseAnyFloat(value, input.forwardmove);
        else if (key == "side")
            ok = ParseAnyFloat(value, input.sidemove);
        else if (key == "up")
            ok = ParseAnyFloat(value, input.upmove);
        else if (key == "buttons")
            ok = ParseButtons(value, input.buttons);
        if (!ok)
            return "bad input " + key + "=" + value + " (" + usage + ")";
    }
    game.SetUsercmdInput(client.EntityIndex(), input);
    return "";
}

std::string PlayerControls::Teleport(ISimGame& game, const Client& client, ScenarioArgs& args) {
    float origin[3];
    for (float& coordinate : origin)
        if (!ParseFinite(args.Next(), coordinate))
            return "client NAME teleport X Y Z";
    if (!args.AtEnd())
        return "client NAME teleport X Y Z";
    return game.Teleport(client.EntityIndex(), origin) ? "" : client.Name() + " has no player";
}

std::string PlayerControls::Flash(ISimGame& game, const Client& client, ScenarioArgs& args) {
    float duration = 0.0f;
    float alpha = 255.0f;
    if (!ParseFinite(args.Next(), duration) || duration < 0.0f ||
        (!args.AtEnd() && !ParseFinite(args.Next(), alpha)) || !args.AtEnd())
        return "client NAME flash SECONDS [MAX_ALPHA]";
    game.Flash(client.EntityIndex(), duration, alpha);
    return "";
}

std::string PlayerControls::Hurt(ISimGame& game, const Client& client, ScenarioArgs& args,
                                 const ClientLookup& findClient) {
    const char* usage = "client NAME hurt DAMAGE [by OTHER] [weapon NAME]";
    float damage = 0.0f;
    if (!ParseFinite(args.Next(), damage) || damage < 1.0f || damage > kMaxDamage)
        return usage;
    int attacker = 0;
    std::string weapon = "world";
    while (!args.AtEnd()) {
        if (args.Accept("by")) {
            const Client* other = findClient(args.Next());
            if (!other || !other->IsActive())
                return "no connected attacker (" + std::string(usage) + ")";
            attacker = other->EntityIndex();
        } else if (args.Accept("weapon") && !args.AtEnd()) {
            weapon = args.Next();
        } else {
            return usage;
        }
    }
    game.Hurt(client.EntityIndex(), attacker, static_cast<int>(damage), weapon.c_str());
    return "";
}

}  // namespace sim
