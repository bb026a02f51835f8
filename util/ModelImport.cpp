// Reading model files: Inventor and VRML through Coin, every other format
// through Assimp, whose scenes are turned into strip-set subgraphs here.

#include "util/ModelImport.h"

#include "Quillmap.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMatrixTransform.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Open addressing over the bit patterns of the three coordinates. The table
// holds position numbers (-1 for an empty slot) and is kept at most half
// full, so probes stay short.
class PositionTable {
public:
    explicit PositionTable(size_t expected)
    {
        size_t capacity = 16;
        while (capacity < 2 * expected)
            capacity *= 2;
        slots.assign(capacity, -1);
        mask = capacity - 1;
    }

    // The number of the position equal to p, after adding it if it is new.
    int32_t find(const SbVec3f& p, std::vector<SbVec3f>& positions)
    {
        uint32_t bits[3];
        std::memcpy(bits, p.getValue(), sizeof bits);
        uint64_t h = (uint64_t(bits[0]) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(bits[1]) * 0xC2B2AE3D27D4EB4Full) ^
                     (uint64_t(bits[2]) * 0x165667B19E3779F9ull);
        h ^= h >> 29;
        for (size_t slot = size_t(h) & mask;; slot = (slot + 1) & mask) {
            const int32_t at = slots[slot];
            if (at < 0) {
                slots[slot] = int32_t(positions.size());
                positions.push_back(p);
                return slots[slot];
            }
            if (std::memcmp(positions[size_t(at)].getValue(), bits, sizeof bits) == 0)
                return at;
        }
    }

private:
    std::vector<int32_t> slots;
    size_t mask = 0;
};

bool isFinite(const SbVec3f& p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Assimp's matrices act on column vectors (translation in the last column),
// Inventor's on row vectors (translation in the last row): one is the
// transpose of the other.
SbMatrix toSbMatrix(const aiMatrix4x4& m)
{
    return SbMatrix(m.a1, m.b1, m.c1, m.d1,
                    m.a2, m.b2, m.c2, m.d2,
                    m.a3, m.b3, m.c3, m.d3,
                    m.a4, m.b4, m.c4, m.d4);
}

class SceneConverter {
public:
    explicit SceneConverter(const aiScene& scene)
        : scene(scene), meshNodes(scene.mNumMeshes, nullptr), meshDone(scene.mNumMeshes, false)
    {
    }

    Quillmap::SceneConversion run(void)
    {
        SoSeparator* root = nullptr;
        if (scene.mRootNode != nullptr) {
            root = convertNode(*scene.mRootNode);
        } else {
            // No node tree: every mesh once, untransformed.
            root = new SoSeparator;
            root->ref();
            for (unsigned int i = 0; i < scene.mNumMeshes; ++i)
                if (SoSeparator* mesh = meshNode(i))
                    root->addChild(mesh);
            root->unrefNoDelete();
        }
        // Every mesh that was made hangs below the root now (a node is kept
        // whenever it holds one).
        releaseMeshes();
        result.root = root;
        return result;
    }

private:
    // The subgraph of one node, or null when it draws no triangle.
    SoSeparator* convertNode(const aiNode& node)
    {
        SoSeparator* separator = new SoSeparator;
        separator->ref();
        if (!(node.mTransformation == aiMatrix4x4())) {
            SoMatrixTransform* transform = new SoMatrixTransform;
            transform->matrix.setValue(toSbMatrix(node.mTransformation));
            separator->addChild(transform);
        }
        const int before = separator->getNumChildren();
        for (unsigned int i = 0; i < node.mNumMeshes; ++i)
            if (node.mMeshes != nullptr && node.mMeshes[i] < scene.mNumMeshes)
                if (SoSeparator* mesh = meshNode(node.mMeshes[i]))
                    separator->addChild(mesh);
        for (unsigned int i = 0; i < node.mNumChildren; ++i)
            if (node.mChildren != nullptr && node.mChildren[i] != nullptr)
                if (SoSeparator* child = convertNode(*node.mChildren[i]))
                    separator->addChild(child);
        if (separator->getNumChildren() == before) {
            separator->unref();
            return nullptr;
        }
        separator->unrefNoDelete();
        return separator;
    }

    // The shared subgraph of mesh i, made on first use; null when the mesh
    // has no triangle to draw.
    SoSeparator* meshNode(unsigned int i)
    {
        if (!meshDone[i]) {
            meshDone[i] = true;
            if (scene.mMeshes != nullptr && scene.mMeshes[i] != nullptr)
                meshNodes[i] = convertMesh(*scene.mMeshes[i]);
            if (meshNodes[i] != nullptr)
                meshNodes[i]->ref();
        }
        return meshNodes[i];
    }

    void releaseMeshes(void)
    {
        for (SoSeparator* mesh : meshNodes)
            if (mesh != nullptr)
                mesh->unrefNoDelete();
    }

    // Whether a face of the mesh is a triangle of existing vertices.
    bool usable(const aiMesh& mesh, const aiFace& face) const
    {
        if (face.mNumIndices != 3 || face.mIndices == nullptr)
            return false;
        for (int k = 0; k < 3; ++k)
            if (face.mIndices[k] >= mesh.mNumVertices)
                return false;
        return true;
    }

    SoSeparator* convertMesh(const aiMesh& mesh)
    {
        if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || mesh.mVertices == nullptr ||
            mesh.mFaces == nullptr)
            return nullptr;
        Quillmap::joinPoints(mesh.mVertices, mesh.mNumVertices, joined);

        // The triangles to draw: joined positions and the file's own corner
        // numbers, which index its normals.
        triangles.positions.clear();
        corners.clear();
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (!usable(mesh, face))
                continue;
            const int32_t a = joined.index[face.mIndices[0]], b = joined.index[face.mIndices[1]],
                          c = joined.index[face.mIndices[2]];
            if (!isFinite(joined.positions[size_t(a)]) || !isFinite(joined.positions[size_t(b)]) ||
                !isFinite(joined.positions[size_t(c)])) {
                ++result.skipped;
                continue;
            }
            triangles.positions.insert(triangles.positions.end(), { a, b, c });
            corners.insert(corners.end(), { int32_t(face.mIndices[0]), int32_t(face.mIndices[1]),
                                            int32_t(face.mIndices[2]) });
        }
        if (triangles.positions.empty())
            return nullptr;
        result.triangles += int64_t(triangles.positions.size() / 3);

        // Corners of two triangles meet in a strip only where the file gives
        // them the same normal.
        const aiVector3D* normals = mesh.mNormals;
        triangles.normalKey.clear();
        if (normals != nullptr) {
            Quillmap::joinPoints(normals, mesh.mNumVertices, joinedNormals);
            for (int32_t corner : corners)
                triangles.normalKey.push_back(joinedNormals.index[size_t(corner)]);
        }
        Quillmap::makeStrips(triangles, joined.positions.size(), order);

        SoSeparator* separator = new SoSeparator;
        SoCoordinate3* coordinates = new SoCoordinate3;
        coordinates->point.setValues(0, int(joined.positions.size()), joined.positions.data());
        separator->addChild(coordinates);

        SoIndexedTriangleStripSet* strips = new SoIndexedTriangleStripSet;
        strips->coordIndex.setNum(int(order.size()));
        int32_t* coordIndex = strips->coordIndex.startEditing();
        for (size_t i = 0; i < order.size(); ++i)
            coordIndex[i] = order[i] < 0 ? -1 : triangles.positions[size_t(order[i])];
        strips->coordIndex.finishEditing();
        if (normals != nullptr) {
            SoNormal* normal = new SoNormal;
            normal->vector.setNum(int(mesh.mNumVertices));
            SbVec3f* out = normal->vector.startEditing();
            for (unsigned int v = 0; v < mesh.mNumVertices; ++v)
                out[v].setValue(normals[v].x, normals[v].y, normals[v].z);
            normal->vector.finishEditing();
            separator->addChild(normal);
            SoNormalBinding* binding = new SoNormalBinding;
            binding->value = SoNormalBinding::PER_VERTEX_INDEXED;
            separator->addChild(binding);
            strips->normalIndex.setNum(int(order.size()));
            int32_t* normalIndex = strips->normalIndex.startEditing();
            for (size_t i = 0; i < order.size(); ++i)
                normalIndex[i] = order[i] < 0 ? -1 : corners[size_t(order[i])];
            strips->normalIndex.finishEditing();
        }
        separator->addChild(strips);
        return separator;
    }

    const aiScene& scene;
    std::vector<SoSeparator*> meshNodes;
    std::vector<bool> meshDone;
    Quillmap::SceneConversion result;
    // Scratch of convertMesh, kept between meshes.
    Quillmap::JoinedPoints joined;
    Quillmap::JoinedPoints joinedNormals;
    Quillmap::StripTriangles triangles;
    std::vector<int32_t> corners;
    std::vector<int32_t> order;
};

// One line on standard error naming the file.
SoSeparator* failure(const char* path, const std::string& reason)
{
    std::fprintf(stderr, "Cannot read model \"%s\": %s\n", path, reason.c_str());
    return nullptr;
}

} // namespace

unsigned int Quillmap::modelImportFlags(void)
{
    return aiProcess_ValidateDataStructure | aiProcess_Triangulate | aiProcess_SortByPType;
}

void Quillmap::joinPoints(const aiVector3D* points, size_t count, JoinedPoints& out)
{
    out.positions.clear();
    out.index.resize(count);
    PositionTable table(count);
    for (size_t i = 0; i < count; ++i) {
        // Adding zero turns -0 into 0, so that both land on one position.
        const SbVec3f p(points[i].x + 0.0f, points[i].y + 0.0f, points[i].z + 0.0f);
        out.index[i] = table.find(p, out.positions);
    }
}

namespace {

// The triangles around each position, in compressed rows: those of
// position p are triangle[first[p]] up to triangle[first[p + 1]].
struct TrianglesAround {
    std::vector<int32_t> first;
    std::vector<int32_t> triangle;

    TrianglesAround(const std::vector<int32_t>& positions, size_t positionCount)
        : first(positionCount + 1, 0), triangle(positions.size())
    {
        for (int32_t p : positions)
            ++first[size_t(p) + 1];
        for (size_t p = 0; p < positionCount; ++p)
            first[p + 1] += first[p];
        std::vector<int32_t> next(first.begin(), first.end() - 1);
        for (size_t c = 0; c < positions.size(); ++c)
            triangle[size_t(next[size_t(positions[c])]++)] = int32_t(c / 3);
    }
};

class StripBuilder {
public:
    StripBuilder(const Quillmap::StripTriangles& triangles, size_t positionCount)
        : position(triangles.positions), normalKey(triangles.normalKey), around(position, positionCount),
          used(position.size() / 3, 0)
    {
    }

    void run(std::vector<int32_t>& out)
    {
        out.clear();
        out.reserve(position.size() + position.size() / 3);
        const int32_t count = int32_t(used.size());
        for (int32_t t = 0; t < count; ++t) {
            if (used[size_t(t)])
                continue;
            used[size_t(t)] = 1;
            const size_t begin = out.size();
            // The first rotation whose last edge leads on to another
            // triangle; the first corner otherwise.
            int rotation = 0;
            for (int r = 0; r < 3 && !degenerate(t); ++r)
                if (next(3 * t + (r + 2) % 3, 3 * t + (r + 1) % 3) >= 0) {
                    rotation = r;
                    break;
                }
            for (int k = 0; k < 3; ++k)
                out.push_back(3 * t + (rotation + k) % 3);
            if (!degenerate(t))
                extend(out, begin);
            out.push_back(-1);
        }
    }

private:
    bool degenerate(int32_t t) const
    {
        const int32_t* p = &position[3 * size_t(t)];
        return p[0] == p[1] || p[1] == p[2] || p[2] == p[0];
    }

    bool sameNormal(int32_t a, int32_t b) const
    {
        return normalKey.empty() || normalKey[size_t(a)] == normalKey[size_t(b)];
    }

    // The corner following the edge from corner a to corner b in an unused
    // triangle that runs along it the same way and has the same normals at
    // both ends; -1 for none.
    int32_t next(int32_t a, int32_t b) const
    {
        const int32_t pa = position[size_t(a)], pb = position[size_t(b)];
        for (int32_t i = around.first[size_t(pa)]; i < around.first[size_t(pa) + 1]; ++i) {
            const int32_t t = around.triangle[size_t(i)];
            if (used[size_t(t)] || degenerate(t))
                continue;
            for (int32_t k = 0; k < 3; ++k) {
                const int32_t c = 3 * t + k, d = 3 * t + (k + 1) % 3;
                if (position[size_t(c)] == pa && position[size_t(d)] == pb && sameNormal(a, c) && sameNormal(b, d))
                    return 3 * t + (k + 2) % 3;
            }
        }
        return -1;
    }

    // Adds triangles to the strip starting at out[begin] while one fits.
    // Triangle k of a strip is corners k, k+1, k+2 for even k and k+1, k,
    // k+2 for odd k, so that all of them keep their orientation.
    void extend(std::vector<int32_t>& out, size_t begin)
    {
        for (size_t k = out.size() - 2 - begin;; ++k) {
            const int32_t a = out[begin + k], b = out[begin + k + 1];
            const int32_t c = (k % 2 == 0) ? next(a, b) : next(b, a);
            if (c < 0)
                return;
            used[size_t(c / 3)] = 1;
            out.push_back(c);
        }
    }

    const std::vector<int32_t>& position;
    const std::vector<int32_t>& normalKey;
    TrianglesAround around;
    std::vector<uint8_t> used;
};

} // namespace

void Quillmap::makeStrips(const StripTriangles& triangles, size_t positionCount, std::vector<int32_t>& out)
{
    StripBuilder(triangles, positionCount).run(out);
}

Quillmap::SceneConversion Quillmap::convertScene(const aiScene& scene)
{
    return SceneConverter(scene).run();
}

SoSeparator* Quillmap::readModel(const char* path)
{
    if (path == nullptr || *path == '\0')
        return failure("", "no file name given");
    struct stat status;
    if (stat(path, &status) != 0)
        return failure(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return failure(path, "not a regular file");
    if (!SoDB::isInitialized())
        SoDB::init();

    {
        SoInput in;
        if (in.openFile(path, TRUE) && in.isValidFile()) {
            SoSeparator* root = SoDB::readAll(&in);
            if (root == nullptr)
                return failure(path, "Coin could not read the Inventor or VRML scene");
            return root;
        }
    }

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, modelImportFlags());
    if (scene == nullptr)
        return failure(path, importer.GetErrorString());
    const SceneConversion converted = convertScene(*scene);
    if (converted.skipped > 0)
        std::fprintf(stderr, "Model \"%s\": %lld triangles with a coordinate that is not finite left out\n", path,
                     static_cast<long long>(converted.skipped));
    if (converted.root == nullptr)
        return failure(path, "no triangles");
    return converted.root;
}
