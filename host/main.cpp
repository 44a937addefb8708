// srcds-sim: the emulated Counter-Strike: Source dedicated server. Runs a
// scenario file, or reads console lines from standard input like a real
// server console.
#include <cstring>
#include <iostream>
#include <string>

#include "engine/Server.h"
#include "scenario/ScenarioRunner.h"

namespace {

const char kHelp[] = R"(srcds-sim: an emulated Counter-Strike: Source dedicated server.

Usage:
  srcds-sim --scenario FILE [options]      run a scenario; exit 0 when every
                                            expectation holds, 1 at the first
                                            that fails, 2 on an error
  srcds-sim [options] [SERVER ARGUMENTS]   start a server and read console
                                            lines from standard input
  srcds-sim --help

Options:
  --template DIR   the game-folder template (DIR/cstrike); default: the one
                   built beside this program
  --modules DIR    where "addon NAME" finds NAME.so; default: beside this program
  --tools DIR      where "process start NAME PROGRAM" finds a bare PROGRAM
                   (DIR/PROGRAM or DIR/*/PROGRAM); default: the build's tools/
                   (Windows build: Linux programs, run by srcds-sim-processhost;
                   default: the process host's tools folder)
  --game DIR       interactive mode: use this game folder as it is instead of
                   a temporary copy of the template
  --keep           keep the temporary game folder and print where it is
  --quiet          do not print the console and what clients receive

Server arguments, as for the real server: -insecure, -tickrate N, -port N
(UDP on 127.0.0.1; a free port without it), +maxplayers N, +map NAME,
+exec FILE, and any +command with its arguments.
The game folder is cstrike/ with cfg/, addons/, maps/, logs/ and
bin/server.so; plug-ins load through addons/*.vdf at start-up.

Scenario language (one action or expectation per line; '#' starts a comment
line; texts in double quotes take C escapes \n \t \\ \" \xHH). Scenarios run
with local time in UTC.
)";

const char kHelpEnd[] = R"(A failed expectation prints "FILE:LINE: expected ... but saw ...".
In the interactive mode these actions work as console lines too; any other
line is a console command, run in the next frame. See docs/scenarios.md.
)";

struct Options {
    sim::ScenarioOptions scenario;
    std::string scenarioFile;
    std::string serverArguments;
    bool help = false;
    std::string error;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc)
                options.error = arg + " needs a value";
            else
                out = argv[++i];
        };
        if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--scenario")
            value(options.scenarioFile);
        else if (arg == "--template")
            value(options.scenario.templateDir);
        else if (arg == "--modules")
            value(options.scenario.modulesDir);
        else if (arg == "--tools")
            value(options.scenario.processes.toolsDir);
        else if (arg == "--game")
            value(options.scenario.gameDir);
        else if (arg == "--keep")
            options.scenario.keepFolder = true;
        else if (arg == "--quiet")
            options.scenario.echo = false;
        else if (arg.rfind("--", 0) == 0)
            options.error = "unknown option " + arg;
        else
            options.serverArguments += (options.serverArguments.empty() ? "" : " ") + arg;
    }
    return options;
}

int Interactive(sim::ScenarioRunner& runner, const std::string& serverArguments) {
    if (!runner.StartServer(serverArguments)) {
        std::cerr << "srcds-sim: " << runner.Message() << "\n";
        return sim::ScenarioRunner::kExitError;
    }
    std::string line;
    int number = 0;
    while (runner.GetServer()->IsUp() && std::getline(std::cin, line)) {
        ++number;
        const std::string first = line.substr(0, line.find_first_of(" \t"));
        if (!sim::ScenarioRunner::IsAction(first)) {
            runner.RunConsoleLine(line);
            continue;
        }
        if (runner.RunLine(line, "stdin:" + std::to_string(number)) !=
            sim::ScenarioRunner::Outcome::Ok)
            std::cerr << runner.Message() << "\n";
    }
    runner.Finish();
    return sim::ScenarioRunner::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    if (options.help) {
        std::cout << kHelp << sim::ScenarioRunner::LanguageHelp() << kHelpEnd;
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "srcds-sim: " << options.error << " (srcds-sim --help)\n";
        return sim::ScenarioRunner::kExitError;
    }
    sim::ScenarioRunner runner(options.scenario);
    if (!options.scenarioFile.empty()) {
        if (!options.serverArguments.empty()) {
            std::cerr << "srcds-sim: a scenario starts its own server (server start ...)\n";
            return sim::ScenarioRunner::kExitError;
        }
        return runner.RunFile(options.scenarioFile);
    }
    return Interactive(runner, options.serverArguments);
}
