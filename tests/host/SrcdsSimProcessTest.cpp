// The scenario's helper programs ("process start/stop", ${NAME.port}) and
// frames at the wall clock's pace ("advance real").
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ProcessTestSupport.h"
#include "engine/Server.h"
#include "scenario/ScenarioRunner.h"

namespace {

using Outcome = sim::ScenarioRunner::Outcome;

using processtest::ReadFile;

// What a connection to 127.0.0.1:port reads ("" when nobody listens).
std::string Greeting(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string text;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        char buffer[64];
        pollfd descriptor{fd, POLLIN, 0};
        if (poll(&descriptor, 1, 5000) > 0) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0)
                text.assign(buffer, static_cast<size_t>(got));
        }
    }
    close(fd);
    return text;
}

using processtest::Alive;

// Waits (bounded, 5 s) until a file holds the text.
bool FileGets(const std::string& path, const std::string& text) {
    for (int i = 0; i < 500; ++i) {
        if (ReadFile(path).find(text) != std::string::npos)
            return true;
        poll(nullptr, 0, 10);
    }
    return false;
}

class SrcdsSimProcess : public ::testing::Test {
protected:
    ~SrcdsSimProcess() override { runner.reset(); }

    sim::ScenarioRunner& Runner() {
        if (!runner) {
            sim::ScenarioOptions options;
            options.templateDir = SRCDS_SIM_TEMPLATE;
            options.modulesDir = SRCDS_SIM_MODULES;
            options.echo = false;
            options.processes.toolsDir = m_dir + "/tools";
            options.processes.startTimeout = 0.5;
            options.processes.stopGrace = 0.2;
            options.realNow = [this] { return now; };
            options.realSleepUntil = [this](double when) {
                sleeps.push_back(when);
                ticksAtSleep.push_back(runner->GetServer()->Clock().TickCount());
                now = std::max(now, when + lateBy);
            };
            runner = std::make_unique<sim::ScenarioRunner>(options);
        }
        return *runner;
    }
    Outcome Run(const std::string& line) { return Runner().RunLine(line, "test.scn:1"); }
    std::string PathIn(const std::string& name) const { return m_dir + "/" + name; }
    pid_t PidIn(const std::string& name) const { return std::atoi(ReadFile(PathIn(name)).c_str()); }
    std::string GameFile(const std::string& path) {
        return ReadFile(runner->GetServer() ? runner->GetServer()->GameDir() + "/" + path : "");
    }

    std::unique_ptr<sim::ScenarioRunner> runner;
    double now = 1000.0;
    double lateBy = 0.0;
    std::vector<double> sleeps;
    std::vector<int> ticksAtSleep;

private:
    processtest::ListenerFolder m_folder{"srcds-sim-process", "tools", SIM_TEST_LISTENER};
    const std::string m_dir = m_folder.Path();
};

TEST_F(SrcdsSimProcess, ABareNameRunsFromTheToolsFolderAndLaterLinesReadItsPort) {
    ASSERT_EQ(Run("process start league sim_test_listener --pidfile " + PathIn("pid")), Outcome::Ok)
        << runner->Message();
    ASSERT_EQ(Run("server start +map de_dust2"), Outcome::Ok);
    ASSERT_EQ(Run("file write cfg/where.txt \"${league.port} ${league.address}\""), Outcome::Ok);
    const std::string where = GameFile("cfg/where.txt");
    const int port = std::atoi(where.c_str());
    ASSERT_GT(port, 0) << where;
    EXPECT_EQ(where, std::to_string(port) + " 127.0.0.1:" + std::to_string(port));
    // The port is the program's own: it answers there.
    EXPECT_EQ(Greeting(port), "hello\n");
    EXPECT_EQ(runner->Processes().Pid("league"), PidIn("pid"));
    // Its standard error (and output) are in the game folder's logs.
    EXPECT_EQ(Run("expect file logs/process_league.log contains \"listener: started\""),
              Outcome::Ok)
        << runner->Message();
    EXPECT_EQ(Run("expect file logs/process_league.log contains \"listening on 127.0.0.1:\""),
              Outcome::Ok);

    const pid_t pid = PidIn("pid");
    ASSERT_EQ(Run("process stop league"), Outcome::Ok);
    EXPECT_FALSE(Alive(pid));
    EXPECT_EQ(Greeting(port), "");
    // Gone from the placeholders too.
    EXPECT_EQ(Run("note \"${league.port}\""), Outcome::Error);
    EXPECT_NE(runner->Message().find("${league.port}"), std::string::npos);
}

TEST_F(SrcdsSimProcess, AProgramAndWhatItStartedEndWithTheScenarioPassedOrFailed) {
    for (const char* last : {"note done", "expect players 5"}) {
        sleeps.clear();
        runner.reset();
        const std::string text = "process start a sim_test_listener --pidfile " + PathIn("a") +
                                 " --child " + PathIn("child") +
                                 "\nprocess start b sim_test_listener --ignore-term --pidfile " +
                                 PathIn("b") + "\nserver start +map de_dust2\n" + last + "\n";
        ::testing::internal::CaptureStderr();
        const int code = Runner().RunText(text, "test.scn");
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, std::string(last) == "note done" ? 0 : 1);
        // The one that ignores SIGTERM is killed after the grace time; the
        // child of the other one goes with its group.
        EXPECT_FALSE(Alive(PidIn("a"))) << last;
        EXPECT_FALSE(Alive(PidIn("b"))) << last;
        EXPECT_FALSE(Alive(PidIn("child"))) << last;
        EXPECT_EQ(runner->Processes().Pid("a"), 0);
    }
}

TEST_F(SrcdsSimProcess, AProgramDiesWithAKilledSrcdsSim) {
    const std::string scenario = PathIn("long.scn");
    std::ofstream(scenario) << "process start l sim_test_listener --pidfile " << PathIn("l")
                            << "\nserver start\nadvance real 30 s\n";
    const std::string tools = PathIn("tools");
    const pid_t sim = fork();
    if (sim == 0) {
        execl(SRCDS_SIM_EXECUTABLE, SRCDS_SIM_EXECUTABLE, "--quiet", "--tools", tools.c_str(),
              "--scenario", scenario.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(sim, 0);
    pid_t listener = 0;
    for (int i = 0; i < 500 && listener == 0; ++i) {
        listener = PidIn("l");
        poll(nullptr, 0, 10);
    }
    kill(sim, SIGKILL);
    waitpid(sim, nullptr, 0);
    ASSERT_GT(listener, 0);
    EXPECT_FALSE(Alive(listener));
}

TEST_F(SrcdsSimProcess, AProgramThatNamesNoPortIsAnErrorAndLeftNotRunning) {
    struct Case {
        std::string args;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             {"--exit 4", "ended (exit status 4) before naming its port"},
             {"--first \"ready on 10.0.0.1:80\"", "names no 127.0.0.1:PORT"},
             {"--first \"listening on 127.0.0.1:99999\"", "names no 127.0.0.1:PORT"},
             {"--silent --pidfile " + PathIn("silent"), "named no port within 0.5 s"},
             {"--pidfile " + PathIn("closed") + " --close-stdout",
              "closed its standard output before naming its port"},
         }) {
        runner.reset();
        EXPECT_EQ(Run("process start x sim_test_listener " + c.args), Outcome::Error) << c.args;
        EXPECT_NE(runner->Message().find(c.message), std::string::npos) << runner->Message();
        EXPECT_NE(runner->Message().find("process_x.log"), std::string::npos);
        EXPECT_EQ(runner->Processes().Pid("x"), 0);
        // The name is free again.
        EXPECT_EQ(Run("process start x sim_test_listener"), Outcome::Ok) << runner->Message();
    }
    EXPECT_FALSE(Alive(PidIn("silent")));
    EXPECT_FALSE(Alive(PidIn("closed")));
}

TEST_F(SrcdsSimProcess, NamesProgramsAndPlaceholdersAreChecked) {
    EXPECT_EQ(Run("process start ../x sim_test_listener"), Outcome::Error);
    EXPECT_EQ(Run("process start x no_such_tool"), Outcome::Error);
    EXPECT_NE(runner->Message().find("no program no_such_tool in"), std::string::npos);
    EXPECT_EQ(Run("process start x ./no/such/path"), Outcome::Error);
    EXPECT_EQ(Run("process start x"), Outcome::Error);
    EXPECT_NE(runner->Message().find("usage: process start NAME PROGRAM"), std::string::npos);
    EXPECT_EQ(Run("process stop nobody"), Outcome::Error);
    ASSERT_EQ(Run("process start x sim_test_listener"), Outcome::Ok);
    EXPECT_EQ(Run("process start x sim_test_listener"), Outcome::Error);
    EXPECT_NE(runner->Message().find("already running"), std::string::npos);
    // A program given by its path runs as well.
    EXPECT_EQ(Run(std::string("process start y ") + SIM_TEST_LISTENER), Outcome::Ok);
    EXPECT_EQ(Run("note \"${x.pid}\""), Outcome::Error);
    EXPECT_EQ(Run("note \"${z.port}\""), Outcome::Error);
    // Text that only looks like a placeholder is left alone.
    EXPECT_EQ(Run("note \"${HOME} costs $5 ${\""), Outcome::Ok);
    // Comments are not read for placeholders.
    EXPECT_EQ(Run("  # later lines read ${nobody.port}"), Outcome::Ok);
}

TEST_F(SrcdsSimProcess, AProgramThatEndsByItselfIsSeenByItsExpectation) {
    ASSERT_EQ(Run("process start x sim_test_listener --pidfile " + PathIn("x")), Outcome::Ok);
    EXPECT_EQ(Run("expect process x running"), Outcome::Ok) << runner->Message();
    EXPECT_EQ(Run("expect process y running"), Outcome::Failed);
    EXPECT_NE(runner->Message().find("no process of that name"), std::string::npos);
    kill(PidIn("x"), SIGKILL);
    Outcome outcome = Outcome::Ok;
    for (int i = 0; i < 500 && outcome == Outcome::Ok; ++i) {
        outcome = Run("expect process x running");
        poll(nullptr, 0, 10);
    }
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_NE(runner->Message().find("but saw ended (signal 9)"), std::string::npos)
        << runner->Message();
    EXPECT_EQ(Run("expect not process x running"), Outcome::Ok);
    // Its port is still what later lines read, and stopping it is no error.
    EXPECT_EQ(Run("note \"${x.port}\""), Outcome::Ok);
    EXPECT_EQ(Run("process stop x"), Outcome::Ok);
    EXPECT_EQ(Run("expect process"), Outcome::Error);
}

TEST_F(SrcdsSimProcess, AProgramInheritsOnlyItsStandardDescriptors) {
    // The server's socket and another helper's pipe are open by now.
    ASSERT_EQ(Run("server start +map de_dust2"), Outcome::Ok);
    ASSERT_EQ(Run("process start a sim_test_listener"), Outcome::Ok);
    ASSERT_EQ(Run("process start b sim_test_listener --fds"), Outcome::Ok);
    const std::string log = runner->GetServer()->GameDir() + "/logs/process_b.log";
    EXPECT_TRUE(FileGets(log, "listener: 3 descriptors")) << ReadFile(log);
}

TEST_F(SrcdsSimProcess, OutputAfterTheFirstLineIsDrainedSoTheProgramNeverBlocks) {
    ASSERT_EQ(Run("process start f sim_test_listener --flood"), Outcome::Ok);
    ASSERT_EQ(Run("server start"), Outcome::Ok);
    const std::string log = runner->GetServer()->GameDir() + "/logs/process_f.log";
    // A program blocked on a full pipe would never get to its next line.
    EXPECT_TRUE(FileGets(log, "listener: flood written"));
    EXPECT_TRUE(FileGets(log, "flood done"));
}

TEST_F(SrcdsSimProcess, AdvanceRealRunsOneTickPerIntervalOfRealTime) {
    ASSERT_EQ(Run("server start -tickrate 66 +map de_dust2"), Outcome::Ok);
    sim::Server& server = *runner->GetServer();
    const float interval = server.Clock().TickInterval();
    const int ticks0 = server.Clock().TickCount();
    const float time0 = server.Clock().CurTime();
    ASSERT_EQ(Run("advance real 1 s"), Outcome::Ok) << runner->Message();
    const int ticks = server.Clock().TicksFor(1.0);
    ASSERT_EQ(static_cast<int>(sleeps.size()), ticks);
    for (int i = 0; i < ticks; ++i) {
        // Frame i+1 waits for its moment, and exactly one frame ran before it.
        EXPECT_NEAR(sleeps[i], 1000.0 + (i + 1) * interval, 1e-6);
        EXPECT_EQ(ticksAtSleep[i], ticks0 + i);
    }
    EXPECT_EQ(server.Clock().TickCount(), ticks0 + ticks);
    EXPECT_NEAR(server.Clock().CurTime() - time0, ticks * interval, 1e-3);
    EXPECT_EQ(server.Clock().TickInterval(), interval);
}

TEST_F(SrcdsSimProcess, AdvanceRealThatFallsBehindStillRunsEveryTick) {
    ASSERT_EQ(Run("server start +map de_dust2"), Outcome::Ok);
    sim::Server& server = *runner->GetServer();
    const int ticks0 = server.Clock().TickCount();
    // Every frame takes far longer than a tick: none is skipped or merged.
    lateBy = 1.0;
    ASSERT_EQ(Run("advance real 10 ticks"), Outcome::Ok);
    EXPECT_EQ(server.Clock().TickCount(), ticks0 + 10);
    ASSERT_EQ(sleeps.size(), 10u);
    EXPECT_NEAR(sleeps[9] - sleeps[0], 9 * server.Clock().TickInterval(), 1e-6);
}

TEST_F(SrcdsSimProcess, AdvanceRealUntilStopsOnceTheExpectationHolds) {
    ASSERT_EQ(Run("server start +map de_dust2"), Outcome::Ok);
    sim::Server& server = *runner->GetServer();
    ASSERT_EQ(Run("client ana connect"), Outcome::Ok);
    ASSERT_EQ(Run("expect not ana ingame"), Outcome::Ok);
    const int ticks0 = server.Clock().TickCount();
    ASSERT_EQ(Run("advance real 10s until ana ingame"), Outcome::Ok) << runner->Message();
    EXPECT_EQ(Run("expect ana ingame"), Outcome::Ok) << runner->Message();
    const int ran = server.Clock().TickCount() - ticks0;
    EXPECT_GT(ran, 0);
    EXPECT_LT(ran, server.Clock().TicksFor(10.0));
    EXPECT_EQ(static_cast<int>(sleeps.size()), ran);

    // Already holding: no frame at all; never holding: every frame, and the
    // line itself still passes (the expectations after it judge).
    sleeps.clear();
    ASSERT_EQ(Run("advance real 5 s until ana connected"), Outcome::Ok);
    EXPECT_TRUE(sleeps.empty());
    ASSERT_EQ(Run("advance real 1 s until not ana connected"), Outcome::Ok);
    EXPECT_EQ(static_cast<int>(sleeps.size()), server.Clock().TicksFor(1.0));

    // Only with real time, only an expectation, and still bounded.
    EXPECT_EQ(Run("advance 1 s until ana ingame"), Outcome::Error);
    EXPECT_EQ(Run("advance real 1 s until"), Outcome::Error);
    EXPECT_EQ(Run("advance real 1 s until ana flies"), Outcome::Error);
    EXPECT_EQ(Run("advance real 61 s until ana kicked"), Outcome::Error);
}

TEST_F(SrcdsSimProcess, AdvanceRealIsBoundedAndNeedsAServer) {
    EXPECT_EQ(Run("advance real 1 s"), Outcome::Error);
    ASSERT_EQ(Run("server start +map de_dust2"), Outcome::Ok);
    EXPECT_EQ(Run("advance real 61 s"), Outcome::Error);
    EXPECT_NE(runner->Message().find("at most 60 s"), std::string::npos) << runner->Message();
    EXPECT_EQ(Run("advance real 100000 ticks"), Outcome::Error);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(Run("advance real 250ms"), Outcome::Ok);
    EXPECT_EQ(static_cast<int>(sleeps.size()), runner->GetServer()->Clock().TicksFor(0.25));
    EXPECT_EQ(Run("advance real 0 s"), Outcome::Ok);
    EXPECT_EQ(Run("advance real"), Outcome::Error);
}

}  // namespace
