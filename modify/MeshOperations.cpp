// The mesh operations of the modification pass that are not subdivision
// schemes (welding close vertices, merging coplanar faces, marking sharp
// edges, smoothing), and the list operations that run every operation,
// subdivision schemes included, over all meshes of a list under a face
// budget.

#include "wingededge/WingedEdge.h"

#include <Inventor/SbVec3d.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>
#include <vector>

#include "modify/FaceCentroids.h"
#include "modify/TriangleSubdivision.h"
#include "wingededge/FaceCycle.h"

namespace {

SbVec3d toDouble(const SbVec3f& v)
{
    return SbVec3d(v[0], v[1], v[2]);
}

SbVec3f toFloat(const SbVec3d& v)
{
    return SbVec3f(float(v[0]), float(v[1]), float(v[2]));
}

// --- welding grid ------------------------------------------------------------

// A uniform grid over the bounding box of the vertices whose cells are at
// least `distance` wide along every axis, so that two points closer than
// that lie in the same or in neighbouring cells. Cells are cubes: cells as
// thin as extent / resolution along the shorter axes would let partners
// hide two cells away.
class WeldGrid {
public:
    WeldGrid(const WingedEdgeMesh::VertexList& vertices, double distance)
    {
        const double inf = std::numeric_limits<double>::infinity();
        SbVec3d low(inf, inf, inf), high(-inf, -inf, -inf);
        for (const WEVertex& v : vertices) {
            for (int axis = 0; axis < 3; ++axis) {
                const double p = v.position[axis];
                if (!std::isfinite(p))
                    continue;
                low[axis] = std::min(low[axis], p);
                high[axis] = std::max(high[axis], p);
            }
        }
        // An axis without any finite coordinate has no extent.
        for (int axis = 0; axis < 3; ++axis)
            if (low[axis] > high[axis])
                low[axis] = high[axis] = 0.0;
        origin = low;
        const double extent = std::max({ high[0] - low[0], high[1] - low[1], high[2] - low[2] });
        // Resolution from the longest axis; none at all when everything is
        // within one weld distance (or at one point), and bounded so that
        // keys stay inside 64 bits even for a weld distance of zero.
        double f = 0.0;
        if (extent > 0.0)
            f = distance > 0.0 ? std::trunc(extent / distance) : kMaxResolution;
        resolution = int64_t(std::min(f, double(kMaxResolution)));
        cellSize = resolution > 0 ? extent / double(resolution) : 0.0;
    }

    // Cell coordinates of a position; 0 along every axis without a grid, and
    // for coordinates that are not finite.
    void cellOf(const SbVec3f& position, int64_t cell[3]) const
    {
        for (int axis = 0; axis < 3; ++axis) {
            const double c = cellSize > 0.0 ? std::trunc((double(position[axis]) - origin[axis]) / cellSize) : 0.0;
            cell[axis] = c >= 0.0 ? int64_t(std::min(c, double(resolution))) : 0;
        }
    }

    bool inside(int64_t c) const { return c >= 0 && c <= resolution; }

    int64_t key(int64_t x, int64_t y, int64_t z) const
    {
        const int64_t side = resolution + 1;
        return z + side * (y + side * x);
    }

private:
    static constexpr int64_t kMaxResolution = int64_t(1) << 20;
    SbVec3d origin;
    int64_t resolution = 0;
    double cellSize = 0.0;
};

// The 27 cell offsets in probe order: the cell itself, the layer below in z
// (y from -1 to 1, x from -1 to 1 within each y), the rest of its own layer,
// the layer above.
struct ProbeOrder {
    int offset[27][3];
    ProbeOrder(void)
    {
        int n = 0;
        offset[n][0] = offset[n][1] = offset[n][2] = 0;
        ++n;
        for (int dz : { -1, 0, 1 })
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0 && dz == 0)
                        continue;
                    offset[n][0] = dx;
                    offset[n][1] = dy;
                    offset[n][2] = dz;
                    ++n;
                }
    }
};

// --- face merging ------------------------------------------------------------

// Bits of the flags words while mergeCoplanarFaces runs.
const int32_t kRemoved = 0x1000;

WEFace* otherFace(const WEEdge* e, const WEFace* face)
{
    return e->leftFace == face ? e->rightFace : e->leftFace;
}

// The wing of `edge` after it in `face`'s cycle, and the one before it.
WEEdge*& nextWing(WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftNext : edge->rightNext;
}

WEEdge*& prevWing(WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftPrev : edge->rightPrev;
}

template <class List>
void removeEdge(List& list, const WEEdge* edge)
{
    list.erase(std::remove(list.begin(), list.end(), edge), list.end());
}

// The edges that `a` and `b` share, as one run along a's cycle that holds
// `edge`, when joining the two faces across it leaves one face bounded by
// one simple cycle; otherwise an empty run. The run must be every edge the
// faces share, its inner vertices must lie between two run edges only, and
// no other vertex may belong to both faces: anything else would leave a face
// with a hole or a pinched corner, which one wing cycle cannot describe.
// `wholeA` tells that every edge of `a` is shared (try the other way round).
std::vector<WEEdge*> sharedRun(WEEdge* edge, WEFace* a, WEFace* b, bool& wholeA)
{
    std::vector<WEEdge*> run;
    wholeA = false;
    WEEdge* first = edge;
    for (size_t steps = 0;; ++steps) {
        WEEdge* previous = prevInFace(first, a);
        if (previous == nullptr || steps > a->edges.size())
            return run;
        if (otherFace(previous, a) != b)
            break;
        if (previous == edge) {
            wholeA = true;
            return run;
        }
        first = previous;
    }
    for (WEEdge* e = first; e != nullptr && otherFace(e, a) == b; e = nextInFace(e, a)) {
        run.push_back(e);
        if (run.size() > a->edges.size())
            return std::vector<WEEdge*>();
    }
    for (size_t i = 1; i < run.size(); ++i)
        if (endInFace(run[i - 1], a)->edges.size() != 2)
            return std::vector<WEEdge*>();

    // Every shared edge in the run, and no vertex shared elsewhere: look
    // around the corners of the smaller face for the larger one.
    const bool aSmaller = a->edges.size() <= b->edges.size();
    const WEFace* smaller = aSmaller ? a : b;
    const WEFace* larger = aSmaller ? b : a;
    const WEVertex* runStart = startInFace(run.front(), a);
    const WEVertex* runEnd = endInFace(run.back(), a);
    size_t shared = 0;
    for (const WEEdge* e : smaller->edges) {
        if ((e->flags & kRemoved) != 0)
            continue;
        if (otherFace(e, smaller) == larger)
            ++shared;
        const WEVertex* corner = startInFace(e, smaller);
        if (corner == runStart || corner == runEnd || corner->edges.size() == 2)
            continue;
        for (const WEEdge* around : corner->edges)
            if (around->leftFace == larger || around->rightFace == larger)
                return std::vector<WEEdge*>();
    }
    if (shared != run.size())
        return std::vector<WEEdge*>();
    return run;
}

// Joins `a` and `b` across the run; returns the face that stays.
WEFace* joinFaces(const std::vector<WEEdge*>& run, WEFace* a, WEFace* b)
{
    // The joined cycle skips the run: at its start a's edge before it is
    // followed by b's edge after it, at its end b's edge before it by a's
    // edge after it. When the run is all of b, a's edges close over it.
    WEEdge* beforeA = prevInFace(run.front(), a);
    WEEdge* afterA = nextInFace(run.back(), a);
    WEEdge* beforeB = prevInFace(run.back(), b);
    WEEdge* afterB = nextInFace(run.front(), b);
    if (afterB == run.back()) {
        nextWing(beforeA, a) = afterA;
        prevWing(afterA, a) = beforeA;
    } else {
        nextWing(beforeA, a) = afterB;
        prevWing(afterB, b) = beforeA;
        nextWing(beforeB, b) = afterA;
        prevWing(afterA, a) = beforeB;
    }

    for (WEEdge* e : run) {
        e->flags |= kRemoved;
        removeEdge(e->startVertex->edges, e);
        removeEdge(e->endVertex->edges, e);
    }
    for (size_t i = 1; i < run.size(); ++i)
        endInFace(run[i - 1], a)->flags |= kRemoved;

    // The larger face stays, so that joining many faces one by one
    // re-points each edge only a few times.
    WEFace* kept = a->edges.size() >= b->edges.size() ? a : b;
    WEFace* gone = kept == a ? b : a;
    for (WEEdge* e : gone->edges) {
        if ((e->flags & kRemoved) != 0)
            continue;
        (e->leftFace == gone ? e->leftFace : e->rightFace) = kept;
        kept->edges.push_back(e);
    }
    gone->edges.clear();
    gone->flags |= kRemoved;
    return kept;
}

// --- subdivision driver ------------------------------------------------------

enum class Sequence { DooSabin, CatmullClark, Triangles };

struct StepPlan {
    Sequence sequence;
    int scheme;        // Loop or butterfly for Sequence::Triangles
    bool smoothing;
    bool adaptive;
    const char* name;  // for the progress lines
};

// The criterion that picks the faces of an adaptive step: the dihedral
// angle, with this threshold in degrees.
const double kAdaptiveAngle = 45.0;

int64_t triangleCount(const WingedEdgeMesh& mesh)
{
    int64_t count = 0;
    for (const WEFace& f : mesh.faces)
        count += std::max<int64_t>(1, int64_t(f.edges.size()) - 2);
    return count;
}

// The triangles one more Doo-Sabin step would leave after the closing
// triangulation: every face shrinks to a face of as many corners, every
// interior edge becomes a quadrilateral and every interior vertex a face of
// as many corners as it has edges.
int64_t dooSabinTriangles(const WingedEdgeMesh& mesh)
{
    int64_t count = triangleCount(mesh);
    for (const WEEdge& e : mesh.edges)
        count += e.isBoundary() ? 0 : 2;
    for (const WEVertex& v : mesh.vertices) {
        bool interior = v.edges.size() >= 3;
        for (const WEEdge* e : v.edges)
            interior = interior && !e->isBoundary();
        count += interior ? int64_t(v.edges.size()) - 2 : 0;
    }
    return count;
}

// The faces the next step would leave, counted as the triangles the
// sequence ends with: Loop and butterfly split every triangle into four
// (adaptive steps at most), Catmull-Clark makes a quadrilateral, that is two
// triangles, of every face corner.
int64_t facesAfterStep(const WingedEdgeMesh& mesh, const StepPlan& plan)
{
    switch (plan.sequence) {
    case Sequence::DooSabin:
        return dooSabinTriangles(mesh);
    case Sequence::CatmullClark: {
        int64_t corners = 0;
        for (const WEFace& f : mesh.faces)
            corners += int64_t(f.edges.size());
        return 2 * corners;
    }
    case Sequence::Triangles:
        return facesAfterTriangleStep(mesh);
    }
    return 0;
}

void runStep(WingedEdgeMesh& mesh, const StepPlan& plan, int step)
{
    switch (plan.sequence) {
    case Sequence::DooSabin:
        mesh.subdivideDooSabin();
        break;
    case Sequence::CatmullClark:
        mesh.subdivideCatmullClark(plan.smoothing);
        break;
    case Sequence::Triangles:
        if (step == 0)
            beginTriangleSteps(mesh);
        triangleStep(mesh, plan.scheme, plan.smoothing, plan.adaptive, step, 0, kAdaptiveAngle, nullptr);
        break;
    }
}

void finishSequence(WingedEdgeMesh& mesh, const StepPlan& plan)
{
    if (plan.sequence == Sequence::Triangles) {
        endTriangleSteps(mesh);
        return;
    }
    mesh.triangulate();
    mesh.computeFaceNormals();
    mesh.computeVertexNormals();
}

// Runs up to `steps` steps of the plan on every mesh, step by step over all
// meshes, and stops before a step whose faces would exceed the budget.
// Prints one progress line per step. Returns the steps run.
int runSequence(WingedEdgeList& list, const StepPlan* plan, int steps, int64_t faceBudget)
{
    if (steps <= 0)
        return 0;
    int run = 0;
    if (plan != nullptr) {
        for (int step = 0; step < steps; ++step) {
            int64_t estimate = 0;
            for (const WingedEdgeMesh& mesh : list.meshes)
                estimate += facesAfterStep(mesh, *plan);
            if (estimate > faceBudget)
                break;
            const auto start = std::chrono::steady_clock::now();
            for (WingedEdgeMesh& mesh : list.meshes)
                runStep(mesh, *plan, step);
            ++run;
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            std::printf("%s: step %d of %d, %d faces, %.0f ms\n", plan->name, step + 1, steps,
                        list.totalFaceCount(), took.count());
            std::fflush(stdout);
        }
        if (run > 0)
            for (WingedEdgeMesh& mesh : list.meshes)
                finishSequence(mesh, *plan);
    }
    list.rebuildInPlace();
    return run;
}

} // namespace

// --- mesh operations ---------------------------------------------------------

// Every vertex looks for a partner among the vertices stored before it in
// its own and the 26 neighbouring grid cells, and takes the id of the first
// one within `distance`; a vertex without a partner is stored itself. The
// mesh is then rebuilt from the shared ids as construction builds it.
void WingedEdgeMesh::mergeCloseVertices(double distance)
{
    if (vertices.empty())
        return;
    std::vector<WEVertex*> byIndex;
    byIndex.reserve(vertices.size());
    for (WEVertex& v : vertices) {
        v.id = int32_t(byIndex.size());
        byIndex.push_back(&v);
    }

    const WeldGrid grid(vertices, distance);
    static const ProbeOrder probes;
    const double limit = distance * distance;
    // Stored vertices per cell, in the order they were stored.
    struct Cell {
        int32_t first;
        int32_t last;
    };
    std::unordered_map<int64_t, Cell> cells;
    cells.reserve(vertices.size());
    std::vector<int32_t> nextInCell(vertices.size(), -1);
    std::vector<int32_t> weldedId(vertices.size());

    for (size_t i = 0; i < byIndex.size(); ++i) {
        const WEVertex& v = *byIndex[i];
        int64_t c[3];
        grid.cellOf(v.position, c);
        const SbVec3d p = toDouble(v.position);
        int32_t partner = -1;
        for (int k = 0; k < 27 && partner < 0; ++k) {
            const int64_t x = c[0] + probes.offset[k][0], y = c[1] + probes.offset[k][1],
                          z = c[2] + probes.offset[k][2];
            if (!grid.inside(x) || !grid.inside(y) || !grid.inside(z))
                continue;
            const auto found = cells.find(grid.key(x, y, z));
            if (found == cells.end())
                continue;
            for (int32_t s = found->second.first; s >= 0; s = nextInCell[size_t(s)]) {
                if ((toDouble(byIndex[size_t(s)]->position) - p).sqrLength() <= limit) {
                    partner = s;
                    break;
                }
            }
        }
        if (partner >= 0) {
            weldedId[i] = partner;
            continue;
        }
        weldedId[i] = int32_t(i);
        const auto inserted = cells.emplace(grid.key(c[0], c[1], c[2]), Cell{ int32_t(i), int32_t(i) });
        if (!inserted.second) {
            nextInCell[size_t(inserted.first->second.last)] = int32_t(i);
            inserted.first->second.last = int32_t(i);
        }
    }

    // An edge never shrinks to a point: where both ends found the same
    // vertex, the later one keeps its own.
    for (const WEEdge& e : edges) {
        const size_t s = size_t(e.startVertex->id), t = size_t(e.endVertex->id);
        if (weldedId[s] != weldedId[t])
            continue;
        if (weldedId[t] != int32_t(t))
            weldedId[t] = int32_t(t);
        else
            weldedId[s] = int32_t(s);
    }
    for (size_t i = 0; i < byIndex.size(); ++i)
        byIndex[i]->id = weldedId[i];

    clearMarks();
    for (WEEdge& e : edges)
        if (!e.isBoundary())
            e.flags = WEEdge::TWO_SIDED;
    weldVertices();
    orientAndPair();
    renumber();
    linkBoundaryWings();
}

// Removes every edge between two faces whose normals are within `angle`
// degrees of each other, joining the faces into one polygon with the normal
// normalize(N1 + N2). Faces are joined only where the result is bounded by
// one simple cycle (see sharedRun); the other edges of the shared run leave
// with the first, and so do the vertices between them. A join refused in one
// walk over the edges may be possible after later joins, so the walk is
// repeated while it joins faces and refuses some.
void WingedEdgeMesh::mergeCoplanarFaces(double angle)
{
    const double limit = std::cos(angle * M_PI / 180.0);
    const int32_t kJoined = kRemoved << 1; // a kept face still lists removed edges
    bool again = true;
    for (int walk = 0; walk < 16 && again; ++walk) {
        bool joined = false, refused = false;
        const size_t total = edges.size();
        auto it = edges.begin();
        for (size_t step = 0; step < total && it != edges.end(); ++step) {
            WEEdge* edge = &*it;
            ++it;
            if ((edge->flags & kRemoved) != 0 || edge->isBoundary() || edge->leftFace == edge->rightFace)
                continue;
            WEFace* a = edge->leftFace;
            WEFace* b = edge->rightFace;
            const SbVec3d n1 = toDouble(a->normal), n2 = toDouble(b->normal);
            if (!(n1.dot(n2) >= limit))
                continue;
            bool wholeA = false;
            std::vector<WEEdge*> run = sharedRun(edge, a, b, wholeA);
            if (wholeA) {
                std::swap(a, b);
                run = sharedRun(edge, a, b, wholeA);
            }
            if (run.empty()) {
                refused = true;
                continue;
            }
            WEFace* kept = joinFaces(run, a, b);
            const SbVec3d sum = n1 + n2;
            const double length = sum.length();
            kept->normal = length > 0.0 ? toFloat(sum / length) : SbVec3f(0.0f, 0.0f, 0.0f);
            kept->flags |= kJoined;
            joined = true;
        }
        again = joined && refused;
    }

    for (WEFace& f : faces) {
        if ((f.flags & kJoined) == 0)
            continue;
        f.edges.erase(std::remove_if(f.edges.begin(), f.edges.end(),
                                     [](const WEEdge* e) { return (e->flags & kRemoved) != 0; }),
                      f.edges.end());
        f.flags &= ~kJoined;
    }
    faces.remove_if([](const WEFace& f) { return (f.flags & kRemoved) != 0; });
    vertices.remove_if([](const WEVertex& v) { return (v.flags & kRemoved) != 0; });
    edges.remove_if([](const WEEdge& e) { return (e.flags & kRemoved) != 0; });
    renumber();
    setObjectIndex();
}

void WingedEdgeMesh::markSharpEdges(double sharpAngle)
{
    const double t = std::cos((180.0 - sharpAngle) * M_PI / 180.0);
    for (WEEdge& e : edges) {
        if (!e.isBoundary() && toDouble(e.leftFace->normal).dot(toDouble(e.rightFace->normal)) >= t)
            continue;
        e.flags |= EDGE_SHARP;
        e.startVertex->flags |= VERTEX_SHARP;
        e.endVertex->flags |= VERTEX_SHARP;
    }
}

// Moves every vertex towards the mean of the centroids of the faces around
// it and its neighbours the other way by equal shares, from the positions
// at the start of the step.
void WingedEdgeMesh::smoothStep(double speed, bool keepFlagged)
{
    const std::vector<SbVec3f> centroids = faceCentroids(*this);
    int32_t largest = -1;
    for (const WEVertex& v : vertices)
        largest = std::max(largest, v.id);
    if (largest < 0)
        return;
    std::vector<SbVec3d> moved(size_t(largest) + 1, SbVec3d(0.0, 0.0, 0.0));
    for (const WEVertex& v : vertices)
        if (v.id >= 0)
            moved[size_t(v.id)] = toDouble(v.position);

    for (const WEVertex& v : vertices) {
        if (v.id < 0)
            continue;
        SbVec3d centre(0.0, 0.0, 0.0);
        int faces = 0;
        for (const WEEdge* e : v.edges) {
            for (const WEFace* f : { e->leftFace, e->rightFace }) {
                if (f != nullptr && f->id >= 0 && size_t(f->id) < centroids.size()) {
                    centre += toDouble(centroids[size_t(f->id)]);
                    ++faces;
                }
            }
        }
        if (faces == 0)
            continue;
        const double n = double(v.edges.size());
        const SbVec3d d = (toDouble(v.position) - centre / double(faces)) * speed;
        moved[size_t(v.id)] -= d * (n / (n + 1.0));
        const SbVec3d share = d / (n + 1.0);
        for (const WEEdge* e : v.edges) {
            const WEVertex* w = e->otherVertex(&v);
            if (w->id >= 0)
                moved[size_t(w->id)] += share;
        }
    }

    for (WEVertex& v : vertices)
        if (v.id >= 0 && (!keepFlagged || v.flags == 0))
            v.position = toFloat(moved[size_t(v.id)]);
}

// --- list operations ---------------------------------------------------------

void WingedEdgeList::connectMeshes(void)
{
    if (meshes.empty())
        return;
    double shortest = std::numeric_limits<double>::infinity();
    for (const WingedEdgeMesh& mesh : meshes)
        for (const WEEdge& e : mesh.edges) {
            const double length = (toDouble(e.endVertex->position) - toDouble(e.startVertex->position)).length();
            if (length < shortest)
                shortest = length;
        }
    connectObjects();
    // Without any edge there is nothing to connect.
    if (std::isfinite(shortest))
        meshes.front().mergeCloseVertices(shortest * 0.5);
    renewGeneration();
}

void WingedEdgeList::mergeCoplanarFaces(double angle)
{
    for (WingedEdgeMesh& mesh : meshes)
        mesh.mergeCoplanarFaces(angle);
    renewGeneration();
}

void WingedEdgeList::markSharpEdges(double sharpAngle)
{
    for (WingedEdgeMesh& mesh : meshes)
        mesh.markSharpEdges(sharpAngle);
}

int WingedEdgeList::divide(int mode, int steps, int64_t faceBudget)
{
    static const StepPlan catmullClark = { Sequence::CatmullClark, 0, false, false, "Catmull-Clark dividing" };
    static const StepPlan loop = { Sequence::Triangles, WingedEdgeMesh::LOOP, false, false, "Loop dividing" };
    static const StepPlan butterfly = { Sequence::Triangles, WingedEdgeMesh::BUTTERFLY, false, false,
                                        "Butterfly dividing" };
    const StepPlan* plan = mode == WingedEdgeMesh::CATMULL_CLARK ? &catmullClark
                         : mode == WingedEdgeMesh::LOOP          ? &loop
                         : mode == WingedEdgeMesh::BUTTERFLY     ? &butterfly
                                                                 : nullptr;
    return runSequence(*this, plan, steps, faceBudget);
}

int WingedEdgeList::subdivide(int mode, int steps, int64_t faceBudget)
{
    static const StepPlan dooSabin = { Sequence::DooSabin, 0, true, false, "Doo-Sabin subdivision" };
    static const StepPlan catmullClark = { Sequence::CatmullClark, 0, true, false, "Catmull-Clark subdivision" };
    static const StepPlan loop = { Sequence::Triangles, WingedEdgeMesh::LOOP, true, false, "Loop subdivision" };
    static const StepPlan butterfly = { Sequence::Triangles, WingedEdgeMesh::BUTTERFLY, true, false,
                                        "Modified Butterfly subdivision" };
    const StepPlan* plan = mode == WingedEdgeMesh::DOO_SABIN     ? &dooSabin
                         : mode == WingedEdgeMesh::CATMULL_CLARK ? &catmullClark
                         : mode == WingedEdgeMesh::LOOP          ? &loop
                         : mode == WingedEdgeMesh::BUTTERFLY     ? &butterfly
                                                                 : nullptr;
    return runSequence(*this, plan, steps, faceBudget);
}

int WingedEdgeList::subdivideAdaptively(int mode, int steps, int64_t faceBudget)
{
    static const StepPlan loop = { Sequence::Triangles, WingedEdgeMesh::LOOP, true, true,
                                   "Adaptive Loop subdivision" };
    static const StepPlan butterfly = { Sequence::Triangles, WingedEdgeMesh::BUTTERFLY, true, true,
                                        "Adaptive Modified Butterfly subdivision" };
    const StepPlan* plan = mode == WingedEdgeMesh::LOOP      ? &loop
                         : mode == WingedEdgeMesh::BUTTERFLY ? &butterfly
                                                             : nullptr;
    return runSequence(*this, plan, steps, faceBudget);
}

void WingedEdgeList::smooth(int steps, double speed)
{
    if (steps <= 0)
        return;
    for (WingedEdgeMesh& mesh : meshes) {
        for (int i = 0; i < steps; ++i)
            mesh.smoothStep(speed, false);
        mesh.computeFaceNormals();
    }
    renewGeneration();
}

// The copy gives every record fresh storage in list order; the settings and
// status words stay, the caches of other nodes no longer match.
void WingedEdgeList::rebuildInPlace(void)
{
    std::vector<WingedEdgeMesh> copied(meshes);
    meshes.swap(copied);
    copied.clear();
    classified = 0;
    renderCacheValid = 0;
    renewGeneration();
}
