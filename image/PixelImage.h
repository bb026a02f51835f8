#ifndef QUILLMAP_IMAGE_PIXELIMAGE_H
#define QUILLMAP_IMAGE_PIXELIMAGE_H

// An image as the image-space nodes hand it around: width, height, bytes per
// pixel and the bytes row by row from the bottom row up, as OpenGL reads and
// draws pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

struct PixelImage {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> bytes;

    PixelImage() = default;
    // A black image; a negative size or one past 2^40 bytes gives an empty
    // image of size (0, 0).
    PixelImage(int w, int h, int c)
    {
        const size_t n = byteCount(w, h, c);
        if (n == kBadSize)
            return;
        width = w;
        height = h;
        components = c;
        bytes.assign(n, 0);
    }

    static constexpr size_t kBadSize = ~size_t(0);
    // w * h * c, or kBadSize for a negative size or one past 2^40 bytes.
    static size_t byteCount(int w, int h, int c);

    // The bytes are exactly w * h * c.
    bool consistent() const { return bytes.size() == byteCount(width, height, components); }
    // Consistent, three bytes per pixel and at least one pixel.
    bool isRGB() const { return components == 3 && width > 0 && height > 0 && consistent(); }
    bool sameSize(const PixelImage& o) const { return width == o.width && height == o.height; }

    // The first byte of pixel (x, y); the caller keeps x and y inside.
    uint8_t* pixel(int x, int y) { return &bytes[(size_t(y) * size_t(width) + size_t(x)) * size_t(components)]; }
    const uint8_t* pixel(int x, int y) const { return &bytes[(size_t(y) * size_t(width) + size_t(x)) * size_t(components)]; }
};

inline size_t PixelImage::byteCount(int w, int h, int c)
{
    if (w < 0 || h < 0 || c < 0)
        return kBadSize;
    const unsigned long long limit = 1ull << 40;
    const unsigned long long pixels = (unsigned long long)w * (unsigned long long)h; // below 2^62
    if (c != 0 && pixels > limit / (unsigned long long)c)
        return kBadSize;
    return size_t(pixels * (unsigned long long)c);
}

#endif // QUILLMAP_IMAGE_PIXELIMAGE_H
