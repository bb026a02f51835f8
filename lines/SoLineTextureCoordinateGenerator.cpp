// Publishes a texture coordinate per line vertex: its normalized screen arc
// length along its strip.

#include "lines/SoLineTextureCoordinateGenerator.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>

#include "lines/ArcLength.h"
#include "lines/LineStrips.h"
#include "lines/LineVertexMeasure.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineTextureCoordinateElement.h"

SO_NODE_SOURCE(SoLineTextureCoordinateGenerator);

void SoLineTextureCoordinateGenerator::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineTextureCoordinateGenerator, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoLineTextureCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineTextureCoordinateElement);
    // The screen projection of the vertices.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
}

SoLineTextureCoordinateGenerator::SoLineTextureCoordinateGenerator(void)
{
    SO_NODE_CONSTRUCTOR(SoLineTextureCoordinateGenerator);
    // How texture coordinates follow the stroke. Every method gives the
    // normalized arc length along the strip for now; TEXTURE_LENGTH and
    // PER_SEGMENT are accepted so that scenes naming them read and render.
    // Default LINE_LENGTH.
    SO_NODE_ADD_FIELD(textureMethod, (LINE_LENGTH));
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, LINE_LENGTH);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, TEXTURE_LENGTH);
    SO_NODE_DEFINE_ENUM_VALUE(ThickenMethod, PER_SEGMENT);
    SO_NODE_SET_SF_ENUM_TYPE(textureMethod, ThickenMethod);
}

SoLineTextureCoordinateGenerator::~SoLineTextureCoordinateGenerator()
{
}

void SoLineTextureCoordinateGenerator::doAction(SoAction* action)
{
    SoState* state = action->getState();
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    const LineVertexMeasure measure(state);
    if (indices == nullptr || !canParameterizeLines(measure.coordinateCount(), count))
        return;

    const int32_t vertices = countVertexEntries(indices, count);
    coordinates.setNum(vertices);
    lineTextureCoordinates(indices, count, [&measure](int32_t a, int32_t b) { return measure.distance(a, b); },
                           coordinates.startEditing());
    coordinates.finishEditing();
    measure.reportBadIndices("SoLineTextureCoordinateGenerator::doAction");
    SoLineTextureCoordinateElement::set(state, this, vertices, coordinates.getValues(0));
}
