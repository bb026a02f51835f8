// Traversal-state map from keys to values that survives separators.

#include "wingededge/SoWingedEdgeListElement.h"

SO_ELEMENT_SOURCE(SoWingedEdgeListElement);

void SoWingedEdgeListElement::initClass(void)
{
    SO_ELEMENT_INIT_CLASS(SoWingedEdgeListElement, inherited);
}

SoWingedEdgeListElement::~SoWingedEdgeListElement()
{
}

void SoWingedEdgeListElement::init(SoState* state)
{
    inherited::init(state);
    entries.clear();
}

void SoWingedEdgeListElement::push(SoState* state)
{
    inherited::push(state);
    const SoWingedEdgeListElement* below = static_cast<const SoWingedEdgeListElement*>(getNextInStack());
    entries = below->entries;
    copyNodeIds(below);
}

// Entries set below a separator stay visible after it: the element that
// becomes the top takes over the popped element's entries.
void SoWingedEdgeListElement::pop(SoState* state, const SoElement* prevTopElement)
{
    inherited::pop(state, prevTopElement);
    const SoWingedEdgeListElement* popped = static_cast<const SoWingedEdgeListElement*>(prevTopElement);
    entries = popped->entries;
    copyNodeIds(popped);
}

SbBool SoWingedEdgeListElement::matches(const SoElement* element) const
{
    return inherited::matches(element) &&
           static_cast<const SoWingedEdgeListElement*>(element)->entries == entries;
}

SoElement* SoWingedEdgeListElement::copyMatchInfo(void) const
{
    SoWingedEdgeListElement* copy = static_cast<SoWingedEdgeListElement*>(inherited::copyMatchInfo());
    copy->entries = entries;
    return copy;
}

void SoWingedEdgeListElement::set(SoState* state, SoNode* node, const void* key, void* value)
{
    SoWingedEdgeListElement* element = static_cast<SoWingedEdgeListElement*>(getElement(state, classStackIndex));
    if (element == nullptr)
        return;
    bool replaced = false;
    for (auto& entry : element->entries) {
        if (entry.first == key) {
            entry.second = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        element->entries.emplace_back(key, value);
    if (node != nullptr)
        element->addNodeId(node);
}

void* SoWingedEdgeListElement::get(SoState* state, const void* key)
{
    const SoWingedEdgeListElement* element =
        static_cast<const SoWingedEdgeListElement*>(getConstElement(state, classStackIndex));
    if (element == nullptr)
        return nullptr;
    for (const auto& entry : element->entries)
        if (entry.first == key)
            return entry.second;
    return nullptr;
}
