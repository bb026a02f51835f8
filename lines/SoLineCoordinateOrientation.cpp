// The line node that gives every line vertex its stroke direction on screen.

#include "lines/SoLineCoordinateOrientation.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoPickAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cstdio>
#include <vector>

#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoOrientedCoordinateElement.h"
#include "lines/StrokeDirections.h"

SO_NODE_SOURCE(SoLineCoordinateOrientation);

void SoLineCoordinateOrientation::initClass(void)
{
    SO_NODE_INIT_CLASS(SoLineCoordinateOrientation, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoOrientedCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoOrientedCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoPickAction, SoOrientedCoordinateElement);
    SO_ENABLE(SoPickAction, SoCoordinateElement);
    SO_ENABLE(SoPickAction, SoLineCoordinateIndexElement);
}

SoLineCoordinateOrientation::SoLineCoordinateOrientation(void)
{
    SO_NODE_CONSTRUCTOR(SoLineCoordinateOrientation);
}

SoLineCoordinateOrientation::~SoLineCoordinateOrientation()
{
}

void SoLineCoordinateOrientation::pick(SoPickAction*)
{
}

void SoLineCoordinateOrientation::doAction(SoAction* action)
{
    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    const int32_t pointCount = coordinates->getNum();
    if (indices == nullptr || pointCount < 2 || count < 2)
        return;

    const ScreenProjection projection = screenProjection(state);
    std::vector<SbVec2f> screen(static_cast<size_t>(pointCount));
    for (int32_t i = 0; i < pointCount; ++i)
        screen[size_t(i)] = projection.project(coordinates->get3(i));

    std::vector<SbVec2f> directions;
    const StrokeDirectionsReport report =
        computeStrokeDirections(indices, count, screen.data(), pointCount, directions);
    for (int32_t start : report.emptyStrips)
        std::printf("processing strip %d->%d\n", start, start - 1);
    if (report.outOfRange > 0)
        SoDebugError::post("SoLineCoordinateOrientation::doAction",
                           "%d index entries name no coordinate (the first at position %d, index %d, of %d "
                           "coordinates); their directions are zero",
                           report.outOfRange, report.firstOutOfRange, indices[report.firstOutOfRange], pointCount);
    if (report.oddSeparators > 0)
        SoDebugError::postWarning("SoLineCoordinateOrientation::doAction",
                                  "%d negative index entries other than -1 (the first at position %d, value %d) "
                                  "taken as strip ends",
                                  report.oddSeparators, report.firstOddSeparator, indices[report.firstOddSeparator]);

    directionsOutput.setNum(int32_t(directions.size()));
    directionsOutput.setValues(0, int32_t(directions.size()), directions.data());
    SoOrientedCoordinateElement::set(state, this, directionsOutput.getNum(), directionsOutput.getValues(0));
}
