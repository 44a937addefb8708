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
  addon MODULE [as NAME]        install MODULE.so as addons/NAME.so + NAME.vdf
  file write PATH "text"        a file in the game folder (cfg/server.cfg, ...)
  file delete PATH
  clock set "2026-12-07 22:31"  fake the wall clock (UTC); it moves with frames
  clock real
  game description "text"       what the game library calls itself
  server start [ARGUMENTS]      e.g. server start -insecure +maxplayers 16 +map de_dust2
  server stop                   quit
  console "line"                a server console line, run at once
  advance N ticks | N s | N ms  run frames (no sleeping)
  client NAME connect [name=TEXT] [steamid=ID] [address=IP:PORT] [validate=SECONDS|never]
                      [latency=SECONDS] [password=TEXT] [cvar KEY=VALUE ...]
  client NAME command "line"    the client's console; ';' splits commands
  client NAME say "text"        chat (say_team for the team)
  client NAME set KEY VALUE     change a client setting (setinfo adds user info)
  client NAME team N            jointeam N
  client NAME answer CVAR intact [VALUE] | notfound | notacvar | protected | silent
  client NAME latency SECONDS   how long cvar queries take to answer
  client NAME validate          Steam validates now
  client NAME disconnect ["reason"]
  client NAME usercmds RATE     usercmds per second (0: one per tick; more: a speed hack)
  client NAME input [angles=P,Y,R] [forward=F] [side=S] [up=U] [buttons=use+jump|none] | none
  client NAME movetype walk|noclip|ladder|fly|observer
  client NAME teleport X Y Z
  client NAME buy ITEM          ak47, m4a1, flashbang, defuser, ...
  client NAME flash SECONDS [MAX_ALPHA]
  client NAME plant             the bomb, where the terrorist stands
  client NAME hurt DAMAGE [by OTHER] [weapon NAME]
  bot NAME                      a bot joins
  udp send "bytes" [xN]         datagrams to the server's port (udp send empty x100)
  clear console | clear NAME    forget what was seen so far
  note "text"                   print a note
  expect [not] console [contains|line] "text"
  expect [not] NAME console|chat|hint|center|notify|menu [exactly] "text" [keys=N] [time=N]
  expect [not] NAME kicked|rejected|disconnected ["reason"]
  expect [not] NAME connected | NAME networkid "ID"
  expect [not] banned [id|ip] KEY
  expect [not] cvar NAME "value"
  expect [not] file PATH exists | contains "text" | equals "text"
  expect [not] event NAME [key=value ...]
  expect [not] players N | plugins N | map NAME
  expect [not] NAME usercmds|money|health|speed|x|y|z|flash|maxspeed|team [OP] N
  expect [not] NAME alive|defusing|onground|ducking|kit | NAME movetype TYPE
  expect [not] NAME sent CLIENT|#INDEX|CLASS | NAME hears OTHER
  expect [not] entities model|class NAME [OP] N
  expect [not] trace FROM to TO blocked|clear [mask=opaque|solid|shot]
  expect [not] udp empty|game|total|type C [OP] N | udp reply "text"
A failed expectation prints "FILE:LINE: expected ... but saw ...".
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
        std::cout << kHelp;
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
