// The pixel loops of the image modifiers, free of GL and scene graph.

#include "image/PixelOperations.h"

#include <utility>

namespace {

const uint8_t kBlack[3] = { 0, 0, 0 };
const uint8_t kWhite[3] = { 255, 255, 255 };

void copyPixel(uint8_t* to, const uint8_t* from)
{
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

// The input's size, each pixel made by `rule` from the input pixel and its
// position.
template <class Rule>
PixelImage mapPixels(const PixelImage& in, Rule rule)
{
    if (!in.isRGB())
        return PixelImage();
    PixelImage out(in.width, in.height, 3);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x)
            rule(x, y, in.pixel(x, y), out.pixel(x, y));
    return out;
}

} // namespace

bool convertToRGB(const PixelImage& in, PixelImage& out)
{
    if (!in.consistent() || in.components < 1 || in.components > 4)
        return false;
    PixelImage rgb(in.width, in.height, 3);
    const size_t pixels = size_t(in.width) * size_t(in.height);
    const size_t step = size_t(in.components);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* from = &in.bytes[i * step];
        uint8_t* to = &rgb.bytes[i * 3];
        if (in.components < 3)
            to[0] = to[1] = to[2] = from[0];
        else
            copyPixel(to, from);
    }
    out = std::move(rgb);
    return true;
}

bool selectPixels(const PixelImage& input, const PixelImage& a, const PixelImage& b, int threshold, PixelImage& out)
{
    if (!input.isRGB() || !a.isRGB() || !b.isRGB() || !input.sameSize(a) || !input.sameSize(b))
        return false;
    out = mapPixels(input, [&](int x, int y, const uint8_t* from, uint8_t* to) {
        copyPixel(to, threshold < pixelBrightness(from) ? a.pixel(x, y) : b.pixel(x, y));
    });
    return true;
}

PixelImage softenPixels(const PixelImage& in)
{
    const int w = in.width, h = in.height;
    return mapPixels(in, [&](int x, int y, const uint8_t* from, uint8_t* to) {
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
            copyPixel(to, from);
            return;
        }
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += in.pixel(x + dx, y + dy)[c];
            to[c] = uint8_t(sum / 9);
        }
    });
}

uint8_t lightenValue(uint8_t v)
{
    return v <= 187 ? uint8_t((int(v) * 350) >> 8) : 255;
}

PixelImage lightenPixels(const PixelImage& in)
{
    return mapPixels(in, [](int, int, const uint8_t* from, uint8_t* to) {
        for (int c = 0; c < 3; ++c)
            to[c] = lightenValue(from[c]);
    });
}

PixelImage darkenPixels(const PixelImage& in)
{
    return mapPixels(in, [](int, int, const uint8_t* from, uint8_t* to) {
        for (int c = 0; c < 3; ++c)
            to[c] = uint8_t(from[c] >> 1);
    });
}

PixelImage ditherRandomly(const PixelImage& in, int (*random)())
{
    return mapPixels(in, [random](int, int, const uint8_t* from, uint8_t* to) {
        const int threshold = int(unsigned(random()) % 256u);
        copyPixel(to, pixelBrightness(from) >= threshold ? kWhite : kBlack);
    });
}

bool usableDitherMatrix(const PixelImage& matrix)
{
    return matrix.consistent() && !matrix.bytes.empty();
}

PixelImage ditherByMatrix(const PixelImage& in, const PixelImage& matrix)
{
    if (!usableDitherMatrix(matrix))
        return in.isRGB() ? in : PixelImage();
    const int mw = matrix.width, mh = matrix.height;
    return mapPixels(in, [&](int x, int y, const uint8_t* from, uint8_t* to) {
        const int threshold = matrix.bytes[size_t(x % mw) + size_t(mw) * size_t(y % mh)];
        copyPixel(to, pixelBrightness(from) >= threshold ? kWhite : kBlack);
    });
}
