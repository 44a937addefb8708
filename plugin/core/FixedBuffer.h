#pragma once

#include <tier0/platform.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Text formatted into a buffer of N bytes: cut at N - 1 characters, never
// overflowing and never allocating. Every fixed-size text of the plug-in
// (console blocks, chat lines, commands, log lines) goes through it.
template <std::size_t N>
class FixedBuffer {
public:
    static_assert(N > 0, "a buffer holds at least its terminator");

    const char* Format(const char* format, ...) FMTFUNCTION(2, 3) {
        va_list args;
        va_start(args, format);
        FormatV(format, args);
        va_end(args);
        return m_Text;
    }

    const char* FormatV(const char* format, va_list args) FMTFUNCTION(2, 0) {
        if (std::vsnprintf(m_Text, N, format, args) < 0) {
            m_Text[0] = '\0';
        }
        return m_Text;
    }

    const char* c_str() const { return m_Text; }
    static constexpr std::size_t Capacity() { return N; }

private:
    char m_Text[N] = {};
};
