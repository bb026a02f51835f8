// Fuzz harness of mesh construction: bytes become up to three triangle-strip
// sets (any coordinates, indices, normal arrays and strip lengths), built
// into one list and checked, deep-copied, connected into one mesh, welded at
// equal positions and rebuilt, and given to the curvature estimation.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "modify/Curvature.h"
#include "support/MeshCompare.h"
#include "wingededge/WingedEdge.h"

#include "FuzzInput.h"

namespace {

// Sizes stay small so that one run takes about a millisecond.
const uint32_t kMaxCoordinates = 64;
const uint32_t kMaxStrips = 32;

StripInput decodeStrips(FuzzInput& in)
{
    StripInput s;
    s.coordinates.resize(in.below(kMaxCoordinates + 1));
    s.normals.resize(in.below(kMaxCoordinates + 1)); // as many as the coordinates, or not
    s.stripLengths.resize(in.below(kMaxStrips + 1));
    s.coordIndex.resize(in.byte());
    // Usually one normal index per corner; otherwise any other count.
    const uint8_t normalIndices = in.byte();
    s.normalIndex.resize(normalIndices < 0xC0 ? s.coordIndex.size() : normalIndices - 0xC0u);

    for (SbVec3f& p : s.coordinates)
        p.setValue(in.coordinate(), in.coordinate(), in.coordinate());
    for (SbVec3f& n : s.normals)
        n.setValue(in.coordinate(), in.coordinate(), in.coordinate());
    for (int32_t& length : s.stripLengths)
        length = in.length();
    for (int32_t& i : s.coordIndex)
        i = in.index(int32_t(s.coordinates.size()));
    for (int32_t& i : s.normalIndex)
        i = in.index(int32_t(s.normals.size()));
    return s;
}

// Faces and vertices a build must make, counted straight from the strips
// when their lengths are well formed (none negative, together no longer than
// the index list): one face per strip triangle with three different
// coordinate indices, all of them and the corners' normal indices inside
// their arrays; one vertex per coordinate index used by such a face.
struct Expected {
    bool known = false;
    size_t faces = 0;
    size_t vertices = 0;
};

Expected expectedCounts(const StripInput& s)
{
    Expected e;
    size_t total = 0;
    for (int32_t length : s.stripLengths) {
        if (length < 0)
            return e;
        total += size_t(length);
    }
    if (total > s.coordIndex.size())
        return e;
    e.known = true;
    auto inRange = [](int32_t i, size_t count) { return i >= 0 && size_t(i) < count; };
    std::set<int32_t> used;
    size_t start = 0;
    for (int32_t length : s.stripLengths) {
        for (size_t j = start + 2; j < start + size_t(length); ++j) {
            bool keep = true;
            for (size_t k = j - 2; k <= j; ++k)
                keep = keep && inRange(s.coordIndex[k], s.coordinates.size()) && k < s.normalIndex.size()
                    && inRange(s.normalIndex[k], s.normals.size());
            const int32_t a = s.coordIndex[j - 2], b = s.coordIndex[j - 1], c = s.coordIndex[j];
            if (!keep || a == b || b == c || a == c)
                continue;
            ++e.faces;
            used.insert({a, b, c});
        }
        start += size_t(length);
    }
    e.vertices = used.size();
    return e;
}

bool hasNaN(const SbVec3f& v)
{
    return std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2]);
}

// Whether all coordinates of the face's corners are multiples of 1/4 below
// 64 in size: then every difference and cross product of them is exact, and
// normals computed from any corner agree.
bool onGrid(const WEFace& f)
{
    for (const WEEdge* e : f.edges)
        for (const WEVertex* v : {e->startVertex, e->endVertex})
            for (int i = 0; i < 3; ++i) {
                const float c = v->position[i] * 4.0f;
                if (!(std::fabs(c) <= 256.0f) || c != std::round(c))
                    return false;
            }
    return true;
}

// Every face normal is a unit vector, or zero where none exists, whatever
// the coordinates. The normal each face got while it was built and oriented
// agrees with the one computed again from its wing cycle: a face whose edges
// were reversed without its normal, or the other way round, points the
// other way.
void checkFaceNormals(const WingedEdgeMesh& mesh)
{
    WingedEdgeMesh recomputed(mesh);
    recomputed.computeFaceNormals();
    auto face = recomputed.faces.begin();
    for (const WEFace& f : mesh.faces) {
        const SbVec3f& again = (face++)->normal;
        const float length = f.normal.length();
        ASSERT_TRUE(f.normal == SbVec3f(0.0f, 0.0f, 0.0f) || std::fabs(length - 1.0f) < 1e-5f)
            << "face " << f.id << ": normal (" << f.normal[0] << ", " << f.normal[1] << ", " << f.normal[2]
            << ") is neither a unit vector nor zero";
        if (!onGrid(f) || f.normal == SbVec3f(0.0f, 0.0f, 0.0f))
            continue;
        ASSERT_GT(f.normal.dot(again), 0.999f) << "face " << f.id << ": built (" << f.normal[0] << ", " << f.normal[1]
                                               << ", " << f.normal[2] << "), from its cycle (" << again[0] << ", "
                                               << again[1] << ", " << again[2] << ")";
    }
}

// What connecting objects goes on to do once the meshes are one: vertices
// at equal positions take one id, and the construction passes rebuild the
// connectivity from the ids. Like the modification, it welds only when no
// edge is so short that its two ends would weld.
void weldAndRebuild(WingedEdgeMesh& mesh)
{
    for (const WEEdge& e : mesh.edges)
        if (!((e.endVertex->position - e.startVertex->position).length() > 0.0f))
            return;
    // Equal as numbers: -0 is 0, and a NaN equals nothing.
    std::map<std::array<float, 3>, int32_t> idAt;
    int32_t ids = 0;
    const size_t faces = mesh.faces.size();
    for (WEVertex& v : mesh.vertices) {
        const SbVec3f& p = v.position;
        if (hasNaN(p)) {
            v.id = ids++;
            continue;
        }
        const auto known = idAt.emplace(std::array<float, 3>{p[0] + 0.0f, p[1] + 0.0f, p[2] + 0.0f}, ids);
        v.id = known.first->second;
        ids += known.second ? 1 : 0;
    }
    for (WEEdge& e : mesh.edges)
        e.flags = e.isBoundary() ? 0 : WEEdge::TWO_SIDED;
    mesh.weldVertices();
    mesh.orientAndPair();
    mesh.renumber();
    mesh.linkBoundaryWings();
    mesh.clearMarks(); // as every modification pass ends
    ASSERT_EQ("", mesh.checkConsistency()) << "after welding equal positions";
    ASSERT_EQ(size_t(ids), mesh.vertices.size()) << "vertices after welding";
    ASSERT_EQ(faces, mesh.faces.size()) << "faces after welding";
}

void checkCurvature(const WingedEdgeMesh& mesh, int mode, double threshold)
{
    int32_t largest = -1;
    for (const WEVertex& v : mesh.vertices) {
        largest = std::max(largest, v.id);
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        ASSERT_TRUE(std::isfinite(k.kmax) && std::isfinite(k.kmin) && k.kmax >= k.kmin)
            << "vertex " << v.id << ": kmax " << k.kmax << ", kmin " << k.kmin;
        for (const SbVec3f& d : {k.dmax, k.dmin})
            ASSERT_TRUE(std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]))
                << "vertex " << v.id << ": direction (" << d[0] << ", " << d[1] << ", " << d[2] << ")";
    }
    const auto values = curvatureValues(mesh, mode, threshold);
    const bool hasArray = mode >= 1 && mode <= 9 && mode != 6;
    ASSERT_EQ(hasArray, values.has_value()) << "mode " << mode;
    if (!values)
        return;
    ASSERT_EQ(size_t(largest + 1), values->size()) << "mode " << mode;
}

void run(FuzzInput& in)
{
    const int objects = 1 + int(in.below(3));
    const int mode = int(in.below(11));
    const uint8_t t = in.byte();
    const double threshold = t < 0xF0 ? (int(t) - 40) / 200.0 : double(in.coordinate());

    WingedEdgeList list;
    int32_t vertices = 0, edges = 0, faces = 0;
    for (int o = 0; o < objects; ++o) {
        const StripInput strips = decodeStrips(in);
        WingedEdgeMesh::buildFromStrips(list, o, strips);
        const WingedEdgeMesh& mesh = list.meshes.back();
        EXPECT_EQ("", mesh.checkConsistency()) << "object " << o;
        const Expected expected = expectedCounts(strips);
        if (expected.known) {
            EXPECT_EQ(expected.faces, mesh.faces.size()) << "object " << o;
            EXPECT_EQ(expected.vertices, mesh.vertices.size()) << "object " << o;
        }
        vertices += mesh.vertexCount;
        edges += mesh.edgeCount;
        faces += mesh.faceCount;
    }

    WingedEdgeList copy;
    copy = list;
    ASSERT_EQ(list.meshes.size(), copy.meshes.size());
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        EXPECT_EQ("", copy.meshes[m].checkConsistency()) << "copy of object " << m;
        expectSameMesh(list.meshes[m], copy.meshes[m]);
        checkFaceNormals(list.meshes[m]);
    }

    copy.connectObjects();
    ASSERT_EQ(size_t(1), copy.meshes.size());
    WingedEdgeMesh& joined = copy.meshes.front();
    EXPECT_EQ("", joined.checkConsistency()) << "connected objects";
    EXPECT_EQ(vertices, joined.vertexCount);
    EXPECT_EQ(edges, joined.edgeCount);
    EXPECT_EQ(faces, joined.faceCount);
    for (const WEFace& f : joined.faces)
        ASSERT_EQ(0, f.objectIndex) << "face " << f.id << " keeps its object index after connecting";
    // The copy and the connection leave the original alone.
    for (size_t m = 0; m < list.meshes.size(); ++m)
        EXPECT_EQ("", list.meshes[m].checkConsistency()) << "object " << m << " after copying";

    weldAndRebuild(joined);
    checkCurvature(joined, mode, threshold);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    run(in);
    return 0;
}
