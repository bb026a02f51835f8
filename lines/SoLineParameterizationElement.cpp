// The line parameters of the traversal state.

#include "lines/SoLineParameterizationElement.h"

SO_ELEMENT_SOURCE(SoLineParameterizationElement);

void SoLineParameterizationElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoLineParameterizationElement, inherited);
}

SoLineParameterizationElement::~SoLineParameterizationElement()
{
}

void SoLineParameterizationElement::init(SoState* state)
{
    initArray(state, 0, nullptr);
}
