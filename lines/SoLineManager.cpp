// The line node that publishes the lines of its own fields.

#include "lines/SoLineManager.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cstdio>

#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineModifier.h"

SO_NODE_SOURCE(SoLineManager);

void SoLineManager::initClass(void)
{
    // The line elements are registered with the line-modifier base.
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineManager, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoNormalElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoNormalElement);
}

SoLineManager::SoLineManager(void)
{
    SO_NODE_CONSTRUCTOR(SoLineManager);
    // The line vertices. Default one point at the origin.
    SO_NODE_ADD_FIELD(coordinates, (SbVec3f(0.0f, 0.0f, 0.0f)));
    // Strips of indices into `coordinates`, each ended by -1. A last strip
    // without its -1 gets one, in this field, on the first run. Default -1.
    SO_NODE_ADD_FIELD(coordinateIndices, (-1));
    // Normals handed to the normal element with the lines whenever the
    // field holds at least one. Default one zero vector.
    SO_NODE_ADD_FIELD(normals, (SbVec3f(0.0f, 0.0f, 0.0f)));
}

SoLineManager::~SoLineManager()
{
}

void SoLineManager::GLRender(SoGLRenderAction* action)
{
    doAction(action);
}

void SoLineManager::callback(SoCallbackAction* action)
{
    doAction(action);
}

void SoLineManager::doAction(SoAction* action)
{
    const int points = coordinates.getNum();
    const int count = coordinateIndices.getNum();
    if (points < 2 || count < 2)
        return;
    if (coordinateIndices[count - 1] != -1) {
        std::printf("[adding temp end marker]\n");
        std::fflush(stdout);
        coordinateIndices.set1Value(count, -1);
    }
    // Published as they are; the nodes below leave out strips that name
    // missing coordinates, and this says where they came from.
    const int32_t* indices = coordinateIndices.getValues(0);
    for (int i = 0; i < coordinateIndices.getNum(); ++i) {
        if (indices[i] >= points || indices[i] < -1) {
            SoDebugError::postWarning("SoLineManager::doAction",
                                      "coordinateIndices[%d] is %d, which names no coordinate (there are %d)", i,
                                      int(indices[i]), points);
            break;
        }
    }
    SoState* state = action->getState();
    SoCoordinateElement::set3(state, this, points, coordinates.getValues(0));
    SoLineCoordinateIndexElement::set(state, this, coordinateIndices.getNum(), indices);
    if (normals.getNum() > 0)
        SoNormalElement::set(state, this, normals.getNum(), normals.getValues(0));
}
