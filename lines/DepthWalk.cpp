// Projecting, sampling and bisecting along screen segments against a depth
// cache.

#include "lines/DepthWalk.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>

namespace {

const double kCoordinateLimit = 1e15;

inline double clampCoordinate(double v)
{
    return std::min(kCoordinateLimit, std::max(-kCoordinateLimit, v));
}

// Window depth as the float it is compared in. Depth values lie in [0, 1],
// so clamping to [-1, 2] changes no comparison but keeps a point very close
// to the eye plane from overflowing the conversion.
inline float comparableDepth(double z)
{
    return float(std::min(2.0, std::max(-1.0, z)));
}

} // namespace

WindowPoint WindowMapping::toWindow(const double clip[4]) const
{
    WindowPoint window;
    if (!(clip[3] > 0.0))
        return window;
    const double nx = clip[0] / clip[3];
    const double ny = clip[1] / clip[3];
    const double nz = clip[2] / clip[3];
    window.x = clampCoordinate((nx + 1.0) * halfWidth + view.x);
    window.y = clampCoordinate((ny + 1.0) * halfHeight + view.y);
    window.z = (nz + 1.0) * 0.5;
    window.onScreen = std::isfinite(window.x) && std::isfinite(window.y) && std::isfinite(window.z);
    return window;
}

ProjectedVertex WindowMapping::project(const SbVec3f& p, const SbMatrix& objectToClip) const
{
    ProjectedVertex q;
    q.finite = true;
    for (int j = 0; j < 4; ++j) {
        q.clip[j] = double(p[0]) * objectToClip[0][j] + double(p[1]) * objectToClip[1][j]
            + double(p[2]) * objectToClip[2][j] + double(objectToClip[3][j]);
        q.finite = q.finite && std::isfinite(q.clip[j]);
    }
    if (q.finite)
        q.window = toWindow(q.clip);
    return q;
}

WindowSegment WindowSegment::between(const WindowPoint& a, double aw, const WindowPoint& b, double bw)
{
    WindowSegment segment;
    segment.ax = a.x;
    segment.ay = a.y;
    segment.az = a.z;
    segment.dx = b.x - a.x;
    segment.dy = b.y - a.y;
    segment.dz = b.z - a.z;
    segment.aw = aw;
    segment.bw = bw;
    return segment;
}

double WindowSegment::screenLength(void) const
{
    return std::sqrt(dx * dx + dy * dy);
}

double WindowSegment::spaceParameter(double s) const
{
    return std::min(1.0, std::max(0.0, s * aw / (bw + s * (aw - bw))));
}

float samplingStep(float maximalError, float minimalStep, const char* where)
{
    if (!(maximalError > 0.0f)) {
        SoDebugError::post(where, "maximalError is %g; it must be a positive number of pixels, using %g",
                           double(maximalError), double(minimalStep));
        return minimalStep;
    }
    return std::max(maximalError, minimalStep);
}

void samplesInViewport(const WindowSegment& segment, const DepthViewport& view, double step, long long lastSample,
                       long long& first, long long& last)
{
    double low = 0.0;
    double high = 1.0;
    const double origin[2] = {segment.ax, segment.ay};
    const double delta[2] = {segment.dx, segment.dy};
    const double boxLow[2] = {view.x - 1.0, view.y - 1.0};
    const double boxHigh[2] = {view.x + view.width + 1.0, view.y + view.height + 1.0};
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

DepthWalk::DepthWalk(BlockDepthCache& depthCache, FarSides farSides)
    : cache(depthCache), view(depthCache.viewport()),
      farX(double(view.x) + view.width - (farSides == FAR_SIDES_INSIDE ? 0 : 1)),
      farY(double(view.y) + view.height - (farSides == FAR_SIDES_INSIDE ? 0 : 1))
{
}

bool DepthWalk::pointVisible(double px, double py, double z)
{
    // Compared as doubles first: far outside the viewport the pixel need not
    // fit an int.
    if (!(px >= view.x && py >= view.y && px <= farX && py <= farY))
        return false;
    return cache.reachesNeighbourhood(int(px), int(py), comparableDepth(z));
}

bool DepthWalk::sampleVisible(const WindowSegment& segment, double s, Pixel pixel)
{
    const double x = segment.ax + s * segment.dx;
    const double y = segment.ay + s * segment.dy;
    const double z = segment.az + s * segment.dz;
    if (pixel == ROUNDED)
        return pointVisible(std::floor(x + 0.5), std::floor(y + 0.5), z);
    return pointVisible(std::floor(x), std::floor(y), z);
}

double DepthWalk::bisect(const WindowSegment& segment, double s0, bool state, double s1, double span)
{
    // The change lies inside the interval throughout, so its middle is
    // within half the span of it.
    while (std::fabs((s1 - s0) * segment.dx) > span || std::fabs((s1 - s0) * segment.dy) > span) {
        const double middle = 0.5 * (s0 + s1);
        if (!(middle > s0 && middle < s1))
            break; // no double left between them
        if (sampleVisible(segment, middle, TRUNCATED) == state)
            s0 = middle;
        else
            s1 = middle;
    }
    return 0.5 * (s0 + s1);
}
