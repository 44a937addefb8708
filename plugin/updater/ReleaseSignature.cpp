#include "updater/ReleaseSignature.h"

#ifdef _WIN32
#include <gcrypt.h>

#include <fstream>
#include <iterator>
#else
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <memory>

#include "support/base64.h"

namespace ReleaseSignature {
namespace {

constexpr size_t kPublicKeySize = 32;
constexpr size_t kSignatureSize = 64;

#ifndef _WIN32
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// The file's bytes mapped read-only: a module is verified in one piece
// (Ed25519 hashes the whole message) without copying it onto the heap.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            m_size = static_cast<size_t>(info.st_size);
            m_readable = true;
            if (m_size > 0) {
                void* data = mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
                if (data == MAP_FAILED) {
                    m_readable = false;
                } else {
                    m_data = data;
                }
            }
        }
        close(fd);
    }
    ~MappedFile() {
        if (m_data) {
            munmap(m_data, m_size);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Readable() const { return m_readable; }
    const unsigned char* Data() const { return static_cast<const unsigned char*>(m_data); }
    size_t Size() const { return m_size; }

private:
    void* m_data = nullptr;
    size_t m_size = 0;
    bool m_readable = false;
};
#endif

#ifdef _WIN32
struct SexpFree {
    void operator()(gcry_sexp_t sexp) const { gcry_sexp_release(sexp); }
};
using Sexp = std::unique_ptr<gcry_sexp, SexpFree>;

// Ed25519 (pure: the whole file is the message) by libgcrypt.
bool VerifyEd25519(const std::string& key, const std::string& signature, const std::string& path) {
    static const bool ready = gcry_check_version(GCRYPT_VERSION) != nullptr &&
                              gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0) == 0;
    std::ifstream in(path, std::ios::binary);
    if (!ready || !in) {
        return false;
    }
    const std::string message((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    gcry_sexp_t made = nullptr;
    const auto build = [&made](Sexp& into, const char* format, auto... args) {
        made = nullptr;
        const bool ok = gcry_sexp_build(&made, nullptr, format, args...) == 0;
        into.reset(made);
        return ok;
    };
    Sexp publicKey, signed_, data;
    return build(publicKey, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                 static_cast<int>(key.size()), key.data()) &&
           build(signed_, "(sig-val (eddsa (r %b) (s %b)))", 32, signature.data(), 32,
                 signature.data() + 32) &&
           build(data, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                 static_cast<int>(message.size()), message.data()) &&
           gcry_pk_verify(signed_.get(), data.get(), publicKey.get()) == 0;
}
#endif

}  // namespace

bool IsPublicKey(const std::string& text) {
    // Only the canonical text of 32 bytes: trailing words or a short paste are no key.
    std::string raw = base64_decode(text);
    return raw.size() == kPublicKeySize &&
           base64_encode(reinterpret_cast<const unsigned char*>(raw.data()), raw.size()) == text;
}

bool VerifyFile(const std::string& publicKey, const std::string& signature,
                const std::string& path) {
    std::string rawKey = base64_decode(publicKey);
    std::string rawSignature = base64_decode(signature);
    if (rawKey.size() != kPublicKeySize || rawSignature.size() != kSignatureSize) {
        return false;
    }
#ifdef _WIN32
    return VerifyEd25519(rawKey, rawSignature, path);
#else
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(rawKey.data()),
        rawKey.size()));
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    MappedFile file(path);
    if (!key || !context || !file.Readable()) {
        return false;
    }
    static const unsigned char kEmpty = 0;
    return EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(
               context.get(), reinterpret_cast<const unsigned char*>(rawSignature.data()),
               rawSignature.size(), file.Data() ? file.Data() : &kEmpty, file.Size()) == 1;
#endif
}

}  // namespace ReleaseSignature
