#ifndef QUILLMAP_DEPTHWALK_H
#define QUILLMAP_DEPTHWALK_H

// Walking a segment's screen projection against the depth of the frame drawn
// so far: projecting points to the window, testing a pixel's 3 x 3
// neighbourhood, sampling along a segment and locating a change of
// visibility by bisection. The hidden-line remover's strip splitter and the
// silhouette edges' visibility test are both built from these; they differ
// only in the rules they pass in (how the viewport is scaled, whether its
// far sides count as inside, how fine the bisection goes).

#include <Inventor/SbLinear.h>

#include "lines/BlockDepthCache.h"
#include "lines/DepthSource.h"

// A point on the screen: window position (not rounded) and window depth.
struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    bool onScreen = false; // in front of the eye with finite coordinates
};

// A coordinate in clip space and on the screen.
struct ProjectedVertex {
    double clip[4] = {0.0, 0.0, 0.0, 0.0};
    bool finite = false; // all four clip coordinates are
    WindowPoint window;
    bool visible = false; // left to the caller's depth test
};

// How normalized device coordinates are scaled to the viewport: window
// x = (nx + 1) * halfWidth + view.x, likewise y, and depth (nz + 1) / 2.
struct WindowMapping {
    DepthViewport view;
    double halfWidth = 0.0;
    double halfHeight = 0.0;

    // Behind the eye (w <= 0) a point has no place on the screen. Window
    // positions are clamped to 1e15 pixels either side of the origin: whole
    // numbers are still exact there, and the difference of two positions
    // stays finite.
    WindowPoint toWindow(const double clip[4]) const;
    // objectToClip in Inventor's row-vector convention (p * M, then divide
    // by w), evaluated in double.
    ProjectedVertex project(const SbVec3f& p, const SbMatrix& objectToClip) const;
};

// A segment on the screen, walked linearly in window coordinates from A
// (s = 0) to B (s = 1), with the clip w of its two ends.
struct WindowSegment {
    double ax = 0.0;
    double ay = 0.0;
    double az = 0.0;
    double dx = 0.0;
    double dy = 0.0;
    double dz = 0.0;
    double aw = 1.0;
    double bw = 1.0;

    // From a to b, whose clip w are aw and bw.
    static WindowSegment between(const WindowPoint& a, double aw, const WindowPoint& b, double bw);

    double screenLength(void) const;

    // Under a perspective projection equal steps on the screen are unequal
    // steps along the segment in space; the screen parameter s is mapped to
    // the parameter in space, in [0, 1], with the clip w of the two ends, so
    // that the point placed in space projects where the change was seen.
    // (Window depth, being affine in 1/w, is linear on the screen and needs
    // no such correction.)
    double spaceParameter(double s) const;
};

// The sampling step of a walk for maximalError pixels: at least
// minimalStep, since samples land on whole pixels and a shorter step only
// tests pixels again. Zero, negative and NaN values are reported through
// SoDebugError under `where` and replaced by minimalStep.
float samplingStep(float maximalError, float minimalStep, const char* where);

// Which samples of a walk along `segment` can fall inside the viewport.
// Samples outside it are hidden without a depth test, so the walks test only
// this range: the cost is then bounded by the viewport, however far
// off-screen the segment's ends are. Sample k lies at parameter k * step for
// k = 1 .. lastSample. Sets first .. last to the samples whose position may
// lie inside the viewport (with a pixel to spare for rounding), plus one
// past the last of them so that leaving the viewport is seen as a change to
// hidden; first > last when none may.
void samplesInViewport(const WindowSegment& segment, const DepthViewport& view, double step, long long lastSample,
                       long long& first, long long& last);

// Depth tests of one visibility test over the cache's current region.
class DepthWalk {
public:
    // Whether the pixel column x + width and the row y + height, just past
    // the viewport's right and top sides, count as inside it: a point
    // rounded onto them lies on the side itself, and its neighbours inside
    // decide.
    enum FarSides { FAR_SIDES_OUTSIDE, FAR_SIDES_INSIDE };
    // How a sample's window position becomes a pixel.
    enum Pixel { TRUNCATED, ROUNDED };

    DepthWalk(BlockDepthCache& cache, FarSides farSides);

    // A point at pixel (px, py) (whole numbers, of any size) with window
    // depth z is visible when it lies inside the viewport and z is at most
    // the depth of one of the 3 x 3 pixels around it.
    bool pointVisible(double px, double py, double z);
    bool sampleVisible(const WindowSegment& segment, double s, Pixel pixel);

    // The screen parameter of the change of visibility between s0 (whose
    // state is `state`) and s1: halves the interval, testing truncated
    // pixels, until it spans at most `span` pixels in x and in y, and
    // returns its middle.
    double bisect(const WindowSegment& segment, double s0, bool state, double s1, double span);

private:
    BlockDepthCache& cache;
    const DepthViewport view;
    const double farX;
    const double farY;
};

#endif // QUILLMAP_DEPTHWALK_H
