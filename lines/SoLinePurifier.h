#ifndef QUILLMAP_SOLINEPURIFIER_H
#define QUILLMAP_SOLINEPURIFIER_H

// Removes artifacts from the line strips in the traversal state before they
// are stylized: segments too short to be seen, short zig-zags, hairpin turns
// or short pieces, one clean-up per node. Several purifiers in a row apply
// several clean-ups; each can be switched off on its own.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>

#include "lines/SoLineModifier.h"

class SoLinePurifier : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLinePurifier);

public:
    enum PurifyMethod {
        ELIMINATE_SUBPIXEL_LENGTHS = 0,
        ELIMINATE_ZIG_ZAGS = 1,
        ELIMINATE_SHARP_ANGLES = 2,
        ELIMINATE_SHORT_SEGMENTS = 3
    };

    SoSFFloat threshold;
    SoSFEnum purifyMethod;
    SoSFBool active;

    static void initClass(void);
    SoLinePurifier(void);

    void doAction(SoAction* action) override;

    // The threshold a negative `threshold` stands for under `method`: screen
    // units for lengths, degrees for angles; -1 for a value that names no method.
    static float defaultThreshold(int method);

protected:
    ~SoLinePurifier() override;

private:
    // What the elements point at after a run, valid until the next one.
    SoMFVec3f coordinatesOutput;
    SoMFInt32 indicesOutput;
    SoMFFloat parametersOutput;
};

#endif // QUILLMAP_SOLINEPURIFIER_H
