#ifndef QUILLMAP_SOLINETHICKENER_H
#define QUILLMAP_SOLINETHICKENER_H

// Gives every line vertex a stroke thickness: a constant, one scaled to the
// stroke texture, one that shrinks with depth, or one that narrows where
// another line runs close, so that the outlines of thin parts stay apart. Thickeners add up, so a
// chain of them can build a thickness from several parts.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>

#include "lines/SoLineModifier.h"

class SoLineThickener : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineThickener);

public:
    enum ThickenMethod {
        CONSTANT = 0,
        CONSTANT_TEXTURE_WIDTH = 1,
        CONSTANT_TEXTURE_HEIGHT = 2,
        DEPTH = 3,
        CLEARANCE = 4
    };

    SoSFFloat amplitude;
    SoSFEnum thickenMethod;

    static void initClass(void);
    SoLineThickener(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineThickener() override;

private:
    // What the thickness element points at.
    SoMFFloat thicknesses;
};

#endif // QUILLMAP_SOLINETHICKENER_H
