#pragma once

#include <string>

// Ed25519 signatures of downloaded module files. Keys and signatures are
// Base64 of their raw 32 and 64 bytes.
namespace ReleaseSignature {

// True when signature is a valid signature of the whole file at path by
// publicKey. Malformed keys or signatures, and unreadable files, are false.
bool VerifyFile(const std::string& publicKey, const std::string& signature,
                const std::string& path);

// True when the text is the Base64 of a 32-byte key (what a trusted-key line
// must hold).
bool IsPublicKey(const std::string& text);

}  // namespace ReleaseSignature
