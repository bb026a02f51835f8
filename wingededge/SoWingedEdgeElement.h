#ifndef QUILLMAP_SOWINGEDEDGEELEMENT_H
#define QUILLMAP_SOWINGEDEDGEELEMENT_H

// Traversal-state element pointing at the current winged-edge list.

#include <Inventor/elements/SoReplacedElement.h>

class WingedEdgeList;

class SoWingedEdgeElement : public SoReplacedElement {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoWingedEdgeElement);

public:
    static void initClass(void);

    void init(SoState* state) override;
    SbBool matches(const SoElement* element) const override;
    SoElement* copyMatchInfo(void) const override;

    // Publishes list (not owned) as the current winged-edge list.
    static void set(SoState* state, SoNode* node, WingedEdgeList* list);
    // The current list, or null; captured by an open render cache.
    static WingedEdgeList* get(SoState* state);

protected:
    ~SoWingedEdgeElement() override;

private:
    WingedEdgeList* list = nullptr;
};

#endif // QUILLMAP_SOWINGEDEDGEELEMENT_H
