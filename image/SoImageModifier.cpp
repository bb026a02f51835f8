// The base of the image modifiers: its two image fields and the sensors that
// decide when the output is made again.

#include "image/SoImageModifier.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/sensors/SoFieldSensor.h>

#include <cstdio>
#include <string>

#include "image/PixelOperations.h"

SO_NODE_SOURCE(SoImageModifier);

void SoImageModifier::initClass(void)
{
    SO_NODE_INIT_CLASS(SoImageModifier, SoNode, "Node");
}

SoImageModifier::SoImageModifier(void)
{
    SO_NODE_CONSTRUCTOR(SoImageModifier);
    // The image to modify. Default empty: size (0, 0), no components.
    SO_NODE_ADD_FIELD(input, (SbVec2s(0, 0), 0, nullptr));
    // The result, of the input's size with three bytes per pixel. Default empty.
    SO_NODE_ADD_FIELD(output, (SbVec2s(0, 0), 0, nullptr));

    SoFieldSensor* sensor = new SoFieldSensor(inputChanged, this);
    sensor->setPriority(0);
    sensor->attach(&input);
    sensors.emplace_back(sensor);
}

SoImageModifier::~SoImageModifier()
{
}

void SoImageModifier::watch(SoField* field)
{
    SoFieldSensor* sensor = new SoFieldSensor(fieldChanged, this);
    sensor->setPriority(0);
    sensor->attach(field);
    sensors.emplace_back(sensor);
}

void SoImageModifier::inputChanged(void* data, SoSensor*)
{
    std::printf("modifier: input changed CB!\n");
    static_cast<SoImageModifier*>(data)->changed = true;
}

void SoImageModifier::fieldChanged(void* data, SoSensor*)
{
    static_cast<SoImageModifier*>(data)->changed = true;
}

void SoImageModifier::GLRender(SoGLRenderAction* action)
{
    // The output follows the input frame by frame; a render cache around
    // the node would keep the first one.
    SoCacheElement::invalidate(action->getState());
    if (changed)
        modify();
    changed = false;
}

void SoImageModifier::modify(void)
{
}

PixelImage SoImageModifier::imageOf(const SoSFImage& field)
{
    SbVec2s size;
    int components = 0;
    const unsigned char* bytes = field.getValue(size, components);
    PixelImage image(size[0], size[1], components);
    if (bytes != nullptr && !image.bytes.empty())
        image.bytes.assign(bytes, bytes + image.bytes.size());
    return image;
}

void SoImageModifier::setImage(SoSFImage& field, const PixelImage& image)
{
    field.setValue(SbVec2s(short(image.width), short(image.height)), image.components,
                   image.bytes.empty() ? nullptr : image.bytes.data());
}

bool SoImageModifier::rgbImage(const SoSFImage& field, const char* name, PixelImage& image) const
{
    const PixelImage value = imageOf(field);
    if (value.width == 0 || value.height == 0) {
        // No pixels, whatever the components: an empty image.
        image = PixelImage();
        return true;
    }
    if (value.components == 3) {
        image = value;
        return true;
    }
    const std::string where = std::string(getTypeId().getName().getString()) + "::GLRender";
    if (!convertToRGB(value, image)) {
        SoDebugError::postWarning(where.c_str(),
                                  "%s of size (%d, %d) has %d components; only images of 1 to 4 components "
                                  "can be modified, the output stays as it is",
                                  name, value.width, value.height, value.components);
        return false;
    }
    SoDebugError::postInfo(where.c_str(), "%s has %d components; modified as red, green and blue", name,
                           value.components);
    return true;
}
