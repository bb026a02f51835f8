// Quillmap::readModel and the conversion of Assimp scenes.
//
// Expected triangles come from the meshes the test writes and from Assimp's
// own matrix arithmetic; what the subgraph draws is taken from Coin's
// triangle callback with its model matrix, so a transposed node transform
// shows as moved triangles. The real models are OFF files from Debian's
// libcgal-demo, whose counts, edges and silhouettes are counted here from
// the files' own index lists.

#include <Inventor/SbBox3f.h>
#include <Inventor/SbMatrix.h>
#include <Inventor/SbVec3d.h>
#include <Inventor/SoPath.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <assimp/Exporter.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Quillmap.h"
#include "lines/SilhouetteExtractor.h"
#include "support/MeshBuilders.h"
#include "support/OutputCapture.h"
#include "util/ModelImport.h"
#include "wingededge/SoGenerateWingedEdge.h"

namespace {

namespace fs = std::filesystem;

struct Tri {
    SbVec3f p[3], n[3];
};

// A directory of its own under the system's temporary directory, removed
// with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "quillmap-import-XXXXXX").string();
        path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempDir()
    {
        if (!path.empty())
            fs::remove_all(path);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// The triangles Coin draws for a subgraph, in world coordinates.
std::vector<Tri> drawnTriangles(SoNode* root)
{
    std::vector<Tri> out;
    SoCallbackAction action;
    action.addTriangleCallback(
        SoShape::getClassTypeId(),
        [](void* data, SoCallbackAction* a, const SoPrimitiveVertex* v0, const SoPrimitiveVertex* v1,
           const SoPrimitiveVertex* v2) {
            Tri t;
            const SoPrimitiveVertex* v[3] = { v0, v1, v2 };
            for (int k = 0; k < 3; ++k) {
                a->getModelMatrix().multVecMatrix(v[k]->getPoint(), t.p[k]);
                t.n[k] = v[k]->getNormal();
            }
            static_cast<std::vector<Tri>*>(data)->push_back(t);
        },
        &out);
    action.apply(root);
    return out;
}

// Whether every expected triangle is drawn once, corners in the same cyclic
// order, each within tolerance; the message says what is missing.
::testing::AssertionResult sameTriangles(const std::vector<Tri>& expected, const std::vector<Tri>& drawn,
                                         float tolerance)
{
    if (expected.size() != drawn.size())
        return ::testing::AssertionFailure() << drawn.size() << " triangles drawn, " << expected.size()
                                             << " expected";
    std::vector<bool> used(drawn.size(), false);
    for (size_t i = 0; i < expected.size(); ++i) {
        bool found = false;
        for (size_t j = 0; j < drawn.size() && !found; ++j) {
            for (int r = 0; r < 3 && !used[j]; ++r) {
                bool close = true;
                for (int k = 0; k < 3 && close; ++k)
                    close = (expected[i].p[k] - drawn[j].p[(k + r) % 3]).length() <= tolerance;
                if (close)
                    used[j] = found = true;
            }
        }
        if (!found) {
            const SbVec3f& a = expected[i].p[0];
            return ::testing::AssertionFailure() << "expected triangle " << i << " with corner (" << a[0] << ", "
                                                 << a[1] << ", " << a[2] << ") is not drawn";
        }
    }
    return ::testing::AssertionSuccess();
}

// An Assimp mesh of the builder's one-triangle strips; with separate
// corners, as STL keeps them, every triangle has three vertices of its own.
aiMesh* toAiMesh(const StripInput& in, bool separate = false)
{
    aiMesh* mesh = new aiMesh;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumFaces = unsigned(in.stripLengths.size());
    mesh->mNumVertices = separate ? 3 * mesh->mNumFaces : unsigned(in.coordinates.size());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const SbVec3f& p = in.coordinates[separate ? size_t(in.coordIndex[i]) : i];
        mesh->mVertices[i] = aiVector3D(p[0], p[1], p[2]);
    }
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned[3];
        for (unsigned k = 0; k < 3; ++k)
            mesh->mFaces[f].mIndices[k] = separate ? 3 * f + k : unsigned(in.coordIndex[3 * f + k]);
    }
    return mesh;
}

aiNode* addNode(aiNode* parent, const char* name, const aiMatrix4x4& transform, std::vector<unsigned> meshes)
{
    aiNode* node = new aiNode(name);
    node->mTransformation = transform;
    node->mNumMeshes = unsigned(meshes.size());
    node->mMeshes = new unsigned[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), node->mMeshes);
    if (parent != nullptr) {
        aiNode** children = new aiNode*[parent->mNumChildren + 1];
        std::copy(parent->mChildren, parent->mChildren + parent->mNumChildren, children);
        children[parent->mNumChildren] = node;
        delete[] parent->mChildren;
        parent->mChildren = children;
        ++parent->mNumChildren;
        node->mParent = parent;
    }
    return node;
}

std::unique_ptr<aiScene> makeScene(std::vector<aiMesh*> meshes, std::vector<unsigned> atRoot)
{
    std::unique_ptr<aiScene> scene(new aiScene);
    scene->mNumMeshes = unsigned(meshes.size());
    scene->mMeshes = new aiMesh*[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), scene->mMeshes);
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial*[1];
    scene->mMaterials[0] = new aiMaterial;
    scene->mRootNode = addNode(nullptr, "root", aiMatrix4x4(), atRoot);
    return scene;
}

// The mesh's triangles with every corner moved by an Assimp matrix.
void appendTransformed(const StripInput& in, const aiMatrix4x4& m, std::vector<Tri>& out)
{
    for (size_t f = 0; f < in.stripLengths.size(); ++f) {
        Tri t;
        for (int k = 0; k < 3; ++k) {
            const SbVec3f& p = in.coordinates[size_t(in.coordIndex[3 * f + k])];
            const aiVector3D q = m * aiVector3D(p[0], p[1], p[2]);
            t.p[k].setValue(q.x, q.y, q.z);
        }
        out.push_back(t);
    }
}

// Neither a pure rotation nor symmetric: a transposed copy moves every point.
aiMatrix4x4 skewTransform(void)
{
    aiMatrix4x4 m(aiVector3D(1.0f, 1.5f, 0.75f), aiQuaternion(aiVector3D(1, 2, 3).Normalize(), 0.6f),
                  aiVector3D(3.0f, -1.0f, 2.0f));
    m.a2 += 0.25f; // a shear as well
    return m;
}

// Builds the meshes of a subgraph with the generator's defaults.
struct Built {
    explicit Built(SoSeparator* model)
    {
        generator->ref();
        generator->addChild(model);
        SoCallbackAction action;
        action.apply(generator);
    }
    ~Built() { generator->unref(); }
    const WingedEdgeList& list(void) const { return generator->getOutputList(); }
    int borderEdges(void) const
    {
        int n = 0;
        for (const WingedEdgeMesh& mesh : list().meshes)
            for (const WEEdge& e : mesh.edges)
                n += e.isBoundary() ? 1 : 0;
        return n;
    }
    std::string problems(void) const
    {
        std::string all;
        for (const WingedEdgeMesh& mesh : list().meshes)
            all += mesh.checkConsistency();
        return all;
    }
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
};

} // namespace

// The node tree of a scene made in memory: transforms kept (not transposed),
// a mesh used twice shared, points left out, triangles at a NaN corner left
// out.
TEST(ModelImportTest, ConvertsNodeTreeSharingMeshes)
{
    const StripInput octahedron = makeOctahedron(1.0f);
    const StripInput tetrahedron = makeTetrahedron();
    aiMesh* points = new aiMesh;
    points->mPrimitiveTypes = aiPrimitiveType_POINT;
    points->mNumVertices = 1;
    points->mVertices = new aiVector3D[1];
    aiMesh* broken = toAiMesh(tetrahedron);
    broken->mVertices[3].z = std::numeric_limits<float>::quiet_NaN();

    std::unique_ptr<aiScene> scene = makeScene({ toAiMesh(octahedron), points, broken }, {});
    aiMatrix4x4 second;
    aiMatrix4x4::Translation(aiVector3D(0.0f, 0.0f, -4.0f), second);
    const aiMatrix4x4 first = skewTransform();
    aiNode* a = addNode(scene->mRootNode, "a", first, { 0 });
    addNode(a, "b", second, { 0, 1 }); // below a: both transforms apply
    addNode(scene->mRootNode, "c", aiMatrix4x4(), { 2 });

    const Quillmap::SceneConversion converted = Quillmap::convertScene(*scene);
    ASSERT_NE(converted.root, nullptr);
    converted.root->ref();
    EXPECT_EQ(converted.triangles, 8 + 1);
    EXPECT_EQ(converted.skipped, 3) << "the tetrahedron's three triangles at its NaN corner";

    std::vector<Tri> expected;
    appendTransformed(octahedron, first, expected);
    appendTransformed(octahedron, first * second, expected);
    Tri kept; // the one face without corner 3
    for (size_t f = 0; f < 4; ++f) {
        const int32_t* c = &tetrahedron.coordIndex[3 * f];
        if (c[0] != 3 && c[1] != 3 && c[2] != 3)
            for (int k = 0; k < 3; ++k)
                kept.p[k] = tetrahedron.coordinates[size_t(c[k])];
    }
    expected.push_back(kept);
    EXPECT_TRUE(sameTriangles(expected, drawnTriangles(converted.root), 1e-5f));

    // The octahedron is one subgraph reached along two paths.
    SoSearchAction search;
    search.setType(SoIndexedTriangleStripSet::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.apply(converted.root);
    ASSERT_EQ(search.getPaths().getLength(), 3);
    EXPECT_EQ(search.getPaths()[0]->getTail(), search.getPaths()[1]->getTail());
    converted.root->unref();
}

// Files written by Assimp's exporters from triangles with corners of their
// own read back with the same triangles and with every corner at one
// position joined, whatever normals the format gives each corner.
TEST(ModelImportTest, ExportedFormatsRoundTrip)
{
    const StripInput octahedron = makeOctahedron(1.0f);
    const StripInput torus = makeTorus(12, 8, 2.0f, 0.5f);
    std::unique_ptr<aiScene> scene = makeScene({ toAiMesh(octahedron, true), toAiMesh(torus, true) }, { 0 });
    addNode(scene->mRootNode, "torus", skewTransform(), { 1 });

    std::vector<Tri> expected;
    appendTransformed(octahedron, aiMatrix4x4(), expected);
    appendTransformed(torus, skewTransform(), expected);
    const int vertices = int(octahedron.coordinates.size() + torus.coordinates.size());

    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const struct {
        const char* format;
        const char* file;
        bool faceNormals;   // the format gives each corner its face's normal
    } cases[] = {
        { "obj", "mesh.obj", false }, { "ply", "ascii.ply", false }, { "plyb", "binary.ply", false },
        { "stl", "ascii.stl", true }, { "stlb", "binary.stl", true }, { "gltf2", "mesh.gltf", false },
        { "glb2", "mesh.glb", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        Assimp::Exporter exporter;
        ASSERT_EQ(exporter.Export(scene.get(), c.format, dir.file(c.file)), aiReturn_SUCCESS)
            << exporter.GetErrorString();
        SoSeparator* model = Quillmap::readModel(dir.file(c.file).c_str());
        ASSERT_NE(model, nullptr);
        model->ref();
        // Text formats print about six significant digits.
        EXPECT_TRUE(sameTriangles(expected, drawnTriangles(model), 1e-4f));
        // Strips must not carry one corner's normal over to a face with another.
        for (const Tri& t : drawnTriangles(model)) {
            SbVec3f face = (t.p[1] - t.p[0]).cross(t.p[2] - t.p[0]);
            face.normalize();
            for (int k = 0; k < 3 && c.faceNormals; ++k)
                EXPECT_GT(face.dot(t.n[k]), 0.999f) << "corner " << k << " of a face at " << t.p[0][0];
        }
        {
            Built built(model);
            EXPECT_EQ(built.list().totalVertexCount(), vertices);
            EXPECT_EQ(built.list().totalFaceCount(), int(expected.size()));
            EXPECT_EQ(built.borderEdges(), 0);
            EXPECT_EQ(built.problems(), "");
        }
        model->unref();
    }
}

// Inventor and VRML files go through Coin's reader. Bad files give null and
// one line on standard error that names the file.
TEST(ModelImportTest, CoinFormatsAndBadFiles)
{
    TempDir dir;
    std::ofstream(dir.file("strip.iv")) << "#Inventor V2.1 ascii\nSeparator { Coordinate3 { point [ 0 0 0, 1 0 0, "
                                           "0 1 0, 1 1 0 ] } IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3, -1 ] } }\n";
    std::ofstream(dir.file("faces.wrl")) << "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { "
                                            "point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] } coordIndex [ 0, 1, 2, 3, -1 ] } }\n";
    for (const char* name : { "strip.iv", "faces.wrl" }) {
        SoSeparator* model = Quillmap::readModel(dir.file(name).c_str());
        ASSERT_NE(model, nullptr) << name;
        model->ref();
        EXPECT_EQ(drawnTriangles(model).size(), 2u) << name;
        model->unref();
    }

    std::ofstream(dir.file("notes.txt")) << "Nothing here is a model.\n\x01\x02 just some words, 17 and 42.\n";
    std::ofstream(dir.file("lines.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nl 2 3\n";

    std::unique_ptr<aiScene> scene = makeScene({ toAiMesh(makeTorus(12, 8, 2.0f, 0.5f)) }, { 0 });
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(scene.get(), "plyb", dir.file("whole.ply")), aiReturn_SUCCESS);
    const auto size = fs::file_size(dir.file("whole.ply"));
    fs::copy_file(dir.file("whole.ply"), dir.file("truncated.ply"));
    fs::resize_file(dir.file("truncated.ply"), size * 2 / 3);

    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        { dir.file("missing.obj"), "No such file" },
        { dir.file("notes.txt"), "" },
        { dir.file("truncated.ply"), "" },
        { dir.file("lines.obj"), "no triangles" },
        { dir.path, "not a regular file" },
    };
    for (const auto& c : cases) {
        OutputCapture err(2);
        SoSeparator* model = Quillmap::readModel(c.path.c_str());
        const std::string text = err.text();
        EXPECT_EQ(model, nullptr) << c.path;
        if (model != nullptr) {
            model->ref();
            model->unref();
        }
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << c.path << ": " << text;
        EXPECT_NE(text.find(c.path), std::string::npos) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
}

namespace {

const char* const kCgalData = "/usr/share/doc/libcgal-demo/data.tar.gz";

// An OFF file as its header and lists state it, with every undirected
// edge of its faces and the faces using each.
struct OffFile {
    explicit OffFile(const std::string& path)
    {
        std::ifstream in(path);
        std::string magic;
        int edgeCount = 0;
        in >> magic >> vertexCount >> faceCount >> edgeCount;
        points.resize(size_t(std::max(vertexCount, 0)));
        for (SbVec3f& p : points)
            in >> p[0] >> p[1] >> p[2];
        for (int f = 0, n = 0; f < faceCount && in >> n; ++f) {
            faces.emplace_back(size_t(std::max(n, 0)));
            for (int& v : faces.back())
                in >> v;
            for (int k = 0; k < n; ++k) {
                const int a = faces.back()[size_t(k)], b = faces.back()[size_t((k + 1) % n)];
                edges[{ std::min(a, b), std::max(a, b) }].push_back(f);
            }
        }
        valid = magic == "OFF" && int(faces.size()) == faceCount;
    }

    // +1 when face f (corners in the file's order) turns towards the eye, -1
    // when away, 0 when too close to edge-on to tell in floats.
    int facing(int f, const SbVec3f& eye) const
    {
        const std::vector<int>& c = faces[size_t(f)];
        const SbVec3d p0(points[size_t(c[0])]), p1(points[size_t(c[1])]), p2(points[size_t(c[2])]);
        const SbVec3d n = (p1 - p0).cross(p2 - p0), toEye = SbVec3d(eye) - p0;
        const double s = n.dot(toEye);
        return std::fabs(s) <= 1e-5 * n.length() * toEye.length() ? 0 : s > 0.0 ? 1 : -1;
    }

    bool valid = false;
    int vertexCount = 0, faceCount = 0;
    std::vector<SbVec3f> points;
    std::vector<std::vector<int>> faces;
    std::map<std::pair<int, int>, std::vector<int>> edges;
};

// The file's point numbers by position; positions went through two text
// parsers, so they are found to a tolerance.
class PointIndex {
public:
    explicit PointIndex(const std::vector<SbVec3f>& points)
    {
        for (size_t i = 0; i < points.size(); ++i)
            byX.emplace_back(points[i], int(i));
        std::sort(byX.begin(), byX.end(), [](const Entry& a, const Entry& b) { return a.first[0] < b.first[0]; });
    }
    int at(const SbVec3f& p) const
    {
        const float tolerance = 1e-5f;
        auto it = std::lower_bound(byX.begin(), byX.end(), p[0] - tolerance,
                                   [](const Entry& a, float x) { return a.first[0] < x; });
        for (; it != byX.end() && it->first[0] <= p[0] + tolerance; ++it)
            if ((it->first - p).length() <= tolerance)
                return it->second;
        return -1;
    }

private:
    typedef std::pair<SbVec3f, int> Entry;
    std::vector<Entry> byX;
};

} // namespace

// Real models: counts as their headers state, Euler characteristic and border
// edges as counted over the file's faces, consistent meshes, and silhouettes
// that are exactly the edges between a face turned towards the eye and one
// turned away.
TEST(ModelImportTest, RealModelsFromCgal)
{
    ASSERT_TRUE(fs::exists(kCgalData)) << kCgalData
                                       << " is missing: install the Debian package libcgal-demo (.ci/install-deps does)";
    const std::vector<std::string> names = { "bunny00", "fandisk", "elephant", "knot1", "camel", "eight" };
    TempDir dir;
    std::string command = std::string("tar xzf ") + kCgalData + " -C " + dir.path;
    for (const std::string& name : names)
        command += " data/meshes/" + name + ".off";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("data/meshes/" + name + ".off");
        const OffFile off(path);
        ASSERT_TRUE(off.valid);
        int triangles = 0, border = 0;
        for (const auto& face : off.faces)
            triangles += int(face.size()) - 2;
        for (const auto& edge : off.edges)
            border += edge.second.size() == 1 ? 1 : 0;

        SoSeparator* model = Quillmap::readModel(path.c_str());
        ASSERT_NE(model, nullptr);
        model->ref();
        Built built(model);
        WingedEdgeList& list = const_cast<WingedEdgeList&>(built.list());
        EXPECT_EQ(list.totalVertexCount(), off.vertexCount);
        EXPECT_EQ(list.totalFaceCount(), triangles);
        EXPECT_EQ(list.totalVertexCount() - list.totalEdgeCount() + list.totalFaceCount(),
                  off.vertexCount - int(off.edges.size()) + off.faceCount);
        EXPECT_EQ(built.borderEdges(), border);
        EXPECT_EQ(built.problems(), "");

        // Perspective silhouette, repairs off, from an eye off every axis.
        SbBox3f box;
        for (const SbVec3f& p : off.points)
            box.extendBy(p);
        const SbVec3f eye = box.getCenter() + SbVec3f(1.3f, 0.7f, 2.1f) * (box.getMax() - box.getMin()).length();
        SilhouetteExtractor extractor;
        SilhouetteExtractor::Repairs raw;
        raw.triangleChunks = raw.zigZags = false;
        std::vector<SilhouetteExtractor::Edge> found;
        extractor.perspective(list, 0.0, eye, -1, raw, found);
        const PointIndex points(off.points);
        std::set<std::pair<int, int>> drawn;
        for (const SilhouetteExtractor::Edge& e : found) {
            const int a = points.at(e.edge->startVertex->position), b = points.at(e.edge->endVertex->position);
            if (!e.edge->isBoundary())
                drawn.insert({ std::min(a, b), std::max(a, b) });
        }
        int expected = 0;
        for (const auto& edge : off.edges) {
            const int s0 = edge.second.size() == 2 ? off.facing(edge.second[0], eye) : 0;
            const int s1 = edge.second.size() == 2 ? off.facing(edge.second[1], eye) : 0;
            if (s0 == 0 || s1 == 0)
                continue; // a border, or too close to call
            expected += s0 != s1 ? 1 : 0;
            EXPECT_EQ(drawn.erase(edge.first) == 1, s0 != s1) << "edge " << edge.first.first << "-"
                                                              << edge.first.second;
        }
        EXPECT_GT(expected, 20);
        // What is left was too close to call, or is no edge of the file.
        for (const auto& edge : drawn)
            EXPECT_EQ(off.edges.count(edge), 1u) << "edge " << edge.first << "-" << edge.second;
        model->unref();
    }
}
