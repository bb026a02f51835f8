#ifndef QUILLMAP_DEPTHSOURCE_H
#define QUILLMAP_DEPTHSOURCE_H

// Where the visibility tests get window depth from: the depth buffer of the
// frame being drawn (GLDepthSource), or in tests a depth image painted by
// hand. The tests only ever ask for rectangles inside the viewport, read
// lazily in blocks, so a source never has to hand out the whole frame.

// The viewport in window pixels: columns x .. x + width - 1 and rows
// y .. y + height - 1, as glViewport sets it.
struct DepthViewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class DepthSource {
public:
    virtual ~DepthSource(void) {}

    virtual DepthViewport viewport(void) const = 0;

    // Writes the window depth (0 at the near plane, 1 at the far plane) of
    // the width x height pixels whose lower left pixel is (x, y) to out:
    // width values per row, rows bottom-up, as glReadPixels delivers them.
    // Precondition: width, height > 0 and the rectangle lies inside
    // viewport(); out holds width * height floats.
    virtual void read(int x, int y, int width, int height, float* out) = 0;
};

#endif // QUILLMAP_DEPTHSOURCE_H
