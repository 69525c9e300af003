#pragma once

// A host for long operations in tests: records every line and busy change, answers the clock
// from a counter the test controls, and can press "abort" on a chosen event pump.

#include "model/RunLog.h"

#include <functional>
#include <string>
#include <vector>

namespace korvo::testing {

class TFakeClock : public IClock {
public:
    std::uint32_t TickCount() override { return Now; }
    void Pause(std::uint32_t milliseconds) override
    {
        Pauses.push_back(milliseconds);
        Now += milliseconds;
    }

    std::uint32_t Now = 0;
    std::vector<std::uint32_t> Pauses;
};

class TRecordingHost : public TLogHost {
public:
    struct BusyEvent {
        bool Busy;
        Page Target;
    };

    void ProcessEvents() override
    {
        ++EventPumps;
        if (AbortOnPump > 0 && EventPumps == AbortOnPump)
            RequestAbort();
        if (OnPump)
            OnPump(EventPumps);
    }
    IClock& Clock() override { return FakeClock; }
    void ImageListChanged() override { ++ImageListChanges; }
    void SettingsChanged() override { ++SettingsChanges; }
    void ShowPage(Page page) override { ShownPages.push_back(page); }

    // Every log line appended so far, kind character included.
    const std::vector<std::string>& Lines() const { return RunLog().Lines(); }

    TFakeClock FakeClock;
    std::vector<BusyEvent> BusyEvents;
    int EventPumps = 0;
    int AbortOnPump = 0; // 0: never
    int ImageListChanges = 0;
    int SettingsChanges = 0;
    std::vector<Page> ShownPages;
    std::function<void(int pump)> OnPump; // runs inside every event pump, e.g. to toggle "-v"

protected:
    void LineAppended(const std::string&) override { }
    void BusyChanged(bool busy, Page page) override { BusyEvents.push_back({ busy, page }); }
};

} // namespace korvo::testing
