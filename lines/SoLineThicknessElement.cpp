// The line thicknesses of the traversal state.

#include "lines/SoLineThicknessElement.h"

SO_ELEMENT_SOURCE(SoLineThicknessElement);

void SoLineThicknessElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoLineThicknessElement, inherited);
}

SoLineThicknessElement::~SoLineThicknessElement()
{
}

void SoLineThicknessElement::init(SoState* state)
{
    initArray(state, 0, nullptr);
}
