// What the mesh shape node draws, computed without GL: triangle strips over
// the faces, the edges as line strips for the line chain, and the curvature
// colours.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "support/MeshBuilders.h"
#include "wingededge/CurvatureColors.h"
#include "wingededge/EdgeLineCache.h"
#include "wingededge/FaceStrips.h"
#include "wingededge/WingedEdge.h"

namespace {

typedef std::array<const WEVertex*, 3> Corners3;

// The triangles OpenGL decodes from the strips, in strip order.
std::vector<Corners3> decode(const FaceStrips& strips)
{
    std::vector<Corners3> triangles;
    size_t begin = 0;
    for (int32_t length : strips.stripLengths) {
        for (int32_t i = 0; i + 2 < length; ++i) {
            const WEVertex* a = strips.vertices[begin + size_t(i)];
            const WEVertex* b = strips.vertices[begin + size_t(i) + 1];
            const WEVertex* c = strips.vertices[begin + size_t(i) + 2];
            triangles.push_back(i % 2 == 0 ? Corners3{ a, b, c } : Corners3{ b, a, c });
        }
        begin += size_t(length);
    }
    EXPECT_EQ(begin, strips.vertices.size()) << "strip lengths and vertices disagree";
    return triangles;
}

std::array<int32_t, 3> sortedIds(const WEVertex* a, const WEVertex* b, const WEVertex* c)
{
    std::array<int32_t, 3> ids = { a->id, b->id, c->id };
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Every face once, every triangle front-facing seen from its face's normal
// side; returns the number of strips.
size_t checkStrips(const WingedEdgeMesh& mesh, const char* what)
{
    const FaceStrips strips = growFaceStrips(mesh);
    const std::vector<Corners3> triangles = decode(strips);
    EXPECT_EQ(strips.triangleCount(), int32_t(triangles.size())) << what;

    std::map<std::array<int32_t, 3>, const WEFace*> faceOf;
    std::vector<const WEVertex*> corners;
    for (const WEFace& face : mesh.faces) {
        frontCorners(face, corners);
        EXPECT_EQ(corners.size(), face.edges.size()) << what << " face " << face.id;
        if (corners.size() == 3)
            faceOf[sortedIds(corners[0], corners[1], corners[2])] = &face;
    }
    std::map<const WEFace*, int> emitted;
    EXPECT_EQ(strips.faces.size(), triangles.size()) << what << ": one face per triangle";
    for (size_t i = 0; i < triangles.size(); ++i) {
        const Corners3& t = triangles[i];
        const auto found = faceOf.find(sortedIds(t[0], t[1], t[2]));
        if (i < strips.faces.size() && found != faceOf.end()) {
            EXPECT_EQ(strips.faces[i], found->second) << what << ": triangle " << i << " names another face";
        }
        if (found == faceOf.end()) {
            ADD_FAILURE() << what << ": a triangle that is no face: " << t[0]->id << " " << t[1]->id << " " << t[2]->id;
            continue;
        }
        ++emitted[found->second];
        const SbVec3f turn = (t[1]->position - t[0]->position).cross(t[2]->position - t[0]->position);
        EXPECT_GT(turn.dot(found->second->normal), 0.0f)
            << what << ": face " << found->second->id << " is emitted clockwise";
    }
    for (const WEFace& face : mesh.faces)
        EXPECT_EQ(emitted[&face], 1) << what << ": face " << face.id << " emitted that often";
    return strips.stripLengths.size();
}

TEST(MeshDrawingTest, StripsCoverEveryFaceOnceFrontFacing)
{
    struct Case {
        const char* name;
        StripInput input;
    };
    const Case cases[] = {
        { "cube", makeCube() },
        { "cube listed with mixed orientation", makeCube(true) },
        { "tetrahedron", makeTetrahedron() },
        { "sphere", makeSphere(20, 30) },
        { "open grid", makeGrid(12) },
    };
    for (const Case& c : cases) {
        WingedEdgeList list;
        WingedEdgeMesh& mesh = buildSingle(list, c.input);
        ASSERT_TRUE(mesh.checkConsistency().empty()) << c.name;
        const size_t stripCount = checkStrips(mesh, c.name);
        // Strips grow across shared edges: on the sphere and the grid far
        // fewer strips than faces.
        if (mesh.faceCount > 100) {
            EXPECT_LT(stripCount * 4, size_t(mesh.faceCount)) << c.name << ": strips too short";
        }
    }

    // Two separate objects in one list are stripped mesh by mesh.
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(6, 8));
    WingedEdgeMesh::buildFromStrips(list, 1, makeCube());
    for (const WingedEdgeMesh& mesh : list.meshes)
        checkStrips(mesh, "one of two objects");
}

// A single face of k corners on a circle in the z = 0 plane, its edge cycle
// clockwise seen from +z (the normal side), edges on the boundary.
void makePolygon(WingedEdgeList& list, int k)
{
    list.meshes.emplace_back();
    WingedEdgeMesh& mesh = list.meshes.back();
    std::vector<WEVertex*> v;
    for (int i = 0; i < k; ++i) {
        mesh.vertices.emplace_back();
        WEVertex& vertex = mesh.vertices.back();
        vertex.id = i;
        const double angle = -2.0 * std::acos(-1.0) * i / k; // clockwise
        vertex.position.setValue(float(std::cos(angle)), float(std::sin(angle)), 0.0f);
        vertex.normal.setValue(0, 0, 1);
        v.push_back(&vertex);
    }
    mesh.faces.emplace_back();
    WEFace& face = mesh.faces.back();
    face.id = 0;
    face.normal.setValue(0, 0, 1);
    std::vector<WEEdge*> e;
    for (int i = 0; i < k; ++i) {
        mesh.edges.emplace_back();
        WEEdge& edge = mesh.edges.back();
        edge.id = i;
        edge.startVertex = v[size_t(i)];
        edge.endVertex = v[size_t((i + 1) % k)];
        edge.leftFace = &face;
        e.push_back(&edge);
    }
    for (int i = 0; i < k; ++i) {
        WEEdge* edge = e[size_t(i)];
        edge->leftNext = e[size_t((i + 1) % k)];
        edge->leftPrev = e[size_t((i + k - 1) % k)];
        // Along the hole: the neighbouring boundary edge at the start, then at the end.
        edge->rightNext = edge->leftPrev;
        edge->rightPrev = edge->leftNext;
        face.edges.push_back(edge);
        v[size_t(i)]->edges.push_back(edge);
        v[size_t((i + 1) % k)]->edges.push_back(edge);
    }
    mesh.vertexCount = k;
    mesh.edgeCount = k;
    mesh.faceCount = 1;
}

TEST(MeshDrawingTest, FacesOfMoreCornersAreCoveredWhole)
{
    for (int k : { 4, 5, 8 }) {
        WingedEdgeList list;
        makePolygon(list, k);
        const WingedEdgeMesh& mesh = list.meshes[0];
        const std::string problems = mesh.checkConsistency();
        ASSERT_TRUE(problems.empty()) << problems;
        const FaceStrips strips = growFaceStrips(mesh);
        ASSERT_EQ(strips.stripLengths.size(), 1u) << k << " corners";
        const std::vector<Corners3> triangles = decode(strips);
        ASSERT_EQ(int(triangles.size()), k - 2) << k << " corners";
        EXPECT_EQ(strips.faces, std::vector<const WEFace*>(size_t(k - 2), &mesh.faces.front()));
        // Front-facing, and together as large as the polygon.
        double area = 0.0;
        for (const Corners3& t : triangles) {
            const SbVec3f turn = (t[1]->position - t[0]->position).cross(t[2]->position - t[0]->position);
            EXPECT_GT(turn[2], 0.0f) << k << " corners";
            area += 0.5 * turn[2];
        }
        const double expected = 0.5 * k * std::sin(2.0 * std::acos(-1.0) / k);
        EXPECT_NEAR(area, expected, 1e-5) << k << " corners";
    }
}

TEST(MeshDrawingTest, EdgesAsLineStrips)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    WingedEdgeMesh::buildFromStrips(list, 1, makeTetrahedron());
    EdgeLineCache cache;
    cache.rebuild(list, false);
    // Every vertex an edge uses once, three entries per edge.
    EXPECT_EQ(cache.coordinates().size(), size_t(8 + 4));
    // The cube's six sides are split by a diagonal each: 18 edges.
    ASSERT_EQ(list.meshes[0].edgeCount, 18);
    ASSERT_EQ(cache.indices().size(), size_t(3 * (18 + 6)));
    std::set<std::pair<int, int>> numbered;
    size_t e = 0;
    for (const WingedEdgeMesh& mesh : list.meshes) {
        for (const WEEdge& edge : mesh.edges) {
            const int32_t a = cache.indices()[3 * e], b = cache.indices()[3 * e + 1];
            EXPECT_EQ(cache.indices()[3 * e + 2], -1) << "edge " << e;
            ASSERT_GE(a, 0);
            ASSERT_GE(b, 0);
            EXPECT_EQ(cache.coordinates()[size_t(a)], edge.startVertex->position) << "edge " << e;
            EXPECT_EQ(cache.coordinates()[size_t(b)], edge.endVertex->position) << "edge " << e;
            numbered.insert({ a, b });
            ++e;
        }
    }
    EXPECT_EQ(numbered.size(), size_t(24)) << "two edges got the same pair of numbers";

    // Only flagged edges, and only their vertices.
    int flagged = 0;
    for (WEEdge& edge : list.meshes[0].edges)
        if (edge.startVertex->id == 0 || edge.endVertex->id == 0) {
            edge.flags = 2;
            ++flagged;
        }
    cache.rebuild(list, true);
    EXPECT_EQ(cache.indices().size(), size_t(3 * flagged));
    EXPECT_EQ(cache.coordinates().size(), size_t(flagged + 1)) << "a vertex and its neighbours";
    for (WEEdge& edge : list.meshes[0].edges)
        edge.flags = 0;
    cache.rebuild(list, true);
    EXPECT_TRUE(cache.indices().empty());
    EXPECT_TRUE(cache.coordinates().empty());
}

TEST(MeshDrawingTest, CurvatureColours)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeTetrahedron());
    WingedEdgeMesh::buildFromStrips(list, 1, makeTetrahedron());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Per vertex id; the entry at index 4 belongs to no vertex and is ignored.
    std::vector<std::optional<std::vector<double>>> values = {
        std::vector<double>{ 0.5, 2.0, 0.0, nan, 100.0 },
        std::vector<double>{ -1.5, inf, 0.25, 0.0 },
    };
    CurvatureRange range = curvatureRange(list, values, 4);
    EXPECT_EQ(range.min, -1.5);
    EXPECT_EQ(range.max, 2.0);
    // The shape index has a fixed range.
    range = curvatureRange(list, values, 7);
    EXPECT_EQ(range.min, -1.0);
    EXPECT_EQ(range.max, 1.0);
    // Positive values only: the range still starts at 0; no values at all: 0..0.
    values = { std::vector<double>{ 1.0, 3.0, 2.0, 1.0 }, std::nullopt };
    range = curvatureRange(list, values, 1);
    EXPECT_EQ(range.min, 0.0);
    EXPECT_EQ(range.max, 3.0);
    values = { std::nullopt, std::vector<double>{ 0.0, 0.0, 0.0, 0.0 } };
    range = curvatureRange(list, values, 1);
    EXPECT_EQ(range.min, 0.0);
    EXPECT_EQ(range.max, 0.0);

    const CurvatureRange ramp{ -1.0, 3.0 };
    EXPECT_EQ(rampColor(-1.0, ramp), SbColor(0, 0, 1));
    EXPECT_EQ(rampColor(3.0, ramp), SbColor(1, 0, 0));
    EXPECT_EQ(rampColor(1.0, ramp), SbColor(0.5f, 0, 0.5f));
    EXPECT_EQ(rampColor(inf, ramp), SbColor(1, 0, 0));
    EXPECT_EQ(rampColor(nan, ramp), SbColor(0, 0, 1));
    // No width: the middle colour rather than a division by zero.
    EXPECT_EQ(rampColor(0.0, CurvatureRange{ 0.0, 0.0 }), SbColor(0.5f, 0, 0.5f));

    EXPECT_EQ(classColor(0.0), SbColor(0, 0, 1));
    EXPECT_EQ(classColor(0.9), SbColor(0, 0, 1));
    EXPECT_EQ(classColor(1.0), SbColor(0, 1, 0));
    EXPECT_EQ(classColor(2.7), SbColor(1, 0, 0));
    for (double other : { 3.0, -1.0, -7.0, 1e300, -1e300, nan, inf })
        EXPECT_EQ(classColor(other), SbColor(0, 0, 0)) << other;
}

} // namespace
