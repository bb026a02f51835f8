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
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoVertexProperty.h>

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
            outputList.meshes.clear();
            outputList.renewGeneration();
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
    collect.addPreCallback(SoIndexedTriangleStripSet::getClassTypeId(),
                           stripSetFound, this);
    building = true;
    collect.apply(this);
    building = false;

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
        SoDebugError::postWarning("SoGenerateWingedEdge::addStripSet",
                                  "triangle strip set %d: %d triangles dropped, their coordinate or normal "
                                  "index lies outside the array",
                                  k, dropped);
}
