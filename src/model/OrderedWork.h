#pragma once

// Numbered items worked on by a pool of threads and handed back to the calling thread in their
// order. The long operations use it to keep every core busy while the calling thread alone logs,
// touches the image list and lets the host process events: it waits for the next item with a
// short timeout and pumps the host's events between two looks, so a window stays responsive.
//
// Items start in order and never more than `Lookahead` ahead of the item the caller waits for,
// which bounds the memory of finished results. The job writes its item's result into storage the
// caller owns (one slot per item); waiting for an item orders the job's writes before the
// caller's reads. Jobs must not throw; one that does counts as done, its slot as the job left it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvo {

// How a long operation spreads its work over the processor's cores.
struct TWorkOptions {
    // 0: one worker per core this process may run on. With 1 the work still runs beside the
    // calling thread, so a window stays responsive.
    int Workers = 0;
    // How long the calling thread waits for a result before it lets the host process events.
    std::chrono::milliseconds PumpInterval { 50 };
};

// The cores this process may run on (at least 1).
int AvailableCores();

class IOperationHost;

class TOrderedWork {
public:
    // Runs job(item, worker) for item 0 … items − 1 on `workers` threads (worker is 0 … workers
    // − 1, for per-thread buffers). With 0 workers, or when no thread can be started, each
    // item runs on the calling thread inside WaitFor, with worker 0.
    using Job = std::function<void(int item, int worker)>;
    TOrderedWork(int items, int workers, int lookahead, Job job);
    // Stops starting items and waits for the running ones.
    ~TOrderedWork();
    TOrderedWork(const TOrderedWork&) = delete;
    TOrderedWork& operator=(const TOrderedWork&) = delete;

    // The threads actually started (0 when the items run on the calling thread).
    int Workers() const { return static_cast<int>(m_threads.size()); }

    // Waits until `item` is done; items before it count as handed back. Calls `pump` every
    // `interval` while it waits. Items must be waited for in increasing order.
    void WaitFor(int item, const std::function<void()>& pump, std::chrono::milliseconds interval);
    // WaitFor that keeps the host's window alive; an abort asked for while waiting lets no item
    // after `item` start, so the operation ends after this one.
    void WaitForWithHost(int item, IOperationHost& host, std::chrono::milliseconds interval);
    // Lets the host process events once `item` is done. When the user has asked to abort, no item
    // after `item` starts and the result is true: the operation ends here.
    bool PumpAfter(int item, IOperationHost& host);

    // No item from `first` on starts any more; a running one may ask Cancelled and end early
    // (its result is then not used).
    void StopFrom(int first);
    // True when the item's result will not be used.
    bool Cancelled(int item) const;

private:
    void WorkerLoop(int worker);

    const int m_items;
    const int m_lookahead;
    Job m_job;
    mutable std::mutex m_mutex;
    std::condition_variable m_startable; // workers wait here for an item they may start
    std::condition_variable m_finished; // the caller waits here for its item
    int m_next = 0; // the next item to start
    int m_waitedFor = 0; // the item the caller waits for or will wait for next
    int m_stopFrom; // items from here on do not start
    int m_idleWorkers = 0; // workers waiting for an item they may start
    bool m_callerWaiting = false; // the caller sleeps until item m_waitedFor is done
    std::vector<std::uint8_t> m_done;
    std::vector<std::thread> m_threads;
};

} // namespace korvo
