#ifndef QUILLMAP_IMAGE_PIXELOPERATIONS_H
#define QUILLMAP_IMAGE_PIXELOPERATIONS_H

// The pixel operations of the image modifiers: converting to three bytes per
// pixel, choosing between two images by brightness, softening, lightening,
// darkening, and random and ordered dithering to black and white.
//
// Every operation but the conversion takes images of three bytes per pixel
// (PixelImage::isRGB) and gives an image of the input's size; given anything
// else it gives an empty image and reads nothing.

#include <cstdint>

#include "image/PixelImage.h"

// The mean of a pixel's red, green and blue, rounded down.
inline int pixelBrightness(const uint8_t* rgb)
{
    return (int(rgb[0]) + int(rgb[1]) + int(rgb[2])) / 3;
}

// Three bytes per pixel from 1 (grey), 2 (grey, alpha), 3 or 4 (red, green,
// blue, alpha) components; alpha is dropped. Returns false, leaving `out`
// alone, for an image whose bytes disagree with its size or that has another
// number of components.
bool convertToRGB(const PixelImage& in, PixelImage& out);

// Per pixel the pixel of `a` where threshold < brightness of `input`, else
// the pixel of `b`. Returns false, leaving `out` alone, unless all three are
// RGB images of one size.
bool selectPixels(const PixelImage& input, const PixelImage& a, const PixelImage& b, int threshold, PixelImage& out);

// Each inner pixel the mean of its 3 x 3 neighbourhood per channel, rounded
// down; the border pixels (and every pixel of an image two or fewer pixels
// wide or high) are copied from the input.
PixelImage softenPixels(const PixelImage& in);

// A channel value scaled by 350/256 (rounded down) up to 187, 255 above.
uint8_t lightenValue(uint8_t v);
PixelImage lightenPixels(const PixelImage& in);

// Every channel value halved, rounded down.
PixelImage darkenPixels(const PixelImage& in);

// White where the brightness is at least a threshold drawn from `random`
// (taken modulo 256, one per pixel, bottom row first), black elsewhere.
PixelImage ditherRandomly(const PixelImage& in, int (*random)());

// White where the brightness is at least the threshold the matrix holds for
// the pixel, black elsewhere. The matrix is tiled over the image: pixel (x, y)
// takes byte (x mod mw) + mw * (y mod mh) of the matrix's bytes. A matrix
// without bytes (a side of 0, or no components) gives a copy of the input.
PixelImage ditherByMatrix(const PixelImage& in, const PixelImage& matrix);

// Whether ditherByMatrix can use the matrix: a consistent image with at least
// one byte.
bool usableDitherMatrix(const PixelImage& matrix);

#endif // QUILLMAP_IMAGE_PIXELOPERATIONS_H
