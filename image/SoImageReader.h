#ifndef QUILLMAP_IMAGE_SOIMAGEREADER_H
#define QUILLMAP_IMAGE_SOIMAGEREADER_H

// Copies the colour buffer of the viewport into `image` while rendering, as
// red, green and blue bytes; the width is rounded down to a multiple of 4.

#include <Inventor/fields/SoSFImage.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoImageReader : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoImageReader);

public:
    SoSFImage image;

    static void initClass(void);
    SoImageReader(void);

    void GLRender(SoGLRenderAction* action) override;

    // The width read from a viewport `width` pixels wide.
    static int readWidth(int width);

protected:
    ~SoImageReader() override;
};

#endif // QUILLMAP_IMAGE_SOIMAGEREADER_H
