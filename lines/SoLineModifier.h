#ifndef QUILLMAP_SOLINEMODIFIER_H
#define QUILLMAP_SOLINEMODIFIER_H

// Base of the line-processing nodes. A line node does its work in doAction,
// which both GLRender and callback call, so lines are processed the same way
// while rendering and during a callback traversal. The static operations
// measure and offset line vertices on the screen of the current traversal.

#include <Inventor/SbLinear.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include "lines/ScreenProjection.h"

class SoState;

class SoLineModifier : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoLineModifier);

public:
    enum ModifyMethod {
        SCREEN_BASED = 0,
        PIXEL_BASED = 1,
        OBJECT_BASED = 2
    };

    SoSFEnum modifyMethod;

    static void initClass(void);
    SoLineModifier(void);

    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;

    // The projection of the traversal state: model, viewing and projection
    // matrices, window size and view volume depth. Nodes that measure many
    // points take it once.
    static ScreenProjection screenProjection(SoState* state);

    static SbVec2f projectToScreen(SoState* state, const SbVec3f& p);
    static float screenDistance(SoState* state, const SbVec3f& a, const SbVec3f& b);
    static SbVec2f screenDifference(SoState* state, const SbVec3f& a, const SbVec3f& b);
    static SbVec2f perpendicular(const SbVec2f& v);
    static SbVec2f screenNormal(SoState* state, const SbVec3f& a, const SbVec3f& b);
    static float eyeDepth(SoState* state, const SbVec3f& p);
    static float normalizedDepth(SoState* state, const SbVec3f& p);
    static SbVec3f offsetInScreen(SoState* state, const SbVec3f& p, float dx, float dy);

protected:
    ~SoLineModifier() override;
};

#endif // QUILLMAP_SOLINEMODIFIER_H
