#pragma once

#include <string>

// Ed25519 keys and signatures of release files, through OpenSSL. Private keys
// live in PEM files (PKCS #8); public keys and signatures travel as Base64 of
// their raw 32 and 64 bytes, which is what the plug-in's trusted-key list and
// the update answer carry.
namespace release {

// Makes a new key pair, writes the private key to pemPath (owner-only
// permissions; an existing file is not overwritten) and returns the public
// key. "" and a reason in error on failure.
std::string GenerateKey(const std::string& pemPath, std::string& error);

// The public key of the private key in pemPath; "" on failure.
std::string PublicKeyOf(const std::string& pemPath, std::string& error);

// The signature of the whole file with the private key in pemPath; "" on
// failure.
std::string SignFile(const std::string& pemPath, const std::string& filePath, std::string& error);

}  // namespace release
