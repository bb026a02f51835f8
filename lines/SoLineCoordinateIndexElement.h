#ifndef QUILLMAP_SOLINECOORDINATEINDEXELEMENT_H
#define QUILLMAP_SOLINECOORDINATEINDEXELEMENT_H

// Strips of indices into the current coordinates, each ended by -1.

#include "lines/SoLineArrayElement.h"

class SoLineCoordinateIndexElement : public SoLineArrayElement<SoLineCoordinateIndexElement, int32_t> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoLineCoordinateIndexElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoLineCoordinateIndexElement() override;
};

#endif // QUILLMAP_SOLINECOORDINATEINDEXELEMENT_H
