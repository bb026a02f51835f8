// The node that lights the vertices of an index list for cartoon shading.

#include "shading/SoGenerateIlluminatedGeometry.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoGLLightIdElement.h>
#include <Inventor/elements/SoGLModelMatrixElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoNormalBindingElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/system/gl.h>

#include <cstdio>
#include <vector>

#include "shading/Illumination.h"
#include "shading/SoIlluminatedGeometryElement.h"

SO_NODE_SOURCE(SoGenerateIlluminatedGeometry);

namespace {

// The enabled lights from GL_LIGHT0 up to the first disabled one, brought
// from eye coordinates to object coordinates by `toObject`.
LightSet enabledLights(const SbMatrix& toObject)
{
    LightSet lights;
    for (int i = 0; i < SoGenerateIlluminatedGeometry::kProbedLights; ++i) {
        const GLenum light = GLenum(GL_LIGHT0 + i);
        if (!glIsEnabled(light))
            break;
        GLfloat position[4] = { 0, 0, 0, 0 };
        glGetLightfv(light, GL_POSITION, position);
        if (position[3] == 0.0f) {
            // GL keeps the direction towards the light; the sum wants the
            // direction the light travels.
            SbVec3f direction(-position[0], -position[1], -position[2]);
            toObject.multDirMatrix(direction, direction);
            lights.directions.push_back(direction);
            continue;
        }
        // Point lights spread all round (a cutoff of 180 degrees); spot
        // lights light a cone, which the diffuse sum does not model.
        GLfloat cutoff = 180.0f;
        glGetLightfv(light, GL_SPOT_CUTOFF, &cutoff);
        if (cutoff == 180.0f) {
            SbVec3f point(position[0], position[1], position[2]);
            toObject.multVecMatrix(point, point);
            lights.positions.push_back(point);
        }
    }
    return lights;
}

} // namespace

void SoGenerateIlluminatedGeometry::initClass(void)
{
    if (SoIlluminatedGeometryElement::getClassTypeId() == SoType::badType())
        SoIlluminatedGeometryElement::initClass();
    SO_NODE_INIT_CLASS(SoGenerateIlluminatedGeometry, SoNode, "SoNode");
    SO_ENABLE(SoGLRenderAction, SoNormalElement);
    SO_ENABLE(SoGLRenderAction, SoNormalBindingElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoGLModelMatrixElement);
    SO_ENABLE(SoGLRenderAction, SoGLLightIdElement);
    SO_ENABLE(SoGLRenderAction, SoViewingMatrixElement);
    SO_ENABLE(SoGLRenderAction, SoIlluminatedGeometryElement);
    SO_ENABLE(SoCallbackAction, SoNormalElement);
    SO_ENABLE(SoCallbackAction, SoNormalBindingElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    // A callback traversal runs without a GL context: the plain model matrix.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoIlluminatedGeometryElement);
}

SoGenerateIlluminatedGeometry::SoGenerateIlluminatedGeometry(void)
{
    SO_NODE_CONSTRUCTOR(SoGenerateIlluminatedGeometry);
    // The normal of each entry of coordIndex, -1 where a strip ends. Used when
    // it has as many values as coordIndex; otherwise entry i takes normal i.
    // Default [ -1 ].
    SO_NODE_ADD_FIELD(normalIndex, (-1));
    // The coordinate of each strip vertex, strips ended by -1, as the
    // triangle-strip set it lights holds them. Default [ -1 ].
    SO_NODE_ADD_FIELD(coordIndex, (-1));
    illumination.setNum(0);
    lightDirections.setNum(0);
    lightPositions.setNum(0);
}

SoGenerateIlluminatedGeometry::~SoGenerateIlluminatedGeometry()
{
}

void SoGenerateIlluminatedGeometry::GLRender(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    // The values follow the GL lights, which a render cache does not see.
    SoCacheElement::invalidate(state);

    // GL keeps light positions in eye coordinates: back through the viewing
    // matrix and the model matrix into the coordinates of the vertices.
    const SbMatrix toEye = SoModelMatrixElement::get(state) * SoViewingMatrixElement::get(state);
    const LightSet lights = enabledLights(toEye.inverse());
    lightDirections.setValues(0, int(lights.directions.size()), lights.directions.data());
    lightDirections.setNum(int(lights.directions.size()));
    lightPositions.setValues(0, int(lights.positions.size()), lights.positions.data());
    lightPositions.setNum(int(lights.positions.size()));
    if (lights.empty()) {
        std::printf("NO LIGHTS DEFINED!\n");
        return;
    }

    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    std::vector<SbVec3f> points(size_t(coordinates->getNum()));
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = coordinates->get3(int(i));
    const SoNormalElement* normals = SoNormalElement::getInstance(state);
    const std::vector<int32_t> coords(coordIndex.getValues(0), coordIndex.getValues(0) + coordIndex.getNum());
    const std::vector<int32_t> normalIndices(normalIndex.getValues(0), normalIndex.getValues(0) + normalIndex.getNum());

    std::vector<float> values;
    int first = -1;
    const int bad = illuminateEntries(lights, points.data(), int(points.size()), normals->getArrayPtr(),
                                      normals->getNum(), coords, normalIndices, values, first);
    if (bad != 0 && (bad != reportedBad || first != reportedFirst)) {
        const bool indexed = coords.size() == normalIndices.size();
        SoDebugError::postWarning("SoGenerateIlluminatedGeometry::GLRender",
                                  "%d entries name a coordinate or normal that does not exist, the first entry %d "
                                  "(coordinate %d of %d, normal %d of %d); they are lit with %g",
                                  bad, first, int(coords[size_t(first)]), int(points.size()),
                                  indexed ? int(normalIndices[size_t(first)]) : first, normals->getNum(),
                                  double(kMissingIllumination));
    }
    reportedBad = bad;
    reportedFirst = first;

    illumination.setValues(0, int(values.size()), values.data());
    illumination.setNum(int(values.size()));
    SoIlluminatedGeometryElement::set(state, this, illumination.getNum(), illumination.getValues(0));
}
