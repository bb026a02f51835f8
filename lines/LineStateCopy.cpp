// Reading the lines in force for the resampling line nodes, and publishing
// what they made of them.

#include "lines/LineStateCopy.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/errors/SoDebugError.h>

#include "lines/LineStrips.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

LineStateCopy::LineStateCopy(SoState* state)
{
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    points.reserve(size_t(coordinates->getNum()));
    for (int32_t i = 0; i < coordinates->getNum(); ++i)
        points.push_back(coordinates->get3(i));
    arrays.points = points.data();
    arrays.pointCount = int32_t(points.size());
    arrays.indices = SoLineCoordinateIndexElement::get(state, arrays.indexCount);
    if (arrays.indices == nullptr)
        arrays.indexCount = 0;
    arrays.parameters = SoLineParameterizationElement::get(state, arrays.parameterCount);
    if (arrays.parameters == nullptr)
        arrays.parameterCount = 0;
}

bool LineStateCopy::parameterized(void) const
{
    return hasParameterization(arrays.parameterCount);
}

void LineStateCopy::report(const char* where, const StripWalkReport& walk) const
{
    const std::string text = walk.describe(arrays.indexCount, arrays.pointCount);
    if (!text.empty())
        SoDebugError::post(where, "%s", text.c_str());
}

void LineStateCopy::report(const char* where, const ResamplingReport& resampling) const
{
    report(where, resampling.strips);
    if (resampling.parametersTooShort)
        SoDebugError::post(where,
                           "the parameterization has %d entries for %d index entries; it was ignored and the "
                           "new lines carry none",
                           int(arrays.parameterCount), int(arrays.indexCount));
    if (resampling.cappedSegments > 0)
        SoDebugError::post(where, "%d segments would have needed more than %d pieces; they got %d",
                           int(resampling.cappedSegments), int(kMaxPiecesPerSegment), int(kMaxPiecesPerSegment));
}

void enableLineStateElements(bool parameterization)
{
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    if (parameterization) {
        SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
        SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    }
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

void publishResampledLines(SoState* state, SoNode* node, const ResampledLines& result, bool parametersInForce,
                           SoMFVec3f& points, SoMFInt32& indices, SoMFFloat& parameters)
{
    points.setNum(int(result.points.size()));
    if (!result.points.empty())
        points.setValues(0, int(result.points.size()), result.points.data());
    indices.setNum(int(result.indices.size()));
    if (!result.indices.empty())
        indices.setValues(0, int(result.indices.size()), result.indices.data());
    parameters.setNum(int(result.parameters.size()));
    if (!result.parameters.empty())
        parameters.setValues(0, int(result.parameters.size()), result.parameters.data());

    SoCoordinateElement::set3(state, node, points.getNum(), points.getValues(0));
    SoLineCoordinateIndexElement::set(state, node, indices.getNum(), indices.getValues(0));
    if (result.parameterized || parametersInForce)
        SoLineParameterizationElement::set(state, node, parameters.getNum(), parameters.getValues(0));
}
