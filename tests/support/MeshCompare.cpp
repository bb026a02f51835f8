// Field-by-field comparison of two meshes, for tests.

#include "support/MeshCompare.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Bit for bit, so that a copied NaN compares equal to its original.
bool sameBits(const SbVec3f& a, const SbVec3f& b)
{
    return std::memcmp(a.getValue(), b.getValue(), 3 * sizeof(float)) == 0;
}

} // namespace

void expectSameMesh(const WingedEdgeMesh& a, const WingedEdgeMesh& b)
{
    ASSERT_EQ(a.vertices.size(), b.vertices.size());
    ASSERT_EQ(a.edges.size(), b.edges.size());
    ASSERT_EQ(a.faces.size(), b.faces.size());
    EXPECT_EQ(a.objectIndex, b.objectIndex);
    EXPECT_EQ(a.vertexCount, b.vertexCount);
    EXPECT_EQ(a.edgeCount, b.edgeCount);
    EXPECT_EQ(a.faceCount, b.faceCount);
    auto v = b.vertices.begin();
    for (const WEVertex& x : a.vertices) {
        EXPECT_EQ(x.id, v->id);
        EXPECT_TRUE(sameBits(x.position, v->position)) << "vertex " << x.id;
        EXPECT_TRUE(sameBits(x.normal, v->normal)) << "vertex " << x.id;
        ASSERT_EQ(x.edges.size(), v->edges.size()) << "vertex " << x.id;
        for (size_t i = 0; i < x.edges.size(); ++i)
            EXPECT_EQ(x.edges[i]->id, v->edges[i]->id) << "vertex " << x.id;
        ++v;
    }
    auto id = [](const auto* p) { return p != nullptr ? p->id : -1; };
    auto e = b.edges.begin();
    for (const WEEdge& x : a.edges) {
        EXPECT_EQ(x.id, e->id);
        EXPECT_EQ(id(x.leftNext), id(e->leftNext)) << "edge " << x.id;
        EXPECT_EQ(id(x.leftPrev), id(e->leftPrev)) << "edge " << x.id;
        EXPECT_EQ(id(x.rightNext), id(e->rightNext)) << "edge " << x.id;
        EXPECT_EQ(id(x.rightPrev), id(e->rightPrev)) << "edge " << x.id;
        EXPECT_EQ(id(x.startVertex), id(e->startVertex)) << "edge " << x.id;
        EXPECT_EQ(id(x.endVertex), id(e->endVertex)) << "edge " << x.id;
        EXPECT_EQ(id(x.leftFace), id(e->leftFace)) << "edge " << x.id;
        EXPECT_EQ(id(x.rightFace), id(e->rightFace)) << "edge " << x.id;
        EXPECT_EQ(x.flags, e->flags) << "edge " << x.id;
        ++e;
    }
    auto f = b.faces.begin();
    for (const WEFace& x : a.faces) {
        EXPECT_EQ(x.id, f->id);
        EXPECT_TRUE(sameBits(x.normal, f->normal)) << "face " << x.id;
        ASSERT_EQ(x.edges.size(), f->edges.size());
        for (size_t i = 0; i < x.edges.size(); ++i)
            EXPECT_EQ(x.edges[i]->id, f->edges[i]->id) << "face " << x.id;
        ++f;
    }
}

