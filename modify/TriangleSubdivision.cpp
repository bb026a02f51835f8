// Refinement of triangle meshes: fan triangulation of polygons, one step of
// Loop subdivision (C. Loop, "Smooth Subdivision Surfaces Based on
// Triangles", MS thesis, University of Utah, 1987) or of the Modified
// Butterfly scheme (D. Zorin, P. Schröder, W. Sweldens, "Interpolating
// Subdivision for Meshes with Arbitrary Topology", SIGGRAPH 1996), over the
// whole mesh or only its marked faces, and the criteria that mark faces for
// such adaptive steps.

#include "modify/TriangleSubdivision.h"

#include "wingededge/FaceCycle.h"
#include "wingededge/WingedEdge.h"

#include <Inventor/SbVec3d.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

SbVec3d toDouble(const SbVec3f& v)
{
    return SbVec3d(v[0], v[1], v[2]);
}

SbVec3f toFloat(const SbVec3d& v)
{
    return SbVec3f(float(v[0]), float(v[1]), float(v[2]));
}

// normalize((x2 - x0) x (x1 - x0)), the normal of a face whose cycle runs
// x0, x1, x2; (0,0,0) for a degenerate triangle.
SbVec3f triangleNormal(const WEVertex* x0, const WEVertex* x1, const WEVertex* x2)
{
    const SbVec3d p0 = toDouble(x0->position);
    SbVec3d n = (toDouble(x2->position) - p0).cross(toDouble(x1->position) - p0);
    const double length = n.length();
    if (!(length > 0.0) || !std::isfinite(length))
        return SbVec3f(0.0f, 0.0f, 0.0f);
    return toFloat(n / length);
}

bool isMarked(const WEFace* face)
{
    return face != nullptr && (face->flags & WingedEdgeMesh::FACE_MARKED) != 0;
}

// The vertex of triangle `face` that `edge` does not touch.
WEVertex* oppositeVertex(const WEEdge* edge, const WEFace* face)
{
    const WEEdge* wing = edge->leftFace == face ? edge->leftPrev : edge->rightNext;
    return wing->otherVertex(edge->startVertex);
}

// On an edge with a face missing, the wing on the missing side at v: it
// names the neighbouring edge along the hole.
WEEdge*& holeWing(WEEdge* edge, const WEVertex* v)
{
    if (v == edge->endVertex)
        return edge->leftFace == nullptr ? edge->leftNext : edge->rightPrev;
    return edge->leftFace == nullptr ? edge->leftPrev : edge->rightNext;
}

// Makes `face` the face on the side of `edge` along which its cycle leaves
// `from`, with the given neighbours in that cycle.
void attach(WEEdge* edge, const WEVertex* from, WEFace* face, WEEdge* next, WEEdge* prev)
{
    if (edge->startVertex == from) {
        edge->leftFace = face;
        edge->leftNext = next;
        edge->leftPrev = prev;
    } else {
        edge->rightFace = face;
        edge->rightNext = next;
        edge->rightPrev = prev;
    }
}

// Makes `face` the triangle whose cycle runs x0 -> x1 -> x2 along e0, e1, e2
// (ei from xi to x(i+1)).
void linkTriangle(WEFace* face, WEEdge* e0, WEEdge* e1, WEEdge* e2, const WEVertex* x0, const WEVertex* x1,
                  const WEVertex* x2)
{
    attach(e0, x0, face, e1, e2);
    attach(e1, x1, face, e2, e0);
    attach(e2, x2, face, e0, e1);
    face->edges.clear();
    face->edges.push_back(e0);
    face->edges.push_back(e1);
    face->edges.push_back(e2);
}

WEVertex* newVertex(WingedEdgeMesh& mesh, const SbVec3f& position, const SbVec3f& normal)
{
    mesh.vertices.emplace_back();
    WEVertex* v = &mesh.vertices.back();
    v->id = mesh.vertexCount++;
    v->objectIndex = mesh.objectIndex;
    v->position = position;
    v->normal = normal;
    return v;
}

// A new edge from a to b, listed at both ends; faces and wings are left to
// the caller.
WEEdge* newEdge(WingedEdgeMesh& mesh, WEVertex* a, WEVertex* b, int32_t flags)
{
    mesh.edges.emplace_back();
    WEEdge* e = &mesh.edges.back();
    e->id = mesh.edgeCount++;
    e->objectIndex = mesh.objectIndex;
    e->flags = flags;
    e->startVertex = a;
    e->endVertex = b;
    a->edges.push_back(e);
    b->edges.push_back(e);
    return e;
}

WEFace* newFace(WingedEdgeMesh& mesh, const SbVec3f& normal)
{
    mesh.faces.emplace_back();
    WEFace* f = &mesh.faces.back();
    f->id = mesh.faceCount++;
    f->objectIndex = mesh.objectIndex;
    f->normal = normal;
    return f;
}

// Whether `cycle` (from faceCycle) closes around `face` through as many
// edges as the face lists, each starting where the previous one ends.
bool closedCycle(const WEFace& face, const std::vector<WEEdge*>& cycle)
{
    if (cycle.size() != face.edges.size() || cycle.size() < 3)
        return false;
    for (size_t i = 0; i < cycle.size(); ++i) {
        const WEEdge* e = cycle[i];
        const WEEdge* next = cycle[(i + 1) % cycle.size()];
        if ((e->leftFace != &face && e->rightFace != &face) || nextInFace(e, &face) != next ||
            endInFace(e, &face) != startInFace(next, &face))
            return false;
    }
    return true;
}

// Cuts `face`, whose closed cycle is `cycle`, into a fan of triangles from
// the corner where its first edge ends.
void fanFace(WingedEdgeMesh& mesh, WEFace& face, const std::vector<WEEdge*>& cycle)
{
    // cycle[0] ends at the fan corner c; the fan's triangles are
    // (c, x[k], x[k+1]) for k = 1 .. n-2, with x[k] the end of cycle[k].
    const size_t n = cycle.size();
    WEVertex* c = endInFace(cycle[0], &face);
    std::vector<WEVertex*> x(n);
    for (size_t k = 1; k < n; ++k)
        x[k] = endInFace(cycle[k], &face);
    // diagonal[k] runs from c to x[k], k = 2 .. n-2.
    std::vector<WEEdge*> diagonal(n, nullptr);
    for (size_t k = 2; k + 1 < n; ++k)
        diagonal[k] = newEdge(mesh, c, x[k], 0);
    for (size_t k = 1; k + 1 < n; ++k) {
        // The original record keeps the last triangle, the one with the first edge.
        WEFace* triangle = k + 2 == n ? &face : newFace(mesh, SbVec3f(0.0f, 0.0f, 0.0f));
        WEEdge* in = k == 1 ? cycle[1] : diagonal[k];
        WEEdge* out = k + 2 == n ? cycle[0] : diagonal[k + 1];
        linkTriangle(triangle, in, cycle[k + 1], out, c, x[k], x[k + 1]);
        triangle->normal = triangleNormal(c, x[k], x[k + 1]);
    }
}

// Why subdivideTriangles cannot work on the mesh, or empty: every face must
// be a triangle with a closed cycle, and every id must lie below its counter
// (the step's scratch arrays are indexed by id).
std::string triangleMeshProblem(const WingedEdgeMesh& mesh)
{
    std::ostringstream out;
    for (const WEVertex& v : mesh.vertices)
        if (v.id < 0 || v.id >= mesh.vertexCount) {
            out << "vertex id " << v.id << " is outside 0.." << mesh.vertexCount - 1;
            return out.str();
        }
    for (const WEEdge& e : mesh.edges)
        if (e.id < 0 || e.id >= mesh.edgeCount) {
            out << "edge id " << e.id << " is outside 0.." << mesh.edgeCount - 1;
            return out.str();
        }
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : mesh.faces) {
        if (f.id < 0 || f.id >= mesh.faceCount) {
            out << "face id " << f.id << " is outside 0.." << mesh.faceCount - 1;
            return out.str();
        }
        faceCycle(f, cycle);
        if (f.edges.size() != 3 || !closedCycle(f, cycle)) {
            out << "face " << f.id << " is not a triangle with a closed edge cycle (" << f.edges.size()
                << " edges); triangulate first";
            return out.str();
        }
    }
    return std::string();
}

// Weights s_0 .. s_(k-1) of the butterfly estimate from a vertex of valence
// k; the vertex itself takes 1 - their sum.
std::vector<double> butterflyWeights(size_t k)
{
    if (k == 3)
        return { 5.0 / 12.0, -1.0 / 12.0, -1.0 / 12.0 };
    if (k == 4)
        return { 3.0 / 8.0, 0.0, -1.0 / 8.0, 0.0 };
    std::vector<double> s(k);
    for (size_t j = 0; j < k; ++j) {
        const double t = 2.0 * PI * double(j) / double(k);
        s[j] = (0.25 + std::cos(t) + 0.5 * std::cos(2.0 * t)) / double(k);
    }
    return s;
}

// Loop's vertex weight alpha for valence n.
double loopAlpha(size_t n)
{
    if (n == 6)
        return 3.0 / 8.0;
    const double t = 3.0 + 2.0 * std::cos(2.0 * PI / double(n));
    return (40.0 - t * t) / 64.0;
}

// One Loop or butterfly step. The stages read old positions only; the
// topology changes after all new positions are known.
class TriangleStep {
public:
    TriangleStep(WingedEdgeMesh& mesh, int scheme, bool smoothing, bool adaptive)
        : mesh(mesh), butterfly(scheme == WingedEdgeMesh::BUTTERFLY), smoothing(smoothing), adaptive(adaptive)
    {
    }

    void run(void)
    {
        setFlags();
        edgePoint.resize(size_t(mesh.edgeCount));
        for (WEEdge& e : mesh.edges)
            if (isSplit(e))
                edgePoint[size_t(e.id)] = computeEdgePoint(e);
        const bool moves = smoothing && !butterfly;
        if (moves) {
            vertexPoint.resize(size_t(mesh.vertexCount));
            for (const WEVertex& v : mesh.vertices)
                vertexPoint[size_t(v.id)] = loopVertexPoint(v);
        }
        splitEdges();
        if (moves)
            for (WEVertex& v : mesh.vertices) {
                if (v.id >= oldVertexCount)
                    break;
                v.position = vertexPoint[size_t(v.id)];
            }
        splitFaces();
    }

private:
    WingedEdgeMesh& mesh;
    const bool butterfly, smoothing, adaptive;
    int32_t oldVertexCount = 0;
    std::vector<SbVec3f> edgePoint;       // by edge id
    std::vector<SbVec3f> vertexPoint;     // by vertex id
    std::vector<WEEdge*> upperPart;       // by old edge id: the new part from the split point on
    std::vector<char> boundaryVertex;     // by vertex id, butterfly only
    std::vector<std::vector<double>> weights; // butterfly weights by valence

    // An edge bordering no face has nothing to refine and stays whole.
    bool isSplit(const WEEdge& e) const
    {
        return (e.flags & WingedEdgeMesh::EDGE_NOT_SPLIT) == 0 && (e.leftFace != nullptr || e.rightFace != nullptr);
    }

    void setFlags(void)
    {
        const int32_t vertexFlags = adaptive ? WingedEdgeMesh::VERTEX_UNTOUCHED : 0;
        for (WEVertex& v : mesh.vertices)
            v.flags = vertexFlags;
        if (butterfly)
            boundaryVertex.assign(size_t(mesh.vertexCount), 0);
        for (WEEdge& e : mesh.edges) {
            e.flags &= ~(WingedEdgeMesh::EDGE_BOUNDARY | WingedEdgeMesh::EDGE_NOT_SPLIT);
            if (e.isBoundary()) {
                e.flags |= WingedEdgeMesh::EDGE_BOUNDARY;
                if (butterfly)
                    boundaryVertex[size_t(e.startVertex->id)] = boundaryVertex[size_t(e.endVertex->id)] = 1;
            }
            if (!adaptive)
                continue;
            if (isMarked(e.leftFace) || isMarked(e.rightFace)) {
                e.startVertex->flags &= ~WingedEdgeMesh::VERTEX_UNTOUCHED;
                e.endVertex->flags &= ~WingedEdgeMesh::VERTEX_UNTOUCHED;
            } else {
                e.flags |= WingedEdgeMesh::EDGE_NOT_SPLIT;
            }
        }
    }

    // --- edge points ---------------------------------------------------------

    SbVec3f computeEdgePoint(const WEEdge& e)
    {
        const SbVec3d s = toDouble(e.startVertex->position), t = toDouble(e.endVertex->position);
        const SbVec3d mid = (s + t) * 0.5;
        if (!smoothing)
            return toFloat(mid);
        if (!butterfly) {
            if (e.flags & (WingedEdgeMesh::EDGE_BOUNDARY | WingedEdgeMesh::EDGE_SHARP))
                return toFloat(mid);
            const SbVec3d a = toDouble(oppositeVertex(&e, e.leftFace)->position);
            const SbVec3d b = toDouble(oppositeVertex(&e, e.rightFace)->position);
            return toFloat((s + t) * (3.0 / 8.0) + (a + b) * (1.0 / 8.0));
        }
        if (e.flags & WingedEdgeMesh::EDGE_BOUNDARY)
            return toFloat(fourPoint(e, mid));
        return toFloat(butterflyInterior(e, mid));
    }

    // 9/16 (s + t) - 1/16 (a + b) with a, b the next vertices along the
    // hole; in an adaptive step an edge whose left face is marked takes the
    // left wings instead.
    SbVec3d fourPoint(const WEEdge& e, const SbVec3d& mid) const
    {
        const bool left = e.leftFace == nullptr || (adaptive && isMarked(e.leftFace));
        const WEEdge* atEnd = left ? e.leftNext : e.rightPrev;
        const WEEdge* atStart = left ? e.leftPrev : e.rightNext;
        // A hole wing that leads nowhere (an unlinked or lone edge) leaves the midpoint.
        if (atEnd == nullptr || atStart == nullptr || atEnd == &e || atStart == &e)
            return mid;
        if ((atEnd->startVertex != e.endVertex && atEnd->endVertex != e.endVertex) ||
            (atStart->startVertex != e.startVertex && atStart->endVertex != e.startVertex))
            return mid;
        const SbVec3d a = toDouble(atEnd->otherVertex(e.endVertex)->position);
        const SbVec3d b = toDouble(atStart->otherVertex(e.startVertex)->position);
        return mid * (9.0 / 8.0) - (a + b) * (1.0 / 16.0);
    }

    // An edge with two faces. Both ends regular (valence 6) or on the
    // boundary: the eight-point stencil. Otherwise the mean of the estimates
    // of the ends that have a closed fan of at least three edges; an end on
    // the boundary or of valence 1 or 2 gives none, and with none at all the
    // edge point is the midpoint.
    SbVec3d butterflyInterior(const WEEdge& e, const SbVec3d& mid)
    {
        const auto regularOrBoundary = [&](const WEVertex* v) {
            return v->edges.size() == 6 || boundaryVertex[size_t(v->id)] != 0;
        };
        if (regularOrBoundary(e.startVertex) && regularOrBoundary(e.endVertex))
            return eightPoint(e);
        SbVec3d sum(0.0, 0.0, 0.0), estimate;
        int count = 0;
        if (vertexEstimate(e, e.startVertex, estimate)) {
            sum += estimate;
            ++count;
        }
        if (vertexEstimate(e, e.endVertex, estimate)) {
            sum += estimate;
            ++count;
        }
        return count > 0 ? sum / double(count) : mid;
    }

    // 1/2 (s + t) + 1/8 (A + B) - 1/16 (C1 + C2 + C3 + C4). A C whose
    // triangle is missing (its edge is on the boundary) is the reflection of
    // the vertex across that edge, which keeps flat regions flat.
    SbVec3d eightPoint(const WEEdge& e) const
    {
        const SbVec3d s = toDouble(e.startVertex->position), t = toDouble(e.endVertex->position);
        const SbVec3d a = toDouble(oppositeVertex(&e, e.leftFace)->position);
        const SbVec3d b = toDouble(oppositeVertex(&e, e.rightFace)->position);
        // The other edges of the two triangles and the end of e each faces.
        const SbVec3d c = beyond(e.leftNext, e.leftFace, s) + beyond(e.leftPrev, e.leftFace, t) +
                          beyond(e.rightPrev, e.rightFace, s) + beyond(e.rightNext, e.rightFace, t);
        return (s + t) * 0.5 + (a + b) * (1.0 / 8.0) - c * (1.0 / 16.0);
    }

    // The vertex across `wing` from triangle `face`, whose vertex facing
    // `wing` is at `facing`.
    static SbVec3d beyond(const WEEdge* wing, const WEFace* face, const SbVec3d& facing)
    {
        const WEFace* other = wing->leftFace == face ? wing->rightFace : wing->leftFace;
        if (other != nullptr)
            return toDouble(oppositeVertex(wing, other)->position);
        return toDouble(wing->startVertex->position) + toDouble(wing->endVertex->position) - facing;
    }

    // The edge after `edge` around `v`: the one entering v in the face in
    // which `edge` leaves it; null where that face is missing.
    static const WEEdge* rotate(const WEEdge* edge, const WEVertex* v)
    {
        if (edge->startVertex == v)
            return edge->leftFace != nullptr ? edge->leftPrev : nullptr;
        return edge->rightFace != nullptr ? edge->rightPrev : nullptr;
    }

    // The estimate of e's split point from its end v of valence k, over v's
    // neighbours in rotational order from e's other end. False when v's fan
    // is open, not a single cycle, or shorter than three edges.
    bool vertexEstimate(const WEEdge& e, const WEVertex* v, SbVec3d& out)
    {
        const size_t k = v->edges.size();
        if (k < 3 || boundaryVertex[size_t(v->id)] != 0)
            return false;
        if (weights.size() <= k)
            weights.resize(k + 1);
        if (weights[k].empty())
            weights[k] = butterflyWeights(k);
        const std::vector<double>& s = weights[k];
        double sum = 0.0;
        SbVec3d result(0.0, 0.0, 0.0);
        const WEEdge* g = &e;
        for (size_t j = 0; j < k; ++j) {
            if (j > 0) {
                g = rotate(g, v);
                if (g == nullptr || g == &e)
                    return false;
            }
            result += toDouble(g->otherVertex(v)->position) * s[j];
            sum += s[j];
        }
        if (rotate(g, v) != &e)
            return false;
        out = result + toDouble(v->position) * (1.0 - sum);
        return true;
    }

    // --- vertex points -------------------------------------------------------

    // (1 - alpha) v + alpha/n (sum of neighbours) inside; on two boundary or
    // sharp edges 3/4 v + 1/8 (a + b); on any other number of them the
    // vertex stays, as does a vertex an adaptive step leaves untouched.
    SbVec3f loopVertexPoint(const WEVertex& v) const
    {
        const size_t n = v.edges.size();
        if (n == 0 || (v.flags & WingedEdgeMesh::VERTEX_UNTOUCHED))
            return v.position;
        SbVec3d ring(0.0, 0.0, 0.0), crease(0.0, 0.0, 0.0);
        int creases = 0;
        for (const WEEdge* e : v.edges) {
            const SbVec3d w = toDouble(e->otherVertex(&v)->position);
            if (e->flags & (WingedEdgeMesh::EDGE_BOUNDARY | WingedEdgeMesh::EDGE_SHARP)) {
                crease += w;
                ++creases;
            } else if (creases == 0) {
                ring += w;
            }
        }
        const SbVec3d p = toDouble(v.position);
        if (creases == 2)
            return toFloat(p * 0.75 + crease * (1.0 / 8.0));
        if (creases > 0)
            return v.position;
        const double alpha = loopAlpha(n);
        return toFloat(p * (1.0 - alpha) + ring * (alpha / double(n)));
    }

    // --- topology ------------------------------------------------------------

    void splitEdges(void)
    {
        oldVertexCount = mesh.vertexCount;
        upperPart.assign(size_t(mesh.edgeCount), nullptr);
        const size_t oldEdges = mesh.edges.size();
        auto it = mesh.edges.begin();
        for (size_t i = 0; i < oldEdges; ++i, ++it)
            if (isSplit(*it))
                splitEdge(&*it);
    }

    // e keeps the part from its start to the new vertex; a new edge takes
    // the part on to the old end. Both keep e's faces, whose wings the face
    // stage sets; here only the wings along a hole are re-linked.
    void splitEdge(WEEdge* e)
    {
        WEVertex* a = e->startVertex;
        WEVertex* b = e->endVertex;
        WEVertex* m = newVertex(mesh, edgePoint[size_t(e->id)], (a->normal + b->normal) * 0.5f);
        const bool hole = e->isBoundary();
        WEEdge* along = hole ? holeWing(e, b) : nullptr;

        mesh.edges.emplace_back();
        WEEdge* u = &mesh.edges.back();
        u->id = mesh.edgeCount++;
        u->objectIndex = mesh.objectIndex;
        u->flags = e->flags;
        u->startVertex = m;
        u->endVertex = b;
        u->leftFace = e->leftFace;
        u->rightFace = e->rightFace;
        e->endVertex = m;
        upperPart[size_t(e->id)] = u;

        std::replace(b->edges.begin(), b->edges.end(), e, u);
        m->edges.push_back(e);
        m->edges.push_back(u);

        if (hole) {
            holeWing(e, m) = u;
            holeWing(u, m) = e;
            holeWing(u, b) = along;
            if (along != nullptr && along != e && along->isBoundary() &&
                (along->startVertex == b || along->endVertex == b))
                holeWing(along, b) = u;
        }
        if (e->flags & WingedEdgeMesh::EDGE_BOUNDARY) {
            a->flags |= WingedEdgeMesh::VERTEX_BOUNDARY;
            b->flags |= WingedEdgeMesh::VERTEX_BOUNDARY;
            m->flags |= WingedEdgeMesh::VERTEX_BOUNDARY;
        }
        if (e->flags & WingedEdgeMesh::EDGE_SHARP)
            m->flags |= WingedEdgeMesh::VERTEX_SHARP;
    }

    // Where an old edge ended before the split.
    WEVertex* originalEnd(const WEEdge* e) const
    {
        const WEEdge* u = upperPart[size_t(e->id)];
        return u != nullptr ? u->endVertex : e->endVertex;
    }

    // The part of old edge e at its old end x.
    WEEdge* partAt(WEEdge* e, const WEVertex* x) const
    {
        WEEdge* u = upperPart[size_t(e->id)];
        return u == nullptr || x == e->startVertex ? e : u;
    }

    void splitFaces(void)
    {
        const size_t oldFaces = mesh.faces.size();
        auto it = mesh.faces.begin();
        for (size_t i = 0; i < oldFaces; ++i, ++it)
            splitFace(&*it);
    }

    // The face's cycle is read through its own wings, which the splits left
    // alone; then it is cut by the number of its edges that were split.
    void splitFace(WEFace* f)
    {
        WEEdge* edge[3];
        WEVertex* corner[3];
        WEVertex* mid[3];
        int splitCount = 0;
        edge[0] = f->edges[0];
        edge[1] = nextInFace(edge[0], f);
        edge[2] = nextInFace(edge[1], f);
        for (int i = 0; i < 3; ++i) {
            corner[i] = edge[i]->leftFace == f ? edge[i]->startVertex : originalEnd(edge[i]);
            WEEdge* u = upperPart[size_t(edge[i]->id)];
            mid[i] = u != nullptr ? u->startVertex : nullptr;
            splitCount += u != nullptr;
        }
        if (splitCount == 3)
            splitInFour(f, edge, corner, mid);
        else if (splitCount == 1)
            for (int i = 0; i < 3; ++i) {
                if (mid[i] != nullptr)
                    splitInTwo(f, edge, corner, mid[i], i);
            }
        else if (splitCount == 2)
            for (int i = 0; i < 3; ++i) {
                if (mid[i] == nullptr)
                    splitInThree(f, edge, corner, mid, i);
            }
    }

    // Three corner triangles and the middle one, which keeps the record.
    void splitInFour(WEFace* f, WEEdge* const edge[3], WEVertex* const v[3], WEVertex* const m[3])
    {
        // inner[i] joins m[i] to m[i-1] across corner v[i].
        WEEdge* inner[3];
        for (int i = 0; i < 3; ++i)
            inner[i] = newEdge(mesh, m[i], m[(i + 2) % 3], 0);
        for (int i = 0; i < 3; ++i) {
            const int before = (i + 2) % 3;
            WEFace* corner = newFace(mesh, f->normal);
            linkTriangle(corner, partAt(edge[i], v[i]), inner[i], partAt(edge[before], v[i]), v[i], m[i],
                         m[before]);
        }
        linkTriangle(f, inner[1], inner[2], inner[0], m[0], m[1], m[2]);
    }

    // Edge k alone was split: one new edge from its split point to the
    // opposite corner.
    void splitInTwo(WEFace* f, WEEdge* const edge[3], WEVertex* const v[3], WEVertex* m, int k)
    {
        const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
        WEEdge* cut = newEdge(mesh, m, v[k2], 0);
        linkTriangle(f, partAt(edge[k], v[k]), cut, edge[k2], v[k], m, v[k2]);
        linkTriangle(newFace(mesh, f->normal), partAt(edge[k], v[k1]), edge[k1], cut, m, v[k1], v[k2]);
    }

    // Edge k alone stayed whole: the corner across from it is cut off, and
    // the quadrilateral left is cut along its shorter diagonal.
    void splitInThree(WEFace* f, WEEdge* const edge[3], WEVertex* const v[3], WEVertex* const m[3], int k)
    {
        const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
        // The quadrilateral v[k], v[k1], m[k1], m[k2].
        WEEdge* across = newEdge(mesh, m[k2], m[k1], 0);
        linkTriangle(newFace(mesh, f->normal), partAt(edge[k1], v[k2]), partAt(edge[k2], v[k2]), across, m[k1],
                     v[k2], m[k2]);
        const double fromCorner = (toDouble(m[k1]->position) - toDouble(v[k]->position)).sqrLength();
        const double fromNext = (toDouble(m[k2]->position) - toDouble(v[k1]->position)).sqrLength();
        if (fromCorner <= fromNext) {
            WEEdge* diagonal = newEdge(mesh, v[k], m[k1], 0);
            linkTriangle(f, edge[k], partAt(edge[k1], v[k1]), diagonal, v[k], v[k1], m[k1]);
            linkTriangle(newFace(mesh, f->normal), diagonal, across, partAt(edge[k2], v[k]), v[k], m[k1], m[k2]);
        } else {
            WEEdge* diagonal = newEdge(mesh, v[k1], m[k2], 0);
            linkTriangle(f, edge[k], diagonal, partAt(edge[k2], v[k]), v[k], v[k1], m[k2]);
            linkTriangle(newFace(mesh, f->normal), partAt(edge[k1], v[k1]), across, diagonal, v[k1], m[k1], m[k2]);
        }
    }
};

// --- refinement criteria -------------------------------------------------------

void setMarked(WEFace* face, bool marked)
{
    if (face == nullptr)
        return;
    if (marked)
        face->flags |= WingedEdgeMesh::FACE_MARKED;
    else
        face->flags &= ~WingedEdgeMesh::FACE_MARKED;
}

void clearAllMarks(WingedEdgeMesh& mesh)
{
    for (WEFace& f : mesh.faces)
        setMarked(&f, false);
}

// Where the viewer looks from to `point`: the projection direction of an
// orthographic volume, the unit vector from the eye otherwise.
SbVec3d sightDirection(const SbViewVolume& view, const SbVec3f& point)
{
    SbVec3d d = view.getProjectionType() == SbViewVolume::ORTHOGRAPHIC
                    ? toDouble(view.getProjectionDirection())
                    : toDouble(point) - toDouble(view.getProjectionPoint());
    const double length = d.length();
    return length > 0.0 ? d / length : SbVec3d(0.0, 0.0, 0.0);
}

const WEVertex* firstVertex(const WEFace& face)
{
    return face.edges.empty() ? nullptr : startInFace(face.edges[0], &face);
}

// The average of the endpoints of the face's edges.
SbVec3d edgeEndAverage(const WEFace& face)
{
    SbVec3d sum(0.0, 0.0, 0.0);
    for (const WEEdge* e : face.edges)
        sum += toDouble(e->startVertex->position) + toDouble(e->endVertex->position);
    return face.edges.empty() ? sum : sum / double(2 * face.edges.size());
}

bool zero(const SbVec3f& v)
{
    return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f;
}

// Marks every face along an edge whose value exceeds the limit.
template <class Value>
void markAlongEdges(WingedEdgeMesh& mesh, double limit, Value value)
{
    clearAllMarks(mesh);
    for (WEEdge& e : mesh.edges)
        if (value(e) > limit) {
            setMarked(e.leftFace, true);
            setMarked(e.rightFace, true);
        }
}

template <class Value>
void markFaces(WingedEdgeMesh& mesh, double limit, Value value)
{
    for (WEFace& f : mesh.faces)
        setMarked(&f, value(f) > limit);
}

// The focus criterion. The table holds a count, then one (identifier,
// radius) pair per focus. A non-negative identifier names a face of this
// mesh by id, whose edge-end average is the focus point; a negative one,
// -1 - k, names the whole object whose objectIndex is k (every face of it
// gets the value 1; foci of other objects are passed over).
void markByFocus(WingedEdgeMesh& mesh, double threshold, int step, const std::vector<double>* table)
{
    const char* where = "WingedEdgeMesh::markFacesForRefinement";
    clearAllMarks(mesh);
    if (table == nullptr || table->empty()) {
        SoDebugError::post(where, "focus criterion 16 needs a focus table; no face is marked");
        return;
    }
    const double count = (*table)[0];
    if (!(count >= 0.0) || count != std::floor(count) || 1.0 + 2.0 * count > double(table->size())) {
        SoDebugError::post(where, "focus table announces %g foci but holds %d values after the count; no face is marked",
                           count, int(table->size()) - 1);
        return;
    }
    std::vector<const WEFace*> faceOfId(size_t(std::max(mesh.faceCount, 0)), nullptr);
    for (const WEFace& f : mesh.faces)
        if (f.id >= 0 && f.id < mesh.faceCount)
            faceOfId[size_t(f.id)] = &f;

    struct Focus {
        SbVec3d point;
        double radius;
    };
    std::vector<Focus> foci;
    bool wholeObject = false;
    for (size_t i = 0; i < size_t(count); ++i) {
        const double id = (*table)[1 + 2 * i], radius = (*table)[2 + 2 * i];
        if (id != std::floor(id) || std::fabs(id) > 2147483647.0) {
            SoDebugError::post(where, "focus %d: identifier %g is not an integer; focus left out", int(i), id);
            continue;
        }
        if (id < 0.0) {
            wholeObject = wholeObject || -1.0 - id == double(mesh.objectIndex);
            continue;
        }
        if (!(radius > 0.0) || !std::isfinite(radius)) {
            SoDebugError::post(where, "focus %d: radius %g is not a positive number; focus left out", int(i), radius);
            continue;
        }
        if (id >= double(faceOfId.size()) || faceOfId[size_t(id)] == nullptr) {
            SoDebugError::post(where, "focus %d: no face %g in object %d; focus left out", int(i), id,
                               int(mesh.objectIndex));
            continue;
        }
        foci.push_back({ edgeEndAverage(*faceOfId[size_t(id)]), radius / double(step + 1) });
    }
    markFaces(mesh, threshold, [&](const WEFace& f) {
        if (wholeObject)
            return 1.0;
        const SbVec3d p = edgeEndAverage(f);
        double best = 0.0;
        for (const Focus& focus : foci) {
            const double d = (p - focus.point).length();
            if (d < focus.radius)
                best = std::max(best, (focus.radius - d) / focus.radius);
        }
        return best;
    });
}

} // namespace

// --- triangulation ---------------------------------------------------------------

void WingedEdgeMesh::triangulate(void)
{
    std::vector<WEEdge*> cycle;
    const size_t existing = faces.size();
    auto it = faces.begin();
    for (size_t i = 0; i < existing; ++i, ++it) {
        WEFace& face = *it;
        if (face.edges.size() <= 3)
            continue;
        faceCycle(face, cycle);
        if (!closedCycle(face, cycle)) {
            SoDebugError::post("WingedEdgeMesh::triangulate",
                               "face %d of object %d has %d edges but no closed edge cycle; it is left as it is",
                               int(face.id), int(objectIndex), int(face.edges.size()));
            continue;
        }
        fanFace(*this, face, cycle);
    }
    setObjectIndex();
}

// --- Loop and butterfly --------------------------------------------------------------

void WingedEdgeMesh::subdivideTriangles(int scheme, bool smoothing, bool adaptive)
{
    const char* where = "WingedEdgeMesh::subdivideTriangles";
    if (scheme != LOOP && scheme != BUTTERFLY) {
        SoDebugError::post(where, "scheme %d is neither Loop (%d) nor butterfly (%d); the mesh is left as it is",
                           scheme, int(LOOP), int(BUTTERFLY));
        return;
    }
    const std::string problem = triangleMeshProblem(*this);
    if (!problem.empty()) {
        SoDebugError::post(where, "object %d: %s; the mesh is left as it is", int(objectIndex), problem.c_str());
        return;
    }
    TriangleStep(*this, scheme, smoothing, adaptive).run();
}

// --- marking -------------------------------------------------------------------------

void WingedEdgeMesh::markFacesForRefinement(int criterion, double threshold, const SbViewVolume* viewVolume,
                                            int step, const std::vector<double>* focusTable)
{
    switch (criterion) {
    case 0:
    case 13: {
        // Dihedral angle between the two faces of an edge; a face without a
        // normal (zero area) gives none.
        computeFaceNormals();
        markAlongEdges(*this, threshold * PI / 180.0, [](const WEEdge& e) {
            if (e.leftFace == nullptr || e.rightFace == nullptr || zero(e.leftFace->normal) ||
                zero(e.rightFace->normal))
                return 0.0;
            const double c = toDouble(e.leftFace->normal).dot(toDouble(e.rightFace->normal));
            return std::acos(std::max(-1.0, std::min(1.0, c)));
        });
        break;
    }
    case 10:
        // Uniform in [0, 1] whatever the platform's RAND_MAX.
        markFaces(*this, 0.5, [](const WEFace&) { return double(std::rand()) / double(RAND_MAX); });
        break;
    case 11:
        // Faces seen nearly edge-on: the angle between normal and sight line
        // is within threshold degrees of a right angle.
        if (viewVolume == nullptr) {
            clearAllMarks(*this);
            break;
        }
        markFaces(*this, (90.0 - threshold) * PI / 180.0, [&](const WEFace& f) {
            const WEVertex* v = firstVertex(f);
            if (v == nullptr || zero(f.normal))
                return 0.0;
            const double c = std::fabs(toDouble(f.normal).dot(sightDirection(*viewVolume, v->position)));
            return std::acos(std::min(1.0, c));
        });
        break;
    case 12:
        // Edges between a front face and a back face: the contour.
        if (viewVolume == nullptr) {
            clearAllMarks(*this);
            break;
        }
        for (WEFace& f : faces) {
            const WEVertex* v = firstVertex(f);
            f.flags = v != nullptr && toDouble(f.normal).dot(sightDirection(*viewVolume, v->position)) <= 0.0 ? 1 : 0;
        }
        markAlongEdges(*this, 0.5, [](const WEEdge& e) {
            if (e.leftFace == nullptr || e.rightFace == nullptr)
                return 0.0;
            return (e.leftFace->flags & 1) != (e.rightFace->flags & 1) ? 1.0 : 0.0;
        });
        break;
    case 14:
        // Edge length: every face along an edge longer than threshold.
        markAlongEdges(*this, threshold, [](const WEEdge& e) {
            return (toDouble(e.endVertex->position) - toDouble(e.startVertex->position)).length();
        });
        break;
    case 16:
        markByFocus(*this, threshold, step, focusTable);
        break;
    default:
        clearAllMarks(*this);
        break;
    }
}

// --- the per-mesh sequence -------------------------------------------------------------

void beginTriangleSteps(WingedEdgeMesh& mesh)
{
    mesh.triangulate();
    mesh.renumber();
}

void triangleStep(WingedEdgeMesh& mesh, int scheme, bool smoothing, bool adaptive, int step, int criterion,
                  double threshold, const SbViewVolume* viewVolume)
{
    if (adaptive)
        mesh.markFacesForRefinement(criterion, threshold, viewVolume, step);
    mesh.subdivideTriangles(scheme, smoothing, adaptive);
}

void endTriangleSteps(WingedEdgeMesh& mesh)
{
    mesh.computeFaceNormals();
    mesh.computeVertexNormals();
}

int64_t facesAfterTriangleStep(const WingedEdgeMesh& mesh)
{
    int64_t triangles = 0;
    for (const WEFace& f : mesh.faces)
        triangles += std::max<int64_t>(int64_t(f.edges.size()) - 2, 1);
    return 4 * triangles;
}

void loopOrButterflySteps(WingedEdgeMesh& mesh, int scheme, bool smoothing, bool adaptive, int steps, int criterion,
                          double threshold, const SbViewVolume* viewVolume)
{
    beginTriangleSteps(mesh);
    for (int i = 0; i < steps; ++i)
        triangleStep(mesh, scheme, smoothing, adaptive, i, criterion, threshold, viewVolume);
    endTriangleSteps(mesh);
}
