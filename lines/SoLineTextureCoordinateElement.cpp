// The line texture coordinates of the traversal state.

#include "lines/SoLineTextureCoordinateElement.h"

SO_ELEMENT_SOURCE(SoLineTextureCoordinateElement);

void SoLineTextureCoordinateElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoLineTextureCoordinateElement, inherited);
}

SoLineTextureCoordinateElement::~SoLineTextureCoordinateElement()
{
}

void SoLineTextureCoordinateElement::init(SoState* state)
{
    initArray(state, 0, nullptr);
}
