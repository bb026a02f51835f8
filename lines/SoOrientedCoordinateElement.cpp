// The line directions of the traversal state.

#include "lines/SoOrientedCoordinateElement.h"

SO_ELEMENT_SOURCE(SoOrientedCoordinateElement);

void SoOrientedCoordinateElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoOrientedCoordinateElement, inherited);
}

SoOrientedCoordinateElement::~SoOrientedCoordinateElement()
{
}

void SoOrientedCoordinateElement::init(SoState* state)
{
    // Strokes point up the screen until a node says otherwise.
    static const SbVec2f upwards(0.0f, 1.0f);
    initArray(state, 1, &upwards);
}
