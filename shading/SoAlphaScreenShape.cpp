// The shape that lays a screen texture over the dark parts of a surface.

#include "shading/SoAlphaScreenShape.h"

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoTextureCoordinateElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/system/gl.h>

#include "shading/Illumination.h"
#include "shading/SoIlluminatedGeometryElement.h"

SO_NODE_SOURCE(SoAlphaScreenShape);

namespace {

// The alpha test's reference, in 256ths.
int alphaTestReference = 100;

// Calls vertex(entry, k) for the k-th non-separator entry of `indices` whose
// coordinate exists, begin() before each strip's first entry and end() after
// its last; a -1 ends a strip, an entry outside the coordinates is left out.
template <class Begin, class Vertex, class End>
void walkStrips(const int32_t* indices, int n, int numCoords, Begin begin, Vertex vertex, End end)
{
    bool open = false;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t c = indices[i];
        if (c == -1) {
            if (open)
                end();
            open = false;
            continue;
        }
        if (c >= 0 && c < numCoords) {
            if (!open)
                begin();
            open = true;
            vertex(c, k);
        }
        ++k;
    }
    if (open)
        end();
}

} // namespace

void SoAlphaScreenShape::initClass(void)
{
    if (SoIlluminatedGeometryElement::getClassTypeId() == SoType::badType())
        SoIlluminatedGeometryElement::initClass();
    SO_NODE_INIT_CLASS(SoAlphaScreenShape, SoIndexedShape, "IndexedShape");
    SO_ENABLE(SoGLRenderAction, SoIlluminatedGeometryElement);
}

SoAlphaScreenShape::SoAlphaScreenShape(void)
{
    SO_NODE_CONSTRUCTOR(SoAlphaScreenShape);
    // The colour of the flat pass, seen where the screen is not drawn.
    // Default white (1, 1, 1).
    SO_NODE_ADD_FIELD(lightColor, (1.0f, 1.0f, 1.0f));
}

SoAlphaScreenShape::~SoAlphaScreenShape()
{
}

float SoAlphaScreenShape::alphaReference(void)
{
    return float(alphaTestReference) / 256.0f;
}

void SoAlphaScreenShape::checkIndices(int numCoords)
{
    int bad = 0, first = -1;
    for (int i = 0; i < coordIndex.getNum(); ++i) {
        const int32_t c = coordIndex[i];
        if (c != -1 && (c < 0 || c >= numCoords) && bad++ == 0)
            first = i;
    }
    if (bad != 0 && (bad != reportedBad || first != reportedFirst))
        SoDebugError::postWarning("SoAlphaScreenShape::GLRender",
                                  "%d entries of coordIndex name no coordinate, the first entry %d (%d of %d); "
                                  "they are left out of their strips",
                                  bad, first, int(coordIndex[first]), numCoords);
    reportedBad = bad;
    reportedFirst = first;
}

void SoAlphaScreenShape::drawStrips(SoState* state, bool screenPass)
{
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    int32_t count = 0;
    const float* illumination = SoIlluminatedGeometryElement::get(state, count);
    const SoTextureCoordinateElement* texture = SoTextureCoordinateElement::getInstance(state);
    const int numTexture = texture->getType() == SoTextureCoordinateElement::EXPLICIT ? texture->getNum() : 0;
    walkStrips(
        coordIndex.getValues(0), coordIndex.getNum(), coordinates->getNum(), [] { glBegin(GL_TRIANGLE_STRIP); },
        [&](int32_t c, int k) {
            if (screenPass) {
                if (numTexture > 0)
                    glTexCoord2fv(k < numTexture ? texture->get2(k).getValue()
                                                 : SbVec2f(kMissingIllumination, 0.0f).getValue());
                glColor4f(1.0f, 1.0f, 1.0f, illuminationAt(illumination, count, k));
            }
            glVertex3fv(coordinates->get3(c).getValue());
        },
        [] { glEnd(); });
}

void SoAlphaScreenShape::GLRender(SoGLRenderAction* action)
{
    if (!shouldGLRender(action))
        return;
    SoState* state = action->getState();
    checkIndices(SoCoordinateElement::getInstance(state)->getNum());
    const SoTextureCoordinateElement* texture = SoTextureCoordinateElement::getInstance(state);
    const bool explicitCoordinates = texture->getType() == SoTextureCoordinateElement::EXPLICIT && texture->getNum() > 0;

    // Current colour, alpha test, texture generation and matrix come back as
    // they were, so Coin's idea of the GL state stays true.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glColor3fv(lightColor.getValue().getValue());
    drawStrips(state, false);

    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    if (!explicitCoordinates) {
        // The texture projected onto the screen: eye coordinates through a
        // frustum, repeated four times across.
        glLoadIdentity();
        glScalef(4.0f, 4.0f, 1.0f);
        glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, 3.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity(); // planes given in eye coordinates
        const GLfloat planes[4][4] = { { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 } };
        const GLenum coords[4] = { GL_S, GL_T, GL_R, GL_Q };
        const GLenum enables[4] = { GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q };
        for (int i = 0; i < 4; ++i) {
            glTexGeni(coords[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
            glTexGenfv(coords[i], GL_EYE_PLANE, planes[i]);
            glEnable(enables[i]);
        }
        glPopMatrix();
    }
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glAlphaFunc(GL_LESS, alphaReference());
    glEnable(GL_ALPHA_TEST);
    drawStrips(state, true);

    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void SoAlphaScreenShape::generatePrimitives(SoAction* action)
{
    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    SoPrimitiveVertex vertex;
    walkStrips(
        coordIndex.getValues(0), coordIndex.getNum(), coordinates->getNum(),
        [&] { beginShape(action, TRIANGLE_STRIP); },
        [&](int32_t c, int) {
            vertex.setPoint(coordinates->get3(c));
            shapeVertex(&vertex);
        },
        [&] { endShape(); });
}

void SoAlphaScreenShape::computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center)
{
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(action->getState());
    box.makeEmpty();
    walkStrips(
        coordIndex.getValues(0), coordIndex.getNum(), coordinates->getNum(), [] {},
        [&](int32_t c, int) { box.extendBy(coordinates->get3(c)); }, [] {});
    center = box.isEmpty() ? SbVec3f(0, 0, 0) : box.getCenter();
}
