#ifndef QUILLMAP_SOLINEPARAMETERIZATIONELEMENT_H
#define QUILLMAP_SOLINEPARAMETERIZATIONELEMENT_H

// Parameter of each index-list entry along its strip: 0 at the first vertex, 1
// at the last, proportional to screen length; -1 at the separators. Present
// only when it holds more than one entry.

#include "lines/SoLineArrayElement.h"

class SoLineParameterizationElement : public SoLineArrayElement<SoLineParameterizationElement, float> {
    typedef SoReplacedElement inherited;

    SO_ELEMENT_HEADER(SoLineParameterizationElement);

public:
    static void initClass(void);
    void init(SoState* state) override;

protected:
    ~SoLineParameterizationElement() override;
};

#endif // QUILLMAP_SOLINEPARAMETERIZATIONELEMENT_H
