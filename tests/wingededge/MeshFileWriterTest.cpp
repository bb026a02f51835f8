// The mesh file writer: the exact text of a hand-worked triangle, numbers as
// the C library prints them, meshes left out, and round trips of the sample
// and real models (as built, after a Loop step, with large faces) through
// Coin's reader and the generator, every VRML file also read by tovrmlx3d.

#include <gtest/gtest.h>

#include <Inventor/SbVec3d.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/RealModels.h"
#include "wingededge/FaceCycle.h"
#include "wingededge/MeshFileWriter.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WrittenFiles.h"

namespace {

const MeshFileWriter::Format kFormats[] = { MeshFileWriter::VRML_2_0, MeshFileWriter::INVENTOR_2_1 };

bool writeMeshes(const std::string& path, const std::vector<WingedEdgeMesh>& meshes, MeshFileWriter::Format format,
                 MeshFileWriter::Report& report)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = MeshFileWriter::write(file, meshes, format, report);
    return std::fclose(file) == 0 && ok;
}

SoSeparator* readScene(const std::string& path)
{
    SoInput in;
    if (!in.openFile(path.c_str()))
        return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    if (root != nullptr)
        root->ref();
    return root;
}

// The meshes the generator builds below `root`; with allShapes from every
// shape (VRML face sets), otherwise from the strip sets.
WingedEdgeList build(SoNode* root, bool allShapes)
{
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    generator->buildFromAllShapes = allShapes;
    generator->addChild(root);
    DebugErrorCollector degenerateFaces; // the models' own, reported by the model tests
    testing::internal::CaptureStdout();
    SoCallbackAction().apply(generator);
    testing::internal::GetCapturedStdout();
    WingedEdgeList list = generator->getOutputList();
    generator->unref();
    return list;
}

typedef std::vector<SbVec3f> Corners;

// The corners of each triangle of each shape as Coin's triangle callback gives them.
void addTriangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a, const SoPrimitiveVertex* b,
                 const SoPrimitiveVertex* c)
{
    Corners t(3);
    const SoPrimitiveVertex* v[3] = { a, b, c };
    for (int i = 0; i < 3; ++i)
        action->getModelMatrix().multVecMatrix(v[i]->getPoint(), t[i]);
    static_cast<std::vector<std::vector<Corners>>*>(data)->back().push_back(t);
}

std::vector<std::vector<Corners>> coinTriangles(SoNode* root)
{
    std::vector<std::vector<Corners>> shapes;
    SoCallbackAction action;
    action.addPreCallback(
        SoShape::getClassTypeId(),
        [](void* data, SoCallbackAction*, const SoNode*) {
            static_cast<std::vector<std::vector<Corners>>*>(data)->emplace_back();
            return SoCallbackAction::CONTINUE;
        },
        &shapes);
    action.addTriangleCallback(SoShape::getClassTypeId(), addTriangle, &shapes);
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

SbVec3d toDouble(const SbVec3f& v) { return SbVec3d(v[0], v[1], v[2]); }

// The unit normal of t seen counter-clockwise, or zero for a triangle so
// thin that rounding its corners to six decimals could turn it over.
SbVec3d ccwNormal(const Corners& t)
{
    const SbVec3d u = toDouble(t[1]) - toDouble(t[0]), w = toDouble(t[2]) - toDouble(t[0]);
    const SbVec3d n = u.cross(w);
    const double longest = std::max({ u.length(), w.length(), (w - u).length() });
    return longest > 0.0 && n.length() / longest >= 1e-5 ? n / n.length() : SbVec3d(0, 0, 0);
}

Corners cornersOf(const WEFace& face)
{
    std::vector<WEEdge*> cycle;
    faceCycle(face, cycle);
    Corners corners;
    for (const WEEdge* e : cycle)
        corners.push_back(startInFace(e, &face)->position);
    return corners;
}

// Whether t has three corners, each one of the face's.
bool onCornersOf(const Corners& t, const WEFace& face)
{
    const Corners corners = cornersOf(face);
    return t.size() == 3 && std::all_of(t.begin(), t.end(), [&](const SbVec3f& c) {
               return std::any_of(corners.begin(), corners.end(), [&](const SbVec3f& p) { return sameWritten(p, c); });
           });
}

// Counts, over the faces of one mesh, the triangles read back that are not
// on their face's corners and those that face away from the face's normal.
struct Mismatches {
    size_t misplaced = 0, turned = 0;
    void add(const Corners& t, const SbVec3f& normal, const WEFace& face)
    {
        misplaced += onCornersOf(t, face) ? 0 : 1;
        turned += t.size() == 3 && ccwNormal(t).dot(toDouble(normal)) < 0.0 ? 1 : 0;
    }
};

// Writes the meshes in both formats and reads each file back. Coin must find
// every face as one triangle on the face's corners (all of them for a
// triangle), counter-clockwise seen from where the face normal points. The
// generator must build the same number of faces on the same corners again.
// It chooses the facing of each connected piece itself (by enclosed volume,
// or by the first face of an open piece), whatever way the file winds it;
// where that choice is arbitrary (flat closed pieces without volume, edges
// of three or more faces, polygons cut to their first triangle) it may
// choose the other way, so `sameFacing` asks for its facing only where not.
void roundTrip(const std::vector<WingedEdgeMesh>& meshes, const ScratchDirectory& scratch, const std::string& name,
               bool trianglesOnly, bool sameFacing)
{
    for (const MeshFileWriter::Format format : kFormats) {
        const bool vrml = format == MeshFileWriter::VRML_2_0;
        const std::string path = scratch.path(name + (vrml ? ".wrl" : ".iv"));
        SCOPED_TRACE(path);
        MeshFileWriter::Report report;
        ASSERT_TRUE(writeMeshes(path, meshes, format, report));
        EXPECT_EQ(report.meshesWritten, int(meshes.size()));
        if (vrml) {
            EXPECT_EQ(tovrmlx3dComplaints(path), "");
        }
        SoSeparator* root = readScene(path);
        ASSERT_NE(root, nullptr) << "Coin cannot read the file";
        const std::vector<std::vector<Corners>> coin = coinTriangles(root);
        const WingedEdgeList again = build(root, vrml);
        root->unref();
        ASSERT_EQ(coin.size(), meshes.size()) << "shapes Coin reads";
        ASSERT_EQ(again.meshes.size(), meshes.size()) << "meshes built back";
        for (size_t m = 0; m < meshes.size(); ++m) {
            ASSERT_EQ(coin[m].size(), meshes[m].faces.size()) << "Coin's triangles of mesh " << m;
            ASSERT_EQ(again.meshes[m].faces.size(), meshes[m].faces.size()) << "faces built back of mesh " << m;
            if (trianglesOnly) {
                EXPECT_EQ(again.meshes[m].vertexCount, meshes[m].vertexCount) << "vertices of mesh " << m;
            }
            Mismatches read, built;
            auto coinTriangle = coin[m].begin();
            auto builtFace = again.meshes[m].faces.begin();
            for (const WEFace& face : meshes[m].faces) {
                read.add(*coinTriangle++, face.normal, face);
                const Corners t = cornersOf(*builtFace);
                // A built face's cycle runs clockwise seen from its normal.
                built.add(t.size() == 3 ? Corners{ t[0], t[2], t[1] } : t, face.normal, face);
                ++builtFace;
            }
            EXPECT_EQ(read.misplaced, 0u) << "mesh " << m << ": Coin's triangles off their face's corners";
            EXPECT_EQ(read.turned, 0u) << "mesh " << m << ": Coin's triangles facing away from their face";
            EXPECT_EQ(built.misplaced, 0u) << "mesh " << m << ": faces built back on other corners";
            if (sameFacing) {
                EXPECT_EQ(built.turned, 0u) << "mesh " << m << ": faces built back facing the other way";
            }
        }
    }
}

std::string fixed(float v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", double(v));
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
    const std::vector<std::vector<std::string>> expected = {
        { "#VRML V2.0 utf8", producer, "", "DEF Mesh0 Group {", "  children [", "    Shape {",
          "      appearance Appearance {", "        material Material {",
          "          diffuseColor 1.000000 1.000000 1.000000", "        }", "      }", "",
          "      geometry DEF Mesh0-FACES IndexedFaceSet {", "        ccw TRUE", "        solid TRUE", "",
          "        coord DEF Box01-COORD Coordinate { point [", "          0.000000 0.000000 1.000000,",
          "          0.000000 1.000000 1.000000,", "          1.000000 0.000000 1.000000]", "        }", "",
          "        normalPerVertex TRUE", "        normal Normal { vector [", "          0.000000 0.000000 1.000000,",
          "          0.000000 0.000000 1.000000,", "          0.000000 0.000000 1.000000]", "        }", "",
          "        coordIndex [", "          0, 2, 1, -1]", "", "        normalIndex [", "          0, 2, 1, -1]", "",
          "      }", "    }", "  ]", "}" },
        { "#Inventor V2.1 ascii", producer, "", "Separator {", "", "  DEF Mesh0 Separator {", "", "    ShapeHints {",
          "      vertexOrdering COUNTERCLOCKWISE", "      shapeType SOLID", "      faceType CONVEX", "    }", "",
          "    Material {", "      diffuseColor 1.000000 1.000000 1.000000", "    }", "", "    Coordinate3 {",
          "      point [", "        0.000000 0.000000 1.000000,", "        0.000000 1.000000 1.000000,",
          "        1.000000 0.000000 1.000000]", "    }", "", "    MaterialBinding {", "      value OVERALL", "    }",
          "", "    Normal {", "      vector [", "        0.000000 0.000000 1.000000,",
          "        0.000000 0.000000 1.000000,", "        0.000000 0.000000 1.000000]", "    }", "",
          "    NormalBinding {", "      value PER_VERTEX_INDEXED", "    }", "", "    IndexedTriangleStripSet {",
          "      coordIndex [", "        0, 2, 1, -1]", "", "      normalIndex [", "        0, 2, 1, -1]", "", "    }",
          "  }", "", "}" },
    };
    for (int f = 0; f < 2; ++f) {
        const std::string path = scratch.path(f == 0 ? "t.wrl" : "t.iv");
        MeshFileWriter::Report report;
        ASSERT_TRUE(writeMeshes(path, list.meshes, kFormats[f], report));
        const std::vector<std::string> lines = fileLines(path);
        for (size_t i = 0; i < std::max(lines.size(), expected[f].size()); ++i)
            EXPECT_EQ(i < lines.size() ? lines[i] : "<end>", i < expected[f].size() ? expected[f][i] : "<end>")
                << path << " line " << i + 1;
    }
    EXPECT_EQ(tovrmlx3dComplaints(scratch.path("t.wrl")), "");
}

// Positions and normals come out as printf's "%f" writes them: ties to even,
// negative zero, tiny and huge values, and random ones over a wide range.
TEST(MeshFileWriter, NumbersAsPrintfWritesThem)
{
    std::vector<SbVec3f> points = {
        SbVec3f(0.0078125f, 0.0234375f, -0.0078125f), // 7812.5 and 23437.5 millionths: ties
        SbVec3f(-0.0f, -1e-9f, 4e-7f),                // signs of values that round to zero
        SbVec3f(1e30f, -3.4e38f, 8388607.5f),         // beyond every fixed integer width
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<float> exponent(-30.0f, 30.0f), mantissa(-1.0f, 1.0f);
    while (points.size() < 3000)
        points.emplace_back(mantissa(random) * std::exp2(exponent(random)),
                            mantissa(random) * std::exp2(exponent(random)), mantissa(random));
    std::vector<Triangle> triangles;
    for (int32_t i = 0; i + 2 < int32_t(points.size()); i += 3)
        triangles.push_back({ i, i + 1, i + 2 });
    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, stripsFromTriangles(points, triangles));

    ScratchDirectory scratch;
    for (const MeshFileWriter::Format format : kFormats) {
        const std::string path = scratch.path("numbers");
        MeshFileWriter::Report report;
        ASSERT_TRUE(writeMeshes(path, list.meshes, format, report));
        std::vector<std::string> expected;
        for (bool normals : { false, true }) {
            size_t left = mesh.vertices.size();
            for (const WEVertex& v : mesh.vertices) {
                const SbVec3f& x = normals ? v.normal : v.position;
                expected.push_back(fixed(x[0]) + " " + fixed(x[1]) + " " + fixed(x[2]) + (--left > 0 ? "," : "]"));
            }
        }
        // The lines of the point and vector lists, without their indentation.
        std::vector<std::string> written;
        bool inList = false;
        for (const std::string& line : fileLines(path)) {
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
            EXPECT_EQ(written[i], expected[i]) << "vertex line " << i;
    }
}

// Meshes without vertices or faces cannot fill a block, and positions that
// are not finite cannot be read: such meshes are left out. A normal that is
// not finite is written as zero. What is written still reads, also when
// nothing is left.
TEST(MeshFileWriter, BadMeshesLeftOutOfAValidFile)
{
    ScratchDirectory scratch;
    WingedEdgeList list;
    buildSingle(list, makeTetrahedron(), 3);
    list.meshes.insert(list.meshes.begin(), WingedEdgeMesh());
    list.meshes.emplace_back();
    list.meshes.back().vertices.emplace_back();
    list.meshes.back().vertexCount = 1;
    WingedEdgeMesh::buildFromStrips(list, 5, makeTetrahedron());
    list.meshes.back().vertices.back().position[1] = std::nanf("");
    WingedEdgeMesh::buildFromStrips(list, 6, makeTetrahedron());
    list.meshes.back().vertices.front().normal[2] = INFINITY;
    const std::vector<WingedEdgeMesh> none;
    const std::vector<WingedEdgeMesh>& some = list.meshes;

    for (const MeshFileWriter::Format format : kFormats) {
        for (const std::vector<WingedEdgeMesh>* meshes : { &none, &some }) {
            const std::string path = scratch.path(meshes == &none ? "none" : "some") +
                                     (format == MeshFileWriter::VRML_2_0 ? ".wrl" : ".iv");
            SCOPED_TRACE(path);
            MeshFileWriter::Report report;
            ASSERT_TRUE(writeMeshes(path, *meshes, format, report));
            const int some = meshes == &none ? 0 : 1;
            EXPECT_EQ(report.meshesWritten, 2 * some);
            EXPECT_EQ(report.meshesLeftOut, 2 * some);
            EXPECT_EQ(report.meshesNotFinite, some);
            EXPECT_EQ(report.normalsZeroed, some);
            SoSeparator* root = readScene(path);
            ASSERT_NE(root, nullptr) << "Coin cannot read the file";
            const std::vector<std::vector<Corners>> coin = coinTriangles(root);
            root->unref();
            ASSERT_EQ(coin.size(), 2u * some);
            for (const std::vector<Corners>& shape : coin)
                EXPECT_EQ(shape.size(), 4u) << "the tetrahedron's faces";
            if (format == MeshFileWriter::VRML_2_0) {
                EXPECT_EQ(tovrmlx3dComplaints(path), "");
            }
        }
    }
    // The tetrahedron's block is named after its object index.
    const std::vector<std::string> lines = fileLines(scratch.path("some.wrl"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DEF Mesh3 Group {"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DEF Mesh6 Group {"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "          0.000000 0.000000 0.000000,"), lines.end());
    EXPECT_EQ(MeshFileWriter::groupName(-2), "MeshMinus2");
}

// The sample models, as built, after one Loop step and with large faces.
TEST(MeshFileWriter, SampleModelsRoundTrip)
{
    ScratchDirectory scratch;
    for (const std::string name : { "cube", "sphere", "torus", "two_objects" }) {
        SCOPED_TRACE(name);
        SoSeparator* model = readScene(std::string(QUILLMAP_SOURCE_DIR) + "/models/" + name + ".iv");
        ASSERT_NE(model, nullptr);
        const WingedEdgeList list = build(model, false);
        model->unref();
        ASSERT_FALSE(list.meshes.empty());
        roundTrip(list.meshes, scratch, name, true, true);

        WingedEdgeList refined(list);
        ASSERT_EQ(refined.subdivide(WingedEdgeMesh::LOOP, 1, 20000000), 1);
        refined.renumber();
        roundTrip(refined.meshes, scratch, name + "-loop", true, true);

        WingedEdgeList large(list);
        large.mergeCoplanarFaces(0.2);
        large.renumber();
        roundTrip(large.meshes, scratch, name + "-large", false, false);
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
        SoSeparator* model = readScene(realModelsDirectory() + "/" + relative);
        if (model == nullptr)
            continue;
        const WingedEdgeList list = build(model, false);
        model->unref();
        if (list.meshes.empty())
            continue;
        ++withStrips;
        std::string name = relative;
        std::replace(name.begin(), name.end(), '/', '-');
        roundTrip(list.meshes, scratch, name, true, false);
    }
    EXPECT_GT(withStrips, 20) << "models with strip sets";
}
