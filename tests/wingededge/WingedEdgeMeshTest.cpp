// Construction of winged-edge meshes from strips: topology, orientation,
// pairing, boundary wings, normals and robustness against bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>

#include "support/MeshBuilders.h"
#include "support/MeshCompare.h"
#include "wingededge/WingedEdge.h"

namespace {

const char* const kManifoldMessage = "Error: This is not a 2-manifold!\n";

SbVec3f centroid(const WEFace& f)
{
    SbVec3f sum(0, 0, 0);
    for (const WEEdge* e : f.edges)
        sum += e->startVertex->position + e->endVertex->position;
    return sum / float(2 * f.edges.size());
}

// The face's vertices in cycle order, following the next wings.
std::vector<const WEVertex*> cycle(const WEFace& f)
{
    std::vector<const WEVertex*> out;
    const WEEdge* e = f.edges.front();
    for (size_t i = 0; i < f.edges.size(); ++i) {
        out.push_back(e->leftFace == &f ? e->startVertex : e->endVertex);
        e = e->leftFace == &f ? e->leftNext : e->rightNext;
    }
    return out;
}

// Normal by the clockwise convention, from the cycle.
SbVec3f cycleNormal(const WEFace& f)
{
    const auto v = cycle(f);
    SbVec3f n = (v[2]->position - v[0]->position).cross(v[1]->position - v[0]->position);
    n.normalize();
    return n;
}

int boundaryEdges(const WingedEdgeMesh& mesh)
{
    int count = 0;
    for (const WEEdge& e : mesh.edges)
        count += e.isBoundary() ? 1 : 0;
    return count;
}

void expectAllFlagsZero(const WingedEdgeMesh& mesh)
{
    for (const WEVertex& v : mesh.vertices)
        EXPECT_EQ(v.flags, 0) << "vertex " << v.id;
    for (const WEEdge& e : mesh.edges)
        EXPECT_EQ(e.flags, 0) << "edge " << e.id;
    for (const WEFace& f : mesh.faces)
        EXPECT_EQ(f.flags, 0) << "face " << f.id;
}

// Number of edge records between the vertices with the two ids.
int edgesBetween(const WingedEdgeMesh& mesh, int a, int b)
{
    int count = 0;
    for (const WEEdge& e : mesh.edges) {
        const int s = e.startVertex->id, t = e.endVertex->id;
        count += ((s == a && t == b) || (s == b && t == a)) ? 1 : 0;
    }
    return count;
}

std::string build(WingedEdgeList& list, const StripInput& in)
{
    testing::internal::CaptureStdout();
    WingedEdgeMesh::buildFromStrips(list, 0, in);
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(WingedEdgeMesh, SingleTriangleHasAHoleAroundIt)
{
    WingedEdgeList list;
    const StripInput in = stripsFromTriangles({ SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0) }, { { 0, 1, 2 } });
    const WingedEdgeMesh& mesh = buildSingle(list, in);

    ASSERT_EQ(mesh.vertexCount, 3);
    ASSERT_EQ(mesh.edgeCount, 3);
    ASSERT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.checkConsistency(), "");
    expectAllFlagsZero(mesh);

    const WEFace& face = mesh.faces.front();
    for (const WEEdge& e : mesh.edges) {
        EXPECT_EQ(e.rightFace, nullptr) << "edge " << e.id;
        EXPECT_EQ(e.leftFace, &face) << "edge " << e.id;
        // The right wings run around the hole: the other boundary edge at
        // each end, which for a single triangle are the two other edges.
        EXPECT_NE(e.rightNext, &e);
        EXPECT_NE(e.rightPrev, &e);
        EXPECT_NE(e.rightNext, e.rightPrev) << "edge " << e.id;
        EXPECT_TRUE(e.rightNext->startVertex == e.startVertex || e.rightNext->endVertex == e.startVertex);
        EXPECT_TRUE(e.rightPrev->startVertex == e.endVertex || e.rightPrev->endVertex == e.endVertex);
    }
    // Following rightNext around the hole visits every edge once.
    const WEEdge* e = &mesh.edges.front();
    std::set<const WEEdge*> seen;
    for (int i = 0; i < 3; ++i) {
        seen.insert(e);
        e = e->rightNext;
    }
    EXPECT_EQ(e, &mesh.edges.front());
    EXPECT_EQ(seen.size(), 3u);

    // The stored normal agrees with the clockwise convention and is unit.
    EXPECT_NEAR((face.normal - cycleNormal(face)).length(), 0.0f, 1e-6f);
    EXPECT_NEAR(face.normal.length(), 1.0f, 1e-6f);
}

TEST(WingedEdgeMesh, StripOfFourSharesOneEdge)
{
    WingedEdgeList list;
    StripInput in;
    in.coordinates = { SbVec3f(0, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 0, 0), SbVec3f(1, 1, 0) };
    in.coordIndex = { 0, 1, 2, 3 };
    in.normals = { SbVec3f(0, 0, 1) };
    in.normalIndex = { 0, 0, 0, 0 };
    in.stripLengths = { 4 };
    const std::string out = build(list, in);
    const WingedEdgeMesh& mesh = list.meshes.back();

    EXPECT_EQ(out, "");
    EXPECT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.edgeCount, 5);
    EXPECT_EQ(mesh.vertexCount, 4);
    EXPECT_EQ(boundaryEdges(mesh), 4);
    EXPECT_EQ(mesh.checkConsistency(), "");
    expectAllFlagsZero(mesh);
    // Both faces face the same way: the strip's alternation keeps orientation.
    EXPECT_NEAR((mesh.faces.front().normal - mesh.faces.back().normal).length(), 0.0f, 1e-6f);
    // The boundary is one closed loop of four edges.
    const WEEdge* start = nullptr;
    for (const WEEdge& e : mesh.edges)
        if (e.isBoundary())
            start = &e;
    const WEEdge* e = start;
    int steps = 0;
    do {
        e = e->rightNext;
        ++steps;
    } while (e != start && steps < 10);
    EXPECT_EQ(steps, 4);
}

TEST(WingedEdgeMesh, SeparateTrianglesArePairedAndOriented)
{
    const std::vector<SbVec3f> points = { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 1, 0) };
    for (bool agree : { true, false }) {
        SCOPED_TRACE(agree ? "orientations agree" : "orientations disagree");
        WingedEdgeList list;
        const Triangle second = agree ? Triangle{ 1, 3, 2 } : Triangle{ 1, 2, 3 };
        const std::string out = build(list, stripsFromTriangles(points, { { 0, 1, 2 }, second }));
        const WingedEdgeMesh& mesh = list.meshes.back();

        EXPECT_EQ(out, "");
        EXPECT_EQ(mesh.faceCount, 2);
        EXPECT_EQ(mesh.edgeCount, 5) << "the shared edge is one record";
        EXPECT_EQ(edgesBetween(mesh, 1, 2), 1);
        EXPECT_EQ(boundaryEdges(mesh), 4);
        EXPECT_EQ(mesh.checkConsistency(), "");
        expectAllFlagsZero(mesh);
        const WEFace& a = mesh.faces.front();
        const WEFace& b = mesh.faces.back();
        EXPECT_NEAR((a.normal - b.normal).length(), 0.0f, 1e-6f) << "one of them was flipped";
        EXPECT_NEAR((a.normal - cycleNormal(a)).length(), 0.0f, 1e-6f);
        EXPECT_NEAR((b.normal - cycleNormal(b)).length(), 0.0f, 1e-6f);
    }

    // The same points under other indices stay unconnected.
    WingedEdgeList list;
    std::vector<SbVec3f> duplicated = points;
    duplicated.push_back(points[1]);
    duplicated.push_back(points[2]);
    const WingedEdgeMesh& apart = buildSingle(list, stripsFromTriangles(duplicated, { { 0, 1, 2 }, { 4, 3, 5 } }));
    EXPECT_EQ(apart.vertexCount, 6);
    EXPECT_EQ(apart.edgeCount, 6);
    EXPECT_EQ(boundaryEdges(apart), 6);
    EXPECT_EQ(apart.checkConsistency(), "");
}

TEST(WingedEdgeMesh, ThreeTrianglesOnOneEdgeAreNotAManifold)
{
    WingedEdgeList list;
    const std::vector<SbVec3f> points = { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, -1, 0),
                                          SbVec3f(0, 0, 1) };
    const std::string out = build(list, stripsFromTriangles(points, { { 0, 1, 2 }, { 1, 0, 3 }, { 0, 1, 4 } }));
    const WingedEdgeMesh& mesh = list.meshes.back();

    EXPECT_NE(out.find(kManifoldMessage), std::string::npos) << out;
    // Every line printed is the message (from one or both end vertices).
    EXPECT_EQ(out.size() % std::string(kManifoldMessage).size(), 0u) << out;
    EXPECT_EQ(edgesBetween(mesh, 0, 1), 3) << "the shared edge stays split";
    EXPECT_EQ(boundaryEdges(mesh), 9);
    EXPECT_EQ(mesh.checkConsistency(), "");
    expectAllFlagsZero(mesh);
}

TEST(WingedEdgeMesh, ClosedObjectsFaceOutwards)
{
    struct Case {
        const char* name;
        StripInput in;
        int v, e, f;
    };
    const Case cases[] = { { "cube", makeCube(false), 8, 18, 12 },
                           { "cube, mixed orientation", makeCube(true), 8, 18, 12 },
                           { "tetrahedron", makeTetrahedron(), 4, 6, 4 },
                           { "sphere", makeSphere(12, 20), 2 + 11 * 20, 3 * 20 * 11, 2 * 20 * 11 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WingedEdgeList list;
        const std::string out = build(list, c.in);
        const WingedEdgeMesh& mesh = list.meshes.back();
        EXPECT_EQ(out, "");
        EXPECT_EQ(mesh.vertexCount, c.v);
        EXPECT_EQ(mesh.edgeCount, c.e);
        EXPECT_EQ(mesh.faceCount, c.f);
        EXPECT_EQ(mesh.vertexCount - mesh.edgeCount + mesh.faceCount, 2) << "Euler characteristic of a sphere";
        EXPECT_EQ(boundaryEdges(mesh), 0);
        EXPECT_EQ(mesh.checkConsistency(), "");
        expectAllFlagsZero(mesh);
        for (const WEFace& f : mesh.faces) {
            EXPECT_GT(f.normal.dot(centroid(f)), 0.0f) << "face " << f.id << " points inwards";
            EXPECT_NEAR((f.normal - cycleNormal(f)).length(), 0.0f, 1e-5f) << "face " << f.id;
        }
        for (const WEEdge& e : mesh.edges) {
            // Across every edge the two cycles run opposite ways.
            EXPECT_NE(e.leftFace, e.rightFace) << "edge " << e.id;
        }
        for (const WEVertex& v : mesh.vertices)
            EXPECT_GT(v.normal.dot(v.position), 0.0f) << "vertex " << v.id;
    }
}

TEST(WingedEdgeMesh, RandomlyOrientedSoupMatchesBruteForceOrientation)
{
    // A sphere given as separate triangles, each listed in a random order:
    // after construction every face must agree with the outward normal
    // computed directly from its corners.
    std::mt19937 random(20261207);
    const StripInput sphere = makeSphere(9, 14, 2.0f);
    std::vector<Triangle> triangles;
    size_t start = 0;
    for (int32_t length : sphere.stripLengths) {
        for (int32_t j = 2; j < length; ++j) {
            Triangle t = { sphere.coordIndex[start + j - 2], sphere.coordIndex[start + j - 1],
                           sphere.coordIndex[start + j] };
            std::shuffle(t.begin(), t.end(), random);
            triangles.push_back(t);
        }
        start += size_t(length);
    }
    std::shuffle(triangles.begin(), triangles.end(), random);

    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, stripsFromTriangles(sphere.coordinates, triangles));
    ASSERT_EQ(mesh.faceCount, int(triangles.size()));
    EXPECT_EQ(mesh.checkConsistency(), "");
    EXPECT_EQ(boundaryEdges(mesh), 0);
    for (const WEFace& f : mesh.faces)
        EXPECT_GT(cycleNormal(f).dot(centroid(f)), 0.0f) << "face " << f.id;
}

TEST(WingedEdgeMesh, GridBoundaryIsOneLoop)
{
    const int n = 6;
    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, makeGrid(n));
    EXPECT_EQ(mesh.faceCount, 2 * n * n);
    EXPECT_EQ(mesh.vertexCount, (n + 1) * (n + 1));
    EXPECT_EQ(boundaryEdges(mesh), 4 * n);
    EXPECT_EQ(mesh.checkConsistency(), "");
    const WEEdge* start = nullptr;
    for (const WEEdge& e : mesh.edges)
        if (e.isBoundary())
            start = &e;
    ASSERT_NE(start, nullptr);
    const WEEdge* e = start;
    int steps = 0;
    do {
        ASSERT_TRUE(e->isBoundary()) << "left the hole at step " << steps;
        e = e->rightNext;
        ++steps;
    } while (e != start && steps <= 8 * n);
    EXPECT_EQ(steps, 4 * n);
    // A flat grid: every vertex normal is the plane's normal (up to sign, the same for all).
    const SbVec3f up = mesh.vertices.front().normal;
    for (const WEVertex& v : mesh.vertices)
        EXPECT_NEAR(std::fabs(v.normal.dot(up)), 1.0f, 1e-5f) << "vertex " << v.id;
}

TEST(WingedEdgeMesh, DegenerateAndOutOfRangeTrianglesAreDropped)
{
    StripInput in;
    in.coordinates = { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 1, 0) };
    in.normals = { SbVec3f(0, 0, 1) };
    // Strip 1: a repeated index breaks the strip (0 1 1 is degenerate).
    // Strip 2: index 7 lies outside the four coordinates.
    // Strip 3: index -5 as well.
    // Strip 4: normal index 3 lies outside the single normal.
    // Strip 5: fine.
    in.coordIndex = { 0, 1, 1, 2, /**/ 0, 1, 7, 3, /**/ 2, -5, 3, /**/ 0, 1, 2, /**/ 1, 3, 2 };
    in.normalIndex = { 0, 0, 0, 0, /**/ 0, 0, 0, 0, /**/ 0, 0, 0, /**/ 0, 3, 0, /**/ 0, 0, 0 };
    in.stripLengths = { 4, 4, 3, 3, 3 };

    WingedEdgeList list;
    testing::internal::CaptureStdout();
    const int dropped = WingedEdgeMesh::buildFromStrips(list, 0, in);
    testing::internal::GetCapturedStdout();
    const WingedEdgeMesh& mesh = list.meshes.back();

    EXPECT_EQ(dropped, 4) << "two in strip 2, one each in strips 3 and 4";
    EXPECT_EQ(mesh.faceCount, 1) << "only the last strip survives";
    EXPECT_EQ(mesh.checkConsistency(), "");
    for (const WEVertex& v : mesh.vertices)
        EXPECT_TRUE(v.id >= 0 && v.id < mesh.vertexCount);

    // Strip lengths longer than the index list are cut at its end; a
    // negative length counts as empty.
    StripInput truncated = makeGrid(1);
    truncated.stripLengths = { -3, 10 };
    WingedEdgeList other;
    EXPECT_EQ(WingedEdgeMesh::buildFromStrips(other, 0, truncated), 0);
    EXPECT_EQ(other.meshes.back().faceCount, 2);
    EXPECT_EQ(other.meshes.back().checkConsistency(), "");
}

TEST(WingedEdgeMesh, NonOrientableAndNonManifoldInputStaysSound)
{
    // A Moebius band of separate triangles: no orientation can be
    // consistent, and the seam pair is left as two boundary edges.
    const int segments = 12;
    std::vector<SbVec3f> points;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < segments; ++i) {
        const double t = 2.0 * pi * i / segments;
        for (int side : { -1, 1 }) {
            const double w = 0.3 * side;
            points.emplace_back(float((1 + w * std::cos(t / 2)) * std::cos(t)),
                                float((1 + w * std::cos(t / 2)) * std::sin(t)), float(w * std::sin(t / 2)));
        }
    }
    std::vector<Triangle> band;
    for (int i = 0; i < segments; ++i) {
        const int a = 2 * i, b = 2 * i + 1;
        int c = 2 * ((i + 1) % segments), d = c + 1;
        if (i + 1 == segments)
            std::swap(c, d); // the half twist
        band.push_back({ a, b, d });
        band.push_back({ a, d, c });
    }
    WingedEdgeList list;
    const std::string out = build(list, stripsFromTriangles(points, band));
    const WingedEdgeMesh& moebius = list.meshes.back();
    EXPECT_EQ(moebius.faceCount, 2 * segments);
    EXPECT_EQ(moebius.checkConsistency(), "");
    expectAllFlagsZero(moebius);
    for (const WEFace& f : moebius.faces)
        EXPECT_NEAR((f.normal - cycleNormal(f)).length(), 0.0f, 1e-5f) << "face " << f.id;

    // Seeded random soups over few vertices: many edges on three or more
    // triangles, bow ties, both orientations. Nothing may break.
    std::mt19937 random(7);
    for (int round = 0; round < 1000; ++round) {
        const int vertexCount = 4 + int(random() % 5);
        std::vector<SbVec3f> soupPoints;
        std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
        for (int i = 0; i < vertexCount; ++i)
            soupPoints.emplace_back(coordinate(random), coordinate(random), coordinate(random));
        std::vector<Triangle> soup;
        const int triangleCount = 1 + int(random() % 12);
        for (int i = 0; i < triangleCount; ++i)
            soup.push_back({ int32_t(random() % vertexCount), int32_t(random() % vertexCount),
                             int32_t(random() % vertexCount) });
        StripInput in = stripsFromTriangles(soupPoints, soup);
        // Some rounds as one long strip or as strips of random lengths, so
        // strip sharing meets the mess too.
        if (round % 3 == 1)
            in.stripLengths.assign(1, int32_t(in.coordIndex.size()));
        if (round % 3 == 2) {
            in.stripLengths.clear();
            for (size_t left = in.coordIndex.size(); left > 0;) {
                const size_t length = std::min(left, size_t(1 + random() % 8));
                in.stripLengths.push_back(int32_t(length));
                left -= length;
            }
        }
        WingedEdgeList soupList;
        testing::internal::CaptureStdout();
        WingedEdgeMesh::buildFromStrips(soupList, 0, in);
        testing::internal::GetCapturedStdout();
        const WingedEdgeMesh& mesh = soupList.meshes.back();
        EXPECT_EQ(mesh.checkConsistency(), "") << "round " << round;
        for (const WEVertex& v : mesh.vertices)
            EXPECT_TRUE(std::isfinite(v.normal[0]) && std::isfinite(v.normal[1]) && std::isfinite(v.normal[2]))
                << "round " << round << " vertex " << v.id;
        WingedEdgeMesh copy = mesh;
        copy.computeFaceNormals();
        EXPECT_EQ(copy.checkConsistency(), "") << "round " << round;
    }
}

TEST(WingedEdgeMesh, NormalsWithoutFacesStayFinite)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeTetrahedron());
    mesh.vertices.emplace_back();
    WEVertex& lonely = mesh.vertices.back();
    lonely.id = 4;
    lonely.normal.setValue(0, 0, 0);
    mesh.fillZeroNormals();
    mesh.computeVertexNormals();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lonely.normal[i], 0.0f);
    lonely.normal.setValue(0, 1, 0);
    mesh.computeVertexNormals();
    EXPECT_EQ(lonely.normal, SbVec3f(0, 1, 0)) << "a vertex without faces keeps its normal";

    // fillZeroNormals touches only zero normals and averages the face normals.
    WEVertex& corner = mesh.vertices.front();
    corner.normal.setValue(0, 0, 0);
    mesh.fillZeroNormals();
    SbVec3f expected(0, 0, 0);
    int count = 0;
    for (const WEEdge* e : corner.edges)
        for (const WEFace* f : { e->leftFace, e->rightFace })
            if (f != nullptr) {
                expected += f->normal;
                ++count;
            }
    EXPECT_EQ(count, 6) << "three faces, each seen from two edges";
    EXPECT_NEAR((corner.normal - expected / float(count)).length(), 0.0f, 1e-6f);
}

TEST(WingedEdgeMesh, FaceNormalsFromCyclesMatchConstruction)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeSphere(6, 9));
    std::map<int, SbVec3f> built;
    for (const WEFace& f : mesh.faces)
        built[f.id] = f.normal;
    for (WEFace& f : mesh.faces)
        f.normal.setValue(0, 0, 0);
    mesh.computeFaceNormals();
    for (const WEFace& f : mesh.faces)
        EXPECT_NEAR((f.normal - built[f.id]).length(), 0.0f, 1e-5f) << "face " << f.id;

    // flipEdge swaps the ends and both wing pairs and keeps the faces.
    WEEdge& e = mesh.edges.front();
    const WEEdge before = e;
    WingedEdgeMesh::flipEdge(&e);
    EXPECT_EQ(e.startVertex, before.endVertex);
    EXPECT_EQ(e.endVertex, before.startVertex);
    EXPECT_EQ(e.leftNext, before.leftPrev);
    EXPECT_EQ(e.leftPrev, before.leftNext);
    EXPECT_EQ(e.rightNext, before.rightPrev);
    EXPECT_EQ(e.rightPrev, before.rightNext);
    EXPECT_EQ(e.leftFace, before.leftFace);
    EXPECT_EQ(e.rightFace, before.rightFace);
}

TEST(WingedEdgeMesh, RenumberAndObjectIndex)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeCube(), 5);
    for (const WEVertex& v : mesh.vertices)
        EXPECT_EQ(v.objectIndex, 5);
    for (const WEEdge& e : mesh.edges)
        EXPECT_EQ(e.objectIndex, 5);
    for (const WEFace& f : mesh.faces)
        EXPECT_EQ(f.objectIndex, 5);

    mesh.faces.pop_front(); // leaves dangling references; only ids and counts matter here
    mesh.vertices.reverse();
    mesh.renumber();
    EXPECT_EQ(mesh.faceCount, 11);
    int expected = 0;
    for (const WEVertex& v : mesh.vertices)
        EXPECT_EQ(v.id, expected++);
    expected = 0;
    for (const WEFace& f : mesh.faces)
        EXPECT_EQ(f.id, expected++);
}

namespace {

// The construction done step by step through the public passes, each
// corner getting a vertex record of its own as addTriangle makes it when
// called on its own, and weldVertices joining them afterwards.
WingedEdgeMesh buildStepByStep(const StripInput& in, int32_t objectIndex)
{
    WingedEdgeMesh mesh;
    mesh.objectIndex = objectIndex;
    size_t start = 0;
    for (int32_t length : in.stripLengths) {
        WEFace* previous = nullptr;
        for (int32_t j = 2; j < length; ++j) {
            const bool even = (j % 2) == 0;
            const size_t corner[3] = { start + size_t(even ? j - 2 : j), start + size_t(j - 1),
                                       start + size_t(even ? j : j - 2) };
            int32_t ci[3];
            SbVec3f position[3], normal[3];
            for (int i = 0; i < 3; ++i) {
                ci[i] = in.coordIndex[corner[i]];
                position[i] = in.coordinates[size_t(ci[i])];
                normal[i] = in.normals[size_t(in.normalIndex[corner[i]])];
            }
            if (ci[0] == ci[1] || ci[1] == ci[2] || ci[0] == ci[2]) {
                previous = nullptr;
                continue;
            }
            mesh.addTriangle(position, ci, normal, even ? 0 : 1, previous);
        }
        start += size_t(length);
    }
    mesh.weldVertices();
    mesh.orientAndPair();
    mesh.linkBoundaryWings();
    mesh.setObjectIndex();
    mesh.computeVertexNormals();
    mesh.renumber();
    return mesh;
}

} // namespace

TEST(WingedEdgeMesh, BuilderEqualsThePassesOneByOne)
{
    // The builder joins corners as they arrive and skips passes that would
    // change nothing; the mesh must be the one the passes give, record for
    // record, including the order of every edge list.
    std::mt19937 random(99);
    std::vector<StripInput> inputs = { makeSphere(7, 11), makeGrid(4), makeCube(true) };
    for (int round = 0; round < 40; ++round) {
        std::vector<SbVec3f> points;
        std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
        for (int i = 0; i < 7; ++i)
            points.emplace_back(coordinate(random), coordinate(random), coordinate(random));
        std::vector<Triangle> soup;
        for (int i = 0; i < 10; ++i)
            soup.push_back({ int32_t(random() % 7), int32_t(random() % 7), int32_t(random() % 7) });
        StripInput in = stripsFromTriangles(points, soup);
        if (round % 2 == 1)
            in.stripLengths.assign(1, int32_t(in.coordIndex.size()));
        inputs.push_back(in);
    }
    for (size_t k = 0; k < inputs.size(); ++k) {
        SCOPED_TRACE("input " + std::to_string(k));
        WingedEdgeList list;
        testing::internal::CaptureStdout();
        WingedEdgeMesh::buildFromStrips(list, 3, inputs[k]);
        const std::string built = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        const WingedEdgeMesh stepped = buildStepByStep(inputs[k], 3);
        const std::string steppedOut = testing::internal::GetCapturedStdout();
        EXPECT_EQ(built, steppedOut) << "the same diagnostics";
        expectSameMesh(list.meshes.back(), stepped);
    }
}

TEST(WingedEdgeMesh, StripsFromAChairModelStaySound)
{
    // Two cases cut down from the chair of the Inventor data set. In the
    // first, a face joined to another by a strip edge was also reached
    // through a pair with the opposite orientation; in the second, a pair
    // beside a strip-shared edge left a wing pointing at the merged-away
    // edge. Both must build consistent meshes (and run clean under the
    // sanitizers).
    StripInput first;
    first.coordinates = { { -0.372011f, -0.207677f, -0.240855f }, { -0.368959f, -0.18942f, -0.241199f },
                          { -0.371495f, -0.207465f, -0.241199f }, { -0.371972f, -0.207398f, -0.241342f },
                          { -0.371877f, -0.206723f, -0.241543f }, { -0.371203f, -0.206818f, -0.241342f },
                          { -0.371298f, -0.207493f, -0.240855f } };
    first.coordIndex = { 0, 1, 2, 3, 4, /**/ 4, 5, 2, 6, 1, 0 };
    first.stripLengths = { 5, 6 };

    StripInput second;
    second.coordinates = { { -0.368856f, -0.190122f, -0.241342f }, { -0.368577f, -0.190162f, -0.240855f },
                           { -0.370923f, -0.206858f, -0.240855f }, { -0.372011f, -0.207677f, -0.240855f },
                           { -0.368959f, -0.18942f, -0.241199f },  { -0.371495f, -0.207465f, -0.241199f },
                           { -0.371972f, -0.207398f, -0.241342f }, { -0.371877f, -0.206723f, -0.241543f },
                           { -0.371203f, -0.206818f, -0.241342f }, { -0.371298f, -0.207493f, -0.240855f } };
    second.coordIndex = { 0, 1, 2, /**/ 3, 4, 5, 6, 7, /**/ 7, 8, 5, 9, 4, 3, /**/ 9, 9, 2, 8, 0 };
    second.stripLengths = { 3, 5, 6, 5 };

    for (StripInput* in : { &first, &second }) {
        in->normals.assign(1, SbVec3f(0, 0, 0));
        in->normalIndex.assign(in->coordIndex.size(), 0);
        WingedEdgeList list;
        const std::string out = build(list, *in);
        const WingedEdgeMesh& mesh = list.meshes.back();
        EXPECT_EQ(mesh.faceCount, countNonDegenerateTriangles(*in));
        EXPECT_EQ(mesh.checkConsistency(), "");
        expectAllFlagsZero(mesh);
        for (const WEFace& f : mesh.faces)
            EXPECT_NEAR((f.normal - cycleNormal(f)).length(), 0.0f, 1e-4f) << "face " << f.id;
        WingedEdgeList copy(list);
        EXPECT_EQ(copy.meshes.back().checkConsistency(), "");
    }
}

TEST(WingedEdgeMesh, ClosedObjectsAwayFromTheOriginFaceOutwards)
{
    // A closed object turns so that it encloses a positive volume, wherever
    // it stands; an open one still follows its first face.
    const SbVec3f offsets[] = { SbVec3f(3, 0, 0), SbVec3f(-7, 2, 5), SbVec3f(0.6f, 0, 0) };
    const StripInput shapes[] = { makeCube(true), makeSphere(8, 12), makeTetrahedron() };
    for (const SbVec3f& offset : offsets) {
        for (const StripInput& shape : shapes) {
            StripInput moved = shape;
            SbVec3f centre(0, 0, 0);
            for (SbVec3f& p : moved.coordinates) {
                p += offset;
                centre += p;
            }
            centre /= float(moved.coordinates.size());
            WingedEdgeList list;
            const WingedEdgeMesh& mesh = buildSingle(list, moved);
            EXPECT_EQ(mesh.checkConsistency(), "");
            for (const WEFace& f : mesh.faces)
                EXPECT_GT(f.normal.dot(centroid(f) - centre), 0.0f)
                    << "face " << f.id << " of an object at " << offset[0] << " " << offset[1] << " " << offset[2];
        }
    }

    // An open grid beside the origin: the first face's normal points away
    // from the origin side, and every face agrees with it.
    StripInput grid = makeGrid(3);
    for (SbVec3f& p : grid.coordinates)
        p += SbVec3f(0, 0, 2);
    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, grid);
    for (const WEFace& f : mesh.faces)
        EXPECT_GT(f.normal[2], 0.0f) << "face " << f.id;
}

TEST(WingedEdgeMesh, StripFoldedOverAFinGivesWayToTheSurface)
{
    // A flat sheet around v (faces T0, T2, F1, F2, in agreement) and a tent
    // over the edge u-v: a strip runs from T0 over the edge into the fin T1,
    // and X joins the fin's top to the sheet's far side. Around u-c-b the
    // fin has to turn against T0, which the strip joined it to; three
    // triangles use u-v. Worked by hand: every other index pair is used by
    // exactly two triangles whose orientations then agree, so each must end
    // as one two-sided edge; on u-v no orientation lets T0 and T1 share an
    // edge, so it carries three one-sided edges.
    const SbVec3f u(0, 0, 0), v(1, 0, 0), a(0.5f, -1, 0), b(0.5f, 1, 0), e(2, 0, 0), c(0.5f, 0, 1);
    StripInput in = stripsFromTriangles({ u, v, a, b, e, c }, { { 1, 0, 3 }, { 5, 3, 0 }, { 1, 3, 4 }, { 1, 4, 2 } });
    const std::vector<int32_t> strip = { 2, 0, 1, 5 }; // T0 = (a u v), T1 = (c v u)
    in.coordIndex.insert(in.coordIndex.begin(), strip.begin(), strip.end());
    in.normalIndex.insert(in.normalIndex.begin(), strip.size(), 0);
    in.stripLengths.insert(in.stripLengths.begin(), int32_t(strip.size()));

    WingedEdgeList list;
    const std::string out = build(list, in);
    const WingedEdgeMesh& mesh = list.meshes.back();
    ASSERT_EQ(mesh.faceCount, 6);
    EXPECT_EQ(mesh.checkConsistency(), "");
    expectAllFlagsZero(mesh);
    auto between = [&mesh](const SbVec3f& p, const SbVec3f& q) {
        std::vector<const WEEdge*> found;
        for (const WEEdge& edge : mesh.edges)
            if ((edge.startVertex->position == p && edge.endVertex->position == q) ||
                (edge.startVertex->position == q && edge.endVertex->position == p))
                found.push_back(&edge);
        return found;
    };
    const std::pair<SbVec3f, SbVec3f> twoTriangles[] = { { v, b }, { v, e }, { v, a }, { u, c }, { u, b } };
    for (const auto& pair : twoTriangles) {
        const auto found = between(pair.first, pair.second);
        ASSERT_EQ(found.size(), 1u) << "edge " << pair.first[0] << "," << pair.first[1] << " - " << pair.second[0]
                                    << "," << pair.second[1];
        EXPECT_FALSE(found[0]->isBoundary());
    }
    const auto fin = between(u, v);
    EXPECT_EQ(fin.size(), 3u);
    for (const WEEdge* edge : fin)
        EXPECT_TRUE(edge->isBoundary());
    EXPECT_EQ(mesh.edgeCount, 13);
    EXPECT_EQ(boundaryEdges(mesh), 8);
    EXPECT_NE(out.find(kManifoldMessage), std::string::npos) << out;
    for (const WEFace& f : mesh.faces)
        EXPECT_NEAR((f.normal - cycleNormal(f)).length(), 0.0f, 1e-6f) << "face " << f.id;
}

TEST(WingedEdgeMesh, NormalsOfExtremeCoordinatesAreUnitOrZero)
{
    const float huge = 3e38f, inf = INFINITY, nan = NAN;
    struct Case {
        const char* name;
        std::vector<SbVec3f> points;
        bool unit; // the plane z = 0 has a normal; the others have none
    };
    // Two triangles sharing the edge 1-2, so vertex normals average them.
    const Case cases[] = {
        { "differences beyond the float range",
          { { -huge, 0, 0 }, { huge, 0, 0 }, { 0, huge, 0 }, { huge, huge, 0 } }, true },
        { "infinite", { { -inf, 0, 0 }, { 1, 0, 0 }, { 0, inf, 0 }, { 1, 1, 0 } }, false },
        { "not a number", { { nan, 0, 0 }, { 1, 0, 0 }, { 0, 1, nan }, { nan, nan, nan } }, false },
    };
    auto finite = [](const SbVec3f& n) { return std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WingedEdgeList list;
        WingedEdgeMesh& mesh = buildSingle(list, stripsFromTriangles(c.points, { { 0, 1, 2 }, { 1, 3, 2 } }));
        ASSERT_EQ(mesh.faceCount, 2);
        for (int pass = 0; pass < 2; ++pass) {
            for (const WEFace& f : mesh.faces) {
                ASSERT_TRUE(finite(f.normal)) << "face " << f.id << " pass " << pass;
                if (c.unit)
                    EXPECT_EQ(std::fabs(f.normal[2]), 1.0f) << "face " << f.id << " pass " << pass;
                else
                    EXPECT_EQ(f.normal, SbVec3f(0, 0, 0)) << "face " << f.id << " pass " << pass;
            }
            for (const WEVertex& vertex : mesh.vertices) {
                EXPECT_TRUE(finite(vertex.normal)) << "vertex " << vertex.id;
                EXPECT_LE(vertex.normal.length(), 1.0f + 1e-6f) << "vertex " << vertex.id;
            }
            mesh.computeFaceNormals();
        }
    }
}
