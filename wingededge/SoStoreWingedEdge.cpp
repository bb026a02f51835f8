// Remembers the winged-edge list in force, keyed by this node.

#include "wingededge/SoStoreWingedEdge.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoPickAction.h>
#include <Inventor/misc/SoState.h>

#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/SoWingedEdgeListElement.h"

SO_NODE_SOURCE(SoStoreWingedEdge);

void SoStoreWingedEdge::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    if (SoWingedEdgeListElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeListElement::initClass();
    SO_NODE_INIT_CLASS(SoStoreWingedEdge, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeListElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeListElement);
}

SoStoreWingedEdge::SoStoreWingedEdge(void)
{
    SO_NODE_CONSTRUCTOR(SoStoreWingedEdge);
    // This node, for a select node's PointerOfStoreWEField to name (a file
    // can USE it). Default: the node itself.
    SO_NODE_ADD_FIELD(PointerOfMeField, (nullptr));
    // The field does not keep its own node alive: a node that referenced
    // itself would never be freed.
    PointerOfMeField.setValue(this);
    unrefNoDelete();
}

SoStoreWingedEdge::~SoStoreWingedEdge()
{
    // Let the field go of this node without freeing it a second time.
    ref();
    ref();
    PointerOfMeField.setValue(nullptr);
    unrefNoDelete();
}

void SoStoreWingedEdge::store(SoAction* action)
{
    SoState* state = action->getState();
    if (!state->isElementEnabled(SoWingedEdgeListElement::getClassStackIndex()) ||
        !state->isElementEnabled(SoWingedEdgeElement::getClassStackIndex()))
        return;
    SoWingedEdgeListElement::set(state, this, this, SoWingedEdgeElement::get(state));
}

void SoStoreWingedEdge::GLRender(SoGLRenderAction* action)
{
    store(action);
    inherited::GLRender(action);
}

void SoStoreWingedEdge::callback(SoCallbackAction* action)
{
    store(action);
    inherited::callback(action);
}

void SoStoreWingedEdge::pick(SoPickAction* action)
{
    store(action);
    inherited::pick(action);
}

void SoStoreWingedEdge::getBoundingBox(SoGetBoundingBoxAction* action)
{
    store(action);
    inherited::getBoundingBox(action);
}
