// An OpenGL context without a window: EGL surfaceless, else GLX.

#include "HeadlessContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "support/OffscreenContext.h"

struct HeadlessContext::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;

    ~Egl()
    {
        if (display == EGL_NO_DISPLAY)
            return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        eglTerminate(display);
    }
};

namespace {

bool hasExtension(const char* list, const char* name)
{
    if (list == nullptr)
        return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name))
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    return false;
}

} // namespace

HeadlessContext::HeadlessContext(void)
{
}

HeadlessContext::~HeadlessContext()
{
    // The GL state goes before the display connection it lives on.
    egl.reset();
    glx.reset();
}

std::string HeadlessContext::open(int w, int h)
{
    width = w;
    height = h;
    const std::string eglWhy = openEgl();
    if (eglWhy.empty())
        return std::string();
    const std::string glxWhy = openGlx();
    if (glxWhy.empty())
        return std::string();
    return "no OpenGL context: " + eglWhy + "; and " + glxWhy +
           ". Install Mesa's EGL (libegl-mesa0, libgl1-mesa-dri), or run under an X server (xvfb-run -a ...)";
}

std::string HeadlessContext::openEgl(void)
{
    egl.reset(new Egl);
    Egl& e = *egl;
    if (!hasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless"))
        return "EGL offers no surfaceless platform (EGL_MESA_platform_surfaceless)";
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr)
        return "EGL has no eglGetPlatformDisplayEXT";
    e.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (e.display == EGL_NO_DISPLAY || !eglInitialize(e.display, &major, &minor)) {
        e.display = EGL_NO_DISPLAY;
        return "EGL's surfaceless display does not initialise";
    }
    if (!eglBindAPI(EGL_OPENGL_API))
        return "EGL offers no desktop OpenGL";
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8,
        EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8,
        EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24,
        EGL_SAMPLE_BUFFERS, 0,
        EGL_NONE,
    };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(e.display, attributes, &config, 1, &count) || count < 1)
        return "EGL offers no RGBA8 pbuffer configuration with a 24-bit depth buffer";
    const EGLint size[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE };
    e.surface = eglCreatePbufferSurface(e.display, config, size);
    if (e.surface == EGL_NO_SURFACE)
        return "EGL cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " pbuffer";
    // A compatibility context: the nodes draw in immediate mode.
    e.context = eglCreateContext(e.display, config, EGL_NO_CONTEXT, nullptr);
    if (e.context == EGL_NO_CONTEXT)
        return "EGL cannot create an OpenGL context";
    if (!eglMakeCurrent(e.display, e.surface, e.surface, e.context))
        return "EGL cannot make its context current";
    kind = "EGL (surfaceless, EGL " + std::to_string(major) + "." + std::to_string(minor) + ")";
    return std::string();
}

std::string HeadlessContext::openGlx(void)
{
    egl.reset();
    glx.reset(new OffscreenContext);
    const std::string why = glx->open(width, height);
    if (!why.empty()) {
        glx.reset();
        return why;
    }
    kind = std::string("GLX on ") + std::getenv("DISPLAY");
    return std::string();
}

std::vector<uint8_t> HeadlessContext::readPixels(void) const
{
    std::vector<uint8_t> rows(size_t(width) * size_t(height) * 3);
    GLint drawBuffer = GL_BACK;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer(GLenum(drawBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> bottomUp(rows.size());
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t stride = size_t(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&rows[size_t(y) * stride], &bottomUp[size_t(height - 1 - y) * stride], stride);
    return rows;
}
