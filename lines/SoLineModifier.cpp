// The base of the line-processing nodes and its screen-space operations.

#include "lines/SoLineModifier.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>

#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineTextureCoordinateElement.h"
#include "lines/SoLineThicknessElement.h"
#include "lines/SoOrientedCoordinateElement.h"

SO_NODE_SOURCE(SoLineModifier);

namespace {

template <class Element>
void registerElement(void)
{
    if (Element::getClassTypeId() == SoType::badType())
        Element::initClass();
}

} // namespace

void SoLineModifier::initClass(void)
{
    registerElement<SoLineCoordinateIndexElement>();
    registerElement<SoLineParameterizationElement>();
    registerElement<SoLineTextureCoordinateElement>();
    registerElement<SoLineThicknessElement>();
    registerElement<SoOrientedCoordinateElement>();
    SO_NODE_INIT_CLASS(SoLineModifier, SoNode, "Node");
    // The line state every line node reads or writes, in both actions that
    // process lines.
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
    SO_ENABLE(SoGLRenderAction, SoLineTextureCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineThicknessElement);
    SO_ENABLE(SoGLRenderAction, SoOrientedCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineParameterizationElement);
    SO_ENABLE(SoCallbackAction, SoLineTextureCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineThicknessElement);
    SO_ENABLE(SoCallbackAction, SoOrientedCoordinateElement);
}

SoLineModifier::SoLineModifier(void)
{
    SO_NODE_CONSTRUCTOR(SoLineModifier);
    // How the nodes that measure lines measure them: in screen units, in
    // pixels or in object space. Default PIXEL_BASED.
    SO_NODE_ADD_FIELD(modifyMethod, (PIXEL_BASED));
    SO_NODE_DEFINE_ENUM_VALUE(ModifyMethod, SCREEN_BASED);
    SO_NODE_DEFINE_ENUM_VALUE(ModifyMethod, PIXEL_BASED);
    SO_NODE_DEFINE_ENUM_VALUE(ModifyMethod, OBJECT_BASED);
    SO_NODE_SET_SF_ENUM_TYPE(modifyMethod, ModifyMethod);
}

SoLineModifier::~SoLineModifier()
{
}

void SoLineModifier::doAction(SoAction*)
{
}

void SoLineModifier::GLRender(SoGLRenderAction* action)
{
    doAction(action);
}

void SoLineModifier::callback(SoCallbackAction* action)
{
    doAction(action);
}

ScreenProjection SoLineModifier::screenProjection(SoState* state)
{
    const SbViewVolume& volume = SoViewVolumeElement::get(state);
    return ScreenProjection(SoModelMatrixElement::get(state), SoViewingMatrixElement::get(state),
                            SoProjectionMatrixElement::get(state),
                            SoViewportRegionElement::get(state).getWindowSize(), volume.getNearDist(),
                            volume.getDepth());
}

SbVec2f SoLineModifier::projectToScreen(SoState* state, const SbVec3f& p)
{
    return screenProjection(state).project(p);
}

float SoLineModifier::screenDistance(SoState* state, const SbVec3f& a, const SbVec3f& b)
{
    return screenProjection(state).distance(a, b);
}

SbVec2f SoLineModifier::screenDifference(SoState* state, const SbVec3f& a, const SbVec3f& b)
{
    return screenProjection(state).difference(a, b);
}

SbVec2f SoLineModifier::perpendicular(const SbVec2f& v)
{
    return ScreenProjection::perpendicular(v);
}

SbVec2f SoLineModifier::screenNormal(SoState* state, const SbVec3f& a, const SbVec3f& b)
{
    return screenProjection(state).normal(a, b);
}

float SoLineModifier::eyeDepth(SoState* state, const SbVec3f& p)
{
    return screenProjection(state).eyeDepth(p);
}

float SoLineModifier::normalizedDepth(SoState* state, const SbVec3f& p)
{
    return screenProjection(state).normalizedDepth(p);
}

SbVec3f SoLineModifier::offsetInScreen(SoState* state, const SbVec3f& p, float dx, float dy)
{
    return screenProjection(state).offset(p, dx, dy);
}
