#include "cli/Progress.h"

#include "model/TextRules.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvo {

namespace {

    constexpr std::uint32_t MinimumMs = 1000;

    // Back to the start of the line and erase to its end.
    constexpr const char* ClearLine = "\r\033[K";

    std::string Duration(std::int64_t seconds)
    {
        const std::int64_t hours = seconds / 3600;
        const std::int64_t minutes = seconds / 60 % 60;
        const std::string rest = ZeroPadded(seconds % 60, 2);
        if (hours > 0)
            return IntToText(hours) + ":" + ZeroPadded(minutes, 2) + ":" + rest;
        return IntToText(minutes) + ":" + rest;
    }

    // Columns of the terminal, 0 when it does not say.
    int TerminalWidth(std::FILE* terminal)
    {
        winsize size {};
        if (::ioctl(::fileno(terminal), TIOCGWINSZ, &size) != 0)
            return 0;
        return size.ws_col;
    }

} // namespace

std::string ProgressText(int index, int count, std::uint32_t elapsedMs)
{
    std::string text = "[" + IntToText(index) + "/" + IntToText(count) + "]";
    // Figures from less than a second of work would jump about (thousands of pictures per second
    // while only headers are read).
    if (index <= 0 || elapsedMs < MinimumMs)
        return text;
    // Tenths of pictures per second, rounded, in whole numbers: no locale, no floating point.
    const std::int64_t done = index;
    const std::int64_t tenths = (done * 10000 + elapsedMs / 2) / elapsedMs;
    text += " " + IntToText(tenths / 10) + "." + IntToText(tenths % 10) + " Bilder/s";
    if (index < count) {
        // Rounded up, so that the time left reaches 0:00 only at the end.
        const std::int64_t leftMs = (count - done) * elapsedMs / done;
        text += ", noch " + Duration((leftMs + 999) / 1000);
    }
    return text;
}

TProgressLine::TProgressLine(std::FILE* terminal)
    : m_terminal(terminal)
{
}

void TProgressLine::Begin(std::uint32_t now)
{
    End();
    m_start = now;
}

void TProgressLine::Position(int index, int count, std::uint32_t now)
{
    m_index = index;
    m_count = count;
    Show(now);
}

void TProgressLine::Hide()
{
    if (!m_shown)
        return;
    std::fputs(ClearLine, m_terminal);
    std::fflush(m_terminal);
    m_shown = false;
}

void TProgressLine::Show(std::uint32_t now)
{
    if (Active())
        Draw(now);
}

void TProgressLine::Refresh(std::uint32_t now)
{
    // Unsigned difference: a wrap of the tick counter still gives the time gone by.
    if (Active() && now - m_drawnAt >= 1000)
        Draw(now);
}

void TProgressLine::End()
{
    Hide();
    m_index = 0;
    m_count = 0;
}

void TProgressLine::Draw(std::uint32_t now)
{
    std::string text = ProgressText(m_index, m_count, now - m_start);
    // A line longer than the terminal would wrap, and "\r" would then redraw only its tail.
    const int width = TerminalWidth(m_terminal);
    if (width > 1 && static_cast<int>(text.size()) >= width)
        text.resize(static_cast<std::size_t>(width - 1));
    std::fputs(("\r" + text + "\033[K").c_str(), m_terminal);
    std::fflush(m_terminal);
    m_shown = true;
    m_drawnAt = now;
}

} // namespace korvo
