#ifndef QUILLMAP_RENDER_HEADLESSCONTEXT_H
#define QUILLMAP_RENDER_HEADLESSCONTEXT_H

// An OpenGL context for drawing without a window: EGL on Mesa's surfaceless
// platform with a pbuffer, which needs no X server, or else a GLX pbuffer on
// the display $DISPLAY names. Drawing goes to the buffer the context draws
// into by default, and reading back reads that buffer: under Mesa's
// software rasteriser the front buffer of a double-buffered pbuffer reads
// back black.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class HeadlessContext {
public:
    HeadlessContext(void);
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Creates a width x height context and makes it current. Returns an
    // empty string on success, otherwise why neither way gave a context.
    std::string open(int width, int height);
    // "EGL (surfaceless)" or "GLX on :99", once open.
    const std::string& describe(void) const { return kind; }

    // The pixels drawn so far, RGB, top row first.
    std::vector<uint8_t> readPixels(void) const;

private:
    struct Egl;
    std::string openEgl(void);
    std::string openGlx(void);

    int width = 0;
    int height = 0;
    std::string kind;
    std::unique_ptr<Egl> egl;
    std::unique_ptr<class OffscreenContext> glx;
};

#endif // QUILLMAP_RENDER_HEADLESSCONTEXT_H
