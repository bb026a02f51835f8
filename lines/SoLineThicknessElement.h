#ifndef QUILLMAP_SOLINETHICKNESSELEMENT_H
#define QUILLMAP_SOLINETHICKNESSELEMENT_H

// Stroke thickness at each line vertex, in the order of the index list's non-
// separator entries.

#include "lines/SoLineArrayElement.h"

class SoLineThicknessElement : public SoLineArrayElement<SoLineThicknessElement, float> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoLineThicknessElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoLineThicknessElement() override;
};

#endif // QUILLMAP_SOLINETHICKNESSELEMENT_H
