#ifndef QUILLMAP_SOLINETEXTURECOORDINATEELEMENT_H
#define QUILLMAP_SOLINETEXTURECOORDINATEELEMENT_H

// Texture coordinate along the stroke of each line vertex, in the order of the
// index list's non-separator entries.

#include "lines/SoLineArrayElement.h"

class SoLineTextureCoordinateElement : public SoLineArrayElement<SoLineTextureCoordinateElement, float> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoLineTextureCoordinateElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoLineTextureCoordinateElement() override;
};

#endif // QUILLMAP_SOLINETEXTURECOORDINATEELEMENT_H
