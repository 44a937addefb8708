// travik-release: release keys and the release step of the update server.
#include <cstdio>
#include <cstring>
#include <string>

#include "Ed25519.h"
#include "Releases.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  travik-release keygen KEY.pem\n"
                 "      makes a release key pair: the private key goes to KEY.pem (never into\n"
                 "      the repository), the public key (Base64) is printed\n"
                 "  travik-release pubkey KEY.pem\n"
                 "      prints the public key of KEY.pem\n"
                 "  travik-release add RELEASES VERSION MODULE KEY.pem [--beta]\n"
                 "      copies MODULE into the releases folder as VERSION, writes its MD5 and\n"
                 "      its signature with KEY.pem and makes it the current release\n");
    return 2;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "travik-release: %s\n", error.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (argc == 3 && std::strcmp(argv[1], "keygen") == 0) {
        std::string publicKey = release::GenerateKey(argv[2], error);
        if (publicKey.empty()) {
            return Fail(error);
        }
        std::printf("%s\n", publicKey.c_str());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "pubkey") == 0) {
        std::string publicKey = release::PublicKeyOf(argv[2], error);
        if (publicKey.empty()) {
            return Fail(error);
        }
        std::printf("%s\n", publicKey.c_str());
        return 0;
    }
    if ((argc == 6 || (argc == 7 && std::strcmp(argv[6], "--beta") == 0)) &&
        std::strcmp(argv[1], "add") == 0) {
        release::ReleaseFolder releases(argv[2]);
        if (!releases.Add(argv[3], argv[4], argv[5], argc == 7, error)) {
            return Fail(error);
        }
        std::printf("release %s (%s) added to %s\n", release::ReleaseId(argv[3]).c_str(), argv[3],
                    argv[2]);
        return 0;
    }
    return Usage();
}
