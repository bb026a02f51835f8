// The sample models of models/ (written by tools/SampleModels.cpp): each one
// loads, and builds closed, consistent winged-edge meshes whose sizes follow
// from the file's own strips and whose face normals point outward.

#include <gtest/gtest.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace {

std::string modelPath(const std::string& name) { return std::string(QUILLMAP_SOURCE_DIR) + "/models/" + name; }

// Reads a model file; the root comes back referenced, or null.
SoSeparator* readModel(const std::string& name)
{
    SoInput in;
    if (!in.openFile(modelPath(name).c_str()))
        return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    if (root != nullptr)
        root->ref();
    return root;
}

// What the strips of one strip set hold, counted from its coordIndex:
// triangles with three distinct corners, and the distinct indices used.
struct StripCounts {
    int triangles = 0;
    int vertices = 0;
};

std::vector<StripCounts> countStrips(SoNode* root)
{
    SoSearchAction search;
    search.setType(SoIndexedTriangleStripSet::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.apply(root);
    std::vector<StripCounts> out;
    for (int p = 0; p < search.getPaths().getLength(); ++p) {
        const SoIndexedTriangleStripSet* set =
            static_cast<const SoIndexedTriangleStripSet*>(search.getPaths()[p]->getTail());
        const int32_t* index = set->coordIndex.getValues(0);
        const int n = set->coordIndex.getNum();
        StripCounts counts;
        std::set<int32_t> used;
        std::vector<int32_t> strip;
        for (int i = 0; i <= n; ++i) {
            if (i == n || index[i] < 0) {
                for (size_t k = 0; k + 2 < strip.size(); ++k) {
                    if (strip[k] != strip[k + 1] && strip[k + 1] != strip[k + 2] && strip[k] != strip[k + 2])
                        ++counts.triangles;
                }
                strip.clear();
                continue;
            }
            strip.push_back(index[i]);
            used.insert(index[i]);
        }
        counts.vertices = static_cast<int>(used.size());
        out.push_back(counts);
    }
    return out;
}

// A model under a generator, traversed once by a callback action.
struct Built {
    SoSeparator* scene = nullptr;
    SoGenerateWingedEdge* generator = nullptr;
    std::string output; // what construction printed on stdout
    std::vector<StripCounts> strips;

    explicit Built(SoSeparator* model)
    {
        scene = new SoSeparator;
        scene->ref();
        generator = new SoGenerateWingedEdge;
        generator->addChild(model);
        scene->addChild(generator);
        strips = countStrips(model);
        testing::internal::CaptureStdout();
        SoCallbackAction action;
        action.apply(scene);
        output = testing::internal::GetCapturedStdout();
    }
    ~Built() { scene->unref(); }
    Built(const Built&) = delete;
    Built& operator=(const Built&) = delete;
};

SbVec3f vertexMean(const WingedEdgeMesh& mesh)
{
    SbVec3f sum(0.0f, 0.0f, 0.0f);
    for (const WEVertex& v : mesh.vertices)
        sum += v.position;
    return mesh.vertices.empty() ? sum : sum / static_cast<float>(mesh.vertices.size());
}

// The face's corners, collected from its edges.
SbVec3f faceCentroid(const WEFace& face)
{
    std::set<const WEVertex*> corners;
    for (const WEEdge* e : face.edges) {
        corners.insert(e->startVertex);
        corners.insert(e->endVertex);
    }
    SbVec3f sum(0.0f, 0.0f, 0.0f);
    for (const WEVertex* v : corners)
        sum += v->position;
    return corners.empty() ? sum : sum / static_cast<float>(corners.size());
}

enum class Inside { Centre, TorusTube };

// Faces whose normal does not point away from the inside: the vertex mean for
// a convex solid; for a torus around the y axis, the nearest point of its
// core circle (radius: the mean distance of the vertices from the axis).
int inwardFaces(const WingedEdgeMesh& mesh, Inside inside)
{
    const SbVec3f centre = vertexMean(mesh);
    float major = 0.0f;
    for (const WEVertex& v : mesh.vertices)
        major += std::hypot(v.position[0] - centre[0], v.position[2] - centre[2]);
    major /= static_cast<float>(std::max<size_t>(mesh.vertices.size(), 1));
    int inward = 0;
    for (const WEFace& f : mesh.faces) {
        const SbVec3f c = faceCentroid(f);
        SbVec3f in = centre;
        if (inside == Inside::TorusTube) {
            SbVec3f radial(c[0] - centre[0], 0.0f, c[2] - centre[2]);
            radial.normalize();
            in = centre + major * radial;
        }
        if (!(f.normal.dot(c - in) > 0.0f))
            ++inward;
    }
    return inward;
}

// The checks every closed sample mesh passes; eulerCharacteristic 2 for a
// sphere-like surface, 0 for a torus.
void expectClosedMesh(const std::string& name, const Built& built, size_t m, int eulerCharacteristic, Inside inside)
{
    const WingedEdgeList& list = built.generator->getOutputList();
    ASSERT_LT(m, list.meshes.size()) << "model " << name << " mesh " << m;
    ASSERT_LT(m, built.strips.size()) << "model " << name << " strip set " << m;
    const WingedEdgeMesh& mesh = list.meshes[m];
    EXPECT_EQ(mesh.checkConsistency(), "") << "model " << name << " mesh " << m;
    EXPECT_EQ(mesh.faceCount, built.strips[m].triangles) << "model " << name << " mesh " << m << " faces";
    EXPECT_EQ(static_cast<int>(mesh.faces.size()), mesh.faceCount) << "model " << name << " mesh " << m;
    EXPECT_EQ(mesh.vertexCount, built.strips[m].vertices) << "model " << name << " mesh " << m << " vertices";
    EXPECT_EQ(mesh.objectIndex, static_cast<int32_t>(m)) << "model " << name << " mesh " << m << " object index";
    // A closed triangle mesh has three half-edges per face, two per edge.
    EXPECT_EQ(2 * mesh.edgeCount, 3 * mesh.faceCount) << "model " << name << " mesh " << m << " edges";
    int boundary = 0;
    for (const WEEdge& e : mesh.edges)
        boundary += e.isBoundary() ? 1 : 0;
    EXPECT_EQ(boundary, 0) << "model " << name << " mesh " << m << " boundary edges";
    EXPECT_EQ(mesh.vertexCount - mesh.edgeCount + mesh.faceCount, eulerCharacteristic)
        << "model " << name << " mesh " << m << " V - E + F (V " << mesh.vertexCount << ", E " << mesh.edgeCount
        << ", F " << mesh.faceCount << ")";
    EXPECT_EQ(inwardFaces(mesh, inside), 0) << "model " << name << " mesh " << m << " faces with inward normals";
}

std::string firstLine(const std::string& name)
{
    std::ifstream in(modelPath(name));
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

TEST(SampleModels, EveryFileLoads)
{
    const std::vector<std::string> names = {"sphere.iv", "torus.iv", "cube.iv", "two_objects.iv", "sphere.wrl"};
    for (const std::string& name : names) {
        SoSeparator* root = readModel(name);
        ASSERT_NE(root, nullptr) << "model " << name << " did not load";
        EXPECT_GT(root->getNumChildren(), 0) << "model " << name;
        EXPECT_FALSE(countStrips(root).empty()) << "model " << name << " has no triangle-strip set";
        root->unref();
        const std::string header = name.size() > 4 && name.substr(name.size() - 4) == ".wrl"
                                       ? "#VRML V2.0 utf8"
                                       : "#Inventor V2.1 ascii";
        EXPECT_EQ(firstLine(name), header) << "model " << name << " header";
    }
}

TEST(SampleModels, SingleObjectsBuildClosedMeshes)
{
    struct Case {
        const char* name;
        int euler;
        Inside inside;
    };
    const Case cases[] = {
        {"sphere.iv", 2, Inside::Centre},
        {"cube.iv", 2, Inside::Centre},
        {"torus.iv", 0, Inside::TorusTube},
    };
    for (const Case& c : cases) {
        SoSeparator* model = readModel(c.name);
        ASSERT_NE(model, nullptr) << "model " << c.name;
        Built built(model);
        model->unref();
        EXPECT_EQ(built.output.find("2-manifold"), std::string::npos)
            << "model " << c.name << " printed: " << built.output;
        ASSERT_EQ(built.strips.size(), 1u) << "model " << c.name << " strip sets";
        ASSERT_EQ(built.generator->getOutputList().meshes.size(), 1u) << "model " << c.name << " meshes";
        EXPECT_EQ(built.generator->getOriginalFaceCount(), built.strips[0].triangles)
            << "model " << c.name << " original face count";
        expectClosedMesh(c.name, built, 0, c.euler, c.inside);
    }
}

TEST(SampleModels, TwoObjectsBuildTwoMeshes)
{
    const std::string name = "two_objects.iv";
    SoSeparator* model = readModel(name);
    ASSERT_NE(model, nullptr) << "model " << name;
    Built built(model);
    model->unref();
    EXPECT_EQ(built.output.find("2-manifold"), std::string::npos) << "model " << name << " printed: " << built.output;
    ASSERT_EQ(built.strips.size(), 2u) << "model " << name << " strip sets";
    const WingedEdgeList& list = built.generator->getOutputList();
    ASSERT_EQ(list.meshes.size(), 2u) << "model " << name << " meshes";
    EXPECT_EQ(built.generator->getOriginalFaceCount(), built.strips[0].triangles + built.strips[1].triangles)
        << "model " << name << " original face count";
    expectClosedMesh(name, built, 0, 2, Inside::Centre);
    // The cube stands beside the origin; closed objects face outwards
    // wherever they stand.
    expectClosedMesh(name, built, 1, 2, Inside::Centre);
    // The Transform keeps the objects apart: their centres differ by its translation.
    const SbVec3f apart = vertexMean(list.meshes[1]) - vertexMean(list.meshes[0]);
    EXPECT_NEAR(apart[0], 3.0f, 1e-3f) << "model " << name << " distance of the objects along x";
    for (const WEVertex& v : list.meshes[1].vertices)
        EXPECT_EQ(v.objectIndex, 1) << "model " << name << " mesh 1 vertex " << v.id;
}

TEST(SampleModels, VrmlSphereBuildsLikeTheInventorOne)
{
    SoSeparator* model = readModel("sphere.wrl");
    ASSERT_NE(model, nullptr) << "model sphere.wrl";
    Built built(model);
    model->unref();
    EXPECT_EQ(built.output.find("2-manifold"), std::string::npos) << "model sphere.wrl printed: " << built.output;
    ASSERT_EQ(built.strips.size(), 1u) << "model sphere.wrl strip sets";
    ASSERT_EQ(built.generator->getOutputList().meshes.size(), 1u) << "model sphere.wrl meshes";
    expectClosedMesh("sphere.wrl", built, 0, 2, Inside::Centre);

    SoSeparator* inventor = readModel("sphere.iv");
    ASSERT_NE(inventor, nullptr) << "model sphere.iv";
    Built reference(inventor);
    inventor->unref();
    ASSERT_EQ(reference.generator->getOutputList().meshes.size(), 1u) << "model sphere.iv meshes";
    EXPECT_EQ(built.generator->getOutputList().meshes[0].faceCount,
              reference.generator->getOutputList().meshes[0].faceCount)
        << "model sphere.wrl faces against sphere.iv";
    EXPECT_EQ(built.generator->getOutputList().meshes[0].vertexCount,
              reference.generator->getOutputList().meshes[0].vertexCount)
        << "model sphere.wrl vertices against sphere.iv";
}
