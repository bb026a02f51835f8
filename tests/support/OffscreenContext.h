#ifndef QUILLMAP_TESTS_OFFSCREENCONTEXT_H
#define QUILLMAP_TESTS_OFFSCREENCONTEXT_H

// An OpenGL context of its own on a GLX pbuffer of the X display named by
// $DISPLAY (run under xvfb-run): double-buffered RGBA8 with a 24-bit depth
// buffer, no multisampling, drawn into and read from the back buffer. Used by
// the GL test fixture and by the drawing benchmarks. The X and GLX specifics
// stay in the source file.

#include <memory>
#include <string>

class OffscreenContext {
public:
    OffscreenContext(void);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Creates the context and a width x height pbuffer and makes them
    // current. Returns an empty string on success, otherwise why there is no
    // offscreen GL here (and everything is released again).
    std::string open(int width, int height);
    // Replaces the pbuffer by one of the new size, keeping the context.
    // False if that failed; there is then no buffer until the next resize.
    bool resize(int width, int height);
    bool makeCurrent(void) const;
    bool isOpen(void) const;
    // Releases the context and its buffer; the X connection stays open for
    // the rest of the process.
    void close(void);

private:
    struct Platform;

    bool createBuffer(int width, int height);
    void destroyBuffer(void);

    std::unique_ptr<Platform> platform;
};

#endif // QUILLMAP_TESTS_OFFSCREENCONTEXT_H
