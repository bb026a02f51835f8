// The node that clears OpenGL buffers while rendering.

#include "util/SoClearGLBuffers.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/system/gl.h>

SO_NODE_SOURCE(SoClearGLBuffers);

void SoClearGLBuffers::initClass(void)
{
    SO_NODE_INIT_CLASS(SoClearGLBuffers, SoNode, "SoNode");
}

SoClearGLBuffers::SoClearGLBuffers(void)
{
    SO_NODE_CONSTRUCTOR(SoClearGLBuffers);
    // The buffers to clear, as the bit mask glClear takes (GL_DEPTH_BUFFER_BIT
    // is 256, GL_COLOR_BUFFER_BIT 16384). Other bits are ignored and reported.
    // Default 1, which names no buffer.
    SO_NODE_ADD_FIELD(whichGLbuffers, (1));
}

SoClearGLBuffers::~SoClearGLBuffers()
{
}

int32_t SoClearGLBuffers::clearableBits(int32_t mask)
{
    return mask & int32_t(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
}

void SoClearGLBuffers::GLRender(SoGLRenderAction*)
{
    const int32_t mask = whichGLbuffers.getValue();
    const int32_t clearable = clearableBits(mask);
    // glClear refuses a mask with any other bit and clears nothing then.
    if (mask != lastMask && clearable != mask)
        SoDebugError::postWarning("SoClearGLBuffers::GLRender",
                                  "whichGLbuffers 0x%x has bits glClear does not accept (0x%x); only 0x%x is cleared",
                                  unsigned(mask), unsigned(mask & ~clearable), unsigned(clearable));
    lastMask = mask;
    if (clearable != 0)
        glClear(GLbitfield(clearable));
}
