#ifndef QUILLMAP_VIEWPORTSAMPLES_H
#define QUILLMAP_VIEWPORTSAMPLES_H

// Which samples of a walk along a segment on the screen can fall inside the
// viewport. Samples outside it are hidden without a depth test, so the walks
// test only this range: the cost is then bounded by the viewport, however
// far off-screen the segment's ends are.

#include "lines/DepthSource.h"

// The segment runs from window position (ax, ay) by (dx, dy); sample k lies
// at parameter k * step for k = 1 .. lastSample. Sets first .. last to the
// samples whose position may lie inside the viewport (with a pixel to spare
// for rounding), plus one past the last of them so that leaving the viewport
// is seen as a change to hidden; first > last when none may.
void samplesInViewport(double ax, double ay, double dx, double dy, const DepthViewport& view, double step,
                       long long lastSample, long long& first, long long& last);

#endif // QUILLMAP_VIEWPORTSAMPLES_H
