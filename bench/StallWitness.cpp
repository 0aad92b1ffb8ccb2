#include "StallWitness.h"

#include <ctime>
#include <pthread.h>
#include <sched.h>

namespace {
// A sleep of 1 ms that ends 20 ms late was no scheduling delay (a pinned sleeper here wakes
// within 12 ms even on a busy machine): the processor did not run.
constexpr qint64 SleepNs = 1'000'000;
constexpr qint64 StopNs = 20'000'000;
} // namespace

StallWitness::StallWitness()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    sched_getaffinity(0, sizeof allowed, &allowed);
    for (int processor = 0; processor < CPU_SETSIZE; ++processor)
        if (CPU_ISSET(processor, &allowed))
            m_threads.emplace_back([this, processor] { watch(processor); });
}

StallWitness::~StallWitness()
{
    m_done = true;
    for (std::thread &thread : m_threads)
        thread.join();
}

qint64 StallWitness::now()
{
    timespec at{};
    clock_gettime(CLOCK_MONOTONIC, &at);
    return qint64(at.tv_sec) * 1'000'000'000 + at.tv_nsec;
}

bool StallWitness::stoppedBetween(qint64 from, qint64 to) const
{
    const std::lock_guard lock(m_mutex);
    for (const auto &[start, end] : m_stops)
        if (start < to && from < end)
            return true;
    return false;
}

int StallWitness::stops() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_stops.size());
}

void StallWitness::watch(int processor)
{
    // Pinned, so that the stop of this processor is the one that delays the wake-up.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
    const timespec pause{0, SleepNs};
    qint64 before = now();
    while (!m_done) {
        clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
        const qint64 after = now();
        if (after - before > StopNs) {
            const std::lock_guard lock(m_mutex);
            m_stops.append({before, after});
        }
        before = after;
    }
}
