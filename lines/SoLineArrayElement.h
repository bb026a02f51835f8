#ifndef QUILLMAP_SOLINEARRAYELEMENT_H
#define QUILLMAP_SOLINEARRAYELEMENT_H

// What the five line elements share: a count and a pointer to the first of
// that many entries, set by a node that keeps the array alive in a field of
// its own. The concrete elements derive from this template but register with
// SoReplacedElement as their parent type, so the template is invisible to the
// type system; matching and caching are by the id of the node that set the
// element, as for every replaced element.

#include <Inventor/elements/SoReplacedElement.h>

#include <cstdint>

template <class Element, class Value>
class SoLineArrayElement : public SoReplacedElement {
public:
    typedef Value ValueType;

    // Number of entries at `values`.
    int32_t count = 0;
    // The first entry; not owned.
    const Value* values = nullptr;

    // Stores `count` entries at `values` for the nodes that follow `node`.
    // The caller keeps the array alive while the traversal reads it.
    static void set(SoState* state, SoNode* node, int32_t count, const Value* values)
    {
        Element* element = static_cast<Element*>(
            SoReplacedElement::getElement(state, Element::getClassStackIndex(), node));
        if (element == nullptr)
            return;
        element->count = count;
        element->values = values;
    }

    // The element in force; an open render cache records that it was read.
    static const Element* getInstance(SoState* state)
    {
        return static_cast<const Element*>(SoElement::getConstElement(state, Element::getClassStackIndex()));
    }

    // The entries in force, with their number in `count`.
    static const Value* get(SoState* state, int32_t& count)
    {
        const Element* element = getInstance(state);
        count = element->count;
        return element->values;
    }

protected:
    SoLineArrayElement(void) = default;
    ~SoLineArrayElement() override = default;

    void initArray(SoState* state, int32_t initialCount, const Value* initialValues)
    {
        SoReplacedElement::init(state);
        count = initialCount;
        values = initialValues;
    }
};

#endif // QUILLMAP_SOLINEARRAYELEMENT_H
