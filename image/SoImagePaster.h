#ifndef QUILLMAP_IMAGE_SOIMAGEPASTER_H
#define QUILLMAP_IMAGE_SOIMAGEPASTER_H

// Draws `image` over the viewport while rendering, its first pixel at the
// viewport's lower left corner, without lighting, depth test or texture.

#include <Inventor/fields/SoSFImage.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoImagePaster : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoImagePaster);

public:
    SoSFImage image;

    static void initClass(void);
    SoImagePaster(void);

    void GLRender(SoGLRenderAction* action) override;

    // The pixel format glDrawPixels takes for an image of that many
    // components (luminance, luminance and alpha, RGB, RGBA), 0 for others.
    static unsigned int pixelFormat(int components);

protected:
    ~SoImagePaster() override;
};

#endif // QUILLMAP_IMAGE_SOIMAGEPASTER_H
