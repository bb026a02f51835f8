#ifndef QUILLMAP_EDGEVISIBILITY_H
#define QUILLMAP_EDGEVISIBILITY_H

// Which parts of a set of mesh edges the scene drawn so far leaves visible:
// each edge's screen projection is sampled against the depth buffer, and
// where the visibility changes between two samples the change is located
// by bisection to within a pixel.

#include <Inventor/SbLinear.h>

#include "lines/BlockDepthCache.h"
#include "lines/DepthSource.h"
#include "lines/DepthWalk.h"

#include <cstddef>
#include <vector>

struct WEEdge;
struct WEVertex;

// A visible piece of an edge: parameters along the edge in object space,
// t = 0 at startVertex and t = 1 at endVertex, t0 < t1 (except that an edge
// visible only at one end may carry no piece at all).
struct EdgeInterval {
    double t0 = 0.0;
    double t1 = 0.0;
};

struct VisibleEdge {
    WEEdge* edge = nullptr;
    // Increasing and disjoint.
    std::vector<EdgeInterval> intervals;
};

// Keeps the depth cache between frames; one instance per node.
class EdgeVisibility {
public:
    // Depth is read in blocks of kBlockSize x kBlockSize pixels.
    static constexpr int kBlockSize = 16;
    // The cache holds (viewport width + kCacheMargin) x (viewport height +
    // kCacheMargin) cells: room for the region, its one-pixel rim and the
    // rounding of its sides up to whole blocks.
    static constexpr int kCacheMargin = 34;
    // Smallest sampling step in pixels (see compute()).
    static constexpr float kMinimalStep = 1.0f;

    EdgeVisibility(void);

    // The visible parts of `edges`, in the order of `edges`. An edge is in
    // the result when its start vertex, its end vertex or a sample between
    // them is visible; an edge whose ends fall on one pixel has no samples
    // and comes with an empty interval list.
    //
    // objectToClip takes vertex positions to clip coordinates in Inventor's
    // row-vector convention (p * M, then divide by w); `depth` supplies the
    // viewport and the depth of the frame drawn so far. maximalError is the
    // sampling step in window pixels; values below kMinimalStep are raised
    // to it, because samples land on whole pixels and a shorter step only
    // tests pixels again; zero, negative and NaN values are reported.
    //
    // Preconditions, checked: every edge and its two vertices exist, and
    // every vertex's flags word is 0 (the test numbers the vertices there
    // and sets the words back to 0 at its end). Input that breaks them is
    // reported through SoDebugError: null edges are skipped; a non-zero
    // flags word aborts the test with an empty result and no flags touched.
    std::vector<VisibleEdge> compute(const std::vector<WEEdge*>& edges, float maximalError,
                                     const SbMatrix& objectToClip, DepthSource& depth);

    // Number of floats the depth cache holds: 0 before the first test with a
    // usable viewport, then (width + kCacheMargin) * (height + kCacheMargin)
    // of the last such viewport.
    size_t cacheSize(void) const { return depthCache.size(); }

private:
    // Projects the numbered vertices to their pixels and prepares the test
    // region over them; false when no vertex can reach the viewport's depth.
    bool project(const std::vector<WEVertex*>& vertices, const SbMatrix& objectToClip, const WindowMapping& mapping,
                 std::vector<ProjectedVertex>& projected);
    // Which samples k * step of the walk lie before B (none past lastSample)
    // and which may fall inside the viewport and are tested.
    static void sampleRange(const WindowSegment& segment, const DepthViewport& view, double step,
                            long long& lastSample, long long& firstTested, long long& lastTested);
    // Appends the visible intervals of one edge from A to B; true when a
    // sample between them was visible.
    bool walkEdge(DepthWalk& walk, const WindowSegment& segment, bool aVisible, bool bVisible, double step,
                  std::vector<EdgeInterval>& intervals);

    BlockDepthCache depthCache;
};

#endif // QUILLMAP_EDGEVISIBILITY_H
