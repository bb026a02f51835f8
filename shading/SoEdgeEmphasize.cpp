// The separator that outlines the shapes below it.

#include "shading/SoEdgeEmphasize.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoDepthBufferElement.h>
#include <Inventor/elements/SoGLLazyElement.h>
#include <Inventor/elements/SoLightModelElement.h>
#include <Inventor/elements/SoLineWidthElement.h>
#include <Inventor/elements/SoOverrideElement.h>
#include <Inventor/elements/SoTextureEnabledElement.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/misc/SoState.h>
#include <Inventor/system/gl.h>

SO_NODE_SOURCE(SoEdgeEmphasize);

void SoEdgeEmphasize::initClass(void)
{
    SO_NODE_INIT_CLASS(SoEdgeEmphasize, SoSeparator, "Separator");
    SO_ENABLE(SoGLRenderAction, SoDepthBufferElement);
    SO_ENABLE(SoGLRenderAction, SoLightModelElement);
    SO_ENABLE(SoGLRenderAction, SoLineWidthElement);
    SO_ENABLE(SoGLRenderAction, SoOverrideElement);
    SO_ENABLE(SoGLRenderAction, SoTextureEnabledElement);
    SO_ENABLE(SoGLRenderAction, SoGLLazyElement);
}

SoEdgeEmphasize::SoEdgeEmphasize(void)
{
    SO_NODE_CONSTRUCTOR(SoEdgeEmphasize);
    // The colour of the outlines, whatever the materials below. Default black.
    SO_NODE_ADD_FIELD(outlineColor, (0.0f, 0.0f, 0.0f));
    // The width of the outlines in pixels; 0 or less draws the children once
    // and no outline. Default 1.5.
    SO_NODE_ADD_FIELD(outlineWidth, (1.5f));
    // glPolygonOffset factor of the outline lines. Default 1.
    SO_NODE_ADD_FIELD(polygonOffsetFactor, (1.0f));
    // glPolygonOffset units of the outline lines; negative pulls them towards
    // the viewer, over the front faces next to the silhouette. Default -1.
    SO_NODE_ADD_FIELD(polygonOffsetUnits, (-1.0f));
}

SoEdgeEmphasize::~SoEdgeEmphasize()
{
}

void SoEdgeEmphasize::GLRenderBelowPath(SoGLRenderAction* action)
{
    if (getNumChildren() == 0)
        return;
    inherited::GLRenderBelowPath(action);
    if (!(outlineWidth.getValue() > 0.0f))
        return;
    SoState* state = action->getState();
    state->push();
    outlinePass(action);
    state->pop();
}

void SoEdgeEmphasize::outlinePass(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_LINE_BIT);

    // The lines need the depth of the first pass, whatever the state says
    // about the depth test.
    SbBool depthTest = TRUE, depthWrite = TRUE;
    SoDepthBufferElement::DepthWriteFunction function = SoDepthBufferElement::LEQUAL;
    SbVec2f range(0.0f, 1.0f);
    SoDepthBufferElement::get(state, depthTest, depthWrite, function, range);
    SoDepthBufferElement::set(state, TRUE, FALSE, SoDepthBufferElement::LEQUAL, range);
    SoLightModelElement::set(state, this, SoLightModelElement::BASE_COLOR);
    SoTextureEnabledElement::set(state, this, FALSE);

    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(polygonOffsetFactor.getValue(), polygonOffsetUnits.getValue());

    if (!outlineWidth.isIgnored() && !SoOverrideElement::getLineWidthOverride(state))
        SoLineWidthElement::set(state, this, outlineWidth.getValue());
    // Coin sends the line width for line shapes only; polygons drawn as lines
    // take whatever GL has.
    glLineWidth(SoLineWidthElement::get(state));
    if (!outlineColor.isIgnored() && !SoOverrideElement::getDiffuseColorOverride(state)) {
        SoLazyElement::setDiffuse(state, this, 1, &outlineColor.getValue(), &colorPacker);
        SoOverrideElement::setDiffuseColorOverride(state, this, TRUE);
    }

    // The children again, past this separator's render cache, which holds
    // the first pass; caches below depend on the light model, colour and
    // override changed here and are not taken for this pass.
    getChildren()->traverse(action);

    glPopAttrib();
    // GL has the attributes of before the pass again; Coin's record of them
    // must not keep what the pass set.
    SoGLLazyElement::getInstance(state)->reset(state, SoLazyElement::ALL_MASK);
}
