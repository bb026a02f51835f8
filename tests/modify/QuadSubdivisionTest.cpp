// Catmull-Clark and Doo-Sabin steps on winged-edge meshes.
//
// Expected values come from hand-worked cubes and squares, from OpenMesh's
// CatmullClarkT and CGAL's DooSabin_subdivision run on the same input, and
// from counting: Catmull-Clark makes one quadrilateral per face corner,
// Doo-Sabin one face per old face, inner edge and fan around an inner vertex.

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/CatmullClarkT.hh>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "modify/CgalDooSabin.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/MeshCompare.h"
#include "support/RealModels.h"
#include "wingededge/FaceCycle.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace {

typedef std::array<double, 3> Point;

// A mesh of the soup's polygons, which run counter-clockwise seen from
// outside; ours run clockwise, so each polygon is taken in reverse.
WingedEdgeMesh& buildPolygons(WingedEdgeList& list, const PolygonSoup& soup)
{
    list.meshes.emplace_back();
    WingedEdgeMesh& m = list.meshes.back();
    std::vector<WEVertex*> vertex;
    for (const Point& p : soup.points) {
        m.vertices.emplace_back();
        m.vertices.back().id = int32_t(vertex.size());
        m.vertices.back().position.setValue(float(p[0]), float(p[1]), float(p[2]));
        vertex.push_back(&m.vertices.back());
    }
    std::map<std::pair<int, int>, WEEdge*> edgeOf;
    for (const std::vector<int>& polygon : soup.faces) {
        m.faces.emplace_back();
        WEFace& face = m.faces.back();
        face.id = int32_t(m.faces.size() - 1);
        const std::vector<int> c(polygon.rbegin(), polygon.rend());
        const size_t n = c.size();
        for (size_t k = 0; k < n; ++k) {
            auto twin = edgeOf.find({ c[(k + 1) % n], c[k] });
            if (twin != edgeOf.end()) {
                twin->second->rightFace = &face;
                face.edges.push_back(twin->second);
                continue;
            }
            m.edges.emplace_back();
            WEEdge& e = m.edges.back();
            e.startVertex = vertex[size_t(c[k])];
            e.endVertex = vertex[size_t(c[(k + 1) % n])];
            e.leftFace = &face;
            e.startVertex->edges.push_back(&e);
            e.endVertex->edges.push_back(&e);
            edgeOf[{ c[k], c[(k + 1) % n] }] = &e;
            face.edges.push_back(&e);
        }
        for (size_t k = 0; k < n; ++k) {
            WEEdge* e = face.edges[k];
            WEEdge* next = face.edges[(k + 1) % n];
            WEEdge* prev = face.edges[(k + n - 1) % n];
            if (e->leftFace == &face) // the open side repeats these until the holes are linked
                e->leftNext = e->rightPrev = next, e->leftPrev = e->rightNext = prev;
            else
                e->rightNext = next, e->rightPrev = prev;
        }
    }
    m.linkBoundaryWings();
    m.renumber();
    m.computeFaceNormals();
    m.computeVertexNormals();
    return m;
}

// The mesh as a soup: points by vertex id, faces counter-clockwise.
PolygonSoup soupOf(const WingedEdgeMesh& m)
{
    PolygonSoup soup;
    soup.points.resize(m.vertices.size());
    for (const WEVertex& v : m.vertices)
        soup.points[size_t(v.id)] = { v.position[0], v.position[1], v.position[2] };
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : m.faces) {
        faceCycle(f, cycle);
        soup.faces.emplace_back();
        for (auto e = cycle.rbegin(); e != cycle.rend(); ++e)
            soup.faces.back().push_back(startInFace(*e, &f)->id);
    }
    return soup;
}

PolygonSoup quadCube(void)
{
    PolygonSoup s;
    for (int i = 0; i < 8; ++i)
        s.points.push_back({ (i & 1) ? 0.5 : -0.5, (i & 2) ? 0.5 : -0.5, (i & 4) ? 0.5 : -0.5 });
    s.faces = { { 0, 2, 3, 1 }, { 4, 5, 7, 6 }, { 0, 1, 5, 4 }, { 2, 6, 7, 3 }, { 0, 4, 6, 2 }, { 1, 3, 7, 5 } };
    return s;
}

// 8 x 6 quadrilaterals, tube radius 0.7 around a circle of radius 2.
PolygonSoup quadTorus(void)
{
    PolygonSoup s;
    const int major = 8, minor = 6;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < major; ++i)
        for (int j = 0; j < minor; ++j) {
            const double u = 2 * pi * i / major, v = 2 * pi * j / minor, r = 2 + 0.7 * std::cos(v);
            s.points.push_back({ r * std::cos(u), r * std::sin(u), 0.7 * std::sin(v) });
            auto at = [&](int a, int b) { return (a % major) * minor + (b % minor); };
            s.faces.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1) });
        }
    return s;
}

struct DoubleTraits : public OpenMesh::DefaultTraits {
    typedef OpenMesh::Vec3d Point;
    typedef OpenMesh::Vec3d Normal;
};
typedef OpenMesh::PolyMesh_ArrayKernelT<DoubleTraits> OpenPolyMesh;

std::vector<Point> openMeshCatmullClark(const PolygonSoup& soup, int steps)
{
    OpenPolyMesh m;
    std::vector<OpenPolyMesh::VertexHandle> handle;
    for (const Point& p : soup.points)
        handle.push_back(m.add_vertex(OpenPolyMesh::Point(p[0], p[1], p[2])));
    for (const std::vector<int>& f : soup.faces) {
        std::vector<OpenPolyMesh::VertexHandle> corners;
        for (int i : f)
            corners.push_back(handle[size_t(i)]);
        EXPECT_TRUE(m.add_face(corners).is_valid()) << "OpenMesh refused a face";
    }
    OpenMesh::Subdivider::Uniform::CatmullClarkT<OpenPolyMesh> subdivider;
    subdivider.attach(m);
    subdivider(size_t(steps));
    subdivider.detach();
    std::vector<Point> out;
    for (auto v : m.vertices())
        out.push_back({ m.point(v)[0], m.point(v)[1], m.point(v)[2] });
    return out;
}

Point pointOf(const SbVec3f& p)
{
    return { p[0], p[1], p[2] };
}

std::vector<Point> pointsOf(const WingedEdgeMesh& m)
{
    std::vector<Point> out;
    for (const WEVertex& v : m.vertices)
        out.push_back(pointOf(v.position));
    return out;
}

double distance(const Point& a, const Point& b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Each of `ours` pairs off with a reference point of its own within 1e-5 of
// the reference's bounding box diagonal; with `all`, every reference point
// is used. Returns how many found a partner.
int expectPointsAmong(const std::vector<Point>& ours, const std::vector<Point>& reference, const std::string& what,
                      bool all = true)
{
    Point lo = reference.front(), hi = reference.front();
    for (const Point& p : reference)
        for (size_t i = 0; i < 3; ++i)
            lo[i] = std::min(lo[i], p[i]), hi[i] = std::max(hi[i], p[i]);
    const double tolerance = 1e-5 * std::max(distance(lo, hi), 1.0);
    if (all) {
        EXPECT_EQ(ours.size(), reference.size()) << what;
    }
    std::vector<char> taken(reference.size(), 0);
    int found = 0;
    for (const Point& p : ours) {
        size_t i = 0;
        while (i < reference.size() && (taken[i] || distance(p, reference[i]) > tolerance))
            ++i;
        EXPECT_LT(i, reference.size()) << what << ": no partner for (" << p[0] << ", " << p[1] << ", " << p[2]
                                       << ")";
        if (i < reference.size())
            taken[i] = 1, ++found;
    }
    return found;
}

size_t cornerCount(const WingedEdgeMesh& m)
{
    size_t sum = 0;
    for (const WEFace& f : m.faces)
        sum += f.edges.size();
    return sum;
}

// Fans of faces around vertices without boundary edges: faces at a vertex
// are in one fan when a chain of its edges joins them. Most such vertices
// have one; several meet where a surface touches itself.
size_t innerFanCount(const WingedEdgeMesh& m)
{
    size_t fans = 0;
    auto isBoundary = [](const WEEdge* e) { return e->isBoundary(); };
    for (const WEVertex& v : m.vertices) {
        if (v.edges.empty() || std::any_of(v.edges.begin(), v.edges.end(), isBoundary))
            continue;
        std::map<const WEFace*, const WEFace*> parent;
        std::function<const WEFace*(const WEFace*)> root = [&](const WEFace* f) {
            return parent[f] == f ? f : root(parent[f]);
        };
        for (const WEEdge* e : v.edges)
            parent[e->leftFace] = e->leftFace, parent[e->rightFace] = e->rightFace;
        for (const WEEdge* e : v.edges)
            parent[root(e->leftFace)] = root(e->rightFace);
        for (const auto& entry : parent)
            fans += entry.first == entry.second ? 1 : 0;
    }
    return fans;
}

// What every step must leave: a consistent mesh, no flag set, and on each
// open side wings that lead along the hole to the boundary edges at the
// right ends (the consistency check does not look at open sides).
void expectSoundResult(const WingedEdgeMesh& m, const std::string& what)
{
    EXPECT_EQ(m.checkConsistency(), "") << what;
    int flagged = 0;
    for (const WEVertex& v : m.vertices)
        flagged += v.flags != 0;
    for (const WEFace& f : m.faces)
        flagged += f.flags != 0;
    for (const WEEdge& e : m.edges) {
        flagged += e.flags != 0;
        if (!e.isBoundary())
            continue;
        const bool rightOpen = e.rightFace == nullptr;
        const std::pair<const WEEdge*, const WEVertex*> wings[2] = {
            { rightOpen ? e.rightNext : e.leftPrev, e.startVertex }, { rightOpen ? e.rightPrev : e.leftNext, e.endVertex }
        };
        for (const auto& w : wings)
            EXPECT_TRUE(w.first != nullptr && w.first != &e && w.first->isBoundary() &&
                        (w.first->startVertex == w.second || w.first->endVertex == w.second))
                << what << ": open wing of edge " << e.id;
    }
    EXPECT_EQ(flagged, 0) << what;
}

void catmullClarkAndCheck(WingedEdgeMesh& m, bool smoothing, const std::string& what)
{
    const size_t v = m.vertices.size(), e = m.edges.size(), f = m.faces.size(), corners = cornerCount(m);
    m.subdivideCatmullClark(smoothing);
    expectSoundResult(m, what);
    EXPECT_EQ(m.vertices.size(), v + f + e) << what;
    EXPECT_EQ(m.edges.size(), 2 * e + corners) << what;
    EXPECT_EQ(m.faces.size(), corners) << what;
    EXPECT_EQ(cornerCount(m), 4 * corners) << what << ": every face a quadrilateral";
}

void dooSabinAndCheck(WingedEdgeMesh& m, const std::string& what)
{
    const size_t inner = size_t(std::count_if(m.edges.begin(), m.edges.end(), [](const WEEdge& e) {
        return !e.isBoundary();
    }));
    const size_t fans = innerFanCount(m), f = m.faces.size(), corners = cornerCount(m);
    m.subdivideDooSabin();
    expectSoundResult(m, what);
    EXPECT_EQ(m.vertices.size(), corners) << what;
    EXPECT_EQ(m.edges.size(), corners + 2 * inner) << what;
    EXPECT_EQ(m.faces.size(), f + inner + fans) << what;
}

// Sorted absolute coordinates: cube points up to the cube's symmetries.
Point shapeOf(const SbVec3f& p)
{
    Point a = { std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2]) };
    std::sort(a.begin(), a.end());
    return a;
}

} // namespace

// --- Catmull-Clark -------------------------------------------------------------

// Ids: corners 0-7 stay, face points 8-13 at the face centres, edge points
// 14-25 at the edge midpoints; each quadrilateral has one of each kind but
// two edge points, and still faces out of the cube.
TEST(CatmullClark, CubeWithoutSmoothingSplitsAtCentresAndMidpoints)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, quadCube());
    catmullClarkAndCheck(m, false, "quad cube");
    EXPECT_EQ(m.vertexCount, 26);
    EXPECT_EQ(m.edgeCount, 48);
    EXPECT_EQ(m.faceCount, 24);
    const Point expected[3] = { { 0.5, 0.5, 0.5 }, { 0, 0, 0.5 }, { 0, 0.5, 0.5 } };
    auto kind = [](const WEVertex* v) { return v->id < 8 ? 0 : v->id < 14 ? 1 : 2; };
    for (const WEVertex& v : m.vertices)
        EXPECT_EQ(shapeOf(v.position), expected[kind(&v)]) << "vertex " << v.id;

    m.computeFaceNormals();
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : m.faces) {
        faceCycle(f, cycle);
        int count[3] = { 0, 0, 0 };
        SbVec3f sum(0, 0, 0);
        for (const WEEdge* e : cycle) {
            ++count[kind(startInFace(e, &f))];
            sum += startInFace(e, &f)->position;
        }
        EXPECT_TRUE(count[0] == 1 && count[1] == 1 && count[2] == 2) << "face " << f.id;
        EXPECT_GT(f.normal.dot(sum), 0.0f) << "face " << f.id << " turned inwards";
    }
}

// Corner (-1/2, -1/2, -1/2): Q = mean of the centres of its three faces =
// -(1/6, 1/6, 1/6), R = mean of its three edge midpoints = -(1/3, 1/3, 1/3),
// n = 3: Q/3 + 2R/3 = -(5/18, 5/18, 5/18). The edge from it along x has
// ends summing to (0, -1, -1) and face points (0, -1/2, 0), (0, 0, -1/2):
// its point is (0, -3/8, -3/8). Face points stay at the centres.
TEST(CatmullClark, SmoothedCubeCornersAndEdgePointsByHand)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, quadCube());
    catmullClarkAndCheck(m, true, "smoothed quad cube");
    const Point expected[3] = { { 5.0 / 18, 5.0 / 18, 5.0 / 18 }, { 0, 0, 0.5 }, { 0, 0.375, 0.375 } };
    for (const WEVertex& v : m.vertices) {
        const Point& e = expected[v.id < 8 ? 0 : v.id < 14 ? 1 : 2];
        EXPECT_LT(distance(shapeOf(v.position), e), 1e-6) << "vertex " << v.id;
    }
}

// With every edge sharp the corners (three sharp edges each) stay and edge
// points are midpoints. In the next step the first step's edge points lie
// between two sharp halves and follow the crease, which stays on the cube's
// edges.
TEST(CatmullClark, SharpCubeKeepsCornersAndStraightCreases)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, quadCube());
    for (WEEdge& e : m.edges)
        e.flags = WingedEdgeMesh::EDGE_SHARP;
    for (WEVertex& v : m.vertices)
        v.flags = WingedEdgeMesh::VERTEX_SHARP;
    m.subdivideCatmullClark(true);
    ASSERT_EQ(m.checkConsistency(), "");
    std::map<int32_t, int> edgesByFlags;
    for (const WEEdge& e : m.edges)
        ++edgesByFlags[e.flags];
    EXPECT_EQ(edgesByFlags, (std::map<int32_t, int>{ { 0, 24 }, { WingedEdgeMesh::EDGE_SHARP, 24 } }))
        << "both halves of an old edge keep its flags, the spokes get none";
    for (const WEVertex& v : m.vertices) {
        if (v.id < 8) {
            EXPECT_EQ(shapeOf(v.position), (Point{ 0.5, 0.5, 0.5 })) << "corner " << v.id;
        }
        if (v.id >= 14) {
            EXPECT_EQ(shapeOf(v.position), (Point{ 0, 0.5, 0.5 })) << "edge point " << v.id;
            EXPECT_EQ(v.flags, int(WingedEdgeMesh::VERTEX_SHARP)) << "edge point " << v.id;
        }
    }

    m.subdivideCatmullClark(true);
    ASSERT_EQ(m.checkConsistency(), "");
    for (const WEVertex& v : m.vertices) {
        if (v.flags & WingedEdgeMesh::VERTEX_SHARP) {
            EXPECT_TRUE(shapeOf(v.position)[1] == 0.5 && shapeOf(v.position)[2] == 0.5)
                << "crease vertex " << v.id << " left the cube's edge";
        }
    }
}

// A lone unit square: corners have two boundary edges and follow the
// boundary's cubic B-spline, (6v + a + b) / 8, so (0,0) between (1,0) and
// (0,1) goes to (1/8, 1/8); boundary edges split at their midpoints.
TEST(CatmullClark, OpenSquareFollowsItsBoundary)
{
    PolygonSoup square;
    square.points = { { 0, 0, 0 }, { 1, 0, 0 }, { 1, 1, 0 }, { 0, 1, 0 } };
    square.faces = { { 0, 1, 2, 3 } };
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, square);
    catmullClarkAndCheck(m, true, "square");
    expectPointsAmong(pointsOf(m),
                      { { 0.125, 0.125, 0 }, { 0.875, 0.125, 0 }, { 0.875, 0.875, 0 }, { 0.125, 0.875, 0 },
                        { 0.5, 0.5, 0 }, { 0.5, 0, 0 }, { 1, 0.5, 0 }, { 0.5, 1, 0 }, { 0, 0.5, 0 } },
                      "square");
}

// OpenMesh's CatmullClarkT treats inner vertices and edges as we do; its
// boundary rule differs, so only closed meshes are compared.
TEST(CatmullClark, MatchesOpenMeshOnClosedQuadMeshes)
{
    for (const auto& input : { std::make_pair("cube", quadCube()), std::make_pair("torus", quadTorus()) }) {
        WingedEdgeList list;
        WingedEdgeMesh& m = buildPolygons(list, input.second);
        for (int steps = 1; steps <= 2; ++steps) {
            catmullClarkAndCheck(m, true, input.first);
            expectPointsAmong(pointsOf(m), openMeshCatmullClark(input.second, steps),
                              std::string(input.first) + " after " + std::to_string(steps) + " step(s)");
        }
    }
}

// --- Doo-Sabin -------------------------------------------------------------------

// On quadrilaterals our corner rule, (centroid + corner + both edge
// midpoints) / 4, is CGAL's 9/16, 3/16, 3/16, 1/16 mask.
TEST(DooSabin, MatchesCgalOnQuadMeshes)
{
    for (const auto& input : { std::make_pair("cube", quadCube()), std::make_pair("torus", quadTorus()) }) {
        WingedEdgeList list;
        WingedEdgeMesh& m = buildPolygons(list, input.second);
        dooSabinAndCheck(m, input.first);
        PolygonSoup reference;
        ASSERT_EQ(cgalDooSabin(input.second, 1, reference), "") << input.first;
        EXPECT_EQ(m.faces.size(), reference.faces.size()) << input.first;
        expectPointsAmong(pointsOf(m), reference.points, input.first);
    }
}

// On other polygons CGAL weighs the corners by the eigen-analysed
// Doo-Sabin mask, we by the simple mean, so the octahedron's triangles give
// different corners on purpose. Face (1,0,0), (0,1,0), (0,0,1) has centroid
// (1/3, 1/3, 1/3); its corner at (1,0,0) with midpoints (1/2, 1/2, 0) and
// (1/2, 0, 1/2) moves to (7/12, 5/24, 5/24). The structure matches CGAL's,
// and the next step, fed the same mesh, agrees on every corner of a
// quadrilateral (the edge-faces, and the vertex-faces of valence four).
TEST(DooSabin, OctahedronTrianglesUseTheMeanAndQuadsMatchCgal)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildSingle(list, makeOctahedron(1.0f));
    const PolygonSoup octahedron = soupOf(m);
    dooSabinAndCheck(m, "octahedron");
    const std::vector<Point> ours = pointsOf(m);
    EXPECT_EQ(std::count_if(ours.begin(), ours.end(),
                            [](const Point& p) { return distance(p, { 7.0 / 12, 5.0 / 24, 5.0 / 24 }) < 1e-6; }),
              1);

    PolygonSoup reference;
    ASSERT_EQ(cgalDooSabin(octahedron, 1, reference), "");
    EXPECT_EQ(m.vertices.size(), reference.points.size());
    std::map<size_t, int> oursBySize, theirsBySize;
    for (const WEFace& f : m.faces)
        ++oursBySize[f.edges.size()];
    for (const auto& f : reference.faces)
        ++theirsBySize[f.size()];
    EXPECT_EQ(oursBySize, theirsBySize) << "faces by number of edges";

    // Corners are numbered face by face in face order: those of the
    // quadrilaterals are known by their ids.
    const PolygonSoup once = soupOf(m);
    dooSabinAndCheck(m, "octahedron, second step");
    ASSERT_EQ(cgalDooSabin(once, 1, reference), "");
    std::vector<Point> byId(m.vertices.size()), quadCorners;
    for (const WEVertex& v : m.vertices)
        byId[size_t(v.id)] = pointOf(v.position);
    size_t id = 0;
    for (const std::vector<int>& f : once.faces) {
        if (f.size() == 4)
            quadCorners.insert(quadCorners.end(), byId.begin() + long(id), byId.begin() + long(id + 4));
        id += f.size();
    }
    EXPECT_EQ(expectPointsAmong(quadCorners, reference.points, "corners of quadrilaterals", false), 4 * 18);
}

// --- both schemes ------------------------------------------------------------------

TEST(QuadSubdivision, CountsAndLinksOnOpenAndClosedMeshes)
{
    const std::vector<std::pair<std::string, StripInput>> inputs = {
        { "grid", makeGrid(3) },
        { "cylinder", makeCylinder(3, 7, 1.0f, 2.0f) },
        { "sphere", makeSphere(5, 8) },
        { "torus", makeTorus(9, 5, 2.0f, 0.5f) },
        { "open fan", makeFan(SbVec3f(0, 0, 1), { SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(-1, 0, 0) }, false) },
    };
    for (const auto& input : inputs) {
        WingedEdgeList list;
        const WingedEdgeMesh built = buildSingle(list, input.second);
        list.meshes.push_back(built);
        list.meshes.push_back(built);
        for (int step = 0; step < 2; ++step) {
            catmullClarkAndCheck(list.meshes[0], false, input.first + " split");
            catmullClarkAndCheck(list.meshes[1], true, input.first + " smoothed");
            dooSabinAndCheck(list.meshes[2], input.first + " Doo-Sabin");
        }
    }
}

TEST(QuadSubdivision, RealModelsStayConsistent)
{
    int meshes = 0;
    for (const std::string& relative : discoverRealModels()) {
        SoInput in;
        if (!in.openFile((realModelsDirectory() + "/" + relative).c_str(), TRUE))
            continue;
        SoSeparator* root = SoDB::readAll(&in);
        if (root == nullptr)
            continue;
        SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
        generator->ref();
        generator->addChild(root);
        testing::internal::CaptureStdout();
        SoCallbackAction action;
        action.apply(generator);
        testing::internal::GetCapturedStdout();
        WingedEdgeList catmullClark = generator->getOutputList();
        WingedEdgeList dooSabin = catmullClark;
        generator->unref();
        for (size_t i = 0; i < catmullClark.meshes.size(); ++i, ++meshes) {
            catmullClarkAndCheck(catmullClark.meshes[i], true, relative + " mesh " + std::to_string(i));
            dooSabinAndCheck(dooSabin.meshes[i], relative + " mesh " + std::to_string(i));
        }
    }
    if (meshes == 0)
        GTEST_SKIP() << "no real model with strip sets under " << realModelsDirectory();
}

// A face whose cycle does not close is named, an edge that claims faces
// whose cycles do not pass it is counted, and the mesh stays as it was;
// ids that arrays cannot be indexed by are renumbered first, with a word.
TEST(QuadSubdivision, DamagedMeshesAreReportedAndKept)
{
    for (int damage : { 0, 1 }) {
        WingedEdgeList list;
        WingedEdgeMesh& m = buildPolygons(list, quadCube());
        std::string expected;
        if (damage == 0) {
            WEEdge& e = m.edges.front();
            e.leftNext = &e; // the cycle of its left face now runs into itself
            expected = "face " + std::to_string(e.leftFace->id) + ": its edge cycle does not close";
        } else {
            WEEdge stray = m.edges.front();
            stray.id = m.edgeCount++;
            m.edges.push_back(stray); // names the same faces, listed by neither
            expected = "the face cycles pass 24 edge sides, but the mesh's edges have 26";
        }
        const WingedEdgeList before = list;
        for (int scheme : { 0, 1 }) {
            DebugErrorCollector errors;
            scheme == 0 ? m.subdivideCatmullClark(true) : m.subdivideDooSabin();
            ASSERT_EQ(errors.messages.size(), 1u) << "damage " << damage << " scheme " << scheme;
            EXPECT_NE(errors.messages[0].find(expected), std::string::npos) << errors.messages[0];
            expectSameMesh(m, before.meshes[0]);
        }
    }

    WingedEdgeList repeated;
    WingedEdgeMesh& r = buildPolygons(repeated, quadCube());
    std::next(r.vertices.begin())->id = 0;
    std::next(r.faces.begin())->id = 0;
    DebugErrorCollector errors;
    catmullClarkAndCheck(r, false, "repeated ids");
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("renumbered"), std::string::npos) << errors.messages[0];
}
