#include "SpewCapture.h"

namespace {

std::vector<SpewLine> s_lines;

void Capture(SpewType_t type, const Color& color, const char* text) {
    s_lines.push_back({type, color, text});
}

}  // namespace

SpewCapture::SpewCapture() : m_previous(SpewOutputFunc(Capture)) {
    s_lines.clear();
}

SpewCapture::~SpewCapture() {
    SpewOutputFunc(m_previous);
    s_lines.clear();
}

const std::vector<SpewLine>& SpewCapture::Lines() const {
    return s_lines;
}

std::string SpewCapture::Text(SpewType_t type) const {
    std::string text;
    for (const SpewLine& line : s_lines)
        if (line.type == type)
            text += line.text;
    return text;
}
