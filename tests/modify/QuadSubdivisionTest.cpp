// Catmull-Clark and Doo-Sabin steps on winged-edge meshes.
//
// Expected values come from hand-worked cubes and squares, from OpenMesh's
// CatmullClarkT and CGAL's DooSabin_subdivision run on the same input, and
// from counting: Catmull-Clark makes one quadrilateral per face corner,
// Doo-Sabin one face per old face, inner edge and inner vertex.

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

// --- building and exporting polygon meshes --------------------------------

// Builds a mesh of the soup's polygons. The soup lists corners
// counter-clockwise seen from outside; our faces run clockwise, so each
// polygon is taken in reverse.
WingedEdgeMesh& buildPolygons(WingedEdgeList& list, const PolygonSoup& soup)
{
    list.meshes.emplace_back();
    WingedEdgeMesh& m = list.meshes.back();
    std::vector<WEVertex*> vertex;
    for (size_t i = 0; i < soup.points.size(); ++i) {
        m.vertices.emplace_back();
        m.vertices.back().id = int32_t(i);
        m.vertices.back().position.setValue(float(soup.points[i][0]), float(soup.points[i][1]),
                                            float(soup.points[i][2]));
        vertex.push_back(&m.vertices.back());
    }
    std::map<std::pair<int, int>, WEEdge*> edgeOf;
    for (size_t f = 0; f < soup.faces.size(); ++f) {
        m.faces.emplace_back();
        WEFace& face = m.faces.back();
        face.id = int32_t(f);
        const std::vector<int> c(soup.faces[f].rbegin(), soup.faces[f].rend());
        const size_t n = c.size();
        for (size_t k = 0; k < n; ++k) {
            const int a = c[k], b = c[(k + 1) % n];
            auto twin = edgeOf.find({ b, a });
            if (twin != edgeOf.end()) {
                twin->second->rightFace = &face;
                face.edges.push_back(twin->second);
                continue;
            }
            m.edges.emplace_back();
            WEEdge& e = m.edges.back();
            e.startVertex = vertex[size_t(a)];
            e.endVertex = vertex[size_t(b)];
            e.leftFace = &face;
            e.startVertex->edges.push_back(&e);
            e.endVertex->edges.push_back(&e);
            edgeOf[{ a, b }] = &e;
            face.edges.push_back(&e);
        }
        for (size_t k = 0; k < n; ++k) {
            WEEdge* e = face.edges[k];
            WEEdge* next = face.edges[(k + 1) % n];
            WEEdge* prev = face.edges[(k + n - 1) % n];
            if (e->leftFace == &face) {
                e->leftNext = next;
                e->leftPrev = prev;
                e->rightNext = prev; // open side until the holes are linked
                e->rightPrev = next;
            } else {
                e->rightNext = next;
                e->rightPrev = prev;
            }
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
        std::vector<int> corners;
        for (auto e = cycle.rbegin(); e != cycle.rend(); ++e)
            corners.push_back(startInFace(*e, &f)->id);
        soup.faces.push_back(corners);
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

PolygonSoup quadTorus(int major, int minor)
{
    PolygonSoup s;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < major; ++i) {
        for (int j = 0; j < minor; ++j) {
            const double u = 2 * pi * i / major, v = 2 * pi * j / minor;
            s.points.push_back({ (2 + 0.7 * std::cos(v)) * std::cos(u), (2 + 0.7 * std::cos(v)) * std::sin(u),
                                 0.7 * std::sin(v) });
        }
    }
    auto at = [&](int i, int j) { return (i % major) * minor + (j % minor); };
    for (int i = 0; i < major; ++i)
        for (int j = 0; j < minor; ++j)
            s.faces.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1) });
    return s;
}

// --- references ---------------------------------------------------------------

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

std::vector<Point> pointsOf(const WingedEdgeMesh& m)
{
    std::vector<Point> out;
    for (const WEVertex& v : m.vertices)
        out.push_back({ v.position[0], v.position[1], v.position[2] });
    return out;
}

double distance(const Point& a, const Point& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

double diagonal(const std::vector<Point>& points)
{
    Point lo = points.front(), hi = points.front();
    for (const Point& p : points)
        for (int i = 0; i < 3; ++i) {
            lo[size_t(i)] = std::min(lo[size_t(i)], p[size_t(i)]);
            hi[size_t(i)] = std::max(hi[size_t(i)], p[size_t(i)]);
        }
    return distance(lo, hi);
}

// Index of the reference point within `tolerance` of p that is not taken
// yet, or -1.
int matchPoint(const Point& p, const std::vector<Point>& reference, std::vector<char>& taken, double tolerance)
{
    for (size_t i = 0; i < reference.size(); ++i)
        if (!taken[i] && distance(p, reference[i]) <= tolerance) {
            taken[i] = 1;
            return int(i);
        }
    return -1;
}

// Each of `ours` pairs off with its own reference point within 1e-5 of the
// reference's bounding box diagonal.
void expectPointsAmong(const std::vector<Point>& ours, const std::vector<Point>& reference, const std::string& what)
{
    const double tolerance = 1e-5 * diagonal(reference);
    std::vector<char> taken(reference.size(), 0);
    for (size_t i = 0; i < ours.size(); ++i)
        EXPECT_GE(matchPoint(ours[i], reference, taken, tolerance), 0)
            << what << ": point " << i << " (" << ours[i][0] << ", " << ours[i][1] << ", " << ours[i][2]
            << ") has no partner";
}

void expectSamePointSet(const std::vector<Point>& ours, const std::vector<Point>& reference, const std::string& what)
{
    ASSERT_EQ(ours.size(), reference.size()) << what;
    expectPointsAmong(ours, reference, what);
}

// --- structure checks ------------------------------------------------------------

size_t cornerCount(const WingedEdgeMesh& m)
{
    size_t sum = 0;
    for (const WEFace& f : m.faces)
        sum += f.edges.size();
    return sum;
}

size_t innerEdgeCount(const WingedEdgeMesh& m)
{
    return size_t(std::count_if(m.edges.begin(), m.edges.end(), [](const WEEdge& e) { return !e.isBoundary(); }));
}

// Fans of faces around inner vertices (vertices without boundary edges):
// faces at a vertex are in one fan when a chain of its edges joins them.
// Most vertices have one; several fans meet where a surface touches itself.
size_t innerFanCount(const WingedEdgeMesh& m)
{
    size_t fans = 0;
    for (const WEVertex& v : m.vertices) {
        if (v.edges.empty() ||
            std::any_of(v.edges.begin(), v.edges.end(), [](const WEEdge* e) { return e->isBoundary(); }))
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

// Each open side's wings lead along the hole to boundary edges at the right
// ends (consistency checks do not look at open sides).
void expectHolesLinked(const WingedEdgeMesh& m, const std::string& what)
{
    for (const WEEdge& e : m.edges) {
        if (!e.isBoundary())
            continue;
        const bool rightOpen = e.rightFace == nullptr;
        const WEEdge* atStart = rightOpen ? e.rightNext : e.leftPrev;
        const WEEdge* atEnd = rightOpen ? e.rightPrev : e.leftNext;
        for (auto wing : { std::make_pair(atStart, e.startVertex), std::make_pair(atEnd, e.endVertex) }) {
            const WEEdge* w = wing.first;
            EXPECT_TRUE(w != nullptr && w != &e && w->isBoundary() &&
                        (w->startVertex == wing.second || w->endVertex == wing.second))
                << what << ": open wing of edge " << e.id;
        }
    }
}

bool anyFlag(const WingedEdgeMesh& m)
{
    for (const WEVertex& v : m.vertices)
        if (v.flags)
            return true;
    for (const WEEdge& e : m.edges)
        if (e.flags)
            return true;
    for (const WEFace& f : m.faces)
        if (f.flags)
            return true;
    return false;
}

// Runs one step and checks what every step must give: a consistent mesh,
// linked holes, no flags, and the counts the scheme's construction implies.
void catmullClarkAndCheck(WingedEdgeMesh& m, bool smoothing, const std::string& what)
{
    const size_t v = m.vertices.size(), e = m.edges.size(), f = m.faces.size(), corners = cornerCount(m);
    m.subdivideCatmullClark(smoothing);
    EXPECT_EQ(m.checkConsistency(), "") << what;
    EXPECT_EQ(m.vertices.size(), v + f + e) << what;
    EXPECT_EQ(m.edges.size(), 2 * e + corners) << what;
    EXPECT_EQ(m.faces.size(), corners) << what;
    EXPECT_EQ(cornerCount(m), 4 * corners) << what << ": every face a quadrilateral";
    expectHolesLinked(m, what);
    EXPECT_FALSE(anyFlag(m)) << what;
}

void dooSabinAndCheck(WingedEdgeMesh& m, const std::string& what)
{
    const size_t v = innerFanCount(m), e = innerEdgeCount(m), f = m.faces.size(), corners = cornerCount(m);
    m.subdivideDooSabin();
    EXPECT_EQ(m.checkConsistency(), "") << what;
    EXPECT_EQ(m.vertices.size(), corners) << what;
    EXPECT_EQ(m.edges.size(), corners + 2 * e) << what;
    EXPECT_EQ(m.faces.size(), f + e + v) << what;
    expectHolesLinked(m, what);
    EXPECT_FALSE(anyFlag(m)) << what;
}

Point pointOf(const SbVec3f& p)
{
    return { p[0], p[1], p[2] };
}

} // namespace

// --- Catmull-Clark -------------------------------------------------------------

TEST(CatmullClark, CubeWithoutSmoothingSplitsAtCentresAndMidpoints)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, quadCube());
    catmullClarkAndCheck(m, false, "quad cube");
    EXPECT_EQ(m.vertexCount, 26);
    EXPECT_EQ(m.edgeCount, 48);
    EXPECT_EQ(m.faceCount, 24);

    std::vector<Point> corners, centres, midpoints;
    for (const WEVertex& v : m.vertices)
        (v.id < 8 ? corners : v.id < 14 ? centres : midpoints).push_back(pointOf(v.position));
    expectSamePointSet(corners, quadCube().points, "corners stay");
    expectSamePointSet(centres,
                       { { 0.5, 0, 0 }, { -0.5, 0, 0 }, { 0, 0.5, 0 }, { 0, -0.5, 0 }, { 0, 0, 0.5 }, { 0, 0, -0.5 } },
                       "face points");
    std::vector<Point> edgeMidpoints;
    for (int axis = 0; axis < 3; ++axis)
        for (double a : { -0.5, 0.5 })
            for (double b : { -0.5, 0.5 }) {
                Point p = { 0, 0, 0 };
                p[size_t((axis + 1) % 3)] = a;
                p[size_t((axis + 2) % 3)] = b;
                edgeMidpoints.push_back(p);
            }
    expectSamePointSet(midpoints, edgeMidpoints, "edge points");

    // Each quadrilateral: one old corner, two edge points, the face point,
    // and still facing out of the cube.
    m.computeFaceNormals();
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : m.faces) {
        faceCycle(f, cycle);
        int corner = 0, centre = 0, mid = 0;
        SbVec3f sum(0, 0, 0);
        for (const WEEdge* e : cycle) {
            const WEVertex* v = startInFace(e, &f);
            (v->id < 8 ? corner : v->id < 14 ? centre : mid) += 1;
            sum += v->position;
        }
        EXPECT_EQ(corner, 1) << "face " << f.id;
        EXPECT_EQ(centre, 1) << "face " << f.id;
        EXPECT_EQ(mid, 2) << "face " << f.id;
        EXPECT_GT(f.normal.dot(sum), 0.0f) << "face " << f.id << " turned inwards";
    }
}

// Corner (-1/2, -1/2, -1/2): Q = mean of the centres of its three faces =
// -(1/6, 1/6, 1/6), R = mean of its three edge midpoints = -(1/3, 1/3, 1/3),
// n = 3: Q/3 + 2R/3 = -(5/18, 5/18, 5/18). The edge from it along x has
// ends summing to (0, -1, -1) and face points (0, -1/2, 0), (0, 0, -1/2):
// its point is (0, -3/8, -3/8).
TEST(CatmullClark, SmoothedCubeCornersAndEdgePointsByHand)
{
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, quadCube());
    catmullClarkAndCheck(m, true, "smoothed quad cube");
    for (const WEVertex& v : m.vertices) {
        const SbVec3f& p = v.position;
        if (v.id < 8) {
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(std::fabs(p[i]), 5.0 / 18.0, 1e-6) << "corner " << v.id;
        } else if (v.id < 14) {
            EXPECT_NEAR(p.length(), 0.5, 1e-6) << "face point " << v.id << " stays at the centre";
        } else {
            std::vector<float> a = { std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2]) };
            std::sort(a.begin(), a.end());
            EXPECT_NEAR(a[0], 0.0, 1e-6) << "edge point " << v.id;
            EXPECT_NEAR(a[1], 0.375, 1e-6) << "edge point " << v.id;
            EXPECT_NEAR(a[2], 0.375, 1e-6) << "edge point " << v.id;
        }
    }
}

// With every edge sharp the corners (three sharp edges each) stay, edge
// points are midpoints, and the creases stay on the cube's edges in the
// next step, where the first step's edge points sit between two sharp
// halves.
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
    int sharpEdges = 0, otherFlags = 0;
    for (const WEEdge& e : m.edges) {
        sharpEdges += e.flags == WingedEdgeMesh::EDGE_SHARP ? 1 : 0;
        otherFlags += e.flags != WingedEdgeMesh::EDGE_SHARP && e.flags != 0 ? 1 : 0;
    }
    EXPECT_EQ(sharpEdges, 24) << "both halves of every old edge keep its flags";
    EXPECT_EQ(otherFlags, 0) << "spokes get none";
    for (const WEVertex& v : m.vertices) {
        if (v.id < 8) {
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(std::fabs(v.position[i]), 0.5f) << "corner " << v.id;
        }
        if (v.id >= 14) {
            EXPECT_EQ(v.flags, int(WingedEdgeMesh::VERTEX_SHARP)) << "edge point " << v.id;
            int onFace = 0;
            for (int i = 0; i < 3; ++i)
                onFace += std::fabs(v.position[i]) == 0.5f ? 1 : 0;
            EXPECT_EQ(onFace, 2) << "edge point " << v.id << " at the midpoint";
        }
    }

    m.subdivideCatmullClark(true);
    ASSERT_EQ(m.checkConsistency(), "");
    for (const WEVertex& v : m.vertices) {
        if (!(v.flags & WingedEdgeMesh::VERTEX_SHARP))
            continue;
        int onFace = 0;
        for (int i = 0; i < 3; ++i)
            onFace += std::fabs(std::fabs(v.position[i]) - 0.5f) < 1e-6f ? 1 : 0;
        EXPECT_GE(onFace, 2) << "crease vertex " << v.id << " left the cube's edge";
    }
}

// A lone unit square: its corners have two boundary edges each and follow
// the boundary's cubic B-spline, (6v + a + b) / 8; corner (0,0) between
// (1,0) and (0,1) goes to (1/8, 1/8). Boundary edges split at midpoints.
TEST(CatmullClark, OpenSquareFollowsItsBoundary)
{
    PolygonSoup square;
    square.points = { { 0, 0, 0 }, { 1, 0, 0 }, { 1, 1, 0 }, { 0, 1, 0 } };
    square.faces = { { 0, 1, 2, 3 } };
    WingedEdgeList list;
    WingedEdgeMesh& m = buildPolygons(list, square);
    catmullClarkAndCheck(m, true, "square");
    expectSamePointSet(pointsOf(m),
                       { { 0.125, 0.125, 0 }, { 0.875, 0.125, 0 }, { 0.875, 0.875, 0 }, { 0.125, 0.875, 0 },
                         { 0.5, 0.5, 0 }, { 0.5, 0, 0 }, { 1, 0.5, 0 }, { 0.5, 1, 0 }, { 0, 0.5, 0 } },
                       "square");
}

// OpenMesh's CatmullClarkT treats inner vertices and edges as we do; its
// boundary rule differs, so only closed meshes are compared.
TEST(CatmullClark, MatchesOpenMeshOnClosedQuadMeshes)
{
    const std::vector<std::pair<std::string, PolygonSoup>> inputs = { { "cube", quadCube() },
                                                                      { "torus", quadTorus(8, 6) } };
    for (const auto& input : inputs) {
        WingedEdgeList list;
        WingedEdgeMesh& m = buildPolygons(list, input.second);
        for (int steps = 1; steps <= 2; ++steps) {
            catmullClarkAndCheck(m, true, input.first);
            expectSamePointSet(pointsOf(m), openMeshCatmullClark(input.second, steps),
                               input.first + " after " + std::to_string(steps) + " step(s)");
        }
    }
}

// --- Doo-Sabin -------------------------------------------------------------------

// On quadrilaterals our corner rule, (centroid + corner + both edge
// midpoints) / 4, is CGAL's 9/16, 3/16, 3/16, 1/16 mask.
TEST(DooSabin, MatchesCgalOnQuadMeshes)
{
    const std::vector<std::pair<std::string, PolygonSoup>> inputs = { { "cube", quadCube() },
                                                                      { "torus", quadTorus(8, 6) } };
    for (const auto& input : inputs) {
        WingedEdgeList list;
        WingedEdgeMesh& m = buildPolygons(list, input.second);
        dooSabinAndCheck(m, input.first);
        PolygonSoup reference;
        ASSERT_EQ(cgalDooSabin(input.second, 1, reference), "") << input.first;
        EXPECT_EQ(m.faces.size(), reference.faces.size()) << input.first;
        expectSamePointSet(pointsOf(m), reference.points, input.first);
    }
    WingedEdgeList list;
    WingedEdgeMesh& cube = buildPolygons(list, quadCube());
    cube.subdivideDooSabin();
    EXPECT_EQ(cube.vertexCount, 24);
    EXPECT_EQ(cube.edgeCount, 48);
    EXPECT_EQ(cube.faceCount, 26);
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
    std::vector<Point> expectedCorner = { { 7.0 / 12, 5.0 / 24, 5.0 / 24 } };
    std::vector<Point> ours = pointsOf(m);
    std::vector<char> taken(1, 0);
    int found = 0;
    for (const Point& p : ours)
        found += matchPoint(p, expectedCorner, taken, 1e-6) >= 0 ? 1 : 0;
    EXPECT_EQ(found, 1) << "corner at (1,0,0) of the face in the first octant";

    PolygonSoup reference;
    ASSERT_EQ(cgalDooSabin(octahedron, 1, reference), "");
    ASSERT_EQ(m.vertices.size(), reference.points.size());
    std::map<size_t, int> oursBySize, theirsBySize;
    for (const WEFace& f : m.faces)
        ++oursBySize[f.edges.size()];
    for (const auto& f : reference.faces)
        ++theirsBySize[f.size()];
    EXPECT_EQ(oursBySize, theirsBySize) << "faces by number of edges";

    // Second step: corners are numbered face by face in face order, so the
    // corners of quadrilaterals are known by their ids.
    const PolygonSoup once = soupOf(m);
    std::vector<size_t> sizes;
    for (const WEFace& f : m.faces)
        sizes.push_back(f.edges.size());
    dooSabinAndCheck(m, "octahedron, second step");
    ASSERT_EQ(cgalDooSabin(once, 1, reference), "");
    std::vector<Point> byId(m.vertices.size());
    for (const WEVertex& v : m.vertices)
        byId[size_t(v.id)] = pointOf(v.position);
    std::vector<Point> quadCorners;
    size_t id = 0;
    for (size_t s : sizes) {
        if (s == 4)
            quadCorners.insert(quadCorners.end(), byId.begin() + long(id), byId.begin() + long(id + s));
        id += s;
    }
    EXPECT_EQ(quadCorners.size(), 4u * 18u);
    expectPointsAmong(quadCorners, reference.points, "corners of quadrilaterals");
}

// --- both schemes ------------------------------------------------------------------

TEST(QuadSubdivision, CountsConsistencyAndHolesOnOpenAndClosedMeshes)
{
    const std::vector<std::pair<std::string, StripInput>> inputs = {
        { "grid", makeGrid(3) },
        { "cylinder", makeCylinder(3, 7, 1.0f, 2.0f) },
        { "sphere", makeSphere(5, 8) },
        { "torus", makeTorus(9, 5, 2.0f, 0.5f) },
        { "open fan", makeFan(SbVec3f(0, 0, 1), { SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(-1, 0, 0) }, false) },
    };
    for (const auto& input : inputs) {
        for (bool smoothing : { false, true }) {
            WingedEdgeList list;
            WingedEdgeMesh& m = buildSingle(list, input.second);
            for (int step = 0; step < 2; ++step)
                catmullClarkAndCheck(m, smoothing, input.first + (smoothing ? " smoothed" : " split"));
        }
        WingedEdgeList list;
        WingedEdgeMesh& m = buildSingle(list, input.second);
        for (int step = 0; step < 2; ++step)
            dooSabinAndCheck(m, input.first + " Doo-Sabin");
    }

    // The flat grid stays flat and within its square under both.
    WingedEdgeList list;
    WingedEdgeMesh& grid = buildSingle(list, makeGrid(2));
    WingedEdgeList copy = list;
    grid.subdivideCatmullClark(true);
    copy.meshes[0].subdivideDooSabin();
    for (const WingedEdgeMesh* mesh : { &grid, &copy.meshes[0] })
        for (const WEVertex& v : mesh->vertices) {
            EXPECT_EQ(v.position[2], 0.0f) << "vertex " << v.id;
            EXPECT_TRUE(v.position[0] >= 0.0f && v.position[0] <= 2.0f && v.position[1] >= 0.0f &&
                        v.position[1] <= 2.0f)
                << "vertex " << v.id;
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
        for (size_t i = 0; i < catmullClark.meshes.size(); ++i) {
            const std::string what = relative + " mesh " + std::to_string(i);
            catmullClarkAndCheck(catmullClark.meshes[i], true, what);
            dooSabinAndCheck(dooSabin.meshes[i], what);
            ++meshes;
        }
    }
    if (meshes == 0)
        GTEST_SKIP() << "no real model with strip sets under " << realModelsDirectory();
}

// A face whose cycle does not close is named, an edge that claims a face
// whose cycle does not pass it is counted, and the mesh stays as it was;
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
