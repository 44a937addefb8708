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

using scenario_words::BadLine;

constexpr float kMaxDamage = 100000.0f;
// A longer stall would time the client out on a real server.
constexpr float kMaxLag = 10.0f;

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

const std::vector<PlayerControls::Verb>& PlayerControls::Verbs() {
    static const std::vector<Verb> verbs = {
        {"usercmds", &PlayerControls::Usercmds, "client NAME usercmds RATE",
         "usercmds per second (0: one per tick; more: a speed hack)"},
        {"lag", &PlayerControls::Lag, "client NAME lag SECONDS",
         "its packets stall; then the backlog of usercmds runs in one tick"},
        {"input", &PlayerControls::Input,
         "client NAME input [angles=P,Y,R] [forward=F] [side=S] [up=U] "
         "[buttons=use+jump|none] | none",
         "what the client's later usercmds carry"},
        {"movetype", &PlayerControls::MoveType,
         "client NAME movetype walk|noclip|ladder|fly|observer", "the living player's move type"},
        {"teleport", &PlayerControls::Teleport, "client NAME teleport X Y Z",
         "put the player there, standing still"},
        {"buy", &PlayerControls::Buy, "client NAME buy ITEM",
         "ak47, m4a1, flashbang, defuser, ..."},
        {"flash", &PlayerControls::Flash, "client NAME flash SECONDS [MAX_ALPHA]",
         "a flashbang's effect"},
        {"plant", &PlayerControls::Plant, "client NAME plant",
         "the bomb, where the terrorist stands"},
        {"hurt", &PlayerControls::Hurt, "client NAME hurt DAMAGE [by OTHER] [weapon NAME]",
         "damage (player_hurt; player_death when it kills)"},
    };
    return verbs;
}

std::string PlayerControls::Usercmds(Line& line) {
    float rate = 0.0f;
    if (!ParseFinite(line.args.Next(), rate) || rate < 0.0f)
        return BadLine();
    line.server.Game().Sim()->SetUsercmdRate(line.client.EntityIndex(), rate);
    return "";
}

std::string PlayerControls::Lag(Line& line) {
    float seconds = 0.0f;
    if (!ParseFinite(line.args.Next(), seconds) || seconds <= 0.0f || seconds > kMaxLag)
        return BadLine();
    line.server.Game().Sim()->StallUsercmds(line.client.EntityIndex(), seconds);
    return "";
}

std::string PlayerControls::MoveType(Line& line) {
    const int type = MoveTypeNamed(line.args.Next());
    if (type < 0)
        return BadLine();
    return line.server.Game().Sim()->SetMoveType(line.client.EntityIndex(), type)
               ? ""
               : line.client.Name() + " is not a living player";
}

std::string PlayerControls::Buy(Line& line) {
    const std::string item = line.args.Next();
    if (item.empty())
        return BadLine();
    line.server.Clients().ExecuteClientLine(line.client, "buy " + item);
    return "";
}

std::string PlayerControls::Plant(Line& line) {
    // Refused (freeze time, a counter-terrorist, a bomb already ticking)
    // is for expectations to judge: no bomb_planted event.
    line.server.Game().Sim()->PlantBomb(line.client.EntityIndex());
    return "";
}

std::string PlayerControls::Input(Line& line) {
    ScenarioArgs& args = line.args;
    SimUsercmd& input = m_inputs[&line.client];
    if (args.Accept("none")) {
        input = SimUsercmd();
    } else if (args.AtEnd()) {
        return BadLine();
    }
    while (!args.AtEnd()) {
        std::string key;
        std::string value;
        if (!ScenarioLine::KeyValue(args.Next(), key, value))
            return BadLine();
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
            return BadLine("bad input " + key + "=" + value);
    }
    line.server.Game().Sim()->SetUsercmdInput(line.client.EntityIndex(), input);
    return "";
}

std::string PlayerControls::Teleport(Line& line) {
    float origin[3];
    for (float& coordinate : origin)
        if (!ParseFinite(line.args.Next(), coordinate))
            return BadLine();
    return line.server.Game().Sim()->Teleport(line.client.EntityIndex(), origin)
               ? ""
               : line.client.Name() + " has no player";
}

std::string PlayerControls::Flash(Line& line) {
    float duration = 0.0f;
    float alpha = 255.0f;
    if (!ParseFinite(line.args.Next(), duration) || duration < 0.0f ||
        (!line.args.AtEnd() && !ParseFinite(line.args.Next(), alpha)))
        return BadLine();
    line.server.Game().Sim()->Flash(line.client.EntityIndex(), duration, alpha);
    return "";
}

std::string PlayerControls::Hurt(Line& line) {
    ScenarioArgs& args = line.args;
    float damage = 0.0f;
    if (!ParseFinite(args.Next(), damage) || damage < 1.0f || damage > kMaxDamage)
        return BadLine();
    int attacker = 0;
    std::string weapon = "world";
    while (!args.AtEnd()) {
        if (args.Accept("by")) {
            const Client* other = line.findClient(args.Next());
            if (!other || !other->IsActive())
                return BadLine("no connected attacker");
            attacker = other->EntityIndex();
        } else if (args.Accept("weapon") && !args.AtEnd()) {
            weapon = args.Next();
        } else {
            return BadLine();
        }
    }
    line.server.Game().Sim()->Hurt(line.client.EntityIndex(), attacker, static_cast<int>(damage),
                                   weapon.c_str());
    return "";
}

}  // namespace sim
