// srcds-sim-processhost, the Linux program that runs a scenario's helper
// programs for the Windows srcds-sim under Wine: its line protocol, what it
// makes of garbled input, and that a closed connection or its own end stops
// every program it started.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ProcessTestSupport.h"
#include "scenario/ProcessHostProtocol.h"

namespace {

namespace fs = std::filesystem;
using namespace sim::processhost;

using processtest::ReadFile;

using processtest::Alive;

int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// What a connection to a helper reads ("" when nobody listens).
std::string Greeting(int port) {
    const int fd = Connect(port);
    std::string text;
    if (fd >= 0) {
        char buffer[64];
        pollfd descriptor{fd, POLLIN, 0};
        if (poll(&descriptor, 1, 5000) > 0) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0)
                text.assign(buffer, static_cast<size_t>(got));
        }
        close(fd);
    }
    return text;
}

// A connection to the host: requests out, one answer line back each.
class Link {
public:
    explicit Link(int port) : m_fd(Connect(port)) {}
    ~Link() { Close(); }
    bool Open() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }
    void Send(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t got = send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (got <= 0)
                return;
            sent += static_cast<size_t>(got);
        }
    }
    // The next answer's words ("" first word when none came within 15 s).
    std::vector<std::string> Answer() {
        for (int i = 0; i < 1500; ++i) {
            const size_t end = m_buffer.find('\n');
            if (end != std::string::npos) {
                const std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                std::vector<std::string> words;
                std::string error;
                if (!DecodeLine(line, words, error))
                    return {"undecodable: " + line};
                return words;
            }
            pollfd descriptor{m_fd, POLLIN, 0};
            if (poll(&descriptor, 1, 10) > 0) {
                char buffer[4096];
                const ssize_t got = read(m_fd, buffer, sizeof buffer);
                if (got <= 0)
                    return {"closed"};
                m_buffer.append(buffer, static_cast<size_t>(got));
            }
        }
        return {"no answer"};
    }
    std::vector<std::string> Ask(const std::vector<std::string>& words) {
        Send(EncodeLine(words));
        return Answer();
    }

private:
    int m_fd;
    std::string m_buffer;
};

using Words = std::vector<std::string>;

TEST(ProcessHostProtocol, WordsWithSpacesQuotesAndAnyByteButNulSurviveALine) {
    const Words words = {"start",
                         "/tmp/dir with spaces/and 'single' \"double\" quotes",
                         "",
                         "100%",
                         "tab\there\nnewline\r",
                         "\xc3\xa9t\xc3\xa9 \x01\x7f\xff",
                         "--roster=cfg/a,b+c@d~e:f"};
    const std::string line = EncodeLine(words);
    ASSERT_EQ(line.back(), '\n');
    // One line: nothing inside it ends or splits it.
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(std::count(line.begin(), line.end(), ' '), static_cast<long>(words.size() - 1));
    Words back;
    std::string error;
    ASSERT_TRUE(DecodeLine(line.substr(0, line.size() - 1), back, error)) << error;
    EXPECT_EQ(back, words);
    // Plain words stay readable; a CR before the end is taken as a line end.
    EXPECT_EQ(EncodeLine({"stop", "league-1_x"}), "stop league-1_x\n");
    ASSERT_TRUE(DecodeLine("state a%20b\r", back, error));
    EXPECT_EQ(back, (Words{"state", "a b"}));
    ASSERT_TRUE(DecodeLine("x %2f%2F", back, error));
    EXPECT_EQ(back, (Words{"x", "//"}));
}

TEST(ProcessHostProtocol, GarbledLinesAreRefusedWithAReason) {
    for (const std::string& line : std::vector<std::string>{
             "", "\r", " start", "start ", "start  a", "a%", "a%4", "a%4g", "a%zz", "a%00b", "a\"b",
             "a'b", "a\tb", "a\x01", "caf\xc3\xa9", std::string("a\0b", 3)}) {
        Words words;
        std::string error;
        EXPECT_FALSE(DecodeLine(line, words, error)) << "'" << line << "'";
        EXPECT_FALSE(error.empty()) << "'" << line << "'";
    }
    std::string many;
    for (size_t i = 0; i <= kMaxWords; ++i)
        many += i ? " w" : "w";
    Words words;
    std::string error;
    EXPECT_FALSE(DecodeLine(many, words, error));
    EXPECT_NE(error.find("words"), std::string::npos) << error;
    many.resize(many.size() - 2);
    EXPECT_TRUE(DecodeLine(many, words, error)) << error;
    EXPECT_EQ(words.size(), kMaxWords);
    EXPECT_FALSE(DecodeLine(std::string(kMaxLine, 'a'), words, error));
}

TEST(ProcessHostProtocol, TheLineReaderJoinsPiecesAndCutsOffOverlongLinesOnce) {
    LineReader reader;
    std::string line;
    bool tooLong = false;
    reader.Add("hel", 3);
    EXPECT_FALSE(reader.Next(line, tooLong));
    reader.Add("lo 1\nsta", 8);
    ASSERT_TRUE(reader.Next(line, tooLong));
    EXPECT_EQ(line, "hello 1");
    EXPECT_FALSE(tooLong);
    EXPECT_FALSE(reader.Next(line, tooLong));
    // An overlong line is reported as soon as it is, whatever follows.
    const std::string big(kMaxLine + 10, 'x');
    reader.Add(big.data(), big.size());
    ASSERT_TRUE(reader.Next(line, tooLong));
    EXPECT_TRUE(tooLong);
    EXPECT_TRUE(line.empty());
    EXPECT_FALSE(reader.Next(line, tooLong));
    reader.Add(big.data(), big.size());
    EXPECT_FALSE(reader.Next(line, tooLong));
    reader.Add("tail\nstop a\n", 12);
    ASSERT_TRUE(reader.Next(line, tooLong));
    EXPECT_EQ(line, "stop a");
    EXPECT_FALSE(tooLong);
    EXPECT_FALSE(reader.Next(line, tooLong));
}

class ProcessHost : public ::testing::Test {
protected:
    ~ProcessHost() override { StopHost(); }

    // Starts the host; its port, or 0.
    int StartHost(const std::vector<std::string>& extra = {}) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return 0;
        std::vector<std::string> words = {SRCDS_SIM_PROCESSHOST, "--tools", m_dir + "/tool box"};
        words.insert(words.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        m_host = fork();
        if (m_host == 0) {
            dup2(out[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        for (int i = 0; i < 1000 && line.find('\n') == std::string::npos; ++i) {
            pollfd descriptor{out[0], POLLIN, 0};
            if (poll(&descriptor, 1, 10) <= 0)
                continue;
            char c = 0;
            if (read(out[0], &c, 1) != 1)
                break;
            line += c;
        }
        close(out[0]);
        const std::string prefix = "listening on 127.0.0.1:";
        return line.rfind(prefix, 0) == 0 ? std::atoi(line.c_str() + prefix.size()) : 0;
    }
    // SIGTERM to the host; its exit status (-1 when it had to be killed).
    int StopHost() {
        if (m_host <= 0)
            return -1;
        kill(m_host, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 1000 && !ended; ++i) {
            ended = waitpid(m_host, &status, WNOHANG) == m_host;
            if (!ended)
                poll(nullptr, 0, 10);
        }
        if (!ended) {
            kill(m_host, SIGKILL);
            waitpid(m_host, &status, 0);
        }
        m_host = 0;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string PathIn(const std::string& name) const { return m_dir + "/" + name; }
    pid_t PidIn(const std::string& name) const { return std::atoi(ReadFile(PathIn(name)).c_str()); }
    // start NAME in the test's folder, logging to NAME.log, with ARGS.
    Words Start(Link& link, const std::string& name, const Words& args,
                const std::string& program = "sim_test_listener") {
        Words words = {"start", name, m_dir, PathIn(name + ".log"), program};
        words.insert(words.end(), args.begin(), args.end());
        return link.Ask(words);
    }

    pid_t m_host = 0;

private:
    // A tools folder whose name has a space.
    processtest::ListenerFolder m_folder{"srcds-sim-processhost", "tool box", SIM_TEST_LISTENER};
    const std::string m_dir = m_folder.Path();
};

TEST_F(ProcessHost, StartsAProgramThatAnswersOnItsPortReportsItAndStopsIt) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    Link link(port);
    ASSERT_TRUE(link.Open());
    EXPECT_EQ(link.Ask({"hello", "1"}), (Words{"ok", "srcds-sim-processhost", "1"}));
    EXPECT_EQ(link.Ask({"hello", "2"})[0], "error");
    const Words resolved = link.Ask({"resolve", "sim_test_listener"});
    EXPECT_EQ(resolved, (Words{"ok", PathIn("tool box/listener/sim_test_listener")}));

    const Words started = Start(link, "league", {"--pidfile", PathIn("pid")});
    ASSERT_EQ(started.size(), 2u) << started[0] << " " << started.back();
    ASSERT_EQ(started[0], "ok");
    const int helper = std::atoi(started[1].c_str());
    EXPECT_EQ(Greeting(helper), "hello\n");
    EXPECT_EQ(link.Ask({"state", "league"}), (Words{"ok", "running"}));
    EXPECT_EQ(link.Ask({"pid", "league"}), (Words{"ok", std::to_string(PidIn("pid"))}));
    // Its first line and its standard error are in its log, as on Linux.
    const std::string log = ReadFile(PathIn("league.log"));
    EXPECT_NE(log.find("listening on 127.0.0.1:" + started[1]), std::string::npos) << log;
    EXPECT_NE(log.find("listener: started"), std::string::npos) << log;
    EXPECT_EQ(Start(link, "league", {})[0], "error");

    const pid_t pid = PidIn("pid");
    EXPECT_EQ(link.Ask({"stop", "league"}), (Words{"ok"}));
    EXPECT_FALSE(Alive(pid));
    EXPECT_EQ(Greeting(helper), "");
    EXPECT_EQ(link.Ask({"state", "league"}), (Words{"ok"}));
    EXPECT_EQ(link.Ask({"stop", "league"})[0], "error");
}

TEST_F(ProcessHost, AProgramThatEndsOrNamesNoPortIsAnErrorWithItsReason) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    Link link(port);
    ASSERT_EQ(link.Ask({"timeouts", "0.5", "0.2"}), (Words{"ok"}));
    Words answer = Start(link, "a", {"--exit", "3"});
    ASSERT_EQ(answer.size(), 2u);
    EXPECT_EQ(answer[0], "error");
    EXPECT_NE(answer[1].find("ended (exit status 3)"), std::string::npos) << answer[1];
    answer = Start(link, "b", {"--silent"});
    EXPECT_NE(answer.back().find("named no port within 0.5 s"), std::string::npos) << answer.back();
    answer = Start(link, "c", {}, "no_such_tool");
    EXPECT_NE(answer.back().find("no program no_such_tool in " + PathIn("tool box")),
              std::string::npos)
        << answer.back();
    // The limits are set before anything runs, and only sensibly.
    EXPECT_EQ(link.Ask({"timeouts", "1", "1"})[0], "error");
    Link fresh(port);
    for (const Words& bad :
         {Words{"timeouts", "0", "1"}, Words{"timeouts", "1", "nan"}, Words{"timeouts", "1", "601"},
          Words{"timeouts", "1"}, Words{"tools", "relative/dir"}})
        EXPECT_EQ(fresh.Ask(bad)[0], "error") << bad[0] << " " << bad[1];
}

TEST_F(ProcessHost, PathsAndArgumentsWithSpacesAndQuotesReachTheProgramWhole) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    const std::string odd = "work 'dir' \"quoted\" %20";
    fs::create_directories(PathIn(odd));
    Link link(port);
    const std::string first = "listening on 127.0.0.1:4567 \"as\" 'named'";
    const Words answer = link.Ask({"start", "odd", PathIn(odd), PathIn(odd + "/log file.txt"),
                                   PathIn("tool box/listener/sim_test_listener"), "--pidfile",
                                   "pid file", "--first", first});
    ASSERT_EQ(answer, (Words{"ok", "4567"}));
    // Run in its folder: the relative pid file is there.
    EXPECT_GT(std::atoi(ReadFile(PathIn(odd + "/pid file")).c_str()), 0);
    EXPECT_NE(ReadFile(PathIn(odd + "/log file.txt")).find(first + "\n"), std::string::npos);
    // Relative paths mean nothing to a host with another working folder.
    EXPECT_EQ(link.Ask({"start", "r", "work", PathIn("r.log"), "sim_test_listener"})[0], "error");
    EXPECT_EQ(link.Ask({"start", "r", PathIn(""), "r.log", "sim_test_listener"})[0], "error");
    EXPECT_EQ(link.Ask({"resolve", "tool box/listener/sim_test_listener"})[0], "error");
}

TEST_F(ProcessHost, GarbledOrHostileInputIsAnsweredWithErrorsAndTheHostServesOn) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    Link link(port);
    const std::vector<std::string> garbled = {
        "\n",
        "  \n",
        "start a%zz\n",
        "hello\n",
        "hello 1 2\n",
        "start a\n",
        "stop\n",
        "nonsense word\n",
        std::string("stop a\0b\n", 9),
        "state %00\n",
        "pid\n",
        "stopall now\n",
        "start bad%2Fname " + PathIn("") + " " + PathIn("x.log") + " x\n",
        "\xff\xfe\r\n"};
    for (const std::string& line : garbled) {
        link.Send(line);
        EXPECT_EQ(link.Answer()[0], "error") << line;
    }
    // An overlong line is refused once, without waiting for its end, and
    // the line after it is read whole.
    link.Send(std::string(kMaxLine + 100, 'a'));
    const Words tooLong = link.Answer();
    ASSERT_EQ(tooLong.size(), 2u);
    EXPECT_EQ(tooLong[0], "error");
    EXPECT_NE(tooLong[1].find("longer than"), std::string::npos);
    link.Send(std::string(kMaxLine, 'a') + "\n");
    EXPECT_EQ(link.Ask({"hello", "1"}), (Words{"ok", "srcds-sim-processhost", "1"}));
    // Junk that never ends a line is bounded too.
    Link junk(port);
    junk.Send(std::string(3 * kMaxLine, '\0'));
    EXPECT_EQ(junk.Answer()[0], "error");
    junk.Close();
    EXPECT_EQ(Link(port).Ask({"hello", "1"})[0], "ok");
}

TEST_F(ProcessHost, AClosedConnectionStopsWhatItStartedAndOnlyThat) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    Link first(port);
    Link second(port);
    ASSERT_EQ(first.Ask({"timeouts", "2", "0.2"}), (Words{"ok"}));
    ASSERT_EQ(Start(first, "a", {"--pidfile", PathIn("a"), "--child", PathIn("child")})[0], "ok");
    ASSERT_EQ(Start(first, "b", {"--ignore-term", "--pidfile", PathIn("b")})[0], "ok");
    // The same name on another connection is another program.
    ASSERT_EQ(Start(second, "a", {"--pidfile", PathIn("a2")})[0], "ok");
    first.Close();
    EXPECT_FALSE(Alive(PidIn("a")));
    EXPECT_FALSE(Alive(PidIn("child")));
    EXPECT_FALSE(Alive(PidIn("b")));
    EXPECT_TRUE(Alive(PidIn("a2")));
    EXPECT_EQ(second.Ask({"state", "a"}), (Words{"ok", "running"}));
}

TEST_F(ProcessHost, TheHostsEndStopsEveryConnectionsPrograms) {
    const int port = StartHost();
    ASSERT_GT(port, 0);
    Link first(port);
    Link second(port);
    ASSERT_EQ(Start(first, "a", {"--pidfile", PathIn("a")})[0], "ok");
    ASSERT_EQ(Start(second, "b", {"--pidfile", PathIn("b"), "--child", PathIn("child")})[0], "ok");
    EXPECT_EQ(StopHost(), 0);
    EXPECT_FALSE(Alive(PidIn("a")));
    EXPECT_FALSE(Alive(PidIn("b")));
    EXPECT_FALSE(Alive(PidIn("child")));
    EXPECT_EQ(first.Answer()[0], "closed");
}

TEST_F(ProcessHost, AHostStartedForAnotherParentEndsAtOnce) {
    // The parent it is told of is gone (or another process): it never
    // listens, so that it cannot outlive the run that wanted it.
    EXPECT_EQ(StartHost({"--parent", "2"}), 0);
    EXPECT_EQ(StopHost(), 0);
}

}  // namespace
