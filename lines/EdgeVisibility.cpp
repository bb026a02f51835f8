// Visible parts of mesh edges by sampling their screen projection against
// the depth buffer of the frame drawn so far.

#include "lines/EdgeVisibility.h"
#include "lines/DepthWalk.h"

#include <Inventor/errors/SoDebugError.h>

#include "wingededge/WingedEdge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

// The vertex flags word holds number + 1 during the test, so that 0 keeps
// meaning "not numbered" while numbers still start at 0.
inline int32_t vertexNumber(const WEVertex* v) { return v->flags - 1; }

// Window positions are rounded to pixels once, at the vertices; the walk
// runs between the rounded positions.
inline double pixelOf(double v) { return std::floor(v + 0.5); }

} // namespace

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
    maximalError = samplingStep(maximalError, kMinimalStep, "EdgeVisibility::compute");
    if (!checkEdges(edges))
        return result;

    const DepthViewport view = depth.viewport();
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
    const WindowMapping mapping{view, double(view.width / 2), double(view.height / 2)};
    DepthWalk walk(depthCache, DepthWalk::FAR_SIDES_OUTSIDE);

    const std::vector<WEVertex*> vertices = numberVertices(edges);
    std::vector<ProjectedVertex> projected(vertices.size());
    const bool anyDepth = project(vertices, objectToClip, mapping, projected);
    for (ProjectedVertex& q : projected)
        q.visible = anyDepth && q.window.onScreen && walk.pointVisible(q.window.x, q.window.y, q.window.z);

    for (WEEdge* edge : edges) {
        if (!usable(edge))
            continue;
        const ProjectedVertex& a = projected[size_t(vertexNumber(edge->startVertex))];
        const ProjectedVertex& b = projected[size_t(vertexNumber(edge->endVertex))];
        VisibleEdge entry;
        entry.edge = edge;
        bool sampleFound = false;
        if (anyDepth && a.window.onScreen && b.window.onScreen
            && (a.window.x != b.window.x || a.window.y != b.window.y)) {
            const WindowSegment segment = WindowSegment::between(a.window, a.clip[3], b.window, b.clip[3]);
            sampleFound = walkEdge(walk, segment, a.visible, b.visible, maximalError / segment.screenLength(),
                                   entry.intervals);
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
                             const WindowMapping& mapping, std::vector<ProjectedVertex>& projected)
{
    double lowX = std::numeric_limits<double>::max();
    double highX = std::numeric_limits<double>::lowest();
    double lowY = lowX;
    double highY = highX;
    for (size_t i = 0; i < vertices.size(); ++i) {
        ProjectedVertex& q = projected[i];
        q = mapping.project(vertices[i]->position, objectToClip);
        if (!q.window.onScreen)
            continue;
        q.window.x = pixelOf(q.window.x);
        q.window.y = pixelOf(q.window.y);
        lowX = std::min(lowX, q.window.x);
        highX = std::max(highX, q.window.x);
        lowY = std::min(lowY, q.window.y);
        highY = std::max(highY, q.window.y);
    }
    // The bounding box of the vertices' pixels, grown by one pixel for the
    // 3 x 3 neighbourhood of the test and clipped to the viewport. Samples
    // lie between their edge's end pixels, so the box holds them too.
    return lowX <= highX && depthCache.setRegion(lowX, highX, lowY, highY);
}

void EdgeVisibility::sampleRange(const WindowSegment& segment, const DepthViewport& view, double step,
                                 long long& lastSample, long long& firstTested, long long& lastTested)
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

    samplesInViewport(segment, view, step, lastSample, firstTested, lastTested);
}

bool EdgeVisibility::walkEdge(DepthWalk& depthWalk, const WindowSegment& segment, bool aVisible, bool bVisible,
                              double step, std::vector<EdgeInterval>& intervals)
{
    long long lastSample = 0;
    long long firstTested = 0;
    long long lastTested = 0;
    sampleRange(segment, depthCache.viewport(), step, lastSample, firstTested, lastTested);

    // Bisection stops when half the interval spans at most one pixel.
    const double span = 2.0;
    bool state = aVisible;
    bool sampleFound = false;
    double opened = 0.0;
    for (long long k = firstTested; k <= lastTested; ++k) {
        const double t = double(k) * step;
        const bool visible = depthWalk.sampleVisible(segment, t, DepthWalk::TRUNCATED);
        sampleFound = sampleFound || visible;
        if (visible == state)
            continue;
        const double change = depthWalk.bisect(segment, t - step, state, t, span);
        if (visible)
            opened = change;
        else
            intervals.push_back({segment.spaceParameter(opened), segment.spaceParameter(change)});
        state = visible;
    }
    // Every untested sample after the tested ones is hidden, as the last
    // tested one was whenever any were skipped.
    const double last = double(lastSample) * step;
    if (state != bVisible) {
        const double change = depthWalk.bisect(segment, last, state, 1.0, span);
        if (bVisible)
            opened = change;
        else
            intervals.push_back({segment.spaceParameter(opened), segment.spaceParameter(change)});
        state = bVisible;
    }
    if (state)
        intervals.push_back({segment.spaceParameter(opened), 1.0});
    return sampleFound;
}
