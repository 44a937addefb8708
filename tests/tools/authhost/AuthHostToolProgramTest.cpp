// travik-authhost as a league runs it: the program on 127.0.0.1, asked over HTTP.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/StringTokenizer.h"
#include "support/base64.h"

namespace {

namespace fs = std::filesystem;

// The program in a child process: stdout through a pipe (its first line
// names the port), stderr into a file read after it ends.
class HostProcess {
public:
    explicit HostProcess(std::vector<std::string> args) {
        char pattern[] = "/tmp/authhost-test-XXXXXX";
        m_dir = mkdtemp(pattern);
        m_errPath = m_dir + "/stderr.txt";
        int out[2];
        if (pipe(out) != 0)
            return;
        args.insert(args.begin(), AUTHHOST_PROGRAM);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int err = open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, STDERR_FILENO);
            close(out[0]);
            std::vector<char*> argv;
            for (std::string& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
    }
    ~HostProcess() {
        Stop(SIGKILL);
        if (m_out >= 0)
            close(m_out);
        std::error_code error;
        fs::remove_all(m_dir, error);
    }

    const std::string& Dir() const { return m_dir; }

    // The first line on stdout; "" if none comes within five seconds.
    std::string FirstLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd descriptor{m_out, POLLIN, 0};
            if (poll(&descriptor, 1, 100) <= 0)
                continue;
            char c = 0;
            if (read(m_out, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return "";
    }

    // The port of "listening on 127.0.0.1:PORT", or 0.
    int Port() {
        const std::string line = FirstLine();
        const std::string prefix = "listening on 127.0.0.1:";
        if (line.rfind(prefix, 0) != 0)
            return 0;
        return std::atoi(line.c_str() + prefix.size());
    }

    // Sends the signal and answers the exit status (-1 when it ended by a signal).
    int Stop(int signal = SIGTERM) {
        if (m_pid <= 0)
            return m_status;
        kill(m_pid, signal);
        return Wait();
    }
    // Waits for the program to end by itself (bounded: killed after 10 s).
    int Wait() {
        if (m_pid <= 0)
            return m_status;
        int status = 0;
        for (int i = 0; i < 1000; ++i) {
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return m_status;
            }
            poll(nullptr, 0, 10);
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return m_status = -1;
    }
    std::string Stderr() const {
        std::ifstream file(m_errPath);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    std::string m_dir;
    std::string m_errPath;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = -1;
};

std::string WriteFile(const std::string& dir, const std::string& name, const std::string& text) {
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const char kRoster[] =
    "STEAM_0:1:2345 show Alice - Red Ravens\n"
    "STEAM_0:1:2345 show Captain\n"
    "STEAM_0:0:7 refuse Suspended until 2027\n";

std::vector<std::string> Decode(const std::string& body) {
    std::vector<std::string> lines;
    StringTokenizer fields(body, ",");
    while (fields.hasMoreTokens())
        lines.push_back(base64_decode(fields.nextToken()));
    return lines;
}

// Starts the program with a roster file written before it runs.
struct Host {
    Host(const std::string& roster, std::vector<std::string> more = {}) {
        char pattern[] = "/tmp/authhost-roster-XXXXXX";
        dir = mkdtemp(pattern);
        const std::string path = WriteFile(dir, "roster.txt", roster);
        std::vector<std::string> args = {"--roster", path, "--port", "0"};
        args.insert(args.end(), more.begin(), more.end());
        process = std::make_unique<HostProcess>(args);
        port = process->Port();
    }
    ~Host() {
        process.reset();
        std::error_code error;
        fs::remove_all(dir, error);
    }
    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port);
        client.set_connection_timeout(5, 0);
        client.set_read_timeout(5, 0);
        return client;
    }
    std::string Ask(const std::string& body, const std::string& path = "/auth") const {
        auto result = Client().Post(path, body, "application/x-www-form-urlencoded");
        if (!result)
            return "(no answer: " + httplib::to_string(result.error()) + ")";
        return result->body;
    }
    std::string dir;
    std::unique_ptr<HostProcess> process;
    int port = 0;
};

TEST(AuthHostToolProgram, AnswersKnownRefusedAndUnknownPlayersFromTheRoster) {
    Host host(kRoster);
    ASSERT_GT(host.port, 0) << host.process->Stderr();
    EXPECT_EQ(Decode(host.Ask("uid=0:1:2345&game=0&gameIP=127.0.0.1&gamePort=27015")),
              (std::vector<std::string>{"Alice - Red Ravens", "Captain"}));
    const std::string refused = host.Ask("uid=0:0:7&game=0&gameIP=127.0.0.1&gamePort=27015");
    ASSERT_EQ(refused.rfind("1,", 0), 0u) << refused;
    EXPECT_EQ(base64_decode(refused.substr(2)), "Suspended until 2027");
    EXPECT_EQ(host.Ask("uid=0:1:9999&game=0&gameIP=&gamePort="), "0");
    // Whatever path the league put in its URL.
    EXPECT_EQ(host.Ask("uid=0:1:9999", "/"), "0");
    EXPECT_EQ(host.Ask("uid=0:1:9999", "/league/auth.php?x=1"), "0");
}

TEST(AuthHostToolProgram, LogsEveryRequestAndStopsCleanlyOnSigterm) {
    Host host(kRoster);
    ASSERT_GT(host.port, 0);
    // Logged before the port line, so that a waiting scenario finds it at once.
    EXPECT_NE(host.process->Stderr().find("2 player(s)"), std::string::npos);
    host.Ask("uid=0:1:2345&game=0&gameIP=10.1.2.3&gamePort=27016");
    host.Ask("uid=0:0:7&game=0&gameIP=10.1.2.3&gamePort=27016");
    host.Ask("uid=\x1b[2J&game=0");
    EXPECT_EQ(host.process->Stop(SIGTERM), 0);
    const std::string log = host.process->Stderr();
    EXPECT_NE(log.find("2 player(s)"), std::string::npos) << log;
    EXPECT_NE(log.find("POST /auth uid=0:1:2345 game=0 server=10.1.2.3:27016 -> shown"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("uid=0:0:7 game=0 server=10.1.2.3:27016 -> refused"), std::string::npos);
    // A hostile value reaches the log escaped, never as a terminal control.
    EXPECT_NE(log.find("uid=\\x1b[2J game=0 server=: -> unknown"), std::string::npos) << log;
    EXPECT_EQ(log.find('\x1b'), std::string::npos);
    EXPECT_NE(log.find("stopping on SIGTERM"), std::string::npos);
}

TEST(AuthHostToolProgram, ARosterWithBadLinesIsRefusedWithTheirNumbers) {
    Host host("0:1:1 show fine\n0:1:2 shout hello\n\nnobody show x\n");
    EXPECT_EQ(host.port, 0);
    EXPECT_EQ(host.process->Wait(), 2);
    const std::string log = host.process->Stderr();
    EXPECT_NE(log.find("roster.txt:2: unknown word \"shout\""), std::string::npos) << log;
    EXPECT_NE(log.find("roster.txt:4: \"nobody\" is not a Steam ID"), std::string::npos) << log;
    EXPECT_NE(log.find("2 bad line(s)"), std::string::npos) << log;
}

TEST(AuthHostToolProgram, MissingRosterBadOptionsAndATakenPortEndWithStatusTwo) {
    EXPECT_EQ(HostProcess({}).Wait(), 2);
    EXPECT_EQ(HostProcess({"--roster", "/nonexistent/roster.txt"}).Wait(), 2);
    EXPECT_EQ(HostProcess({"--roster", AUTHHOST_EXAMPLE_ROSTER, "--port", "65536"}).Wait(), 2);
    EXPECT_EQ(HostProcess({"--roster", AUTHHOST_EXAMPLE_ROSTER, "--port", "-1"}).Wait(), 2);
    EXPECT_EQ(HostProcess({"--roster", AUTHHOST_EXAMPLE_ROSTER, "--frobnicate"}).Wait(), 2);
    Host first(kRoster);
    ASSERT_GT(first.port, 0);
    HostProcess second({"--roster", AUTHHOST_EXAMPLE_ROSTER, "--port", std::to_string(first.port)});
    EXPECT_EQ(second.Wait(), 2);
    EXPECT_NE(second.Stderr().find("cannot listen"), std::string::npos) << second.Stderr();
    // The first one still serves.
    EXPECT_EQ(first.Ask("uid=0:1:9"), "0");
}

TEST(AuthHostToolProgram, HostileBodiesAndConnectionsLeaveItServing) {
    Host host(kRoster);
    ASSERT_GT(host.port, 0);
    // A body far beyond any form of the plug-in is refused unread.
    auto huge = host.Client().Post("/auth", std::string(1 << 20, 'u'), "text/plain");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 413);
    std::string binary(3000, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 131 + 7);
    EXPECT_EQ(host.Ask(binary), "0");
    // A NUL inside the Steam ID is not cut off into a match.
    EXPECT_EQ(host.Ask(std::string("uid=0:1:2345\0&game=0", 20)), "0");
    // Raw junk and half requests over a socket, then a hang-up.
    for (const std::string& junk :
         {std::string("\x16\x03\x01\x02\x00garbage\r\n\r\n"),
          std::string("POST /auth HTTP/1.1\r\nContent-Length: 99999999999"
                      "999999999\r\n\r\nuid=0:1:2345"),
          std::string("POST /auth HTTP/1.1\r\nContent-Length: 10\r\n\r\nu"),
          std::string(10000, 'A')}) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(host.port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_GT(send(fd, junk.data(), junk.size(), MSG_NOSIGNAL), 0);
        close(fd);
    }
    auto get = host.Client().Get("/auth");
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 405);
    EXPECT_EQ(Decode(host.Ask("uid=0:1:2345")).size(), 2u);
    EXPECT_EQ(host.process->Stop(SIGTERM), 0);
}

TEST(AuthHostToolProgram, OfflineModeAnswersEveryoneWithTheMaintenancePage) {
    Host host(kRoster, {"--offline"});
    ASSERT_GT(host.port, 0);
    auto result = host.Client().Post("/auth", "uid=0:1:2345&game=0", "text/plain");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 503);
    EXPECT_NE(result->body.find("<html>"), std::string::npos);
}

TEST(AuthHostToolProgram, TheExampleRosterServesItsPlayers) {
    HostProcess process({"--roster", AUTHHOST_EXAMPLE_ROSTER});
    const int port = process.Port();
    ASSERT_GT(port, 0) << process.Stderr();
    httplib::Client client("127.0.0.1", port);
    auto result = client.Post(
        "/", "uid=0:1:100001&game=0&gameIP=&gamePort=", "application/x-www-form-urlencoded");
    ASSERT_TRUE(result);
    const auto lines = Decode(result->body);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Red Ravens"), std::string::npos);
}

}  // namespace
