// A client's command line as the plug-in's callbacks receive it, split by
// tier1's CCommand (linked into the module). Input: the line's bytes up to
// the first NUL. Every argument lies in the line, none is longer than the
// line, the count stays within bounds, a line at or over the length limit is
// refused whole, and the raw rest of the line starts where argument 1 does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <tier1/convar.h>

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    CCommand args;
    const bool taken = args.Tokenize(line.c_str());
    if (line.size() >= CCommand::COMMAND_MAX_LENGTH) {
        Check(!taken && args.ArgC() == 0 && *args.GetCommandString() == '\0');
        return 0;
    }
    Check(args.ArgC() >= 0 && args.ArgC() <= CCommand::COMMAND_MAX_ARGC);
    for (int i = 0; i < args.ArgC(); ++i) {
        const char* arg = args[i];
        Check(arg != nullptr && std::strlen(arg) <= line.size());
        // Quotes group words and are never part of an argument.
        Check(std::strchr(arg, '"') == nullptr);
        Check(line.find(arg) != std::string::npos);
    }
    Check(*args[args.ArgC()] == '\0' && *args[-1] == '\0');
    if (args.ArgC() > 1) {
        const std::string rest = args.ArgS();
        Check(!rest.empty() && rest.size() < line.size() && line.find(rest) != std::string::npos);
    } else {
        Check(*args.ArgS() == '\0');
    }
    return 0;
}
