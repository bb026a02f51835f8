// The mesh file writer: the exact text of a hand-worked triangle, numbers as
// the C library prints them, and round trips of the sample and real models
// (as built, after a Loop step, with large faces) through Coin's reader and
// the generator, with every VRML file also read by tovrmlx3d.

#include <gtest/gtest.h>

#include <Inventor/SbVec3d.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/RealModels.h"
#include "wingededge/FaceCycle.h"
#include "wingededge/ScratchDirectory.h"
#include "wingededge/MeshFileWriter.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace fs = std::filesystem;

namespace {

bool writeMeshes(const std::string& path, const std::vector<WingedEdgeMesh>& meshes, MeshFileWriter::Format format,
                 MeshFileWriter::Report& report)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = MeshFileWriter::write(file, meshes, format, report);
    return std::fclose(file) == 0 && ok;
}

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void expectLines(const std::string& path, const std::vector<std::string>& expected)
{
    const std::vector<std::string> lines = readLines(path);
    for (size_t i = 0; i < std::max(lines.size(), expected.size()); ++i)
        EXPECT_EQ(i < lines.size() ? lines[i] : "<end of file>", i < expected.size() ? expected[i] : "<end>")
            << path << " line " << i + 1;
}

SoSeparator* readScene(const std::string& path)
{
    SoInput in;
    if (!in.openFile(path.c_str()))
        return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    in.closeFile();
    if (root != nullptr)
        root->ref();
    return root;
}

// tovrmlx3d's complaints about a file: the exit status and everything on
// standard error, empty when it read the file cleanly.
std::string tovrmlx3dComplaints(const std::string& path)
{
    const std::string errors = path + ".stderr";
    const std::string command = "tovrmlx3d '" + path + "' > /dev/null 2> '" + errors + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    if (status != 0)
        text << "exit status " << status;
    return text.str();
}

// One triangle of a shape as Coin's reader and its triangle callback make it.
struct CoinTriangle {
    SbVec3f corner[3];
};

void collectTriangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a, const SoPrimitiveVertex* b,
                     const SoPrimitiveVertex* c)
{
    auto& shapes = *static_cast<std::vector<std::vector<CoinTriangle>>*>(data);
    CoinTriangle t;
    const SoPrimitiveVertex* v[3] = { a, b, c };
    for (int i = 0; i < 3; ++i)
        action->getModelMatrix().multVecMatrix(v[i]->getPoint(), t.corner[i]);
    shapes.back().push_back(t);
}

SoCallbackAction::Response startShape(void* data, SoCallbackAction*, const SoNode*)
{
    static_cast<std::vector<std::vector<CoinTriangle>>*>(data)->emplace_back();
    return SoCallbackAction::CONTINUE;
}

std::vector<std::vector<CoinTriangle>> coinTriangles(SoNode* root)
{
    std::vector<std::vector<CoinTriangle>> shapes;
    SoCallbackAction action;
    action.addPreCallback(SoShape::getClassTypeId(), startShape, &shapes);
    action.addTriangleCallback(SoShape::getClassTypeId(), collectTriangle, &shapes);
    action.apply(root);
    return shapes;
}

// Equal once written with six decimals and read back into a float.
bool sameWritten(const SbVec3f& a, const SbVec3f& b)
{
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(a[i] - b[i]) <= 1e-6f + std::fabs(a[i]) * 2.4e-7f))
            return false;
    return true;
}

SbVec3d toDouble(const SbVec3f& v)
{
    return SbVec3d(v[0], v[1], v[2]);
}

// The unit normal of the triangle a, b, c seen counter-clockwise, or zero
// for a triangle so thin that moving its corners by the rounding to six
// decimals could turn it over.
SbVec3d ccwNormal(const SbVec3f& a, const SbVec3f& b, const SbVec3f& c)
{
    const SbVec3d u = toDouble(b) - toDouble(a), w = toDouble(c) - toDouble(a);
    const SbVec3d n = u.cross(w);
    const double longest = std::max({ u.length(), w.length(), (w - u).length() });
    if (!(longest > 0.0) || n.length() / longest < 1e-5)
        return SbVec3d(0, 0, 0);
    return n / n.length();
}

SbVec3d ccwNormal(const CoinTriangle& t)
{
    return ccwNormal(t.corner[0], t.corner[1], t.corner[2]);
}

// Whether every corner of t is one of the points (within six decimals).
bool cornersAmong(const CoinTriangle& t, const std::vector<SbVec3f>& points)
{
    for (const SbVec3f& c : t.corner)
        if (std::none_of(points.begin(), points.end(), [&](const SbVec3f& p) { return sameWritten(p, c); }))
            return false;
    return true;
}

std::vector<SbVec3f> faceCorners(const WEFace& face)
{
    std::vector<WEEdge*> cycle;
    faceCycle(face, cycle);
    std::vector<SbVec3f> corners;
    for (const WEEdge* e : cycle)
        corners.push_back(startInFace(e, &face)->position);
    return corners;
}

// Coin reads every face of every mesh back as one triangle on the face's
// corners, facing where the face normal points.
void expectCoinReadsFaces(const std::vector<WingedEdgeMesh>& meshes, SoNode* root)
{
    const std::vector<std::vector<CoinTriangle>> shapes = coinTriangles(root);
    ASSERT_EQ(shapes.size(), meshes.size()) << "shapes read back";
    for (size_t m = 0; m < meshes.size(); ++m) {
        ASSERT_EQ(shapes[m].size(), meshes[m].faces.size()) << "triangles of mesh " << m;
        size_t k = 0, misplaced = 0, turned = 0;
        for (const WEFace& face : meshes[m].faces) {
            const CoinTriangle& t = shapes[m][k++];
            misplaced += cornersAmong(t, faceCorners(face)) ? 0 : 1;
            const SbVec3d n = ccwNormal(t);
            turned += n.dot(toDouble(face.normal)) < 0.0 ? 1 : 0;
        }
        EXPECT_EQ(misplaced, 0u) << "mesh " << m << ": triangles not on their face's corners";
        EXPECT_EQ(turned, 0u) << "mesh " << m << ": triangles facing away from their face's normal";
    }
}

// What a round trip compares beyond Coin's reading of the file.
struct RebuildChecks {
    // Every vertex is a corner of a written triangle (no face has more than
    // three corners), so the rebuilt mesh has all of them.
    bool sameVertices = true;
    // The builder chooses the facing of each connected piece itself (by its
    // enclosed volume, or by its first face when it is open), whatever way
    // the file winds it. Where that choice is arbitrary (flat closed pieces
    // without volume, edges of three or more faces, polygons cut down to
    // their first triangle) it may choose the other way, so the facing of
    // the rebuilt faces is compared only where it is not; the file's own
    // facing is checked through Coin's reading in every case.
    bool sameFacing = true;
};

// The generator builds the file back into the written meshes: as many faces,
// each on the same corners to six decimals and facing the same way.
void expectRebuildsMeshes(const std::vector<WingedEdgeMesh>& meshes, SoSeparator* root, bool vrml,
                          RebuildChecks checks)
{
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    // VRML face sets are built through Coin's triangles; the Inventor file
    // holds the strip sets the generator reads itself.
    generator->buildFromAllShapes = vrml;
    generator->addChild(root);
    DebugErrorCollector degenerateFaces; // the files' own, reported by the model tests
    testing::internal::CaptureStdout();
    SoCallbackAction().apply(generator);
    testing::internal::GetCapturedStdout();
    const std::vector<WingedEdgeMesh>& again = generator->getOutputList().meshes;
    ASSERT_EQ(again.size(), meshes.size()) << "meshes built back";
    for (size_t m = 0; m < meshes.size(); ++m) {
        EXPECT_EQ(again[m].faceCount, meshes[m].faceCount) << "faces of mesh " << m;
        if (checks.sameVertices) {
            EXPECT_EQ(again[m].vertexCount, meshes[m].vertexCount) << "vertices of mesh " << m;
        }
        size_t misplaced = 0, turned = 0;
        auto face = meshes[m].faces.begin();
        for (const WEFace& built : again[m].faces) {
            if (face == meshes[m].faces.end())
                break;
            const std::vector<SbVec3f> corners = faceCorners(built);
            if (corners.size() != 3) {
                ++misplaced;
                continue;
            }
            const CoinTriangle t = { { corners[0], corners[1], corners[2] } };
            misplaced += cornersAmong(t, faceCorners(*face)) ? 0 : 1;
            const bool thick = ccwNormal(corners[0], corners[1], corners[2]) != SbVec3d(0, 0, 0);
            turned += thick && toDouble(built.normal).dot(toDouble(face->normal)) < 0.0 ? 1 : 0;
            ++face;
        }
        EXPECT_EQ(misplaced, 0u) << "mesh " << m << ": faces built back on other corners";
        if (checks.sameFacing) {
            EXPECT_EQ(turned, 0u) << "mesh " << m << ": faces built back facing the other way";
        }
    }
    generator->unref();
}

// Writes the meshes in both formats and checks each file through Coin and
// the generator; the VRML file also through tovrmlx3d.
void roundTrip(const std::vector<WingedEdgeMesh>& meshes, const ScratchDirectory& scratch, const std::string& name,
               RebuildChecks checks)
{
    for (const MeshFileWriter::Format format : { MeshFileWriter::VRML_2_0, MeshFileWriter::INVENTOR_2_1 }) {
        const bool vrml = format == MeshFileWriter::VRML_2_0;
        const std::string path = scratch.path(name + (vrml ? ".wrl" : ".iv"));
        SCOPED_TRACE(path);
        MeshFileWriter::Report report;
        ASSERT_TRUE(writeMeshes(path, meshes, format, report));
        EXPECT_EQ(report.meshesWritten, int(meshes.size()));
        SoSeparator* root = readScene(path);
        ASSERT_NE(root, nullptr) << "Coin cannot read the file";
        expectCoinReadsFaces(meshes, root);
        expectRebuildsMeshes(meshes, root, vrml, checks);
        root->unref();
        if (vrml) {
            EXPECT_EQ(tovrmlx3dComplaints(path), "");
        }
    }
}

// The meshes the generator builds from the strip sets of a model file.
bool buildModel(const std::string& path, WingedEdgeList& list)
{
    SoSeparator* root = readScene(path);
    if (root == nullptr)
        return false;
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    generator->addChild(root);
    DebugErrorCollector degenerateFaces; // the files' own, reported by the model tests
    testing::internal::CaptureStdout();
    SoCallbackAction().apply(generator);
    testing::internal::GetCapturedStdout();
    list = generator->getOutputList();
    generator->unref();
    root->unref();
    return !list.meshes.empty();
}

std::string fixed(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", v);
    return text;
}

} // namespace

// A triangle in the plane z = 1 whose corners, as built, already run the
// way its normal (0, 0, 1) says, so that its cycle is x0, x1, x2 and its face
// line x0, x2, x1.
TEST(MeshFileWriter, SingleTriangleLineByLine)
{
    ScratchDirectory scratch;
    WingedEdgeList list;
    const std::vector<SbVec3f> points = { SbVec3f(0, 0, 1), SbVec3f(0, 1, 1), SbVec3f(1, 0, 1) };
    const WingedEdgeMesh& mesh = buildSingle(list, stripsFromTriangles(points, { { 0, 1, 2 } }));
    ASSERT_EQ(mesh.faces.front().normal, SbVec3f(0, 0, 1)) << "the hand-worked case needs this facing";

    const std::string producer = "#Produced by Quillmap (https://quillmap.org)";
    MeshFileWriter::Report report;
    ASSERT_TRUE(writeMeshes(scratch.path("t.wrl"), list.meshes, MeshFileWriter::VRML_2_0, report));
    expectLines(scratch.path("t.wrl"),
                { "#VRML V2.0 utf8", producer, "", "DEF Mesh0 Group {", "  children [", "    Shape {",
                  "      appearance Appearance {", "        material Material {",
                  "          diffuseColor 1.000000 1.000000 1.000000", "        }", "      }", "",
                  "      geometry DEF Mesh0-FACES IndexedFaceSet {", "        ccw TRUE", "        solid TRUE", "",
                  "        coord DEF Box01-COORD Coordinate { point [", "          0.000000 0.000000 1.000000,",
                  "          0.000000 1.000000 1.000000,", "          1.000000 0.000000 1.000000]", "        }", "",
                  "        normalPerVertex TRUE", "        normal Normal { vector [",
                  "          0.000000 0.000000 1.000000,", "          0.000000 0.000000 1.000000,",
                  "          0.000000 0.000000 1.000000]", "        }", "", "        coordIndex [",
                  "          0, 2, 1, -1]", "", "        normalIndex [", "          0, 2, 1, -1]", "", "      }",
                  "    }", "  ]", "}" });
    EXPECT_EQ(tovrmlx3dComplaints(scratch.path("t.wrl")), "");

    ASSERT_TRUE(writeMeshes(scratch.path("t.iv"), list.meshes, MeshFileWriter::INVENTOR_2_1, report));
    expectLines(scratch.path("t.iv"),
                { "#Inventor V2.1 ascii", producer, "", "Separator {", "", "  DEF Mesh0 Separator {", "",
                  "    ShapeHints {", "      vertexOrdering COUNTERCLOCKWISE", "      shapeType SOLID",
                  "      faceType CONVEX", "    }", "", "    Material {",
                  "      diffuseColor 1.000000 1.000000 1.000000", "    }", "", "    Coordinate3 {", "      point [",
                  "        0.000000 0.000000 1.000000,", "        0.000000 1.000000 1.000000,",
                  "        1.000000 0.000000 1.000000]", "    }", "", "    MaterialBinding {", "      value OVERALL",
                  "    }", "", "    Normal {", "      vector [", "        0.000000 0.000000 1.000000,",
                  "        0.000000 0.000000 1.000000,", "        0.000000 0.000000 1.000000]", "    }", "",
                  "    NormalBinding {", "      value PER_VERTEX_INDEXED", "    }", "",
                  "    IndexedTriangleStripSet {", "      coordIndex [", "        0, 2, 1, -1]", "",
                  "      normalIndex [", "        0, 2, 1, -1]", "", "    }", "  }", "", "}" });
}

// Positions and normals come out as printf's "%f" writes them: ties to even,
// negative zero, tiny and huge values, whatever the value.
TEST(MeshFileWriter, NumbersAsPrintfWritesThem)
{
    ScratchDirectory scratch;
    std::vector<SbVec3f> points = {
        SbVec3f(0.0078125f, 0.0234375f, -0.0078125f), // 7812.5 and 23437.5 millionths: ties
        SbVec3f(-0.0f, -1e-9f, 4e-7f),                // signs of values that round to zero
        SbVec3f(1e30f, -3.4e38f, 8388607.5f),         // beyond every fixed integer width
        SbVec3f(-1234.5678f, 0.1f, 1e10f),
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<float> scale(-30.0f, 30.0f);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    while (points.size() < 3000)
        points.emplace_back(mantissa(random) * std::exp2(scale(random)), mantissa(random) * std::exp2(scale(random)),
                            mantissa(random));
    WingedEdgeList list;
    list.meshes.emplace_back();
    WingedEdgeMesh& mesh = list.meshes.back();
    for (const SbVec3f& p : points) {
        WEVertex v;
        v.id = int32_t(mesh.vertices.size());
        v.position = p;
        v.normal = SbVec3f(p[2], p[0], p[1]);
        mesh.vertices.push_back(v);
    }
    // One face so that the mesh is written; its corners are the first three points.
    WingedEdgeList triangle;
    buildSingle(triangle, stripsFromTriangles(points, { { 0, 1, 2 } }));
    mesh.faces.splice(mesh.faces.end(), triangle.meshes[0].faces);
    mesh.edges.splice(mesh.edges.end(), triangle.meshes[0].edges);

    for (const MeshFileWriter::Format format : { MeshFileWriter::VRML_2_0, MeshFileWriter::INVENTOR_2_1 }) {
        const std::string path = scratch.path("numbers");
        MeshFileWriter::Report report;
        ASSERT_TRUE(writeMeshes(path, list.meshes, format, report));
        const std::vector<std::string> lines = readLines(path);
        std::vector<std::string> expected;
        for (bool normals : { false, true }) {
            for (size_t i = 0; i < points.size(); ++i) {
                const SbVec3f v = normals ? SbVec3f(points[i][2], points[i][0], points[i][1]) : points[i];
                expected.push_back(fixed(v[0]) + " " + fixed(v[1]) + " " + fixed(v[2]) +
                                   (i + 1 < points.size() ? "," : "]"));
            }
        }
        // The lines of the point and vector lists, without their indentation.
        std::vector<std::string> written;
        bool inList = false;
        for (const std::string& line : lines) {
            if (inList)
                written.push_back(line.substr(line.find_first_not_of(' ')));
            if (line.size() >= 7 && (line.compare(line.size() - 7, 7, "point [") == 0 ||
                                     line.compare(line.size() - 7, 7, "ector [") == 0))
                inList = true;
            else if (!line.empty() && line.back() == ']')
                inList = false;
        }
        ASSERT_EQ(written.size(), expected.size()) << "vertex lines";
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(written[i], expected[i]) << (i < points.size() ? "position " : "normal ") << i % points.size();
    }
}

// Meshes without vertices or faces cannot fill a block: they are left out,
// and what is written still reads, also when nothing is left.
TEST(MeshFileWriter, EmptyMeshesLeftOutOfAValidFile)
{
    ScratchDirectory scratch;
    WingedEdgeList list;
    buildSingle(list, makeTetrahedron(), 3);
    list.meshes.insert(list.meshes.begin(), WingedEdgeMesh());
    WingedEdgeMesh onlyPoints;
    onlyPoints.vertices.emplace_back();
    onlyPoints.vertexCount = 1;
    list.meshes.push_back(std::move(onlyPoints));
    const std::vector<WingedEdgeMesh> none;
    const std::vector<WingedEdgeMesh>& some = list.meshes;

    for (const MeshFileWriter::Format format : { MeshFileWriter::VRML_2_0, MeshFileWriter::INVENTOR_2_1 }) {
        const bool vrml = format == MeshFileWriter::VRML_2_0;
        for (const std::vector<WingedEdgeMesh>* meshes : { &some, &none }) {
            const std::string path = scratch.path(std::string(meshes == &none ? "none" : "some") +
                                                  (vrml ? ".wrl" : ".iv"));
            SCOPED_TRACE(path);
            MeshFileWriter::Report report;
            ASSERT_TRUE(writeMeshes(path, *meshes, format, report));
            EXPECT_EQ(report.meshesWritten, meshes == &none ? 0 : 1);
            EXPECT_EQ(report.meshesLeftOut, meshes == &none ? 0 : 2);
            SoSeparator* root = readScene(path);
            ASSERT_NE(root, nullptr) << "Coin cannot read the file";
            std::vector<WingedEdgeMesh> kept;
            if (meshes != &none)
                kept.push_back(list.meshes[1]);
            expectCoinReadsFaces(kept, root);
            root->unref();
            if (vrml) {
                EXPECT_EQ(tovrmlx3dComplaints(path), "");
            }
        }
    }
    // The block of the tetrahedron is named after its object index.
    const std::vector<std::string> lines = readLines(scratch.path("some.wrl"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DEF Mesh3 Group {"), lines.end());
    EXPECT_EQ(MeshFileWriter::groupName(-2), "MeshMinus2");
}

// The sample models, as built, after one Loop step and with large faces.
TEST(MeshFileWriter, SampleModelsRoundTrip)
{
    ScratchDirectory scratch;
    for (const char* name : { "cube", "sphere", "torus", "two_objects" }) {
        SCOPED_TRACE(name);
        WingedEdgeList list;
        ASSERT_TRUE(buildModel(std::string(QUILLMAP_SOURCE_DIR) + "/models/" + name + ".iv", list));
        roundTrip(list.meshes, scratch, name, RebuildChecks());

        WingedEdgeList refined(list);
        ASSERT_EQ(refined.subdivide(WingedEdgeMesh::LOOP, 1, 20000000), 1);
        refined.renumber();
        roundTrip(refined.meshes, scratch, std::string(name) + "-loop", RebuildChecks());

        WingedEdgeList large(list);
        large.mergeCoplanarFaces(0.2);
        large.renumber();
        roundTrip(large.meshes, scratch, std::string(name) + "-large", { false, false });
    }
}

// Every model of the Inventor data set that holds strip sets.
TEST(MeshFileWriter, RealModelsRoundTrip)
{
    const std::vector<std::string> models = discoverRealModels();
    if (models.empty())
        GTEST_SKIP() << "no models in \"" << realModelsDirectory() << "\"";
    ScratchDirectory scratch;
    int withStrips = 0;
    for (const std::string& relative : models) {
        SCOPED_TRACE(relative);
        WingedEdgeList list;
        if (!buildModel(realModelsDirectory() + "/" + relative, list))
            continue;
        ++withStrips;
        std::string name = relative;
        std::replace(name.begin(), name.end(), '/', '-');
        roundTrip(list.meshes, scratch, name, { true, false });
    }
    EXPECT_GT(withStrips, 20) << "models with strip sets";
}
