#ifndef QUILLMAP_SOLINETAPER_H
#define QUILLMAP_SOLINETAPER_H

// Tapers the strokes at their ends: scales the thickness in force at every
// line vertex by a profile of the vertex's parameter along its strip, full
// width in the middle and falling smoothly to a fraction of it at the ends.
// Closed strips keep their width. Sits after the thickeners.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>

#include "lines/SoLineModifier.h"

class SoLineTaper : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineTaper);

public:
    enum TaperEnds {
        BOTH = 0,
        START = 1,
        END = 2
    };

    SoSFFloat endWidth;
    SoSFFloat taperLength;
    SoSFEnum taperEnds;

    static void initClass(void);
    SoLineTaper(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineTaper() override;

private:
    // What the thickness element points at.
    SoMFFloat thicknesses;
};

#endif // QUILLMAP_SOLINETAPER_H
