// The stopwatch group: times its children while rendering.

#include "util/SoStopWatch.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cstdio>

#include "util/StopWatchClock.h"

SO_NODE_SOURCE(SoStopWatch);

namespace {

SoStopWatch::Clock currentClock = stopWatchMilliseconds;

} // namespace

void SoStopWatch::initClass(void)
{
    SO_NODE_INIT_CLASS(SoStopWatch, SoGroup, "Group");
}

SoStopWatch::SoStopWatch(void)
    : ring(20), ringFor(20), factorSeen(100)
{
    SO_NODE_CONSTRUCTOR(SoStopWatch);
    // How many of the most recent times are averaged. A new value discards
    // the times measured so far; values below 1 average the last time alone.
    // Default 20.
    SO_NODE_ADD_FIELD(averageNumber, (20));
    // Time resolution: times are whole multiples of 1 / factor milliseconds.
    // Values below 1 measure whole milliseconds. Default 100.
    SO_NODE_ADD_FIELD(factor, (100));
    // Printed before the average. Default "time taken".
    SO_NODE_ADD_FIELD(label, ("time taken"));
}

SoStopWatch::~SoStopWatch()
{
}

void SoStopWatch::setClock(Clock clock)
{
    currentClock = clock != nullptr ? clock : stopWatchMilliseconds;
}

void SoStopWatch::GLRender(SoGLRenderAction* action)
{
    static const char* const where = "SoStopWatch::GLRender";
    const int32_t wanted = averageNumber.getValue();
    if (wanted != ringFor) {
        if (wanted < 1)
            SoDebugError::post(where, "averageNumber %d is less than 1; each printed time is the last one alone",
                               int(wanted));
        ring.reset(wanted);
        ringFor = wanted;
    }
    int32_t resolution = factor.getValue();
    if (resolution < 1) {
        if (resolution != factorSeen)
            SoDebugError::post(where, "factor %d is less than 1; times are measured in whole milliseconds",
                               int(resolution));
        resolution = 1;
    }
    factorSeen = factor.getValue();
    // A cache above would render the children without visiting this node.
    SoCacheElement::invalidate(action->getState());

    const double start = currentClock(resolution);
    inherited::GLRender(action);
    const double stop = currentClock(resolution);
    const double average = ring.add(stop - start);
    std::printf("%s %g\n", label.getValue().getString(), average);
    std::fflush(stdout);
}
