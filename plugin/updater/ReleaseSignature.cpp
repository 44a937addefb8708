#include "updater/ReleaseSignature.h"

#ifdef _WIN32
#include <gcrypt.h>

#include <algorithm>
#include <fstream>
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
struct MpiFree {
    void operator()(gcry_mpi_t mpi) const { gcry_mpi_release(mpi); }
};
struct PointFree {
    void operator()(gcry_mpi_point_t point) const { gcry_mpi_point_release(point); }
};
struct ContextFree {
    void operator()(gcry_ctx_t context) const { gcry_ctx_release(context); }
};
struct DigestFree {
    void operator()(gcry_md_hd_t digest) const { gcry_md_close(digest); }
};
using Mpi = std::unique_ptr<gcry_mpi, MpiFree>;
using Point = std::unique_ptr<gcry_mpi_point, PointFree>;
using Context = std::unique_ptr<gcry_context, ContextFree>;
using Digest = std::unique_ptr<gcry_md_handle, DigestFree>;

// The number a little-endian encoding stands for.
Mpi LittleEndian(const unsigned char* bytes, size_t size) {
    std::string bigEndian(reinterpret_cast<const char*>(bytes), size);
    std::reverse(bigEndian.begin(), bigEndian.end());
    gcry_mpi_t made = nullptr;
    if (gcry_mpi_scan(&made, GCRYMPI_FMT_USG, bigEndian.data(), bigEndian.size(), nullptr) != 0) {
        return nullptr;
    }
    return Mpi(made);
}

// Whether the 255 bits of y below the sign bit stand for a number below the
// field's prime 2^255 - 19 (ed ff .. ff 7f, little-endian). libgcrypt reads
// y + p written out as y, which would give R a second spelling and the file a
// second valid signature; OpenSSL refuses it.
bool IsFieldElement(const unsigned char* encoded) {
    if ((encoded[31] & 0x7f) != 0x7f) {
        return true;
    }
    for (int i = 30; i >= 1; --i) {
        if (encoded[i] != 0xff) {
            return true;
        }
    }
    return encoded[0] < 0xed;
}

// An encoded point of the curve, or null for one that is not on it or is
// not written in its one canonical way.
Point DecodePoint(gcry_ctx_t curve, const unsigned char* encoded) {
    if (!IsFieldElement(encoded)) {
        return nullptr;
    }
    Mpi opaque(gcry_mpi_set_opaque_copy(nullptr, encoded, 256));
    if (!opaque || gcry_mpi_ec_set_mpi("q", opaque.get(), curve) != 0) {
        return nullptr;
    }
    return Point(gcry_mpi_ec_get_point("q", curve, 1));
}

// Ed25519 (pure: the whole file is the message), checked as [S]B = R + [k]A
// with k = SHA-512(R || A || file) on libgcrypt's curve arithmetic. Its
// signature call takes the message inside an S-expression, whose data items
// are limited to 64 KiB: a module handed over that way made libgcrypt abort
// the whole server. Here the file is hashed as it is read.
bool VerifyEd25519(const std::string& key, const std::string& signature, const std::string& path) {
    static const bool ready = gcry_check_version(GCRYPT_VERSION) != nullptr &&
                              gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0) == 0;
    std::ifstream in(path, std::ios::binary);
    gcry_ctx_t madeCurve = nullptr;
    gcry_md_hd_t madeDigest = nullptr;
    if (!ready || !in || gcry_mpi_ec_new(&madeCurve, nullptr, "Ed25519") != 0) {
        return false;
    }
    Context curve(madeCurve);
    if (gcry_md_open(&madeDigest, GCRY_MD_SHA512, 0) != 0) {
        return false;
    }
    Digest digest(madeDigest);
    const auto* a = reinterpret_cast<const unsigned char*>(key.data());
    const auto* r = reinterpret_cast<const unsigned char*>(signature.data());
    Point publicPoint = DecodePoint(curve.get(), a);
    Point rPoint = DecodePoint(curve.get(), r);
    Point base(gcry_mpi_ec_get_point("g", curve.get(), 1));
    Mpi order(gcry_mpi_ec_get_mpi("n", curve.get(), 1));
    Mpi s = LittleEndian(r + 32, 32);
    // S at or above the group's order is malleable and refused.
    if (!publicPoint || !rPoint || !base || !order || !s ||
        gcry_mpi_cmp(s.get(), order.get()) >= 0) {
        return false;
    }
    gcry_md_write(digest.get(), r, 32);
    gcry_md_write(digest.get(), a, 32);
    char buffer[64 * 1024];
    while (in) {
        in.read(buffer, sizeof buffer);
        gcry_md_write(digest.get(), buffer, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        return false;
    }
    Mpi k = LittleEndian(gcry_md_read(digest.get(), GCRY_MD_SHA512), 64);
    if (!k) {
        return false;
    }
    gcry_mpi_mod(k.get(), k.get(), order.get());
    Point left(gcry_mpi_point_new(0)), kA(gcry_mpi_point_new(0)), right(gcry_mpi_point_new(0));
    gcry_mpi_ec_mul(left.get(), s.get(), base.get(), curve.get());
    gcry_mpi_ec_mul(kA.get(), k.get(), publicPoint.get(), curve.get());
    gcry_mpi_ec_add(right.get(), rPoint.get(), kA.get(), curve.get());
    Mpi leftX(gcry_mpi_new(0)), leftY(gcry_mpi_new(0));
    Mpi rightX(gcry_mpi_new(0)), rightY(gcry_mpi_new(0));
    return gcry_mpi_ec_get_affine(leftX.get(), leftY.get(), left.get(), curve.get()) == 0 &&
           gcry_mpi_ec_get_affine(rightX.get(), rightY.get(), right.get(), curve.get()) == 0 &&
           gcry_mpi_cmp(leftX.get(), rightX.get()) == 0 &&
           gcry_mpi_cmp(leftY.get(), rightY.get()) == 0;
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
