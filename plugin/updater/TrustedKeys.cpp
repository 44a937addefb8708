#include "updater/TrustedKeys.h"

#include "core/ConfigFile.h"
#include "messaging/tkLog.h"
#include "updater/ReleaseSignature.h"

namespace TrustedKeys {
namespace {

// The project's release key. Its private half is kept off this repository
// by whoever signs the project's releases.
constexpr const char* kBuiltInKey = "b+RfRUqCMKPkSTj6bbKhbbg8NFn6opVSEW6VsgdxC5k=";

constexpr std::size_t kMaxFileSize = 16 * 1024;

}  // namespace

std::vector<std::string> Load() {
    std::vector<std::string> keys{kBuiltInKey};
    std::string text;
    switch (ConfigFile::Read(kFileName, kMaxFileSize, text)) {
        case ConfigFile::Status::Absent:
            return keys;
        case ConfigFile::Status::TooLarge:
            tkLog(true, "[Travik] %s is larger than %zu bytes and was not read\n", kFileName,
                  kMaxFileSize);
            return keys;
        case ConfigFile::Status::Read:
            break;
    }
    ConfigFile::ForEachLine(text, [&keys](int number, std::string_view line) {
        std::string key(line);
        if (ReleaseSignature::IsPublicKey(key)) {
            keys.push_back(key);
        } else {
            tkLog(true, "[Travik] %s line %d: not a public key (44 characters of Base64)\n",
                  kFileName, number);
        }
    });
    return keys;
}

bool Verify(const std::string& signature, const std::string& path) {
    for (const std::string& key : Load()) {
        if (ReleaseSignature::VerifyFile(key, signature, path)) {
            return true;
        }
    }
    return false;
}

}  // namespace TrustedKeys
