// The operations of the modification pass on hand-worked meshes (welding,
// large faces, sharp edges, smoothing, the face budget), the modification
// node in a scene, and every real strip model through one step of each kind.

#include <gtest/gtest.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cmath>
#include <string>
#include <vector>

#include "modify/SoModifyWingedEdge.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/MeshCompare.h"
#include "support/RealModels.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

namespace {

const double kPi = std::acos(-1.0);

StripInput moved(StripInput in, const SbVec3f& offset)
{
    for (SbVec3f& p : in.coordinates)
        p += offset;
    return in;
}

int countFlagged(const WingedEdgeMesh& mesh, int edgeBit, int& vertices)
{
    vertices = 0;
    for (const WEVertex& v : mesh.vertices)
        vertices += (v.flags & WingedEdgeMesh::VERTEX_SHARP) != 0;
    int edges = 0;
    for (const WEEdge& e : mesh.edges)
        edges += (e.flags & edgeBit) != 0;
    return edges;
}

int boundaryEdges(const WingedEdgeMesh& mesh)
{
    int n = 0;
    for (const WEEdge& e : mesh.edges)
        n += e.isBoundary();
    return n;
}

bool allFlagsZero(const WingedEdgeList& list)
{
    for (const WingedEdgeMesh& mesh : list.meshes) {
        for (const WEVertex& v : mesh.vertices)
            if (v.flags != 0)
                return false;
        for (const WEEdge& e : mesh.edges)
            if (e.flags != 0)
                return false;
        for (const WEFace& f : mesh.faces)
            if (f.flags != 0)
                return false;
    }
    return true;
}

// "Separator { SoGenerateWingedEdge { model } SoCallback SoModifyWingedEdge }",
// where the callback, while `dirty` is set, sets every flag word of a fresh
// list, so that a pass that forgets to clear them shows.
class Scene {
public:
    explicit Scene(const StripInput& in)
    {
        root = new SoSeparator;
        root->ref();
        generator = new SoGenerateWingedEdge;
        SoCoordinate3* coordinates = new SoCoordinate3;
        coordinates->point.setValues(0, int(in.coordinates.size()), in.coordinates.data());
        SoIndexedTriangleStripSet* strips = new SoIndexedTriangleStripSet;
        std::vector<int32_t> index;
        size_t at = 0;
        for (int32_t length : in.stripLengths) {
            index.insert(index.end(), in.coordIndex.begin() + long(at), in.coordIndex.begin() + long(at + size_t(length)));
            index.push_back(-1);
            at += size_t(length);
        }
        strips->coordIndex.setValues(0, int(index.size()), index.data());
        generator->addChild(coordinates);
        generator->addChild(strips);
        root->addChild(generator);
        SoCallback* dirty = new SoCallback;
        dirty->setCallback(dirtyFlags, this);
        root->addChild(dirty);
        modifier = new SoModifyWingedEdge;
        root->addChild(modifier);
    }
    ~Scene() { root->unref(); }

    const WingedEdgeList& traverse(void)
    {
        SoCallbackAction action;
        action.apply(root);
        return generator->getOutputList();
    }

    SoSeparator* root;
    SoGenerateWingedEdge* generator;
    SoModifyWingedEdge* modifier;
    bool dirty = false;

private:
    static void dirtyFlags(void* self, SoAction* action)
    {
        WingedEdgeList* list = SoWingedEdgeElement::get(action->getState());
        if (!static_cast<Scene*>(self)->dirty || list == nullptr || list->modificationsApplied)
            return;
        for (WingedEdgeMesh& mesh : list->meshes) {
            for (WEVertex& v : mesh.vertices)
                v.flags = 0x7;
            for (WEEdge& e : mesh.edges)
                e.flags = 0x70;
            for (WEFace& f : mesh.faces)
                f.flags = 0x3;
        }
    }
};

} // namespace

// Without anything switched on the pass changes no record, but leaves every
// flag word zero and the list marked; a changed field waits for invalidate,
// and then the operations run in their fixed order once per refresh,
// whichever action comes first.
TEST(SoModifyWingedEdge, PassRunsOncePerRefreshInItsFixedOrder)
{
    Scene scene(makeCube());
    EXPECT_EQ(scene.modifier->getNumFaces(), 0) << "no list seen yet";
    scene.dirty = true;
    const WingedEdgeList& list = scene.traverse();
    scene.dirty = false;
    WingedEdgeList built;
    buildSingle(built, makeCube());
    ASSERT_EQ(list.meshes.size(), 1u);
    built.meshes[0].clearMarks();
    expectSameMesh(list.meshes[0], built.meshes[0]);
    EXPECT_EQ(list.modificationsApplied, 1);
    EXPECT_TRUE(allFlagsZero(list));
    EXPECT_EQ(scene.modifier->getNumObjects(), 1);
    EXPECT_EQ(scene.modifier->getNumFaces(), 12);
    EXPECT_EQ(scene.modifier->getNumEdges(), 18);
    EXPECT_EQ(scene.modifier->getNumVertices(), 8);

    // Large faces first make six squares; Catmull-Clark dividing then cuts
    // each into four and the result into triangles: 48. The other order
    // would give 72 triangles that large faces would merge into six squares.
    scene.modifier->polygonationMode = TRUE;
    scene.modifier->dividingMode = 2;
    scene.modifier->dividingSteps = 1;
    scene.traverse();
    EXPECT_EQ(scene.modifier->getNumFaces(), 12) << "fields take effect only after invalidate";
    scene.modifier->invalidate();
    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(scene.root);
    EXPECT_EQ(scene.modifier->getNumFaces(), 48);
    scene.traverse();
    EXPECT_EQ(scene.modifier->getNumFaces(), 48) << "modified a second time";
    EXPECT_EQ(scene.modifier->getNumVertices(), 26);
    EXPECT_EQ(list.meshes[0].checkConsistency(), "");
    EXPECT_TRUE(allFlagsZero(list));
}

// Connects the list's meshes and expects one closed consistent mesh of
// these counts.
void expectConnectedClosed(WingedEdgeList& list, int vertices, int edges, int faces)
{
    list.connectMeshes();
    ASSERT_EQ(list.meshes.size(), 1u);
    const WingedEdgeMesh& mesh = list.meshes[0];
    EXPECT_EQ(mesh.checkConsistency(), "");
    EXPECT_EQ(mesh.vertexCount, vertices);
    EXPECT_EQ(mesh.edgeCount, edges);
    EXPECT_EQ(mesh.faceCount, faces);
    EXPECT_EQ(boundaryEdges(mesh), 0);
}

// Two unit cubes side by side share a square: welding joins its four
// corners (8 + 8 - 4 vertices), every edge keeps its faces. A cube cut into
// two open halves as two objects comes back as one closed cube with its
// normals outside.
TEST(MeshOperations, ConnectMeshesWeldsTouchingObjects)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    WingedEdgeMesh::buildFromStrips(list, 1, moved(makeCube(), SbVec3f(1.0f, 0.0f, 0.0f)));
    expectConnectedClosed(list, 12, 36, 24);

    const StripInput cube = makeCube();
    StripInput lower = cube, upper = cube;
    lower.stripLengths.resize(6);
    lower.coordIndex.resize(18);
    lower.normalIndex.resize(18);
    upper.stripLengths.erase(upper.stripLengths.begin(), upper.stripLengths.begin() + 6);
    upper.coordIndex.erase(upper.coordIndex.begin(), upper.coordIndex.begin() + 18);
    upper.normalIndex.erase(upper.normalIndex.begin(), upper.normalIndex.begin() + 18);
    WingedEdgeList halves;
    WingedEdgeMesh::buildFromStrips(halves, 0, lower);
    WingedEdgeMesh::buildFromStrips(halves, 1, upper);
    ASSERT_GT(boundaryEdges(halves.meshes[0]), 0);
    expectConnectedClosed(halves, 8, 18, 12);
    const WingedEdgeMesh& closed = halves.meshes[0];
    for (const WEFace& f : closed.faces) {
        SbVec3f centre(0.0f, 0.0f, 0.0f);
        for (const WEEdge* e : f.edges)
            centre += e->startVertex->position + e->endVertex->position;
        EXPECT_GT(f.normal.dot(centre), 0.0f) << "face " << f.id << " points inwards";
        EXPECT_EQ(f.objectIndex, 0);
    }
}

// Two triangles over the diagonal of the unit square, the far corner raised
// so that the normals are `degrees` apart: the tilt about the diagonal is
// atan(height / (sqrt(2) / 2)).
WingedEdgeMesh& foldedSquare(WingedEdgeList& list, double degrees)
{
    const float height = float(std::tan(degrees * kPi / 180.0) / std::sqrt(2.0));
    return buildSingle(list, stripsFromTriangles({ SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0),
                                                   SbVec3f(1, 1, height) },
                                                 { { 0, 1, 2 }, { 1, 3, 2 } }));
}

TEST(MeshOperations, MergeCoplanarFacesIntoLargeFaces)
{
    WingedEdgeList near, far;
    WingedEdgeMesh& merged = foldedSquare(near, 0.1);
    const SbVec3f n1 = merged.faces.front().normal, n2 = merged.faces.back().normal;
    EXPECT_NEAR(std::asin(double(n1.cross(n2).length())) * 180.0 / kPi, 0.1, 0.001);
    merged.mergeCoplanarFaces(0.2);
    EXPECT_EQ(merged.checkConsistency(), "");
    ASSERT_EQ(merged.faceCount, 1);
    EXPECT_EQ(merged.faces.front().edges.size(), 4u);
    EXPECT_EQ(merged.edgeCount, 4);
    EXPECT_EQ(merged.vertexCount, 4);
    SbVec3f expected = n1 + n2;
    expected.normalize();
    EXPECT_LT((merged.faces.front().normal - expected).length(), 1e-6f);

    WingedEdgeMesh& apart = foldedSquare(far, 0.3);
    apart.mergeCoplanarFaces(0.2);
    EXPECT_EQ(apart.faceCount, 2);
    EXPECT_EQ(apart.edgeCount, 5);

    // A cube becomes six squares; a flat 4 x 4 grid one polygon along its
    // sixteen border edges, the nine inner vertices gone.
    WingedEdgeList cubeList, gridList;
    WingedEdgeMesh& cube = buildSingle(cubeList, makeCube());
    cube.mergeCoplanarFaces(0.2);
    EXPECT_EQ(cube.checkConsistency(), "");
    EXPECT_EQ(cube.faceCount, 6);
    EXPECT_EQ(cube.edgeCount, 12);
    EXPECT_EQ(cube.vertexCount, 8);
    WingedEdgeMesh& grid = buildSingle(gridList, makeGrid(4));
    grid.mergeCoplanarFaces(0.2);
    EXPECT_EQ(grid.checkConsistency(), "");
    EXPECT_EQ(grid.faceCount, 1);
    EXPECT_EQ(grid.edgeCount, 16);
    EXPECT_EQ(grid.vertexCount, 16);

    // A flat frame around a square hole cannot become one face with a hole:
    // the faces stay polygons bounded by one cycle each.
    std::vector<SbVec3f> points;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            points.emplace_back(float(x), float(y), 0.0f);
    std::vector<Triangle> frame;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            if (x == 1 && y == 1)
                continue;
            const int a = y * 4 + x;
            frame.push_back({ a, a + 1, a + 5 });
            frame.push_back({ a, a + 5, a + 4 });
        }
    WingedEdgeList frameList;
    WingedEdgeMesh& ring = buildSingle(frameList, stripsFromTriangles(points, frame));
    ring.mergeCoplanarFaces(0.2);
    EXPECT_EQ(ring.checkConsistency(), "");
    EXPECT_GE(ring.faceCount, 2);
    EXPECT_EQ(boundaryEdges(ring), 16) << "the outer and the inner border stay";
}

// A cube's edges have normals 90 degrees apart: sharp below 115 degrees
// (cos 65 > 0), not below 80 (cos 100 < 0). The diagonals are flat. Border
// edges are sharp at any angle.
TEST(MeshOperations, MarkSharpEdges)
{
    WingedEdgeList list;
    WingedEdgeMesh& cube = buildSingle(list, makeCube());
    int vertices = 0;
    cube.markSharpEdges(115.0);
    EXPECT_EQ(countFlagged(cube, WingedEdgeMesh::EDGE_SHARP, vertices), 12);
    EXPECT_EQ(vertices, 8);
    cube.clearMarks();
    cube.markSharpEdges(80.0);
    EXPECT_EQ(countFlagged(cube, WingedEdgeMesh::EDGE_SHARP, vertices), 0);
    EXPECT_EQ(vertices, 0);

    WingedEdgeList gridList;
    WingedEdgeMesh& grid = buildSingle(gridList, makeGrid(3));
    grid.markSharpEdges(1.0);
    EXPECT_EQ(countFlagged(grid, WingedEdgeMesh::EDGE_SHARP, vertices), 12);
    EXPECT_EQ(vertices, 12);
    for (const WEEdge& e : grid.edges)
        EXPECT_EQ((e.flags & WingedEdgeMesh::EDGE_SHARP) != 0, e.isBoundary()) << "edge " << e.id;
}

// On the regular octahedron of radius 1 every vertex has four edges and
// four faces, each counted twice; their centroids average to p / 3, so
// d = 2/3 p, the vertex keeps 1 - 4/5 of d and gets d/5 from each of four
// neighbours whose directions cancel: it ends at 1 - 8/15 = 7/15.
TEST(MeshOperations, Smoothing)
{
    WingedEdgeList list;
    buildSingle(list, makeOctahedron(1.0f));
    list.smooth(1, 1.0);
    for (const WEVertex& v : list.meshes[0].vertices)
        EXPECT_NEAR(v.position.length(), 7.0 / 15.0, 1e-6) << "vertex " << v.id;
    for (const WEFace& f : list.meshes[0].faces)
        EXPECT_NEAR(f.normal.length(), 1.0, 1e-6) << "face normals are recomputed";

    WingedEdgeList still, original;
    buildSingle(still, makeSphere(6, 8));
    buildSingle(original, makeSphere(6, 8));
    still.smooth(5, 0.0);
    expectSameMesh(still.meshes[0], original.meshes[0]);
}

// Unknown modes and counts of zero or below change nothing and run no step.
TEST(MeshOperations, UnknownModesAndStepCountsChangeNothing)
{
    WingedEdgeList list, original;
    buildSingle(list, makeSphere(5, 7));
    buildSingle(original, makeSphere(5, 7));
    for (int mode : { 0, 5, -1 }) {
        EXPECT_EQ(list.subdivide(mode, 2, SoModifyWingedEdge::kDefaultFaceBudget), 0) << "mode " << mode;
        EXPECT_EQ(list.divide(mode == 5 ? 1 : mode, 2, SoModifyWingedEdge::kDefaultFaceBudget), 0);
        EXPECT_EQ(list.subdivideAdaptively(mode == 0 ? 2 : mode, 2, SoModifyWingedEdge::kDefaultFaceBudget), 0);
    }
    EXPECT_EQ(list.subdivide(3, -2, SoModifyWingedEdge::kDefaultFaceBudget), 0);
    expectSameMesh(list.meshes[0], original.meshes[0]);
}

// Every step is weighed against the budget before it runs: Loop makes four
// triangles of each, Catmull-Clark two of each face corner (the cube's 36
// corners give 72). A stopped sequence leaves a consistent mesh, and the node
// says once how far it got.
TEST(MeshOperations, FaceBudgetStopsRefinementBeforeTheStepThatExceedsIt)
{
    WingedEdgeList list;
    const int faces = buildSingle(list, makeSphere(6, 8)).faceCount;
    EXPECT_EQ(list.subdivide(WingedEdgeMesh::LOOP, 3, 16 * int64_t(faces)), 2);
    EXPECT_EQ(list.totalFaceCount(), 16 * faces);
    EXPECT_EQ(list.meshes[0].checkConsistency(), "");
    EXPECT_EQ(list.subdivide(WingedEdgeMesh::LOOP, 1, 4 * 16 * int64_t(faces) - 1), 0);
    EXPECT_EQ(list.totalFaceCount(), 16 * faces);

    WingedEdgeList cubes;
    buildSingle(cubes, makeCube());
    EXPECT_EQ(cubes.divide(WingedEdgeMesh::CATMULL_CLARK, 1, 71), 0);
    EXPECT_EQ(cubes.totalFaceCount(), 12);
    EXPECT_EQ(cubes.divide(WingedEdgeMesh::CATMULL_CLARK, 1, 72), 1);
    EXPECT_EQ(cubes.totalFaceCount(), 72);

    Scene scene(makeCube());
    scene.modifier->subdivisionSteps = 4;
    const int64_t budget = SoModifyWingedEdge::getFaceBudget();
    SoModifyWingedEdge::setFaceBudget(12 * 16);
    DebugErrorCollector messages;
    const WingedEdgeList& modified = scene.traverse();
    SoModifyWingedEdge::setFaceBudget(budget);
    EXPECT_EQ(modified.totalFaceCount(), 12 * 16);
    EXPECT_EQ(modified.meshes[0].checkConsistency(), "");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("2 of 4 steps applied"), std::string::npos) << messages.messages[0];
    EXPECT_NE(messages.messages[0].find("face budget of 192"), std::string::npos) << messages.messages[0];
}

// Every strip model of the Inventor data set stays consistent under one
// step of each kind of refinement, and after large faces.
TEST(MeshOperations, RealModelsStayConsistent)
{
    const std::vector<std::string> models = discoverRealModels();
    if (models.empty())
        GTEST_SKIP() << "no real models installed";
    int checked = 0;
    for (const std::string& relative : models) {
        SoInput in;
        if (!in.openFile((realModelsDirectory() + "/" + relative).c_str()))
            continue;
        SoSeparator* model = SoDB::readAll(&in);
        if (model == nullptr)
            continue;
        SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
        generator->ref();
        generator->addChild(model);
        testing::internal::CaptureStdout();
        SoCallbackAction action;
        action.apply(generator);
        const WingedEdgeList built = generator->getOutputList();
        generator->unref();
        if (built.meshes.empty()) {
            testing::internal::GetCapturedStdout();
            continue;
        }
        ++checked;
        const int64_t budget = SoModifyWingedEdge::kDefaultFaceBudget;
        WingedEdgeList loop = built, catmullClark = built, smoothed = built, large = built;
        loop.subdivide(WingedEdgeMesh::LOOP, 1, budget);
        catmullClark.subdivide(WingedEdgeMesh::CATMULL_CLARK, 1, budget);
        smoothed.smooth(1, 1.0);
        large.mergeCoplanarFaces(0.2);
        testing::internal::GetCapturedStdout();
        const std::pair<const char*, const WingedEdgeList*> results[] = {
            { "Loop", &loop }, { "Catmull-Clark", &catmullClark }, { "smoothing", &smoothed }, { "large faces", &large }
        };
        for (const auto& result : results)
            for (const WingedEdgeMesh& mesh : result.second->meshes)
                EXPECT_EQ(mesh.checkConsistency(), "") << relative << " object " << mesh.objectIndex << " after "
                                                       << result.first;
        EXPECT_EQ(loop.totalFaceCount(), 4 * built.totalFaceCount()) << relative;
    }
    EXPECT_GT(checked, 10);
}
