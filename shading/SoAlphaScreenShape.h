#ifndef QUILLMAP_SHADING_SOALPHASCREENSHAPE_H
#define QUILLMAP_SHADING_SOALPHASCREENSHAPE_H

// Draws the triangle strips of coordIndex twice: flat in a light colour, then
// textured with the vertex illumination as alpha and an alpha test, so that
// the texture above the shape (a screen) shows only where the surface is
// dark. Texture coordinates come from the state when there are any, else the
// texture is projected onto the screen.

#include <Inventor/fields/SoSFColor.h>
#include <Inventor/nodes/SoIndexedShape.h>
#include <Inventor/nodes/SoSubNode.h>

class SoAlphaScreenShape : public SoIndexedShape {
    typedef SoIndexedShape inherited;

    SO_NODE_HEADER(SoAlphaScreenShape);

public:
    SoSFColor lightColor;

    static void initClass(void);
    SoAlphaScreenShape(void);

    void GLRender(SoGLRenderAction* action) override;

    // The alpha below which the screen pass draws: 100/256.
    static float alphaReference(void);

protected:
    ~SoAlphaScreenShape() override;

    void generatePrimitives(SoAction* action) override;
    void computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) override;

private:
    void drawStrips(SoState* state, bool screenPass);
    // Reports entries of coordIndex past the coordinates once per list.
    void checkIndices(int numCoords);
    int reportedBad = 0;
    int reportedFirst = -1;
};

#endif // QUILLMAP_SHADING_SOALPHASCREENSHAPE_H
