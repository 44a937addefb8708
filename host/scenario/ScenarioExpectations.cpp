#include "scenario/ScenarioExpectations.h"

#include <cstdlib>

#include "engine/Server.h"
#include "scenario/ExpectationReader.h"
#include "scenario/GameExpectations.h"
#include "scenario/GameFolder.h"
#include "scenario/ScenarioProcesses.h"

namespace sim {

namespace {

constexpr size_t kShownLines = 6;
constexpr size_t kShownBytes = 400;

std::string LastLines(const TextLog& log) {
    const std::vector<std::string> lines = log.LastLines(kShownLines);
    if (lines.empty())
        return "nothing";
    std::string shown = "(last lines)";
    for (const std::string& line : lines)
        shown += "\n    " + ExpectationReader::Quote(line);
    return shown;
}

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

class Checker : private ExpectationReader {
public:
    Checker(ScenarioArgs& args, const ScenarioWorld& world, std::string& error)
        : ExpectationReader(args, error), m_world(world) {}

    // "expect SUBJECT ...", with the subject word.
    using SubjectHandler = std::optional<ExpectationResult> (Checker::*)(const std::string&);
    using Subject = ScenarioVerb<SubjectHandler>;
    static const std::vector<Subject>& Subjects();
    // "expect NAME FIELD ...", with the client's scenario name and the field word.
    using FieldHandler = std::optional<ExpectationResult> (Checker::*)(const std::string&, Client&,
                                                                       const std::string&);
    using Field = ScenarioVerb<FieldHandler>;
    static const std::vector<Field>& Fields();

    std::optional<ExpectationResult> Run() {
        const std::string subject = m_args.Next();
        if (subject.empty())
            return Fail("expect what?");
        if (!m_world.server && subject != "file" && subject != "process")
            return Fail("the server has not been started");
        if (const Subject* own = scenario_words::Find(Subjects(), subject))
            return Explained((this->*own->handler)(subject), own->usage);
        if (const auto* game = scenario_words::Find(GameExpectations::Subjects(), subject))
            return Explained(GameExpectations(m_args, m_world, m_error).Run(*game), game->usage);
        if (Client* client = m_world.client(subject))
            return ClientState(subject, *client);
        return Fail("unknown expectation or client \"" + subject + "\"");
    }

private:
    std::optional<ExpectationResult> Log(const TextLog& log, const std::string& whose) {
        const bool line = m_args.Accept("line");
        if (!line)
            m_args.Accept("contains");
        std::string text;
        if (!Take(text, "the text"))
            return std::nullopt;
        const bool met = line ? log.HasLine(text) : log.Contains(text);
        return Done(met, whose + (line ? " {to} have the line " : " {to} contain ") + Quote(text),
                    LastLines(log));
    }

    std::optional<ExpectationResult> ServerConsole(const std::string&) {
        return Log(m_world.server->Console(), "the console");
    }

    std::optional<ExpectationResult> Cvar(const std::string&) {
        std::string name;
        std::string value;
        if (!Take(name, "the variable") || !Take(value, "the value"))
            return std::nullopt;
        const ConVar* var = m_world.server->FindVar(name.c_str());
        return Done(var && value == var->GetString(), name + " {to} be " + Quote(value),
                    var ? Quote(var->GetString()) : "no such variable");
    }

    std::optional<ExpectationResult> File(const std::string&) {
        std::string path;
        if (!Take(path, "the file"))
            return std::nullopt;
        if (!m_world.folder)
            return Fail("there is no game folder yet");
        std::string contents;
        const bool exists = m_world.folder->ReadFile(path, contents);
#ifdef _WIN32
        // Text files end their lines with CR LF on Windows (the C library's
        // text mode, which the server's file system opens them in): a
        // scenario's "\n" is either line end.
        for (size_t at = contents.find("\r\n"); at != std::string::npos;
             at = contents.find("\r\n", at + 1))
            contents.erase(at, 1);
#endif
        const std::string seen = exists ? Quote(contents.substr(0, kShownBytes)) +
                                              (contents.size() > kShownBytes ? "..." : "")
                                        : "no such file";
        if (m_args.Accept("exists"))
            return Done(exists, path + " {to} exist", seen);
        const bool equals = m_args.Accept("equals");
        if (!equals)
            m_args.Accept("contains");
        std::string text;
        if (!Take(text, "the text"))
            return std::nullopt;
        const bool met =
            exists && (equals ? contents == text : contents.find(text) != std::string::npos);
        return Done(met, path + (equals ? " {to} equal " : " {to} contain ") + Quote(text), seen);
    }

    std::optional<ExpectationResult> Banned(const std::string&) {
        const bool byIp = m_args.Accept("ip");
        if (!byIp)
            m_args.Accept("id");
        std::string key;
        if (!Take(key, "the ID or address"))
            return std::nullopt;
        BanList& bans = m_world.server->Bans();
        const bool met = byIp ? bans.IsIpBanned(key) : bans.IsIdBanned(key);
        std::string seen;
        for (const BanList::Ban& ban : byIp ? bans.Ips() : bans.Ids())
            seen += (seen.empty() ? "" : ", ") + ban.key;
        return Done(met, (byIp ? "address " : "ID ") + key + " {to} be banned",
                    seen.empty() ? "no bans" : "bans of " + seen);
    }

    std::optional<ExpectationResult> Event(const std::string&) {
        std::string name;
        if (!Take(name, "the event name"))
            return std::nullopt;
        std::vector<std::pair<std::string, std::string>> wanted;
        while (!m_args.AtEnd()) {
            std::string key;
            std::string value;
            if (!ScenarioLine::KeyValue(m_args.Next(), key, value))
                return Fail("an event value is key=value");
            wanted.emplace_back(key, value);
        }
        std::string seen = "no " + name + " event";
        bool met = false;
        for (const GameEventManager::Fired& fired : m_world.server->Events().History()) {
            if (fired.name != name)
                continue;
            bool all = true;
            seen = name + " with";
            for (const auto& [key, value] : fired.values)
                seen += " " + key + "=" + Quote(value);
            for (const auto& [key, value] : wanted) {
                auto found = fired.values.find(key);
                all = all && found != fired.values.end() && found->second == value;
            }
            met = met || all;
        }
        std::string expected = "an event " + name;
        for (const auto& [key, value] : wanted)
            expected += " " + key + "=" + Quote(value);
        return Done(met, expected + " {to} have been fired", seen);
    }

    std::optional<ExpectationResult> Count(const std::string& what) {
        int wanted = 0;
        if (!ParseInt(m_args.Next(), wanted))
            return Fail(scenario_words::BadLine());
        const int actual = what == "plugins"
                               ? m_world.server->Plugins().Count()
                               : static_cast<int>(m_world.server->Clients().Connected().size());
        return Done(actual == wanted, std::to_string(wanted) + " " + what + " {to} be there",
                    std::to_string(actual));
    }

    std::optional<ExpectationResult> Process(const std::string&) {
        std::string name;
        if (!Take(name, "the process") || !m_args.Accept("running"))
            return Fail("expect process NAME running");
        const std::string state = m_world.processes ? m_world.processes->State(name) : "";
        return Done(state == "running", "process " + name + " {to} be running",
                    state.empty() ? "no process of that name" : state);
    }

    std::optional<ExpectationResult> Map(const std::string&) {
        std::string map;
        if (!Take(map, "the map"))
            return std::nullopt;
        const std::string& current = m_world.server->MapName();
        return Done(m_world.server->IsLevelRunning() && current == map, "map {to} be " + map,
                    m_world.server->IsLevelRunning() ? current : "no level running");
    }

    std::optional<ExpectationResult> ClientState(const std::string& name, Client& client) {
        const std::string what = m_args.Next();
        if (const Field* own = scenario_words::Find(Fields(), what))
            return Explained((this->*own->handler)(name, client, what), own->usage);
        if (const auto* game = scenario_words::Find(GameExpectations::PlayerFields(), what))
            return Explained(GameExpectations(m_args, m_world, m_error).Run(name, client, *game),
                             game->usage);
        return Fail("unknown expectation \"" + what + "\" for a client");
    }

    std::optional<ExpectationResult> ClientConsole(const std::string& name, Client& client,
                                                   const std::string&) {
        return Log(client.GetInbox().Console(), name + "'s console");
    }

    std::optional<ExpectationResult> InboxText(const std::string& name, Client& client,
                                               const std::string& what) {
        return InboxEntry(name, client, *Inbox::KindFromName(what));
    }

    std::optional<ExpectationResult> Connected(const std::string& name, Client& client,
                                               const std::string&) {
        return Done(client.IsConnected(), name + " {to} be connected", Where(client));
    }

    std::optional<ExpectationResult> InGame(const std::string& name, Client& client,
                                            const std::string&) {
        return Done(client.IsActive(), name + " {to} be in the game", Where(client));
    }

    std::optional<ExpectationResult> NetworkId(const std::string& name, Client& client,
                                               const std::string&) {
        std::string id;
        if (!Take(id, "the network ID"))
            return std::nullopt;
        return Done(id == client.NetworkId(), name + "'s network ID {to} be " + Quote(id),
                    Quote(client.NetworkId()));
    }

    // A usage error shows the whole expectation's form.
    std::optional<ExpectationResult> Explained(std::optional<ExpectationResult> result,
                                               const char* usage) {
        if (!result)
            m_error = scenario_words::Explain(m_error, std::string("expect ") + usage);
        return result;
    }

    static std::string Where(const Client& client) {
        switch (client.State()) {
            case sim::ClientState::Connecting:
                return "signing on";
            case sim::ClientState::Active:
                return "connected";
            case sim::ClientState::Rejected:
                return "rejected with " + Quote(client.DisconnectReason());
            case sim::ClientState::Disconnected:
                return std::string(client.WasRemovedByServer() ? "removed by the server" : "gone") +
                       " with " + Quote(client.DisconnectReason());
        }
        return "";
    }

    std::optional<ExpectationResult> Gone(const std::string& name, Client& client,
                                          const std::string& how) {
        std::string reason;
        if (!m_args.AtEnd())
            reason = m_args.Next();
        bool state = false;
        if (how == "kicked")
            state = client.State() == sim::ClientState::Disconnected && client.WasRemovedByServer();
        else if (how == "rejected")
            state = client.State() == sim::ClientState::Rejected;
        else
            state = client.State() == sim::ClientState::Disconnected;
        const bool met = state && client.DisconnectReason().find(reason) != std::string::npos;
        return Done(met,
                    name + " {to} be " + how + (reason.empty() ? "" : " with " + Quote(reason)),
                    Where(client));
    }

    std::optional<ExpectationResult> InboxEntry(const std::string& name, const Client& client,
                                                InboxKind kind) {
        const bool exactly = m_args.Accept("exactly");
        if (!exactly)
            m_args.Accept("contains");
        std::string text;
        if (!Take(text, "the text"))
            return std::nullopt;
        int keys = -1;
        int time = -2;
        while (!m_args.AtEnd()) {
            std::string key;
            std::string value;
            int number = 0;
            if (!ScenarioLine::KeyValue(m_args.Next(), key, value) || !ParseInt(value, number) ||
                (key != "keys" && key != "time"))
                return Fail("menu options are keys=N and time=N");
            (key == "keys" ? keys : time) = number;
        }
        const auto entries = client.GetInbox().OfKind(kind);
        bool met = false;
        std::string seen;
        for (const sim::InboxEntry* entry : entries) {
            const bool textMatches =
                exactly ? entry->text == text : entry->text.find(text) != std::string::npos;
            met = met || (textMatches && (keys < 0 || entry->keys == keys) &&
                          (time == -2 || entry->displayTime == time));
        }
        const size_t first = entries.size() > kShownLines ? entries.size() - kShownLines : 0;
        for (size_t i = first; i < entries.size(); ++i) {
            seen += "\n    " + Quote(entries[i]->text);
            if (kind == InboxKind::Menu)
                seen += " keys=" + std::to_string(entries[i]->keys) +
                        " time=" + std::to_string(entries[i]->displayTime);
        }
        std::string expected = name + "'s " + Inbox::KindName(kind) + " {to} " +
                               (exactly ? "have exactly " : "contain ") + Quote(text);
        if (keys >= 0)
            expected += " keys=" + std::to_string(keys);
        if (time != -2)
            expected += " time=" + std::to_string(time);
        return Done(
            met, expected,
            seen.empty() ? std::string("no ") + Inbox::KindName(kind) : "(last entries)" + seen);
    }

    const ScenarioWorld& m_world;
};

const std::vector<Checker::Subject>& Checker::Subjects() {
    static const std::vector<Subject> subjects = {
        {"console", &Checker::ServerConsole, "console [contains|line] \"text\"",
         "the server console contains the text, or has the line"},
        {"cvar", &Checker::Cvar, "cvar NAME \"value\"", "the variable's text is exactly that"},
        {"file", &Checker::File, "file PATH exists | contains \"text\" | equals \"text\"",
         "a file of the game folder"},
        {"banned", &Checker::Banned, "banned [id|ip] KEY", "on the ban list"},
        {"event", &Checker::Event, "event NAME [key=value ...]",
         "a game event was fired, one of them with those values"},
        {"players|plugins", &Checker::Count, "players N | plugins N",
         "connected clients (bots and SourceTV included), loaded plug-ins"},
        {"map", &Checker::Map, "map NAME", "the running level"},
        {"process", &Checker::Process, "process NAME running",
         "a helper program of process start has not ended"},
    };
    return subjects;
}

const std::vector<Checker::Field>& Checker::Fields() {
    static const std::vector<Field> fields = {
        {"console", &Checker::ClientConsole, "NAME console \"text\"",
         "the client's console contains it"},
        {"chat|hint|center|notify|menu", &Checker::InboxText,
         "NAME chat|hint|center|notify|menu [exactly] \"text\" [keys=N] [time=N]",
         "some entry of the client's inbox contains the text"},
        {"kicked|rejected|disconnected", &Checker::Gone,
         "NAME kicked|rejected|disconnected [\"reason\"]",
         "removed by the server, refused at connect, gone for any reason"},
        {"connected", &Checker::Connected, "NAME connected",
         "the client is connected (signing on or in the game)"},
        {"ingame", &Checker::InGame, "NAME ingame", "the client is put in the server, in the game"},
        {"networkid", &Checker::NetworkId, "NAME networkid \"ID\"",
         "the engine reports that network ID"},
    };
    return fields;
}

}  // namespace

std::optional<ExpectationResult> ScenarioExpectations::Check(ScenarioArgs& args,
                                                             const ScenarioWorld& world,
                                                             std::string& error) {
    return Checker(args, world, error).Run();
}

void ScenarioExpectations::AppendHelp(std::string& help) {
    auto add = [&help](const auto& table) {
        for (const auto& entry : table)
            scenario_words::AppendHelpLine(help, "expect [not] " + std::string(entry.usage),
                                           entry.about);
    };
    add(Checker::Subjects());
    add(GameExpectations::Subjects());
    add(Checker::Fields());
    add(GameExpectations::PlayerFields());
}

}  // namespace sim
