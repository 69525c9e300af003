#include "model/OrderedWork.h"

#include "model/RunLog.h"

#include <sched.h>

#include <algorithm>
#include <system_error>

namespace korvo {

int AvailableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

TOrderedWork::TOrderedWork(int items, int workers, int lookahead, Job job)
    : m_items(std::max(items, 0))
    , m_lookahead(std::max(lookahead, 1))
    , m_job(std::move(job))
    , m_stopFrom(m_items)
    , m_done(static_cast<std::size_t>(m_items), 0)
{
    workers = std::clamp(workers, 0, m_items);
    for (int worker = 0; worker < workers; ++worker) {
        try {
            m_threads.emplace_back(&TOrderedWork::WorkerLoop, this, worker);
        } catch (const std::system_error&) {
            break; // fewer threads than asked for; with none the caller runs the items
        }
    }
}

TOrderedWork::~TOrderedWork()
{
    StopFrom(0);
    for (std::thread& thread : m_threads)
        thread.join();
}

void TOrderedWork::WorkerLoop(int worker)
{
    for (;;) {
        int item = 0;
        {
            std::unique_lock lock(m_mutex);
            ++m_idleWorkers;
            m_startable.wait(lock,
                [this] { return m_next >= m_stopFrom || m_next >= m_items || m_next < m_waitedFor + m_lookahead; });
            --m_idleWorkers;
            if (m_next >= m_stopFrom || m_next >= m_items)
                return;
            item = m_next++;
        }
        try {
            m_job(item, worker);
        } catch (...) {
            // The job's own containment failed; the item still ends, with its slot as it is.
        }
        bool wanted = false;
        {
            std::lock_guard lock(m_mutex);
            m_done[static_cast<std::size_t>(item)] = 1;
            wanted = m_callerWaiting && item == m_waitedFor;
        }
        // Short items would otherwise wake the caller once each, for nothing.
        if (wanted)
            m_finished.notify_all();
    }
}

void TOrderedWork::WaitForWithHost(int item, IOperationHost& host, std::chrono::milliseconds interval)
{
    WaitFor(
        item, [&] { PumpAfter(item, host); }, interval);
}

bool TOrderedWork::PumpAfter(int item, IOperationHost& host)
{
    host.ProcessEvents();
    if (!host.AbortRequested())
        return false;
    StopFrom(item + 1);
    return true;
}

void TOrderedWork::WaitFor(int item, const std::function<void()>& pump, std::chrono::milliseconds interval)
{
    if (item < 0 || item >= m_items)
        return;
    std::unique_lock lock(m_mutex);
    m_waitedFor = std::max(m_waitedFor, item);
    // The window of startable items moved on. Idle workers are woken once half of it is free
    // (or the caller would wait), so that short items start in runs rather than one per wake-up.
    const int free = m_waitedFor + m_lookahead - m_next;
    if (m_idleWorkers > 0 && (free >= std::max(1, m_lookahead / 2) || item >= m_next))
        m_startable.notify_all();
    if (m_threads.empty() || (item >= m_next && item >= m_stopFrom)) {
        // Nobody else will run it: no threads, or it was stopped before it started.
        if (!m_done[static_cast<std::size_t>(item)]) {
            if (item >= m_next)
                m_next = item + 1;
            lock.unlock();
            try {
                m_job(item, 0);
            } catch (...) {
            }
            lock.lock();
            m_done[static_cast<std::size_t>(item)] = 1;
        }
        return;
    }
    while (!m_done[static_cast<std::size_t>(item)]) {
        m_callerWaiting = true;
        const bool timedOut = m_finished.wait_for(lock, interval) == std::cv_status::timeout;
        m_callerWaiting = false;
        if (timedOut && !m_done[static_cast<std::size_t>(item)]) {
            lock.unlock();
            if (pump)
                pump();
            lock.lock();
        }
    }
}

void TOrderedWork::StopFrom(int first)
{
    {
        std::lock_guard lock(m_mutex);
        m_stopFrom = std::min(m_stopFrom, std::max(first, 0));
    }
    m_startable.notify_all();
}

bool TOrderedWork::Cancelled(int item) const
{
    std::lock_guard lock(m_mutex);
    return item >= m_stopFrom;
}

} // namespace korvo
