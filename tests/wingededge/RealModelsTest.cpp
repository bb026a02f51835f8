// SoGenerateWingedEdge on the real models of the Inventor data set.
//
// Every *.iv file below $QUILLMAP_MODELS (ctest sets it; unset, the
// inventor-data location /usr/share/inventor/data/models) is read with
// SoDB::readAll and put under an SoGenerateWingedEdge, which an
// SoCallbackAction traverses once. What the meshes must hold is taken from
// Coin itself, by the triangle callback of a second SoCallbackAction over the
// model: the triangles Coin generates for each SoIndexedTriangleStripSet,
// their coordinate indices and their corner positions, brought into the
// generator's coordinate system by the model matrix. Nothing of the mesh
// builder's own choice of coordinates goes into them.
//
// Triangles with a repeated coordinate index are not faces; every other
// triangle is one face, and an index pair used by one triangle is one border
// edge, by two triangles one edge with a face on either side. Pairs used by
// three or more triangles are not a 2-manifold there: the builder says so,
// and keeps between half of them and all of them as edges.
//
// The whole data set (about a hundred files, half of them with strip sets)
// takes about a second, and about ten in a debug build under AddressSanitizer.

#include <Inventor/SbMatrix.h>
#include <Inventor/SbVec3d.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/SbBox3f.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/details/SoPointDetail.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/CoinShapes.h"
#include "support/DebugErrorCollector.h"
#include "support/RealModels.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace {

namespace fs = std::filesystem;

const char* const kManifoldMessage = "Error: This is not a 2-manifold!";

// Triangle counts known for a few models; the sweep must find them all.
const std::map<std::string, int> kKnownFaceCounts = {
    { "scenes/chesschairs.iv", 11520 },
    { "chair.iv", 3440 },
    { "sgi/indigo.iv", 10187 },
};
// Models with edges that three or more triangles share.
const std::set<std::string> kKnownNonManifold = { "chair.iv", "vehicles/f16.iv" };

// The three corner positions of a triangle, sorted, so that the same
// triangle compares equal whatever its orientation and starting corner.
typedef std::array<float, 9> Corners;

Corners cornersOf(const SbVec3f& a, const SbVec3f& b, const SbVec3f& c)
{
    std::array<std::array<float, 3>, 3> p = { { { a[0], a[1], a[2] }, { b[0], b[1], b[2] }, { c[0], c[1], c[2] } } };
    std::sort(p.begin(), p.end());
    Corners out;
    for (size_t i = 0; i < 9; ++i)
        out[i] = p[i / 3][i % 3];
    return out;
}

typedef std::pair<int32_t, int32_t> IndexPair;

IndexPair indexPair(int32_t a, int32_t b)
{
    return { std::min(a, b), std::max(a, b) };
}

// What Coin generates for one strip set.
struct StripSetFacts {
    int triangles = 0;                 // distinct coordinate indices
    int zeroArea = 0;                  // of those, no unit normal from the corners
    std::map<int32_t, SbVec3f> points; // coordinate index -> position, for the indices used
    std::map<IndexPair, int> pairUse;  // triangles on each undirected index pair
    std::vector<Corners> corners;      // one entry per triangle, sorted
    int indexWithTwoPositions = -1;    // a coordinate index met at two positions
};

SoCallbackAction::Response startStripSet(void* data, SoCallbackAction*, const SoNode*)
{
    static_cast<std::vector<StripSetFacts>*>(data)->emplace_back();
    return SoCallbackAction::CONTINUE;
}

void addTriangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* v0, const SoPrimitiveVertex* v1,
                 const SoPrimitiveVertex* v2)
{
    StripSetFacts& facts = static_cast<std::vector<StripSetFacts>*>(data)->back();
    const SoFaceDetail* detail = dynamic_cast<const SoFaceDetail*>(v0->getDetail());
    if (detail == nullptr || detail->getNumPoints() != 3) {
        ADD_FAILURE() << "Coin's triangle has no face detail with three points";
        return;
    }
    const SoPrimitiveVertex* vertex[3] = { v0, v1, v2 };
    int32_t index[3];
    SbVec3f point[3];
    for (int i = 0; i < 3; ++i) {
        index[i] = detail->getPoint(i)->getCoordinateIndex();
        action->getModelMatrix().multVecMatrix(vertex[i]->getPoint(), point[i]);
    }
    if (index[0] == index[1] || index[1] == index[2] || index[0] == index[2])
        return;
    ++facts.triangles;
    for (int i = 0; i < 3; ++i) {
        const auto known = facts.points.emplace(index[i], point[i]);
        if (!known.second && known.first->second != point[i])
            facts.indexWithTwoPositions = index[i];
        ++facts.pairUse[indexPair(index[i], index[(i + 1) % 3])];
    }
    facts.corners.push_back(cornersOf(point[0], point[1], point[2]));
    const SbVec3d a(point[0][0], point[0][1], point[0][2]);
    const SbVec3d b(point[1][0], point[1][1], point[1][2]);
    const SbVec3d c(point[2][0], point[2][1], point[2][2]);
    const double area = (b - a).cross(c - a).length();
    facts.zeroArea += (area == 0.0 || !std::isfinite(area)) ? 1 : 0;
}

std::vector<StripSetFacts> coinFacts(SoNode* root)
{
    std::vector<StripSetFacts> all;
    SoCallbackAction action;
    action.addPreCallback(SoIndexedTriangleStripSet::getClassTypeId(), startStripSet, &all);
    action.addTriangleCallback(SoIndexedTriangleStripSet::getClassTypeId(), addTriangle, &all);
    action.apply(root);
    for (StripSetFacts& facts : all)
        std::sort(facts.corners.begin(), facts.corners.end());
    return all;
}

bool finite(const SbVec3f& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// Every check on one mesh against what Coin generated for its strip set.
void checkMesh(const WingedEdgeMesh& mesh, const StripSetFacts& facts)
{
    EXPECT_EQ(mesh.checkConsistency(), "");
    EXPECT_EQ(facts.indexWithTwoPositions, -1) << "Coin placed a coordinate index at two positions";
    EXPECT_EQ(mesh.faceCount, facts.triangles) << "faces";
    EXPECT_EQ(mesh.vertexCount, int(facts.points.size())) << "vertices against the coordinate indices used";

    int flagged = 0, otherObject = 0, zeroNormals = 0;
    for (const WEVertex& v : mesh.vertices) {
        flagged += v.flags != 0;
        otherObject += v.objectIndex != mesh.objectIndex;
        EXPECT_TRUE(finite(v.normal)) << "vertex " << v.id;
    }
    for (const WEEdge& e : mesh.edges) {
        flagged += e.flags != 0;
        otherObject += e.objectIndex != mesh.objectIndex;
    }
    std::vector<Corners> built;
    for (const WEFace& f : mesh.faces) {
        flagged += f.flags != 0;
        otherObject += f.objectIndex != mesh.objectIndex;
        const float length = f.normal.length();
        EXPECT_TRUE(finite(f.normal) && (length == 0.0f || std::fabs(length - 1.0f) < 1e-5f))
            << "face " << f.id << " normal length " << length;
        zeroNormals += length == 0.0f;
        std::vector<const WEVertex*> corner;
        for (const WEEdge* e : f.edges)
            for (const WEVertex* v : { e->startVertex, e->endVertex })
                if (std::find(corner.begin(), corner.end(), v) == corner.end())
                    corner.push_back(v);
        ASSERT_EQ(corner.size(), 3u) << "face " << f.id << " is not a triangle";
        built.push_back(cornersOf(corner[0]->position, corner[1]->position, corner[2]->position));
    }
    EXPECT_EQ(flagged, 0) << "records with flags set";
    EXPECT_EQ(otherObject, 0) << "records with another object index";
    EXPECT_EQ(zeroNormals, facts.zeroArea) << "faces without a normal";
    std::sort(built.begin(), built.end());
    EXPECT_TRUE(built == facts.corners) << "the faces are not Coin's triangles at Coin's positions";

    // The edges of each index pair. Positions name the coordinate indices
    // where they are unique; pairs touching a shared position are only
    // counted in the totals.
    std::map<SbVec3f, int32_t, bool (*)(const SbVec3f&, const SbVec3f&)> indexAt(
        [](const SbVec3f& a, const SbVec3f& b) {
            return std::lexicographical_compare(a.getValue(), a.getValue() + 3, b.getValue(), b.getValue() + 3);
        });
    for (const auto& point : facts.points)
        if (!indexAt.emplace(point.second, point.first).second)
            indexAt[point.second] = -1;
    struct Found {
        int edges = 0, twoSided = 0;
    };
    std::map<IndexPair, Found> found;
    for (const WEEdge& e : mesh.edges) {
        const int32_t a = indexAt.count(e.startVertex->position) ? indexAt[e.startVertex->position] : -1;
        const int32_t b = indexAt.count(e.endVertex->position) ? indexAt[e.endVertex->position] : -1;
        if (a < 0 || b < 0)
            continue;
        Found& f = found[indexPair(a, b)];
        ++f.edges;
        f.twoSided += !e.isBoundary();
    }
    int leastEdges = 0, mostEdges = 0;
    for (const auto& use : facts.pairUse) {
        const int k = use.second;
        leastEdges += (k + 1) / 2;
        mostEdges += k <= 2 ? 1 : k;
        if (indexAt[facts.points.at(use.first.first)] < 0 || indexAt[facts.points.at(use.first.second)] < 0)
            continue;
        const Found f = found[use.first];
        if (k <= 2) {
            EXPECT_EQ(f.edges, 1) << "index pair " << use.first.first << "-" << use.first.second << " of " << k
                                  << " triangles";
            EXPECT_EQ(f.twoSided, k - 1) << "index pair " << use.first.first << "-" << use.first.second << " of "
                                         << k << " triangles";
        } else {
            EXPECT_TRUE(f.edges >= (k + 1) / 2 && f.edges <= k)
                << "index pair " << use.first.first << "-" << use.first.second << " of " << k << " triangles has "
                << f.edges << " edges";
        }
    }
    EXPECT_TRUE(mesh.edgeCount >= leastEdges && mesh.edgeCount <= mostEdges)
        << mesh.edgeCount << " edges, expected " << leastEdges << " to " << mostEdges;
}

SoSeparator* readModel(const std::string& path)
{
    SoInput in;
    if (!in.openFile(path.c_str()))
        return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    in.closeFile();
    return root;
}

// The number a "<n> of <m> faces are degenerate" line names, or -1.
int degenerateCount(const std::string& message)
{
    const size_t at = message.find(" faces are degenerate");
    if (at == std::string::npos)
        return -1;
    size_t begin = message.rfind(": ", at);
    begin = begin == std::string::npos ? 0 : begin + 2;
    int n = -1;
    return std::sscanf(message.c_str() + begin, "%d of", &n) == 1 ? n : -1;
}

// Builds the meshes of one model and checks them; returns false when the
// model reaches no strip set.
bool checkModel(const std::string& relative)
{
    SCOPED_TRACE("model " + relative);
    SoSeparator* root = readModel((fs::path(realModelsDirectory()) / relative).string());
    if (root == nullptr)
        return false;
    root->ref();
    const std::vector<StripSetFacts> facts = coinFacts(root);
    if (facts.empty()) {
        root->unref();
        return false;
    }

    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    generator->addChild(root);
    DebugErrorCollector messages;
    testing::internal::CaptureStdout();
    SoCallbackAction action;
    action.apply(generator);
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    const WingedEdgeList& list = generator->getOutputList();

    int triangles = 0, zeroArea = 0, mostOnAPair = 0;
    for (const StripSetFacts& f : facts) {
        triangles += f.triangles;
        zeroArea += f.zeroArea;
        for (const auto& use : f.pairUse)
            mostOnAPair = std::max(mostOnAPair, use.second);
    }
    std::printf("[ model    ] %s strip sets %zu faces %d edges %d vertices %d\n", relative.c_str(), facts.size(),
                list.totalFaceCount(), list.totalEdgeCount(), list.totalVertexCount());

    // One mesh per strip set, in traversal order.
    EXPECT_EQ(list.meshes.size(), facts.size()) << "meshes";
    for (size_t m = 0; m < list.meshes.size() && m < facts.size(); ++m) {
        SCOPED_TRACE("mesh " + std::to_string(m));
        EXPECT_EQ(list.meshes[m].objectIndex, int(m));
        checkMesh(list.meshes[m], facts[m]);
    }
    const auto known = kKnownFaceCounts.find(relative);
    if (known != kKnownFaceCounts.end()) {
        EXPECT_EQ(triangles, known->second) << "Coin's triangles";
    }

    const bool saysNonManifold = printed.find(kManifoldMessage) != std::string::npos;
    if (mostOnAPair < 3) {
        EXPECT_FALSE(saysNonManifold) << "no index pair has three triangles, yet stdout: " << printed;
    }
    if (kKnownNonManifold.count(relative) != 0) {
        EXPECT_TRUE(saysNonManifold) << "stdout: " << printed;
    }

    // The generator's only diagnostic here is the count of degenerate faces.
    int reported = 0;
    for (const std::string& message : messages.messages) {
        const int n = degenerateCount(message);
        EXPECT_GE(n, 0) << "unexpected message: " << message;
        reported += std::max(n, 0);
    }
    EXPECT_EQ(reported, zeroArea) << "degenerate faces reported";
    EXPECT_LE(messages.messages.size(), 1u) << "one report per build";

    generator->unref();
    root->unref();
    return true;
}

} // namespace

TEST(RealModels, EveryModelBuildsCoinsTriangles)
{
    const std::string dir = realModelsDirectory();
    std::error_code error;
    if (dir.empty() || !fs::is_directory(dir, error))
        GTEST_SKIP() << "QUILLMAP_MODELS (\"" << dir << "\") is not a directory";

    std::set<std::string> withStripSets;
    for (const std::string& relative : discoverRealModels())
        if (checkModel(relative))
            withStripSets.insert(relative);

    std::set<std::string> known(kKnownNonManifold);
    for (const auto& entry : kKnownFaceCounts)
        known.insert(entry.first);
    for (const std::string& relative : known)
        EXPECT_EQ(withStripSets.count(relative), 1u) << relative << " was not found or reaches no strip set";
}

namespace {

SbBox3f boxOf(const WingedEdgeList& list)
{
    SbBox3f box;
    for (const WingedEdgeMesh& mesh : list.meshes)
        for (const WEVertex& v : mesh.vertices)
            box.extendBy(v.position);
    return box;
}

} // namespace

// The chair holds strip sets for its seat and face sets for everything
// above: only building from every shape gives the whole chair.
TEST(RealModels, ChairFromEveryShape)
{
    const std::string path = (fs::path(realModelsDirectory()) / "chair.iv").string();
    SoSeparator* root = readModel(path);
    ASSERT_NE(root, nullptr) << path;
    root->ref();
    const std::vector<CoinShape> coin = coinShapes(root);
    SoGetBoundingBoxAction bound(SbViewportRegion(100, 100));
    bound.apply(root);
    const SbBox3f whole = bound.getBoundingBox();

    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    generator->addChild(root);
    testing::internal::CaptureStdout();
    SoCallbackAction action;
    action.apply(generator);
    const SbBox3f stripsOnly = boxOf(generator->getOutputList());
    const int stripFaces = generator->getOutputList().totalFaceCount();

    generator->buildFromAllShapes = TRUE;
    generator->requestRebuild();
    action.apply(generator);
    testing::internal::GetCapturedStdout();
    const WingedEdgeList& list = generator->getOutputList();

    EXPECT_EQ(stripFaces, kKnownFaceCounts.at("chair.iv")) << "strip sets only, as before";
    ASSERT_EQ(list.meshes.size(), coin.size()) << "one mesh per shape";
    for (size_t m = 0; m < coin.size(); ++m) {
        SCOPED_TRACE("mesh " + std::to_string(m));
        EXPECT_EQ(list.meshes[m].faceCount, coin[m].faces);
        EXPECT_EQ(list.meshes[m].checkConsistency(), "");
        SbBox3f own;
        for (const WEVertex& v : list.meshes[m].vertices)
            own.extendBy(v.position);
        EXPECT_LT((own.getMin() - coin[m].box.getMin()).length() + (own.getMax() - coin[m].box.getMax()).length(),
                  1e-4f)
            << "where Coin puts the shape's triangles";
    }
    const int coinTotal = coinFaceCount(coin);
    EXPECT_EQ(list.totalFaceCount(), coinTotal);
    std::printf("[ chair    ] shapes %zu faces %d (strip sets only %d)\n", coin.size(), coinTotal, stripFaces);

    // The meshes reach as far as Coin's own box of the model; the strip sets
    // alone stop below the backrest.
    const SbBox3f built = boxOf(list);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(built.getMin()[i], whole.getMin()[i], 1e-4f) << "axis " << i;
        EXPECT_NEAR(built.getMax()[i], whole.getMax()[i], 1e-4f) << "axis " << i;
    }
    // y is up in the chair's file.
    const float height = whole.getMax()[1] - whole.getMin()[1];
    EXPECT_LT(stripsOnly.getMax()[1], whole.getMax()[1] - 0.25f * height) << "the backrest is not a strip set";

    generator->unref();
    root->unref();
}
