#ifndef QUILLMAP_TESTS_PAINTEDDEPTH_H
#define QUILLMAP_TESTS_PAINTEDDEPTH_H

// A depth source whose depth image the test paints, for the visibility tests
// without OpenGL. The image reaches 8 pixels beyond the viewport on every
// side, so that a test which ignores the viewport finds depth there; every
// read is recorded and checked to lie inside the viewport.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "lines/DepthSource.h"

class PaintedDepth : public DepthSource {
public:
    struct Read {
        int x, y, width, height;
    };

    // Starts at depth 1 (nothing drawn) everywhere.
    explicit PaintedDepth(const DepthViewport& v)
        : view(v), image(size_t(v.width + 16) * size_t(v.height + 16), 1.0f)
    {
    }
    DepthViewport viewport(void) const override { return view; }
    void read(int x, int y, int width, int height, float* out) override
    {
        reads.push_back({x, y, width, height});
        EXPECT_TRUE(width > 0 && height > 0 && x >= view.x && y >= view.y && x + width <= view.x + view.width
                    && y + height <= view.y + view.height)
            << "read of " << width << " x " << height << " at (" << x << ", " << y << ") leaves the viewport";
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                out[row * width + column] = at(x + column, y + row);
    }
    float& at(int x, int y) { return image[size_t(y - view.y + 8) * size_t(view.width + 16) + size_t(x - view.x + 8)]; }
    // Columns x0..x1 and rows y0..y1, bounds included, clipped to the image.
    void paint(int x0, int y0, int x1, int y1, float depth)
    {
        for (int y = std::max(y0, view.y - 8); y <= std::min(y1, view.y + view.height + 7); ++y)
            for (int x = std::max(x0, view.x - 8); x <= std::min(x1, view.x + view.width + 7); ++x)
                at(x, y) = depth;
    }

    // Checks the reads since the last clear: each inside the region
    // [lowX, highX] x [lowY, highY], each one block of blockSize aligned to
    // blockSize steps from the pixel left of and below the region (or cut
    // at the region's low side), no pixel read twice. Returns the number of
    // pixels read; `what` names the run in messages.
    long checkBlockReads(int lowX, int highX, int lowY, int highY, int blockSize, const char* what) const
    {
        std::vector<int> readCount(size_t(view.width) * size_t(view.height), 0);
        long pixels = 0;
        for (const Read& r : reads) {
            EXPECT_TRUE(r.x >= lowX && r.y >= lowY && r.x + r.width - 1 <= highX && r.y + r.height - 1 <= highY)
                << what << ": read " << r.width << " x " << r.height << " at (" << r.x << ", " << r.y
                << ") leaves the region";
            EXPECT_TRUE(r.width <= blockSize && r.height <= blockSize
                        && (r.x == lowX || (r.x - (lowX - 1)) % blockSize == 0)
                        && (r.y == lowY || (r.y - (lowY - 1)) % blockSize == 0))
                << what << ": read " << r.width << " x " << r.height << " at (" << r.x << ", " << r.y
                << ") is not one block";
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) {
                    const int cx = x - view.x, cy = y - view.y;
                    if (cx >= 0 && cy >= 0 && cx < view.width && cy < view.height
                        && ++readCount[size_t(cy) * size_t(view.width) + size_t(cx)] == 2)
                        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") read twice";
                }
            pixels += long(r.width) * r.height;
        }
        return pixels;
    }

    DepthViewport view;
    std::vector<float> image;
    std::vector<Read> reads;
};

#endif // QUILLMAP_TESTS_PAINTEDDEPTH_H
