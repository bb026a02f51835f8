// Border, silhouette and sharp edge extraction without GL: the perspective
// facing test and the orthographic path (fed by a brute-force search here)
// against independent selections, the sharp-edge threshold, the cached
// classification, the two repairs on constructed meshes, and the records'
// flags after a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lines/SilhouetteExtractor.h"
#include "support/MeshBuilders.h"
#include "wingededge/WingedEdge.h"

namespace {

typedef std::set<std::pair<int32_t, int32_t>> EdgeSet; // (mesh, edge id)

EdgeSet asSet(const std::vector<SilhouetteExtractor::Edge>& edges)
{
    EdgeSet out;
    for (const SilhouetteExtractor::Edge& e : edges)
        EXPECT_TRUE(out.insert({ e.mesh, e.edge->id }).second) << "edge " << e.edge->id << " output twice";
    return out;
}

// Faces turned towards the eye, as the facing test defines it.
bool facing(const WEFace& face, const SbVec3f& eye)
{
    SbVec3f v = eye - face.edges[0]->startVertex->position;
    v.normalize();
    return face.normal.dot(v) > 0.0f;
}

// Every edge's flags zero, every vertex's flags zero.
void expectClean(const WingedEdgeList& list, const char* what)
{
    for (const WingedEdgeMesh& mesh : list.meshes) {
        for (const WEEdge& e : mesh.edges)
            EXPECT_EQ(e.flags, 0) << what << ": edge " << e.id;
        for (const WEVertex& v : mesh.vertices)
            EXPECT_EQ(v.flags, 0) << what << ": vertex " << v.id;
    }
}

// The orthographic search by brute force: normals on both sides of the
// plane perpendicular to d.
SilhouetteExtractor::SilhouetteSearch bruteForceSearch(WingedEdgeList& list)
{
    return [&list](int32_t mesh, const SbVec3f& d, const std::function<void(WEEdge*)>& found) {
        for (WEEdge& e : list.meshes[size_t(mesh)].edges) {
            if (e.leftFace == nullptr || e.rightFace == nullptr)
                continue;
            if ((e.leftFace->normal.dot(d) > 0.0f) != (e.rightFace->normal.dot(d) > 0.0f))
                found(&e);
        }
    };
}

TEST(SilhouetteExtractorTest, PerspectiveSelectsExactlyTheEdgesBetweenFrontAndBackFaces)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    struct Case {
        const char* name;
        StripInput input;
    };
    const Case cases[] = { { "sphere", makeSphere(18, 24) }, { "torus", makeTorus(24, 16, 1.0f, 0.35f) } };
    for (const Case& c : cases) {
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, c.input);
        SilhouetteExtractor extractor;
        SilhouetteExtractor::Repairs off;
        off.triangleChunks = off.zigZags = false;
        for (int trial = 0; trial < 20; ++trial) {
            SbVec3f eye(unit(random), unit(random), unit(random));
            eye.normalize();
            eye *= 3.0f + 4.0f * std::fabs(unit(random));
            std::vector<SilhouetteExtractor::Edge> out;
            extractor.perspective(list, 0.0, eye, -1, off, out);
            EdgeSet expected;
            for (const WEEdge& e : list.meshes[0].edges)
                if (e.leftFace && e.rightFace && facing(*e.leftFace, eye) != facing(*e.rightFace, eye))
                    expected.insert({ 0, e.id });
            EXPECT_EQ(asSet(out), expected) << c.name << " eye " << trial;
            EXPECT_FALSE(expected.empty()) << c.name;
            expectClean(list, c.name);
        }
    }
}

TEST(SilhouetteExtractorTest, CubeSharpEdgesAndTheirThreshold)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    SilhouetteExtractor extractor;
    const SbVec3f eye(3.0f, 2.5f, 4.0f);
    std::vector<SilhouetteExtractor::Edge> out;
    extractor.perspective(list, 115.0, eye, -1, SilhouetteExtractor::Repairs(), out);
    // The twelve cube edges (not the diagonals of the sides) and the silhouette.
    EdgeSet expected;
    for (const WEEdge& e : list.meshes[0].edges) {
        const bool cubeEdge = e.leftFace->normal.dot(e.rightFace->normal) < 0.5f;
        if (cubeEdge || facing(*e.leftFace, eye) != facing(*e.rightFace, eye))
            expected.insert({ 0, e.id });
    }
    EXPECT_EQ(expected.size(), 12u);
    EXPECT_EQ(asSet(out), expected);
    EXPECT_EQ(extractor.sharpEdges(0).size(), 12u);
    EXPECT_TRUE(extractor.borderEdges(0).empty());

    // Without sharp edges only the silhouette: six cube edges for this eye.
    extractor.invalidate();
    out.clear();
    extractor.perspective(list, 0.0, eye, -1, SilhouetteExtractor::Repairs(), out);
    EXPECT_EQ(out.size(), 6u);
    for (const SilhouetteExtractor::Edge& e : out)
        EXPECT_NE(facing(*e.edge->leftFace, eye), facing(*e.edge->rightFace, eye));

    // 115 degrees: faces at 65 degrees to each other meet at exactly the
    // threshold and do not make a sharp edge; a little more does.
    EXPECT_NEAR(SilhouetteExtractor::sharpThreshold(115.0), std::cos(65.0 * std::acos(-1.0) / 180.0), 1e-15);
    EXPECT_EQ(SilhouetteExtractor::sharpThreshold(0.0), -1.0);
    WingedEdgeList hinge;
    WingedEdgeMesh::buildFromStrips(hinge, 0, stripsFromTriangles({ { 0, 0, 0 }, { 0, 1, 0 }, { 1, 0, 0 }, { -1, 0, 0 } },
                                                                  { { 0, 2, 1 }, { 0, 1, 3 } }));
    WEEdge* shared = nullptr;
    for (WEEdge& e : hinge.meshes[0].edges)
        if (!e.isBoundary())
            shared = &e;
    ASSERT_NE(shared, nullptr);
    for (const auto& [degrees, sharp] : { std::pair<double, bool>{ 65.0, false }, { 65.01, true }, { 64.99, false } }) {
        const double radians = degrees * std::acos(-1.0) / 180.0;
        shared->leftFace->normal.setValue(0, 0, 1);
        shared->rightFace->normal.setValue(float(std::sin(radians)), 0.0f, float(std::cos(radians)));
        SilhouetteExtractor fresh;
        out.clear();
        fresh.perspective(hinge, 115.0, SbVec3f(0, 0, 5), -1, SilhouetteExtractor::Repairs(), out);
        EXPECT_EQ(fresh.sharpEdges(0).size(), sharp ? 1u : 0u) << degrees << " degrees";
        EXPECT_EQ(fresh.borderEdges(0).size(), 4u);
    }
}

TEST(SilhouetteExtractorTest, OrthographicPathShapeKeyAndClassificationCache)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(12, 16));
    WingedEdgeMesh::buildFromStrips(list, 7, makeCube());
    list.meshes[1].setObjectIndex();
    ASSERT_EQ(list.meshes[1].objectIndex, 7);
    SilhouetteExtractor extractor;
    const SilhouetteExtractor::SilhouetteSearch search = bruteForceSearch(list);
    SilhouetteExtractor::Repairs off;
    off.triangleChunks = off.zigZags = false;
    SbVec3f d(0.3f, -0.5f, 0.8f);
    d.normalize();

    std::vector<SilhouetteExtractor::Edge> out;
    extractor.orthographic(list, 115.0, d, d * -10.0f, -1, search, off, out);
    EdgeSet expected;
    for (size_t m = 0; m < list.meshes.size(); ++m)
        for (const WEEdge& e : list.meshes[m].edges) {
            const bool silhouette = (e.leftFace->normal.dot(d) > 0) != (e.rightFace->normal.dot(d) > 0);
            const bool sharp = e.leftFace->normal.dot(e.rightFace->normal) < SilhouetteExtractor::sharpThreshold(115.0);
            if (silhouette || sharp)
                expected.insert({ int32_t(m), e.id });
        }
    EXPECT_EQ(asSet(out), expected);
    expectClean(list, "orthographic");

    // Only the mesh of object index 7; a key that names no mesh gives nothing.
    out.clear();
    extractor.orthographic(list, 115.0, d, d * -10.0f, 7, search, off, out);
    ASSERT_FALSE(out.empty());
    for (const SilhouetteExtractor::Edge& e : out)
        EXPECT_EQ(e.mesh, 1);
    out.clear();
    extractor.orthographic(list, 115.0, d, d * -10.0f, 3, search, off, out);
    EXPECT_TRUE(out.empty());

    // The classification stays until invalidated: a new angle alone does not
    // change the sharp edges.
    out.clear();
    extractor.perspective(list, 0.0, SbVec3f(0, 0, 9), -1, off, out);
    EXPECT_EQ(extractor.sharpEdges(1).size(), 12u);
    extractor.invalidate();
    out.clear();
    extractor.perspective(list, 0.0, SbVec3f(0, 0, 9), -1, off, out);
    EXPECT_TRUE(extractor.sharpEdges(1).empty());
}

// A face of the list's only mesh by its three corner positions (z = 0).
WEFace* faceAt(WingedEdgeList& list, std::vector<SbVec3f> corners)
{
    for (WEFace& face : list.meshes[0].faces) {
        int found = 0;
        for (const SbVec3f& c : corners)
            for (const WEEdge* e : face.edges)
                if (e->startVertex->position == c || e->endVertex->position == c) {
                    ++found;
                    break;
                }
        if (found == 3)
            return &face;
    }
    return nullptr;
}

WEEdge* edgeAt(WingedEdgeList& list, const SbVec3f& a, const SbVec3f& b)
{
    for (WEEdge& e : list.meshes[0].edges)
        if ((e.startVertex->position == a && e.endVertex->position == b) ||
            (e.startVertex->position == b && e.endVertex->position == a))
            return &e;
    return nullptr;
}

TEST(SilhouetteExtractorTest, ZigZagAroundATriangleSeenEdgeOnTakesItsThirdEdge)
{
    // Around F: w = F A B nearly edge-on, T1, T2, T4 turned away; T3 beyond
    // A B turned towards the view. The silhouette runs A F B around w; the
    // straighter line is A B.
    const SbVec3f F(0, 0, 0), A(1, 0, 0), B(0, 1, 0), Q(-1, 0, 0), P(0, -1, 0), R(1, 1, 0);
    const SbVec3f d(0, 0, 1);
    for (float g : { 0.02f, 0.05f }) {
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, stripsFromTriangles({ F, A, B, Q, P, R },
                                                                     { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 },
                                                                       { 0, 4, 1 }, { 1, 5, 2 } }));
        WEFace* w = faceAt(list, { F, A, B });
        ASSERT_NE(w, nullptr);
        w->normal.setValue(std::sqrt(1.0f - g * g), 0.0f, g);
        for (auto corners : { std::vector<SbVec3f>{ F, B, Q }, { F, Q, P }, { F, P, A } })
            faceAt(list, corners)->normal.setValue(0, 0, -1);
        faceAt(list, { A, R, B })->normal.setValue(0, 0, 1);

        SilhouetteExtractor extractor;
        std::vector<SilhouetteExtractor::Edge> out;
        extractor.orthographic(list, 0.0, d, d * -10.0f, -1, bruteForceSearch(list), SilhouetteExtractor::Repairs(),
                               out);
        const EdgeSet got = asSet(out);
        const bool repaired = g <= 0.03f;
        EXPECT_EQ(got.count({ 0, edgeAt(list, A, B)->id }), repaired ? 1u : 0u) << "g " << g;
        EXPECT_EQ(got.count({ 0, edgeAt(list, F, A)->id }), repaired ? 0u : 1u) << "g " << g;
        EXPECT_EQ(got.count({ 0, edgeAt(list, F, B)->id }), repaired ? 0u : 1u) << "g " << g;
        // The five border edges stay.
        EXPECT_EQ(got.size(), size_t(5 + (repaired ? 1 : 2))) << "g " << g;
        expectClean(list, "zig-zag");

        // Switched off, the zig-zag stays.
        SilhouetteExtractor::Repairs off;
        off.zigZags = false;
        out.clear();
        extractor.orthographic(list, 0.0, d, d * -10.0f, -1, bruteForceSearch(list), off, out);
        EXPECT_EQ(asSet(out).count({ 0, edgeAt(list, A, B)->id }), 0u);
    }
}

TEST(SilhouetteExtractorTest, TriangleChunkKeepsTheNearerWayThrough)
{
    // A grid in z = 0 viewed along +z. Turned away: the lower half and a
    // finger of two columns reaching up from the middle, except the
    // triangle c = U V W at its foot: c is a small island whose three edges
    // are all silhouette, touching the left part's outline at U and the
    // right part's at V. Of the two ways from U to V through it, the direct
    // edge U V stays near the eye below; U W V reaches farther up and goes.
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeGrid(8));
    const SbVec3f U(3, 4, 0), V(4, 4, 0), W(4, 5, 0);
    WEFace* c = faceAt(list, { U, V, W });
    ASSERT_NE(c, nullptr);
    for (WEFace& face : list.meshes[0].faces) {
        SbVec3f centre(0, 0, 0);
        for (const WEEdge* e : face.edges)
            centre += e->startVertex->position + e->endVertex->position;
        centre /= 6.0f;
        const bool finger = centre[0] > 3.0f && centre[0] < 5.0f && centre[1] > 4.0f &&
                            !(centre[1] < 5.0f && centre[0] > 4.0f && centre[0] - 4.0f > centre[1] - 4.0f);
        const bool away = centre[1] < 4.0f || (finger && &face != c);
        face.normal.setValue(0, 0, away ? -1.0f : 1.0f);
    }
    const SbVec3f d(0, 0, 1);
    const SbVec3f eye(3.5f, -30.0f, -10.0f);

    SilhouetteExtractor extractor;
    SilhouetteExtractor::Repairs off;
    off.triangleChunks = off.zigZags = false;
    std::vector<SilhouetteExtractor::Edge> out;
    extractor.orthographic(list, 0.0, d, eye, -1, bruteForceSearch(list), off, out);
    const EdgeSet unrepaired = asSet(out);
    const int32_t uv = edgeAt(list, U, V)->id, uw = edgeAt(list, U, W)->id, vw = edgeAt(list, V, W)->id;
    for (int32_t id : { uv, uw, vw })
        ASSERT_EQ(unrepaired.count({ 0, id }), 1u) << "chunk edge " << id << " is not selected";

    SilhouetteExtractor::Repairs chunksOnly;
    chunksOnly.zigZags = false;
    out.clear();
    extractor.orthographic(list, 0.0, d, eye, -1, bruteForceSearch(list), chunksOnly, out);
    EdgeSet expected = unrepaired;
    expected.erase({ 0, uw });
    expected.erase({ 0, vw });
    EXPECT_EQ(asSet(out), expected) << "seen from below";
    EXPECT_NE(c->flags & SilhouetteExtractor::CHUNK_FACE, 0) << "the chunk face keeps its mark";
    expectClean(list, "chunk");

    // Seen from above, W is the nearest corner: the way through it stays.
    out.clear();
    extractor.orthographic(list, 0.0, d, SbVec3f(3.5f, 30.0f, -10.0f), -1, bruteForceSearch(list), chunksOnly, out);
    expected = unrepaired;
    expected.erase({ 0, uv });
    EXPECT_EQ(asSet(out), expected) << "seen from above";
    expectClean(list, "chunk from above");
}

} // namespace
