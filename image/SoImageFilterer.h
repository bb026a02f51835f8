#ifndef QUILLMAP_IMAGE_SOIMAGEFILTERER_H
#define QUILLMAP_IMAGE_SOIMAGEFILTERER_H

// Softens, lightens or darkens an image.

#include <Inventor/fields/SoSFEnum.h>

#include "image/SoImageModifier.h"

class SoImageFilterer : public SoImageModifier {
    typedef SoImageModifier inherited;

    SO_NODE_HEADER(SoImageFilterer);

public:
    enum FilterMethod {
        SOFTEN = 0,
        LIGHTEN = 1,
        DARKEN = 2
    };

    SoSFEnum filterMethod;

    static void initClass(void);
    SoImageFilterer(void);

protected:
    ~SoImageFilterer() override;
    void modify(void) override;
};

#endif // QUILLMAP_IMAGE_SOIMAGEFILTERER_H
