#ifndef QUILLMAP_UTIL_SOSTOPWATCH_H
#define QUILLMAP_UTIL_SOSTOPWATCH_H

// A group that times the rendering of its children and prints the running
// average of the last `averageNumber` times, in milliseconds, after `label`,
// one line per render.

#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSubNode.h>

#include "util/MeasurementRing.h"

class SoStopWatch : public SoGroup {
    typedef SoGroup inherited;

    SO_NODE_HEADER(SoStopWatch);

public:
    SoSFInt32 averageNumber;
    SoSFInt32 factor;
    SoSFString label;

    static void initClass(void);
    SoStopWatch(void);

    void GLRender(SoGLRenderAction* action) override;

    // The clock every stopwatch reads: milliseconds as whole multiples of
    // 1 / factor. Null restores the system's monotonic clock.
    typedef double (*Clock)(int32_t factor);
    static void setClock(Clock clock);

protected:
    ~SoStopWatch() override;

private:
    MeasurementRing ring;
    // The averageNumber and factor the ring and clock were last set up for,
    // so that a change resets the ring and a bad value is reported once.
    int32_t ringFor;
    int32_t factorSeen;
};

#endif // QUILLMAP_UTIL_SOSTOPWATCH_H
