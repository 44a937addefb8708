// The console's command buffer: text queued by ServerCommand, exec and
// aliases, taken out one command at a time. A command ends at ';' outside
// quotes and at every line break; "//" outside quotes drops the rest of its
// line. "wait" holds the rest back for a number of frames.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

class CommandBuffer {
public:
    static constexpr size_t kMaxSize = 8192;

    // Appends text; refused whole (with a warning) when it would not fit.
    bool AddText(std::string_view text);
    // Puts text in front of what is queued (an exec'd file, an alias body).
    bool InsertText(std::string_view text);

    // The next command, or nothing while the buffer is empty or waiting.
    std::optional<std::string> NextCommand();

    // Holds the rest of the buffer back for that many frames.
    void Wait(int frames) { m_waitFrames = frames > 0 ? frames : 0; }
    bool IsWaiting() const { return m_waitFrames > 0; }
    // Counts a running wait down by one frame.
    void OnFrame();

    bool Empty() const { return m_text.empty(); }
    size_t Size() const { return m_text.size(); }
    void Clear();

private:
    bool Fits(std::string_view text) const;

    std::string m_text;
    int m_waitFrames = 0;
};

}  // namespace sim
