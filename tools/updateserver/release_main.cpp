// travik-release: release keys and the release step of the update server.
#include <cstdio>
#include <cstring>
#include <string>

#include "Ed25519.h"
#include "Releases.h"
#include "support/md5.h"
#include "updater/ReleaseSignature.h"

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
                 "      its signature with KEY.pem and makes it the current release\n"
                 "  travik-release sign FILE KEY.pem\n"
                 "      writes FILE.md5 and FILE.sig (a package, ...) as releases carry them\n"
                 "  travik-release verify FILE PUBLIC_KEY\n"
                 "      checks FILE against FILE.md5 and FILE.sig as the plug-in's updater does\n");
    return 2;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "travik-release: %s\n", error.c_str());
    return 1;
}

// The first line of a small text file, without its line break.
std::string FirstLine(const std::string& path) {
    std::string line;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, file))
            line = buffer;
        std::fclose(file);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The updater's own checks: the digest first, then the signature.
bool VerifyBeside(const std::string& path, const std::string& publicKey, std::string& error) {
    MD5Text digest(MD5File(path.c_str()));
    if (!digest) {
        error = "cannot read " + path;
        return false;
    }
    if (FirstLine(path + ".md5") != digest.get()) {
        error = path + ".md5 does not hold the file's MD5 (" + digest.get() + ")";
        return false;
    }
    if (!ReleaseSignature::IsPublicKey(publicKey)) {
        error = "the public key is not 44 characters of Base64 of 32 bytes";
        return false;
    }
    if (!ReleaseSignature::VerifyFile(publicKey, FirstLine(path + ".sig"), path)) {
        error = path + ".sig is not a signature of the file by that key";
        return false;
    }
    return true;
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
    if (argc == 4 && std::strcmp(argv[1], "sign") == 0) {
        if (!release::SignBeside(argv[2], argv[3], error))
            return Fail(error);
        std::printf("%s.md5 and %s.sig written\n", argv[2], argv[2]);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "verify") == 0) {
        if (!VerifyBeside(argv[2], argv[3], error))
            return Fail(error);
        std::printf("%s: digest and signature good\n", argv[2]);
        return 0;
    }
    return Usage();
}
