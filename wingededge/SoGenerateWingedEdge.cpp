// Builds the winged-edge meshes of the model below the node and publishes
// them in the traversal state.

#include "wingededge/SoGenerateWingedEdge.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoPickAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLineSet.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedShape.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLPointSet.h>
#include <Inventor/VRMLnodes/SoVRMLVertexShape.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/details/SoPointDetail.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoIndexedShape.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoLineSet.h>
#include <Inventor/nodes/SoNonIndexedShape.h>
#include <Inventor/nodes/SoPointSet.h>
#include <Inventor/nodes/SoQuadMesh.h>
#include <Inventor/nodes/SoTriangleStripSet.h>
#include <Inventor/nodes/SoVertexProperty.h>

#include <algorithm>
#include <memory>
#include <string>

#include "wingededge/ShapeTriangles.h"
#include "wingededge/SoWingedEdgeElement.h"

SO_NODE_SOURCE(SoGenerateWingedEdge);

void SoGenerateWingedEdge::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    SO_NODE_INIT_CLASS(SoGenerateWingedEdge, SoGroup, "Group");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
    SO_ENABLE(SoPickAction, SoWingedEdgeElement);
    SO_ENABLE(SoGetBoundingBoxAction, SoWingedEdgeElement);
}

SoGenerateWingedEdge::SoGenerateWingedEdge(void)
{
    SO_NODE_CONSTRUCTOR(SoGenerateWingedEdge);
    // Curvature mode copied into the published list on each refresh. Default 1.
    SO_NODE_ADD_FIELD(curvatureMode, (1));
    // Curvature visualization threshold copied into the published list. Default 1.0.
    SO_NODE_ADD_FIELD(threshold, (1.0f));
    // FALSE publishes an empty list instead of the meshes. Default TRUE.
    SO_NODE_ADD_FIELD(doBuildWingedEdge, (TRUE));
    // Visualization mode copied into the published list on each refresh. Default 2.
    SO_NODE_ADD_FIELD(visualizationMode, (2));
    // FALSE builds meshes from indexed triangle strip sets only; TRUE from
    // every shape that makes triangles, one mesh per shape. Default FALSE.
    SO_NODE_ADD_FIELD(buildFromAllShapes, (FALSE));
}

SoGenerateWingedEdge::~SoGenerateWingedEdge()
{
}

void SoGenerateWingedEdge::GLRender(SoGLRenderAction* action)
{
    update(action);
    inherited::GLRender(action);
}

void SoGenerateWingedEdge::callback(SoCallbackAction* action)
{
    update(action);
    inherited::callback(action);
}

void SoGenerateWingedEdge::pick(SoPickAction* action)
{
    update(action);
    inherited::pick(action);
}

void SoGenerateWingedEdge::getBoundingBox(SoGetBoundingBoxAction* action)
{
    update(action);
    inherited::getBoundingBox(action);
}

void SoGenerateWingedEdge::requestRebuild(void)
{
    rebuildRequested = true;
}

void SoGenerateWingedEdge::invalidateList(void)
{
    outputList.upToDate = 0;
}

void SoGenerateWingedEdge::invalidateRenderCache(void)
{
    outputList.renderCacheValid = 0;
}

void SoGenerateWingedEdge::setVisualizationMode(int mode)
{
    visualizationMode.setValue(mode);
    outputList.setVisualizationMode(mode);
}

int SoGenerateWingedEdge::getOriginalFaceCount(void) const
{
    return builtList.totalFaceCount();
}

void SoGenerateWingedEdge::setObjectIndexCallback(SoGenerateWingedEdgeObjectIndexCB* callback, void* userData)
{
    objectIndexCallback = callback;
    objectIndexUserData = userData;
}

void SoGenerateWingedEdge::update(SoAction* action)
{
    // The build traverses this node with its own action; that inner pass
    // only collects strip sets.
    if (building)
        return;
    SoState* state = action->getState();

    if (!doBuildWingedEdge.getValue()) {
        outputList.clear();
        SoWingedEdgeElement::set(state, this, &outputList);
        return;
    }
    if (rebuildRequested)
        rebuild();
    if (!outputList.upToDate) {
        if (hasObjects) {
            outputList = builtList;
            outputList.setVisualizationMode(visualizationMode.getValue());
            outputList.setCurvatureMode(curvatureMode.getValue());
            outputList.setThreshold(threshold.getValue());
            outputList.upToDate = 1;
            outputList.modificationsApplied = 0;
            outputList.classified = 0;
            outputList.renderCacheValid = 0;
        } else {
            // Nothing to draw any more: what a shape drew of the last model
            // must not stay on the screen.
            outputList.meshes.clear();
            outputList.renewGeneration();
            outputList.renderCacheValid = 0;
        }
    }
    SoWingedEdgeElement::set(state, this, &outputList);
}

// Every strip set is built with the coordinates, normals and transformation
// in effect for it during traversal, which is what it is drawn with: strip
// sets that share one coordinate node each get the right points.
void SoGenerateWingedEdge::rebuild(void)
{
    builtList.clear();
    outputList.upToDate = 0;
    stripSetsSeen = 0;

    SoCallbackAction collect;
    if (buildFromAllShapes.getValue()) {
        collect.addPreCallback(SoShape::getClassTypeId(), shapeFound, this);
        collect.addTriangleCallback(SoShape::getClassTypeId(), triangleFound, this);
        collect.addPostCallback(SoShape::getClassTypeId(), shapeDone, this);
    } else {
        collect.addPreCallback(SoIndexedTriangleStripSet::getClassTypeId(), stripSetFound, this);
    }
    building = true;
    collect.apply(this);
    building = false;
    delete currentShape;
    currentShape = nullptr;

    hasObjects = stripSetsSeen > 0;
    rebuildRequested = false;

    // Faces without a normal have no front or back, so neither shading nor
    // the outlines can place them. Say so once per build.
    int degenerate = 0;
    for (const WingedEdgeMesh& mesh : builtList.meshes)
        for (const WEFace& face : mesh.faces)
            degenerate += face.normal == SbVec3f(0.0f, 0.0f, 0.0f) ? 1 : 0;
    if (degenerate > 0)
        SoDebugError::postWarning("SoGenerateWingedEdge::rebuild",
                                  "%d of %d faces are degenerate (zero area, or coordinates too large or not "
                                  "finite) and have no normal",
                                  degenerate, builtList.totalFaceCount());
}

SoCallbackAction::Response SoGenerateWingedEdge::stripSetFound(void* self, SoCallbackAction* action, const SoNode* node)
{
    static_cast<SoGenerateWingedEdge*>(self)->addStripSet(action,
                                                          static_cast<const SoIndexedTriangleStripSet*>(node));
    return SoCallbackAction::PRUNE;
}

namespace {

// Copies a 3D or homogeneous coordinate element into plain points.
void copyCoordinates(const SoCoordinateElement* element, std::vector<SbVec3f>& out)
{
    const int32_t count = element->getNum();
    out.resize(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        if (element->is3D()) {
            out[size_t(i)] = element->get3(i);
        } else {
            const SbVec4f& h = element->get4(i);
            out[size_t(i)] = h[3] != 0.0f ? SbVec3f(h[0] / h[3], h[1] / h[3], h[2] / h[3]) : SbVec3f(h[0], h[1], h[2]);
        }
    }
}

// Splits an index field at every -1: each run, also an empty one between two
// separators, is one strip. A last run without its -1 counts as well.
void splitStrips(const int32_t* coordIndex, const int32_t* normalIndex, int count, StripInput& in)
{
    int32_t length = 0;
    for (int i = 0; i < count; ++i) {
        if (coordIndex[i] == -1) {
            in.stripLengths.push_back(length);
            length = 0;
            continue;
        }
        in.coordIndex.push_back(coordIndex[i]);
        in.normalIndex.push_back(normalIndex != nullptr ? normalIndex[i] : 0);
        ++length;
    }
    if (length > 0)
        in.stripLengths.push_back(length);
}

} // namespace

void SoGenerateWingedEdge::addStripSet(SoCallbackAction* action, const SoIndexedTriangleStripSet* stripSet)
{
    const int k = stripSetsSeen++;
    SoState* state = action->getState();
    StripInput in;

    const SoVertexProperty* property = dynamic_cast<const SoVertexProperty*>(stripSet->vertexProperty.getValue());
    const SoNormalElement* normalElement = SoNormalElement::getInstance(state);
    const SbVec3f* normals = normalElement->getArrayPtr();
    int normalCount = normalElement->getNum();
    if (property != nullptr && property->vertex.getNum() > 0) {
        in.coordinates.assign(property->vertex.getValues(0), property->vertex.getValues(0) + property->vertex.getNum());
        if (property->normal.getNum() > 0) {
            normals = property->normal.getValues(0);
            normalCount = property->normal.getNum();
        }
    } else {
        const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
        if (coordinates->getNodeId() == 0) {
            SoDebugError::postWarning("SoGenerateWingedEdge::addStripSet",
                                      "triangle strip set %d has no coordinates; it is skipped", k);
            return;
        }
        copyCoordinates(coordinates, in.coordinates);
    }

    const int indexCount = stripSet->coordIndex.getNum();
    const bool useNormals = normals != nullptr && normalCount > 0 && stripSet->normalIndex.getNum() == indexCount;
    if (useNormals)
        in.normals.assign(normals, normals + normalCount);
    else
        in.normals.assign(1, SbVec3f(0.0f, 0.0f, 0.0f));
    splitStrips(stripSet->coordIndex.getValues(0), useNormals ? stripSet->normalIndex.getValues(0) : nullptr,
                indexCount, in);

    addMesh(action, in, k, "triangle strip set");
}

// Places one mesh's input into the generator's coordinate system and builds
// it; `what` names the kind of node in the diagnostics.
void SoGenerateWingedEdge::addMesh(SoCallbackAction* action, StripInput& in, int k, const char* what)
{
    SoState* state = action->getState();
    int objectIndex = k;
    if (objectIndexCallback != nullptr) {
        SoPath* path = action->getCurPath()->copy();
        path->ref();
        const int mapped = objectIndexCallback(objectIndexUserData, path);
        path->unref();
        if (mapped != -1)
            objectIndex = mapped;
    }

    // Into the coordinate system of this node; normals take the inverse
    // transpose so that they stay perpendicular under non-uniform scaling.
    const SbMatrix& toGenerator = SoModelMatrixElement::get(state);
    if (toGenerator != SbMatrix::identity()) {
        const SbMatrix forNormals = toGenerator.inverse().transpose();
        for (SbVec3f& p : in.coordinates)
            toGenerator.multVecMatrix(SbVec3f(p), p);
        for (SbVec3f& n : in.normals)
            forNormals.multDirMatrix(SbVec3f(n), n);
    }

    const int dropped = WingedEdgeMesh::buildFromStrips(builtList, objectIndex, in);
    if (dropped > 0)
        SoDebugError::postWarning("SoGenerateWingedEdge::addMesh",
                                  "%s %d: %d triangles dropped, their coordinate or normal "
                                  "index lies outside the array",
                                  what, k, dropped);
}

// --- every shape that makes triangles -------------------------------------

namespace {

// The points and the number of normals a vertex shape draws with: its own
// vertex property or VRML coordinate node, or else the state's.
struct ShapeData {
    std::vector<SbVec3f> coordinates;
    int32_t normalCount = 0;
};

ShapeData shapeData(SoState* state, const SoShape* shape)
{
    ShapeData data;
    if (shape->isOfType(SoVRMLVertexShape::getClassTypeId())) {
        const SoVRMLVertexShape* vrml = static_cast<const SoVRMLVertexShape*>(shape);
        const SoNode* coord = vrml->coord.getValue();
        if (coord != nullptr && coord->isOfType(SoVRMLCoordinate::getClassTypeId())) {
            const SoMFVec3f& point = static_cast<const SoVRMLCoordinate*>(coord)->point;
            data.coordinates.assign(point.getValues(0), point.getValues(0) + point.getNum());
        }
        const SoNode* normal = vrml->normal.getValue();
        if (normal != nullptr && normal->isOfType(SoVRMLNormal::getClassTypeId()))
            data.normalCount = static_cast<const SoVRMLNormal*>(normal)->vector.getNum();
        return data;
    }
    if (!shape->isOfType(SoVertexShape::getClassTypeId()))
        return data;
    const SoVertexProperty* property =
        dynamic_cast<const SoVertexProperty*>(static_cast<const SoVertexShape*>(shape)->vertexProperty.getValue());
    if (property != nullptr && property->vertex.getNum() > 0) {
        data.coordinates.assign(property->vertex.getValues(0),
                                property->vertex.getValues(0) + property->vertex.getNum());
    } else {
        const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
        if (coordinates->getNodeId() != 0)
            copyCoordinates(coordinates, data.coordinates);
    }
    data.normalCount = property != nullptr && property->normal.getNum() > 0 ? property->normal.getNum()
                                                                             : SoNormalElement::getInstance(state)->getNum();
    return data;
}

// Whether an index of `field` lies outside [-1, count); the first such
// index goes to `bad`. Coin reads its arrays at such indices unchecked.
bool indexOutside(const SoMFInt32& field, int32_t count, int32_t& bad)
{
    const int32_t* index = field.getValues(0);
    for (int i = 0; i < field.getNum(); ++i) {
        if (index[i] < -1 || index[i] >= count) {
            bad = index[i];
            return true;
        }
    }
    return false;
}

// Why Coin cannot be trusted to generate the shape's triangles: an index
// outside its coordinates or normals, or more vertices than coordinates.
// Empty when the shape is sound.
std::string unsoundShape(const SoShape* shape, const ShapeData& data)
{
    const int32_t points = int32_t(data.coordinates.size());
    int32_t bad = 0;
    auto outside = [&](const char* what, int32_t count) {
        return std::string(what) + " index " + std::to_string(bad) + " lies outside the " + std::to_string(count) +
               " " + what + "s";
    };
    const SoMFInt32* coordIndex = nullptr;
    const SoMFInt32* normalIndex = nullptr;
    if (shape->isOfType(SoIndexedShape::getClassTypeId())) {
        coordIndex = &static_cast<const SoIndexedShape*>(shape)->coordIndex;
        normalIndex = &static_cast<const SoIndexedShape*>(shape)->normalIndex;
    } else if (shape->isOfType(SoVRMLIndexedShape::getClassTypeId())) {
        coordIndex = &static_cast<const SoVRMLIndexedShape*>(shape)->coordIndex;
        normalIndex = &static_cast<const SoVRMLIndexedShape*>(shape)->normalIndex;
        // Without normal indices the coordinate indices pick the normals.
        if (normalIndex->getNum() == 0)
            normalIndex = coordIndex;
    }
    if (coordIndex != nullptr) {
        if (indexOutside(*coordIndex, points, bad))
            return outside("coordinate", points);
        if (data.normalCount > 0 && indexOutside(*normalIndex, data.normalCount, bad))
            return outside("normal", data.normalCount);
        return std::string();
    }

    if (!shape->isOfType(SoNonIndexedShape::getClassTypeId()))
        return std::string();
    int64_t needed = static_cast<const SoNonIndexedShape*>(shape)->startIndex.getValue();
    if (needed < 0)
        return "its start index " + std::to_string(needed) + " is negative";
    const SoMFInt32* numVertices = nullptr;
    if (shape->isOfType(SoFaceSet::getClassTypeId()))
        numVertices = &static_cast<const SoFaceSet*>(shape)->numVertices;
    else if (shape->isOfType(SoTriangleStripSet::getClassTypeId()))
        numVertices = &static_cast<const SoTriangleStripSet*>(shape)->numVertices;
    if (numVertices != nullptr) {
        for (int i = 0; i < numVertices->getNum(); ++i) {
            // -1 takes every coordinate that is left.
            if ((*numVertices)[i] < -1)
                return "its vertex count " + std::to_string((*numVertices)[i]) + " is negative";
            needed += std::max((*numVertices)[i], 0);
        }
    } else if (shape->isOfType(SoQuadMesh::getClassTypeId())) {
        const SoQuadMesh* mesh = static_cast<const SoQuadMesh*>(shape);
        if (mesh->verticesPerRow.getValue() < 0 || mesh->verticesPerColumn.getValue() < 0)
            return "it has a negative number of rows or columns";
        needed += int64_t(mesh->verticesPerRow.getValue()) * int64_t(mesh->verticesPerColumn.getValue());
    }
    if (needed > points)
        return "it needs " + std::to_string(needed) + " coordinates and has " + std::to_string(points);
    return std::string();
}

// Shapes that only make lines or points.
bool makesNoTriangles(const SoShape* shape)
{
    for (SoType type : { SoLineSet::getClassTypeId(), SoIndexedLineSet::getClassTypeId(),
                         SoPointSet::getClassTypeId(), SoVRMLIndexedLineSet::getClassTypeId(),
                         SoVRMLPointSet::getClassTypeId() })
        if (shape->isOfType(type))
            return true;
    return false;
}

} // namespace

SoCallbackAction::Response SoGenerateWingedEdge::shapeFound(void* self, SoCallbackAction* action, const SoNode* node)
{
    SoGenerateWingedEdge* generator = static_cast<SoGenerateWingedEdge*>(self);
    if (node->isOfType(SoIndexedTriangleStripSet::getClassTypeId())) {
        generator->addStripSet(action, static_cast<const SoIndexedTriangleStripSet*>(node));
        return SoCallbackAction::PRUNE;
    }
    return generator->beginShape(action, static_cast<const SoShape*>(node));
}

SoCallbackAction::Response SoGenerateWingedEdge::shapeDone(void* self, SoCallbackAction* action, const SoNode*)
{
    static_cast<SoGenerateWingedEdge*>(self)->endShape(action);
    return SoCallbackAction::CONTINUE;
}

SoCallbackAction::Response SoGenerateWingedEdge::beginShape(SoCallbackAction* action, const SoShape* shape)
{
    delete currentShape;
    currentShape = nullptr;
    if (makesNoTriangles(shape))
        return SoCallbackAction::PRUNE;
    ShapeData data = shapeData(action->getState(), shape);
    const std::string unsound = unsoundShape(shape, data);
    if (!unsound.empty()) {
        const SbName name = shape->getName();
        SoDebugError::postWarning("SoGenerateWingedEdge::beginShape", "%s%s%s is skipped: %s",
                                  shape->getTypeId().getName().getString(), name.getLength() > 0 ? " " : "",
                                  name.getString(), unsound.c_str());
        return SoCallbackAction::PRUNE;
    }
    currentShape = new ShapeTriangles(std::move(data.coordinates));
    return SoCallbackAction::CONTINUE;
}

void SoGenerateWingedEdge::triangleFound(void* self, SoCallbackAction*, const SoPrimitiveVertex* v0,
                                         const SoPrimitiveVertex* v1, const SoPrimitiveVertex* v2)
{
    ShapeTriangles* shape = static_cast<SoGenerateWingedEdge*>(self)->currentShape;
    if (shape == nullptr)
        return;
    const SoPrimitiveVertex* vertex[3] = { v0, v1, v2 };
    const SbVec3f point[3] = { v0->getPoint(), v1->getPoint(), v2->getPoint() };
    const SbVec3f normal[3] = { v0->getNormal(), v1->getNormal(), v2->getNormal() };

    // Coin hands every corner the detail of the whole face (or a point
    // detail); the corner is the face point at its position.
    int32_t faceIndices[64];
    std::vector<int32_t> manyIndices;
    const int32_t* indices = faceIndices;
    int count = 0;
    const SoDetail* detail = vertex[0]->getDetail();
    if (detail != nullptr && detail->isOfType(SoFaceDetail::getClassTypeId())) {
        const SoFaceDetail* face = static_cast<const SoFaceDetail*>(detail);
        count = face->getNumPoints();
        int32_t* out = faceIndices;
        if (count > 64) {
            manyIndices.resize(size_t(count));
            out = manyIndices.data();
            indices = out;
        }
        for (int k = 0; k < count; ++k)
            out[k] = face->getPoint(k)->getCoordinateIndex();
    } else {
        for (const SoPrimitiveVertex* v : vertex) {
            const SoDetail* own = v->getDetail();
            if (own != nullptr && own->isOfType(SoPointDetail::getClassTypeId()))
                faceIndices[count++] = static_cast<const SoPointDetail*>(own)->getCoordinateIndex();
        }
    }
    shape->add(point, normal, indices, count);
}

void SoGenerateWingedEdge::endShape(SoCallbackAction* action)
{
    std::unique_ptr<ShapeTriangles> shape(currentShape);
    currentShape = nullptr;
    if (shape == nullptr || shape->triangleCount() == 0)
        return;
    addMesh(action, shape->strips(), stripSetsSeen++, "shape");
}
