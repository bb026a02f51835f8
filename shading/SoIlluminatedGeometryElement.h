#ifndef QUILLMAP_SHADING_SOILLUMINATEDGEOMETRYELEMENT_H
#define QUILLMAP_SHADING_SOILLUMINATEDGEOMETRYELEMENT_H

// The diffuse illumination of the vertices of the shape that follows, one
// value in [0, 1] per non-separator entry of its index list, in order; set by
// the node that computed them, which keeps the array.

#include "lines/SoLineArrayElement.h"

class SoIlluminatedGeometryElement : public SoLineArrayElement<SoIlluminatedGeometryElement, float> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoIlluminatedGeometryElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoIlluminatedGeometryElement() override;
};

#endif // QUILLMAP_SHADING_SOILLUMINATEDGEOMETRYELEMENT_H
