// sim_test_listener: a helper program for the "process" words of srcds-sim's
// scenarios. Listens on 127.0.0.1 (a free port), names it in its first line
// on standard output and greets every connection with "hello\n".
//   --pidfile PATH   write its pid there first
//   --child PATH     start a child that only sleeps, and write its pid there
//   --first TEXT     print TEXT as the first line instead
//   --exit N         end at once with status N, printing nothing
//   --silent         print nothing, just wait
//   --ignore-term    ignore SIGTERM
//   --flood          after the first line, 1 MiB more on standard output
//   --fds            log how many descriptors it was started with
//   --close-stdout   close its standard output and wait
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void WritePid(const char* path, pid_t pid) {
    if (FILE* file = std::fopen(path, "w")) {
        std::fprintf(file, "%d\n", static_cast<int>(pid));
        std::fclose(file);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* first = nullptr;
    bool silent = false;
    bool flood = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--pidfile") {
            WritePid(value, getpid());
            ++i;
        } else if (arg == "--child") {
            const pid_t child = fork();
            if (child == 0) {
                for (;;)
                    pause();
            }
            WritePid(value, child);
            ++i;
        } else if (arg == "--first") {
            first = value;
            ++i;
        } else if (arg == "--exit") {
            return std::atoi(value);
        } else if (arg == "--silent") {
            silent = true;
        } else if (arg == "--ignore-term") {
            signal(SIGTERM, SIG_IGN);
        } else if (arg == "--close-stdout") {
            std::fclose(stdout);
            for (;;)
                pause();
        } else if (arg == "--flood") {
            flood = true;
        } else if (arg == "--fds") {
            int count = 0;
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
                (void)entry;
                ++count;
            }
            // The listing's own descriptor is among them.
            std::fprintf(stderr, "listener: %d descriptors\n", count - 1);
        }
    }
    std::fprintf(stderr, "listener: started\n");
    if (silent) {
        for (;;)
            pause();
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 3;
    if (first)
        std::printf("%s\n", first);
    else
        std::printf("listening on 127.0.0.1:%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    if (flood) {
        const std::string block(1024, 'x');
        for (int i = 0; i < 1024; ++i)
            std::fwrite(block.data(), 1, block.size(), stdout);
        std::fprintf(stdout, "\nflood done\n");
        std::fflush(stdout);
        std::fprintf(stderr, "listener: flood written\n");
    }
    for (;;) {
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        const char hello[] = "hello\n";
        if (write(connection, hello, sizeof hello - 1) < 0)
            std::fprintf(stderr, "listener: write failed\n");
        close(connection);
    }
}
