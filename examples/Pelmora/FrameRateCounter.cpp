// Frame counting for the frame-rate label.

#include "FrameRateCounter.h"

bool FrameRateCounter::frame(double now, double& rate)
{
    ++frames;
    if (now < lastDisplay) {
        // The time of day was set back: count from here rather than wait
        // until the clock catches up with the last display.
        lastDisplay = now;
        frames = 1;
        return false;
    }
    const double elapsed = now - lastDisplay;
    if (!(elapsed > 1.0))
        return false;
    rate = double(frames) / elapsed;
    frames = 0;
    lastDisplay = now;
    return true;
}
