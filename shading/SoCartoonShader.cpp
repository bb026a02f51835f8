// The node that maps per-vertex illumination to ramp texture coordinates.

#include "shading/SoCartoonShader.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoGLTextureMatrixElement.h>
#include <Inventor/elements/SoTextureCoordinateBindingElement.h>
#include <Inventor/elements/SoTextureCoordinateElement.h>
#include <Inventor/elements/SoTextureQualityElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <algorithm>

#include "shading/Illumination.h"
#include "shading/SoIlluminatedGeometryElement.h"

SO_NODE_SOURCE(SoCartoonShader);

void SoCartoonShader::initClass(void)
{
    if (SoIlluminatedGeometryElement::getClassTypeId() == SoType::badType())
        SoIlluminatedGeometryElement::initClass();
    SO_NODE_INIT_CLASS(SoCartoonShader, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoTextureCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoTextureCoordinateBindingElement);
    SO_ENABLE(SoGLRenderAction, SoTextureQualityElement);
    SO_ENABLE(SoGLRenderAction, SoGLTextureMatrixElement);
    SO_ENABLE(SoGLRenderAction, SoIlluminatedGeometryElement);
}

SoCartoonShader::SoCartoonShader(void)
{
    SO_NODE_CONSTRUCTOR(SoCartoonShader);
    // How the ramp is sampled: CRISP (texture quality 0.1, nearest texel, hard
    // tone edges), SMOOTH (0.6, blended edges), ALMOST_REAL (1.0). Default CRISP.
    SO_NODE_ADD_FIELD(cartoonStyle, (CRISP));
    SO_NODE_DEFINE_ENUM_VALUE(CartoonStyle, CRISP);
    SO_NODE_DEFINE_ENUM_VALUE(CartoonStyle, SMOOTH);
    SO_NODE_DEFINE_ENUM_VALUE(CartoonStyle, ALMOST_REAL);
    SO_NODE_SET_SF_ENUM_TYPE(cartoonStyle, CartoonStyle);
    textureCoordinates.setNum(0);
}

SoCartoonShader::~SoCartoonShader()
{
}

float SoCartoonShader::textureQuality(int style)
{
    switch (style) {
    case CRISP: return 0.1f;
    case SMOOTH: return 0.6f;
    case ALMOST_REAL: return 1.0f;
    default: return -1.0f;
    }
}

void SoCartoonShader::GLRender(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    int32_t count = 0;
    const float* values = SoIlluminatedGeometryElement::get(state, count);
    // A shape below takes its texture coordinates by coordinate index unless
    // told otherwise, so there is one for every coordinate in force as well;
    // those past the illumination values are lit fully.
    const int total = std::max(int(count), SoCoordinateElement::getInstance(state)->getNum());
    textureCoordinates.setNum(total);
    SbVec2f* coordinates = textureCoordinates.startEditing();
    for (int k = 0; k < total; ++k)
        coordinates[k].setValue(illuminationAt(values, count, k), 0.0f);
    textureCoordinates.finishEditing();

    SoTextureMatrixElement::makeIdentity(state, this);
    SoTextureCoordinateBindingElement::set(state, this, SoTextureCoordinateBindingElement::PER_VERTEX);
    SoTextureCoordinateElement::set2(state, this, total, textureCoordinates.getValues(0));

    const int style = cartoonStyle.getValue();
    const float quality = textureQuality(style);
    if (quality >= 0.0f) {
        SoTextureQualityElement::set(state, this, quality);
    } else if (style != reportedStyle) {
        SoDebugError::postWarning("SoCartoonShader::GLRender",
                                  "cartoonStyle %d is none of CRISP, SMOOTH, ALMOST_REAL; the texture quality stays",
                                  style);
    }
    reportedStyle = style;
    // The values change with the lights; a cache would keep old coordinates.
    SoCacheElement::invalidate(state);
}
