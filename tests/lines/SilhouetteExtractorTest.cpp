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

#include "lines/GaussMap.h"
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
    // Around F: w = F A B nearly edge-on, T1, T2, T4 turned towards the
    // view; T3 beyond A B turned away. The silhouette runs A F B around w;
    // the straighter line is A B. Seen in parallel along +z, and in
    // perspective from far away on the same side, where w's angle to the
    // line of sight from its corner is about the same.
    const SbVec3f F(0, 0, 0), A(1, 0, 0), B(0, 1, 0), Q(-1, 0, 0), P(0, -1, 0), R(1, 1, 0);
    const SbVec3f d(0, 0, 1), far(0.2f, 0.3f, -1000.0f);
    for (bool perspective : { false, true })
        for (float g : { 0.02f, 0.05f }) {
            const std::string what = std::string(perspective ? "perspective" : "parallel") + ", g " + std::to_string(g);
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

            auto run = [&](const SilhouetteExtractor::Repairs& repairs) {
                SilhouetteExtractor extractor;
                std::vector<SilhouetteExtractor::Edge> out;
                if (perspective)
                    extractor.perspective(list, 0.0, far, -1, repairs, out);
                else
                    extractor.orthographic(list, 0.0, d, far, -1, bruteForceSearch(list), repairs, out);
                expectClean(list, what.c_str());
                return asSet(out);
            };
            const EdgeSet got = run(SilhouetteExtractor::Repairs());
            const bool repaired = g <= 0.03f;
            EXPECT_EQ(got.count({ 0, edgeAt(list, A, B)->id }), repaired ? 1u : 0u) << what;
            EXPECT_EQ(got.count({ 0, edgeAt(list, F, A)->id }), repaired ? 0u : 1u) << what;
            EXPECT_EQ(got.count({ 0, edgeAt(list, F, B)->id }), repaired ? 0u : 1u) << what;
            // The five border edges stay.
            EXPECT_EQ(got.size(), size_t(5 + (repaired ? 1 : 2))) << what;

            // Switched off, the zig-zag stays.
            SilhouetteExtractor::Repairs off;
            off.zigZags = false;
            EXPECT_EQ(run(off).count({ 0, edgeAt(list, A, B)->id }), 0u) << what;
        }
}

TEST(SilhouetteExtractorTest, FacesWithoutANormalTurnNowhereInEitherView)
{
    // Faces of zero area have no normal. An edge next to one is neither a
    // silhouette edge nor sharp, in perspective (per face against the eye)
    // and in parallel views (the Gauss map) alike, so that both views of a
    // model give the same outline.
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeSphere(12, 16));
    std::set<const WEFace*> without;
    int k = 0;
    for (WEFace& face : mesh.faces) {
        if (k++ % 7 != 3)
            continue;
        face.normal = k % 2 ? SbVec3f(0, 0, 0) : SbVec3f(NAN, 0, 1);
        without.insert(&face);
    }
    SilhouetteExtractor::Repairs off;
    off.triangleChunks = off.zigZags = false;
    GaussMapSearch gaussMap;
    gaussMap.build(list, false);
    const SilhouetteExtractor::SilhouetteSearch search = [&gaussMap](int32_t m, const SbVec3f& d,
                                                                      const std::function<void(WEEdge*)>& found) {
        gaussMap.query(size_t(m), d, found);
    };
    std::mt19937 random(17);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int compared = 0;
    for (int trial = 0; trial < 60; ++trial) {
        SbVec3f d(unit(random), unit(random), unit(random));
        d.normalize();
        bool clear = true;
        for (const WEFace& face : mesh.faces)
            clear = clear && (without.count(&face) || std::fabs(face.normal.dot(d)) > 1e-2f);
        if (!clear)
            continue;
        SilhouetteExtractor a, b;
        std::vector<SilhouetteExtractor::Edge> near, parallel;
        a.perspective(list, 115.0, d * -1e5f, -1, off, near);
        b.orthographic(list, 115.0, d, d * -1e5f, -1, search, off, parallel);
        EXPECT_EQ(asSet(near), asSet(parallel)) << "view " << trial;
        for (const SilhouetteExtractor::Edge& e : near)
            EXPECT_TRUE(!without.count(e.edge->leftFace) && !without.count(e.edge->rightFace))
                << "view " << trial << ": edge " << e.edge->id << " next to a face without a normal";
        EXPECT_FALSE(near.empty());
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

// Faces of a grid in z = 0 turned towards +z or away by the predicate, given
// each face's centre.
template <class Away>
void turnGridFaces(WingedEdgeList& list, Away away)
{
    for (WEFace& face : list.meshes[0].faces) {
        SbVec3f centre(0, 0, 0);
        for (const WEEdge* e : face.edges)
            centre += e->startVertex->position + e->endVertex->position;
        face.normal.setValue(0, 0, away(face, centre / 6.0f) ? -1.0f : 1.0f);
    }
}

TEST(SilhouetteExtractorTest, TriangleChunks)
{
    // A grid in z = 0 viewed along +z.
    const SbVec3f d(0, 0, 1), below(3.5f, -30.0f, -10.0f);
    SilhouetteExtractor::Repairs off, chunksOnly;
    off.triangleChunks = off.zigZags = false;
    chunksOnly.zigZags = false;
    const SbVec3f U(3, 4, 0), V(4, 4, 0), W(4, 5, 0);

    // An island: the triangle c = U V W is the only face turned towards the
    // view. Its three silhouette edges are a small closed loop that touches
    // no other line, and the repair takes it out.
    {
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, makeGrid(8));
        WEFace* c = faceAt(list, { U, V, W });
        ASSERT_NE(c, nullptr);
        turnGridFaces(list, [c](const WEFace& face, const SbVec3f&) { return &face != c; });
        SilhouetteExtractor extractor;
        std::vector<SilhouetteExtractor::Edge> out;
        extractor.orthographic(list, 0.0, d, below, -1, bruteForceSearch(list), off, out);
        EdgeSet loop;
        for (const WEEdge* e : c->edges)
            loop.insert({ 0, e->id });
        EXPECT_EQ(asSet(out).size(), 32u + 3u) << "the grid's border and the island";
        for (const auto& e : loop)
            EXPECT_EQ(asSet(out).count(e), 1u) << "island edge " << e.second;
        out.clear();
        extractor.orthographic(list, 0.0, d, below, -1, bruteForceSearch(list), chunksOnly, out);
        EXPECT_EQ(asSet(out).size(), 32u) << "only the grid's border is left";
        for (const auto& e : loop)
            EXPECT_EQ(asSet(out).count(e), 0u) << "island edge " << e.second;
        EXPECT_NE(c->flags & SilhouetteExtractor::CHUNK_FACE, 0) << "the chunk face keeps its mark";
        expectClean(list, "island");
    }

    // A chunk on the outline: turned away are the lower half and a finger
    // of two columns reaching up from the middle, except c at its foot,
    // which touches the left part's outline at U and the right part's at V.
    // Every trace into c turns around its corners in the faces' cycle
    // direction; the ways along the cycle wrap around c and come back to an
    // edge the trace has marked, and such a trace keeps everything it
    // marked: the chunk stays whole, as unrepaired.
    {
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, makeGrid(8));
        WEFace* c = faceAt(list, { U, V, W });
        ASSERT_NE(c, nullptr);
        turnGridFaces(list, [c](const WEFace& face, const SbVec3f& centre) {
            const bool finger = centre[0] > 3.0f && centre[0] < 5.0f && centre[1] > 4.0f &&
                                !(centre[1] < 5.0f && centre[0] > 4.0f && centre[0] - 4.0f > centre[1] - 4.0f);
            return centre[1] < 4.0f || (finger && &face != c);
        });
        SilhouetteExtractor extractor;
        std::vector<SilhouetteExtractor::Edge> out;
        extractor.orthographic(list, 0.0, d, below, -1, bruteForceSearch(list), off, out);
        const EdgeSet unrepaired = asSet(out);
        for (const WEEdge* e : c->edges)
            ASSERT_EQ(unrepaired.count({ 0, e->id }), 1u) << "chunk edge " << e->id << " is not selected";
        for (const SbVec3f& eye : { below, SbVec3f(3.5f, 30.0f, -10.0f) }) {
            out.clear();
            extractor.orthographic(list, 0.0, d, eye, -1, bruteForceSearch(list), chunksOnly, out);
            EXPECT_EQ(asSet(out), unrepaired) << "eye " << eye[1];
            EXPECT_NE(c->flags & SilhouetteExtractor::CHUNK_FACE, 0) << "the chunk face keeps its mark";
            expectClean(list, "chunk on the outline");
        }
    }
}

} // namespace
