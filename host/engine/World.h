// The map's solid geometry: axis-aligned boxes, read from maps/NAME.world.
// One box per line, its two opposite corners and optionally its contents:
//
//   // a wall between the sites
//   box -64 -512 0  64 512 256
//   box 0 0 0  128 8 96  window
//
// Contents are a name (solid, window, grate, opaque, moveable, playerclip,
// monsterclip) or a number (decimal or 0x hex); solid when left out. The
// file is outside input: a fault stops reading with a message naming its
// line, keeping the boxes before it, and sizes are bounded.
#pragma once

#include <mathlib/vector.h>

#include <string>
#include <string_view>
#include <vector>

namespace sim {

class World {
public:
    struct Box {
        Vector mins;
        Vector maxs;
        int contents = 0;
    };

    static constexpr size_t kMaxBoxes = 65536;
    static constexpr size_t kMaxLineLength = 1024;
    static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

    // Replaces the boxes with those of the text; false (and a message) on a
    // fault.
    bool LoadText(std::string_view text, std::string* error = nullptr);
    bool LoadFile(const std::string& path, std::string* error = nullptr);

    // The corners may come in any order.
    void AddBox(const Vector& corner1, const Vector& corner2, int contents);
    void Clear() { m_Boxes.clear(); }
    const std::vector<Box>& Boxes() const { return m_Boxes; }

private:
    // Empty on success, else what is wrong with the line.
    std::string ParseLine(std::string_view line);

    std::vector<Box> m_Boxes;
};

}  // namespace sim
