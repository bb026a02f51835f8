// Publishes a stroke thickness per line vertex, added to the thicknesses in
// force.

#include "lines/SoLineThickener.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/SbImage.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoGLMultiTextureImageElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoTextureImageElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/misc/SoGLImage.h>

#include <cmath>
#include <vector>

#include "lines/LineStrips.h"
#include "lines/LineThickness.h"
#include "lines/LineVertexMeasure.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineThicknessElement.h"

SO_NODE_SOURCE(SoLineThickener);

namespace {

// Height in pixels of the texture image in force on unit 0; 0 when there is
// none. While rendering, a texture node hands its image to the GL texture
// element and leaves the plain image element without pixels, so the height
// comes from the GL image then.
float textureHeight(SoAction* action)
{
    SoState* state = action->getState();
    if (action->isOfType(SoGLRenderAction::getClassTypeId())) {
        SoMultiTextureImageElement::Model model;
        SbColor blendColor;
        const SoGLImage* glImage = SoGLMultiTextureImageElement::get(state, 0, model, blendColor);
        const SbImage* image = glImage != nullptr ? glImage->getImage() : nullptr;
        if (image != nullptr && image->getSize()[1] > 0)
            return float(image->getSize()[1]);
    }
    SbVec2s size(0, 0);
    int components = 0;
    if (SoTextureImageElement::getImage(state, 0, size, components) == nullptr)
        return 0.0f;
    return float(size[1]);
}

} // namespace

void SoLineThickener::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineThickener, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineThicknessElement);
    SO_ENABLE(SoGLRenderAction, SoTextureImageElement);
    SO_ENABLE(SoGLRenderAction, SoGLMultiTextureImageElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineThicknessElement);
    SO_ENABLE(SoCallbackAction, SoTextureImageElement);
    // The depth of the vertices.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

SoLineThickener::SoLineThickener(void)
{
    SO_NODE_CONSTRUCTOR(SoLineThickener);
    // Base thickness in screen units (one pixel spans 2). Default 1.
    SO_NODE_ADD_FIELD(amplitude, (1.0f));
    // How the amplitude becomes a thickness: as it is (CONSTANT, and for now
    // CONSTANT_TEXTURE_WIDTH), times the height of the current texture image
    // (CONSTANT_TEXTURE_HEIGHT), or divided by the vertex depth (DEPTH; the
    // eye distance when modifyMethod is OBJECT_BASED, the normalized depth
    // when PIXEL_BASED, no division when SCREEN_BASED), or as CONSTANT_TEXTURE_HEIGHT
    // but narrowed where another line passes within four times the thickness
    // across the stroke, to a quarter of the distance to it (CLEARANCE).
    // Default CONSTANT.
    SO_NODE_ADD_FIELD(thickenMethod, (CONSTANT));
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, CONSTANT);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, CONSTANT_TEXTURE_WIDTH);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, CONSTANT_TEXTURE_HEIGHT);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, DEPTH);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, CLEARANCE);
    SO_NODE_SET_SF_ENUM_TYPE(thickenMethod, ThickenMethod);
}

SoLineThickener::~SoLineThickener()
{
}

void SoLineThickener::doAction(SoAction* action)
{
    static const char* const where = "SoLineThickener::doAction";
    SoState* state = action->getState();
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    const LineVertexMeasure measure(state);
    if (indices == nullptr || !canThickenLines(measure.coordinateCount(), count))
        return;

    ThicknessSettings settings;
    settings.amplitude = amplitude.getValue();
    if (!std::isfinite(settings.amplitude)) {
        SoDebugError::post(where, "amplitude %g is not a finite number; the thicknesses are left as they are",
                           double(settings.amplitude));
        return;
    }
    switch (thickenMethod.getValue()) {
    case CONSTANT:
        settings.method = ThicknessMethod::Constant;
        break;
    case CONSTANT_TEXTURE_WIDTH:
        settings.method = ThicknessMethod::ConstantTextureWidth;
        break;
    case CONSTANT_TEXTURE_HEIGHT:
        settings.method = ThicknessMethod::ConstantTextureHeight;
        settings.textureHeight = textureHeight(action);
        if (settings.textureHeight == 0.0f)
            SoDebugError::post(where, "CONSTANT_TEXTURE_HEIGHT without a texture image in force; "
                                      "the texture height counts as 0");
        break;
    case DEPTH:
        settings.method = ThicknessMethod::Depth;
        if (modifyMethod.getValue() == OBJECT_BASED)
            settings.depth = [&measure](int32_t index) { return measure.eyeDepth(index); };
        else if (modifyMethod.getValue() == PIXEL_BASED)
            settings.depth = [&measure](int32_t index) { return measure.normalizedDepth(index); };
        break;
    case CLEARANCE:
        settings.method = ThicknessMethod::Clearance;
        settings.textureHeight = textureHeight(action);
        if (settings.textureHeight == 0.0f) {
            // Without a stroke texture the amplitude is the thickness itself.
            settings.textureHeight = 1.0f;
        }
        break;
    default:
        SoDebugError::post(where, "unknown thickenMethod %d; CONSTANT used", thickenMethod.getValue());
        break;
    }

    int32_t incomingCount = 0;
    const float* incoming = SoLineThicknessElement::get(state, incomingCount);
    if (incoming == nullptr)
        incomingCount = 0;
    const int32_t vertices = countVertexEntries(indices, count);
    if (incomingCount > 0 && incomingCount < vertices)
        SoDebugError::post(where,
                           "%d incoming thicknesses for %d line vertices; the vertices past them get no "
                           "incoming thickness",
                           int(incomingCount), int(vertices));

    // Traversed a second time, this node reads back its own list, which
    // resizing may move.
    std::vector<float> own;
    if (incomingCount > 0 && incoming == thicknesses.getValues(0)) {
        own.assign(incoming, incoming + incomingCount);
        incoming = own.data();
    }
    std::vector<float> clearances;
    if (settings.method == ThicknessMethod::Clearance) {
        const ScreenProjection screen = screenProjection(state);
        const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
        std::vector<SbVec2f> positions;
        positions.reserve(size_t(vertices));
        for (int32_t i = 0; i < count; ++i) {
            if (indices[i] < 0)
                continue;
            positions.push_back(indices[i] < measure.coordinateCount() ? screen.project(coordinates->get3(indices[i]))
                                                                      : SbVec2f(NAN, NAN));
        }
        clearances.resize(size_t(vertices));
        lineClearances(indices, count, positions.data(), kClearanceReach * baseThickness(settings), clearances.data());
        settings.clearances = clearances.data();
    }
    thicknesses.setNum(vertices);
    thickenLines(indices, count, settings, incoming, incomingCount, thicknesses.startEditing());
    thicknesses.finishEditing();
    measure.reportBadIndices(where);
    SoLineThicknessElement::set(state, this, vertices, thicknesses.getValues(0));
}
