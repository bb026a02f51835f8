#ifndef QUILLMAP_SOLINEPARAMETERIZATION_H
#define QUILLMAP_SOLINEPARAMETERIZATION_H

// Gives every entry of the line index list its normalized arc length along
// its strip, measured on the screen: 0 at a strip's first vertex, 1 at its
// last, -1 at the separators. Later nodes that cut or thin the lines carry
// the parameter along, so strokes keep their texture as they are cut.

#include <Inventor/fields/SoMFFloat.h>

#include "lines/SoLineModifier.h"

class SoLineParameterization : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineParameterization);

public:
    static void initClass(void);
    SoLineParameterization(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineParameterization() override;

private:
    // What the parameterization element points at.
    SoMFFloat parameters;
};

#endif // QUILLMAP_SOLINEPARAMETERIZATION_H
