// Draws the winged-edge meshes of the traversal state, or passes their edges
// on to the line chain.

#include "wingededge/SoWingedEdge.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/bundles/SoMaterialBundle.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/elements/SoGLNormalElement.h>
#include <Inventor/elements/SoLazyElement.h>
#include <Inventor/elements/SoMaterialBindingElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/misc/SoState.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "lines/AppendLines.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "modify/Curvature.h"
#include "wingededge/CurvatureColors.h"
#include "wingededge/FaceStrips.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

SO_NODE_SOURCE(SoWingedEdge);

namespace {

// Edge and vertex flag bits this node shows.
const int32_t kSilhouetteEdge = 2;
const int32_t kVertexMarkA = 32;
const int32_t kVertexMarkB = 64;

void vertex(const SbVec3f& p)
{
    glVertex3fv(p.getValue());
}

void color(const SbColor& c)
{
    glColor3fv(c.getValue());
}

// Emits the strips of a mesh; `before` runs ahead of every vertex (colour).
// With facets, every vertex carries the normal of the triangle it completes,
// which is the normal flat shading uses for that triangle, so the facets show
// their own orientation whatever way the strips run; otherwise the vertex
// normals, for smooth shading.
template <class BeforeVertex>
void emitStrips(const WingedEdgeMesh& mesh, bool facets, BeforeVertex before)
{
    const FaceStrips strips = growFaceStrips(mesh);
    size_t next = 0, triangle = 0;
    for (int32_t length : strips.stripLengths) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int32_t i = 0; i < length; ++i, ++next) {
            const WEVertex* v = strips.vertices[next];
            before(*v);
            if (facets) {
                const size_t completes = triangle + size_t(i < 2 ? 0 : i - 2);
                const SbVec3f& n = completes < strips.faces.size() ? strips.faces[completes]->normal : v->normal;
                glNormal3fv(n.getValue());
            } else {
                glNormal3fv(v->normal.getValue());
            }
            vertex(v->position);
        }
        glEnd();
        triangle += size_t(std::max(length - 2, 0));
    }
}

// Deletes display lists of this node once the context they belong to is
// current again.
void deleteLists(void* closure, uint32_t)
{
    const uintptr_t first = reinterpret_cast<uintptr_t>(closure);
    glDeleteLists(GLuint(first), GLsizei(SoWingedEdge::LIST_COUNT));
}

} // namespace

void SoWingedEdge::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    if (SoLineCoordinateIndexElement::getClassTypeId() == SoType::badType())
        SoLineCoordinateIndexElement::initClass();
    SO_NODE_INIT_CLASS(SoWingedEdge, SoShape, "Shape");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
    SO_ENABLE(SoGetBoundingBoxAction, SoWingedEdgeElement);
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoGLRenderAction, SoGLNormalElement);
    SO_ENABLE(SoGLRenderAction, SoMaterialBindingElement);
}

SoWingedEdge::SoWingedEdge(void)
    : lineColor(1.0f, 1.0f, 1.0f), faceColor(0.7f, 0.7f, 0.7f)
{
    SO_NODE_CONSTRUCTOR(SoWingedEdge);
    // TRUE hands the edges to the line chain instead of drawing them. Default FALSE.
    SO_NODE_ADD_FIELD(sendLines, (FALSE));
    // In the edge modes, the faces first fill the depth buffer so that edges
    // behind the surface stay hidden. Default TRUE.
    SO_NODE_ADD_FIELD(hideBackfaces, (TRUE));
    // Width of edges and size of points, in pixels. Default 5.
    SO_NODE_ADD_FIELD(lineWidth, (5.0f));
    // Smooth, alpha-blended lines and points. Default TRUE.
    SO_NODE_ADD_FIELD(antialiasing, (TRUE));
    // Both end points of every edge are drawn as points too, closing the
    // cracks between wide line segments. Default TRUE.
    SO_NODE_ADD_FIELD(fillLineCracks, (TRUE));
}

SoWingedEdge::~SoWingedEdge()
{
    releaseLists();
}

void SoWingedEdge::releaseLists(void)
{
    // The context they belong to may not be current now (or ever again, if
    // it is destroyed first, which takes the lists with it): Coin runs the
    // delete the next time a render action makes that context current.
    if (firstList != 0)
        SoGLCacheContextElement::scheduleDeleteCallback(listContext, deleteLists,
                                                        reinterpret_cast<void*>(uintptr_t(firstList)));
    firstList = 0;
}

void SoWingedEdge::setLineColor(float r, float g, float b)
{
    lineColor.setValue(r, g, b);
}

void SoWingedEdge::computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center)
{
    box.makeEmpty();
    center.setValue(0.0f, 0.0f, 0.0f);
    // The meshes change without any element or field changing with them: a
    // cached box would outlive them.
    SoCacheElement::invalidate(action->getState());
    const WingedEdgeList* list = SoWingedEdgeElement::get(action->getState());
    if (list == nullptr)
        return;
    for (const WingedEdgeMesh& mesh : list->meshes)
        for (const WEVertex& v : mesh.vertices)
            box.extendBy(v.position);
    if (!box.isEmpty())
        center = box.getCenter();
}

void SoWingedEdge::generatePrimitives(SoAction*)
{
    // The meshes are drawn from display lists only; picking and callback
    // traversals see no primitives.
}

void SoWingedEdge::prepareLists(SoState* state)
{
    const uint32_t context = uint32_t(SoGLCacheContextElement::get(state));
    if (firstList != 0 && context == listContext)
        return;
    // Display lists belong to one GL context; in another one they are made
    // anew and recorded on first use, and those of the previous context are
    // freed there.
    releaseLists();
    firstList = glGenLists(LIST_COUNT);
    listContext = context;
    std::fill(std::begin(recorded), std::end(recorded), false);
}

template <class Record>
void SoWingedEdge::callList(DisplayList which, bool cacheValid, Record record)
{
    if (firstList == 0)
        return;
    const GLuint name = GLuint(firstList + uint32_t(which));
    if (!cacheValid || !recorded[which]) {
        glDeleteLists(name, 1);
        glNewList(name, GL_COMPILE);
        record();
        glEndList();
        recorded[which] = true;
        ++recordCount[which];
    }
    glCallList(name);
}

void SoWingedEdge::GLRender(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    WingedEdgeList* list = SoWingedEdgeElement::get(state);
    if (list == nullptr)
        return;
    // What is drawn depends on the list's status words, which no element
    // carries: a render cache around this node must not replay old drawings.
    SoCacheElement::invalidate(state);

    prepareLists(state);
    SoNormalElement::set(state, this, 0, nullptr);
    if (state->isCacheOpen())
        SoMaterialBindingElement::get(state);

    {
        // Lights and material as the state says, sent before the attributes
        // are saved: Coin remembers what it sent, so what the pop below
        // restores must be what it sent, or the next frame starts unlit.
        SoMaterialBundle material(action);
        material.sendFirst();
    }
    glPushAttrib(GL_CURRENT_BIT | GL_POINT_BIT | GL_LINE_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_HINT_BIT);
    SoLazyElement::setColorMaterial(state, TRUE);
    glEnable(GL_DEPTH_TEST);

    const bool lines = sendLines.getValue();
    if (!lines) {
        if (antialiasing.getValue()) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
            glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
            glEnable(GL_LINE_SMOOTH);
            glEnable(GL_POINT_SMOOTH);
        }
        glLineWidth(lineWidth.getValue());
        glPointSize(lineWidth.getValue());
    }

    const int32_t mode = list->getVisualizationMode();
    const int32_t hide = hideBackfaces.getValue() ? 1 : 0;
    if (mode != lastMode || int32_t(lines) != lastSendLines || hide != lastHideBackfaces) {
        list->renderCacheValid = 0;
        lastMode = mode;
        lastSendLines = lines ? 1 : 0;
        lastHideBackfaces = hide;
    }
    const bool cacheValid = list->renderCacheValid != 0;
    // The vertex normals are means of face normals, shorter than 1 where the
    // surface bends; lighting needs them at unit length.
    glEnable(GL_NORMALIZE);

    if (mode == DEPTH_ONLY || (hide && (mode == WIREFRAME || mode == FLAGGED_EDGES || mode == CURVATURE_DIRECTIONS)))
        depthOnlyFaces(state, *list, cacheValid, mode == DEPTH_ONLY);

    if (mode == WIREFRAME || mode == FLAGGED_EDGES || mode == EDGES_WITHOUT_DEPTH_TEST) {
        const bool onlyFlagged = mode == FLAGGED_EDGES;
        if (mode == EDGES_WITHOUT_DEPTH_TEST) {
            glPushAttrib(GL_CURRENT_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
            glDisable(GL_DEPTH_TEST);
        }
        if (lines) {
            sendEdgeLines(state, *list, cacheValid, onlyFlagged);
        } else {
            SoLazyElement::setEmissive(state, &lineColor);
            drawEdges(*list, cacheValid, onlyFlagged);
        }
        if (mode == EDGES_WITHOUT_DEPTH_TEST)
            glPopAttrib();
    }

    if (mode == FLAT_SHADING || mode == COLORED_FACES || mode == THREE_COLORED_FACES) {
        static const GLfloat specular[4] = { 0.1f, 0.1f, 0.1f, 1.0f };
        if (mode == THREE_COLORED_FACES) {
            glShadeModel(GL_SMOOTH);
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            glShadeModel(mode == FLAT_SHADING ? GL_FLAT : GL_SMOOTH);
            glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
        }
        glEnable(GL_COLOR_MATERIAL);
        // A highlight as tight as OpenGL allows: its largest shininess is 128,
        // and a larger value would be refused and leave the last one in force.
        glMaterialf(GL_FRONT, GL_SHININESS, 128.0f);
        glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        if (mode == FLAT_SHADING)
            drawFaces(state, *list, cacheValid);
        else if (mode == COLORED_FACES)
            drawColoredFaces(*list, cacheValid);
        else
            drawClassFaces(*list, cacheValid);
    }

    if (mode == CURVATURE_DIRECTIONS) {
        SoLazyElement::setEmissive(state, &lineColor);
        drawDirections(*list, cacheValid);
    }

    list->renderCacheValid = 1;
    glPopAttrib();
    inherited::GLRender(action);
}

void SoWingedEdge::depthOnlyFaces(SoState* state, const WingedEdgeList& list, bool cacheValid, bool flat)
{
    if (flat)
        glShadeModel(GL_FLAT);
    glDisable(GL_LIGHTING);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    drawFaces(state, list, cacheValid);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void SoWingedEdge::drawFaces(SoState* state, const WingedEdgeList& list, bool cacheValid)
{
    glColor4f(faceColor[0], faceColor[1], faceColor[2], 1.0f - SoLazyElement::getTransparency(state, 0));
    callList(FACE_LIST, cacheValid, [&]() {
        for (const WingedEdgeMesh& mesh : list.meshes)
            emitStrips(mesh, true, [](const WEVertex&) {});
    });
}

void SoWingedEdge::drawEdges(const WingedEdgeList& list, bool cacheValid, bool onlyFlagged)
{
    callList(EDGE_LIST, cacheValid, [&]() {
        glDisable(GL_LIGHTING);
        color(lineColor);
        const SbColor selected(0.0f, 0.5f, 0.0f);
        const bool points = fillLineCracks.getValue();
        for (const WingedEdgeMesh& mesh : list.meshes) {
            // The edges as lines, then their end points as points, which
            // close the cracks between wide segments.
            for (GLenum primitive : { GLenum(GL_LINES), GLenum(GL_POINTS) }) {
                if (primitive == GL_POINTS && !points)
                    break;
                glBegin(primitive);
                for (const WEEdge& edge : mesh.edges) {
                    if (onlyFlagged && edge.flags == 0)
                        continue;
                    color((edge.flags & kSilhouetteEdge) != 0 ? selected : lineColor);
                    vertex(edge.startVertex->position);
                    vertex(edge.endVertex->position);
                }
                glEnd();
            }
            // Vertices marked by a pass: blue, red, or both (magenta).
            glPushAttrib(GL_POINT_BIT | GL_LINE_BIT);
            glPointSize(lineWidth.getValue() * 1.5f);
            glBegin(GL_POINTS);
            for (const WEVertex& v : mesh.vertices) {
                const bool a = (v.flags & kVertexMarkA) != 0, b = (v.flags & kVertexMarkB) != 0;
                if (!a && !b)
                    continue;
                color(a && b ? SbColor(1, 0, 1) : a ? SbColor(0, 0, 1) : SbColor(1, 0, 0));
                vertex(v.position);
            }
            glEnd();
            glPopAttrib();
        }
    });
}

void SoWingedEdge::drawColoredFaces(const WingedEdgeList& list, bool cacheValid)
{
    callList(COLORED_FACE_LIST, cacheValid, [&]() {
        std::vector<std::optional<std::vector<double>>> values;
        for (const WingedEdgeMesh& mesh : list.meshes)
            values.push_back(curvatureValues(mesh, list.getCurvatureMode(), list.getThreshold()));
        const CurvatureRange range = curvatureRange(list, values, list.getCurvatureMode());
        for (size_t m = 0; m < list.meshes.size(); ++m) {
            const std::optional<std::vector<double>>& byId = values[m];
            if (!byId) {
                // A mode without values: the faces in their plain colour.
                color(faceColor);
                emitStrips(list.meshes[m], false, [](const WEVertex&) {});
                continue;
            }
            emitStrips(list.meshes[m], false, [&](const WEVertex& v) {
                const double value = size_t(v.id) < byId->size() ? (*byId)[size_t(v.id)] : 0.0;
                color(rampColor(value, range));
            });
        }
    });
}

void SoWingedEdge::drawClassFaces(const WingedEdgeList& list, bool cacheValid)
{
    callList(CLASS_FACE_LIST, cacheValid, [&]() {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        std::vector<const WEVertex*> corners;
        glBegin(GL_TRIANGLES);
        for (const WingedEdgeMesh& mesh : list.meshes) {
            const std::optional<std::vector<double>> byId =
                curvatureValues(mesh, list.getCurvatureMode(), list.getThreshold());
            for (const WEFace& face : mesh.faces) {
                frontCorners(face, corners);
                // Faces of more than three corners as fans, so that the
                // batch stays in whole triangles.
                for (size_t i = 1; i + 1 < corners.size(); ++i) {
                    for (const WEVertex* v : { corners[0], corners[i], corners[i + 1] }) {
                        color(byId && size_t(v->id) < byId->size() ? classColor((*byId)[size_t(v->id)]) : faceColor);
                        glNormal3fv(v->normal.getValue());
                        vertex(v->position);
                    }
                }
            }
        }
        glEnd();
    });
}

void SoWingedEdge::drawDirections(const WingedEdgeList& list, bool cacheValid)
{
    callList(DIRECTION_LIST, cacheValid, [&]() {
        glDisable(GL_LIGHTING);
        color(lineColor);
        const bool points = fillLineCracks.getValue();
        const SbColor positive(1, 0, 0), negative(0, 0, 1);
        for (const WingedEdgeMesh& mesh : list.meshes) {
            std::vector<SbVec3f> ends;
            std::vector<SbColor> colors;
            ends.reserve(size_t(mesh.vertexCount) * 4);
            colors.reserve(size_t(mesh.vertexCount) * 2);
            for (const WEVertex& v : mesh.vertices) {
                const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
                const SbVec3f& p = v.position;
                ends.push_back(p + 0.1f * k.dmax);
                ends.push_back(p - 0.1f * k.dmax);
                colors.push_back(k.kmax > 0.0 ? positive : negative);
                ends.push_back(p + 0.1f * k.dmin);
                ends.push_back(p - 0.1f * k.dmin);
                colors.push_back(k.kmin > 0.0 ? positive : negative);
            }
            for (GLenum primitive : { GLenum(GL_LINES), GLenum(GL_POINTS) }) {
                if (primitive == GL_POINTS && !points)
                    break;
                glBegin(primitive);
                for (size_t i = 0; i < ends.size(); ++i) {
                    color(colors[i / 2]);
                    vertex(ends[i]);
                }
                glEnd();
            }
        }
    });
}

void SoWingedEdge::sendEdgeLines(SoState* state, const WingedEdgeList& list, bool cacheValid, bool onlyFlagged)
{
    if (!cacheValid || !lineCacheBuilt || lineCacheFlagged != onlyFlagged) {
        lineCache.rebuild(list, onlyFlagged);
        lineCacheBuilt = true;
        lineCacheFlagged = onlyFlagged;
        ++lineCacheBuilds;
    }

    appendLines(state, this, lineCache.coordinates(), lineCache.indices(), workingCoordinates, workingIndices);
}
