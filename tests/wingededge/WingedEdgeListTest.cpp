// The mesh list: deep copy, connecting objects, settings and totals.

#include <gtest/gtest.h>

#include <unordered_set>

#include "support/MeshBuilders.h"
#include "support/MeshCompare.h"
#include "wingededge/WingedEdge.h"

namespace {

// Every handle held by a record of `copy` points into `copy` and none into `original`.
void expectSelfContained(const WingedEdgeMesh& copy, const WingedEdgeMesh& original)
{
    std::unordered_set<const void*> theirs;
    for (const WEVertex& v : original.vertices)
        theirs.insert(&v);
    for (const WEEdge& e : original.edges)
        theirs.insert(&e);
    for (const WEFace& f : original.faces)
        theirs.insert(&f);
    for (const WEEdge& e : copy.edges) {
        for (const void* p : { static_cast<const void*>(e.leftNext), static_cast<const void*>(e.leftPrev),
                               static_cast<const void*>(e.rightNext), static_cast<const void*>(e.rightPrev),
                               static_cast<const void*>(e.startVertex), static_cast<const void*>(e.endVertex),
                               static_cast<const void*>(e.leftFace), static_cast<const void*>(e.rightFace) })
            EXPECT_EQ(theirs.count(p), 0u) << "edge " << e.id << " still points into the original";
    }
    for (const WEVertex& v : copy.vertices)
        for (const WEEdge* e : v.edges)
            EXPECT_EQ(theirs.count(e), 0u) << "vertex " << v.id;
    for (const WEFace& f : copy.faces)
        for (const WEEdge* e : f.edges)
            EXPECT_EQ(theirs.count(e), 0u) << "face " << f.id;
    EXPECT_EQ(copy.checkConsistency(), "");
}

} // namespace

TEST(WingedEdgeList, DeepCopyIsIndependent)
{
    WingedEdgeList original;
    WingedEdgeMesh::buildFromStrips(original, 0, makeSphere(5, 7));
    WingedEdgeMesh::buildFromStrips(original, 3, makeGrid(3));
    original.setCurvatureMode(4);
    original.setThreshold(0.25);
    original.setVisualizationMode(6);
    original.upToDate = 1;
    original.modificationsApplied = 1;
    original.classified = 1;
    original.renderCacheValid = 1;
    original.meshes[0].edges.front().spare = 17;
    original.meshes[0].edges.front().flags = 2;

    WingedEdgeList copy;
    copy = original;
    EXPECT_EQ(copy.getCurvatureMode(), 4);
    EXPECT_EQ(copy.getThreshold(), 0.25);
    EXPECT_EQ(copy.getVisualizationMode(), 6);
    EXPECT_EQ(copy.upToDate, 1);
    EXPECT_EQ(copy.modificationsApplied, 1);
    EXPECT_EQ(copy.classified, 0) << "the target's own cache word";
    EXPECT_EQ(copy.renderCacheValid, 0) << "the target's own cache word";
    ASSERT_EQ(copy.meshes.size(), 2u);
    for (size_t m = 0; m < 2; ++m) {
        SCOPED_TRACE(m);
        expectSameMesh(original.meshes[m], copy.meshes[m]);
        expectSelfContained(copy.meshes[m], original.meshes[m]);
    }
    EXPECT_EQ(copy.meshes[0].edges.front().spare, 0);
    EXPECT_EQ(copy.meshes[0].edges.front().flags, 2);

    // Changing the copy leaves the original alone, and the copy outlives it.
    copy.meshes[0].vertices.front().position = SbVec3f(9, 9, 9);
    EXPECT_NE(original.meshes[0].vertices.front().position, SbVec3f(9, 9, 9));
    {
        WingedEdgeList temporary(original);
        copy = temporary;
    }
    original.clear();
    EXPECT_EQ(copy.meshes[1].checkConsistency(), "");
    EXPECT_EQ(copy.totalFaceCount(), 2 * 7 * 4 + 2 * 3 * 3);
}

TEST(WingedEdgeList, DeepCopyWithoutDenseIds)
{
    // A mesh in the middle of an edit, with repeated and sparse ids, still
    // copies with every handle resolved to the matching record.
    WingedEdgeList original;
    WingedEdgeMesh& mesh = buildSingle(original, makeCube());
    for (WEEdge& e : mesh.edges)
        e.id = 1000 + (e.id % 3);
    for (WEVertex& v : mesh.vertices)
        v.id = -v.id;
    WingedEdgeList copy(original);
    const WingedEdgeMesh& copied = copy.meshes[0];
    auto source = mesh.edges.begin();
    std::unordered_set<const void*> mine;
    for (const WEEdge& e : copied.edges)
        mine.insert(&e);
    for (const WEEdge& e : copied.edges) {
        // The wing at the same list position, found by walking both lists.
        const auto position = [](const WingedEdgeMesh::EdgeList& list, const WEEdge* p) {
            size_t i = 0;
            for (const WEEdge& x : list) {
                if (&x == p)
                    return i;
                ++i;
            }
            return size_t(-1);
        };
        EXPECT_EQ(position(copied.edges, e.leftNext), position(mesh.edges, source->leftNext));
        EXPECT_EQ(position(copied.edges, e.rightPrev), position(mesh.edges, source->rightPrev));
        EXPECT_EQ(e.startVertex->position, source->startVertex->position);
        EXPECT_EQ(mine.count(e.leftNext), 1u);
        ++source;
    }
}

TEST(WingedEdgeList, ConnectObjectsMergesIntoTheFirstMesh)
{
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 2, makeCube());
    WingedEdgeMesh::buildFromStrips(list, 5, makeTetrahedron());
    WingedEdgeMesh::buildFromStrips(list, 9, makeGrid(2));
    const int v = list.totalVertexCount(), e = list.totalEdgeCount(), f = list.totalFaceCount();
    EXPECT_EQ(v, 8 + 4 + 9);
    EXPECT_EQ(e, 18 + 6 + 16);
    EXPECT_EQ(f, 12 + 4 + 8);

    list.connectObjects();
    ASSERT_EQ(list.meshes.size(), 1u);
    const WingedEdgeMesh& mesh = list.meshes[0];
    EXPECT_EQ(mesh.vertexCount, v);
    EXPECT_EQ(mesh.edgeCount, e);
    EXPECT_EQ(mesh.faceCount, f);
    EXPECT_EQ(mesh.objectIndex, 2);
    EXPECT_EQ(mesh.checkConsistency(), "");
    for (const WEFace& face : mesh.faces)
        EXPECT_EQ(face.objectIndex, 2) << "face " << face.id;
    for (const WEVertex& vertex : mesh.vertices)
        EXPECT_EQ(vertex.objectIndex, 2) << "vertex " << vertex.id;
    // The cube's records come first, unchanged in order.
    EXPECT_EQ(mesh.vertices.front().position, SbVec3f(-0.5f, -0.5f, -0.5f));
}

TEST(WingedEdgeList, SettingsAndClear)
{
    WingedEdgeList list;
    EXPECT_EQ(list.getCurvatureMode(), 1);
    EXPECT_EQ(list.getThreshold(), 0.01);
    EXPECT_EQ(list.getVisualizationMode(), 2);
    EXPECT_EQ(list.upToDate, 0);
    list.renderCacheValid = 1;
    list.setVisualizationMode(3);
    EXPECT_EQ(list.renderCacheValid, 0) << "a new mode invalidates the drawing caches";

    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    list.upToDate = list.classified = list.modificationsApplied = 1;
    list.clear();
    EXPECT_TRUE(list.meshes.empty());
    EXPECT_EQ(list.getVisualizationMode(), 2);
    EXPECT_EQ(list.upToDate + list.classified + list.modificationsApplied + list.renderCacheValid, 0);
    EXPECT_EQ(list.totalFaceCount(), 0);

    WingedEdgeList empty;
    empty.connectObjects();
    EXPECT_TRUE(empty.meshes.empty());
}
