#ifndef QUILLMAP_SOLINEBEZIFIER_H
#define QUILLMAP_SOLINEBEZIFIER_H

// Rounds the strips of the line state: every segment becomes a sampled cubic
// Bezier curve whose tangents at the ends follow the neighbouring vertices
// (see LineResampling.h).

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>

#include "lines/SoLineModifier.h"

class SoLineBezifier : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineBezifier);

public:
    SoSFFloat fitness;
    SoSFInt32 segments;

    static void initClass(void);
    SoLineBezifier(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineBezifier() override;

private:
    // What the elements point at after a run, valid until the next one.
    SoMFVec3f coordinatesOutput;
    SoMFInt32 indicesOutput;
    SoMFFloat parametersOutput;
};

#endif // QUILLMAP_SOLINEBEZIFIER_H
