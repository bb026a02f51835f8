#ifndef QUILLMAP_SOLINESHAPE_H
#define QUILLMAP_SOLINESHAPE_H

// The last node of the line chain: draws the lines of the traversal state as
// strokes, every line vertex a pair of vertices pushed apart sideways on the
// screen by its thickness, consecutive pairs a triangle strip mapped with the
// current texture (a stroke texture). Lines without thicknesses are drawn as
// plain line strips. Oriented strokes can end in round caps.

#include <Inventor/fields/SoSFBool.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoSubNode.h>

class SoLineShape : public SoShape {
    typedef SoShape inherited;

    SO_NODE_HEADER(SoLineShape);

public:
    SoSFBool useSoLineParameterization;
    SoSFBool roundCaps;

    static void initClass(void);
    SoLineShape(void);

    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;

    // Strokes drawn as their outlines (line strips, untextured) instead of
    // filled strips; shared by every instance, set by the viewer.
    static void setLineStripMode(bool on);
    static bool isLineStripMode(void);

protected:
    ~SoLineShape() override;

    void computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) override;
    void generatePrimitives(SoAction* action) override;
};

#endif // QUILLMAP_SOLINESHAPE_H
