// Collects tier0 output for the duration of a test.
#pragma once

#include <tier0/dbg.h>

#include <string>
#include <vector>

struct SpewLine {
    SpewType_t type;
    Color color;
    std::string text;
};

class SpewCapture {
public:
    SpewCapture();
    ~SpewCapture();

    const std::vector<SpewLine>& Lines() const;
    // All captured text of one type, concatenated.
    std::string Text(SpewType_t type) const;

    SpewCapture(const SpewCapture&) = delete;
    SpewCapture& operator=(const SpewCapture&) = delete;

private:
    SpewOutputFunc_t m_previous;
};
