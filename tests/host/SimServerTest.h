// The fixture of the srcds-sim suites: a fresh game folder from the
// template and a fresh server in this process for every test, with the
// test plug-in installable as an addon.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ISimTestPlugin.h"
#include "engine/Server.h"
#include "scenario/GameFolder.h"

class SimServerTest : public ::testing::Test {
protected:
    SimServerTest();
    ~SimServerTest() override;

    // Installs the test plug-in as addons/<name>.so with its .vdf.
    void InstallTestPlugin(const std::string& name = "simtest");
    // A server on the folder, started with that command line.
    sim::Server& StartServer(const std::string& commandLine = "+map de_dust2");
    // The test plug-in loaded at that index of the server's plug-in list.
    ISimTestPlugin* TestPlugin(int index = 0);
    // The plug-in's recorded calls, optionally only those starting with a prefix.
    std::vector<std::string> Calls(const std::string& prefix = "", int index = 0);
    // The calls without SetCommandClient (which every console command brings).
    std::vector<std::string> CallsWithoutCommandClient(int index = 0);

    sim::Client& Connect(const std::string& name,
                         const std::function<void(sim::ClientSpec&)>& adjust = {});
    // A console line, run at once.
    void Console(const std::string& line) { server->ExecuteConsoleLine(line); }
    bool ConsoleHas(const std::string& text) const { return server->Console().Contains(text); }
    const char* Var(const char* name) const;
    // Events of that name fired so far.
    std::vector<sim::GameEventManager::Fired> Events(const std::string& name) const;

    sim::GameFolder folder;
    std::unique_ptr<sim::Server> server;
};
