// Publishes the normalized screen arc length of every line index entry.

#include "lines/SoLineParameterization.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>

#include "lines/ArcLength.h"
#include "lines/LineVertexMeasure.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLineParameterization);

void SoLineParameterization::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineParameterization, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    // The screen projection of the vertices.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

SoLineParameterization::SoLineParameterization(void)
{
    SO_NODE_CONSTRUCTOR(SoLineParameterization);
}

SoLineParameterization::~SoLineParameterization()
{
}

void SoLineParameterization::doAction(SoAction* action)
{
    SoState* state = action->getState();
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    const LineVertexMeasure measure(state);
    if (indices == nullptr || !canParameterizeLines(measure.coordinateCount(), count))
        return;

    parameters.setNum(count);
    parameterizeLines(indices, count, [&measure](int32_t a, int32_t b) { return measure.distance(a, b); },
                      parameters.startEditing());
    parameters.finishEditing();
    measure.reportBadIndices("SoLineParameterization::doAction");
    SoLineParameterizationElement::set(state, this, count, parameters.getValues(0));
}
