// Publishes the thicknesses in force scaled by the taper profile of the
// line parameterization.

#include "lines/SoLineTaper.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lines/ArcLength.h"
#include "lines/LineStrips.h"
#include "lines/LineTaper.h"
#include "lines/LineVertexMeasure.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineThicknessElement.h"

SO_NODE_SOURCE(SoLineTaper);

void SoLineTaper::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineTaper, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
    SO_ENABLE(SoGLRenderAction, SoLineThicknessElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    SO_ENABLE(SoCallbackAction, SoLineThicknessElement);
    // Measuring the strips on the screen when no parameterization is in force.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

SoLineTaper::SoLineTaper(void)
{
    SO_NODE_CONSTRUCTOR(SoLineTaper);
    // Width at a tapered end as a fraction of the full width, 0 to 1.
    // Default 0.1.
    SO_NODE_ADD_FIELD(endWidth, (0.1f));
    // Part of the strip, by its parameter (0 at the start, 1 at the end), over
    // which an end widens to the full width. Default 0.15.
    SO_NODE_ADD_FIELD(taperLength, (0.15f));
    // Which ends taper: BOTH, only the START or only the END. Default BOTH.
    SO_NODE_ADD_FIELD(taperEnds, (BOTH));
    SO_NODE_DEFINE_ENUM_VALUE(TaperEnds, BOTH);
    SO_NODE_DEFINE_ENUM_VALUE(TaperEnds, START);
    SO_NODE_DEFINE_ENUM_VALUE(TaperEnds, END);
    SO_NODE_SET_SF_ENUM_TYPE(taperEnds, TaperEnds);
}

SoLineTaper::~SoLineTaper()
{
}

void SoLineTaper::doAction(SoAction* action)
{
    static const char* const where = "SoLineTaper::doAction";
    SoState* state = action->getState();
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    int32_t incomingCount = 0;
    const float* incoming = SoLineThicknessElement::get(state, incomingCount);
    // Without thicknesses the strokes are drawn as plain lines; nothing to taper.
    if (indices == nullptr || count < 2 || incoming == nullptr || incomingCount <= 0)
        return;

    TaperSettings settings;
    settings.endWidth = endWidth.getValue();
    settings.taperLength = taperLength.getValue();
    if (!std::isfinite(settings.endWidth) || !std::isfinite(settings.taperLength) || settings.taperLength <= 0.0f) {
        SoDebugError::post(where,
                           "endWidth %g and taperLength %g: taperLength must be a number greater than 0 and endWidth "
                           "a number; the thicknesses are left as they are",
                           double(settings.endWidth), double(settings.taperLength));
        return;
    }
    if (settings.endWidth < 0.0f || settings.endWidth > 1.0f) {
        SoDebugError::post(where, "endWidth %g is not between 0 and 1; %g used", double(settings.endWidth),
                           double(std::min(std::max(settings.endWidth, 0.0f), 1.0f)));
        settings.endWidth = std::min(std::max(settings.endWidth, 0.0f), 1.0f);
    }
    switch (taperEnds.getValue()) {
    case START:
        settings.ends = ::TaperEnds::Start;
        break;
    case END:
        settings.ends = ::TaperEnds::End;
        break;
    case BOTH:
        break;
    default:
        SoDebugError::post(where, "unknown taperEnds %d; BOTH used", taperEnds.getValue());
        break;
    }

    const int32_t vertices = countVertexEntries(indices, count);
    if (incomingCount < vertices)
        SoDebugError::post(where, "%d thicknesses for %d line vertices; the vertices past them are not tapered",
                           int(incomingCount), int(vertices));

    // The strips' parameters: the parameterization in force, or the screen
    // arc length measured here when there is none (or it does not fit).
    const LineVertexMeasure measure(state);
    int32_t parameterCount = 0;
    const float* parameters = SoLineParameterizationElement::get(state, parameterCount);
    std::vector<float> measured;
    if (parameters == nullptr || !hasParameterization(parameterCount) || parameterCount != count) {
        if (parameters != nullptr && hasParameterization(parameterCount))
            SoDebugError::post(where,
                               "the parameterization has %d entries for %d index entries; the strips are measured "
                               "on the screen instead",
                               int(parameterCount), int(count));
        measured.resize(size_t(count));
        parameterizeLines(indices, count, [&measure](int32_t a, int32_t b) { return measure.distance(a, b); },
                          measured.data());
        parameters = measured.data();
    }

    // Closed strips are told by their end points; homogeneous coordinates
    // are brought to 3D for that, 3D ones are read in place.
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    const int32_t pointCount = std::max(measure.coordinateCount(), 0);
    std::vector<SbVec3f> converted;
    const SbVec3f* points = nullptr;
    if (coordinates->is3D()) {
        points = coordinates->getArrayPtr3();
    } else {
        converted.resize(size_t(pointCount));
        for (int32_t i = 0; i < pointCount; ++i)
            converted[size_t(i)] = coordinates->get3(i);
        points = converted.data();
    }

    // Traversed a second time, this node reads back its own list, which
    // resizing may move: copy first.
    std::vector<float> scaled(incoming, incoming + incomingCount);
    taperLines(indices, count, parameters, points, pointCount, settings, scaled.data(), incomingCount);
    thicknesses.setValues(0, incomingCount, scaled.data());
    thicknesses.setNum(incomingCount);
    measure.reportBadIndices(where);
    SoLineThicknessElement::set(state, this, incomingCount, thicknesses.getValues(0));
}
