// The image modifier that chooses per pixel between two images.

#include "image/SoImageSelector.h"

#include <Inventor/errors/SoDebugError.h>

#include <cstdio>

#include "image/PixelOperations.h"

SO_NODE_SOURCE(SoImageSelector);

void SoImageSelector::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImageSelector, SoImageModifier, "ImageModifier");
}

SoImageSelector::SoImageSelector(void)
{
    SO_NODE_CONSTRUCTOR(SoImageSelector);
    // Shown where the input is brighter than the threshold. Default empty.
    SO_NODE_ADD_FIELD(A, (SbVec2s(0, 0), 0, nullptr));
    // Shown elsewhere. Default empty.
    SO_NODE_ADD_FIELD(B, (SbVec2s(0, 0), 0, nullptr));
    // Brightness (mean of red, green and blue, 0 to 255) above which A is
    // chosen. Default 128.
    SO_NODE_ADD_FIELD(threshold, (128));
    watch(&A);
    watch(&B);
}

SoImageSelector::~SoImageSelector()
{
}

void SoImageSelector::modify(void)
{
    std::printf("combining image!!!\n");
    PixelImage in, a, b, out;
    if (!rgbImage(input, "input", in) || !rgbImage(A, "A", a) || !rgbImage(B, "B", b))
        return;
    if (in.bytes.empty())
        return; // nothing to choose for
    if (!selectPixels(in, a, b, threshold.getValue(), out)) {
        SoDebugError::postWarning("SoImageSelector::GLRender",
                                  "A (%d, %d), B (%d, %d) and input (%d, %d) are not one size; the output stays as it is",
                                  a.width, a.height, b.width, b.height, in.width, in.height);
        return;
    }
    setImage(output, out);
}
