#ifndef QUILLMAP_UTIL_SOCLEARGLBUFFERS_H
#define QUILLMAP_UTIL_SOCLEARGLBUFFERS_H

// Clears OpenGL buffers at its place in the scene, for example the depth
// buffer between two rendering passes.

#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoClearGLBuffers : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoClearGLBuffers);

public:
    SoSFInt32 whichGLbuffers;

    static void initClass(void);
    SoClearGLBuffers(void);

    void GLRender(SoGLRenderAction* action) override;

    // The bits of `mask` that glClear accepts: colour, depth, stencil and
    // accumulation buffer.
    static int32_t clearableBits(int32_t mask);

protected:
    ~SoClearGLBuffers() override;

private:
    // The mask of the last render, so that a bad one is reported once.
    int32_t lastMask = 0;
};

#endif // QUILLMAP_UTIL_SOCLEARGLBUFFERS_H
