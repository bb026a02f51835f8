// The part of a screen segment's samples inside the viewport.

#include "lines/ViewportSamples.h"

#include <algorithm>
#include <cmath>

void samplesInViewport(double ax, double ay, double dx, double dy, const DepthViewport& view, double step,
                       long long lastSample, long long& first, long long& last)
{
    double low = 0.0;
    double high = 1.0;
    const double origin[2] = { ax, ay };
    const double delta[2] = { dx, dy };
    const double boxLow[2] = { view.x - 1.0, view.y - 1.0 };
    const double boxHigh[2] = { view.x + view.width + 1.0, view.y + view.height + 1.0 };
    for (int axis = 0; axis < 2; ++axis) {
        if (delta[axis] == 0.0) {
            if (origin[axis] < boxLow[axis] || origin[axis] > boxHigh[axis])
                high = -1.0;
            continue;
        }
        double enter = (boxLow[axis] - origin[axis]) / delta[axis];
        double leave = (boxHigh[axis] - origin[axis]) / delta[axis];
        if (enter > leave)
            std::swap(enter, leave);
        low = std::max(low, enter);
        high = std::min(high, leave);
    }
    first = lastSample + 1;
    last = lastSample;
    if (low <= high && lastSample > 0) {
        first = std::max(1LL, (long long)std::floor(low / step));
        last = std::min(lastSample, (long long)std::ceil(high / step) + 1);
    }
}
