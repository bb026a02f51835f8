#ifndef QUILLMAP_SOLINEPERTURBATOR_H
#define QUILLMAP_SOLINEPERTURBATOR_H

// Makes strokes waver: moves the line vertices along a sine or cosine wave
// that runs along each strip on the screen, or by random offsets drawn from
// the standard generator (std::rand; seed it with std::srand for repeatable
// strokes). Only the coordinates change.

#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>

#include "lines/SoLineModifier.h"

class SoLinePerturbator : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLinePerturbator);

public:
    enum PerturbateMethod {
        SINUS = 0,
        COSINUS = 1,
        RANDOM = 2
    };

    SoSFBool fixedEndPoints;
    SoSFFloat numCycles;
    SoSFFloat amplitude;
    SoSFEnum perturbateMethod;

    static void initClass(void);
    SoLinePerturbator(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLinePerturbator() override;

private:
    // What the coordinate element points at after a run.
    SoMFVec3f coordinatesOutput;
};

#endif // QUILLMAP_SOLINEPERTURBATOR_H
