#ifndef QUILLMAP_UTIL_STOPWATCHCLOCK_H
#define QUILLMAP_UTIL_STOPWATCHCLOCK_H

// The stopwatch's clock: milliseconds from the system's monotonic
// high-resolution counter, cut down to whole multiples of 1 / factor ms so
// that measurements carry no more precision than asked for.

#include <cstdint>

// trunc(factor counter / (frequency 0.001)) / factor: the counter reading in
// milliseconds, truncated to a multiple of 1 / factor ms. `frequency` is the
// counter's ticks per second; factor and frequency must be positive.
double quantizedMilliseconds(int64_t counter, int64_t frequency, int32_t factor);

// The monotonic clock now, as quantizedMilliseconds gives it.
double stopWatchMilliseconds(int32_t factor);

#endif // QUILLMAP_UTIL_STOPWATCHCLOCK_H
