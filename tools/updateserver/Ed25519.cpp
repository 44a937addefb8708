#include "Ed25519.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "support/base64.h"

namespace release {
namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct FileClose {
    void operator()(FILE* file) const { fclose(file); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

constexpr size_t kPublicKeySize = 32;
constexpr size_t kSignatureSize = 64;

std::string Encode(const unsigned char* bytes, size_t size) {
    return base64_encode(bytes, size);
}

Key ReadPrivateKey(const std::string& pemPath, std::string& error) {
    std::unique_ptr<FILE, FileClose> file(fopen(pemPath.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + pemPath;
        return nullptr;
    }
    Key key(PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        error = pemPath + " holds no Ed25519 private key";
        return nullptr;
    }
    return key;
}

std::string RawPublicKey(EVP_PKEY* key) {
    unsigned char raw[kPublicKeySize];
    size_t size = sizeof raw;
    if (EVP_PKEY_get_raw_public_key(key, raw, &size) != 1 || size != kPublicKeySize) {
        return {};
    }
    return Encode(raw, size);
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return false;
    }
    bytes.resize(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(in);
}

}  // namespace

std::string GenerateKey(const std::string& pemPath, std::string& error) {
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key) {
        error = "key generation failed";
        return {};
    }
    // O_EXCL: a release key is never silently replaced.
    int fd = open(pemPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        error = "cannot create " + pemPath + " (does it exist already?)";
        return {};
    }
    std::unique_ptr<FILE, FileClose> file(fdopen(fd, "wb"));
    if (!file) {
        close(fd);
        error = "cannot write " + pemPath;
        return {};
    }
    if (PEM_write_PrivateKey(file.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        error = "cannot write " + pemPath;
        return {};
    }
    return RawPublicKey(key.get());
}

std::string PublicKeyOf(const std::string& pemPath, std::string& error) {
    Key key = ReadPrivateKey(pemPath, error);
    return key ? RawPublicKey(key.get()) : std::string();
}

std::string SignFile(const std::string& pemPath, const std::string& filePath, std::string& error) {
    Key key = ReadPrivateKey(pemPath, error);
    if (!key) {
        return {};
    }
    std::vector<unsigned char> message;
    if (!ReadWholeFile(filePath, message)) {
        error = "cannot read " + filePath;
        return {};
    }
    Context context(EVP_MD_CTX_new());
    unsigned char signature[kSignatureSize];
    size_t size = sizeof signature;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature, &size, message.data(), message.size()) != 1) {
        error = "signing failed";
        return {};
    }
    return Encode(signature, size);
}

}  // namespace release
