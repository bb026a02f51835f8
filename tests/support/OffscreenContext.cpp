// An offscreen OpenGL context on a GLX pbuffer.

#include "support/OffscreenContext.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <sstream>
#include <string>

struct OffscreenContext::Platform {
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

OffscreenContext::OffscreenContext(void)
    : platform(new Platform)
{
}

OffscreenContext::~OffscreenContext()
{
    close();
}

std::string OffscreenContext::open(int width, int height)
{
    close();
    std::ostringstream why;
    const char* displayName = std::getenv("DISPLAY");
    if (displayName == nullptr || displayName[0] == '\0')
        return "no offscreen GL: $DISPLAY is not set (run under xvfb-run)";

    Platform& p = *platform;
    p.display = sharedDisplay(displayName);
    if (p.display == nullptr) {
        why << "no offscreen GL: cannot open X display '" << displayName << "'";
        return why.str();
    }
    int major = 0;
    int minor = 0;
    if (!glXQueryVersion(p.display, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
        why << "no offscreen GL: display '" << displayName << "' has GLX " << major << "." << minor
            << ", pbuffers need 1.3";
        close();
        return why.str();
    }
    p.config = chooseConfig(p.display);
    if (p.config == nullptr) {
        why << "no offscreen GL: display '" << displayName
            << "' offers no double-buffered, single-sampled RGBA8/depth-24 pbuffer configuration";
        close();
        return why.str();
    }
    {
        XErrorTrap trap(p.display);
        p.context = glXCreateNewContext(p.display, p.config, GLX_RGBA_TYPE, nullptr, True);
        if (trap.error() != 0 && p.context != nullptr) {
            glXDestroyContext(p.display, p.context);
            p.context = nullptr;
        }
    }
    if (p.context == nullptr) {
        why << "no offscreen GL: glXCreateNewContext failed on '" << displayName << "'";
        close();
        return why.str();
    }
    if (!glXIsDirect(p.display, p.context)) {
        why << "no offscreen GL: only an indirect context is available on '" << displayName << "'";
        close();
        return why.str();
    }
    if (!createBuffer(width, height)) {
        why << "no offscreen GL: cannot create a " << width << " x " << height << " pbuffer on '" << displayName
            << "'";
        close();
        return why.str();
    }
    return std::string();
}

bool OffscreenContext::isOpen(void) const
{
    return platform->context != nullptr && platform->pbuffer != 0;
}

void OffscreenContext::close(void)
{
    Platform& p = *platform;
    if (p.display != nullptr && p.context != nullptr)
        glXMakeContextCurrent(p.display, None, None, nullptr);
    destroyBuffer();
    if (p.context != nullptr) {
        glXDestroyContext(p.display, p.context);
        p.context = nullptr;
    }
    // The connection itself stays open (see sharedDisplay).
    p.display = nullptr;
    p.config = nullptr;
}

bool OffscreenContext::resize(int width, int height)
{
    if (platform->context == nullptr)
        return false;
    destroyBuffer();
    return createBuffer(width, height);
}

bool OffscreenContext::createBuffer(int width, int height)
{
    Platform& p = *platform;
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

void OffscreenContext::destroyBuffer(void)
{
    Platform& p = *platform;
    if (p.pbuffer == 0)
        return;
    if (glXGetCurrentDrawable() == p.pbuffer)
        glXMakeContextCurrent(p.display, None, None, nullptr);
    glXDestroyPbuffer(p.display, p.pbuffer);
    p.pbuffer = 0;
}

bool OffscreenContext::makeCurrent(void) const
{
    const Platform& p = *platform;
    if (p.context == nullptr || p.pbuffer == 0)
        return false;
    if (glXGetCurrentContext() == p.context && glXGetCurrentDrawable() == p.pbuffer)
        return true;
    return glXMakeContextCurrent(p.display, p.pbuffer, p.pbuffer, p.context) == True;
}

