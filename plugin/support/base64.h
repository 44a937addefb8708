#pragma once

#include <cstddef>
#include <string>

// Base64 with the standard alphabet and "=" padding.

// The alphabet, index = 6-bit value.
extern const char base64_chars[];

// True for ASCII letters and digits, '+' and '/'; independent of the locale.
bool is_base64(unsigned char c);

// Decodes from the start up to the first '=' or the first byte outside the
// alphabet; anything after that, line breaks included, is ignored. A final
// group of two or three characters gives one or two bytes; a lone final
// character gives nothing.
std::string base64_decode(const std::string& encoded);

// Encodes length bytes, padded with '=' to a multiple of four characters.
std::string base64_encode(const unsigned char* bytes, size_t length);
