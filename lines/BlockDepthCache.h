#ifndef QUILLMAP_BLOCKDEPTHCACHE_H
#define QUILLMAP_BLOCKDEPTHCACHE_H

// Window depth of the region a visibility test looks at, read from a depth
// source lazily in square blocks and kept for the rest of the test: a test
// only looks at the pixels along its lines, and neighbouring samples mostly
// fall into blocks that are already there.

#include "lines/DepthSource.h"

#include <cstddef>
#include <vector>

class BlockDepthCache {
public:
    // Depth is read in blocks of blockSize x blockSize pixels. The cache
    // array holds (viewport width + margin) x (viewport height + margin)
    // cells; a region spanning the whole viewport, rounded up to whole
    // blocks on each side, needs a margin of at least blockSize.
    BlockDepthCache(int blockSize, int margin);
    BlockDepthCache(const BlockDepthCache&) = delete;
    BlockDepthCache& operator=(const BlockDepthCache&) = delete;

    // Starts a test on `source`: takes its viewport, and reallocates the
    // cache array when the viewport has a different size from the last
    // test's. The source must outlive the test.
    void begin(DepthSource& source);
    // Ends the test; the cache array is kept for the next one.
    void end(void);

    // The viewport of the current test.
    const DepthViewport& viewport(void) const { return view; }

    // Sets the test region: columns lowX..highX and rows lowY..highY (whole
    // numbers of any size) grown by one pixel on every side (the rim of a
    // 3 x 3 neighbourhood) and clipped to the viewport. Every cell is marked
    // unread, since the depth buffer belongs to one frame. False, leaving
    // the region empty, when nothing of it lies in the viewport. Until a
    // test sets its region, the region is empty and nothing reaches a
    // neighbourhood. Precondition: the viewport is at most 32767 pixels wide
    // and high (checked by the callers, which report it).
    bool setRegion(double lowX, double highX, double lowY, double highY);

    // Whether depth z is less than or equal to the depth of at least one of
    // the nine pixels px - 1 .. px + 1 x py - 1 .. py + 1. Pixels outside
    // the region (and so outside the viewport) take no part.
    bool reachesNeighbourhood(int px, int py, float z);

    // Number of floats the cache array holds: 0 before the first test, then
    // (width + margin) * (height + margin) of the last test's viewport.
    size_t size(void) const { return cache.size(); }

private:
    bool insideRegion(int px, int py) const;
    float* cell(int px, int py);
    void ensureLoaded(int px, int py);
    void loadBlock(int cx, int cy);

    const int blockSize;
    const int margin;
    // Cell (cx, cy) holds the depth of window pixel (minX + cx - 1,
    // minY + cy - 1), or -1 while it has not been read.
    std::vector<float> cache;
    int cacheWidth = -1; // viewport size the cache was allocated for
    int cacheHeight = -1;
    // One block as the source delivers it; allocated on first use.
    std::vector<float> block;
    // The region in window pixels (bounds included) and the cache layout
    // over it.
    int minX = 0;
    int maxX = -1;
    int minY = 0;
    int maxY = -1;
    int rowWidth = 0;
    int rowCount = 0;

    // Valid during a test only.
    DepthViewport view;
    DepthSource* source = nullptr;
};

#endif // QUILLMAP_BLOCKDEPTHCACHE_H
