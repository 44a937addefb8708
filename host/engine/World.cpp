#include "engine/World.h"

#include <bspflags.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sim {

namespace {

struct ContentsName {
    const char* name;
    int contents;
};

constexpr ContentsName kContentsNames[] = {
    {"solid", CONTENTS_SOLID},
    {"window", CONTENTS_WINDOW},
    {"grate", CONTENTS_GRATE},
    {"opaque", CONTENTS_OPAQUE},
    {"moveable", CONTENTS_MOVEABLE},
    {"playerclip", CONTENTS_PLAYERCLIP},
    {"monsterclip", CONTENTS_MONSTERCLIP},
};

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && static_cast<unsigned char>(line[pos]) <= ' ') {
            ++pos;
        }
        const size_t start = pos;
        while (pos < line.size() && static_cast<unsigned char>(line[pos]) > ' ') {
            ++pos;
        }
        if (pos > start) {
            words.push_back(line.substr(start, pos - start));
        }
    }
    return words;
}

bool ParseNumber(std::string_view word, float& value) {
    const std::string text(word);
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool ParseContents(std::string_view word, int& contents) {
    for (const ContentsName& known : kContentsNames) {
        if (word == known.name) {
            contents = known.contents;
            return true;
        }
    }
    const std::string text(word);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size() || value <= 0 || value > 0x7FFFFFFF) {
        return false;
    }
    contents = static_cast<int>(value);
    return true;
}

}  // namespace

void World::AddBox(const Vector& corner1, const Vector& corner2, int contents) {
    Box box;
    for (int i = 0; i < 3; ++i) {
        box.mins[i] = std::min(corner1[i], corner2[i]);
        box.maxs[i] = std::max(corner1[i], corner2[i]);
    }
    box.contents = contents;
    m_Boxes.push_back(box);
}

std::string World::ParseLine(std::string_view line) {
    if (line.size() > kMaxLineLength) {
        return "the line is too long";
    }
    if (const size_t comment = line.find("//"); comment != std::string_view::npos) {
        line = line.substr(0, comment);
    }
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
        return {};
    }
    if (words[0] != "box") {
        return "expected \"box\"";
    }
    if (words.size() != 7 && words.size() != 8) {
        return "a box needs six numbers and may have contents";
    }
    float numbers[6];
    for (int i = 0; i < 6; ++i) {
        if (!ParseNumber(words[static_cast<size_t>(i) + 1], numbers[i])) {
            return "a corner is not a finite number";
        }
    }
    int contents = CONTENTS_SOLID;
    if (words.size() == 8 && !ParseContents(words[7], contents)) {
        return "unknown contents";
    }
    if (m_Boxes.size() >= kMaxBoxes) {
        return "too many boxes";
    }
    AddBox(Vector(numbers[0], numbers[1], numbers[2]), Vector(numbers[3], numbers[4], numbers[5]),
           contents);
    return {};
}

bool World::LoadText(std::string_view text, std::string* error) {
    m_Boxes.clear();
    if (text.size() > kMaxFileSize) {
        if (error) {
            *error = "the file is larger than " + std::to_string(kMaxFileSize) + " bytes";
        }
        return false;
    }
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string fault = ParseLine(line);
        if (!fault.empty()) {
            if (error) {
                *error = "line " + std::to_string(lineNumber) + ": " + fault;
            }
            return false;
        }
    }
    return true;
}

bool World::LoadFile(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) {
            *error = "cannot open " + path;
        }
        return false;
    }
    std::string text(kMaxFileSize + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    if (text.size() > kMaxFileSize) {
        if (error) {
            *error = path + " is too large";
        }
        m_Boxes.clear();
        return false;
    }
    return LoadText(text, error);
}

}  // namespace sim
