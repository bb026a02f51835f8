// The node that draws an image field over the viewport.

#include "image/SoImagePaster.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/system/gl.h>

#include <cstdio>

SO_NODE_SOURCE(SoImagePaster);

void SoImagePaster::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImagePaster, SoNode, "Node");
}

SoImagePaster::SoImagePaster(void)
{
    SO_NODE_CONSTRUCTOR(SoImagePaster);
    // The image to draw, 1 to 4 components, bottom row first. Default empty.
    SO_NODE_ADD_FIELD(image, (SbVec2s(0, 0), 0, nullptr));
}

SoImagePaster::~SoImagePaster()
{
}

unsigned int SoImagePaster::pixelFormat(int components)
{
    switch (components) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return 0;
    }
}

void SoImagePaster::GLRender(SoGLRenderAction* action)
{
    // A display list would keep the pixels of the frame it was made in.
    SoCacheElement::invalidate(action->getState());
    SbVec2s size;
    int components = 0;
    const unsigned char* pixels = image.getValue(size, components);
    std::printf("paster (%d,%d,%d)...", int(size[0]), int(size[1]), components);
    if (size[0] <= 0 || size[1] <= 0 || pixels == nullptr)
        return;
    const GLenum format = pixelFormat(components);
    if (format == 0) {
        SoDebugError::postWarning("SoImagePaster::GLRender",
                                  "image of size (%d, %d) has %d components; only 1 to 4 can be drawn",
                                  int(size[0]), int(size[1]), components);
        return;
    }

    glPushAttrib(GL_ENABLE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glRasterPos2f(-1.0f, -1.0f);
    // Rows exactly as the field stores them: no padding to 4 bytes, which
    // would read past the last row of an image whose rows are not whole words.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glDrawPixels(size[0], size[1], format, GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
