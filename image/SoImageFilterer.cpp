// The image modifier that softens, lightens or darkens.

#include "image/SoImageFilterer.h"

#include <Inventor/errors/SoDebugError.h>

#include <cstdio>

#include "image/PixelOperations.h"

SO_NODE_SOURCE(SoImageFilterer);

void SoImageFilterer::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImageFilterer, SoImageModifier, "ImageModifier");
}

SoImageFilterer::SoImageFilterer(void)
{
    SO_NODE_CONSTRUCTOR(SoImageFilterer);
    // SOFTEN: 3 x 3 mean inside, border copied; LIGHTEN: values times 350/256,
    // 255 from 188 up; DARKEN: values halved. Default SOFTEN.
    SO_NODE_ADD_FIELD(filterMethod, (SOFTEN));
    SO_NODE_DEFINE_ENUM_VALUE(FilterMethod, SOFTEN);
    SO_NODE_DEFINE_ENUM_VALUE(FilterMethod, LIGHTEN);
    SO_NODE_DEFINE_ENUM_VALUE(FilterMethod, DARKEN);
    SO_NODE_SET_SF_ENUM_TYPE(filterMethod, FilterMethod);
}

SoImageFilterer::~SoImageFilterer()
{
}

void SoImageFilterer::modify(void)
{
    const int method = filterMethod.getValue();
    if (method == LIGHTEN)
        std::printf("lightening image!!!\n");
    else if (method == DARKEN)
        std::printf("darkening image!!!\n");
    else if (method != SOFTEN) {
        SoDebugError::postWarning("SoImageFilterer::GLRender", "filterMethod %d is none of SOFTEN, LIGHTEN, DARKEN",
                                  method);
        return;
    }
    PixelImage in;
    if (!rgbImage(input, "input", in))
        return;
    if (method == SOFTEN) {
        setImage(output, softenPixels(in));
        return;
    }
    if (method == DARKEN) {
        setImage(output, darkenPixels(in));
        return;
    }
    // Lightening starts from a copy of the input every time, so that a new
    // input of the old size is lightened too instead of the old output again.
    if (!imageOf(output).sameSize(in))
        std::printf("resizing osize...");
    setImage(output, lightenPixels(in));
    if (!imageOf(output).sameSize(in))
        std::printf("ERROR lightenImage osize != size!\n");
}
