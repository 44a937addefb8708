// The scenario language: words and escapes, actions and expectations, the
// report of a failed line, and the srcds-sim executable around it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <utility>

#include "engine/Platform.h"
#include "engine/WallClock.h"
#include "scenario/ScenarioLine.h"
#include "scenario/ScenarioRunner.h"

namespace {

using Words = std::vector<std::string>;

Words Split(const std::string& line) {
    std::string error;
    auto words = sim::ScenarioLine::Split(line, error);
    Words texts;
    if (!words)
        return {"<error: " + error + ">"};
    for (const auto& word : *words)
        texts.push_back(word.text);
    return texts;
}

TEST(SrcdsSimScenarioLine, WordsQuotesAndEscapes) {
    EXPECT_EQ(Split("expect alice chat \"\\x03Travik:\\x04 hi\\n\""),
              (Words{"expect", "alice", "chat", "\x03Travik:\x04 hi\n"}));
    EXPECT_EQ(Split("client a connect name=\"Mr \\\"X\\\"\" cvar rate=25000"),
              (Words{"client", "a", "connect", "name=Mr \"X\"", "cvar", "rate=25000"}));
    EXPECT_EQ(Split("  # a comment"), Words{});
    EXPECT_EQ(Split("note \"# not a comment\""), (Words{"note", "# not a comment"}));
    EXPECT_EQ(Split("file write x \"a\\\\b\\tc\""), (Words{"file", "write", "x", "a\\b\tc"}));
    EXPECT_EQ(Split("say \"open"), Words{"<error: a quoted text is not closed>"});
    EXPECT_EQ(Split("say \"\\q\""), Words{"<error: unknown escape in a quoted text>"});
    EXPECT_EQ(Split("say \"\\x\""), Words{"<error: unknown escape in a quoted text>"});
}

TEST(SrcdsSimScenarioLine, DisplayShowsControlBytes) {
    EXPECT_EQ(sim::ScenarioLine::Display("\x03Travik:\x04 a \"b\"\n"),
              "\\x03Travik:\\x04 a \\\"b\\\"\\n");
}

class SrcdsSimScenario : public ::testing::Test {
protected:
    int Run(const std::string& text) {
        sim::ScenarioOptions options;
        options.templateDir = SRCDS_SIM_TEMPLATE;
        options.modulesDir = SRCDS_SIM_MODULES;
        options.echo = false;
        sim::ScenarioRunner runner(options);
        ::testing::internal::CaptureStderr();
        const int code = runner.RunText(text, "test.scn");
        errors = ::testing::internal::GetCapturedStderr();
        return code;
    }

    std::string errors;
};

TEST_F(SrcdsSimScenario, AScenarioOfActionsAndExpectationsPasses) {
    EXPECT_EQ(Run(R"scn(addon sim_test_plugin
clock set "2026-12-07 22:31"
server start -insecure +maxplayers 4 +map de_dust2
expect plugins 1
client alice connect steamid=STEAM_0:1:123 validate=0.5 signon=0 cvar fps_max=300
expect alice networkid "STEAM_ID_PENDING"
advance 500ms
expect alice networkid "STEAM_0:1:123"
client alice command "sim_chat hi"
expect alice chat exactly "\x03[sim]\x04 hi\n"
expect not alice chat "bye"
client alice answer fps_max intact 30
client alice command "sim_query fps_max"
advance 2 ticks
expect not console "fps_max = \"30\""
advance 5 ticks
expect console line "[sim] query 1: fps_max = \"30\" (status 0)"
client alice say "!ready"
expect event player_say text="!ready"
console "kickid 2 bye bye"
expect alice kicked "Kicked by Console : bye bye"
expect players 0
console "addip 0 10.0.0.9; writeip"
expect banned ip 10.0.0.9
expect file cfg/banned_ip.cfg equals "addip 0 10.0.0.9\n"
expect cvar sv_cheats "0"
bot Bot01
expect Bot01 networkid "BOT"
server stop
)scn"),
              sim::ScenarioRunner::kExitOk)
        << errors;
    EXPECT_EQ(errors, "");
}

// The listing documents a plug-in from its module: exactly what the plug-ins
// registered, never the engine's or the game's, whose variables share the
// registry; bounds, flags and help texts as registered, each entry one line.
TEST_F(SrcdsSimScenario, CommandsPrintListsOnlyWhatPlugInsRegistered) {
    ::testing::internal::CaptureStdout();
    const int code =
        Run("addon sim_test_plugin\n"
            "server start +map de_dust2\n"
            "commands print\n");
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, sim::ScenarioRunner::kExitOk) << errors;
    EXPECT_EQ(out,
              "variable\tsim_test_bounded\t5\t0\t0.5\t10\t"
              "A bounded variable of the test plug-in\\n\\tits second line\n"
              "command\tsim_test_cmd\t0\tA command of the test plug-in\n"
              "variable\tsim_test_replicated\t1\t8192\t-\t-\t"
              "A replicated variable of the test plug-in\n"
              "variable\tsim_test_var\t1\t0\t-\t-\tA variable of the test plug-in\n");

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run("server start +map de_dust2\ncommands print\n"), sim::ScenarioRunner::kExitOk);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Run("server start +map de_dust2\ncommands list\n"), sim::ScenarioRunner::kExitError);
}

TEST_F(SrcdsSimScenario, AFailedExpectationNamesItsLineAndStopsTheRun) {
    EXPECT_EQ(Run("server start +map de_dust2\n"
                  "console \"echo hello\"\n"
                  "# the next line fails\n"
                  "expect console \"goodbye\"\n"
                  "expect console \"also missing\"\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_EQ(errors.rfind("test.scn:4: expected the console to contain \"goodbye\" but saw", 0),
              0u)
        << errors;
    EXPECT_NE(errors.find("\"hello\""), std::string::npos) << "what the console showed";
    EXPECT_EQ(errors.find("test.scn:5"), std::string::npos);
}

TEST_F(SrcdsSimScenario, NegatedExpectationsFailWhenTheThingIsThere) {
    EXPECT_EQ(
        Run("server start +map de_dust2\nconsole \"echo here\"\nexpect not console \"here\"\n"),
        sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("test.scn:3: expected the console not to contain \"here\""),
              std::string::npos)
        << errors;
}

TEST_F(SrcdsSimScenario, MenusMustMatchTheirKeysAndTime) {
    EXPECT_EQ(Run("addon sim_test_plugin\nserver start +map de_dust2\nclient a connect signon=0\n"
                  "client a command \"sim_menu Pick\"\nexpect a menu \"Pick\" keys=1023 time=9\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("keys=1023 time=10"), std::string::npos) << errors;
}

TEST_F(SrcdsSimScenario, ClientsDoNotOutliveTheirServer) {
    EXPECT_EQ(Run("server start +map de_dust2\nclient alice connect\nserver stop\n"
                  "server start +map de_dust2\nexpect alice connected\n"),
              sim::ScenarioRunner::kExitError);
    EXPECT_NE(errors.find("test.scn:5: error: unknown expectation or client \"alice\""),
              std::string::npos)
        << errors;
}

TEST_F(SrcdsSimScenario, MistakesAreErrorsWithTheirLine) {
    EXPECT_EQ(Run("fly to the moon\n"), sim::ScenarioRunner::kExitError);
    EXPECT_EQ(errors, "test.scn:1: error: unknown action \"fly\"\n");
    EXPECT_EQ(Run("\nclient alice connect\n"), sim::ScenarioRunner::kExitError);
    EXPECT_EQ(errors.rfind("test.scn:2: error: the server is not running", 0), 0u) << errors;
    EXPECT_EQ(Run("server start +map de_dust2\nclient bob say hi\n"),
              sim::ScenarioRunner::kExitError);
    EXPECT_NE(errors.find("no client bob"), std::string::npos);
    EXPECT_EQ(Run("server start +map de_dust2\nexpect console \"open\n"),
              sim::ScenarioRunner::kExitError);
    EXPECT_NE(errors.find("test.scn:2: error: a quoted text is not closed"), std::string::npos);
    EXPECT_EQ(Run("addon no_such_module\n"), sim::ScenarioRunner::kExitError);
    EXPECT_NE(errors.find(std::string("no module no_such_module") + sim::kModuleExtension),
              std::string::npos)
        << errors;
    EXPECT_EQ(Run("server start +map de_dust2\nexpect console \"x\" extra\n"),
              sim::ScenarioRunner::kExitError);
    EXPECT_EQ(Run("file write ../outside \"x\"\n"), sim::ScenarioRunner::kExitError);
}

TEST_F(SrcdsSimScenario, GameExpectationsCompareAndSayWhatTheySaw) {
    const std::string joined =
        "server start +mp_freezetime 0 +map de_dust2\nclient a connect signon=0\nclient a team 2\n";
    EXPECT_EQ(Run(joined + "expect a money >= 800\nexpect a movetype walk\nexpect a money < 800\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("test.scn:6: expected a's money to be < 800 but saw 800"),
              std::string::npos)
        << errors;
    EXPECT_EQ(Run(joined + "expect a defusing\n"), sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("expected a to be defusing but saw no"), std::string::npos) << errors;
    EXPECT_EQ(Run(joined + "expect trace 0,0,64 to 0,0,-64 clear\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("but saw blocked at 0,0,0 (fraction 0.5)"), std::string::npos) << errors;
    EXPECT_EQ(Run(joined + "expect not entities model \"models/none.mdl\" 0\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_EQ(Run(joined + "advance 1 tick\nexpect a sent a\nexpect a sent #0\n"
                           "expect a sent worldspawn\nexpect not a sent planted_c4\n"),
              sim::ScenarioRunner::kExitOk)
        << errors;
    EXPECT_EQ(Run(joined + "client b connect\nclient b disconnect\nadvance 1 tick\n"
                           "expect a sent b\n"),
              sim::ScenarioRunner::kExitFailed)
        << "a client that left is sent to nobody";
}

TEST_F(SrcdsSimScenario, MalformedGameLinesAreErrors) {
    const std::string joined = "server start +map de_dust2\nclient a connect signon=0\n";
    const std::pair<const char*, const char*> cases[] = {
        {"client a input forward=fast", "bad input forward=fast"},
        {"client a input buttons=use+fly", "bad input buttons=use+fly"},
        {"client a input angles=1,2", "bad input angles=1,2"},
        {"client a movetype swim", "client NAME movetype"},
        {"client a usercmds -5", "client NAME usercmds"},
        {"client a teleport 1 2 nan", "client NAME teleport X Y Z"},
        {"client a hurt 1e9", "client NAME hurt"},
        {"client a lag 0", "client NAME lag SECONDS"},
        {"client a lag 11", "client NAME lag SECONDS"},
        {"udp send empty x201", "1 to 200 times"},
        {"udp send \"x\" times3", "udp send"},
        {"expect a money about 5", "expected a number, not \"about\""},
        {"expect trace a to nowhere blocked", "a trace end is a client or x,y,z"},
        {"expect udp type UV 1", "expect udp"},
        {"expect a hears nobody", "no client nobody"},
    };
    for (const auto& [line, message] : cases) {
        EXPECT_EQ(Run(joined + line + "\n"), sim::ScenarioRunner::kExitError) << line;
        EXPECT_NE(errors.find(message), std::string::npos) << line << ": " << errors;
    }
}

TEST_F(SrcdsSimScenario, AMalformedLineShowsTheUsageOfItsWord) {
    const std::string started = "server start +map de_dust2\nclient a connect signon=0\n";
    const std::pair<const char*, const char*> cases[] = {
        {"advance 5 parsecs", "error: usage: advance [real] N ticks | N frames | N s | N ms"},
        {"client a latency soon", "error: usage: client NAME latency SECONDS"},
        {"client a connect", "a is already connected"},
        {"client a teleport 1 2", "error: usage: client NAME teleport X Y Z"},
        {"client a input side=left", "bad input side=left (usage: client NAME input"},
        {"client a fly", "unknown client action \"fly\""},
        {"expect players many", "error: usage: expect players N | plugins N"},
        {"expect a money about", "expected a number, not \"about\""},
        {"expect entities colour red 1", "usage: expect entities model|class NAME [OP] N"},
        {"expect a smiles", "unknown expectation \"smiles\" for a client"},
    };
    for (const auto& [line, message] : cases) {
        EXPECT_EQ(Run(started + line + "\n"), sim::ScenarioRunner::kExitError) << line;
        EXPECT_NE(errors.find("test.scn:3: "), std::string::npos) << line << ": " << errors;
        EXPECT_NE(errors.find(message), std::string::npos) << line << ": " << errors;
    }
}

TEST_F(SrcdsSimScenario, APlayerNumberWithoutAPlayerFailsRatherThanErrs) {
    const std::string gone = "server start +map de_dust2\nclient a connect\nclient a disconnect\n";
    EXPECT_EQ(Run(gone + "expect a money >= 0\n"), sim::ScenarioRunner::kExitFailed);
    EXPECT_NE(errors.find("expected a to have a player in the game but saw none"),
              std::string::npos)
        << errors;
    EXPECT_EQ(Run(gone + "expect a money >= zero\n"), sim::ScenarioRunner::kExitError)
        << "the line is still read whole";
}

TEST_F(SrcdsSimScenario, AClientSignsOnBeforeItIsInTheGameAndSteamAnswersAfter) {
    EXPECT_EQ(Run("server start +map de_dust2\n"
                  "client a connect steamid=STEAM_0:1:7 signon=0.5\n"
                  "expect a connected\nexpect not a ingame\n"
                  "advance 500ms\nexpect a ingame\nexpect a networkid \"STEAM_ID_PENDING\"\n"
                  "advance 500ms\nexpect a networkid \"STEAM_0:1:7\"\n"),
              sim::ScenarioRunner::kExitOk)
        << errors;
    EXPECT_EQ(Run("server start +map de_dust2\nclient a connect\nclient a teleport 1 2 3\n"),
              sim::ScenarioRunner::kExitError);
    EXPECT_NE(errors.find("test.scn:3: error: a is not in the game yet"), std::string::npos)
        << errors;
}

TEST_F(SrcdsSimScenario, AFatalEngineErrorFailsTheScenarioAtItsLine) {
    for (const char* command : {"sim_nested_message", "sim_stray_end"}) {
        EXPECT_EQ(Run(std::string("addon sim_test_plugin\nserver start +map de_dust2\n"
                                  "client a connect signon=0\nclient a command ") +
                      command + "\nexpect a connected\n"),
                  sim::ScenarioRunner::kExitFailed)
            << command;
        EXPECT_NE(errors.find("test.scn:4: the server stopped with a fatal error: "),
                  std::string::npos)
            << errors;
    }
}

// A date is read as UTC the same way on every platform, before 1970 and
// past the years the platform's own conversion covers included.
TEST_F(SrcdsSimScenario, ClockDatesAreUtcOnEveryPlatformWhateverTheYear) {
    const std::pair<const char*, double> dates[] = {
        {"2026-12-07 22:31", 1796682660.0},    {"2024-02-29 12:00", 1709208000.0},
        {"2038-01-19 03:14:08", 2147483648.0}, {"1969-12-31 23:00", -3600.0},
        {"1900-01-01 00:00", -2208988800.0},   {"3001-01-01 00:00", 32535216000.0},
        {"2026-13-01 00:00", 1798761600.0},  // the 13th month is next January
    };
    for (const auto& [text, epoch] : dates) {
        EXPECT_EQ(Run(std::string("clock set \"") + text + "\"\n"), sim::ScenarioRunner::kExitOk)
            << text << ": " << errors;
        EXPECT_TRUE(sim::WallClock::IsFake()) << text;
        EXPECT_EQ(sim::WallClock::FakeNow(), epoch) << text;
        sim::WallClock::Clear();
    }
}

TEST_F(SrcdsSimScenario, ARefusedGameDescriptionIsSetBeforePluginsLoad) {
    EXPECT_EQ(Run("game description \"Half-Life 2 Deathmatch\"\nserver start +map de_dust2\n"
                  "expect console \"x\"\n"),
              sim::ScenarioRunner::kExitFailed);
    EXPECT_EQ(Run("addon sim_test_plugin\ngame description \"Counter-Strike: Sauce\"\n"
                  "server start +map de_dust2\nconsole \"plugin_print\"\n"
                  "expect console \"Sim Test Plugin\"\n"),
              sim::ScenarioRunner::kExitOk)
        << errors;
}

// The executable as a shell command's first word: Windows' shell wants
// backslashes in a program's path.
std::string Executable() {
    std::string path = SRCDS_SIM_EXECUTABLE;
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

// Runs a shell command and gives its output and exit status.
int Shell(const std::string& command, std::string& output) {
    output.clear();
#ifdef _WIN32
    FILE* pipe = _popen((command + " 2>&1").c_str(), "r");
#else
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer{};
    while (size_t read = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), read);
#ifdef _WIN32
    // The program's exit code itself.
    return _pclose(pipe);
#else
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(SrcdsSimExecutable, HelpExplainsTheCommandLineAndTheLanguage) {
    std::string output;
    EXPECT_EQ(Shell(Executable() + " --help", output), 0);
    for (const char* text :
         {"--scenario FILE", "+maxplayers", "client NAME connect", "expect [not] console",
          "advance [real] N ticks", "process start NAME PROGRAM", "--tools DIR", "client NAME hurt",
          "expect [not] NAME kicked|rejected|disconnected", "expect [not] NAME hears OTHER",
          "expect [not] udp"})
        EXPECT_NE(output.find(text), std::string::npos) << text;
    EXPECT_EQ(Shell(Executable() + " --bogus", output), 2);
}

TEST(SrcdsSimExecutable, AFailingScenarioExitsNonZeroAndSaysWhichLine) {
    const std::string path = WriteTemp("failing.scn",
                                       "server start +map de_dust2\n"
                                       "expect cvar sv_cheats \"1\"\n");
    std::string output;
    EXPECT_EQ(Shell(Executable() + " --quiet --scenario " + path, output), 1);
    EXPECT_NE(output.find("failing.scn:2: expected sv_cheats to be \"1\" but saw \"0\""),
              std::string::npos)
        << output;
}

TEST(SrcdsSimExecutable, InteractiveModeReadsConsoleLinesAndActions) {
    const std::string input = WriteTemp("input.txt",
                                        "status\n"
                                        "client alice connect\n"
                                        "echo typed at the console\n"
                                        "expect alice connected\n"
                                        "expect alice kicked\n"
                                        "quit\n"
                                        "echo never read\n");
    std::string output;
    EXPECT_EQ(Shell(Executable() + " +maxplayers 4 +map de_nuke < " + input, output), 0);
    EXPECT_NE(output.find("map     :  de_nuke"), std::string::npos) << output;
    EXPECT_NE(output.find("typed at the console"), std::string::npos);
    EXPECT_NE(output.find("stdin:5: expected alice to be kicked"), std::string::npos) << output;
    EXPECT_EQ(output.find("never read"), std::string::npos);
}

}  // namespace
