// Offscreen OpenGL fixture: GLX pbuffer, direct context and buffer readback.

#include "support/GLFixture.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/nodes/SoNode.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct GLFixture::Platform {
    Display* display = nullptr;
    GLXFBConfig config = nullptr;
    GLXContext context = nullptr;
    GLXPbuffer pbuffer = 0;
};

namespace {

// X protocol errors while creating GLX objects (for instance a pbuffer size
// the server refuses) would otherwise end the process in Xlib's default
// handler. This handler only records them.
int gXErrorCode = 0;

int recordXError(Display*, XErrorEvent* event)
{
    gXErrorCode = event->error_code;
    return 0;
}

class XErrorTrap {
public:
    explicit XErrorTrap(Display* display)
        : display_(display)
    {
        XSync(display_, False);
        gXErrorCode = 0;
        previous_ = XSetErrorHandler(recordXError);
    }
    ~XErrorTrap()
    {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    // Error code of the first X error since construction, 0 if none.
    int error()
    {
        XSync(display_, False);
        return gXErrorCode;
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

bool glRequired()
{
    const char* value = std::getenv("QUILLMAP_REQUIRE_GL");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

int fbAttrib(Display* display, GLXFBConfig config, int attribute)
{
    int value = 0;
    glXGetFBConfigAttrib(display, config, attribute, &value);
    return value;
}

// Picks a double-buffered RGBA8 / depth 24 configuration that can back a
// pbuffer. Configs without multisampling are required so that edges are
// reproducible; one with an 8-bit stencil buffer is preferred, since outline
// techniques use it.
//
// Only double-buffered configs are taken, and everything is drawn into and
// read from the back buffer, never swapped. With Mesa's software rasteriser
// under Xvfb, drawing into the front buffer of a pbuffer (single-buffered, or
// GL_FRONT of a double-buffered one) makes Mesa push it to the server with
// MIT-SHM PutImage, which the server rejects with BadMatch, and Xlib's
// default error handler then ends the process. Reading the front buffer
// gives black there as well.
GLXFBConfig chooseConfig(Display* display)
{
    const int attributes[] = {
        GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT,
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_RED_SIZE, 8,
        GLX_GREEN_SIZE, 8,
        GLX_BLUE_SIZE, 8,
        GLX_ALPHA_SIZE, 8,
        GLX_DEPTH_SIZE, 24,
        GLX_DOUBLEBUFFER, True,
        None,
    };
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr)
        return nullptr;

    GLXFBConfig best = nullptr;
    int bestScore = -1;
    for (int i = 0; i < count; ++i) {
        GLXFBConfig c = configs[i];
        if (fbAttrib(display, c, GLX_SAMPLE_BUFFERS) != 0 || fbAttrib(display, c, GLX_SAMPLES) > 1)
            continue;
        if (fbAttrib(display, c, GLX_RED_SIZE) != 8 || fbAttrib(display, c, GLX_GREEN_SIZE) != 8
            || fbAttrib(display, c, GLX_BLUE_SIZE) != 8 || !fbAttrib(display, c, GLX_DOUBLEBUFFER))
            continue;
        int score = 0;
        if (fbAttrib(display, c, GLX_STENCIL_SIZE) >= 8)
            score += 4;
        if (fbAttrib(display, c, GLX_DEPTH_SIZE) == 24)
            score += 2;
        if (score > bestScore) {
            best = c;
            bestScore = score;
        }
    }
    XFree(configs);
    return best;
}

const char* glErrorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "unknown GL error";
    }
}

// One connection to the X server for the whole test process. Xvfb resets
// itself whenever its last client disconnects, and a connection attempted
// during that reset is refused; opening and closing a connection per test
// made the next test fail now and then. The connection closes with the
// process.
Display* sharedDisplay(const char* name)
{
    static Display* display = nullptr;
    static std::string openedName;
    if (display == nullptr) {
        display = XOpenDisplay(name);
        if (display != nullptr)
            openedName = name;
    }
    return display != nullptr && openedName == name ? display : nullptr;
}

} // namespace

std::ostream& operator<<(std::ostream& os, const PixelRGBA& p)
{
    return os << "rgba(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ", " << int(p.a) << ")";
}

GLFixture::GLFixture()
    : platform_(new Platform)
{
}

GLFixture::~GLFixture()
{
    // TearDown() normally has released everything already; this covers a
    // derived TearDown() that does not call ours.
    release();
}

void GLFixture::SetUp()
{
    const bool required = glRequired();
    // GTEST_SKIP() and FAIL() both return from SetUp(), which is all we need.
#define QUILLMAP_GL_UNAVAILABLE(message)                                                           \
    do {                                                                                           \
        if (required)                                                                              \
            FAIL() << message << " (QUILLMAP_REQUIRE_GL is set)";                                  \
        GTEST_SKIP() << message;                                                                   \
    } while (0)

    const char* displayName = std::getenv("DISPLAY");
    if (displayName == nullptr || displayName[0] == '\0')
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: $DISPLAY is not set (run the tests under xvfb-run)");

    Platform& p = *platform_;
    p.display = sharedDisplay(displayName);
    if (p.display == nullptr)
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: cannot open X display '" << displayName << "'");

    int major = 0;
    int minor = 0;
    if (!glXQueryVersion(p.display, &major, &minor) || major < 1 || (major == 1 && minor < 3))
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: display '" << displayName << "' has GLX " << major << "."
                                                             << minor << ", pbuffers need 1.3");

    p.config = chooseConfig(p.display);
    if (p.config == nullptr)
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: display '" << displayName
                                                             << "' offers no double-buffered, single-sampled "
                                                                "RGBA8/depth-24 pbuffer configuration");

    {
        XErrorTrap trap(p.display);
        p.context = glXCreateNewContext(p.display, p.config, GLX_RGBA_TYPE, nullptr, True);
        if (trap.error() != 0 && p.context != nullptr) {
            glXDestroyContext(p.display, p.context);
            p.context = nullptr;
        }
    }
    if (p.context == nullptr)
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: glXCreateNewContext failed on '" << displayName << "'");
    if (!glXIsDirect(p.display, p.context))
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: only an indirect context is available on '" << displayName
                                                                                           << "'");

    if (!createBuffer(width_, height_))
        QUILLMAP_GL_UNAVAILABLE("no offscreen GL: cannot create a " << width_ << " x " << height_
                                                                    << " pbuffer on '" << displayName << "'");
#undef QUILLMAP_GL_UNAVAILABLE

    cacheContext_ = SoGLCacheContextElement::getUniqueCacheContext();
    action_ = new SoGLRenderAction(SbViewportRegion(short(width_), short(height_)));
    action_->setCacheContext(cacheContext_);
}

void GLFixture::TearDown()
{
    release();
}

void GLFixture::release()
{
    Platform& p = *platform_;
    delete action_;
    action_ = nullptr;

    if (p.display != nullptr && p.context != nullptr) {
        if (cacheContext_ != 0 && p.pbuffer != 0 && makeCurrent()) {
            // Lets Coin release display lists, textures and buffer objects
            // it made for this context while the context is still current.
            SoContextHandler::destructingContext(cacheContext_);
        }
        glXMakeContextCurrent(p.display, None, None, nullptr);
    }
    cacheContext_ = 0;
    destroyBuffer();
    if (p.context != nullptr) {
        glXDestroyContext(p.display, p.context);
        p.context = nullptr;
    }
    // The connection itself stays open for the next test (see sharedDisplay).
    p.display = nullptr;
    p.config = nullptr;
}

bool GLFixture::createBuffer(int width, int height)
{
    Platform& p = *platform_;
    const int attributes[] = {
        GLX_PBUFFER_WIDTH, width,
        GLX_PBUFFER_HEIGHT, height,
        GLX_PRESERVED_CONTENTS, True,
        GLX_LARGEST_PBUFFER, False,
        None,
    };
    XErrorTrap trap(p.display);
    p.pbuffer = glXCreatePbuffer(p.display, p.config, attributes);
    if (trap.error() != 0 || p.pbuffer == 0) {
        if (p.pbuffer != 0)
            glXDestroyPbuffer(p.display, p.pbuffer);
        p.pbuffer = 0;
        return false;
    }
    if (!glXMakeContextCurrent(p.display, p.pbuffer, p.pbuffer, p.context) || trap.error() != 0) {
        glXDestroyPbuffer(p.display, p.pbuffer);
        p.pbuffer = 0;
        return false;
    }
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    return true;
}

void GLFixture::destroyBuffer()
{
    Platform& p = *platform_;
    if (p.pbuffer == 0)
        return;
    if (glXGetCurrentDrawable() == p.pbuffer)
        glXMakeContextCurrent(p.display, None, None, nullptr);
    glXDestroyPbuffer(p.display, p.pbuffer);
    p.pbuffer = 0;
}

bool GLFixture::makeCurrent() const
{
    const Platform& p = *platform_;
    if (p.context == nullptr || p.pbuffer == 0)
        return false;
    if (glXGetCurrentContext() == p.context && glXGetCurrentDrawable() == p.pbuffer)
        return true;
    return glXMakeContextCurrent(p.display, p.pbuffer, p.pbuffer, p.context) == True;
}

bool GLFixture::prepareRead(const char* what) const
{
    if (!makeCurrent()) {
        ADD_FAILURE() << what << ": the fixture has no current GL context";
        return false;
    }
    // A node under test may have changed the read buffer or the pack state.
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    return true;
}

bool GLFixture::setSize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        ADD_FAILURE() << "setSize(" << width << ", " << height << "): size out of range";
        return false;
    }
    if (platform_->context == nullptr) {
        // Not set up yet: SetUp() creates the buffer at this size.
        width_ = width;
        height_ = height;
        return true;
    }
    destroyBuffer();
    if (!createBuffer(width, height)) {
        ADD_FAILURE() << "setSize(" << width << ", " << height << "): cannot create the pbuffer";
        // Fall back to the previous size so the fixture stays usable.
        if (!createBuffer(width_, height_))
            ADD_FAILURE() << "setSize: cannot recreate the previous " << width_ << " x " << height_ << " pbuffer";
        return false;
    }
    width_ = width;
    height_ = height;
    if (action_ != nullptr)
        action_->setViewportRegion(SbViewportRegion(short(width_), short(height_)));
    return true;
}

void GLFixture::render(SoNode* root, const SbColor& background)
{
    if (!makeCurrent() || action_ == nullptr) {
        ADD_FAILURE() << "render: the fixture has no current GL context";
        return;
    }
    if (root == nullptr) {
        ADD_FAILURE() << "render: root is null";
        return;
    }
    while (glGetError() != GL_NO_ERROR) {
        // Drop errors left over from earlier GL calls outside render().
    }

    // Coin tracks GL state per traversal and may leave masks or the scissor
    // test in any state; clear with a known setup. The depth test is ours to
    // enable: SoGLRenderAction leaves it as it finds it.
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, width_, height_);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(background[0], background[1], background[2], 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);

    action_->setViewportRegion(SbViewportRegion(short(width_), short(height_)));
    action_->apply(root);
    glFinish();

    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
        ADD_FAILURE() << "render: GL error " << glErrorName(error) << " (0x" << std::hex << error << std::dec
                      << ") while rendering the scene";
}

bool GLFixture::inBounds(int x, int y, const char* what) const
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        return true;
    ADD_FAILURE() << what << "(" << x << ", " << y << "): outside the " << width_ << " x " << height_ << " buffer";
    return false;
}

std::vector<uint8_t> GLFixture::readRGBA() const
{
    std::vector<uint8_t> data(size_t(width_) * size_t(height_) * 4u, 0);
    if (!prepareRead("readRGBA"))
        return data;
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    return data;
}

PixelRGBA GLFixture::pixelRGBA(int x, int y) const
{
    PixelRGBA result;
    if (!inBounds(x, y, "pixel"))
        return result;
    if (!prepareRead("pixel"))
        return result;
    uint8_t rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    result.r = rgba[0];
    result.g = rgba[1];
    result.b = rgba[2];
    result.a = rgba[3];
    return result;
}

SbColor GLFixture::pixel(int x, int y) const
{
    const PixelRGBA p = pixelRGBA(x, y);
    return SbColor(p.r / 255.0f, p.g / 255.0f, p.b / 255.0f);
}

std::vector<float> GLFixture::readDepth() const
{
    std::vector<float> data(size_t(width_) * size_t(height_), 0.0f);
    if (!prepareRead("readDepth"))
        return data;
    glReadPixels(0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, data.data());
    return data;
}

float GLFixture::depth(int x, int y) const
{
    if (!inBounds(x, y, "depth"))
        return -1.0f;
    if (!prepareRead("depth"))
        return -1.0f;
    float value = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &value);
    return value;
}

int GLFixture::countPixels(const std::function<bool(const PixelRGBA&)>& predicate) const
{
    const std::vector<uint8_t> data = readRGBA();
    int count = 0;
    for (size_t i = 0; i + 3 < data.size(); i += 4) {
        PixelRGBA p;
        p.r = data[i];
        p.g = data[i + 1];
        p.b = data[i + 2];
        p.a = data[i + 3];
        if (predicate(p))
            ++count;
    }
    return count;
}

int GLFixture::countPixels(const SbColor& colour, float tolerance) const
{
    return countPixels([&colour, tolerance](const PixelRGBA& p) {
        return std::fabs(p.r / 255.0f - colour[0]) <= tolerance && std::fabs(p.g / 255.0f - colour[1]) <= tolerance
            && std::fabs(p.b / 255.0f - colour[2]) <= tolerance;
    });
}

bool GLFixture::writePPM(const char* path) const
{
    const std::vector<uint8_t> data = readRGBA();
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", width_, height_) > 0;
    std::vector<uint8_t> row(size_t(width_) * 3u);
    for (int y = height_ - 1; ok && y >= 0; --y) {
        const uint8_t* src = data.data() + size_t(y) * size_t(width_) * 4u;
        for (int x = 0; x < width_; ++x) {
            row[size_t(x) * 3u] = src[x * 4];
            row[size_t(x) * 3u + 1u] = src[x * 4 + 1];
            row[size_t(x) * 3u + 2u] = src[x * 4 + 2];
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    if (std::fclose(file) != 0)
        ok = false;
    return ok;
}

SoSeparator* readScene(const char* inventorText)
{
    if (inventorText == nullptr) {
        ADD_FAILURE() << "readScene: no text given";
        return nullptr;
    }
    SoInput input;
    input.setBuffer(inventorText, std::strlen(inventorText));
    SoSeparator* root = SoDB::readAll(&input);
    if (root == nullptr) {
        ADD_FAILURE() << "readScene: cannot parse the Inventor text:\n" << inventorText;
        return nullptr;
    }
    root->ref();
    return root;
}
