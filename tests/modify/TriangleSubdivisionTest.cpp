// Tests of triangulation, the Loop and Modified Butterfly steps (uniform and
// adaptive) and the face-marking criteria: small cases worked by hand, and
// OpenMesh's uniform subdividers as the reference on larger meshes.

#include <gtest/gtest.h>

#include "modify/TriangleSubdivision.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/MeshCompare.h"
#include "wingededge/FaceCycle.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/ModifiedButterFlyT.hh>

#include <Inventor/SbViewVolume.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

namespace {

struct DoubleTraits : OpenMesh::DefaultTraits {
    typedef OpenMesh::Vec3d Point;
    typedef OpenMesh::Vec3d Normal;
};
typedef OpenMesh::TriMesh_ArrayKernelT<DoubleTraits> PeerMesh;

typedef WingedEdgeMesh M;

// Every face a closed triangle whose wings agree both ways, every hole wing
// leading to the next boundary edge at that vertex, and the mesh's own check.
void expectSoundTriangles(const WingedEdgeMesh& mesh)
{
    ASSERT_EQ(mesh.checkConsistency(), "");
    for (const WEFace& f : mesh.faces) {
        ASSERT_EQ(f.edges.size(), 3u) << "face " << f.id;
        for (const WEEdge* e : f.edges)
            EXPECT_EQ(prevInFace(nextInFace(e, &f), &f), e) << "face " << f.id;
    }
    for (const WEEdge& e : mesh.edges) {
        if (!e.isBoundary())
            continue;
        const bool leftMissing = e.leftFace == nullptr;
        const WEEdge* atStart = leftMissing ? e.leftPrev : e.rightNext;
        const WEEdge* atEnd = leftMissing ? e.leftNext : e.rightPrev;
        for (const WEEdge* w : { atStart, atEnd })
            EXPECT_TRUE(w->isBoundary() && w != &e) << "edge " << e.id;
        EXPECT_TRUE(atStart->startVertex == e.startVertex || atStart->endVertex == e.startVertex) << "edge " << e.id;
        EXPECT_TRUE(atEnd->startVertex == e.endVertex || atEnd->endVertex == e.endVertex) << "edge " << e.id;
    }
}

std::vector<SbVec3f> positionsById(const WingedEdgeMesh& mesh)
{
    std::vector<SbVec3f> p(size_t(mesh.vertexCount));
    for (const WEVertex& v : mesh.vertices)
        p[size_t(v.id)] = v.position;
    return p;
}

const WEVertex* vertexById(const WingedEdgeMesh& mesh, int32_t id)
{
    for (const WEVertex& v : mesh.vertices)
        if (v.id == id)
            return &v;
    return nullptr;
}

// The neighbours of a new vertex that existed before the step: the ends of
// the edge it split.
std::vector<int32_t> oldNeighbours(const WEVertex& v, int32_t oldCount)
{
    std::vector<int32_t> ids;
    for (const WEEdge* e : v.edges)
        if (e->otherVertex(&v)->id < oldCount)
            ids.push_back(e->otherVertex(&v)->id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

double boxDiagonal(const WingedEdgeMesh& mesh)
{
    SbVec3f lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    for (const WEVertex& v : mesh.vertices)
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], v.position[i]);
            hi[i] = std::max(hi[i], v.position[i]);
        }
    return (hi - lo).length();
}

double faceArea(const WEFace& f)
{
    std::vector<WEEdge*> cycle;
    faceCycle(f, cycle);
    SbVec3f sum(0, 0, 0);
    const SbVec3f o = startInFace(cycle[0], &f)->position;
    for (size_t i = 1; i + 1 < cycle.size(); ++i)
        sum += (startInFace(cycle[i], &f)->position - o).cross(startInFace(cycle[i + 1], &f)->position - o);
    return 0.5 * sum.length();
}

double totalArea(const WingedEdgeMesh& mesh)
{
    double a = 0.0;
    for (const WEFace& f : mesh.faces)
        a += faceArea(f);
    return a;
}

bool hasEdgeBetween(const WingedEdgeMesh& mesh, const SbVec3f& a, const SbVec3f& b)
{
    for (const WEEdge& e : mesh.edges)
        if ((e.startVertex->position == a && e.endVertex->position == b) ||
            (e.startVertex->position == b && e.endVertex->position == a))
            return true;
    return false;
}

// Removes the edge between two faces, the right face joining the left one:
// a polygon for the triangulation to cut.
void joinFacesAcross(WingedEdgeMesh& mesh, WEEdge* e)
{
    WEFace* keep = e->leftFace;
    WEFace* gone = e->rightFace;
    WEEdge* beforeKeep = prevInFace(e, keep);
    WEEdge* afterKeep = nextInFace(e, keep);
    WEEdge* beforeGone = prevInFace(e, gone);
    WEEdge* afterGone = nextInFace(e, gone);
    auto next = [](WEEdge* x, WEFace* f) -> WEEdge*& { return x->leftFace == f ? x->leftNext : x->rightNext; };
    auto prev = [](WEEdge* x, WEFace* f) -> WEEdge*& { return x->leftFace == f ? x->leftPrev : x->rightPrev; };
    next(beforeKeep, keep) = afterGone;
    prev(afterKeep, keep) = beforeGone;
    next(beforeGone, gone) = afterKeep;
    prev(afterGone, gone) = beforeKeep;
    for (WEEdge* g : gone->edges) {
        if (g == e)
            continue;
        (g->leftFace == gone ? g->leftFace : g->rightFace) = keep;
        keep->edges.push_back(g);
    }
    keep->edges.erase(std::find(keep->edges.begin(), keep->edges.end(), e));
    for (WEVertex* v : { e->startVertex, e->endVertex })
        v->edges.erase(std::find(v->edges.begin(), v->edges.end(), e));
    mesh.faces.remove_if([&](const WEFace& f) { return &f == gone; });
    mesh.edges.remove_if([&](const WEEdge& x) { return &x == e; });
    mesh.renumber();
}

// --- OpenMesh as the reference ------------------------------------------------------

PeerMesh toPeer(const WingedEdgeMesh& mesh)
{
    PeerMesh peer;
    std::vector<PeerMesh::VertexHandle> handle(size_t(mesh.vertexCount));
    for (int32_t id = 0; id < mesh.vertexCount; ++id) {
        const SbVec3f p = vertexById(mesh, id)->position;
        handle[size_t(id)] = peer.add_vertex(PeerMesh::Point(p[0], p[1], p[2]));
    }
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : mesh.faces) {
        faceCycle(f, cycle);
        std::vector<PeerMesh::VertexHandle> corners;
        for (const WEEdge* e : cycle)
            corners.push_back(handle[size_t(startInFace(e, &f)->id)]);
        peer.add_face(corners);
    }
    return peer;
}

// The peer's vertex for each of ours after one step: old vertices through
// `before` (ours -> peer index before the step), new ones as the peer's new
// vertex next to both ends of the same old edge.
std::vector<int> matchToPeer(const WingedEdgeMesh& mesh, int32_t oldCount, const std::vector<int>& before,
                             const PeerMesh& peer, int peerOldCount)
{
    std::vector<int> match(size_t(mesh.vertexCount), -1);
    for (const WEVertex& v : mesh.vertices) {
        if (v.id < oldCount) {
            match[size_t(v.id)] = before[size_t(v.id)];
            continue;
        }
        const std::vector<int32_t> ends = oldNeighbours(v, oldCount);
        if (ends.size() != 2)
            continue;
        std::set<int> nearA;
        for (auto w : peer.vv_range(PeerMesh::VertexHandle(before[size_t(ends[0])])))
            if (w.idx() >= peerOldCount)
                nearA.insert(w.idx());
        for (auto w : peer.vv_range(PeerMesh::VertexHandle(before[size_t(ends[1])])))
            if (nearA.count(w.idx()))
                match[size_t(v.id)] = w.idx();
    }
    return match;
}

std::vector<int> identity(int32_t n)
{
    std::vector<int> ids(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        ids[size_t(i)] = i;
    return ids;
}

// Runs `steps` smoothed Loop steps on ours and the peer's LoopT side by side
// and expects every vertex within 1e-5 of the box diagonal of its match.
void expectLoopMatchesPeer(const StripInput& in, int steps, const char* what)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, in);
    beginTriangleSteps(mesh);
    PeerMesh peer = toPeer(mesh);
    std::vector<int> match = identity(mesh.vertexCount);
    for (int i = 0; i < steps; ++i) {
        const int32_t oldCount = mesh.vertexCount;
        const int peerOld = int(peer.n_vertices());
        const int32_t faces = mesh.faceCount;
        triangleStep(mesh, M::LOOP, true, false, i, 0, 45.0, nullptr);
        OpenMesh::Subdivider::Uniform::LoopT<PeerMesh> loop;
        loop.attach(peer);
        loop(1);
        loop.detach();
        EXPECT_EQ(mesh.faceCount, 4 * faces) << what;
        match = matchToPeer(mesh, oldCount, match, peer, peerOld);
    }
    expectSoundTriangles(mesh);
    ASSERT_EQ(size_t(mesh.vertexCount), peer.n_vertices()) << what;
    const double tolerance = 1e-5 * boxDiagonal(mesh);
    for (const WEVertex& v : mesh.vertices) {
        ASSERT_GE(match[size_t(v.id)], 0) << what << " vertex " << v.id << " has no counterpart";
        const PeerMesh::Point q = peer.point(PeerMesh::VertexHandle(match[size_t(v.id)]));
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(v.position[k], q[k], tolerance) << what << " vertex " << v.id;
    }
}

} // namespace

// --- triangulation ---------------------------------------------------------------------

TEST(Triangulate, CutsPolygonsIntoFansAndLeavesTriangles)
{
    // An open fan of five triangles in the plane z = 1, joined into one hexagon.
    std::vector<SbVec3f> ring;
    for (int i = 0; i < 5; ++i)
        ring.emplace_back(float(std::cos(i * 0.6)), float(std::sin(i * 0.6)), 1.0f);
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeFan(SbVec3f(0, 0, 1), ring, false));
    const double area = totalArea(mesh);
    while (mesh.faceCount > 1) {
        for (WEEdge& e : mesh.edges)
            if (!e.isBoundary()) {
                joinFacesAcross(mesh, &e);
                break;
            }
    }
    ASSERT_EQ(mesh.checkConsistency(), "");
    ASSERT_EQ(mesh.faces.front().edges.size(), 6u);
    EXPECT_EQ(facesAfterTriangleStep(mesh), 16);

    mesh.triangulate();
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 4);
    EXPECT_EQ(mesh.edgeCount, 9);
    EXPECT_NEAR(totalArea(mesh), area, 1e-5);
    for (const WEFace& f : mesh.faces)
        EXPECT_NEAR(std::fabs(f.normal[2]), 1.0, 1e-6) << "face " << f.id;

    // A triangle mesh is left as it is.
    WingedEdgeList other;
    WingedEdgeMesh& sphere = buildSingle(other, makeIcosphere(1));
    const WingedEdgeMesh copy = sphere;
    sphere.triangulate();
    expectSameMesh(sphere, copy);
}

// --- Loop --------------------------------------------------------------------------------

TEST(LoopStep, SingleTriangleHasBoundaryRules)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh =
        buildSingle(list, stripsFromTriangles({ SbVec3f(0, 0, 0), SbVec3f(4, 0, 0), SbVec3f(0, 4, 0) }, { { 0, 1, 2 } }));
    beginTriangleSteps(mesh);
    const std::vector<SbVec3f> old = positionsById(mesh);
    triangleStep(mesh, M::LOOP, true, false, 0, 0, 45.0, nullptr);
    endTriangleSteps(mesh);
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 4);
    EXPECT_EQ(mesh.vertexCount, 6);
    // Worked by hand: corners go to 3/4 v + 1/8 (a + b), new vertices sit at
    // the midpoints.
    std::map<float, SbVec3f> cornerOf = { { 0.0f, SbVec3f(0.5f, 0.5f, 0) }, { 4.0f, SbVec3f(3, 0.5f, 0) } };
    for (const WEVertex& v : mesh.vertices) {
        if (v.id < 3) {
            const SbVec3f o = old[size_t(v.id)];
            const SbVec3f expected = o == SbVec3f(0, 4, 0) ? SbVec3f(0.5f, 3, 0) : cornerOf[o[0]];
            EXPECT_EQ(v.position, expected) << "corner " << v.id;
        } else {
            const std::vector<int32_t> ends = oldNeighbours(v, 3);
            ASSERT_EQ(ends.size(), 2u);
            EXPECT_EQ(v.position, (old[size_t(ends[0])] + old[size_t(ends[1])]) * 0.5f) << "vertex " << v.id;
        }
        EXPECT_EQ(v.flags & M::VERTEX_BOUNDARY, M::VERTEX_BOUNDARY) << "vertex " << v.id;
    }
    for (const WEFace& f : mesh.faces)
        EXPECT_EQ(f.normal, mesh.faces.front().normal) << "face " << f.id;
}

TEST(LoopStep, RegularTorusUsesThreeEighths)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeTorus(10, 8, 3.0f, 1.0f));
    beginTriangleSteps(mesh);
    const std::vector<SbVec3f> old = positionsById(mesh);
    std::vector<SbVec3f> ringSum(old.size(), SbVec3f(0, 0, 0));
    for (const WEVertex& v : mesh.vertices) {
        ASSERT_EQ(v.edges.size(), 6u);
        for (const WEEdge* e : v.edges)
            ringSum[size_t(v.id)] += e->otherVertex(&v)->position;
    }
    const int32_t vertices = mesh.vertexCount, edges = mesh.edgeCount, faces = mesh.faceCount;
    triangleStep(mesh, M::LOOP, true, false, 0, 0, 45.0, nullptr);
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 4 * faces);
    EXPECT_EQ(mesh.vertexCount, vertices + edges);
    for (const WEVertex& v : mesh.vertices)
        if (v.id < vertices) {
            const SbVec3f expected = old[size_t(v.id)] * (5.0f / 8.0f) + ringSum[size_t(v.id)] / 16.0f;
            EXPECT_LT((v.position - expected).length(), 1e-5f) << "vertex " << v.id;
        }
}

TEST(LoopStep, SharpCubeKeepsCornersAndCreases)
{
    // Every cube edge flagged sharp (its faces meet at 90 degrees): corners
    // on three sharp edges stay, sharp edges split at their midpoints, and a
    // face diagonal's point is 3/8 of its ends plus 1/8 of the two other
    // corners of the square, which is the square's centre.
    WingedEdgeList list;
    WingedEdgeMesh& cube = buildSingle(list, makeCube());
    beginTriangleSteps(cube);
    int sharp = 0;
    for (WEEdge& e : cube.edges)
        if (e.leftFace->normal.dot(e.rightFace->normal) < 0.5f) {
            e.flags |= M::EDGE_SHARP;
            ++sharp;
        }
    ASSERT_EQ(sharp, 12);
    const std::vector<SbVec3f> old = positionsById(cube);
    triangleStep(cube, M::LOOP, true, false, 0, 0, 45.0, nullptr);
    expectSoundTriangles(cube);
    EXPECT_EQ(cube.faceCount, 48);
    for (const WEVertex& v : cube.vertices) {
        if (v.id < 8) {
            EXPECT_EQ(v.position, old[size_t(v.id)]) << "corner " << v.id;
            continue;
        }
        const std::vector<int32_t> ends = oldNeighbours(v, 8);
        ASSERT_EQ(ends.size(), 2u);
        const SbVec3f mid = (old[size_t(ends[0])] + old[size_t(ends[1])]) * 0.5f;
        int halfCoordinates = 0;
        for (int k = 0; k < 3; ++k)
            halfCoordinates += std::fabs(mid[k]) == 0.5f;
        if (halfCoordinates == 2) {
            EXPECT_EQ(v.position, mid) << "vertex " << v.id;
            EXPECT_EQ(v.flags & M::VERTEX_SHARP, M::VERTEX_SHARP) << "vertex " << v.id;
        } else {
            ASSERT_EQ(halfCoordinates, 1);
            EXPECT_LT((v.position - mid).length(), 1e-6f) << "vertex " << v.id;
        }
    }
}

TEST(LoopStep, MatchesOpenMeshOnClosedAndOpenMeshes)
{
    // OpenMesh's LoopT applies the same boundary rules (midpoints, 1-6-1
    // corners of two boundary edges), so every vertex is compared.
    for (int steps = 1; steps <= 2; ++steps) {
        expectLoopMatchesPeer(makeIcosphere(1), steps, "icosphere");
        expectLoopMatchesPeer(makeTorus(9, 6, 2.0f, 0.7f), steps, "torus");
        StripInput patch = makeGrid(5);
        for (SbVec3f& p : patch.coordinates)
            p[2] = 0.3f * std::sin(p[0]) * std::cos(0.7f * p[1]);
        expectLoopMatchesPeer(patch, steps, "grid patch");
    }
}

TEST(LoopStep, DividingIsTheSameForLoopAndButterfly)
{
    WingedEdgeList a, b;
    WingedEdgeMesh& loop = buildSingle(a, makeIcosphere(1));
    WingedEdgeMesh& butterfly = buildSingle(b, makeIcosphere(1));
    beginTriangleSteps(loop);
    const std::vector<SbVec3f> old = positionsById(loop);
    const int32_t oldCount = loop.vertexCount, faces = loop.faceCount;
    loopOrButterflySteps(loop, M::LOOP, false, false, 1, 0, 45.0, nullptr);
    loopOrButterflySteps(butterfly, M::BUTTERFLY, false, false, 1, 0, 45.0, nullptr);
    expectSoundTriangles(loop);
    EXPECT_EQ(loop.faceCount, 4 * faces);
    expectSameMesh(loop, butterfly);
    for (const WEVertex& v : loop.vertices) {
        if (v.id < oldCount) {
            EXPECT_EQ(v.position, old[size_t(v.id)]) << "vertex " << v.id;
            continue;
        }
        const std::vector<int32_t> ends = oldNeighbours(v, oldCount);
        ASSERT_EQ(ends.size(), 2u) << "vertex " << v.id;
        EXPECT_LT((v.position - (old[size_t(ends[0])] + old[size_t(ends[1])]) * 0.5f).length(), 1e-6f);
    }
}

// --- butterfly -------------------------------------------------------------------------------

TEST(ButterflyStep, TetrahedronAveragesTheValenceThreeEstimates)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeTetrahedron());
    beginTriangleSteps(mesh);
    const std::vector<SbVec3f> old = positionsById(mesh);
    SbVec3f centre(0, 0, 0);
    for (const SbVec3f& p : old)
        centre += p;
    ASSERT_LT(centre.length(), 1e-6f);
    triangleStep(mesh, M::BUTTERFLY, true, false, 0, 0, 45.0, nullptr);
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 16);
    // Each end's estimate is 3/4 e + 5/12 o - 1/12 (A + B); with the corners
    // summing to zero, A + B = -(e + o), so the mean is 2/3 (e + o).
    for (const WEVertex& v : mesh.vertices) {
        if (v.id < 4) {
            EXPECT_EQ(v.position, old[size_t(v.id)]) << "corner " << v.id;
            continue;
        }
        const std::vector<int32_t> ends = oldNeighbours(v, 4);
        ASSERT_EQ(ends.size(), 2u);
        const SbVec3f expected = (old[size_t(ends[0])] + old[size_t(ends[1])]) * (2.0f / 3.0f);
        EXPECT_LT((v.position - expected).length(), 1e-6f) << "vertex " << v.id;
    }
}

TEST(ButterflyStep, MatchesOpenMeshWithValencesThreeToEight)
{
    // An icosphere made irregular by edge flips until it has every valence
    // from 3 to 8.
    WingedEdgeList seedList;
    PeerMesh flipped = toPeer(buildSingle(seedList, makeIcosphere(1)));
    auto valences = [&]() {
        std::set<unsigned> present;
        for (auto v : flipped.vertices())
            present.insert(flipped.valence(v));
        return present;
    };
    auto complete = [&]() {
        const std::set<unsigned> present = valences();
        for (unsigned k = 3; k <= 8; ++k)
            if (!present.count(k))
                return false;
        return true;
    };
    for (int round = 0; round < 50 && !complete(); ++round) {
        bool flippedOne = false;
        for (auto e : flipped.edges()) {
            if (!flipped.is_flip_ok(e))
                continue;
            const auto h = flipped.halfedge_handle(e, 0), o = flipped.halfedge_handle(e, 1);
            const unsigned a = flipped.valence(flipped.to_vertex_handle(h)),
                           b = flipped.valence(flipped.to_vertex_handle(o)),
                           c = flipped.valence(flipped.to_vertex_handle(flipped.next_halfedge_handle(h))),
                           d = flipped.valence(flipped.to_vertex_handle(flipped.next_halfedge_handle(o)));
            if (std::min(a, b) <= 3 || std::max(c, d) >= 8)
                continue;
            const size_t before = valences().size();
            flipped.flip(e);
            if (valences().size() > before) {
                flippedOne = true;
                break;
            }
            flipped.flip(flipped.edge_handle(flipped.halfedge_handle(e, 0)));
        }
        if (!flippedOne)
            break;
    }
    ASSERT_TRUE(complete()) << "the flips did not reach every valence from 3 to 8";

    std::vector<SbVec3f> points;
    for (auto v : flipped.vertices()) {
        const PeerMesh::Point p = flipped.point(v);
        points.emplace_back(float(p[0]), float(p[1]), float(p[2]));
    }
    std::vector<Triangle> triangles;
    for (auto f : flipped.faces()) {
        Triangle t;
        int i = 0;
        for (auto v : flipped.fv_range(f))
            t[size_t(i++)] = v.idx();
        triangles.push_back(t);
    }
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, stripsFromTriangles(points, triangles));
    beginTriangleSteps(mesh);
    PeerMesh peer = toPeer(mesh);
    std::vector<size_t> valence(size_t(mesh.vertexCount));
    for (const WEVertex& v : mesh.vertices)
        valence[size_t(v.id)] = v.edges.size();
    const int32_t oldCount = mesh.vertexCount, faces = mesh.faceCount;
    triangleStep(mesh, M::BUTTERFLY, true, false, 0, 0, 45.0, nullptr);
    OpenMesh::Subdivider::Uniform::ModifiedButterflyT<PeerMesh> butterfly;
    butterfly.attach(peer);
    butterfly(1);
    butterfly.detach();
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 4 * faces);

    // Where one end is regular and the other not, OpenMesh takes the
    // irregular end's estimate alone while ours averages both ends'
    // estimates; those edge points are left out.
    const std::vector<int> match = matchToPeer(mesh, oldCount, identity(oldCount), peer, oldCount);
    const double tolerance = 1e-5 * boxDiagonal(mesh);
    int compared = 0, regular = 0, irregular = 0;
    for (const WEVertex& v : mesh.vertices) {
        if (v.id >= oldCount) {
            const std::vector<int32_t> ends = oldNeighbours(v, oldCount);
            ASSERT_EQ(ends.size(), 2u);
            const bool r0 = valence[size_t(ends[0])] == 6, r1 = valence[size_t(ends[1])] == 6;
            if (r0 != r1)
                continue;
            ++(r0 ? regular : irregular);
        }
        ASSERT_GE(match[size_t(v.id)], 0) << "vertex " << v.id;
        const PeerMesh::Point q = peer.point(PeerMesh::VertexHandle(match[size_t(v.id)]));
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(v.position[k], q[k], tolerance) << "vertex " << v.id;
        ++compared;
    }
    EXPECT_GT(regular, 20);
    EXPECT_GT(irregular, 5);
    EXPECT_GT(compared, oldCount + 30);
}

// --- adaptive steps ---------------------------------------------------------------------

TEST(AdaptiveStep, FlatGridIsLeftAsItIs)
{
    WingedEdgeList a, b;
    WingedEdgeMesh& refined = buildSingle(a, makeGrid(4));
    WingedEdgeMesh& reference = buildSingle(b, makeGrid(4));
    loopOrButterflySteps(refined, M::LOOP, true, true, 2, 0, 45.0, nullptr);
    beginTriangleSteps(reference);
    endTriangleSteps(reference);
    refined.clearMarks();
    expectSameMesh(refined, reference);
}

namespace {

const SbVec3f p0(0, 0, 0), p1(4, 0, 0), p2(0, 1, 0), p3(4, 1, 0), p4(-1, 0.5f, 0);

// Three triangles in a row in the plane z = 0: the middle one (p0, p1, p2)
// has its long bottom edge on the boundary and shares its other two edges
// with the right one (p1, p3, p2) and the left one (p2, p4, p0).
StripInput makeRow(void)
{
    return stripsFromTriangles({ p0, p1, p2, p3, p4 }, { { 0, 1, 2 }, { 1, 3, 2 }, { 2, 4, 0 } });
}

bool touches(const WEFace& f, const SbVec3f& p)
{
    for (const WEEdge* e : f.edges)
        if (e->startVertex->position == p || e->endVertex->position == p)
            return true;
    return false;
}

} // namespace

TEST(AdaptiveStep, SplitsMarkedFacesAndCutsTheirNeighbours)
{
    // Marking the outer two splits both edges the middle one shares with them.
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeRow());
    beginTriangleSteps(mesh);
    for (WEFace& f : mesh.faces)
        f.flags = touches(f, p3) || touches(f, p4) ? M::FACE_MARKED : 0;
    const double area = totalArea(mesh);
    mesh.subdivideTriangles(M::LOOP, false, true);
    expectSoundTriangles(mesh);
    EXPECT_EQ(mesh.faceCount, 4 + 4 + 3);
    EXPECT_NEAR(totalArea(mesh), area, 1e-5);
    // The quadrilateral left of the middle triangle's cut-off corner is cut
    // along its shorter diagonal: from (0,0) to the midpoint (2, 0.5), not
    // from (4,0) to (0, 0.5).
    EXPECT_TRUE(hasEdgeBetween(mesh, p0, SbVec3f(2, 0.5f, 0)));
    EXPECT_FALSE(hasEdgeBetween(mesh, p1, SbVec3f(0, 0.5f, 0)));
    // The middle triangle's bottom edge stays whole.
    EXPECT_TRUE(hasEdgeBetween(mesh, p0, p1));

    // The middle one marked: its neighbours are cut in two each.
    WingedEdgeList other;
    WingedEdgeMesh& one = buildSingle(other, makeRow());
    beginTriangleSteps(one);
    for (WEFace& f : one.faces)
        f.flags = touches(f, p3) || touches(f, p4) ? 0 : M::FACE_MARKED;
    one.subdivideTriangles(M::BUTTERFLY, true, true);
    expectSoundTriangles(one);
    EXPECT_EQ(one.faceCount, 4 + 2 + 2);
}

TEST(AdaptiveStep, FoldRefinesOnlyAlongTheCrease)
{
    // A grid folded by 60 degrees along x = 2: criterion 0 at 45 degrees
    // marks the faces along the fold.
    StripInput in = makeGrid(5);
    for (SbVec3f& p : in.coordinates)
        if (p[0] > 2.0f)
            p[2] = (p[0] - 2.0f) * std::sqrt(3.0f);
    WingedEdgeList list, smoothList;
    WingedEdgeMesh& mesh = buildSingle(list, in);
    beginTriangleSteps(mesh);
    mesh.markFacesForRefinement(0, 45.0, nullptr, 0);
    int marked = 0;
    std::set<int32_t> touched;
    for (const WEFace& f : mesh.faces) {
        bool onFold = false;
        for (const WEEdge* e : f.edges)
            onFold = onFold || (e->startVertex->position[0] == 2.0f && e->endVertex->position[0] == 2.0f);
        EXPECT_EQ((f.flags & M::FACE_MARKED) != 0, onFold) << "face " << f.id;
        marked += onFold;
        for (const WEEdge* e : f.edges)
            if (onFold)
                touched.insert({ e->startVertex->id, e->endVertex->id });
    }
    EXPECT_EQ(marked, 10);

    // Dividing keeps the surface: the area stays.
    const double area = totalArea(mesh);
    WingedEdgeMesh smoothed = mesh;
    mesh.subdivideTriangles(M::LOOP, false, true);
    expectSoundTriangles(mesh);
    EXPECT_NEAR(totalArea(mesh), area, 1e-4);
    EXPECT_GT(mesh.faceCount, 4 * marked);

    // Smoothing moves only the vertices of marked faces.
    const std::vector<SbVec3f> old = positionsById(smoothed);
    const int32_t oldCount = smoothed.vertexCount;
    smoothed.subdivideTriangles(M::LOOP, true, true);
    expectSoundTriangles(smoothed);
    int moved = 0;
    for (const WEVertex& v : smoothed.vertices) {
        if (v.id >= oldCount)
            continue;
        if (touched.count(v.id) == 0)
            EXPECT_EQ(v.position, old[size_t(v.id)]) << "vertex " << v.id;
        else
            moved += v.position != old[size_t(v.id)];
    }
    EXPECT_GT(moved, 0);
}

// --- marking criteria ---------------------------------------------------------------------

namespace {

int countMarked(const WingedEdgeMesh& mesh)
{
    int n = 0;
    for (const WEFace& f : mesh.faces)
        n += (f.flags & M::FACE_MARKED) != 0;
    return n;
}

bool onBottom(const WEEdge* e)
{
    return e->startVertex->position[2] < 0.0f && e->endVertex->position[2] < 0.0f;
}

} // namespace

TEST(MarkFaces, DihedralViewAndLengthCriteria)
{
    WingedEdgeList list;
    WingedEdgeMesh& cube = buildSingle(list, makeCube());
    cube.markFacesForRefinement(0, 45.0, nullptr, 0);
    EXPECT_EQ(countMarked(cube), 12);
    cube.markFacesForRefinement(13, 100.0, nullptr, 0);
    EXPECT_EQ(countMarked(cube), 0);

    // Looking down -z: the side faces are seen edge-on.
    SbViewVolume view;
    view.ortho(-2, 2, -2, 2, 1, 10);
    ASSERT_LT((view.getProjectionDirection() - SbVec3f(0, 0, -1)).length(), 1e-6f);
    cube.markFacesForRefinement(11, 10.0, &view, 0);
    for (const WEFace& f : cube.faces)
        EXPECT_EQ((f.flags & M::FACE_MARKED) != 0, std::fabs(f.normal[2]) < 0.5f) << "face " << f.id;
    // The contour: the bottom faces look away, so the edges around the
    // bottom have a front and a back face: the two bottom triangles and the
    // one side triangle on each bottom edge are marked.
    cube.markFacesForRefinement(12, 0.0, &view, 0);
    EXPECT_EQ(countMarked(cube), 6);
    for (const WEFace& f : cube.faces) {
        bool bottomEdge = false;
        for (const WEEdge* e : f.edges)
            bottomEdge = bottomEdge || onBottom(e);
        EXPECT_EQ((f.flags & M::FACE_MARKED) != 0, bottomEdge) << "face " << f.id;
        EXPECT_EQ(f.flags & 1, f.normal[2] < -0.5f ? 0 : 1) << "face " << f.id;
    }
    cube.markFacesForRefinement(11, 10.0, nullptr, 0);
    EXPECT_EQ(countMarked(cube), 0);

    // Lengths: the strip's edges longer than 3.5 are those of the two right
    // triangles (4 and sqrt 17); the left one's are at most 1.2.
    WingedEdgeList stripList;
    WingedEdgeMesh& strip = buildSingle(stripList, makeRow());
    strip.markFacesForRefinement(14, 3.5, nullptr, 0);
    for (const WEFace& f : strip.faces)
        EXPECT_EQ((f.flags & M::FACE_MARKED) != 0, !touches(f, p4)) << "face " << f.id;
    strip.markFacesForRefinement(15, 0.0, nullptr, 0);
    EXPECT_EQ(countMarked(strip), 0);
    strip.markFacesForRefinement(14, 3.5, nullptr, 0);
    strip.markFacesForRefinement(77, 0.0, nullptr, 0);
    EXPECT_EQ(countMarked(strip), 0);
}

TEST(MarkFaces, RandomCriterionMarksAboutHalf)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeIcosphere(3));
    std::srand(11);
    mesh.markFacesForRefinement(10, 0.0, nullptr, 0);
    const int first = countMarked(mesh);
    std::vector<int32_t> firstFlags;
    for (const WEFace& f : mesh.faces)
        firstFlags.push_back(f.flags);
    // 1280 faces: half of them give a standard deviation of about 18.
    EXPECT_GT(first, 640 - 110);
    EXPECT_LT(first, 640 + 110);
    std::srand(11);
    mesh.markFacesForRefinement(10, 0.0, nullptr, 0);
    size_t i = 0;
    for (const WEFace& f : mesh.faces)
        EXPECT_EQ(f.flags, firstFlags[i++]);
}

TEST(MarkFaces, FocusTableAndItsFaults)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeRow(), 7);
    // Centroids: middle (4/3, 1/3); right (8/3, 2/3) at sqrt(17)/3 = 1.37
    // from it; left (-1/3, 1/2) at 1.68.
    int middle = -1, right = -1, left = -1;
    for (const WEFace& f : mesh.faces) {
        SbVec3f c(0, 0, 0);
        for (const WEEdge* e : f.edges)
            c += e->startVertex->position + e->endVertex->position;
        c /= 6.0f;
        (c[0] < 0 ? left : c[0] > 2 ? right : middle) = f.id;
    }
    ASSERT_TRUE(middle >= 0 && right >= 0 && left >= 0);
    auto marked = [&](int id) {
        for (const WEFace& f : mesh.faces)
            if (f.id == id)
                return (f.flags & M::FACE_MARKED) != 0;
        return false;
    };

    const std::vector<double> table = { 1, double(middle), 1.5 };
    mesh.markFacesForRefinement(16, 0.0, nullptr, 0, &table);
    EXPECT_TRUE(marked(middle) && marked(right) && !marked(left));
    // Step 1 halves the radius to 0.75.
    mesh.markFacesForRefinement(16, 0.0, nullptr, 1, &table);
    EXPECT_TRUE(marked(middle) && !marked(right) && !marked(left));
    // A threshold above the right face's value (0.08) leaves it out.
    mesh.markFacesForRefinement(16, 0.1, nullptr, 0, &table);
    EXPECT_TRUE(marked(middle) && !marked(right));
    // The whole object 7 is in focus; object 3 is another one's.
    const std::vector<double> whole = { 1, -1.0 - 7.0, 0.0 }, otherObject = { 1, -1.0 - 3.0, 0.0 };
    mesh.markFacesForRefinement(16, 0.5, nullptr, 0, &whole);
    EXPECT_EQ(countMarked(mesh), 3);
    mesh.markFacesForRefinement(16, 0.5, nullptr, 0, &otherObject);
    EXPECT_EQ(countMarked(mesh), 0);

    DebugErrorCollector errors;
    mesh.markFacesForRefinement(16, 0.0, nullptr, 0, nullptr);
    EXPECT_EQ(countMarked(mesh), 0);
    const std::vector<double> short_ = { 3, double(middle), 1.5 };
    mesh.markFacesForRefinement(16, 0.0, nullptr, 0, &short_);
    EXPECT_EQ(countMarked(mesh), 0);
    // Bad entries are left out, the good one still counts.
    const std::vector<double> mixed = { 4, 99, 1.5, double(left), -2, 0.5, 1.0, double(middle), 1.5 };
    mesh.markFacesForRefinement(16, 0.0, nullptr, 0, &mixed);
    EXPECT_TRUE(marked(middle) && marked(right) && !marked(left));
    ASSERT_EQ(errors.messages.size(), 5u);
    EXPECT_NE(errors.messages[0].find("needs a focus table"), std::string::npos) << errors.messages[0];
    EXPECT_NE(errors.messages[1].find("announces 3 foci"), std::string::npos) << errors.messages[1];
    EXPECT_NE(errors.messages[2].find("no face 99"), std::string::npos) << errors.messages[2];
    EXPECT_NE(errors.messages[3].find("radius -2"), std::string::npos) << errors.messages[3];
    EXPECT_NE(errors.messages[4].find("not an integer"), std::string::npos) << errors.messages[4];
}

// --- bad input ------------------------------------------------------------------------------

TEST(TriangleSubdivisionInput, RefusedWithADiagnosticAndTheMeshKept)
{
    WingedEdgeList list, idList, sphereList;
    WingedEdgeMesh& quads = buildSingle(list, makeGrid(2));
    for (bool joined = false; !joined;)
        for (WEEdge& e : quads.edges)
            if (!e.isBoundary()) {
                joinFacesAcross(quads, &e);
                joined = true;
                break;
            }
    WingedEdgeMesh& badId = buildSingle(idList, makeIcosphere(0));
    badId.vertices.back().id = badId.vertexCount + 3;

    DebugErrorCollector errors;
    for (WingedEdgeMesh* mesh : { &quads, &badId }) {
        const WingedEdgeMesh before = *mesh;
        mesh->subdivideTriangles(M::LOOP, true, false);
        expectSameMesh(*mesh, before);
    }
    WingedEdgeMesh& sphere = buildSingle(sphereList, makeIcosphere(0));
    const WingedEdgeMesh before = sphere;
    sphere.subdivideTriangles(M::CATMULL_CLARK, true, false);
    expectSameMesh(sphere, before);
    ASSERT_EQ(errors.messages.size(), 3u);
    EXPECT_NE(errors.messages[0].find("is not a triangle"), std::string::npos) << errors.messages[0];
    EXPECT_NE(errors.messages[1].find("vertex id"), std::string::npos) << errors.messages[1];
    EXPECT_NE(errors.messages[2].find("scheme 2"), std::string::npos) << errors.messages[2];

    // The sequence triangulates first, so the polygon mesh is refined.
    const int64_t expected = facesAfterTriangleStep(quads);
    loopOrButterflySteps(quads, M::BUTTERFLY, true, false, 1, 0, 45.0, nullptr);
    expectSoundTriangles(quads);
    EXPECT_EQ(quads.faceCount, expected);
    EXPECT_EQ(errors.messages.size(), 3u);
}
