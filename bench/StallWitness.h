#pragma once
// Threads that sleep a millisecond at a time, one on each processor, noting every wake-up
// that came far too late. The host of this machine's virtual processors now and then stops
// one, often for 100 ms, and charges the time to whichever thread was running there, its
// processor time included: a frame measured across such a stop says nothing of the program,
// so a benchmark shows it on its own line (it still counts it).

#include <QList>
#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class StallWitness
{
public:
    StallWitness();
    ~StallWitness();
    StallWitness(const StallWitness &) = delete;
    StallWitness &operator=(const StallWitness &) = delete;

    // The monotonic clock in nanoseconds, as the stops are noted.
    static qint64 now();
    // Whether a processor stood still at some time between 'from' and 'to' (from now()).
    bool stoppedBetween(qint64 from, qint64 to) const;
    int stops() const;

private:
    void watch(int processor);

    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    QList<std::pair<qint64, qint64>> m_stops; // from, to
    std::vector<std::thread> m_threads;
};
