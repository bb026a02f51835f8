// Catmull-Clark and Doo-Sabin subdivision of polygonal winged-edge meshes.
//
// E. Catmull, J. Clark: Recursively generated B-spline surfaces on arbitrary
// topological meshes. Computer-Aided Design 10(6), 1978.
// D. Doo, M. Sabin: Behaviour of recursive division surfaces near
// extraordinary points. Computer-Aided Design 10(6), 1978 (the simple rule of
// that paper: a new corner is the mean of the face centroid, the old corner
// and the midpoints of the corner's two edges).
//
// Both steps accept faces of any number of edges, boundaries and vertices
// where several fans meet. Before changing anything they read every face's
// cycle; a mesh whose cycles do not close is reported and left as it is.

#include "wingededge/FaceCycle.h"
#include "wingededge/WingedEdge.h"

#include "util/Vec.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

SbVec3f toFloat(const Vec3d& v)
{
    return SbVec3f(float(v.x), float(v.y), float(v.z));
}

Vec3d at(const WEVertex* v)
{
    return Vec3d::of(v->position);
}

Vec3d midpoint(const WEEdge* e)
{
    return 0.5 * (at(e->startVertex) + at(e->endVertex));
}

SbVec3f unitOrZero(const SbVec3f& v)
{
    return toFloat(unitOrZero(Vec3d::of(v)));
}

// The face lies on exactly one side of the edge, and the edge has two ends.
bool borders(const WEEdge* e, const WEFace* f)
{
    return e->startVertex != nullptr && e->endVertex != nullptr && e->startVertex != e->endVertex &&
           ((e->leftFace == f) != (e->rightFace == f));
}

// Every face's edge cycle, in face-list order, stored flat: face k's cycle
// is edges[begin[k]] .. edges[begin[k + 1] - 1], from its first listed edge
// on. Corner i of face k is where its cycle enters edges[begin[k] + i].
struct Cycles {
    std::vector<WEFace*> faces;
    std::vector<size_t> begin;
    std::vector<WEEdge*> edges;

    size_t count(void) const { return faces.size(); }
    size_t size(size_t k) const { return begin[k + 1] - begin[k]; }
    // The slot after `slot` in the cycle of face k.
    size_t next(size_t k, size_t slot) const { return slot + 1 == begin[k + 1] ? begin[k] : slot + 1; }
    size_t prev(size_t k, size_t slot) const { return slot == begin[k] ? begin[k + 1] - 1 : slot - 1; }
};

// Reads the cycles. A face whose walk leaves it, skips a corner, or does not
// come back to its first edge after exactly as many steps as the face lists
// edges makes the mesh unusable for a step: reported, false returned.
bool readCycles(WingedEdgeMesh& mesh, Cycles& cycles, const char* where)
{
    cycles.faces.reserve(mesh.faces.size());
    cycles.begin.reserve(mesh.faces.size() + 1);
    cycles.edges.reserve(2 * mesh.edges.size());
    for (WEFace& f : mesh.faces) {
        cycles.faces.push_back(&f);
        cycles.begin.push_back(cycles.edges.size());
        const size_t n = f.edges.size();
        WEEdge* const first = n > 0 ? f.edges[0] : nullptr;
        WEEdge* e = first;
        bool closed = false;
        for (size_t step = 0; step < n && e != nullptr && borders(e, &f); ++step) {
            cycles.edges.push_back(e);
            WEEdge* next = nextInFace(e, &f);
            if (next == nullptr || !borders(next, &f) || startInFace(next, &f) != endInFace(e, &f))
                break;
            if (next == first) {
                closed = step + 1 == n;
                break;
            }
            e = next;
        }
        if (!closed) {
            SoDebugError::post(where,
                               "face %d: its edge cycle does not close over the %d edges it lists; "
                               "the mesh is left unchanged",
                               f.id, int(n));
            return false;
        }
    }
    cycles.begin.push_back(cycles.edges.size());
    // Each side of an edge with a face is met in that face's walk at most
    // once, so equal totals mean no side is missing from its face's cycle.
    size_t sides = 0;
    for (const WEEdge& e : mesh.edges)
        sides += size_t(e.leftFace != nullptr) + size_t(e.rightFace != nullptr);
    if (sides != cycles.edges.size()) {
        SoDebugError::post(where,
                           "the face cycles pass %d edge sides, but the mesh's edges have %d sides with a "
                           "face; the mesh is left unchanged",
                           int(cycles.edges.size()), int(sides));
        return false;
    }
    return true;
}

// One past the largest id of the records, or -1 when an id is negative,
// repeated, or so far beyond the record count that arrays by id would dwarf
// the mesh.
template <class List>
int32_t idEnd(const List& records)
{
    // Most meshes come renumbered: ids 0, 1, 2, ... in list order.
    int32_t expected = 0;
    for (const auto& r : records) {
        if (r.id != expected)
            break;
        ++expected;
    }
    if (size_t(expected) == records.size())
        return expected;
    int32_t largest = -1;
    for (const auto& r : records) {
        if (r.id < 0)
            return -1;
        largest = std::max(largest, r.id);
    }
    if (int64_t(largest) > 4 * int64_t(records.size()) + 1024)
        return -1;
    std::vector<char> seen(size_t(largest + 1), 0);
    for (const auto& r : records) {
        if (seen[size_t(r.id)])
            return -1;
        seen[size_t(r.id)] = 1;
    }
    return largest + 1;
}

// Id ranges of the mesh before a step: the scratch arrays are indexed by
// them, and new records are numbered from the counters on.
struct IdEnds {
    int32_t vertex = 0;
    int32_t edge = 0;
    int32_t face = 0;
};

IdEnds usableIds(WingedEdgeMesh& mesh, const char* where)
{
    IdEnds ends;
    ends.vertex = idEnd(mesh.vertices);
    ends.edge = idEnd(mesh.edges);
    ends.face = idEnd(mesh.faces);
    if (ends.vertex < 0 || ends.edge < 0 || ends.face < 0) {
        SoDebugError::post(where, "record ids are negative, repeated or far beyond the record count; "
                                  "the mesh is renumbered before the step");
        mesh.renumber();
        ends.vertex = mesh.vertexCount;
        ends.edge = mesh.edgeCount;
        ends.face = mesh.faceCount;
    }
    return ends;
}

// On a side of the edge without a face, the wings run along the hole: the
// next wing is the neighbouring boundary edge at the side's end (endVertex
// on the left, startVertex on the right), the previous one at its start.
// Before the holes are linked they repeat the wings of the face side.
void openSideRepeatsFaceSide(WEEdge* e)
{
    if (e->rightFace == nullptr) {
        e->rightNext = e->leftPrev;
        e->rightPrev = e->leftNext;
    } else if (e->leftFace == nullptr) {
        e->leftNext = e->rightPrev;
        e->leftPrev = e->rightNext;
    }
}

// Sets the wings of every edge of a face on the face's side, from the
// face's cycle in order. left[i] says whether the face lies left of edge i.
void linkCycle(WEFace* face, WEEdge* const* cycle, const char* left, size_t n)
{
    face->edges.assign(cycle, cycle + n);
    for (size_t i = 0; i < n; ++i) {
        WEEdge* e = cycle[i];
        WEEdge* next = cycle[(i + 1) % n];
        WEEdge* prev = cycle[(i + n - 1) % n];
        if (left[i]) {
            e->leftFace = face;
            e->leftNext = next;
            e->leftPrev = prev;
        } else {
            e->rightFace = face;
            e->rightNext = next;
            e->rightPrev = prev;
        }
    }
}

// --- Catmull-Clark -----------------------------------------------------------

// One Catmull-Clark step in stages: the new positions are all taken from
// the old mesh first, then the edges are split, then the faces.
class CatmullClarkStep {
public:
    CatmullClarkStep(WingedEdgeMesh& m, const Cycles& c, const IdEnds& ends, bool smooth)
        : mesh(m), cycles(c), idEnds(ends), smoothing(smooth)
    {
    }

    void run(void)
    {
        computeFacePoints();
        computeEdgePoints();
        if (smoothing)
            computeVertexPoints();
        makeFacePoints();
        splitEdges();
        splitFaces();
        if (smoothing)
            for (WEVertex* v : oldVertices)
                v->position = vertexPoint[size_t(v->id)];
    }

    int32_t vertexEnd = 0;
    int32_t edgeEnd = 0;
    int32_t faceEnd = 0;

private:
    void computeFacePoints(void);
    void computeEdgePoints(void);
    void computeVertexPoints(void);
    SbVec3f vertexPointOf(const WEVertex& v) const;
    void makeFacePoints(void);
    void splitEdges(void);
    void linkOpenSide(WEEdge* first);
    WEEdge* halfAt(WEEdge* e, const WEVertex* v) const;
    void splitFaces(void);

    WingedEdgeMesh& mesh;
    const Cycles& cycles;
    IdEnds idEnds;
    bool smoothing;

    std::vector<Vec3d> facePoint;        // by face id
    std::vector<SbVec3f> edgePoint;      // by edge id
    std::vector<SbVec3f> vertexPoint;    // by vertex id
    std::vector<WEVertex*> oldVertices;
    std::vector<WEVertex*> corner;       // by cycle slot: where the cycle enters the slot's edge
    std::vector<WEVertex*> faceVertex;   // by cycle index
    std::vector<WEVertex*> edgeVertex;   // by edge id
    std::vector<WEEdge*> secondHalf;     // by edge id: the part from the edge point to the old end
};

void CatmullClarkStep::computeFacePoints(void)
{
    facePoint.assign(size_t(idEnds.face), Vec3d());
    corner.resize(cycles.edges.size());
    for (size_t k = 0; k < cycles.count(); ++k) {
        const WEFace* f = cycles.faces[k];
        Vec3d sum;
        for (size_t s = cycles.begin[k]; s < cycles.begin[k + 1]; ++s) {
            corner[s] = startInFace(cycles.edges[s], f);
            sum = sum + at(corner[s]);
        }
        facePoint[size_t(f->id)] = (1.0 / double(cycles.size(k))) * sum;
    }
}

// With smoothing an inner edge that is not sharp takes the mean of its ends
// and of its two face points; every other edge is cut at its midpoint.
void CatmullClarkStep::computeEdgePoints(void)
{
    edgePoint.assign(size_t(idEnds.edge), SbVec3f(0.0f, 0.0f, 0.0f));
    for (const WEEdge& e : mesh.edges) {
        Vec3d p = midpoint(&e);
        if (smoothing && !e.isBoundary() && !(e.flags & WingedEdgeMesh::EDGE_SHARP))
            p = 0.5 * (p + 0.5 * (facePoint[size_t(e.leftFace->id)] + facePoint[size_t(e.rightFace->id)]));
        edgePoint[size_t(e.id)] = toFloat(p);
    }
}

void CatmullClarkStep::computeVertexPoints(void)
{
    vertexPoint.assign(size_t(idEnds.vertex), SbVec3f(0.0f, 0.0f, 0.0f));
    for (const WEVertex& v : mesh.vertices)
        vertexPoint[size_t(v.id)] = vertexPointOf(v);
}

// Inner vertex of n edges: Q/n + 2R/n + (n - 3)v/n, Q the mean of the face
// points around it (each face counted once per edge it borders), R the mean
// of its edge midpoints. A vertex on two boundary edges, or on exactly two
// sharp edges, follows the cubic B-spline of its curve: (6v + a + b) / 8.
// Any other boundary or sharp vertex is a corner and stays.
SbVec3f CatmullClarkStep::vertexPointOf(const WEVertex& v) const
{
    const size_t n = v.edges.size();
    if (n == 0)
        return v.position;
    const Vec3d p = at(&v);
    Vec3d q, r, open, sharp;
    int faceCount = 0, openCount = 0, sharpCount = 0;
    for (const WEEdge* e : v.edges) {
        for (const WEFace* f : { e->leftFace, e->rightFace }) {
            if (f != nullptr) {
                q = q + facePoint[size_t(f->id)];
                ++faceCount;
            }
        }
        r = r + midpoint(e);
        const Vec3d other = at(e->otherVertex(&v));
        if (e->isBoundary()) {
            open = open + other;
            ++openCount;
        }
        if (e->flags & WingedEdgeMesh::EDGE_SHARP) {
            sharp = sharp + other;
            ++sharpCount;
        }
    }
    if (openCount > 0)
        return openCount == 2 ? toFloat(0.125 * (6.0 * p + open)) : v.position;
    if (v.flags & WingedEdgeMesh::VERTEX_SHARP)
        return sharpCount == 2 ? toFloat(0.125 * (6.0 * p + sharp)) : v.position;
    if (faceCount == 0)
        return v.position;
    const double dn = double(n);
    return toFloat((1.0 / (double(faceCount) * dn)) * q + (2.0 / (dn * dn)) * r + ((dn - 3.0) / dn) * p);
}

// One new vertex per face, numbered after the old vertices in face order.
void CatmullClarkStep::makeFacePoints(void)
{
    oldVertices.reserve(mesh.vertices.size());
    for (WEVertex& v : mesh.vertices)
        oldVertices.push_back(&v);
    vertexEnd = std::max(mesh.vertexCount, idEnds.vertex);
    faceVertex.resize(cycles.count());
    for (size_t k = 0; k < cycles.count(); ++k) {
        const WEFace* f = cycles.faces[k];
        mesh.vertices.emplace_back();
        WEVertex& c = mesh.vertices.back();
        c.id = vertexEnd++;
        c.objectIndex = mesh.objectIndex;
        c.position = toFloat(facePoint[size_t(f->id)]);
        c.normal = f->normal;
        faceVertex[k] = &c;
    }
}

// Each old edge keeps its part from its start to the new edge point; a new
// edge with the same faces and flags takes the part from there to the old
// end. The face sides are linked by splitFaces; open sides are linked here,
// along the hole, once every edge is split.
void CatmullClarkStep::splitEdges(void)
{
    edgeEnd = std::max(mesh.edgeCount, idEnds.edge);
    edgeVertex.assign(size_t(idEnds.edge), nullptr);
    secondHalf.assign(size_t(idEnds.edge), nullptr);
    std::vector<WEEdge*> open;
    const size_t oldEdges = mesh.edges.size();
    auto it = mesh.edges.begin();
    for (size_t i = 0; i < oldEdges; ++i, ++it) {
        WEEdge& e = *it;
        mesh.vertices.emplace_back();
        WEVertex& m = mesh.vertices.back();
        m.id = vertexEnd++;
        m.objectIndex = mesh.objectIndex;
        m.position = edgePoint[size_t(e.id)];
        m.normal = 0.5f * (e.startVertex->normal + e.endVertex->normal);
        if (e.flags & WingedEdgeMesh::EDGE_SHARP)
            m.flags = WingedEdgeMesh::VERTEX_SHARP;

        mesh.edges.emplace_back();
        WEEdge& h = mesh.edges.back();
        h.id = edgeEnd++;
        h.objectIndex = mesh.objectIndex;
        h.flags = e.flags;
        h.startVertex = &m;
        h.endVertex = e.endVertex;
        h.leftFace = e.leftFace;
        h.rightFace = e.rightFace;
        std::replace(e.endVertex->edges.begin(), e.endVertex->edges.end(), &e, &h);
        e.endVertex = &m;
        m.edges.push_back(&e);
        m.edges.push_back(&h);
        edgeVertex[size_t(e.id)] = &m;
        secondHalf[size_t(e.id)] = &h;
        if (e.isBoundary())
            open.push_back(&e);
    }
    for (WEEdge* e : open)
        linkOpenSide(e);
}

// The part of a split old edge that touches the old vertex v.
WEEdge* CatmullClarkStep::halfAt(WEEdge* e, const WEVertex* v) const
{
    if (e == nullptr || e->startVertex == v || e->id < 0 || e->id >= idEnds.edge)
        return e;
    WEEdge* second = secondHalf[size_t(e->id)];
    return second != nullptr ? second : e;
}

// The hole now runs through the edge point: on the open side the two
// halves point at each other, and at the old ends at the halves of the
// boundary neighbours there. The old wings on that side are still those of
// the unsplit mesh.
void CatmullClarkStep::linkOpenSide(WEEdge* first)
{
    WEEdge* second = secondHalf[size_t(first->id)];
    const WEVertex* start = first->startVertex;
    const WEVertex* end = second->endVertex;
    if (first->rightFace == nullptr) {
        second->rightPrev = halfAt(first->rightPrev, end);
        second->rightNext = first;
        first->rightNext = halfAt(first->rightNext, start);
        first->rightPrev = second;
    }
    if (first->leftFace == nullptr) {
        second->leftNext = halfAt(first->leftNext, end);
        second->leftPrev = first;
        first->leftPrev = halfAt(first->leftPrev, start);
        first->leftNext = second;
    }
}

// An n-sided face becomes n quadrilaterals, one per corner x: from the edge
// point before x to x, on to the next edge point and in to the face point,
// the same turn as the old cycle. The old face record becomes the first.
// Spoke i runs from the edge point of edge i to the face point, with the
// quad of corner i on its left and that of corner i + 1 on its right.
void CatmullClarkStep::splitFaces(void)
{
    faceEnd = std::max(mesh.faceCount, idEnds.face);
    std::vector<WEFace*> quad;
    std::vector<WEEdge*> spoke;
    std::vector<char> faceLeft;
    for (size_t k = 0; k < cycles.count(); ++k) {
        WEFace* f = cycles.faces[k];
        const size_t n = cycles.size(k);
        WEEdge* const* edge = &cycles.edges[cycles.begin[k]];
        WEVertex* c = faceVertex[k];
        faceLeft.resize(n);
        quad.resize(n);
        spoke.resize(n);
        for (size_t i = 0; i < n; ++i) {
            faceLeft[i] = edge[i]->leftFace == f;
            if (i == 0) {
                quad[i] = f;
            } else {
                mesh.faces.emplace_back();
                quad[i] = &mesh.faces.back();
                quad[i]->id = faceEnd++;
                quad[i]->objectIndex = mesh.objectIndex;
                quad[i]->normal = f->normal;
            }
            mesh.edges.emplace_back();
            WEEdge& s = mesh.edges.back();
            s.id = edgeEnd++;
            s.objectIndex = mesh.objectIndex;
            s.startVertex = edgeVertex[size_t(edge[i]->id)];
            s.endVertex = c;
            s.startVertex->edges.push_back(&s);
            c->edges.push_back(&s);
            spoke[i] = &s;
        }
        for (size_t i = 0; i < n; ++i) {
            const size_t before = (i + n - 1) % n;
            // The old edges are split already: their corners were read before.
            const WEVertex* x = corner[cycles.begin[k] + i];
            WEEdge* cycle[4] = { halfAt(edge[before], x), halfAt(edge[i], x), spoke[i], spoke[before] };
            const char left[4] = { faceLeft[before], faceLeft[i], 1, 0 };
            linkCycle(quad[i], cycle, left, 4);
        }
    }
}

// --- Doo-Sabin ---------------------------------------------------------------

// One Doo-Sabin step, built into new record lists that then replace the old
// ones. Every old face shrinks to a face of new corners (the face-face) with
// the same turn; every inner edge becomes a quadrilateral between the two
// face-faces beside it (the edge-face); every inner vertex becomes a face of
// the corners around it (the vertex-face).
//
// Names for one inner edge e from s to t, with faces L (left) and R:
// yL(s) is the corner of L's face-face at s, and so on. The face-face edge
// along e in L runs yL(s) -> yL(t), the one in R yR(t) -> yR(s); the
// edge-face runs yL(t) -> yL(s) -> yR(s) -> yR(t), crossing at s from
// yL(s) to yR(s) and at t from yR(t) to yL(t). These two cross edges have
// the edge-face on their left and the vertex-face of s or t on their right.
class DooSabinStep {
public:
    DooSabinStep(WingedEdgeMesh& m, const Cycles& c, const IdEnds& ends)
        : mesh(m), cycles(c), idEnds(ends)
    {
    }

    void run(void)
    {
        makeCorners();
        makeFaceFaces();
        makeEdgeFaces();
        makeVertexFaces();
        mesh.vertices.swap(vertices);
        mesh.edges.swap(edges);
        mesh.faces.swap(faces);
    }

    bool open = false; // some new edge has a face on one side only

private:
    void makeCorners(void);
    void makeFaceFaces(void);
    void makeEdgeFaces(void);
    void makeVertexFaces(void);
    void makeVertexFace(const WEVertex& v, const WEEdge* first);
    WEEdge* newEdge(WEVertex* start, WEVertex* end);
    WEFace* newFace(const SbVec3f& normal);

    WingedEdgeMesh& mesh;
    const Cycles& cycles;
    IdEnds idEnds;

    WingedEdgeMesh::VertexList vertices;
    WingedEdgeMesh::EdgeList edges;
    WingedEdgeMesh::FaceList faces;

    std::vector<size_t> nextSlot;        // by cycle slot: the slot after it in its face's cycle
    std::vector<WEVertex*> corner;       // by cycle slot: the new vertex at the slot's corner
    std::vector<WEEdge*> alongEdge;      // by cycle slot: the face-face edge along the slot's edge
    std::vector<size_t> leftSlot;        // by edge id: the edge's slot in its left face's cycle
    std::vector<size_t> rightSlot;       // likewise on the right
    std::vector<WEEdge*> crossAtStart;   // by edge id
    std::vector<WEEdge*> crossAtEnd;     // by edge id
    std::vector<char> crossUsed;         // by edge id: bit 1 start cross, bit 2 end cross in a vertex-face
    std::vector<WEEdge*> scratchCycle;
    std::vector<const WEEdge*> scratchCrossed;
    std::vector<char> scratchLeft;
};

WEEdge* DooSabinStep::newEdge(WEVertex* start, WEVertex* end)
{
    edges.emplace_back();
    WEEdge& e = edges.back();
    e.id = int32_t(edges.size() - 1);
    e.objectIndex = mesh.objectIndex;
    e.startVertex = start;
    e.endVertex = end;
    start->edges.push_back(&e);
    end->edges.push_back(&e);
    return &e;
}

WEFace* DooSabinStep::newFace(const SbVec3f& normal)
{
    faces.emplace_back();
    WEFace& f = faces.back();
    f.id = int32_t(faces.size() - 1);
    f.objectIndex = mesh.objectIndex;
    f.normal = normal;
    return &f;
}

// The corner at x of a face with centroid F and edges a (into x) and b (out
// of x) moves to (F + x + mid(a) + mid(b)) / 4. Corners are numbered face by
// face, each face's walked backwards from its first listed edge.
void DooSabinStep::makeCorners(void)
{
    corner.assign(cycles.edges.size(), nullptr);
    nextSlot.resize(cycles.edges.size());
    leftSlot.assign(size_t(idEnds.edge), 0);
    rightSlot.assign(size_t(idEnds.edge), 0);
    for (size_t k = 0; k < cycles.count(); ++k) {
        const WEFace* f = cycles.faces[k];
        const size_t b = cycles.begin[k], n = cycles.size(k);
        Vec3d centroid;
        for (size_t s = b; s < b + n; ++s) {
            const WEEdge* e = cycles.edges[s];
            centroid = centroid + at(startInFace(e, f));
            (e->leftFace == f ? leftSlot : rightSlot)[size_t(e->id)] = s;
            nextSlot[s] = cycles.next(k, s);
        }
        centroid = (1.0 / double(n)) * centroid;
        for (size_t i = 0; i < n; ++i) {
            const size_t s = i == 0 ? b : b + n - i;
            const WEEdge* into = cycles.edges[cycles.prev(k, s)];
            const WEEdge* out = cycles.edges[s];
            const Vec3d x = at(startInFace(out, f));
            vertices.emplace_back();
            WEVertex& v = vertices.back();
            v.id = int32_t(vertices.size() - 1);
            v.objectIndex = mesh.objectIndex;
            v.position = toFloat(0.25 * (centroid + x + midpoint(into) + midpoint(out)));
            v.normal = f->normal;
            corner[s] = &v;
        }
    }
}

void DooSabinStep::makeFaceFaces(void)
{
    alongEdge.assign(cycles.edges.size(), nullptr);
    std::vector<WEEdge*>& cycle = scratchCycle;
    std::vector<char>& left = scratchLeft;
    for (size_t k = 0; k < cycles.count(); ++k) {
        const size_t b = cycles.begin[k], n = cycles.size(k);
        WEFace* ff = newFace(cycles.faces[k]->normal);
        cycle.clear();
        for (size_t s = b; s < b + n; ++s) {
            alongEdge[s] = newEdge(corner[s], corner[nextSlot[s]]);
            cycle.push_back(alongEdge[s]);
        }
        left.assign(n, 1);
        linkCycle(ff, cycle.data(), left.data(), n);
    }
}

void DooSabinStep::makeEdgeFaces(void)
{
    crossAtStart.assign(size_t(idEnds.edge), nullptr);
    crossAtEnd.assign(size_t(idEnds.edge), nullptr);
    for (const WEEdge& e : mesh.edges) {
        if (e.leftFace == nullptr || e.rightFace == nullptr) {
            // Only one face-face edge runs along it, open on its right.
            const size_t s = e.leftFace != nullptr ? leftSlot[size_t(e.id)] : rightSlot[size_t(e.id)];
            if (e.leftFace != nullptr || e.rightFace != nullptr) {
                openSideRepeatsFaceSide(alongEdge[s]);
                open = true;
            }
            continue;
        }
        const size_t l = leftSlot[size_t(e.id)], r = rightSlot[size_t(e.id)];
        WEVertex* yLs = corner[l];
        WEVertex* yLt = corner[nextSlot[l]];
        WEVertex* yRt = corner[r];
        WEVertex* yRs = corner[nextSlot[r]];
        WEEdge* crossS = newEdge(yLs, yRs);
        WEEdge* crossT = newEdge(yRt, yLt);
        crossAtStart[size_t(e.id)] = crossS;
        crossAtEnd[size_t(e.id)] = crossT;
        // Until the sequence recomputes the normals: the direction of the
        // two old faces' sum, kept a unit vector as every face normal is.
        const SbVec3f normal = unitOrZero(e.leftFace->normal + e.rightFace->normal);
        WEEdge* cycle[4] = { alongEdge[l], crossS, alongEdge[r], crossT };
        const char left[4] = { 0, 1, 0, 1 };
        linkCycle(newFace(normal), cycle, left, 4);
        // Until a vertex-face claims them, the cross edges are open on the right.
        openSideRepeatsFaceSide(crossS);
        openSideRepeatsFaceSide(crossT);
    }
}

// A vertex all of whose edges have two faces gets one vertex-face per fan of
// faces around it (one, unless several fans meet at the vertex).
void DooSabinStep::makeVertexFaces(void)
{
    crossUsed.assign(size_t(idEnds.edge), 0);
    for (const WEVertex& v : mesh.vertices) {
        bool inner = !v.edges.empty();
        for (const WEEdge* e : v.edges)
            inner = inner && !e->isBoundary();
        if (!inner) {
            open = open || !v.edges.empty();
            continue;
        }
        for (const WEEdge* e : v.edges) {
            const char bit = e->startVertex == &v ? 1 : 2;
            if (!(crossUsed[size_t(e->id)] & bit))
                makeVertexFace(v, e);
        }
    }
}

// Rotates around v: the vertex-face crosses edge e from the face in which
// e enters v to the face B in which it leaves v; the next edge is the one
// that enters v in B. A rotation that does not come back (damaged wings
// around v) makes no face, and its cross edges stay open.
void DooSabinStep::makeVertexFace(const WEVertex& v, const WEEdge* first)
{
    std::vector<WEEdge*>& cycle = scratchCycle;
    std::vector<const WEEdge*>& crossed = scratchCrossed;
    cycle.clear();
    crossed.clear();
    const WEEdge* e = first;
    do {
        const bool leaves = e->startVertex == &v;
        if (e->isBoundary() || (crossUsed[size_t(e->id)] & (leaves ? 1 : 2)) || crossed.size() > v.edges.size())
            break;
        crossed.push_back(e);
        cycle.push_back(leaves ? crossAtStart[size_t(e->id)] : crossAtEnd[size_t(e->id)]);
        e = prevInFace(e, leaves ? e->leftFace : e->rightFace);
    } while (e != nullptr && e != first && (e->startVertex == &v || e->endVertex == &v));
    if (e != first || cycle.size() < 2) {
        open = true;
        return;
    }
    for (const WEEdge* x : crossed)
        crossUsed[size_t(x->id)] |= x->startVertex == &v ? 1 : 2;
    scratchLeft.assign(cycle.size(), 0);
    linkCycle(newFace(unitOrZero(v.normal)), cycle.data(), scratchLeft.data(), cycle.size());
}

// Reads the cycles and makes the ids usable; false when the mesh has no
// face or cannot be stepped (it is then left as it was).
bool prepareStep(WingedEdgeMesh& mesh, const char* where, Cycles& cycles, IdEnds& ends)
{
    if (mesh.faces.empty() || !readCycles(mesh, cycles, where))
        return false;
    ends = usableIds(mesh, where);
    return true;
}

} // namespace

void WingedEdgeMesh::subdivideCatmullClark(bool smoothing)
{
    Cycles cycles;
    IdEnds ends;
    if (!prepareStep(*this, "WingedEdgeMesh::subdivideCatmullClark", cycles, ends))
        return;
    CatmullClarkStep step(*this, cycles, ends, smoothing);
    step.run();
    vertexCount = step.vertexEnd;
    edgeCount = nextEdgeId = step.edgeEnd;
    faceCount = nextFaceId = step.faceEnd;
}

void WingedEdgeMesh::subdivideDooSabin(void)
{
    Cycles cycles;
    IdEnds ends;
    if (!prepareStep(*this, "WingedEdgeMesh::subdivideDooSabin", cycles, ends))
        return;
    DooSabinStep step(*this, cycles, ends);
    step.run();
    // The new ids are dense in creation order; linking the holes keeps them.
    if (step.open)
        linkBoundaryWings();
    vertexCount = int32_t(vertices.size());
    edgeCount = nextEdgeId = int32_t(edges.size());
    faceCount = nextFaceId = int32_t(faces.size());
}
