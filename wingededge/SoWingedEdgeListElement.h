#ifndef QUILLMAP_SOWINGEDEDGELISTELEMENT_H
#define QUILLMAP_SOWINGEDEDGELISTELEMENT_H

// Traversal-state map from keys to values whose entries outlive the
// separator they were set under. The store and select nodes keep
// winged-edge lists in it, keyed by the storing node, so keys and values are
// pointer-sized.

#include <Inventor/elements/SoAccumulatedElement.h>

#include <utility>
#include <vector>

class SoWingedEdgeListElement : public SoAccumulatedElement {
    typedef SoAccumulatedElement inherited;

    SO_ELEMENT_HEADER(SoWingedEdgeListElement);

public:
    static void initClass(void);

    void init(SoState* state) override;
    void push(SoState* state) override;
    void pop(SoState* state, const SoElement* prevTopElement) override;
    SbBool matches(const SoElement* element) const override;
    SoElement* copyMatchInfo(void) const override;

    // Replaces the value of key, or appends the pair.
    static void set(SoState* state, SoNode* node, const void* key, void* value);
    // The value of the first entry with key, or null.
    static void* get(SoState* state, const void* key);

protected:
    ~SoWingedEdgeListElement() override;

private:
    std::vector<std::pair<const void*, void*>> entries;
};

#endif // QUILLMAP_SOWINGEDEDGELISTELEMENT_H
