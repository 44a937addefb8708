// travik-authhost: a league's authentication host for Travik. Answers the
// game servers' POSTs from a roster file; see README.md.
#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "Exchange.h"
#include "Roster.h"

namespace {

const char kUsage[] =
    R"(Usage: travik-authhost --roster FILE [--port N] [--bind ADDRESS] [--offline]

Answers Travik's authentication requests (POST, any path) from a roster file.
  --roster FILE     the league's roster (see README.md); bad lines are reported
                    with their number and the host does not start
  --port N          the TCP port; 0 (the default) picks a free one
  --bind ADDRESS    the address to listen on; default 127.0.0.1 (this machine
                    only); 0.0.0.0 serves every interface
  --offline         answer every request with a maintenance page, as a league
                    that is down does
The first line on standard output is "listening on ADDRESS:PORT"; every
request is logged on standard error. SIGINT or SIGTERM stops the host.
)";

// A form body of the plug-in is some 60 bytes; anything far larger is not one.
constexpr size_t kMaxBody = 4096;

struct Options {
    std::string roster;
    std::string bind = "127.0.0.1";
    int port = 0;
    bool offline = false;
};

int Fail(const std::string& message) {
    std::cerr << "travik-authhost: " << message << "\n";
    return 2;
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(text);
    return port <= 65535;
}

const char* VerdictName(authhost::Verdict verdict) {
    switch (verdict) {
        case authhost::Verdict::Shown:
            return "shown";
        case authhost::Verdict::Refused:
            return "refused";
        case authhost::Verdict::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--offline") {
            options.offline = true;
        } else if (arg == "--roster" && hasValue) {
            options.roster = argv[++i];
        } else if (arg == "--bind" && hasValue) {
            options.bind = argv[++i];
        } else if (arg == "--port" && hasValue) {
            if (!ParsePort(argv[++i], options.port))
                return Fail(std::string("bad port \"") + argv[i] + "\" (0 to 65535)");
        } else {
            return Fail("unknown or incomplete option " + arg + "\n" + kUsage);
        }
    }
    if (options.roster.empty())
        return Fail(std::string("--roster FILE is needed\n") + kUsage);

    std::ifstream file(options.roster, std::ios::binary);
    if (!file)
        return Fail("cannot read the roster " + options.roster);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<authhost::RosterError> errors;
    const authhost::Roster roster = authhost::Roster::Parse(text.str(), errors);
    if (!errors.empty()) {
        for (const authhost::RosterError& error : errors)
            std::cerr << options.roster << ":" << error.line << ": " << error.message << "\n";
        return Fail(std::to_string(errors.size()) + " bad line(s) in the roster; not started");
    }

    // The signals are taken by one thread with sigwait, so every thread of
    // the server blocks them from the start.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::mutex logMutex;
    auto log = [&logMutex](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex);
        std::cerr << line << "\n" << std::flush;
    };

    httplib::Server server;
    server.set_payload_max_length(kMaxBody);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_max_count(16);
    // httplib's default also sets SO_REUSEPORT, which would let a second host
    // share the port unnoticed and answer half the requests from another roster.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.Post(".*", [&](const httplib::Request& request, httplib::Response& response) {
        const std::string from = request.remote_addr + ":" + std::to_string(request.remote_port) +
                                 " POST " + authhost::LogSafe(request.path) + " ";
        if (options.offline) {
            response.status = 503;
            response.set_content(authhost::OfflinePage(), "text/html");
            log(from + "-> offline page");
            return;
        }
        const authhost::AuthRequest parsed = authhost::ParseRequest(request.body);
        const authhost::AuthAnswer answer = authhost::Answer(roster, parsed);
        response.set_content(answer.body, "text/plain");
        log(from + "uid=" + authhost::LogSafe(parsed.uid) + " game=" +
            authhost::LogSafe(parsed.game) + " server=" + authhost::LogSafe(parsed.gameIP) + ":" +
            authhost::LogSafe(parsed.gamePort) + " -> " + VerdictName(answer.verdict));
    });
    server.set_error_handler([&](const httplib::Request& request, httplib::Response& response) {
        if (response.status == 404 || response.status == 405) {
            // Only POST is served; a GET of any path ends here too.
            response.status = 405;
            response.set_header("Allow", "POST");
            response.set_content("POST only\n", "text/plain");
        }
        log(request.remote_addr + ":" + std::to_string(request.remote_port) + " " +
            authhost::LogSafe(request.method, 16) + " " + authhost::LogSafe(request.path) + " -> " +
            std::to_string(response.status));
    });
    server.set_exception_handler(
        [&](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            response.status = 500;
            response.set_content("0", "text/plain");
            log("a request failed inside the host; answered 500");
        });

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.bind);
        if (port <= 0)
            return Fail("cannot listen on " + options.bind);
    } else if (!server.bind_to_port(options.bind, port)) {
        return Fail("cannot listen on " + options.bind + ":" + std::to_string(port));
    }
    // The roster line comes first, so that whoever waits for the port line
    // finds it in the log already.
    log("travik-authhost: " + std::to_string(roster.Size()) + " player(s) in " + options.roster +
        (options.offline ? " (offline: every answer is the maintenance page)" : ""));
    std::cout << "listening on " << options.bind << ":" << port << std::endl;

    std::thread stopper([&server, &stopSignals, &log] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        log(std::string("travik-authhost: stopping on ") +
            (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        server.stop();
    });
    const bool served = server.listen_after_bind();
    if (!served) {
        // The listener failed by itself: wake the waiting thread.
        pthread_kill(stopper.native_handle(), SIGTERM);
    }
    stopper.join();
    return served ? 0 : Fail("the listener failed");
}
