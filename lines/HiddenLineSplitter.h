#ifndef QUILLMAP_HIDDENLINESPLITTER_H
#define QUILLMAP_HIDDENLINESPLITTER_H

// Cutting line strips where the surfaces drawn so far hide them: each
// strip's screen projection is sampled against a depth source, a change
// between visible and hidden is located by bisection to within a pixel, and
// only the visible pieces are kept, each as a strip of its own.

#include <Inventor/SbLinear.h>

#include "lines/BlockDepthCache.h"
#include "lines/DepthSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The lines to split, as the line elements carry them: strips of indices
// into `coordinates`, each ended by -1, and optionally a parameter per index
// entry (separators included). Nothing is read past any of the counts.
struct SplittingInput {
    const SbVec3f* coordinates = nullptr;
    int32_t coordinateCount = 0;
    const int32_t* indices = nullptr;
    int32_t indexCount = 0;
    // Used when it holds more than one entry; one that is shorter than the
    // index list is reported and treated as absent.
    const float* parameters = nullptr;
    int32_t parameterCount = 0;
};

// The visible pieces. `indices` refers to `coordinates`, which holds every
// input coordinate that is used, once, in the order of first use, and the
// transition points where a strip enters or leaves a hidden stretch.
// `parameters` runs parallel to `indices` when the input's was used, and is
// empty otherwise.
struct SplitLines {
    std::vector<SbVec3f> coordinates;
    std::vector<int32_t> indices;
    std::vector<float> parameters;
    bool parametersUsed = false;
};

// Keeps the depth cache between frames; one instance per node.
class HiddenLineSplitter {
public:
    // Depth is read in blocks of kBlockSize x kBlockSize pixels into a cache
    // of (viewport width + kCacheMargin) x (viewport height + kCacheMargin)
    // cells.
    static constexpr int kBlockSize = 32;
    static constexpr int kCacheMargin = 66;
    // Smallest sampling step in pixels: samples land on whole pixels, so a
    // shorter step only tests pixels again.
    static constexpr float kMinimalStep = 1.0f;

    HiddenLineSplitter(void);

    // Splits `lines` into the pieces that the depth in `depth` leaves
    // visible and writes them to `out` (replacing what it held). Returns
    // false, leaving `out` alone, when there is nothing to split: fewer than
    // 3 index entries or 2 coordinates, or input that cannot be read (no
    // arrays, a viewport larger than any window); the lines then stand as
    // they are.
    //
    // objectToClip takes the coordinates to clip coordinates in Inventor's
    // row-vector convention (p * M, then divide by w). maximalError is the
    // sampling step along a strip's projection in window pixels; values
    // below kMinimalStep are raised to it, and zero, negative or NaN ones
    // are also reported.
    //
    // A vertex is visible when it lies in the viewport (its rounded window
    // position within x .. x + width and y .. y + height) and its window
    // depth is at most the depth of one of the 3 x 3 pixels around it; a
    // vertex behind the eye is hidden. Index entries naming no coordinate
    // are reported and end their strip there, like -1; a last strip without
    // its -1 is reported and ended as if it had one. A strip that is hidden
    // all along leaves nothing behind, not even a separator, and so does a
    // strip of a single vertex.
    bool split(const SplittingInput& lines, float maximalError, const SbMatrix& objectToClip, DepthSource& depth,
               SplitLines& out);

    // Number of floats the depth cache holds: 0 before the first split,
    // then (width + kCacheMargin) * (height + kCacheMargin) of the last
    // viewport.
    size_t cacheSize(void) const { return depthCache.size(); }

private:
    class Run;
    BlockDepthCache depthCache;
};

#endif // QUILLMAP_HIDDENLINESPLITTER_H
