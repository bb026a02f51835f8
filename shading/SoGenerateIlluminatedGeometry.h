#ifndef QUILLMAP_SHADING_SOGENERATEILLUMINATEDGEOMETRY_H
#define QUILLMAP_SHADING_SOGENERATEILLUMINATEDGEOMETRY_H

// Computes one diffuse illumination value per triangle-strip vertex from the
// enabled OpenGL lights while rendering, and publishes the values in
// SoIlluminatedGeometryElement for the cartoon nodes that follow.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoGenerateIlluminatedGeometry : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoGenerateIlluminatedGeometry);

public:
    SoMFInt32 normalIndex;
    SoMFInt32 coordIndex;

    static void initClass(void);
    SoGenerateIlluminatedGeometry(void);

    void GLRender(SoGLRenderAction* action) override;

    // The values published by the last render.
    const SoMFFloat& getIllumination(void) const { return illumination; }
    // The lights of the last render in object coordinates: the directions
    // of the directional lights and the positions of the point lights.
    const SoMFVec3f& getLightDirections(void) const { return lightDirections; }
    const SoMFVec3f& getLightPositions(void) const { return lightPositions; }

    // The number of OpenGL lights looked at, GL_LIGHT0 onwards.
    static constexpr int kProbedLights = 8;

protected:
    ~SoGenerateIlluminatedGeometry() override;

private:
    SoMFFloat illumination;
    SoMFVec3f lightDirections;
    SoMFVec3f lightPositions;
    // The bad entries last reported (count, first), so that a list is
    // reported once and not every frame.
    int reportedBad = 0;
    int reportedFirst = -1;
};

#endif // QUILLMAP_SHADING_SOGENERATEILLUMINATEDGEOMETRY_H
