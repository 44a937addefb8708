#include "scenario/ScenarioRunner.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "engine/Platform.h"
#include "engine/Server.h"
#include "engine/WallClock.h"
#include "engine/WholeFile.h"
#include "scenario/PluginCommandList.h"

namespace sim {

namespace {

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && !*end && std::isfinite(value);
}

// "2026-12-07 22:31" or "2026-12-07 22:31:05", read as UTC.
bool ParseDateTime(const std::string& text, double& epoch) {
    struct tm when {};
    int seconds = 0;
    const int fields = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &when.tm_year, &when.tm_mon,
                                   &when.tm_mday, &when.tm_hour, &when.tm_min, &seconds);
    if (fields < 5)
        return false;
    when.tm_year -= 1900;
    when.tm_mon -= 1;
    when.tm_sec = seconds;
    epoch = UtcEpoch(when);
    return true;
}

std::optional<QueryScript> ScriptNamed(const std::string& word) {
    if (word == "intact")
        return QueryScript::Intact;
    if (word == "notfound")
        return QueryScript::NotFound;
    if (word == "notacvar")
        return QueryScript::NotACvar;
    if (word == "protected")
        return QueryScript::Protected;
    if (word == "silent")
        return QueryScript::Silent;
    return std::nullopt;
}

}  // namespace

using scenario_words::BadLine;

const std::vector<ScenarioRunner::ActionEntry>& ScenarioRunner::Actions() {
    static const std::vector<ActionEntry> actions = {
        {"addon", &ScenarioRunner::Addon, "addon MODULE [as NAME]",
         "install MODULE.so as addons/NAME.so + NAME.vdf"},
        {"file", &ScenarioRunner::FileAction, "file write PATH \"text\" | file delete PATH",
         "a file in the game folder (cfg/server.cfg, ...)"},
        {"clock", &ScenarioRunner::ClockAction, "clock set \"YYYY-MM-DD HH:MM[:SS]\" | clock real",
         "fake the wall clock (UTC); it moves with frames"},
        {"game", &ScenarioRunner::GameAction, "game description \"text\"",
         "what the game library calls itself"},
        {"server", &ScenarioRunner::ServerAction, "server start [ARGUMENTS] | server stop",
         "e.g. server start -insecure +maxplayers 16 +map de_dust2; stop: quit"},
        {"console", &ScenarioRunner::ConsoleAction, "console \"line\"",
         "a server console line, run at once"},
        {"advance", &ScenarioRunner::Advance,
         "advance [real] N ticks | N frames | N s | N ms [until EXPECTATION]",
         "run frames (no sleeping); real: at the wall clock's pace, at most 60 s, and "
         "with until (real only) no longer than the expectation takes to hold"},
        {"client", &ScenarioRunner::ClientAction, "client NAME VERB ...",
         "a client's line (the verbs follow)"},
        {"bot", &ScenarioRunner::Bot, "bot NAME", "a bot joins"},
        {"udp", &ScenarioRunner::Udp, "udp send empty|\"bytes\" [challenge] [xN]",
         "datagrams to the server's port (1 to 200 times); challenge adds the last one given"},
        {"clear", &ScenarioRunner::Clear, "clear console | clear NAME",
         "forget what was seen so far"},
        {"note", &ScenarioRunner::Note, "note \"text\"", "print a note"},
        {"process", &ScenarioRunner::ProcessAction,
         "process start NAME PROGRAM [ARGS...] | process stop NAME",
         "a helper program for the scenario's lifetime; its first output line names "
         "127.0.0.1:PORT, ${NAME.port} in later lines"},
        {"commands", &ScenarioRunner::Commands, "commands print",
         "the plug-ins' variables and commands, one tab-separated line each, to standard "
         "output (even with --quiet)"},
    };
    return actions;
}

const std::vector<ScenarioRunner::ClientVerb>& ScenarioRunner::ClientVerbs() {
    using enum ClientNeeds;
    static const std::vector<ClientVerb> verbs = {
        {"connect", Nothing, &ScenarioRunner::ConnectClient,
         "client NAME connect [name=TEXT] [steamid=ID] [address=IP:PORT] [signon=SECONDS] "
         "[validate=SECONDS|never] [latency=SECONDS] [password=TEXT] [voice=on|off] "
         "[cvar KEY=VALUE ...]",
         "a human client joins"},
        {"command", Joined, &ScenarioRunner::ClientCommand, "client NAME command \"line\"",
         "the client's console; ';' splits commands"},
        {"say|say_team", Joined, &ScenarioRunner::ClientSay, "client NAME say|say_team \"text\"",
         "chat, to all or to the team"},
        {"set|setinfo", Joined, &ScenarioRunner::ClientSet, "client NAME set|setinfo KEY VALUE",
         "change a client setting (setinfo adds user information)"},
        {"team", Joined, &ScenarioRunner::ClientTeam, "client NAME team N", "jointeam N"},
        {"answer", Known, &ScenarioRunner::AnswerScript,
         "client NAME answer CVAR intact [VALUE] | notfound | notacvar | protected | silent",
         "how the client answers queries about CVAR"},
        {"latency", Known, &ScenarioRunner::ClientLatency, "client NAME latency SECONDS",
         "how long cvar queries take to answer"},
        {"validate", Joined, &ScenarioRunner::ClientValidate, "client NAME validate",
         "Steam validates now"},
        {"disconnect", Joined, &ScenarioRunner::ClientDisconnect,
         "client NAME disconnect [\"reason\"]", "the client leaves"},
    };
    return verbs;
}

std::string ScenarioRunner::LanguageHelp() {
    std::string help = "Actions:\n";
    scenario_words::AppendHelp(help, Actions());
    help += "Client verbs:\n";
    scenario_words::AppendHelp(help, ClientVerbs());
    scenario_words::AppendHelp(help, PlayerControls::Verbs());
    help += "Expectations:\n";
    ScenarioExpectations::AppendHelp(help);
    return help;
}

double ScenarioOptions::SteadyNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ScenarioOptions::SteadySleepUntil(double when) {
    const std::chrono::duration<double> since(when);
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(since)));
}

ScenarioRunner::ScenarioRunner(ScenarioOptions options)
    : m_options(std::move(options)), m_processes(m_options.processes) {
    // Scenarios read local time in UTC, so that stamps are the same everywhere.
    UseUtcLocalTime();
}

ScenarioRunner::~ScenarioRunner() {
    Finish();
}

void ScenarioRunner::Finish() {
    ForgetServer();
    // Helper programs never outlive the scenario, whether it passed or not.
    m_processes.StopAll();
    m_udp.reset();
    m_folder.reset();
}

void ScenarioRunner::ForgetServer() {
    // The clients are the server's: names and inputs must not outlive it.
    m_server.reset();
    m_controls.Clear();
    m_clients.clear();
    m_reported.clear();
}

bool ScenarioRunner::IsAction(const std::string& word) {
    return word == "expect" || scenario_words::Find(Actions(), word);
}

int ScenarioRunner::RunFile(const std::string& path) {
    std::string text;
    if (!WholeFile::Read(path, text)) {
        m_message = path + ": cannot read the scenario";
        std::cerr << m_message << "\n";
        return kExitError;
    }
    return RunText(text, std::filesystem::path(path).filename().string());
}

int ScenarioRunner::RunText(const std::string& text, const std::string& source) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const Outcome outcome = RunLine(line, source + ":" + std::to_string(number));
        if (outcome != Outcome::Ok) {
            std::cerr << m_message << "\n";
            Finish();
            return outcome == Outcome::Failed ? kExitFailed : kExitError;
        }
    }
    Finish();
    return kExitOk;
}

namespace {

void ReplaceAll(std::string& line, const std::string& placeholder, const std::string& value) {
    for (size_t at = line.find(placeholder); at != std::string::npos;
         at = line.find(placeholder, at + value.size()))
        line.replace(at, placeholder.size(), value);
}

// ${server.os}: the server's system as its info answer names it, "l" on
// Linux and "w" on Windows; ${server.ext}: the extension of its modules,
// "so" or "dll".
std::string WithServerSystem(std::string line) {
#ifdef _WIN32
    ReplaceAll(line, "${server.os}", "w");
#else
    ReplaceAll(line, "${server.os}", "l");
#endif
    ReplaceAll(line, "${server.ext}", kModuleExtension + 1);
    return line;
}

}  // namespace

ScenarioRunner::Outcome ScenarioRunner::RunLine(const std::string& line, const std::string& where) {
    std::string error;
    // Placeholders are read in lines that run, not in comments.
    const size_t first = line.find_first_not_of(" \t");
    const bool comment = first != std::string::npos && line[first] == '#';
    const std::string expanded = comment || line.find("${") == std::string::npos
                                     ? line
                                     : m_processes.Expand(WithServerSystem(line), error);
    if (!error.empty()) {
        m_message = where + ": error: " + error;
        return Outcome::Error;
    }
    auto words = ScenarioLine::Split(expanded, error);
    if (!words) {
        m_message = where + ": error: " + error;
        return Outcome::Error;
    }
    if (words->empty())
        return Outcome::Ok;
    ScenarioArgs args(std::move(*words));
    const std::string verb = args.Next();
    if (verb == "expect")
        return Expect(args, where);
    const ActionEntry* entry = scenario_words::Find(Actions(), verb);
    if (!entry) {
        m_message = where + ": error: unknown action \"" + verb + "\"";
        return Outcome::Error;
    }
    error = (this->*entry->handler)(args);
    ReportInboxes();
    if (m_server && !m_server->FatalErrorMessage().empty()) {
        m_message =
            where + ": the server stopped with a fatal error: " + m_server->FatalErrorMessage();
        return Outcome::Failed;
    }
    if (!error.empty()) {
        m_message = where + ": error: " + scenario_words::Explain(error, entry->usage);
        return Outcome::Error;
    }
    return Outcome::Ok;
}

ScenarioRunner::Outcome ScenarioRunner::Expect(ScenarioArgs& args, const std::string& where) {
    const bool negated = args.Accept("not");
    ScenarioWorld world{m_folder.get(), m_server.get(),
                        [this](const std::string& name) { return FindClient(name); }, m_udp.get(),
                        &m_processes};
    std::string error;
    const auto result = ScenarioExpectations::Check(args, world, error);
    if (!result) {
        m_message = where + ": error: " + error;
        return Outcome::Error;
    }
    if (result->met != negated)
        return Outcome::Ok;
    std::string expected = result->expected;
    const size_t to = expected.find("{to}");
    if (to != std::string::npos)
        expected.replace(to, 4, negated ? "not to" : "to");
    m_message = where + ": expected " + expected + " but saw " + result->seen;
    return Outcome::Failed;
}

std::string ScenarioRunner::EnsureFolder() {
    if (m_folder)
        return "";
    m_folder = m_options.gameDir.empty()
                   ? std::make_unique<GameFolder>(m_options.templateDir)
                   : std::make_unique<GameFolder>(GameFolder::Existing{m_options.gameDir});
    if (!m_folder->Ok()) {
        const std::string error = m_folder->Error();
        m_folder.reset();
        return error;
    }
    if (m_options.keepFolder) {
        m_folder->Keep();
        std::cout << "srcds-sim: game folder " << m_folder->GameDir() << "\n";
    }
    return "";
}

std::string ScenarioRunner::NeedServer() const {
    if (!m_server || !m_server->IsUp())
        return "the server is not running (server start first)";
    return "";
}

Client* ScenarioRunner::FindClient(const std::string& name) const {
    auto it = m_clients.find(name);
    return it == m_clients.end() ? nullptr : it->second;
}

bool ScenarioRunner::StartServer(const std::string& commandLine) {
    std::string error = EnsureFolder();
    if (error.empty()) {
        m_server = std::make_unique<Server>(
            ServerConfig{m_folder->GameDir(), commandLine, m_options.echo, m_gameDescription});
        if (!m_server->Start())
            error = "the server did not start";
    }
    m_message = error;
    return error.empty();
}

void ScenarioRunner::RunConsoleLine(const std::string& line) {
    if (!m_server || !m_server->IsUp())
        return;
    m_server->ServerCommand(line + "\n");
    m_server->RunFrame();
    ReportInboxes();
}

void ScenarioRunner::ReportInboxes() {
    if (!m_options.echo)
        return;
    for (const auto& [name, text] : m_processes.NewLogLines())
        std::cout << "  [" << name << "] " << ScenarioLine::Display(text) << "\n";
    for (const auto& [name, client] : m_clients) {
        auto& [entries, console] = m_reported[client];
        const auto& all = client->GetInbox().Entries();
        for (; entries < all.size(); ++entries)
            std::cout << "  [" << name << " " << Inbox::KindName(all[entries].kind) << "] \""
                      << ScenarioLine::Display(all[entries].text) << "\"\n";
        const std::string& text = client->GetInbox().Console().Text();
        for (size_t end = text.find('\n', console); end != std::string::npos;
             end = text.find('\n', console)) {
            std::cout << "  [" << name << " console] "
                      << ScenarioLine::Display(text.substr(console, end - console)) << "\n";
            console = end + 1;
        }
    }
    std::cout.flush();
}

std::string ScenarioRunner::Addon(ScenarioArgs& args) {
    const std::string module = args.Next();
    std::string name = module;
    if (args.Accept("as"))
        name = args.Next();
    if (module.empty() || name.empty() || !args.AtEnd() || module.find('/') != std::string::npos)
        return BadLine();
    if (std::string error = EnsureFolder(); !error.empty())
        return error;
    std::string path = m_options.modulesDir + "/" + module + kModuleExtension;
    const std::string product = m_options.productDir + "/addons/" + module + kModuleExtension;
    const bool fromProduct = !std::filesystem::exists(path) && std::filesystem::exists(product);
    if (fromProduct)
        path = product;
    else if (!std::filesystem::exists(path))
        return "no module " + module + kModuleExtension + " in " + m_options.modulesDir + " or " +
               m_options.productDir + "/addons";
    if (!m_folder->InstallAddon(path, name))
        return "cannot install " + module + " as addons/" + name;
    // The product's configuration comes with it.
    const std::string config = m_options.productDir + "/cfg/" + module + ".cfg";
    if (fromProduct && std::filesystem::exists(config) &&
        !m_folder->CopyIn(config, "cfg/" + module + ".cfg"))
        return "cannot install cfg/" + module + ".cfg";
    return "";
}

std::string ScenarioRunner::FileAction(ScenarioArgs& args) {
    const std::string how = args.Next();
    const std::string path = args.Next();
    if (path.empty() || path[0] == '/' || path.find("..") != std::string::npos)
        return BadLine("PATH lies inside the game folder");
    if (std::string error = EnsureFolder(); !error.empty())
        return error;
    if (how == "write") {
        const std::string text = args.Next();
        return args.AtEnd() && m_folder->WriteFile(path, text) ? "" : "cannot write " + path;
    }
    if (how == "delete") {
        std::error_code error;
        std::filesystem::remove(m_folder->PathOf(path), error);
        return "";
    }
    return BadLine();
}

std::string ScenarioRunner::ClockAction(ScenarioArgs& args) {
    if (args.Accept("real")) {
        WallClock::Clear();
        return "";
    }
    double epoch = 0.0;
    if (!args.Accept("set") || !ParseDateTime(args.Next(), epoch))
        return BadLine();
    WallClock::Set(epoch);
    return "";
}

std::string ScenarioRunner::GameAction(ScenarioArgs& args) {
    if (!args.Accept("description") || args.AtEnd())
        return BadLine();
    m_gameDescription = args.Next();
    if (m_server && m_server->IsUp())
        m_server->Game().Sim()->SetGameDescription(m_gameDescription.c_str());
    return "";
}

std::string ScenarioRunner::ServerAction(ScenarioArgs& args) {
    if (args.Accept("stop")) {
        if (m_server)
            m_server->ExecuteConsoleLine("quit");
        return "";
    }
    if (!args.Accept("start"))
        return BadLine();
    if (m_server && m_server->IsUp())
        return "the server is already running";
    ForgetServer();
    return StartServer(args.Rest()) ? "" : m_message;
}

std::string ScenarioRunner::ConsoleAction(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    if (args.AtEnd())
        return BadLine();
    const std::string line = args.Remaining() == 1 ? args.Next() : args.Rest();
    m_server->ExecuteConsoleLine(line);
    return "";
}

std::string ScenarioRunner::Advance(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    const bool real = args.Accept("real");
    std::string amount = args.Next();
    std::string unit = args.Peek() == "until" ? "" : args.Next();
    if (unit.empty()) {
        const size_t split = amount.find_first_not_of("0123456789.");
        if (split != std::string::npos) {
            unit = amount.substr(split);
            amount = amount.substr(0, split);
        }
    }
    double value = 0.0;
    if (!ParseNumber(amount, value) || value < 0.0)
        return BadLine();
    // "until" and an expectation's words: the frames stop once it holds.
    std::optional<ScenarioArgs> until;
    if (args.Accept("until")) {
        if (!real)
            return BadLine("until goes with advance real");
        until = args;
        std::string error;
        if (!Holds(*until, error) && !error.empty())
            return BadLine(error);
    } else if (!args.AtEnd()) {
        return BadLine();
    }
    int ticks = 0;
    if (unit == "tick" || unit == "ticks" || unit == "frame" || unit == "frames")
        ticks = static_cast<int>(std::min(value, 1e9));
    else if (unit == "s" || unit == "sec" || unit == "seconds" || unit == "second")
        ticks = m_server->Clock().TicksFor(std::min(value, 1e7));
    else if (unit == "ms")
        ticks = m_server->Clock().TicksFor(std::min(value, 1e10) / 1000.0);
    else
        return BadLine();
    if (!real) {
        m_server->RunTicks(ticks);
        return "";
    }
    // A scenario that waits on the wall clock is bounded, so that a typo
    // cannot hang a test run.
    if (ticks * static_cast<double>(m_server->Clock().TickInterval()) > kMaxRealSeconds + 1e-9)
        return BadLine("advance real takes at most 60 s");
    RunPaced(ticks, until ? &*until : nullptr);
    return "";
}

bool ScenarioRunner::Holds(ScenarioArgs args, std::string& error) {
    const bool negated = args.Accept("not");
    ScenarioWorld world{m_folder.get(), m_server.get(),
                        [this](const std::string& name) { return FindClient(name); }, m_udp.get(),
                        &m_processes};
    const auto result = ScenarioExpectations::Check(args, world, error);
    return result && result->met != negated;
}

void ScenarioRunner::RunPaced(int ticks, const ScenarioArgs* until) {
    const double interval = m_server->Clock().TickInterval();
    const double start = m_options.realNow();
    std::string error;
    for (int i = 1; i <= ticks && m_server->IsUp(); ++i) {
        if (until && Holds(*until, error))
            return;
        // A frame that brings the game time to start + i ticks runs once
        // the wall clock is there; frames that fell behind run at once,
        // each still one tick long.
        m_options.realSleepUntil(start + i * interval);
        m_server->RunFrame();
    }
}

std::string ScenarioRunner::ClientAction(ScenarioArgs& args) {
    const std::string name = args.Next();
    const std::string verb = args.Next();
    if (name.empty() || verb.empty())
        return BadLine();
    if (std::string error = NeedServer(); !error.empty())
        return error;
    const ClientVerb* own = scenario_words::Find(ClientVerbs(), verb);
    const PlayerControls::Verb* control =
        own ? nullptr : scenario_words::Find(PlayerControls::Verbs(), verb);
    if (!own && !control)
        return "unknown client action \"" + verb + "\" (srcds-sim --help lists them)";
    // Game controls act on the player, so the client must be in the game.
    const ClientNeeds needs = own ? own->needs : ClientNeeds::InGame;
    Client* client = FindClient(name);
    if (needs != ClientNeeds::Nothing && !client)
        return "no client " + name + " (client " + name + " connect first)";
    if (needs >= ClientNeeds::Joined && !client->IsConnected())
        return name + " is not connected";
    if (needs == ClientNeeds::InGame && !client->IsActive())
        return name + " is not in the game yet (still signing on: advance time)";
    std::string error;
    if (own) {
        ClientLine line{name, verb, client, args};
        error = (this->*own->handler)(line);
    } else {
        PlayerControls::Line line{*m_server, *client, args,
                                  [this](const std::string& other) { return FindClient(other); }};
        error = m_controls.Run(*control, line);
    }
    if (error.empty() && !args.AtEnd())
        error = "unexpected words: " + args.Rest();
    return scenario_words::Explain(error, own ? own->usage : control->usage);
}

std::string ScenarioRunner::ClientCommand(ClientLine& line) {
    if (line.args.AtEnd())
        return BadLine();
    const std::string text = line.args.Remaining() == 1 ? line.args.Next() : line.args.Rest();
    m_server->Clients().ExecuteClientLine(*line.client, text);
    return "";
}

std::string ScenarioRunner::ClientSay(ClientLine& line) {
    const std::string text = line.args.Remaining() == 1 ? line.args.Next() : line.args.Rest();
    m_server->Clients().Say(*line.client, text, line.verb == "say_team");
    return "";
}

std::string ScenarioRunner::ClientSet(ClientLine& line) {
    std::string key = line.args.Next();
    std::string value;
    if (!ScenarioLine::KeyValue(key, key, value))
        value = line.args.Next();
    if (key.empty())
        return BadLine();
    if (line.verb == "setinfo")
        line.client->MarkUserInfo(key);
    m_server->Clients().SetSetting(*line.client, key, value);
    return "";
}

std::string ScenarioRunner::ClientTeam(ClientLine& line) {
    if (line.args.AtEnd())
        return BadLine();
    m_server->Clients().ExecuteClientLine(*line.client, "jointeam " + line.args.Next());
    return "";
}

std::string ScenarioRunner::ClientLatency(ClientLine& line) {
    double seconds = 0.0;
    if (!ParseNumber(line.args.Next(), seconds) || seconds < 0.0)
        return BadLine();
    line.client->SetQueryLatency(seconds);
    return "";
}

std::string ScenarioRunner::ClientValidate(ClientLine& line) {
    m_server->Clients().Validate(*line.client);
    return "";
}

std::string ScenarioRunner::ClientDisconnect(ClientLine& line) {
    m_server->Clients().Disconnect(
        *line.client, line.args.AtEnd() ? "Disconnect by user." : line.args.Next(), false);
    return "";
}

std::string ScenarioRunner::ConnectClient(ClientLine& line) {
    const std::string& name = line.name;
    ScenarioArgs& args = line.args;
    if (Client* existing = FindClient(name); existing && existing->IsConnected())
        return name + " is already connected";
    ClientSpec spec;
    spec.name = name;
    bool cvars = false;
    while (!args.AtEnd()) {
        if (args.Accept("cvar")) {
            cvars = true;
            continue;
        }
        std::string key;
        std::string value;
        if (!ScenarioLine::KeyValue(args.Next(), key, value))
            return BadLine("connect options are key=value");
        double seconds = 0.0;
        if (cvars)
            spec.cvars[key] = value;
        else if (key == "name")
            spec.name = value;
        else if (key == "steamid")
            spec.steamId = value;
        else if (key == "address" || key == "ip")
            spec.address = value.find(':') == std::string::npos ? value + ":27005" : value;
        else if (key == "password")
            spec.password = value;
        else if (key == "voice" && (value == "on" || value == "off"))
            spec.voiceEnabled = value == "on";
        else if (key == "validate" && value == "never")
            spec.validateAfter = -1.0;
        else if (key == "validate" && ParseNumber(value, seconds) && seconds >= 0.0)
            spec.validateAfter = seconds;
        else if ((key == "latency" || key == "signon") && ParseNumber(value, seconds) &&
                 seconds >= 0.0)
            (key == "latency" ? spec.queryLatency : spec.signOn) = seconds;
        else
            return BadLine("bad connect option " + key + "=" + value);
    }
    Client& client = m_server->Clients().Connect(spec);
    m_clients[name] = &client;
    m_reported[&client] = {0, 0};
    return "";
}

std::string ScenarioRunner::AnswerScript(ClientLine& line) {
    const std::string cvar = line.args.Next();
    const auto script = ScriptNamed(line.args.Next());
    if (cvar.empty() || !script)
        return BadLine();
    line.client->ScriptAnswer(cvar, *script, line.args.AtEnd() ? "" : line.args.Next());
    return "";
}

std::string ScenarioRunner::Bot(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    const std::string name = args.Next();
    if (name.empty() || !args.AtEnd())
        return BadLine();
    Client& bot = m_server->Clients().AddFakeClient(name, ClientKind::Bot);
    if (!bot.IsConnected())
        return "the bot could not join: " + bot.DisconnectReason();
    m_clients[name] = &bot;
    return "";
}

std::string ScenarioRunner::Udp(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    if (!args.Accept("send") || args.AtEnd())
        return BadLine();
    const bool empty = args.Accept("empty");
    std::string bytes = empty ? std::string() : args.Next();
    if (!m_udp)
        m_udp = std::make_unique<ScenarioUdp>();
    // As a query tool does: the same query again with the challenge it was given.
    if (!empty && args.Accept("challenge")) {
        const std::string challenge = m_udp->LastChallenge();
        if (challenge.empty())
            return "the server has sent no challenge yet (send the query without it first)";
        bytes += challenge;
    }
    int times = 1;
    if (!args.AtEnd()) {
        const std::string repeat = args.Next();
        double value = 0.0;
        if (repeat.size() < 2 || repeat[0] != 'x' || !ParseNumber(repeat.substr(1), value) ||
            value != std::floor(value))
            return BadLine();
        times = static_cast<int>(std::min(value, 1e6));
    }
    if (!args.AtEnd())
        return BadLine();
    const std::string error = m_udp->Send(m_server->Net().Port(), bytes, times);
    // What was sent waits in the server's socket before the next frame reads it.
    if (error.empty())
        m_server->Net().WaitReadable(1000);
    return error;
}

std::string ScenarioRunner::Clear(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    const std::string what = args.Next();
    if (what == "console") {
        m_server->Console().Clear();
        return "";
    }
    Client* client = FindClient(what);
    if (!client)
        return BadLine();
    client->GetInbox().Clear();
    m_reported[client] = {0, 0};
    return "";
}

std::string ScenarioRunner::ProcessAction(ScenarioArgs& args) {
    if (args.Accept("stop")) {
        const std::string name = args.Next();
        if (name.empty() || !args.AtEnd())
            return BadLine();
        return m_processes.Stop(name);
    }
    if (!args.Accept("start"))
        return BadLine();
    const std::string name = args.Next();
    const std::string program = args.Next();
    if (program.empty())
        return BadLine();
    std::vector<std::string> words;
    while (!args.AtEnd())
        words.push_back(args.Next());
    if (std::string error = EnsureFolder(); !error.empty())
        return error;
    const std::string log = "logs/process_" + name + ".log";
    return m_processes.Start(name, program, words, m_folder->GameDir(), m_folder->PathOf(log));
}

std::string ScenarioRunner::Note(ScenarioArgs& args) {
    if (m_options.echo)
        std::cout << "== " << (args.Remaining() == 1 ? args.Next() : args.Rest()) << "\n"
                  << std::flush;
    return "";
}

std::string ScenarioRunner::Commands(ScenarioArgs& args) {
    if (std::string error = NeedServer(); !error.empty())
        return error;
    if (args.Remaining() != 1 || args.Next() != "print")
        return BadLine();
    // Data for tools, not a report: printed whatever the echo setting.
    for (const std::string& line : PluginCommandLines(*m_server))
        std::cout << line << "\n";
    std::cout << std::flush;
    return "";
}

}  // namespace sim
