// The fixture of the plug-in's feature suites: a fresh game folder from
// srcds-sim's template with travik installed from the build's install tree
// (addons/travik.so, addons/travik.vdf, cfg/travik.cfg), and a fresh server
// in this process for every test. The suites judge only what the host saw.
#pragma once

#include <gtest/gtest.h>
#include <shareddefs.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Server.h"
#include "scenario/GameFolder.h"

class CBaseEntity;

class TravikServerTest : public ::testing::Test {
protected:
    TravikServerTest();
    ~TravikServerTest() override;

    // The module alone, or with its description file (loaded at start-up).
    void InstallModule();
    void InstallTravik();
    // Replaces the shipped cfg/travik.cfg.
    void WriteConfig(const std::string& contents);

    sim::Server& StartServer(const std::string& commandLine = "+map de_dust2");
    // Runs the frames that the start-up commands need.
    void SettleStartUp();
    // The server without a level, so that a plug-in may still load.
    sim::Server& StartIdleServer() { return StartServer(""); }

    void Console(const std::string& line) { server->ExecuteConsoleLine(line); }
    const std::string& ConsoleText() const { return server->Console().Text(); }
    bool ConsoleHas(const std::string& text) const { return server->Console().Contains(text); }
    // How often the text stands in the server console since the last clear.
    int ConsoleCount(const std::string& text) const;
    void ClearConsole() { server->Console().Clear(); }

    ConVar* FindVar(const char* name) const { return server->FindVar(name); }
    std::string Var(const char* name) const;
    // Whether any variable or command of the plug-in is registered.
    bool AnyTravikVariable() const;

    sim::Client& Connect(const std::string& name,
                         const std::function<void(sim::ClientSpec&)>& adjust = {});
    sim::Client& AddBot(const std::string& name, int team = TEAM_UNASSIGNED);
    // A client in the game at once, put on `team` unless that is
    // TEAM_UNASSIGNED.
    sim::Client& Join(const std::string& name, int team,
                      const std::function<void(sim::ClientSpec&)>& adjust = {});
    // The game's entity on an edict in use, reached through the edict as a
    // plug-in reaches it; null otherwise.
    CBaseEntity* EntityAt(int index) const;
    CBaseEntity* EntityOf(const sim::Client& client) const {
        return EntityAt(client.EntityIndex());
    }
    // A line typed in the client's console.
    void ClientLine(sim::Client& client, const std::string& line);
    // The client's own console text.
    static const std::string& ClientConsole(const sim::Client& client);
    // The client's chat lines, in arrival order.
    static std::vector<std::string> ChatOf(const sim::Client& client);

    // A file of the plug-in's log folder (addons/tk_logs); "" when missing.
    std::string ReadLog(const std::string& name) const;
    bool LogExists(const std::string& name) const;
    void WriteLog(const std::string& name, const std::string& contents);
    std::string LogPath(const std::string& name) const;

    // Frames the start-up commands may take before the test goes on.
    static constexpr int kStartUpFrames = 8;

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
};

// How often `needle` stands in `text`.
int CountOf(const std::string& text, const std::string& needle);
