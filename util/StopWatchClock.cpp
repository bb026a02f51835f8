// The stopwatch's clock on the monotonic nanosecond counter.

#include "util/StopWatchClock.h"

#include <chrono>
#include <cmath>

double quantizedMilliseconds(int64_t counter, int64_t frequency, int32_t factor)
{
    // Milliseconds first: the product factor * counter would exceed what a
    // double holds exactly after a day of nanoseconds.
    const double milliseconds = double(counter) / (double(frequency) * 0.001);
    return std::trunc(double(factor) * milliseconds) / double(factor);
}

double stopWatchMilliseconds(int32_t factor)
{
    typedef std::chrono::steady_clock Clock;
    const int64_t ticks = Clock::now().time_since_epoch().count();
    const int64_t frequency = int64_t(Clock::period::den / Clock::period::num);
    return quantizedMilliseconds(ticks, frequency, factor);
}
