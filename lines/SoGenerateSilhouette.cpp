// Extracts border, silhouette and sharp edges of the meshes in the traversal
// state for the current view, and sends them down the line chain or draws
// them.

#include "lines/SoGenerateSilhouette.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>

#include <GL/gl.h>

#include <algorithm>

#include "lines/AppendLines.h"
#include "lines/EdgeWalk.h"
#include "lines/GLDepthSource.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

SO_NODE_SOURCE(SoGenerateSilhouette);

namespace {

bool cameraStatic = false;
bool triangleChunkRepairOff = false;
bool zigZagRepairOff = false;

// Meshes above this many faces in total are searched through the cell grid.
const int32_t kGridModeFaces = 40000;

} // namespace

void SoGenerateSilhouette::setCameraStatic(bool on) { cameraStatic = on; }
bool SoGenerateSilhouette::isCameraStatic(void) { return cameraStatic; }
void SoGenerateSilhouette::setTriangleChunkRepairOff(bool off) { triangleChunkRepairOff = off; }
bool SoGenerateSilhouette::isTriangleChunkRepairOff(void) { return triangleChunkRepairOff; }
void SoGenerateSilhouette::setZigZagRepairOff(bool off) { zigZagRepairOff = off; }
bool SoGenerateSilhouette::isZigZagRepairOff(void) { return zigZagRepairOff; }

void SoGenerateSilhouette::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    if (SoLineCoordinateIndexElement::getClassTypeId() == SoType::badType())
        SoLineCoordinateIndexElement::initClass();
    SO_NODE_INIT_CLASS(SoGenerateSilhouette, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoGLRenderAction, SoViewVolumeElement);
    SO_ENABLE(SoGLRenderAction, SoModelMatrixElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
}

SoGenerateSilhouette::SoGenerateSilhouette(void)
    : drawingColor(0.0f, 1.0f, 0.0f)
{
    SO_NODE_CONSTRUCTOR(SoGenerateSilhouette);
    // Master switch. Default TRUE.
    SO_NODE_ADD_FIELD(doComputation, (TRUE));
    // Self-drawn edges only where the depth buffer shows them. Default TRUE.
    SO_NODE_ADD_FIELD(displaySilhouette, (TRUE));
    // Sampling step of the visibility walk, in window pixels. Default 4.
    SO_NODE_ADD_FIELD(maximalError, (4.0f));
    // Include sharp edges. Default TRUE.
    SO_NODE_ADD_FIELD(displaySharpEdges, (TRUE));
    // Faces meeting at a dihedral angle below this many degrees make a sharp
    // edge. Default 115.
    SO_NODE_ADD_FIELD(sharpEdgesAngle, (115.0f));
    // TRUE appends the edges to the line state; FALSE draws them. Default TRUE.
    SO_NODE_ADD_FIELD(sendLines, (TRUE));
    // Width of self-drawn lines and points, in pixels. Default 1.
    SO_NODE_ADD_FIELD(lineWidth, (1.0f));
    // -1 works on every mesh, another value only on the mesh of that object
    // index. Default -1.
    SO_NODE_ADD_FIELD(shapeKey, (-1));
    // Smooth, blended self-drawn lines. Default TRUE.
    SO_NODE_ADD_FIELD(antialiasing, (TRUE));
    // Self-drawn lines get their end points as points too. Default TRUE.
    SO_NODE_ADD_FIELD(fillLineCracks, (TRUE));
}

SoGenerateSilhouette::~SoGenerateSilhouette()
{
}

WingedEdgeList* SoGenerateSilhouette::getWingedEdgeList(SoState* state)
{
    return SoWingedEdgeElement::get(state);
}

void SoGenerateSilhouette::GLRender(SoGLRenderAction* action)
{
    doAction(action);
}

void SoGenerateSilhouette::doAction(SoAction* action)
{
    if (!doComputation.getValue())
        return;
    SoState* state = action->getState();
    WingedEdgeList* list = getWingedEdgeList(state);
    if (list == nullptr || list->upToDate == 0)
        return;
    // What this node sends or draws depends on the list's records and status
    // words and, when it draws, on the depth buffer: no element tracks
    // those, so no render cache around it may replay an earlier result.
    SoCacheElement::invalidate(state);

    edges.clear();
    visible.clear();
    extract(*list, state);

    if (sendLines.getValue()) {
        sendEdges(state);
        return;
    }
    // Once tested, only what the test found visible is drawn, which may be
    // nothing at all.
    visibilityTested = displaySilhouette.getValue();
    if (visibilityTested) {
        std::vector<WEEdge*> tested;
        tested.reserve(edges.size());
        for (const SilhouetteExtractor::Edge& e : edges)
            tested.push_back(e.edge);
        GLDepthSource depth;
        visible = visibility.compute(tested, maximalError.getValue(), GLDepthSource::currentObjectToClip(), depth);
    }
    drawEdges();
}

void SoGenerateSilhouette::extract(WingedEdgeList& list, SoState* state)
{
    const SbViewVolume& volume = SoViewVolumeElement::get(state);
    const SbMatrix& model = SoModelMatrixElement::get(state);
    const double angle = displaySharpEdges.getValue() ? double(sharpEdgesAngle.getValue()) : 0.0;
    const int projection = volume.getProjectionType() == SbViewVolume::ORTHOGRAPHIC ? 0 : 1;

    if (angle != cachedAngle || projection != cachedProjection) {
        cachedAngle = angle;
        cachedProjection = projection;
        list.classified = 0;
    }
    if (!cameraStatic || !cameraKnown) {
        const SbMatrix toObject = model.inverse();
        SbVec3f near, far;
        toObject.multVecMatrix(volume.getSightPoint(0.0f), near);
        toObject.multVecMatrix(volume.getSightPoint(1.0f), far);
        eyePoint = near;
        viewDirection = far - near;
        viewDirection.normalize();
        cameraKnown = true;
    }

    // The caches hold handles into the records they were made from. Another
    // node on the same list may have classified it while this one's caches
    // still belong to records freed since, so the list's mark alone does not
    // tell; the generation does.
    const bool stale = list.classified == 0 || list.getGeneration() != cachedGeneration || !extractor.isClassified();
    if (stale) {
        extractor.invalidate();
        cachedGeneration = list.getGeneration();
        ++classifications;
        if (projection == 0)
            gaussMap.build(list, list.totalFaceCount() > kGridModeFaces);
        else
            gaussMap.clear();
    }

    SilhouetteExtractor::Repairs repairs;
    repairs.triangleChunks = !triangleChunkRepairOff;
    repairs.zigZags = !zigZagRepairOff;
    if (projection == 0) {
        const SilhouetteExtractor::SilhouetteSearch search =
            [this](int32_t mesh, const SbVec3f& d, const std::function<void(WEEdge*)>& found) {
                gaussMap.query(size_t(mesh), d, found);
            };
        extractor.orthographic(list, angle, viewDirection, eyePoint, shapeKey.getValue(), search, repairs, edges);
    } else {
        extractor.perspective(list, angle, eyePoint, shapeKey.getValue(), repairs, edges);
    }
    list.classified = 1;
}

void SoGenerateSilhouette::sendEdges(SoState* state)
{
    // A number for every vertex the edges use, so that a vertex shared by
    // several edges is stored once; every edge a strip of its own. The
    // number (plus one) is kept in the vertex's flags word, which is zero
    // outside a run, and cleared again when all edges are numbered.
    points.clear();
    strips.clear();
    auto numberOf = [this](WEVertex* vertex) {
        if (vertex->flags == 0) {
            points.push_back(vertex->position);
            vertex->flags = int32_t(points.size());
        }
        return vertex->flags - 1;
    };
    auto edgeOf = [](const SilhouetteExtractor::Edge& e) { return e.edge; };
    walkEdgesFetchingAhead(edges, edgeOf, [&](const SilhouetteExtractor::Edge& e) {
        strips.push_back(numberOf(e.edge->startVertex));
        strips.push_back(numberOf(e.edge->endVertex));
        strips.push_back(-1);
    });
    for (const SilhouetteExtractor::Edge& e : edges)
        e.edge->startVertex->flags = e.edge->endVertex->flags = 0;
    appendLines(state, this, points, strips, coordinatesOutput, indicesOutput);
}

void SoGenerateSilhouette::drawEdges(void)
{
    glPushAttrib(GL_CURRENT_BIT | GL_POINT_BIT | GL_LINE_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT |
                 GL_COLOR_BUFFER_BIT | GL_HINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    if (antialiasing.getValue()) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
        glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_POINT_SMOOTH);
    }
    glColor3fv(drawingColor.getValue());
    glLineWidth(lineWidth.getValue());
    glPointSize(lineWidth.getValue());

    // Each drawn piece as a line, then its two ends as points.
    std::vector<SbVec3f> ends;
    if (visibilityTested) {
        for (const VisibleEdge& v : visible) {
            const SbVec3f a = v.edge->startVertex->position, b = v.edge->endVertex->position;
            for (const EdgeInterval& interval : v.intervals) {
                ends.push_back(a + float(interval.t0) * (b - a));
                ends.push_back(a + float(interval.t1) * (b - a));
            }
        }
    } else {
        for (const SilhouetteExtractor::Edge& e : edges) {
            ends.push_back(e.edge->startVertex->position);
            ends.push_back(e.edge->endVertex->position);
        }
    }
    glBegin(GL_LINES);
    for (const SbVec3f& p : ends)
        glVertex3fv(p.getValue());
    glEnd();
    if (fillLineCracks.getValue()) {
        glBegin(GL_POINTS);
        for (const SbVec3f& p : ends)
            glVertex3fv(p.getValue());
        glEnd();
    }
    glPopAttrib();
}
