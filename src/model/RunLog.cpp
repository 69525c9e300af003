#include "model/RunLog.h"

#include "model/TextRules.h"

namespace korvo {

MessageColour MessageKindColour(char kind)
{
    switch (kind) {
    case '/':
    case 'B':
        return MessageColour::Blue;
    case '_':
    case '0':
        return MessageColour::Grey;
    case '-':
    case '!':
    case 'E':
    case 'R':
        return MessageColour::Red;
    case '+':
    case 'G':
        return MessageColour::Green;
    default:
        return MessageColour::WindowText;
    }
}

RgbColour MessageColourRgb(MessageColour colour)
{
    switch (colour) {
    case MessageColour::Blue:
        return { 0, 0, 255 };
    case MessageColour::Grey:
        return { 128, 128, 128 };
    case MessageColour::Red:
        return { 255, 0, 0 };
    case MessageColour::Green:
        return { 0, 128, 0 };
    case MessageColour::WindowText:
        break;
    }
    return { 0, 0, 0 };
}

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

} // namespace korvo
