// Splitting a console line into arguments.
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <string>

namespace {

// Characters that form an argument of their own.
bool IsBreakChar(char c) {
    return c != '\0' && std::strchr("{}()':", c) != nullptr;
}

bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Quotes an argument when tokenizing would split or drop it otherwise.
std::string QuoteIfNeeded(const char* arg) {
    std::string text = arg ? arg : "";
    bool plain = !text.empty() && text.compare(0, 2, "//") != 0;
    for (char c : text)
        plain = plain && !IsSeparator(c) && !IsBreakChar(c) && c != '"';
    return plain ? text : "\"" + text + "\"";
}

}  // namespace

CCommand::CCommand() {
    Reset();
}

CCommand::CCommand(int argc, const char* const* argv) {
    Reset();
    std::string line;
    for (int i = 0; i < argc && argv; ++i) {
        if (i)
            line += ' ';
        line += QuoteIfNeeded(argv[i]);
    }
    Tokenize(line.c_str());
}

void CCommand::Reset() {
    m_nArgc = 0;
    m_nArgSOffset = 0;
    m_nArgvUsed = 0;
    m_pArgSBuffer[0] = '\0';
    m_pArgvBuffer[0] = '\0';
}

bool CCommand::AddArgument(const char* start, int length) {
    if (m_nArgvUsed + length + 1 > static_cast<int>(sizeof(m_pArgvBuffer)))
        return false;  // cannot happen within the line limit; never overflow
    char* out = m_pArgvBuffer + m_nArgvUsed;
    std::memcpy(out, start, static_cast<size_t>(length));
    out[length] = '\0';
    m_ppArgv[m_nArgc++] = out;
    m_nArgvUsed += length + 1;
    return true;
}

bool CCommand::Tokenize(const char* line) {
    Reset();
    if (!line)
        return false;
    const size_t length = strnlen(line, COMMAND_MAX_LENGTH);
    if (length >= COMMAND_MAX_LENGTH) {
        Warning("Command line refused: %d characters or more (at most %d)\n", COMMAND_MAX_LENGTH,
                COMMAND_MAX_LENGTH - 1);
        return false;
    }
    std::memcpy(m_pArgSBuffer, line, length + 1);

    const char* text = m_pArgSBuffer;
    size_t pos = 0;
    while (true) {
        while (text[pos] && IsSeparator(text[pos]))
            ++pos;
        if (!text[pos] || (text[pos] == '/' && text[pos + 1] == '/'))
            break;
        if (m_nArgc == COMMAND_MAX_ARGC) {
            Warning("Command line cut at %d arguments\n", COMMAND_MAX_ARGC);
            break;
        }
        const size_t argStart = pos;
        size_t wordStart = pos;
        if (text[pos] == '"') {
            wordStart = ++pos;
            while (text[pos] && text[pos] != '"')
                ++pos;
        } else if (IsBreakChar(text[pos])) {
            ++pos;
        } else {
            while (text[pos] && !IsSeparator(text[pos]) && text[pos] != '"' &&
                   !IsBreakChar(text[pos]))
                ++pos;
        }
        if (!AddArgument(text + wordStart, static_cast<int>(pos - wordStart)))
            break;
        if (text[argStart] == '"' && text[pos] == '"')
            ++pos;
        if (m_nArgc == 2)
            m_nArgSOffset = static_cast<int>(argStart);
    }
    return true;
}
