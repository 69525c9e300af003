#include "model/RunLog.h"

#include "model/TextRules.h"

#include <charconv>

namespace korvo {

std::string_view ShownText(std::string_view message) { return message.empty() ? message : message.substr(1); }

bool TRunLog::Log(std::string_view message)
{
    if (message.empty() && m_lastLineEmpty)
        return false;
    // Paths carry whatever bytes the file system holds; the log stays UTF-8 like every text.
    m_lines.push_back(ReplaceInvalidUtf8(message));
    m_lastLineEmpty = message.empty();
    return true;
}

void TRunLog::BeginBusy()
{
    m_abortRequested = false;
    m_busy = true;
}

void TLogHost::Log(std::string_view message)
{
    if (m_log.Log(message))
        LineAppended(m_log.Lines().back());
}

void TLogHost::BeginBusy()
{
    m_log.BeginBusy();
    BusyChanged(true, Page::PLog);
}

void TLogHost::EndBusy(Page page)
{
    m_log.EndBusy();
    BusyChanged(false, page);
}

namespace {

    // Decimal digits only, 1 … 2^30.
    std::optional<int> PositionNumber(std::string_view text)
    {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 || value > (1 << 30))
            return std::nullopt;
        return value;
    }

} // namespace

std::optional<ItemPosition> ParseItemPosition(std::string_view message)
{
    if (message.size() < 2 || message[1] != '[')
        return std::nullopt;
    const std::size_t slash = message.find('/', 2);
    const std::size_t close = message.find(']', 2);
    if (slash == std::string_view::npos || close == std::string_view::npos || slash > close)
        return std::nullopt;
    const auto index = PositionNumber(message.substr(2, slash - 2));
    const auto count = PositionNumber(message.substr(slash + 1, close - slash - 1));
    if (!index || !count || *index > *count)
        return std::nullopt;
    return ItemPosition { *index, *count };
}

} // namespace korvo
