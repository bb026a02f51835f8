// The line node that removes the hidden parts of the lines.

#include "lines/SoLineHiddenLineRemover.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoCoordinateElement.h>

#include <vector>

#include "lines/GLDepthSource.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLineHiddenLineRemover);

void SoLineHiddenLineRemover::initClass(void)
{
    SO_NODE_INIT_CLASS(SoLineHiddenLineRemover, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
}

SoLineHiddenLineRemover::SoLineHiddenLineRemover(void)
{
    SO_NODE_CONSTRUCTOR(SoLineHiddenLineRemover);
    // Sampling step along the lines' screen projection, in window pixels.
    // Default 6.
    SO_NODE_ADD_FIELD(maximalError, (6.0f));
    // FALSE lets the lines pass unchanged. Default TRUE.
    SO_NODE_ADD_FIELD(active, (TRUE));
}

SoLineHiddenLineRemover::~SoLineHiddenLineRemover()
{
}

void SoLineHiddenLineRemover::doAction(SoAction* action)
{
    if (!active.getValue() || !action->isOfType(SoGLRenderAction::getClassTypeId()))
        return;
    SoState* state = action->getState();
    // The result depends on the depth buffer, which no element tracks: a
    // render cache around this node would replay a stale cut.
    SoCacheElement::invalidate(state);

    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    SplittingInput lines;
    lines.indices = SoLineCoordinateIndexElement::get(state, lines.indexCount);
    lines.parameters = SoLineParameterizationElement::get(state, lines.parameterCount);
    lines.coordinateCount = coordinates->getNum();
    if (lines.indices == nullptr || lines.indexCount < 3 || lines.coordinateCount < 2)
        return;
    // Copied: the coordinates may be homogeneous, and on a second traversal
    // of this node the incoming arrays are its own output fields.
    std::vector<SbVec3f> points(size_t(lines.coordinateCount));
    for (int32_t i = 0; i < lines.coordinateCount; ++i)
        points[size_t(i)] = coordinates->get3(i);
    lines.coordinates = points.data();
    if (lines.parameters == nullptr)
        lines.parameterCount = 0;

    SplitLines out;
    {
        GLDepthSource depth;
        if (!splitter.split(lines, maximalError.getValue(), GLDepthSource::currentObjectToClip(), depth, out))
            return;
    }

    coordinatesOutput.setNum(int(out.coordinates.size()));
    if (!out.coordinates.empty())
        coordinatesOutput.setValues(0, int(out.coordinates.size()), out.coordinates.data());
    SoCoordinateElement::set3(state, this, coordinatesOutput.getNum(), coordinatesOutput.getValues(0));
    indicesOutput.setNum(int(out.indices.size()));
    if (!out.indices.empty())
        indicesOutput.setValues(0, int(out.indices.size()), out.indices.data());
    SoLineCoordinateIndexElement::set(state, this, indicesOutput.getNum(), indicesOutput.getValues(0));
    // A parameterization that came in is replaced: by the one carried along,
    // or, when it did not fit the index list, by none, so that the nodes
    // below never pair it with the new strips.
    if (lines.parameterCount > 1) {
        parametersOutput.setNum(int(out.parameters.size()));
        if (!out.parameters.empty())
            parametersOutput.setValues(0, int(out.parameters.size()), out.parameters.data());
        SoLineParameterizationElement::set(state, this, parametersOutput.getNum(),
                                           out.parameters.empty() ? nullptr : parametersOutput.getValues(0));
    }
}
