#pragma once

// The run log every long operation reports to, the busy state with its abort flag, and the
// host interface through which operations reach their window (or terminal, or test).
//
// A message is one line whose first character is its kind: "/" header, "*" progress,
// "_" detail, "-" error or abort, "+" summary (MessageKinds.h); the empty message is a
// separator line.

#include "model/MessageKinds.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// What a log line shows: the message from its second character on.
std::string_view ShownText(std::string_view message);

// The log store and the busy/abort state, without any drawing.
class TRunLog {
public:
    // Appends a message, except an empty one right after another empty one. True when a line
    // was appended. Bytes that are not valid UTF-8 (a file name from an old archive) are stored
    // as U+FFFD, one for each broken piece.
    bool Log(std::string_view message);
    const std::vector<std::string>& Lines() const { return m_lines; }
    bool LastLineEmpty() const { return m_lastLineEmpty; }

    // Entering the busy state clears the abort flag; it stays set after an aborted operation
    // until the next one begins, so callers can read it after their loop.
    void BeginBusy();
    void EndBusy() { m_busy = false; }
    bool Busy() const { return m_busy; }
    void RequestAbort() { m_abortRequested = true; }
    bool AbortRequested() const { return m_abortRequested; }

private:
    std::vector<std::string> m_lines;
    bool m_lastLineEmpty = false;
    bool m_busy = false;
    bool m_abortRequested = false;
};

// The pages of the main window, as targets of EndBusy.
enum class Page { PCommon, PImages, PLog, PHelp };

// A millisecond tick counter and a blocking pause.
class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary start; wraps around after 2^32.
    virtual std::uint32_t TickCount() = 0;
    virtual void Pause(std::uint32_t milliseconds) = 0;
};

// What a long operation (adding files, the album run, loading a project) needs of the window
// that started it. The window, the command-line tool and the tests each implement it.
class IOperationHost {
public:
    virtual ~IOperationHost() = default;

    virtual void Log(std::string_view message) = 0;
    virtual void BeginBusy() = 0;
    // Leaves the busy state and shows the given page (the log page simply stays in view).
    virtual void EndBusy(Page page) = 0;
    // Lets the event loop handle pending events: repaints, the abort button, "-v".
    virtual void ProcessEvents() = 0;
    virtual bool AbortRequested() const = 0;
    virtual IClock& Clock() = 0;

    // The image list changed: refill the rows and select the marked entries. No-op where
    // there is no list to show.
    virtual void ImageListChanged() { }
    // The settings changed behind the settings page (a project was loaded).
    virtual void SettingsChanged() { }
    // Brings a page into view outside the busy state (a failed project save shows the log).
    virtual void ShowPage(Page) { }
};

// A host built on a TRunLog: the log, busy and abort rules are done here; a subclass only
// shows what happens.
class TLogHost : public IOperationHost {
public:
    void Log(std::string_view message) override;
    void BeginBusy() override;
    void EndBusy(Page page) override;
    bool AbortRequested() const override { return m_log.AbortRequested(); }
    void RequestAbort() { m_log.RequestAbort(); }
    bool Busy() const { return m_log.Busy(); }
    const TRunLog& RunLog() const { return m_log; }

protected:
    // A line was appended to the log.
    virtual void LineAppended(const std::string& line) = 0;
    // The busy state changed; `page` is the page EndBusy asked for (PLog when beginning).
    virtual void BusyChanged(bool busy, Page page) = 0;

private:
    TRunLog m_log;
};

// The position "[i/n]" that a message about one item carries right behind its kind character
// (1 <= i <= n); none for any other message. The log page and the command-line tool show the
// progress of an operation from it.
struct ItemPosition {
    int Index;
    int Count;
};
std::optional<ItemPosition> ParseItemPosition(std::string_view message);

} // namespace korvo
