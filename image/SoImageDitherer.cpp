// The image modifier that dithers to black and white.

#include "image/SoImageDitherer.h"

#include <Inventor/errors/SoDebugError.h>

#include <cstdio>
#include <cstdlib>

#include "image/PixelOperations.h"

SO_NODE_SOURCE(SoImageDitherer);

void SoImageDitherer::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImageDitherer, SoImageModifier, "ImageModifier");
}

SoImageDitherer::SoImageDitherer(void)
{
    SO_NODE_CONSTRUCTOR(SoImageDitherer);
    // Thresholds 0 to 255 tiled over the image for DITHER_MATRIX, usually one
    // component; pixel (x, y) takes byte (x mod width) + width * (y mod
    // height). Default empty, which leaves the image as it is.
    SO_NODE_ADD_FIELD(ditherMatrix, (SbVec2s(0, 0), 0, nullptr));
    // RANDOM: a threshold from std::rand per pixel; DITHER_MATRIX: the
    // thresholds of ditherMatrix. Default RANDOM.
    SO_NODE_ADD_FIELD(ditherMethod, (RANDOM));
    SO_NODE_DEFINE_ENUM_VALUE(DitherMethod, RANDOM);
    SO_NODE_DEFINE_ENUM_VALUE(DitherMethod, DITHER_MATRIX);
    SO_NODE_SET_SF_ENUM_TYPE(ditherMethod, DitherMethod);
    watch(&ditherMatrix);
}

SoImageDitherer::~SoImageDitherer()
{
}

void SoImageDitherer::modify(void)
{
    const int method = ditherMethod.getValue();
    if (method == DITHER_MATRIX) {
        ditherWithMatrix();
        return;
    }
    if (method != RANDOM) {
        SoDebugError::postWarning("SoImageDitherer::GLRender", "ditherMethod %d is neither RANDOM nor DITHER_MATRIX",
                                  method);
        return;
    }
    std::printf("random dithering image!!!\n");
    PixelImage in;
    if (rgbImage(input, "input", in))
        setImage(output, ditherRandomly(in, std::rand));
}

void SoImageDitherer::ditherWithMatrix(void)
{
    std::printf("matrix dithering image!!!\n");
    const PixelImage matrix = imageOf(ditherMatrix);
    if (matrix.width + matrix.height <= 0) {
        output = input;
        return;
    }
    if (!usableDitherMatrix(matrix)) {
        // A side of 0 or no components: no threshold to take.
        SoDebugError::postWarning("SoImageDitherer::GLRender",
                                  "ditherMatrix of size (%d, %d) with %d components holds no thresholds; "
                                  "the output is a copy of the input",
                                  matrix.width, matrix.height, matrix.components);
        output = input;
        return;
    }
    SbVec2s size;
    int components = 0;
    input.getValue(size, components);
    std::printf("dither (%d,%d,%d)...", int(size[0]), int(size[1]), components);
    PixelImage in;
    if (!rgbImage(input, "input", in))
        return;
    setImage(output, ditherByMatrix(in, matrix));
    output.getValue(size, components);
    std::printf("set output to %d,%d\n", int(size[0]), int(size[1]));
}
