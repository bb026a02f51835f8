#ifndef QUILLMAP_SOORIENTEDCOORDINATEELEMENT_H
#define QUILLMAP_SOORIENTEDCOORDINATEELEMENT_H

// Screen-space direction of the stroke at each line vertex, in the order of
// the index list's non-separator entries. Until a node sets it, it holds the
// one direction (0, 1).

#include <Inventor/SbVec2f.h>

#include "lines/SoLineArrayElement.h"

class SoOrientedCoordinateElement : public SoLineArrayElement<SoOrientedCoordinateElement, SbVec2f> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoOrientedCoordinateElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoOrientedCoordinateElement() override;
};

#endif // QUILLMAP_SOORIENTEDCOORDINATEELEMENT_H
