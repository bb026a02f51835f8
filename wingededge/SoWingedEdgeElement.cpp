// Traversal-state element pointing at the current winged-edge list.

#include "wingededge/SoWingedEdgeElement.h"

SO_ELEMENT_SOURCE(SoWingedEdgeElement);

void SoWingedEdgeElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoWingedEdgeElement, inherited);
}

SoWingedEdgeElement::~SoWingedEdgeElement()
{
}

void SoWingedEdgeElement::init(SoState* state)
{
    inherited::init(state);
    list = nullptr;
}

SbBool SoWingedEdgeElement::matches(const SoElement* element) const
{
    return element->getTypeId() == getTypeId() &&
           static_cast<const SoWingedEdgeElement*>(element)->list == list;
}

SoElement* SoWingedEdgeElement::copyMatchInfo(void) const
{
    SoWingedEdgeElement* copy = static_cast<SoWingedEdgeElement*>(getTypeId().createInstance());
    copy->list = list;
    copy->nodeId = nodeId;
    return copy;
}

void SoWingedEdgeElement::set(SoState* state, SoNode* node, WingedEdgeList* list)
{
    SoWingedEdgeElement* element = static_cast<SoWingedEdgeElement*>(getElement(state, classStackIndex, node));
    if (element != nullptr)
        element->list = list;
}

WingedEdgeList* SoWingedEdgeElement::get(SoState* state)
{
    const SoWingedEdgeElement* element =
        static_cast<const SoWingedEdgeElement*>(getConstElement(state, classStackIndex));
    return element != nullptr ? element->list : nullptr;
}
