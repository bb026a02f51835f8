// Window depth of a test region, read lazily in blocks.

#include "lines/BlockDepthCache.h"

#include <algorithm>

BlockDepthCache::BlockDepthCache(int size, int rim)
    : blockSize(std::max(1, size)), margin(std::max(rim, std::max(1, size)))
{
}

void BlockDepthCache::begin(DepthSource& depth)
{
    source = &depth;
    view = depth.viewport();
    // Nothing of an earlier test is looked at until this one sets a region:
    // that depth belonged to another frame.
    minX = minY = 0;
    maxX = maxY = -1;
    const int width = std::max(0, view.width);
    const int height = std::max(0, view.height);
    if (width == cacheWidth && height == cacheHeight)
        return;
    cacheWidth = width;
    cacheHeight = height;
    std::vector<float>(size_t(width + margin) * size_t(height + margin)).swap(cache);
}

void BlockDepthCache::end(void)
{
    source = nullptr;
}

bool BlockDepthCache::setRegion(double lowX, double highX, double lowY, double highY)
{
    // Clamped to the viewport first, so that the bounds fit an int however
    // far off-screen they lie. NaN bounds leave the region empty.
    const double firstX = view.x;
    const double lastX = double(view.x) + view.width - 1.0;
    const double firstY = view.y;
    const double lastY = double(view.y) + view.height - 1.0;
    if (!(lowX - 1.0 <= lastX && highX + 1.0 >= firstX && lowY - 1.0 <= lastY && highY + 1.0 >= firstY
          && lowX <= highX && lowY <= highY)) {
        maxX = minX - 1;
        return false;
    }
    minX = int(std::max(lowX - 1.0, firstX));
    maxX = int(std::min(highX + 1.0, lastX));
    minY = int(std::max(lowY - 1.0, firstY));
    maxY = int(std::min(highY + 1.0, lastY));
    if (minX > maxX || minY > maxY) {
        maxX = minX - 1;
        return false;
    }
    // Cells 1 .. extent are used (cell 0 stands for the pixel left of or
    // below the region, which is never looked at); the sides are rounded up
    // to whole blocks, so a block read never runs past the end of a row.
    rowWidth = ((maxX - minX + 1) / blockSize + 1) * blockSize;
    rowCount = ((maxY - minY + 1) / blockSize + 1) * blockSize;
    std::fill(cache.begin(), cache.begin() + size_t(rowWidth) * size_t(rowCount), -1.0f);
    return true;
}

bool BlockDepthCache::insideRegion(int px, int py) const
{
    return px >= minX && px <= maxX && py >= minY && py <= maxY;
}

float* BlockDepthCache::cell(int px, int py)
{
    return &cache[size_t(py - minY + 1) * size_t(rowWidth) + size_t(px - minX + 1)];
}

void BlockDepthCache::ensureLoaded(int px, int py)
{
    if (*cell(px, py) < 0.0f)
        loadBlock(px - minX + 1, py - minY + 1);
}

void BlockDepthCache::loadBlock(int cx, int cy)
{
    if (block.empty())
        block.resize(size_t(blockSize) * size_t(blockSize));
    // The block of cells aligned to multiples of blockSize that holds the
    // cell, as window pixels, clipped to the region (which lies inside the
    // viewport), so no pixel outside the viewport is ever read.
    const int blockX = cx / blockSize * blockSize + minX - 1;
    const int blockY = cy / blockSize * blockSize + minY - 1;
    const int x0 = std::max(blockX, minX);
    const int y0 = std::max(blockY, minY);
    const int x1 = std::min(blockX + blockSize - 1, maxX);
    const int y1 = std::min(blockY + blockSize - 1, maxY);
    const int width = x1 - x0 + 1;
    const int height = y1 - y0 + 1;
    source->read(x0, y0, width, height, block.data());
    for (int row = 0; row < height; ++row) {
        float* target = cell(x0, y0 + row);
        for (int column = 0; column < width; ++column) {
            // Depth is never negative; a source that says otherwise would
            // look unread and be read again on every lookup.
            const float value = block[size_t(row) * size_t(width) + size_t(column)];
            target[column] = value >= 0.0f ? value : 0.0f;
        }
    }
}

bool BlockDepthCache::reachesNeighbourhood(int px, int py, float z)
{
    // The four corners of the 3 x 3 neighbourhood lie in every block the
    // neighbourhood touches, so loading them first loads it whole (except
    // where the region's side cuts off corners; the scan below covers that).
    for (int dy = -1; dy <= 1; dy += 2)
        for (int dx = -1; dx <= 1; dx += 2)
            if (insideRegion(px + dx, py + dy))
                ensureLoaded(px + dx, py + dy);
    // Level with or in front of the surface at any of the nine pixels: a
    // line and the surface it lies on were rasterised differently, and the
    // neighbourhood absorbs the difference.
    for (int y = py - 1; y <= py + 1; ++y) {
        for (int x = px - 1; x <= px + 1; ++x) {
            if (!insideRegion(x, y))
                continue;
            ensureLoaded(x, y);
            if (z <= *cell(x, y))
                return true;
        }
    }
    return false;
}
