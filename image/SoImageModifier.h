#ifndef QUILLMAP_IMAGE_SOIMAGEMODIFIER_H
#define QUILLMAP_IMAGE_SOIMAGEMODIFIER_H

// Base of the nodes that turn the image in `input` into the image in
// `output` while rendering. The work runs once after each change of an
// observed field (input, and what a derived node watches), not every frame.

#include <Inventor/fields/SoSFImage.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <memory>
#include <vector>

#include "image/PixelImage.h"

class SoFieldSensor;
class SoSensor;

class SoImageModifier : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoImageModifier);

public:
    SoSFImage input;
    SoSFImage output;

    static void initClass(void);
    SoImageModifier(void);

    void GLRender(SoGLRenderAction* action) override;

    // A copy of an image field's value.
    static PixelImage imageOf(const SoSFImage& field);
    // Sets an image field to `image`.
    static void setImage(SoSFImage& field, const PixelImage& image);

protected:
    ~SoImageModifier() override;

    // Makes the new output from the fields; runs while rendering when an
    // observed field has changed since the last run. Does nothing here.
    virtual void modify(void);

    // Also recompute after every change of `field`.
    void watch(SoField* field);

    // The value of `field` (named `name` in messages) with three bytes per
    // pixel, converting 1, 2 and 4 components; false after a diagnostic when
    // it has another number of components.
    bool rgbImage(const SoSFImage& field, const char* name, PixelImage& image) const;

    // Sets the changed flag: set at first, by the sensors, cleared by every
    // render.
    bool changed = true;

private:
    static void inputChanged(void* data, SoSensor*);
    static void fieldChanged(void* data, SoSensor*);
    std::vector<std::unique_ptr<SoFieldSensor>> sensors;
};

#endif // QUILLMAP_IMAGE_SOIMAGEMODIFIER_H
