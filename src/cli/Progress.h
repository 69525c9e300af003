#pragma once

// The progress line of korvo2-album: one line on a terminal (standard error), redrawn in place
// with the position of the running operation, the pictures per second and the time left. The log
// on standard output stays as it is: the line is cleared before a log line is written and drawn
// again after it, so the two never mix even when both go to the same terminal.

#include <cstdint>
#include <cstdio>
#include <string>

namespace korvo {

// "[12/345] 8.3 Bilder/s, noch 0:41" for item 12 of 345 done `elapsedMs` after the operation
// began; the rate and the time left only once an item is done and a second has gone by. Longer
// waits read "1:02:03".
std::string ProgressText(int index, int count, std::uint32_t elapsedMs);

class TProgressLine {
public:
    // `terminal` receives the line; nullptr draws nothing at all.
    explicit TProgressLine(std::FILE* terminal);

    // An operation begins at `now` (milliseconds); an earlier position is forgotten.
    void Begin(std::uint32_t now);
    // The item `index` of `count` is done.
    void Position(int index, int count, std::uint32_t now);
    // Clears the line, so that a log line can take its place.
    void Hide();
    // Draws the line again, if there is one to show.
    void Show(std::uint32_t now);
    // Draws again when the last drawing is at least a second old (the time left moves on while
    // a large picture is being made).
    void Refresh(std::uint32_t now);
    // The operation ended: the line is cleared for good.
    void End();

    bool Enabled() const { return m_terminal != nullptr; }
    bool Active() const { return Enabled() && m_count > 0; }

private:
    void Draw(std::uint32_t now);

    std::FILE* m_terminal;
    std::uint32_t m_start = 0;
    std::uint32_t m_drawnAt = 0;
    int m_index = 0;
    int m_count = 0;
    bool m_shown = false;
};

} // namespace korvo
