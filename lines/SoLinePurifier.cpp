// The line node that purifies the strips in the traversal state with one of
// the methods of LinePurification.h.

#include "lines/SoLinePurifier.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cmath>
#include <vector>

#include "lines/LinePurification.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLinePurifier);

namespace {

const char* const kWhere = "SoLinePurifier::doAction";

// Posts what the pass repaired in its input.
void reportRepairs(const PurificationReport& report, int32_t indexCount, int32_t pointCount, int32_t parameterCount)
{
    if (report.oddSeparators > 0)
        SoDebugError::postWarning(kWhere,
                                  "%d negative index entries other than -1 (the first at position %d) were taken "
                                  "as strip ends and written as -1",
                                  int(report.oddSeparators), int(report.firstOddSeparator));
    if (report.unterminated)
        SoDebugError::postWarning(kWhere, "the last strip of the index list (%d entries) lacks its -1; it was closed",
                                  int(indexCount));
    if (report.droppedStrips > 0)
        SoDebugError::post(kWhere,
                           "%d strips name coordinates that do not exist (the first such index is %d, there are %d "
                           "coordinates); they were dropped",
                           int(report.droppedStrips), int(report.firstBadIndex), int(pointCount));
    if (report.parametersTooShort)
        SoDebugError::post(kWhere,
                           "the parameterization has %d entries for %d index entries; it was ignored and the "
                           "purified lines carry none",
                           int(parameterCount), int(indexCount));
}

} // namespace

void SoLinePurifier::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLinePurifier, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    // The screen projection of the vertices.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

SoLinePurifier::SoLinePurifier(void)
{
    SO_NODE_CONSTRUCTOR(SoLinePurifier);
    // The method's parameter: screen units (two per window pixel) for the
    // length methods, degrees for the angle methods. A negative value stands
    // for the method's default and is replaced by it on the first run. Default -1.
    SO_NODE_ADD_FIELD(threshold, (-1.0f));
    // Which clean-up the node applies. Default ELIMINATE_ZIG_ZAGS.
    SO_NODE_ADD_FIELD(purifyMethod, (ELIMINATE_ZIG_ZAGS));
    // FALSE lets the lines pass unchanged. Default TRUE.
    SO_NODE_ADD_FIELD(active, (TRUE));
    SO_NODE_DEFINE_ENUM_VALUE(PurifyMethod, ELIMINATE_SUBPIXEL_LENGTHS);
    SO_NODE_DEFINE_ENUM_VALUE(PurifyMethod, ELIMINATE_ZIG_ZAGS);
    SO_NODE_DEFINE_ENUM_VALUE(PurifyMethod, ELIMINATE_SHARP_ANGLES);
    SO_NODE_DEFINE_ENUM_VALUE(PurifyMethod, ELIMINATE_SHORT_SEGMENTS);
    SO_NODE_SET_SF_ENUM_TYPE(purifyMethod, PurifyMethod);
}

SoLinePurifier::~SoLinePurifier()
{
}

float SoLinePurifier::defaultThreshold(int method)
{
    switch (method) {
    case ELIMINATE_SUBPIXEL_LENGTHS:
        return 2.0f;
    case ELIMINATE_ZIG_ZAGS:
        return 90.0f;
    case ELIMINATE_SHARP_ANGLES:
        return 45.0f;
    case ELIMINATE_SHORT_SEGMENTS:
        return 5.0f;
    default:
        return -1.0f;
    }
}

void SoLinePurifier::doAction(SoAction* action)
{
    if (!active.getValue())
        return;
    const int method = purifyMethod.getValue();
    const float fallback = defaultThreshold(method);
    if (fallback < 0.0f) {
        SoDebugError::post(kWhere, "purifyMethod %d names no purification method; the lines pass unchanged", method);
        return;
    }
    // The default stays in the field, whatever method is chosen later.
    if (threshold.getValue() < 0.0f)
        threshold.setValue(fallback);
    const float limit = threshold.getValue();
    if (!std::isfinite(limit)) {
        SoDebugError::post(kWhere, "threshold %g is not a finite number; the lines pass unchanged", double(limit));
        return;
    }

    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    int32_t indexCount = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, indexCount);
    int32_t parameterCount = 0;
    const float* parameters = SoLineParameterizationElement::get(state, parameterCount);
    const int32_t pointCount = coordinates->getNum();
    if (indices == nullptr || !canPurifyLines(indexCount, pointCount))
        return;

    // Copied and projected before anything is written: on a second traversal
    // of this node the incoming arrays are its own output fields.
    const ScreenProjection projection = screenProjection(state);
    std::vector<SbVec3f> points(size_t(pointCount), SbVec3f(0.0f, 0.0f, 0.0f));
    std::vector<SbVec2f> screen(size_t(pointCount), SbVec2f(0.0f, 0.0f));
    for (int32_t i = 0; i < pointCount; ++i) {
        points[size_t(i)] = coordinates->get3(i);
        screen[size_t(i)] = projection.project(points[size_t(i)]);
    }
    PurificationInput input;
    input.indices = indices;
    input.indexCount = indexCount;
    input.points = points.data();
    input.screen = screen.data();
    input.pointCount = pointCount;
    input.parameters = parameters;
    input.parameterCount = parameters != nullptr ? parameterCount : 0;

    PurifiedLines out;
    PurificationReport report;
    switch (method) {
    case ELIMINATE_SUBPIXEL_LENGTHS:
        report = eliminateSubpixelLengths(input, limit, out);
        break;
    case ELIMINATE_ZIG_ZAGS:
        report = eliminateZigZags(input, limit, out);
        break;
    case ELIMINATE_SHARP_ANGLES:
        report = eliminateSharpAngles(input, limit, out);
        break;
    default:
        report = eliminateShortSegments(input, limit, out);
        break;
    }
    reportRepairs(report, indexCount, pointCount, parameterCount);

    if (out.pointsWritten) {
        coordinatesOutput.setNum(int(out.points.size()));
        if (!out.points.empty())
            coordinatesOutput.setValues(0, int(out.points.size()), out.points.data());
        SoCoordinateElement::set3(state, this, coordinatesOutput.getNum(), coordinatesOutput.getValues(0));
    }
    indicesOutput.setNum(int(out.indices.size()));
    if (!out.indices.empty())
        indicesOutput.setValues(0, int(out.indices.size()), out.indices.data());
    SoLineCoordinateIndexElement::set(state, this, indicesOutput.getNum(), indicesOutput.getValues(0));
    if (out.parameterized) {
        parametersOutput.setNum(int(out.parameters.size()));
        if (!out.parameters.empty())
            parametersOutput.setValues(0, int(out.parameters.size()), out.parameters.data());
        SoLineParameterizationElement::set(state, this, parametersOutput.getNum(), parametersOutput.getValues(0));
    } else if (report.parametersTooShort) {
        // The old parameterization does not fit the new index list; the
        // nodes below must not pair the two.
        parametersOutput.setNum(0);
        SoLineParameterizationElement::set(state, this, 0, nullptr);
    }
}
