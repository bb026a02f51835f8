#ifndef QUILLMAP_GLDEPTHSOURCE_H
#define QUILLMAP_GLDEPTHSOURCE_H

// The depth source of a render traversal: the depth buffer of the frame
// being drawn in the current OpenGL context, and the matrix that takes
// object coordinates to clip coordinates there.

#include <Inventor/SbLinear.h>

#include "lines/DepthSource.h"

// Create one on the stack inside a render traversal, after the shapes that
// may hide the lines were drawn, and let it go when the test is done. The
// constructor reads the viewport and prepares the pixel-read state (back
// buffer of a double-buffered default framebuffer, tightly packed rows); the
// destructor puts back what it changed. A current GL context is required
// for the object's whole life.
class GLDepthSource : public DepthSource {
public:
    GLDepthSource(void);
    ~GLDepthSource() override;
    GLDepthSource(const GLDepthSource&) = delete;
    GLDepthSource& operator=(const GLDepthSource&) = delete;

    DepthViewport viewport(void) const override;

    // One glReadPixels of depth as floats. A rectangle that is empty or not
    // inside the viewport is a caller error: it is reported through
    // SoDebugError and out is filled with 1 (nothing in front), unread.
    void read(int x, int y, int width, int height, float* out) override;

    // The current GL projection times model-view matrix as an SbMatrix in
    // Inventor's row-vector convention: p * M, then the homogeneous divide,
    // gives normalized device coordinates.
    static SbMatrix currentObjectToClip(void);

private:
    DepthViewport view;
    // Pixel-read state on entry, put back by the destructor.
    int savedReadBuffer = 0;
    bool readBufferChanged = false;
    int savedPack[4] = {0, 0, 0, 0};
    bool packBufferBound = false;
};

#endif // QUILLMAP_GLDEPTHSOURCE_H
