#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace entity_text {

// The reader's cursor over one entity text: whitespace is every byte up to
// a blank, as the game's reader has it.
struct Reader {
    const char* pos;
    const char* end;

    static bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

    // Past blanks and "//" comments; false at the end.
    bool SkipSpace() {
        while (pos < end) {
            if (IsSpace(*pos)) {
                ++pos;
            } else if (*pos == '/' && end - pos >= 2 && pos[1] == '/') {
                const void* lineEnd = std::memchr(pos, '\n', static_cast<std::size_t>(end - pos));
                pos = lineEnd ? static_cast<const char*>(lineEnd) : end;
            } else {
                return true;
            }
        }
        return false;
    }

    // A quoted or plain word at `pos`; false (pos unchanged) for a quote
    // never closed.
    bool Word(std::string_view& word) {
        if (*pos == '"') {
            const char* start = pos + 1;
            const void* close = std::memchr(start, '"', static_cast<std::size_t>(end - start));
            if (!close) {
                return false;
            }
            word = std::string_view(
                start, static_cast<std::size_t>(static_cast<const char*>(close) - start));
            pos = static_cast<const char*>(close) + 1;
            return true;
        }
        const char* start = pos;
        while (pos < end && !IsSpace(*pos) && *pos != '{' && *pos != '}' && *pos != '"') {
            ++pos;
        }
        word = std::string_view(start, static_cast<std::size_t>(pos - start));
        return true;
    }
};

enum class Block { Clean, Unreadable };

// Reads the block whose "{" is at `reader.pos` up to and past its "}".
// `model` is the first "model" value, empty when none.
inline Block ReadBlock(Reader& reader, std::string_view& model) {
    ++reader.pos;
    model = {};
    bool haveModel = false;
    for (;;) {
        if (!reader.SkipSpace()) {
            return Block::Unreadable;
        }
        if (*reader.pos == '}') {
            ++reader.pos;
            return Block::Clean;
        }
        std::string_view key;
        std::string_view value;
        if (*reader.pos == '{' || !reader.Word(key) || !reader.SkipSpace() || *reader.pos == '{' ||
            *reader.pos == '}' || !reader.Word(value)) {
            return Block::Unreadable;
        }
        if (!haveModel && key == "model") {
            model = value;
            haveModel = true;
        }
    }
}

}  // namespace entity_text

// Copies a map's entity text into `out` without the blocks whose "model"
// value `remove(model)` picks, in one forward pass; `out` must hold
// text.size() + 1 bytes. Answers the bytes written before the terminator it
// adds, never more than text.size().
//
// The text is read as the game reads it: quoted or plain words, "//"
// comments, braces only outside quotes. Maps come from anywhere, so what
// the game could not read either is left exactly as it is: from the first
// thing that is not a well-formed block (a stray word, a block never
// closed, a quote never closed) to the end, everything is copied unchanged.
// A block is dropped only when it reads cleanly and its model value stands
// on one line (a value running over a line end has lost its closing quote).
template <class Remove>
std::size_t FilterEntityText(std::string_view text, char* out, Remove&& remove) {
    entity_text::Reader reader{text.data(), text.data() + text.size()};
    char* write = out;
    // Text between blocks goes with the block after it, so a removed
    // block takes its leading line break along.
    const char* pending = reader.pos;
    while (reader.SkipSpace() && *reader.pos == '{') {
        std::string_view model;
        if (entity_text::ReadBlock(reader, model) != entity_text::Block::Clean) {
            break;
        }
        const bool drop =
            !model.empty() && model.find('\n') == std::string_view::npos && remove(model);
        if (!drop && reader.pos > pending) {
            const std::size_t length = static_cast<std::size_t>(reader.pos - pending);
            std::memcpy(write, pending, length);
            write += length;
        }
        pending = reader.pos;
    }
    const std::size_t rest = static_cast<std::size_t>(reader.end - pending);
    if (rest > 0) {
        std::memcpy(write, pending, rest);
        write += rest;
    }
    *write = '\0';
    return static_cast<std::size_t>(write - out);
}
