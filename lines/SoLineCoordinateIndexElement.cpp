// The line coordinate indices of the traversal state.

#include "lines/SoLineCoordinateIndexElement.h"

SO_ELEMENT_SOURCE(SoLineCoordinateIndexElement);

void SoLineCoordinateIndexElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoLineCoordinateIndexElement, inherited);
}

SoLineCoordinateIndexElement::~SoLineCoordinateIndexElement()
{
}

void SoLineCoordinateIndexElement::init(SoState* state)
{
    initArray(state, 0, nullptr);
}
