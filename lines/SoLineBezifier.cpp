// The line node that replaces segments by sampled Bezier curves.

#include "lines/SoLineBezifier.h"

#include <Inventor/actions/SoAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cmath>
#include <cstdio>

#include "lines/LineResampling.h"
#include "lines/LineStateCopy.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLineBezifier);

void SoLineBezifier::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineBezifier, SoLineModifier, "Node");
    enableLineStateElements(true);
}

SoLineBezifier::SoLineBezifier(void)
{
    SO_NODE_CONSTRUCTOR(SoLineBezifier);
    // Length of the curve's tangents at the segment's ends, as a fraction of
    // the segment's length. Default 0.25.
    SO_NODE_ADD_FIELD(fitness, (0.25f));
    // With modifyMethod PIXEL_BASED the screen length (two units per pixel)
    // of one curve piece, so that a segment gets trunc(length / segments)
    // pieces; otherwise the number of pieces per segment. At least 1.
    // Default 8.
    SO_NODE_ADD_FIELD(segments, (8));
}

SoLineBezifier::~SoLineBezifier()
{
}

void SoLineBezifier::doAction(SoAction* action)
{
    static const char* const where = "SoLineBezifier::doAction";
    SoState* state = action->getState();
    const LineStateCopy in(state);
    if (in.lines().indexCount < 3 || in.lines().pointCount < 2)
        return;

    BezierSettings settings;
    settings.fitness = fitness.getValue();
    settings.segments = segments.getValue();
    if (!std::isfinite(settings.fitness)) {
        SoDebugError::post(where, "fitness %g is not a finite number; the lines pass unchanged", settings.fitness);
        return;
    }
    if (settings.segments < 1) {
        SoDebugError::post(where, "segments %d is less than 1; the lines pass unchanged", int(settings.segments));
        return;
    }
    switch (modifyMethod.getValue()) {
    case PIXEL_BASED:
        settings.perScreenLength = true;
        break;
    case SCREEN_BASED:
        std::printf("BEZIFIER WARNING! SCREEN_BASED method not implemented!\n");
        settings.perScreenLength = false;
        break;
    case OBJECT_BASED:
        settings.perScreenLength = false;
        break;
    default:
        SoDebugError::post(where, "modifyMethod %d names no method; the lines pass unchanged",
                           modifyMethod.getValue());
        return;
    }

    ResampledLines out;
    const ResamplingReport report = fitBezierCurves(in.lines(), screenProjection(state), settings, out);
    for (int32_t n : report.pieceCounts)
        std::printf("bez:segments=%d\n", int(n));
    for (int32_t k = 0; k < report.strips.emptyStrips; ++k)
        std::printf("ERROR! linecoordindex->get(end) == -1\n");
    std::fflush(stdout);
    in.report(where, report);
    publishResampledLines(state, this, out, in.parameterized(), coordinatesOutput, indicesOutput, parametersOutput);
}
