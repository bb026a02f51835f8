// The per-vertex illumination of the traversal state.

#include "shading/SoIlluminatedGeometryElement.h"

SO_ELEMENT_SOURCE(SoIlluminatedGeometryElement);

void SoIlluminatedGeometryElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoIlluminatedGeometryElement, inherited);
}

SoIlluminatedGeometryElement::~SoIlluminatedGeometryElement()
{
}

void SoIlluminatedGeometryElement::init(SoState* state)
{
    initArray(state, 0, nullptr);
}
