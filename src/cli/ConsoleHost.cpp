#include "cli/ConsoleHost.h"

#include "model/MessageKinds.h"

#include <chrono>
#include <csignal>

namespace korvo {

namespace {

    volatile std::sig_atomic_t interruptRequested = 0;

    extern "C" void OnInterrupt(int) { interruptRequested = 1; }

} // namespace

std::uint32_t TSteadyClock::TickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

TConsoleHost::TConsoleHost(std::FILE* out, bool raw, bool colour, std::FILE* progress)
    : m_out(out)
    , m_raw(raw)
    , m_colour(colour && !raw)
    , m_progress(progress)
{
}

void TConsoleHost::InstallInterruptHandler()
{
    struct sigaction action { };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND; // the second Ctrl-C ends the tool the usual way
    sigaction(SIGINT, &action, nullptr);
}

void TConsoleHost::ProcessEvents()
{
    if (interruptRequested)
        RequestAbort();
    // Whoever reads the log through a pipe sees it in steps of 50 ms at most; a flush after each
    // of ten thousand pictures would cost more than the pictures that are kept.
    const std::uint32_t now = m_clock.TickCount();
    if (now - m_flushed >= 50) {
        std::fflush(m_out);
        m_flushed = now;
    }
    m_progress.Refresh(now);
}

void TConsoleHost::BusyChanged(bool busy, Page)
{
    if (busy)
        m_progress.Begin(m_clock.TickCount());
    else
        m_progress.End();
}

void TConsoleHost::LineAppended(const std::string& line)
{
    // The progress line gives way to the log line and comes back below it.
    m_progress.Hide();
    if (m_raw) {
        std::fprintf(m_out, "%s\n", line.c_str());
    } else {
        const std::string shown(ShownText(line));
        const std::string_view colour = m_colour && !line.empty() ? KindOfMessage(line[0]).Terminal : "";
        if (!colour.empty())
            std::fprintf(m_out, "%.*s%s\033[0m\n", static_cast<int>(colour.size()), colour.data(), shown.c_str());
        else
            std::fprintf(m_out, "%s\n", shown.c_str());
    }
    if (!m_progress.Enabled())
        return;
    std::fflush(m_out);
    const std::uint32_t now = m_clock.TickCount();
    if (const auto position = ParseItemPosition(line); position && Busy())
        m_progress.Position(position->Index, position->Count, now);
    else
        m_progress.Show(now);
}

} // namespace korvo
