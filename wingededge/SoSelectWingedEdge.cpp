// Makes the winged-edge list remembered by a store node current again.

#include "wingededge/SoSelectWingedEdge.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/misc/SoState.h>

#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/SoWingedEdgeListElement.h"
#include "wingededge/WingedEdge.h"

SO_NODE_SOURCE(SoSelectWingedEdge);

void SoSelectWingedEdge::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    if (SoWingedEdgeListElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeListElement::initClass();
    SO_NODE_INIT_CLASS(SoSelectWingedEdge, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeListElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeListElement);
}

SoSelectWingedEdge::SoSelectWingedEdge(void)
{
    SO_NODE_CONSTRUCTOR(SoSelectWingedEdge);
    // The SoStoreWingedEdge whose list becomes current. Default null, which
    // leaves no list in force.
    SO_NODE_ADD_FIELD(PointerOfStoreWEField, (nullptr));
}

SoSelectWingedEdge::~SoSelectWingedEdge()
{
}

// A store node not traversed yet, or none, leaves no list: the nodes after
// this one then have nothing to work on.
void SoSelectWingedEdge::select(SoAction* action)
{
    SoState* state = action->getState();
    if (!state->isElementEnabled(SoWingedEdgeListElement::getClassStackIndex()) ||
        !state->isElementEnabled(SoWingedEdgeElement::getClassStackIndex()))
        return;
    void* list = SoWingedEdgeListElement::get(state, PointerOfStoreWEField.getValue());
    SoWingedEdgeElement::set(state, this, static_cast<WingedEdgeList*>(list));
}

void SoSelectWingedEdge::GLRender(SoGLRenderAction* action)
{
    select(action);
    inherited::GLRender(action);
}

void SoSelectWingedEdge::callback(SoCallbackAction* action)
{
    select(action);
    inherited::callback(action);
}
