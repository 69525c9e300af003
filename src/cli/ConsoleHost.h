#pragma once

// The command-line tool's host for long operations: every log message becomes one line on
// standard output, Ctrl-C requests the abort, and there are no pages and no pauses. On a
// terminal a progress line shows how far the running operation has come.

#include "cli/Progress.h"
#include "model/RunLog.h"

#include <cstdint>
#include <cstdio>

namespace korvo {

class TSteadyClock : public IClock {
public:
    std::uint32_t TickCount() override;
    // The tool has no pages to wait for.
    void Pause(std::uint32_t) override { }
};

class TConsoleHost : public TLogHost {
public:
    // raw: lines exactly as stored, kind character first; otherwise as the log page shows them,
    // coloured by kind when `colour` is set. `progress`: where the progress line is drawn (a
    // terminal), or nullptr for none.
    TConsoleHost(std::FILE* out, bool raw, bool colour, std::FILE* progress = nullptr);

    void ProcessEvents() override;
    IClock& Clock() override { return m_clock; }

    // Makes Ctrl-C request the abort of the running operation; a second Ctrl-C ends the tool.
    static void InstallInterruptHandler();

protected:
    void LineAppended(const std::string& line) override;
    void BusyChanged(bool busy, Page) override;

private:
    std::FILE* m_out;
    bool m_raw;
    bool m_colour;
    TSteadyClock m_clock;
    TProgressLine m_progress;
    std::uint32_t m_flushed = 0; // tick of the last flush between two items
};

} // namespace korvo
