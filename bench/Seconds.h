#pragma once
// The wall time of some work done in the benchmark's own process.

#include <QElapsedTimer>
#include <functional>

inline double seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}
