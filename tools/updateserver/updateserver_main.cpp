// travik-updateserver: serves a releases folder to Travik's updater.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "UpdateServer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: travik-updateserver --releases DIR [--port N]\n"
                 "                           [--publish VERSION MODULE --key KEY.pem [--beta]]\n"
                 "  Answers /io/update.php and /io/download.php on 127.0.0.1 from DIR\n"
                 "  (see tools/updateserver/README.md). --port 0 (the default) picks a free\n"
                 "  port; the first line on standard output is \"listening on 127.0.0.1:PORT\".\n"
                 "  --publish first runs the release step (travik-release add) into DIR.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string releases, version, module, key;
    bool beta = false;
    int port = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--releases") == 0 && i + 1 < argc) {
            releases = argv[++i];
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 0 || value > 65535) {
                return Usage();
            }
            port = static_cast<int>(value);
        } else if (std::strcmp(argv[i], "--publish") == 0 && i + 2 < argc) {
            version = argv[++i];
            module = argv[++i];
        } else if (std::strcmp(argv[i], "--key") == 0 && i + 1 < argc) {
            key = argv[++i];
        } else if (std::strcmp(argv[i], "--beta") == 0) {
            beta = true;
        } else {
            return Usage();
        }
    }
    if (releases.empty() || version.empty() != key.empty()) {
        return Usage();
    }
    std::string error;
    if (!version.empty() &&
        !release::ReleaseFolder(releases).Add(version, module, key, beta, error)) {
        std::fprintf(stderr, "travik-updateserver: %s\n", error.c_str());
        return 1;
    }
    release::UpdateServer server(releases, [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    int bound = server.Bind(port);
    if (bound <= 0) {
        std::fprintf(stderr, "travik-updateserver: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("listening on 127.0.0.1:%d\n", bound);
    std::fflush(stdout);
    server.Run();
    return 0;
}
