#ifndef QUILLMAP_IMAGE_SOIMAGEDITHERER_H
#define QUILLMAP_IMAGE_SOIMAGEDITHERER_H

// Reduces an image to black and white, by random thresholds or by a dither
// matrix tiled over the image.

#include <Inventor/fields/SoSFEnum.h>

#include "image/SoImageModifier.h"

class SoImageDitherer : public SoImageModifier {
    typedef SoImageModifier inherited;

    SO_NODE_HEADER(SoImageDitherer);

public:
    enum DitherMethod {
        RANDOM = 0,
        DITHER_MATRIX = 1
    };

    SoSFImage ditherMatrix;
    SoSFEnum ditherMethod;

    static void initClass(void);
    SoImageDitherer(void);

protected:
    ~SoImageDitherer() override;
    void modify(void) override;

private:
    void ditherWithMatrix(void);
};

#endif // QUILLMAP_IMAGE_SOIMAGEDITHERER_H
