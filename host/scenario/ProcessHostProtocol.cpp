#include "scenario/ProcessHostProtocol.h"

#include <cstring>

#include "scenario/HexDigit.h"

namespace sim::processhost {

namespace {

bool IsPlain(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("-_.~/:,+=@", c) != nullptr);
}

bool DecodeWord(const std::string& text, std::string& word, std::string& error) {
    word.clear();
    if (text == "%")
        return true;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                error = "a '%' is not followed by two hexadecimal digits";
                return false;
            }
            const char byte = static_cast<char>(high * 16 + low);
            if (byte == '\0') {
                error = "a word holds a NUL byte";
                return false;
            }
            word += byte;
            i += 2;
        } else if (IsPlain(c)) {
            word += static_cast<char>(c);
        } else {
            error = "a byte outside the plain set is not %-escaped";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string EncodeWord(const std::string& word) {
    if (word.empty())
        return "%";
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : word) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (IsPlain(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string EncodeLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        line += EncodeWord(word);
    }
    return line + "\n";
}

bool DecodeLine(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    std::string text = line;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.size() >= kMaxLine) {
        error = "the line is longer than ";
        error += std::to_string(kMaxLine - 1) + " bytes";
        return false;
    }
    if (text.empty()) {
        error = "an empty line";
        return false;
    }
    size_t start = 0;
    for (;;) {
        const size_t space = text.find(' ', start);
        const std::string piece = text.substr(start, space - start);
        if (piece.empty()) {
            error = "words are separated by single spaces";
            return false;
        }
        if (words.size() == kMaxWords) {
            // Appended: GCC 12 warns wrongly of an overlap in "..." + string.
            error = "more than ";
            error += std::to_string(kMaxWords) + " words";
            return false;
        }
        std::string word;
        if (!DecodeWord(piece, word, error))
            return false;
        words.push_back(std::move(word));
        if (space == std::string::npos)
            return true;
        start = space + 1;
    }
}

void LineReader::Add(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (!m_skipping)
                m_ready.emplace_back(std::move(m_partial), false);
            m_partial.clear();
            m_skipping = false;
        } else if (!m_skipping) {
            m_partial += c;
            // Reported at once, so that the sender hears of it without
            // sending the rest; the rest is dropped up to its end.
            if (m_partial.size() >= kMaxLine) {
                m_ready.emplace_back("", true);
                m_partial.clear();
                m_skipping = true;
            }
        }
    }
}

bool LineReader::Next(std::string& line, bool& tooLong) {
    if (m_readyAt == m_ready.size()) {
        m_ready.clear();
        m_readyAt = 0;
        return false;
    }
    line = std::move(m_ready[m_readyAt].first);
    tooLong = m_ready[m_readyAt].second;
    ++m_readyAt;
    return true;
}

}  // namespace sim::processhost
