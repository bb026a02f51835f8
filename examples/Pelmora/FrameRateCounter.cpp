// Frame counting for the frame-rate label.

#include "FrameRateCounter.h"

bool FrameRateCounter::frame(double now, double& rate)
{
    if (!started || now < intervalStart) {
        // The first frame has no interval before it to measure; and when the
        // time of day was set back, counting from here beats waiting until
        // the clock catches up.
        started = true;
        intervalStart = now;
        frames = 0;
        return false;
    }
    ++frames;
    const double elapsed = now - intervalStart;
    if (!(elapsed > 1.0))
        return false;
    rate = double(frames) / elapsed;
    frames = 0;
    intervalStart = now;
    return true;
}
