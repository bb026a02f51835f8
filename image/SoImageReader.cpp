// The node that reads the colour buffer into an image field.

#include "image/SoImageReader.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/system/gl.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

SO_NODE_SOURCE(SoImageReader);

namespace {

// The bytes read when the field cannot take them in place; shared by every
// reader and kept while the program runs, growing to the largest frame.
std::vector<uint8_t>& readBuffer(void)
{
    static std::vector<uint8_t> buffer;
    return buffer;
}

} // namespace

void SoImageReader::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImageReader, SoNode, "Node");
}

SoImageReader::SoImageReader(void)
{
    SO_NODE_CONSTRUCTOR(SoImageReader);
    // The last frame read: the viewport's pixels, three bytes each, bottom
    // row first. Default empty.
    SO_NODE_ADD_FIELD(image, (SbVec2s(0, 0), 0, nullptr));
}

SoImageReader::~SoImageReader()
{
}

int SoImageReader::readWidth(int width)
{
    // Rows of a multiple of 4 pixels are whole words of RGB bytes; an image
    // field holds at most 32767 pixels a side.
    if (width > 32767)
        width = 32767;
    return width < 0 ? 0 : width & ~3;
}

void SoImageReader::GLRender(SoGLRenderAction* action)
{
    // Every frame is read anew; a render cache would replay none of it.
    SoCacheElement::invalidate(action->getState());
    GLint viewport[4] = { 0, 0, 0, 0 };
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int x = viewport[0], y = viewport[1];
    const int w = readWidth(viewport[2]), h = viewport[3] > 32767 ? 32767 : viewport[3];
    if (w <= 0 || h <= 0)
        return;
    std::printf("reading buffer (%d,%d,%d,%d)...", x, y, w, h);

    const size_t bytes = size_t(w) * size_t(h) * 3u;
    std::vector<uint8_t>& buffer = readBuffer();
    if (buffer.size() < bytes) {
        try {
            buffer.resize(bytes);
        } catch (const std::bad_alloc&) {
            std::printf("WARNING! ReadImage buffer failed to alloc properly!\n");
            return;
        }
    }

    // Tightly packed rows, whatever another node left in the pack state.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    SbVec2s size;
    int components = 0;
    image.getValue(size, components);
    if (size == SbVec2s(short(w), short(h)) && components == 3) {
        unsigned char* storage = image.startEditing(size, components);
        glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, storage);
        image.finishEditing();
    } else {
        glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
        image.setValue(SbVec2s(short(w), short(h)), 3, buffer.data());
    }
    glPopClientAttrib();
    std::printf(glGetError() != GL_NO_ERROR ? "glError!\n" : "ok!\n");
}
