// travik-soak MINUTES: that many minutes of game time on srcds-sim with the
// plug-in loaded and every feature on, 64 players and a third of them hostile
// (SoakLoad), a level change every three minutes, live on three and ready-up
// on every level, and an update offered by an update server on 127.0.0.1
// whose release is signed with a key the plug-in does not trust. srcds-sim
// runs frames as fast as it can. At the end it checks: the server up and the
// plug-in loaded, the update refused and nothing of it installed, every ban
// in the ban log and in banned_user.cfg, no hostile client left on the server long after the
// plug-in judged it, no log line lost at rotation, and the heap flat after the
// first minute. A league's auth host (travik-authhost, on 127.0.0.1) knows
// some honest players, refuses some and knows nobody else; for one minute of
// every level but the last the plug-in asks a closed port instead. At the end:
// the host answered each kind, the refused were kicked and are gone, and once
// joins stop every player on the server has his answer, the known ones their
// league lines. Exit status 0 when every check holds.
#include <arpa/inet.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Ed25519.h"
#include "Releases.h"
#include "SoakLoad.h"
#include "ToolsTestSupport.h"
#include "engine/Server.h"
#include "scenario/GameFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLevelMinutes = 3;
constexpr double kStuckAfter = 120.0;  // seconds: a full scan of every variable and more
// The plug-in's share of the heap's growth after the first minute: the
// server's own growth (the same load on the server alone, in this run) is
// taken off. A leak per usercmd, snapshot or frame is far larger.
constexpr size_t kHeapGrowthLimit = 2u << 20;
const char* const kMaps[] = {"de_dust2", "de_inferno", "de_train"};

const char kConfig[] =
    "tk_active 1\n"
    "tk_warmode 1\n"
    "tk_dosprotect 1\n"
    "tk_crashblock 1\n"
    "tk_antispam_max_cmds_per_sec 5\n"
    "tk_antispeedhack 2\n"
    "tk_checkviewangles 1\n"
    "tk_beta_tagging 1\n"
    "tk_beta_antiflash 1\n"
    "tk_beta_illegaldefusefix 1\n"
    "tk_deadvoice 1\n"
    "tk_removals 3\n"
    "tk_allowcashcalling 2\n";

// Lines put in the logs before the start, to just under the rotation size
// (400 KiB), so that the run rotates both; each must survive somewhere.
constexpr size_t kFillerBytes = 400 * 1024 - 600;
std::map<std::string, int> g_fillerLines;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Filler(const char* log) {
    std::string text;
    int lines = 0;
    for (;; ++lines) {
        const std::string line =
            "[01/01/26-00:00] soak filler " + std::string(log) + " " + std::to_string(lines) + "\n";
        if (text.size() + line.size() > kFillerBytes)
            break;
        text += line;
    }
    g_fillerLines[log] = lines;
    return text;
}

// The honest players' Steam IDs are SoakLoad's first: player<i> has ID i + 1.
std::string HonestSteamId(int player) {
    const int id = player + 1;
    return "STEAM_0:" + std::to_string(id % 2) + ":" + std::to_string(700000 + id);
}
constexpr int kShown = 8;    // player0..7: two league lines each
constexpr int kRefused = 4;  // player8..11: refused with a message
std::string ShownLine(int player, int line) {
    return line == 0 ? "\\x04Soak player " + std::to_string(player) + "\\x01 - Team Soak"
                     : "Soak record: " + std::to_string(player) + " wins";
}
std::string Roster() {
    std::string roster = "# the soak's league\n";
    for (int i = 0; i < kShown; ++i)
        for (int line = 0; line < 2; ++line)
            roster += HonestSteamId(i) + " show " + ShownLine(i, line) + "\n";
    for (int i = kShown; i < kShown + kRefused; ++i)
        roster += HonestSteamId(i) + " refuse Soak player " + std::to_string(i) + " is suspended\n";
    return roster;
}
// A roster line as chat shows it: the colour escapes are bytes.
std::string AsChat(std::string text) {
    for (const auto& [escape, byte] : {std::pair{"\\x01", "\x01"}, std::pair{"\\x04", "\x04"}})
        for (size_t at; (at = text.find(escape)) != std::string::npos;)
            text.replace(at, 4, byte);
    return text;
}

// travik-authhost as a league runs it: 127.0.0.1, a free port, its request
// log (standard error) in a file.
class AuthHostProcess {
public:
    AuthHostProcess() = default;
    AuthHostProcess(const AuthHostProcess&) = delete;
    AuthHostProcess& operator=(const AuthHostProcess&) = delete;
    ~AuthHostProcess() { Stop(); }

    bool Start(const std::string& roster, const std::string& log) {
        int out[2];
        if (pipe(out) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const char* argv[] = {TRAVIK_AUTHHOST, "--roster", roster.c_str(), "--port", "0", nullptr};
        const int spawned = posix_spawn(&m_pid, TRAVIK_AUTHHOST, &actions, nullptr,
                                        const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (spawned != 0) {
            m_pid = -1;
            close(out[0]);
            return false;
        }
        // The first line, or the end of the output if the host gave up.
        FILE* in = fdopen(out[0], "r");
        char line[128] = {};
        const bool read = in && std::fgets(line, sizeof line, in);
        if (in)
            std::fclose(in);
        return read && std::sscanf(line, "listening on 127.0.0.1:%d", &m_port) == 1 && m_port > 0;
    }
    // SIGTERM, as an operator stops it; true when it ended on its own terms.
    bool Stop() {
        if (m_pid <= 0)
            return false;
        kill(m_pid, SIGTERM);
        int status = 0;
        const bool waited = waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/auth"; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// A port on 127.0.0.1 nobody listens on: bound for a free number, then closed.
int ClosedPort() {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (sock >= 0 && bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (sock >= 0)
        close(sock);
    return port;
}

size_t HeapInUse() {
    return mallinfo2().uordblks;
}

struct Report {
    std::vector<std::string> failures;
    void Check(bool holds, const std::string& what) {
        if (!holds)
            failures.push_back(what);
    }
};

class Soak {
public:
    explicit Soak(int minutes) : m_minutes(minutes), m_folder(SRCDS_SIM_TEMPLATE) {}

    int Run();

private:
    bool Install();
    void RunMinute(int minute, soak::SoakLoad& load);
    void Match(int minuteOfLevel);
    void CheckBans(Report& report);
    void CheckLogs(Report& report);
    void CheckUpdateRefused(Report& report);
    void CheckAuth(Report& report, const soak::SoakLoad& load);
    void Settle();
    std::string AllLogs() const;

    struct HostGrowth {
        double heap = 0;        // after the first minute
        int connects = 0;       // after the first minute
        double perConnect = 0;  // bytes
    };
    HostGrowth MeasureHost();

    int m_minutes;
    sim::GameFolder m_folder;
    ScratchFolder m_scratch;
    std::unique_ptr<RunningUpdateServer> m_updates;
    std::unique_ptr<sim::Server> m_server;
    AuthHostProcess m_auth;
    std::string m_closedUrl;
    bool m_authClosed = false;
    bool m_authDrained = false;
    std::string m_listing;  // tk_players once settled
    std::set<std::string> m_stuck;
    std::vector<size_t> m_heap;   // at the end of every minute
    std::vector<int> m_connects;  // connects so far, at the end of every minute
    int m_levels = 0;
};

// The plug-in as an operator installs it, pointed at an update server that
// offers a release signed with a key it does not trust.
bool Soak::Install() {
    if (!m_folder.Ok()) {
        std::fprintf(stderr, "travik-soak: %s\n", m_folder.Error().c_str());
        return false;
    }
    const std::string product = TRAVIK_INSTALL_DIR;
    std::string error;
    const bool offered = !release::GenerateKey(m_scratch / "untrusted.pem", error).empty() &&
                         release::ReleaseFolder(m_scratch / "releases")
                             .Add("4.9Soak", product + "/addons/travik.so",
                                  m_scratch / "untrusted.pem", false, error);
    if (!offered) {
        std::fprintf(stderr, "travik-soak: no release to offer: %s\n", error.c_str());
        return false;
    }
    m_updates = std::make_unique<RunningUpdateServer>(m_scratch / "releases");
    WriteFileBytes(m_scratch / "roster.txt", Roster());
    if (!m_auth.Start(m_scratch / "roster.txt", m_scratch / "authhost.log")) {
        std::fprintf(stderr, "travik-soak: travik-authhost did not start: %s\n",
                     ReadWhole(m_scratch / "authhost.log").c_str());
        return false;
    }
    m_closedUrl = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/auth";
    const std::string config = std::string(kConfig) + "tk_updateurl \"" + m_updates->BaseUrl() +
                               "\"\ntk_authhost \"" + m_auth.Url() + "\"\n";
    return m_folder.CopyIn(product + "/addons/travik.so", "addons/travik.so") &&
           m_folder.CopyIn(product + "/addons/travik.vdf", "addons/travik.vdf") &&
           m_folder.WriteFile("cfg/travik.cfg", config) &&
           m_folder.WriteFile("addons/tk_logs/travik.log", Filler("travik")) &&
           m_folder.WriteFile("addons/tk_logs/tk_bans.log", Filler("bans"));
}

// Live on three in the level's second minute, ready-up in its third.
void Soak::Match(int minuteOfLevel) {
    if (minuteOfLevel == 1) {
        m_server->ExecuteConsoleLine("tk_lo3");
        return;
    }
    if (minuteOfLevel != 2)
        return;
    m_server->ExecuteConsoleLine("tk_readyup");
    for (sim::Client* client : m_server->Clients().ConnectedHumans())
        if (client->IsActive() && client->Name().rfind("player", 0) == 0)
            m_server->Clients().Say(*client, "!ready", false);
}

void Soak::RunMinute(int minute, soak::SoakLoad& load) {
    // The second minute of every level but the last asks a closed port, so
    // that failed requests are announced too.
    const bool closed = minute % kLevelMinutes == 1 && minute + 1 < m_minutes;
    if (closed != m_authClosed) {
        m_authClosed = closed;
        m_server->ExecuteConsoleLine("tk_authhost \"" + (closed ? m_closedUrl : m_auth.Url()) +
                                     "\"");
    }
    const int ticksPerSecond =
        static_cast<int>(1.0f / m_server->Globals().interval_per_tick + 0.5f);
    for (int second = 0; second < 60 && m_server->IsUp(); ++second) {
        for (int tick = 0; tick < ticksPerSecond; ++tick) {
            load.BeforeFrame();
            m_server->RunFrame();
        }
        for (const std::string& stuck : load.Overdue(kStuckAfter))
            m_stuck.insert(stuck);
    }
    load.ForgetTexts();
    m_heap.push_back(HeapInUse());
    m_connects.push_back(load.Connects());
    const int next = minute + 1;
    if (next % kLevelMinutes == 0) {
        ++m_levels;
        m_server->ExecuteConsoleLine(std::string("changelevel ") +
                                     kMaps[m_levels % std::size(kMaps)]);
    }
    Match(next % kLevelMinutes);
}

void Soak::CheckBans(Report& report) {
    m_server->ExecuteConsoleLine("writeid");
    m_server->RunFrame();
    const std::string bannedUsers = ReadWhole(fs::path(m_folder.GameDir()) / "cfg/banned_user.cfg");
    std::string banLogs;
    for (const auto& entry :
         fs::directory_iterator(fs::path(m_folder.GameDir()) / "addons/tk_logs"))
        banLogs += ReadWhole(entry.path());
    int bans = 0;
    for (const auto& ban : m_server->Bans().Ids()) {
        ++bans;
        report.Check(bannedUsers.find(" " + ban.key + "\n") != std::string::npos,
                     ban.key + " is banned but not in cfg/banned_user.cfg");
        // The ban log writes the ID without its "STEAM_".
        const std::string logged = ban.key.rfind("STEAM_", 0) == 0 ? ban.key.substr(6) : ban.key;
        report.Check(banLogs.find(" / " + logged + ")") != std::string::npos,
                     ban.key + " is banned but in no ban log");
    }
    report.Check(bans > 0, "nobody was banned: the cheat cvar answers went unjudged");
    std::printf("bans: %d\n", bans);
}

std::string Soak::AllLogs() const {
    std::string all;
    for (const auto& entry :
         fs::directory_iterator(fs::path(m_folder.GameDir()) / "addons/tk_logs"))
        all += ReadWhole(entry.path());
    return all;
}

// Offered, downloaded, refused for its signature, and nothing of it left:
// no other module in addons/, the description file as installed.
void Soak::CheckUpdateRefused(Report& report) {
    const std::string logs = AllLogs();
    report.Check(logs.find("[Travik] An update was found! (Version: 4.9Soak)") != std::string::npos,
                 "the update server's release was never offered");
    report.Check(
        logs.find("its release signature does not verify (Update Failed)") != std::string::npos,
        "the release signed with an untrusted key was not refused");
    int modules = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(m_folder.GameDir()) / "addons"))
        modules += entry.path().filename().string().rfind("travik", 0) == 0 &&
                   entry.path().extension() == ".so";
    report.Check(modules == 1, "addons/ holds " + std::to_string(modules) + " modules");
    report.Check(ReadWhole(fs::path(m_folder.GameDir()) / "addons/travik.vdf") ==
                     ReadWhole(fs::path(TRAVIK_INSTALL_DIR) / "addons/travik.vdf"),
                 "addons/travik.vdf was changed by a refused update");
}

// Joins stop; frames run with a millisecond of wall time each (game time
// some fifteen times the wall clock's, which a request on 127.0.0.1 keeps up
// with) until tk_players lists every player on the server as answered and
// an update found has its outcome (a download of a release the size of the
// module takes wall time the fast frames do not give it), for at most 30 s.
void Soak::Settle() {
    const int ticksPerSecond =
        static_cast<int>(1.0f / m_server->Globals().interval_per_tick + 0.5f);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool updateSettled = false;
    int second = 0;
    while (m_server->IsUp() && std::chrono::steady_clock::now() < deadline) {
        for (int tick = 0; tick < ticksPerSecond; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            m_server->RunFrame();
        }
        ++second;
        m_server->Console().Clear();
        m_server->ExecuteConsoleLine("tk_players");
        m_server->RunFrame();
        m_listing = m_server->Console().Text();
        if (!m_authDrained && m_listing.find("Authenticated Players:") != std::string::npos &&
            m_listing.find("Unauthed Players") == std::string::npos) {
            m_authDrained = true;
            std::printf("auth queue drained %d s after joins stopped\n", second);
        }
        if (!updateSettled) {
            const std::string logs = AllLogs();
            updateSettled = logs.find("An update was found!") == std::string::npos ||
                            logs.find("(Update Failed)") != std::string::npos;
        }
        if (m_authDrained && updateSettled)
            return;
    }
}

// The host answered each kind; the refused were kicked with the auth host's
// reason and are not on the server; the queue drains and the known players
// carry their league lines; the closed port's failures were logged.
void Soak::CheckAuth(Report& report, const soak::SoakLoad& load) {
    const std::string& listing = m_listing;
    report.Check(m_authDrained,
                 "players still wait for the auth host 30 s after joins stopped:\n" + listing);
    report.Check(m_auth.Stop(), "travik-authhost did not end cleanly");
    std::map<std::string, int> verdicts;
    std::istringstream log(ReadWhole(m_scratch / "authhost.log"));
    for (std::string line; std::getline(log, line);)
        for (const char* verdict : {"shown", "refused", "unknown"})
            verdicts[verdict] += line.ends_with(std::string("-> ") + verdict);
    for (const auto& [verdict, count] : verdicts)
        report.Check(count > 0, std::string("the auth host never answered ") + verdict);
    std::printf("auth host answers: %d shown, %d refused, %d unknown\n", verdicts["shown"],
                verdicts["refused"], verdicts["unknown"]);

    std::set<std::string> onServer;
    for (const sim::Client* client : m_server->Clients().Connected())
        onServer.insert(client->SteamId());
    for (int i = kShown; i < kShown + kRefused; ++i) {
        const std::string id = HonestSteamId(i);
        const auto removed = load.HonestRemoved().find(id);
        report.Check(
            removed != load.HonestRemoved().end() &&
                removed->second.find("Travik - Kick requested by Auth-Host") != std::string::npos,
            "refused " + id + " was not kicked for the auth host" +
                (removed == load.HonestRemoved().end() ? "" : ": " + removed->second));
        report.Check(onServer.count(id) == 0, "refused " + id + " is still on the server");
    }
    for (int i = 0; i < kShown; ++i) {
        const std::string row = ">> player" + std::to_string(i) + " - " +
                                HonestSteamId(i).substr(6) + "\n" + AsChat(ShownLine(i, 0)) + "\n" +
                                AsChat(ShownLine(i, 1)) + "\n";
        report.Check(listing.find(row) != std::string::npos,
                     "player" + std::to_string(i) + " is not listed with his league lines");
    }
    if (m_minutes > kLevelMinutes) {
        const std::string logs = AllLogs();
        report.Check(logs.find("Error occured in TKAuthHost::Poll()") != std::string::npos ||
                         logs.find("TKAuthHost returned - ") != std::string::npos,
                     "no failed request to the closed port was logged");
    }
}

// Every filler line once, every file ending in a whole line, and both logs
// rotated.
void Soak::CheckLogs(Report& report) {
    std::string all;
    int files = 0;
    for (const auto& entry :
         fs::directory_iterator(fs::path(m_folder.GameDir()) / "addons/tk_logs")) {
        const std::string text = ReadWhole(entry.path());
        ++files;
        report.Check(text.empty() || text.back() == '\n',
                     entry.path().filename().string() + " ends in half a line");
        all += text;
    }
    for (const char* log : {"travik", "bans"}) {
        int found = 0;
        const int lines = g_fillerLines[log];
        for (int i = 0; i < lines; i += 97) {
            const std::string line =
                "] soak filler " + std::string(log) + " " + std::to_string(i) + "\n";
            found += all.find(line) != std::string::npos;
        }
        report.Check(found == (lines + 96) / 97,
                     std::string("lines of ") + log + " were lost at rotation");
    }
    report.Check(files >= 4, "the logs did not both rotate (" + std::to_string(files) + " files)");
    std::printf("log files: %d\n", files);
}

// The same load on the server alone, for the host's own growth: per minute,
// and per connect (the host keeps a record of every client that ever
// connected), measured by connecting and removing clients at the end.
Soak::HostGrowth Soak::MeasureHost() {
    sim::GameFolder folder(SRCDS_SIM_TEMPLATE);
    sim::ServerConfig config;
    config.gameDir = folder.GameDir();
    config.commandLine = "-insecure -tickrate 66 +maxplayers 64 +map de_dust2";
    sim::Server server(config);
    HostGrowth growth;
    if (!folder.Ok() || !server.Start())
        return growth;
    soak::SoakLoad load(server);
    const int ticks = m_minutes * 60 * 66;
    size_t afterWarmUp = 0;
    int connectsAfterWarmUp = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        load.BeforeFrame();
        server.RunFrame();
        if (tick % (60 * 66) == 60 * 66 - 1) {
            load.ForgetTexts();
            if (tick == 60 * 66 - 1) {
                afterWarmUp = HeapInUse();
                connectsAfterWarmUp = load.Connects();
            }
        }
    }
    const size_t end = HeapInUse();
    growth.heap = end > afterWarmUp ? end - afterWarmUp : 0;
    growth.connects = load.Connects() - connectsAfterWarmUp;
    constexpr int kCalibration = 200;
    const size_t before = HeapInUse();
    for (int i = 0; i < kCalibration; ++i) {
        sim::ClientSpec spec;
        spec.name = "calibration";
        spec.signOn = 0;
        spec.validateAfter = 0;
        sim::Client* client = server.Clients().Find("player0");
        if (client && client->IsConnected())
            server.Clients().Disconnect(*client, "calibration", false);
        spec.name = "player0";
        server.Clients().Connect(spec).GetInbox().Clear();
        server.RunFrame();
    }
    load.ForgetTexts();
    const size_t after = HeapInUse();
    growth.perConnect = after > before ? static_cast<double>(after - before) / kCalibration : 0;
    server.Shutdown();
    return growth;
}

int Soak::Run() {
    if (!Install())
        return 2;
    const HostGrowth host = MeasureHost();
    sim::ServerConfig config;
    config.gameDir = m_folder.GameDir();
    config.commandLine = "-insecure -tickrate 66 +maxplayers 64 +map de_dust2";
    m_server = std::make_unique<sim::Server>(config);
    if (!m_server->Start() || !m_server->FindVar("tk_version")) {
        std::fprintf(stderr, "travik-soak: the server or the plug-in did not start\n%s",
                     m_server->Console().Text().c_str());
        return 2;
    }
    for (int i = 0; i < 8; ++i)
        m_server->RunFrame();
    // The plug-in downloads an update only while nobody plays: the players
    // join once the update server's offer has had its outcome, which takes
    // wall time the fast frames do not give it (at most 30 s).
    const auto updateDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (AllLogs().find("(Update Failed)") == std::string::npos &&
           std::chrono::steady_clock::now() < updateDeadline) {
        for (int tick = 0; tick < 66; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            m_server->RunFrame();
        }
    }
    const auto start = std::chrono::steady_clock::now();
    soak::SoakLoad load(*m_server);
    for (int minute = 0; minute < m_minutes && m_server->IsUp(); ++minute) {
        RunMinute(minute, load);
        std::printf("minute %d: heap %zu KiB, %zu clients connected\n", minute + 1,
                    m_heap.back() >> 10, m_server->Clients().Connected().size());
        std::fflush(stdout);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    Settle();
    Report report;
    report.Check(m_server->IsUp(), "the server went down: " + m_server->FatalErrorMessage());
    report.Check(m_server->FindVar("tk_version") != nullptr, "the plug-in is no longer loaded");
    CheckBans(report);
    CheckLogs(report);
    CheckUpdateRefused(report);
    CheckAuth(report, load);
    for (const std::string& stuck : m_stuck)
        report.Check(false, "stuck on the server long after being judged: " + stuck);
    if (m_heap.size() >= 2 && m_heap.front() > 0) {
        const double growth = static_cast<double>(m_heap.back()) - m_heap.front();
        const int connects = m_connects.back() - m_connects.front();
        // What is left once the host's own growth is taken off.
        const double plugin = growth - host.heap - host.perConnect * (connects - host.connects);
        std::printf(
            "heap after the first minute %zu KiB, at the end %zu KiB: %+.0f KiB over %d "
            "connects\n",
            m_heap.front() >> 10, m_heap.back() >> 10, growth / 1024, connects);
        std::printf("the server alone: %+.0f KiB over %d connects, %.1f KiB per connect\n",
                    host.heap / 1024.0, host.connects, host.perConnect / 1024);
        std::printf("the plug-in's growth after warm-up: %+.0f KiB (limit %zu KiB)\n",
                    plugin / 1024, kHeapGrowthLimit >> 10);
        report.Check(plugin <= static_cast<double>(kHeapGrowthLimit),
                     "the plug-in's heap grew by " +
                         std::to_string(static_cast<long>(plugin) >> 10) + " KiB after warm-up");
    } else {
        std::printf("heap figures unavailable (sanitizer build: its leak check runs at exit)\n");
    }
    std::printf(
        "game time %d min in %.1f s of wall time (%.0fx), %d levels, %d connects, %d "
        "flood datagrams\n",
        m_minutes, wall, m_minutes * 60 / wall, m_levels + 1, load.Connects(), load.Datagrams());
    for (const auto& [hostility, count] : load.Removed())
        std::printf("removed by the server: %d %s\n", count, soak::NameOf(hostility));

    m_server->Shutdown();
    m_server.reset();
    for (const std::string& failure : report.failures)
        std::printf("FAILED: %s\n", failure.c_str());
    if (!report.failures.empty()) {
        // The game folder, logs and ban files included, for a look.
        m_folder.Keep();
        std::printf("game folder kept: %s\n", m_folder.GameDir().c_str());
    }
    std::printf(report.failures.empty() ? "soak passed\n" : "soak failed\n");
    return report.failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc >= 2 ? std::atoi(argv[1]) : 0;
    if (argc != 2 || minutes <= 0 || minutes > 24 * 60) {
        std::fprintf(stderr, "usage: travik-soak MINUTES (of game time, 1 to 1440)\n");
        return 2;
    }
    return Soak(minutes).Run();
}
