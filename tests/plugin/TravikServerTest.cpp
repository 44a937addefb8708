#include "TravikServerTest.h"

#include <edict.h>
#include <icvar.h>
#include <iserverunknown.h>
#include <tier1/convar.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/Platform.h"
#include "engine/WallClock.h"
#include "sim/ISimGame.h"

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int CountOf(const std::string& text, const std::string& needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

TravikServerTest::TravikServerTest() : folder(SRCDS_SIM_TEMPLATE) {
    // Log stamps are checked in UTC.
    sim::UseUtcLocalTime();
}

TravikServerTest::~TravikServerTest() {
    server.reset();
    sim::WallClock::Clear();
}

void TravikServerTest::InstallModule() {
    ASSERT_TRUE(folder.Ok()) << folder.Error();
    std::error_code error;
    const std::string module = std::string("addons/travik") + sim::kModuleExtension;
    fs::copy_file(TRAVIK_INSTALL_DIR "/" + module, folder.PathOf(module),
                  fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << error.message();
    ASSERT_TRUE(
        folder.WriteFile("cfg/travik.cfg", ReadWhole(TRAVIK_INSTALL_DIR "/cfg/travik.cfg")));
}

void TravikServerTest::InstallTravik() {
    InstallModule();
    const std::string vdf = ReadWhole(TRAVIK_INSTALL_DIR "/addons/travik.vdf");
    ASSERT_FALSE(vdf.empty());
    ASSERT_TRUE(folder.WriteFile("addons/travik.vdf", vdf));
}

void TravikServerTest::WriteConfig(const std::string& contents) {
    ASSERT_TRUE(folder.WriteFile("cfg/travik.cfg", contents));
}

sim::Server& TravikServerTest::StartServer(const std::string& commandLine) {
    EXPECT_TRUE(folder.Ok()) << folder.Error();
    sim::ServerConfig config;
    config.gameDir = folder.GameDir();
    config.commandLine = commandLine;
    server = std::make_unique<sim::Server>(config);
    EXPECT_TRUE(server->Start()) << server->Console().Text();
    SettleStartUp();
    return *server;
}

// The plug-in's start-up commands (sv_pure 2 at activation, and the level
// restart that a new pure level brings) run before the test's players come.
void TravikServerTest::SettleStartUp() {
    for (int frame = 0; frame < kStartUpFrames; ++frame) {
        if (server->Buffer().Empty() && !server->HasPendingLevelChange()) {
            return;
        }
        server->RunFrame();
    }
}

int TravikServerTest::ConsoleCount(const std::string& text) const {
    return CountOf(ConsoleText(), text);
}

std::string TravikServerTest::Var(const char* name) const {
    const ConVar* var = server->FindVar(name);
    return var ? var->GetString() : "<missing>";
}

bool TravikServerTest::AnyTravikVariable() const {
    for (ConCommandBase* entry = server->Cvar().GetCommands(); entry; entry = entry->GetNext()) {
        if (std::string(entry->GetName()).rfind("tk_", 0) == 0) {
            return true;
        }
    }
    return false;
}

sim::Client& TravikServerTest::Connect(const std::string& name,
                                       const std::function<void(sim::ClientSpec&)>& adjust) {
    sim::ClientSpec spec;
    spec.name = name;
    // In the game and validated at once; tests about joining say otherwise.
    spec.signOn = 0.0;
    spec.validateAfter = 0.0;
    if (adjust) {
        adjust(spec);
    }
    return server->Clients().Connect(spec);
}

sim::Client& TravikServerTest::AddBot(const std::string& name, int team) {
    sim::Client& bot = server->Clients().AddFakeClient(name, sim::ClientKind::Bot);
    if (team != TEAM_UNASSIGNED) {
        server->Game().Sim()->SetTeam(bot.EntityIndex(), team);
    }
    return bot;
}

sim::Client& TravikServerTest::Join(const std::string& name, int team,
                                    const std::function<void(sim::ClientSpec&)>& adjust) {
    sim::Client& client = Connect(name, adjust);
    if (team != TEAM_UNASSIGNED) {
        server->Game().Sim()->SetTeam(client.EntityIndex(), team);
    }
    return client;
}

CBaseEntity* TravikServerTest::EntityAt(int index) const {
    edict_t* edict = server->Edicts().Get(index);
    return edict && !edict->IsFree() && edict->GetUnknown() ? edict->GetUnknown()->GetBaseEntity()
                                                            : nullptr;
}

void TravikServerTest::ClientLine(sim::Client& client, const std::string& line) {
    server->Clients().ExecuteClientLine(client, line);
}

const std::string& TravikServerTest::ClientConsole(const sim::Client& client) {
    return client.GetInbox().Console().Text();
}

std::vector<std::string> TravikServerTest::ChatOf(const sim::Client& client) {
    std::vector<std::string> lines;
    for (const sim::InboxEntry* entry : client.GetInbox().OfKind(sim::InboxKind::Chat)) {
        lines.push_back(entry->text);
    }
    return lines;
}

std::string TravikServerTest::LogPath(const std::string& name) const {
    return folder.PathOf("addons/tk_logs/" + name);
}

std::string TravikServerTest::ReadLog(const std::string& name) const {
    std::string text = ReadWhole(LogPath(name));
#ifdef _WIN32
    // The logs are text files, whose lines end in CR LF on Windows; they
    // read as on Linux. (A CR of the plug-in's own never stands raw in a
    // line: control bytes are written escaped.)
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    }
    text.swap(lines);
#endif
    return text;
}

bool TravikServerTest::LogExists(const std::string& name) const {
    std::error_code error;
    return fs::is_regular_file(LogPath(name), error);
}

void TravikServerTest::WriteLog(const std::string& name, const std::string& contents) {
    ASSERT_TRUE(folder.WriteFile("addons/tk_logs/" + name, contents));
}
