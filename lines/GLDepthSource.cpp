// Reading window depth and the object-to-clip matrix from the current
// OpenGL context.

#include "lines/GLDepthSource.h"

#include <Inventor/errors/SoDebugError.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

namespace {

// Whether the context's GL version is at least major.minor. Querying an
// enum the context does not know would raise GL_INVALID_ENUM, and clearing
// that with glGetError would also swallow errors that belong to others.
bool versionAtLeast(int major, int minor)
{
    const GLubyte* text = glGetString(GL_VERSION);
    int haveMajor = 0;
    int haveMinor = 0;
    if (text == nullptr || std::sscanf(reinterpret_cast<const char*>(text), "%d.%d", &haveMajor, &haveMinor) != 2)
        return false;
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

// Pack parameters that change how glReadPixels lays rows out in memory; a
// node drawn before us may have left any of them set.
const GLenum kPackParameters[4] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS};
// Float rows are a multiple of four bytes, so alignment 4 never pads them.
const GLint kPackValues[4] = {4, 0, 0, 0};

#ifdef GL_PIXEL_PACK_BUFFER_BINDING
const GLenum kPackBufferBinding = GL_PIXEL_PACK_BUFFER_BINDING;
#else
const GLenum kPackBufferBinding = 0x88ED;
#endif

#ifdef GL_READ_FRAMEBUFFER_BINDING
const GLenum kReadFramebufferBinding = GL_READ_FRAMEBUFFER_BINDING;
#else
const GLenum kReadFramebufferBinding = 0x8CAA;
#endif

} // namespace

GLDepthSource::GLDepthSource(void)
{
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, box);
    view.x = box[0];
    view.y = box[1];
    view.width = box[2];
    view.height = box[3];

    // With a pixel-pack buffer bound, glReadPixels would take our pointer as
    // an offset into that buffer. We cannot unbind it without extension
    // entry points, so reads are refused instead (see read()).
    GLint packBuffer = 0;
    if (versionAtLeast(2, 1))
        glGetIntegerv(kPackBufferBinding, &packBuffer);
    packBufferBound = packBuffer != 0;

    // The frame in progress is drawn into the back buffer; in a framebuffer
    // object there is no back buffer to select and the attachment in force
    // is the right one already.
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    GLint readFramebuffer = 0;
    if (versionAtLeast(3, 0))
        glGetIntegerv(kReadFramebufferBinding, &readFramebuffer);
    if (doubleBuffered && readFramebuffer == 0) {
        GLint current = 0;
        glGetIntegerv(GL_READ_BUFFER, &current);
        savedReadBuffer = current;
        if (current != GL_BACK) {
            glReadBuffer(GL_BACK);
            readBufferChanged = true;
        }
    }

    for (int i = 0; i < 4; ++i) {
        GLint value = 0;
        glGetIntegerv(kPackParameters[i], &value);
        savedPack[i] = value;
        if (value != kPackValues[i])
            glPixelStorei(kPackParameters[i], kPackValues[i]);
    }
}

GLDepthSource::~GLDepthSource()
{
    for (int i = 0; i < 4; ++i) {
        if (savedPack[i] != kPackValues[i])
            glPixelStorei(kPackParameters[i], savedPack[i]);
    }
    if (readBufferChanged)
        glReadBuffer(GLenum(savedReadBuffer));
}

DepthViewport GLDepthSource::viewport(void) const
{
    return view;
}

void GLDepthSource::read(int x, int y, int width, int height, float* out)
{
    if (out == nullptr) {
        SoDebugError::post("GLDepthSource::read", "no output array given");
        return;
    }
    const bool inside = width > 0 && height > 0 && x >= view.x && y >= view.y
        && long(x) + width <= long(view.x) + view.width && long(y) + height <= long(view.y) + view.height;
    if (!inside || packBufferBound) {
        if (!inside)
            SoDebugError::post("GLDepthSource::read",
                               "rectangle %d x %d at (%d, %d) is not inside the viewport %d x %d at (%d, %d)",
                               width, height, x, y, view.width, view.height, view.x, view.y);
        else
            SoDebugError::post("GLDepthSource::read", "a pixel-pack buffer is bound; depth is not read");
        if (width > 0 && height > 0)
            std::fill(out, out + size_t(width) * size_t(height), 1.0f);
        return;
    }
    glReadPixels(x, y, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, out);
}

SbMatrix GLDepthSource::currentObjectToClip(void)
{
    // GL keeps matrices column-major and multiplies column vectors: clip =
    // P * MV * p. Read straight into SbMatrix's rows, each becomes its own
    // transpose, which is the same transform for row vectors; the product
    // then reverses: p * MV^T * P^T.
    GLfloat modelView[16];
    GLfloat projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    SbMat rowsOfModelView;
    SbMat rowsOfProjection;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            rowsOfModelView[i][j] = modelView[i * 4 + j];
            rowsOfProjection[i][j] = projection[i * 4 + j];
        }
    }
    SbMatrix combined(rowsOfModelView);
    combined.multRight(SbMatrix(rowsOfProjection));
    return combined;
}
