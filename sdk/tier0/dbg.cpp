// Console output: formatting and the host's output sink.
#include <tier0/dbg.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

std::atomic<SpewOutputFunc_t> g_spewFunc{DefaultSpewOutputFunc};

const Color kMessageColor(255, 255, 255);
const Color kWarningColor(255, 90, 90);
const Color kDeveloperColor(180, 180, 255);

// Formats into a stack buffer, or the heap when the text is longer, so that
// no message is ever cut.
void SpewV(SpewType_t type, const Color& color, const char* format, va_list args) {
    char local[2048];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(local, sizeof(local), format, args);
    const char* text = local;
    std::unique_ptr<char[]> large;
    if (length < 0) {
        text = "";
    } else if (static_cast<size_t>(length) >= sizeof(local)) {
        large = std::make_unique<char[]>(static_cast<size_t>(length) + 1);
        std::vsnprintf(large.get(), static_cast<size_t>(length) + 1, format, copy);
        text = large.get();
    }
    va_end(copy);
    g_spewFunc.load()(type, color, text);
}

}  // namespace

void DefaultSpewOutputFunc(SpewType_t type, const Color&, const char* text) {
    FILE* stream = type == SPEW_WARNING ? stderr : stdout;
    std::fputs(text, stream);
    std::fflush(stream);
}

SpewOutputFunc_t SpewOutputFunc(SpewOutputFunc_t func) {
    return g_spewFunc.exchange(func ? func : DefaultSpewOutputFunc);
}

SpewOutputFunc_t GetSpewOutputFunc() {
    return g_spewFunc.load();
}

#define TIER0_SPEW(type, color)       \
    va_list args;                     \
    va_start(args, format);           \
    SpewV(type, color, format, args); \
    va_end(args)

void Msg(const char* format, ...) {
    TIER0_SPEW(SPEW_MESSAGE, kMessageColor);
}

void Warning(const char* format, ...) {
    TIER0_SPEW(SPEW_WARNING, kWarningColor);
}

void DevMsg(const char* format, ...) {
    TIER0_SPEW(SPEW_DEVELOPER, kDeveloperColor);
}

void ConMsg(const char* format, ...) {
    TIER0_SPEW(SPEW_MESSAGE, kMessageColor);
}

void ConColorMsg(const Color& color, const char* format, ...) {
    TIER0_SPEW(SPEW_MESSAGE, color);
}
