// Draws the lines of the traversal state as textured strokes.

#include "lines/SoLineShape.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/bundles/SoMaterialBundle.h>
#include <Inventor/elements/SoGLCoordinateElement.h>
#include <Inventor/elements/SoGLMultiTextureImageElement.h>
#include <Inventor/elements/SoGLNormalElement.h>
#include <Inventor/elements/SoLazyElement.h>
#include <Inventor/elements/SoMaterialBindingElement.h>
#include <Inventor/elements/SoTextureImageElement.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineModifier.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineTextureCoordinateElement.h"
#include "lines/SoLineThicknessElement.h"
#include "lines/SoOrientedCoordinateElement.h"
#include "lines/StrokeGeometry.h"

SO_NODE_SOURCE(SoLineShape);

namespace {

bool lineStripMode = false;

template <class Element>
void registerElement(void)
{
    if (Element::getClassTypeId() == SoType::badType())
        Element::initClass();
}

} // namespace

void SoLineShape::setLineStripMode(bool on) { lineStripMode = on; }
bool SoLineShape::isLineStripMode(void) { return lineStripMode; }

void SoLineShape::initClass(void)
{
    registerElement<SoLineCoordinateIndexElement>();
    registerElement<SoLineParameterizationElement>();
    registerElement<SoLineTextureCoordinateElement>();
    registerElement<SoLineThicknessElement>();
    registerElement<SoOrientedCoordinateElement>();
    SO_NODE_INIT_CLASS(SoLineShape, SoShape, "Shape");
    SO_ENABLE(SoGLRenderAction, SoGLCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoGLNormalElement);
    SO_ENABLE(SoGLRenderAction, SoGLMultiTextureImageElement);
    SO_ENABLE(SoGLRenderAction, SoOrientedCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineThicknessElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineTextureCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoMaterialBindingElement);
    SO_ENABLE(SoGLRenderAction, SoLineParameterizationElement);
}

SoLineShape::SoLineShape(void)
{
    SO_NODE_CONSTRUCTOR(SoLineShape);
    // TRUE takes the texture coordinates from the line parameterization
    // (separators left out) instead of the texture coordinate element.
    // Default FALSE.
    SO_NODE_ADD_FIELD(useSoLineParameterization, (FALSE));
    // TRUE closes the open ends of oriented strokes with half discs as wide
    // as the stroke's end. Default FALSE.
    SO_NODE_ADD_FIELD(roundCaps, (FALSE));
}

SoLineShape::~SoLineShape()
{
}

void SoLineShape::callback(SoCallbackAction*)
{
    // Strokes exist only on screen; a callback traversal sees nothing.
}

void SoLineShape::computeBBox(SoAction*, SbBox3f& box, SbVec3f& center)
{
    box.makeEmpty();
    center.setValue(0.0f, 0.0f, 0.0f);
}

void SoLineShape::generatePrimitives(SoAction*)
{
}

void SoLineShape::GLRender(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    const SoGLNormalElement* normals = static_cast<const SoGLNormalElement*>(SoNormalElement::getInstance(state));
    const int32_t normalCount = normals->getNum();

    StrokeInput in;
    in.pointCount = coordinates->getNum();
    in.indices = SoLineCoordinateIndexElement::get(state, in.indexCount);
    in.directions = SoOrientedCoordinateElement::get(state, in.directionCount);
    in.thicknesses = SoLineThicknessElement::get(state, in.thicknessCount);
    std::vector<float> parameters;
    if (useSoLineParameterization.getValue()) {
        int32_t count = 0;
        const float* values = SoLineParameterizationElement::get(state, count);
        for (int32_t i = 0; values != nullptr && i < count; ++i)
            if (values[i] != -1.0f)
                parameters.push_back(values[i]);
        in.texture = parameters.data();
        in.textureCount = int32_t(parameters.size());
    } else {
        in.texture = SoLineTextureCoordinateElement::get(state, in.textureCount);
    }
    if (in.indices == nullptr)
        in.indexCount = 0;
    if (in.directions == nullptr)
        in.directionCount = 0;
    if (in.thicknesses == nullptr)
        in.thicknessCount = 0;
    if (in.texture == nullptr)
        in.textureCount = 0;
    if (in.indexCount <= 2 || in.pointCount < 2)
        return;
    // Homogeneous coordinates are brought to 3D once; 3D ones are read in place.
    std::vector<SbVec3f> points;
    if (coordinates->is3D()) {
        in.points = coordinates->getArrayPtr3();
    } else {
        points.resize(size_t(in.pointCount));
        for (int32_t i = 0; i < in.pointCount; ++i)
            points[size_t(i)] = coordinates->get3(i);
        in.points = points.data();
    }

    SoMaterialBundle material(action);
    material.sendFirst();
    const bool perVertexMaterial =
        SoMaterialBindingElement::get(state) == SoMaterialBindingElement::PER_VERTEX;
    const int32_t materialCount = SoLazyElement::getInstance(state)->getNumDiffuse();

    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    if (normalCount > 0)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    const bool textured = in.textureCount > 0;
    if (textured) {
        SbVec2s size;
        int components = 0;
        SoTextureImageElement::Wrap wrapS, wrapT;
        SoTextureImageElement::Model model;
        SbColor blendColor;
        SoTextureImageElement::get(state, 0, size, components, wrapS, wrapT, model, blendColor);
        if (model == SoTextureImageElement::MODULATE || model == SoTextureImageElement::BLEND) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glEnable(GL_TEXTURE_2D);
    }

    StrokeStrips strips;
    GLenum primitive = GL_LINE_STRIP;
    bool printAlways = false;
    if (in.thicknessCount == 0) {
        buildLineStrips(in, strips);
    } else {
        const bool oriented = in.directionCount > 0;
        buildStrokes(in, SoLineModifier::screenProjection(state), oriented, strips, roundCaps.getValue() != FALSE);
        primitive = GL_TRIANGLE_STRIP;
        if (oriented && lineStripMode) {
            primitive = GL_LINE_STRIP;
            glDisable(GL_TEXTURE_2D);
        }
        printAlways = !oriented;
    }

    size_t next = 0;
    for (int32_t length : strips.lengths) {
        glBegin(primitive);
        for (int32_t i = 0; i < length; ++i, ++next) {
            const StrokeVertex& v = strips.vertices[next];
            const bool first = in.thicknessCount == 0 || (i % 2 == 0);
            if (first) {
                if (perVertexMaterial && v.vertex < materialCount)
                    material.send(v.vertex, TRUE);
                if (normalCount > 0 && v.vertex < normalCount)
                    normals->send(v.vertex);
                if (v.texture >= 0 && in.thicknessCount > 0 && !v.cap) {
                    const float u = v.s;
                    if (printAlways)
                        std::printf("glTexCoord2f(%d)(%.3f) ", v.texture, double(u));
                    else if (!(u >= 0.0f && u <= 1.0f))
                        std::printf("wrong glTexCoord2f(%d)(%.3f) ", v.texture, double(u));
                }
            }
            if (v.texture >= 0)
                glTexCoord2f(v.s, v.t);
            glVertex3fv(v.position.getValue());
        }
        glEnd();
    }

    glPopAttrib();
}
