// Visible parts of mesh edges by sampling their screen projection against
// the depth buffer of the frame drawn so far.

#include "lines/EdgeVisibility.h"
#include "lines/ViewportSamples.h"

#include <Inventor/errors/SoDebugError.h>

#include "wingededge/WingedEdge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

// Window positions are kept as doubles and clamped to this many pixels
// either side of the origin: whole numbers are still exact there, and the
// difference of two positions stays finite. Only a point within about 1e-12
// of the eye plane (relative to its distance) goes beyond and has its edge
// bent towards the clamped position.
const double kCoordinateLimit = 1e15;

// The vertex flags word holds number + 1 during the test, so that 0 keeps
// meaning "not numbered" while numbers still start at 0.
inline int32_t vertexNumber(const WEVertex* v) { return v->flags - 1; }

// Window depth as the float it is compared in. Depth values lie in [0, 1],
// so clamping to [-1, 2] changes no comparison but keeps a point very close
// to the eye plane from overflowing the conversion.
inline float comparableDepth(double z)
{
    return float(std::min(2.0, std::max(-1.0, z)));
}

} // namespace

// A numbered vertex on the screen.
struct EdgeVisibility::Projected {
    double px = 0.0;      // pixel column and row (whole numbers)
    double py = 0.0;
    double z = 0.0;       // window depth, unclamped, for interpolation
    double w = 0.0;       // clip w, for mapping screen parameters back
    bool onScreen = false; // in front of the eye with finite coordinates
    bool visible = false;
};

// One edge between two projected vertices, walked linearly in window
// coordinates from A (s = 0) to B (s = 1).
struct EdgeVisibility::Segment {
    double ax = 0.0;
    double ay = 0.0;
    double dx = 0.0;
    double dy = 0.0;
    double az = 0.0;
    double dz = 0.0;
    double aw = 1.0;
    double bw = 1.0;
    bool aVisible = false;
    bool bVisible = false;

    // Under a perspective projection equal steps on the screen are not equal
    // steps along the edge in space; the intervals are drawn in space, so
    // screen parameters are mapped back with the clip w of the two ends.
    // (Window depth, being affine in 1/w, is linear on the screen: the
    // samples' depths need no such correction.)
    double toEdgeParameter(double s) const
    {
        const double t = s * aw / (bw + s * (aw - bw));
        return std::min(1.0, std::max(0.0, t));
    }
};

namespace {

bool usable(const WEEdge* edge)
{
    return edge != nullptr && edge->startVertex != nullptr && edge->endVertex != nullptr;
}

// The preconditions, checked before anything is changed. Edges without two
// vertices are reported and later skipped; marks left by another pass stop
// the test, since numbering over them would mix up the two passes' data.
bool checkEdges(const std::vector<WEEdge*>& edges)
{
    size_t unusable = 0;
    for (const WEEdge* edge : edges) {
        if (!usable(edge)) {
            ++unusable;
            continue;
        }
        if (edge->startVertex->flags != 0 || edge->endVertex->flags != 0) {
            SoDebugError::post("EdgeVisibility::compute",
                               "edge %d has a vertex whose flags word is not 0; another pass left marks behind, "
                               "the visibility test is skipped",
                               int(edge->id));
            return false;
        }
    }
    if (unusable != 0)
        SoDebugError::post("EdgeVisibility::compute", "%lu edges without two vertices are skipped",
                           static_cast<unsigned long>(unusable));
    if (edges.size() > size_t(std::numeric_limits<int32_t>::max() / 2 - 1)) {
        SoDebugError::post("EdgeVisibility::compute", "too many edges (%lu) to number their vertices",
                           static_cast<unsigned long>(edges.size()));
        return false;
    }
    return true;
}

// Numbers the vertices in edge order, start before end; a vertex keeps the
// first number it gets. Returns them in number order.
std::vector<WEVertex*> numberVertices(const std::vector<WEEdge*>& edges)
{
    std::vector<WEVertex*> vertices;
    vertices.reserve(edges.size());
    for (WEEdge* edge : edges) {
        if (!usable(edge))
            continue;
        for (WEVertex* v : {edge->startVertex, edge->endVertex}) {
            if (v->flags == 0) {
                vertices.push_back(v);
                v->flags = int32_t(vertices.size());
            }
        }
    }
    return vertices;
}

} // namespace

EdgeVisibility::EdgeVisibility(void) : depthCache(kBlockSize, kCacheMargin)
{
}

std::vector<VisibleEdge> EdgeVisibility::compute(const std::vector<WEEdge*>& edges, float maximalError,
                                                 const SbMatrix& objectToClip, DepthSource& depth)
{
    std::vector<VisibleEdge> result;
    if (!(maximalError > 0.0f)) {
        SoDebugError::post("EdgeVisibility::compute",
                           "maximalError is %g; it must be a positive number of pixels, using %g",
                           double(maximalError), double(kMinimalStep));
        maximalError = kMinimalStep;
    }
    maximalError = std::max(maximalError, kMinimalStep);
    if (!checkEdges(edges))
        return result;

    view = depth.viewport();
    // The projection scales by half the viewport size in whole pixels; a
    // viewport less than two pixels wide or high leaves no room to place a
    // point, and then nothing is visible.
    if (edges.empty() || view.width / 2 <= 0 || view.height / 2 <= 0)
        return result;
    if (view.width > 32767 || view.height > 32767) {
        SoDebugError::post("EdgeVisibility::compute", "viewport %d x %d is larger than any window", view.width,
                           view.height);
        return result;
    }
    depthCache.begin(depth);

    const std::vector<WEVertex*> vertices = numberVertices(edges);
    std::vector<Projected> projected(vertices.size());
    const bool anyDepth = project(vertices, objectToClip, projected);
    for (Projected& q : projected)
        q.visible = anyDepth && q.onScreen && pointVisible(q.px, q.py, q.z);

    for (WEEdge* edge : edges) {
        if (!usable(edge))
            continue;
        const Projected& a = projected[size_t(vertexNumber(edge->startVertex))];
        const Projected& b = projected[size_t(vertexNumber(edge->endVertex))];
        VisibleEdge entry;
        entry.edge = edge;
        bool sampleFound = false;
        if (anyDepth && a.onScreen && b.onScreen && (a.px != b.px || a.py != b.py)) {
            Segment segment;
            segment.ax = a.px;
            segment.ay = a.py;
            segment.dx = b.px - a.px;
            segment.dy = b.py - a.py;
            segment.az = a.z;
            segment.dz = b.z - a.z;
            segment.aw = a.w;
            segment.bw = b.w;
            segment.aVisible = a.visible;
            segment.bVisible = b.visible;
            const double length = std::sqrt(segment.dx * segment.dx + segment.dy * segment.dy);
            sampleFound = walk(segment, maximalError / length, entry.intervals);
        }
        if (a.visible || b.visible || sampleFound)
            result.push_back(std::move(entry));
    }

    for (WEVertex* v : vertices)
        v->flags = 0;
    depthCache.end();
    return result;
}

bool EdgeVisibility::project(const std::vector<WEVertex*>& vertices, const SbMatrix& objectToClip,
                             std::vector<Projected>& projected)
{
    const double halfWidth = view.width / 2;
    const double halfHeight = view.height / 2;
    int lowX = std::numeric_limits<int>::max();
    int highX = std::numeric_limits<int>::min();
    int lowY = lowX;
    int highY = highX;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const SbVec3f& p = vertices[i]->position;
        double clip[4];
        for (int j = 0; j < 4; ++j)
            clip[j] = double(p[0]) * objectToClip[0][j] + double(p[1]) * objectToClip[1][j]
                + double(p[2]) * objectToClip[2][j] + double(objectToClip[3][j]);
        Projected& q = projected[i];
        // Behind the eye (w <= 0) a point has no place on the screen.
        if (!(clip[3] > 0.0) || !std::isfinite(clip[0]) || !std::isfinite(clip[1]) || !std::isfinite(clip[2])
            || !std::isfinite(clip[3]))
            continue;
        const double nx = clip[0] / clip[3];
        const double ny = clip[1] / clip[3];
        const double nz = clip[2] / clip[3];
        const double x = std::min(kCoordinateLimit, std::max(-kCoordinateLimit, (nx + 1.0) * halfWidth + view.x));
        const double y = std::min(kCoordinateLimit, std::max(-kCoordinateLimit, (ny + 1.0) * halfHeight + view.y));
        q.px = std::floor(x + 0.5);
        q.py = std::floor(y + 0.5);
        q.z = (nz + 1.0) * 0.5;
        q.w = clip[3];
        q.onScreen = std::isfinite(q.z);
        if (!q.onScreen)
            continue;
        // The region is clipped to the viewport, so positions beyond it
        // count as lying just outside.
        const int boxX = int(std::min(view.x + view.width + 1.0, std::max(view.x - 2.0, q.px)));
        const int boxY = int(std::min(view.y + view.height + 1.0, std::max(view.y - 2.0, q.py)));
        lowX = std::min(lowX, boxX);
        highX = std::max(highX, boxX);
        lowY = std::min(lowY, boxY);
        highY = std::max(highY, boxY);
    }
    // The bounding box of the vertices' pixels, grown by one pixel for the
    // 3 x 3 neighbourhood of the test and clipped to the viewport. Samples
    // lie between their edge's end pixels, so the box holds them too.
    return lowX <= highX && depthCache.setRegion(lowX, highX, lowY, highY);
}

bool EdgeVisibility::pointVisible(double column, double row, double z)
{
    // Whole numbers; far outside the viewport they need not fit an int.
    if (!(column >= view.x && row >= view.y && column < double(view.x) + view.width
          && row < double(view.y) + view.height))
        return false;
    // Pixels outside the viewport have no depth and take no part; every
    // pixel of the viewport that a test can reach lies in the region.
    return depthCache.reachesNeighbourhood(int(column), int(row), comparableDepth(z));
}

bool EdgeVisibility::sampleVisible(const Segment& segment, double t)
{
    return pointVisible(std::floor(segment.ax + t * segment.dx), std::floor(segment.ay + t * segment.dy),
                        segment.az + t * segment.dz);
}

double EdgeVisibility::bisect(const Segment& segment, double t0, bool s0, double t1)
{
    // Halve until half the interval spans at most one pixel in x and in y.
    while (std::fabs(0.5 * (t1 - t0) * segment.dx) > 1.0 || std::fabs(0.5 * (t1 - t0) * segment.dy) > 1.0) {
        const double middle = 0.5 * (t0 + t1);
        if (sampleVisible(segment, middle) == s0)
            t0 = middle;
        else
            t1 = middle;
    }
    return 0.5 * (t0 + t1);
}

void EdgeVisibility::sampleRange(const Segment& segment, double step, long long& lastSample, long long& firstTested,
                                 long long& lastTested) const
{
    // Samples at s = k * step for k = 1 .. lastSample (all s < 1).
    lastSample = 0;
    if (step < 1.0) {
        lastSample = (long long)std::ceil(1.0 / step) - 1;
        while (lastSample > 0 && double(lastSample) * step >= 1.0)
            --lastSample;
        while (double(lastSample + 1) * step < 1.0)
            ++lastSample;
    }

    samplesInViewport(segment.ax, segment.ay, segment.dx, segment.dy, view, step, lastSample, firstTested, lastTested);
}

bool EdgeVisibility::walk(const Segment& segment, double step, std::vector<EdgeInterval>& intervals)
{
    long long lastSample = 0;
    long long firstTested = 0;
    long long lastTested = 0;
    sampleRange(segment, step, lastSample, firstTested, lastTested);

    bool state = segment.aVisible;
    bool sampleFound = false;
    double opened = 0.0;
    for (long long k = firstTested; k <= lastTested; ++k) {
        const double t = double(k) * step;
        const bool visible = sampleVisible(segment, t);
        sampleFound = sampleFound || visible;
        if (visible == state)
            continue;
        const double change = bisect(segment, t - step, state, t);
        if (visible)
            opened = change;
        else
            intervals.push_back({segment.toEdgeParameter(opened), segment.toEdgeParameter(change)});
        state = visible;
    }
    // Every untested sample after the tested ones is hidden, as the last
    // tested one was whenever any were skipped.
    const double last = double(lastSample) * step;
    if (state != segment.bVisible) {
        const double change = bisect(segment, last, state, 1.0);
        if (segment.bVisible)
            opened = change;
        else
            intervals.push_back({segment.toEdgeParameter(opened), segment.toEdgeParameter(change)});
        state = segment.bVisible;
    }
    if (state)
        intervals.push_back({segment.toEdgeParameter(opened), 1.0});
    return sampleFound;
}
