// The generation node: which strip sets it finds, with which coordinates,
// when it rebuilds or refreshes, and what it publishes; and the key/value
// element the store and select nodes use.

#include <gtest/gtest.h>

#include <Inventor/SoPath.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/SoWingedEdgeListElement.h"

namespace {

// A scene "Separator { SoGenerateWingedEdge { <model> } SoCallback }": the
// callback after the generator records the list in force there.
class Scene {
public:
    explicit Scene(const std::string& model)
    {
        root = new SoSeparator;
        root->ref();
        generator = new SoGenerateWingedEdge;
        SoSeparator* content = readScene(model.c_str());
        if (content != nullptr) {
            generator->addChild(content);
            content->unref();
        }
        root->addChild(generator);
        SoCallback* probe = new SoCallback;
        probe->setCallback(record, this);
        root->addChild(probe);
    }
    ~Scene() { root->unref(); }

    // Traverses with a callback action and returns the list seen after the generator.
    const WingedEdgeList* traverse(void)
    {
        seen = nullptr;
        visits = 0;
        SoCallbackAction action;
        action.apply(root);
        return seen;
    }

    SoSeparator* root;
    SoGenerateWingedEdge* generator;
    const WingedEdgeList* seen = nullptr;
    int visits = 0;

private:
    static void record(void* data, SoAction* action)
    {
        Scene* self = static_cast<Scene*>(data);
        self->seen = SoWingedEdgeElement::get(action->getState());
        ++self->visits;
    }
};

const char* const kQuad = "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n";

} // namespace

TEST(SoGenerateWingedEdge, SplitsStripsAtSeparators)
{
    Scene scene(std::string("Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 0 0 1, 1 0 1, 0 1 1 ] }\n") +
                "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3, -1, 4, 5, 6, -1 ] }");
    const WingedEdgeList* list = scene.traverse();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].faceCount, 3) << "strips of 4 and 3 corners";
    EXPECT_EQ(list->meshes[0].vertexCount, 7);
    EXPECT_EQ(list->upToDate, 1);
    EXPECT_EQ(scene.generator->getOriginalFaceCount(), 3);
    EXPECT_EQ(list, &scene.generator->getOutputList()) << "the element points at the published list";

    // Empty runs and a last strip without its -1 are strips as well.
    Scene other(std::string(kQuad) + "IndexedTriangleStripSet { coordIndex [ -1, -1, 0, 1, 2, -1, 1, 3, 2 ] }");
    EXPECT_EQ(other.traverse()->meshes[0].faceCount, 2);
}

TEST(SoGenerateWingedEdge, EveryStripSetUsesTheCoordinatesInEffect)
{
    // Two strip sets each under its own coordinates: object indices 0 and 1.
    Scene two(std::string("Separator { ") + kQuad +
              "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3 ] } }\n"
              "Separator { Coordinate3 { point [ 5 5 5, 6 5 5, 5 6 5 ] } "
              "IndexedTriangleStripSet { coordIndex [ 0, 1, 2 ] } }");
    const WingedEdgeList* list = two.traverse();
    ASSERT_EQ(list->meshes.size(), 2u);
    EXPECT_EQ(list->meshes[0].objectIndex, 0);
    EXPECT_EQ(list->meshes[1].objectIndex, 1);
    EXPECT_EQ(list->meshes[0].faceCount, 2);
    EXPECT_EQ(list->meshes[1].faceCount, 1);
    EXPECT_EQ(list->meshes[1].vertices.front().objectIndex, 1);
    EXPECT_EQ(list->meshes[1].vertices.front().position, SbVec3f(5, 5, 5));

    // Two strip sets sharing one coordinate node, the second after a new
    // one: each takes the coordinates Coin draws it with.
    Scene shared(std::string(kQuad) +
                 "IndexedTriangleStripSet { coordIndex [ 0, 1, 2 ] }\n"
                 "IndexedTriangleStripSet { coordIndex [ 1, 3, 2 ] }\n"
                 "Coordinate3 { point [ 7 0 0, 8 0 0, 7 1 0, 8 1 0, 9 9 9 ] }\n"
                 "IndexedTriangleStripSet { coordIndex [ 4, 1, 2 ] }");
    list = shared.traverse();
    ASSERT_EQ(list->meshes.size(), 3u);
    EXPECT_EQ(list->meshes[1].vertices.front().position, SbVec3f(1, 0, 0));
    EXPECT_EQ(list->meshes[2].vertices.front().position, SbVec3f(9, 9, 9));

    // A vertexProperty with vertices wins over the coordinates in the state.
    Scene property(std::string(kQuad) +
                   "IndexedTriangleStripSet { vertexProperty VertexProperty { vertex [ 3 3 3, 4 3 3, 3 4 3 ] } "
                   "coordIndex [ 0, 1, 2 ] }");
    list = property.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].vertices.front().position, SbVec3f(3, 3, 3));

    // Coordinates below a transformation are stored in the generator's space.
    Scene moved(std::string("Translation { translation 10 0 0 }\nScale { scaleFactor 2 2 2 }\n") + kQuad +
                "IndexedTriangleStripSet { coordIndex [ 0, 1, 2 ] }");
    list = moved.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    const WEVertex& corner = *std::next(list->meshes[0].vertices.begin());
    EXPECT_EQ(corner.position, SbVec3f(12, 0, 0));
    EXPECT_NEAR(list->meshes[0].faces.front().normal.length(), 1.0f, 1e-6f);
}

TEST(SoGenerateWingedEdge, NormalsFromTheStateOrFromTheFaces)
{
    // normalIndex shorter than coordIndex: zero normals first, face normals at the end.
    Scene mismatch(std::string(kQuad) + "Normal { vector [ 1 0 0 ] }\n"
                                        "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3 ] normalIndex [ 0 ] }");
    const WingedEdgeList* list = mismatch.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    for (const WEVertex& v : list->meshes[0].vertices) {
        EXPECT_NEAR(std::fabs(v.normal[2]), 1.0f, 1e-6f) << "vertex " << v.id;
        EXPECT_EQ(v.normal[0], 0.0f) << "vertex " << v.id;
    }
}

TEST(SoGenerateWingedEdge, RebuildRefreshAndSwitchingOff)
{
    Scene scene(std::string(kQuad) + "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3 ] }");
    scene.generator->curvatureMode.setValue(4);
    scene.generator->threshold.setValue(0.5f);
    scene.generator->visualizationMode.setValue(3);
    WingedEdgeList* list = const_cast<WingedEdgeList*>(scene.traverse());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getCurvatureMode(), 4);
    EXPECT_EQ(list->getThreshold(), 0.5);
    EXPECT_EQ(list->getVisualizationMode(), 3);

    // Downstream nodes change the published list; invalidateList restores it.
    list->meshes.clear();
    list->modificationsApplied = list->classified = list->renderCacheValid = 1;
    EXPECT_TRUE(scene.traverse()->meshes.empty()) << "field changes alone do not refresh";
    scene.generator->invalidateList();
    list = const_cast<WingedEdgeList*>(scene.traverse());
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->modificationsApplied + list->classified + list->renderCacheValid, 0);

    list->renderCacheValid = 1;
    scene.generator->invalidateRenderCache();
    EXPECT_EQ(list->renderCacheValid, 0);
    list->renderCacheValid = 1;
    scene.generator->setVisualizationMode(5);
    EXPECT_EQ(scene.generator->visualizationMode.getValue(), 5);
    EXPECT_EQ(list->getVisualizationMode(), 5);
    EXPECT_EQ(list->renderCacheValid, 0);

    // Switched off: an empty list with default settings. The model changes
    // meanwhile; switching on again republishes the meshes as built,
    // without searching the model.
    scene.generator->doBuildWingedEdge.setValue(FALSE);
    list = const_cast<WingedEdgeList*>(scene.traverse());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->meshes.empty());
    EXPECT_EQ(list->getVisualizationMode(), 2);
    EXPECT_EQ(list->getCurvatureMode(), 1);
    EXPECT_EQ(list->getThreshold(), 0.01);
    EXPECT_EQ(list->upToDate, 0);

    SoSeparator* model = static_cast<SoSeparator*>(scene.generator->getChild(0));
    static_cast<SoCoordinate3*>(model->getChild(0))->point.set1Value(0, SbVec3f(0, 0, 42));
    scene.generator->doBuildWingedEdge.setValue(TRUE);
    list = const_cast<WingedEdgeList*>(scene.traverse());
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].vertices.front().position, SbVec3f(0, 0, 0)) << "no new search";
    EXPECT_EQ(list->getVisualizationMode(), 5);

    scene.generator->requestRebuild();
    list = const_cast<WingedEdgeList*>(scene.traverse());
    EXPECT_EQ(list->meshes[0].vertices.front().position, SbVec3f(0, 0, 42)) << "rebuilt from the model";

    // Nothing to build: an empty list is published all the same.
    Scene empty("Cube {}");
    const WingedEdgeList* none = empty.traverse();
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->meshes.empty());
    EXPECT_EQ(empty.generator->getOriginalFaceCount(), 0);
}

TEST(SoGenerateWingedEdge, EveryActionBuildsBeforeTraversingTheModel)
{
    Scene scene(std::string(kQuad) + "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3 ] }");
    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(scene.root);
    EXPECT_EQ(scene.generator->getOriginalFaceCount(), 2);
    EXPECT_FALSE(box.getBoundingBox().isEmpty()) << "the model below is still traversed";
    EXPECT_EQ(scene.generator->getOutputList().meshes.size(), 1u);
}

namespace {

int objectIndexFromName(void* data, SoPath* path)
{
    ++*static_cast<int*>(data);
    const SbName name = path->getTail()->getName();
    if (name == "skipMe")
        return -1;
    return 100 + path->getLength();
}

} // namespace

TEST(SoGenerateWingedEdge, ObjectIndexCallbackSeesThePath)
{
    Scene scene(std::string(kQuad) + "DEF skipMe IndexedTriangleStripSet { coordIndex [ 0, 1, 2 ] }\n"
                                     "Separator { IndexedTriangleStripSet { coordIndex [ 1, 3, 2 ] } }");
    int calls = 0;
    scene.generator->setObjectIndexCallback(objectIndexFromName, &calls);
    const WingedEdgeList* list = scene.traverse();
    ASSERT_EQ(list->meshes.size(), 2u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(list->meshes[0].objectIndex, 0) << "-1 keeps the position";
    // generator / read root / separator / strip set
    EXPECT_EQ(list->meshes[1].objectIndex, 104);
}

TEST(SoGenerateWingedEdge, BadIndicesAndMissingCoordinatesAreReported)
{
    DebugErrorCollector warnings;
    Scene scene(std::string(kQuad) + "Normal { vector [ 0 0 1 ] }\n"
                                     "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3, 9, -1, 0, 1, 2 ] "
                                     "normalIndex [ 0, 0, 0, 0, 0, -1, 0, 5, 0 ] }");
    const WingedEdgeList* list = scene.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].faceCount, 2) << "the first two triangles of the first strip";
    EXPECT_EQ(list->meshes[0].checkConsistency(), "");
    ASSERT_EQ(warnings.messages.size(), 1u) << "one line per strip set";
    EXPECT_NE(warnings.messages[0].find("2 triangles dropped"), std::string::npos) << warnings.messages[0];

    // No coordinates anywhere: the strip set is skipped with a diagnostic.
    warnings.messages.clear();
    Scene bare("IndexedTriangleStripSet { coordIndex [ 0, 1, 2 ] }");
    const WingedEdgeList* nothing = bare.traverse();
    ASSERT_NE(nothing, nullptr);
    EXPECT_TRUE(nothing->meshes.empty());
    ASSERT_EQ(warnings.messages.size(), 1u);
    EXPECT_NE(warnings.messages[0].find("no coordinates"), std::string::npos) << warnings.messages[0];

    // Faces of zero area over two strip sets (three corners on a line, two
    // corners at one point): one line per build with their number.
    warnings.messages.clear();
    Scene flat("Coordinate3 { point [ 0 0 0, 1 0 0, 2 0 0, 0 1 0, 0 1 0 ] }\n"
               "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, -1, 0, 1, 3 ] }\n"
               "IndexedTriangleStripSet { coordIndex [ 0, 3, 4 ] }");
    ASSERT_EQ(flat.traverse()->totalFaceCount(), 3);
    flat.traverse();
    ASSERT_EQ(warnings.messages.size(), 1u);
    EXPECT_NE(warnings.messages[0].find("2 of 3 faces are degenerate"), std::string::npos) << warnings.messages[0];
    flat.generator->requestRebuild();
    flat.traverse();
    EXPECT_EQ(warnings.messages.size(), 2u) << "once more for the new build";
}

namespace {

// What Coin itself makes of each shape: its triangles, counted per shape in
// traversal order.
std::vector<int> coinTriangleCounts(SoNode* root)
{
    struct Counts {
        std::vector<int> perShape;
        const SoNode* last = nullptr;
    } counts;
    SoCallbackAction action;
    action.addTriangleCallback(
        SoShape::getClassTypeId(),
        [](void* data, SoCallbackAction* action, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
           const SoPrimitiveVertex*) {
            Counts* counts = static_cast<Counts*>(data);
            if (action->getCurPathTail() != counts->last)
                counts->perShape.push_back(0);
            counts->last = action->getCurPathTail();
            ++counts->perShape.back();
        },
        &counts);
    action.apply(root);
    return counts.perShape;
}

struct MeshFacts {
    int borderEdges = 0;
    double area = 0.0;
    SbVec3f min{ 1e30f, 1e30f, 1e30f };
};

MeshFacts factsOf(const WingedEdgeMesh& mesh)
{
    MeshFacts facts;
    for (const WEEdge& e : mesh.edges)
        facts.borderEdges += e.isBoundary() ? 1 : 0;
    for (const WEFace& f : mesh.faces) {
        std::vector<SbVec3f> corner;
        for (const WEEdge* e : f.edges)
            for (const WEVertex* v : { e->startVertex, e->endVertex })
                if (std::find(corner.begin(), corner.end(), v->position) == corner.end())
                    corner.push_back(v->position);
        if (corner.size() == 3)
            facts.area += 0.5 * (corner[1] - corner[0]).cross(corner[2] - corner[0]).length();
    }
    for (const WEVertex& v : mesh.vertices)
        for (int i = 0; i < 3; ++i)
            facts.min[i] = std::min(facts.min[i], v.position[i]);
    return facts;
}

const char* const kEveryShape =
    // An L-shaped hexagon of area 3: concave, so a fan from its first
    // corner would overlap itself.
    "Separator { Transform { translation 10 0 0 }\n"
    "  Coordinate3 { point [ 0 0 0, 2 0 0, 2 1 0, 1 1 0, 1 2 0, 0 2 0 ] }\n"
    "  FaceSet { numVertices [ 6 ] } }\n"
    // A cube of six quads on eight shared corners.
    "Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0 0 1, 1 0 1, 1 1 1, 0 1 1 ] }\n"
    "IndexedFaceSet { coordIndex [ 0 3 2 1 -1, 4 5 6 7 -1, 0 1 5 4 -1, 1 2 6 5 -1, 2 3 7 6 -1, 3 0 4 7 -1 ] }\n"
    "LineSet { numVertices [ 4 ] }\n"
    "IndexedTriangleStripSet { coordIndex [ 0, 1, 3, 2 ] }\n"
    // A 3 x 3 grid of corners, 8 triangles.
    "Coordinate3 { point [ 0 0 0, 1 0 0, 2 0 0, 0 1 0, 1 1 0, 2 1 0, 0 2 0, 1 2 0, 2 2 0 ] }\n"
    "QuadMesh { verticesPerRow 3 verticesPerColumn 3 }\n"
    // No coordinates at all: corners are joined where they coincide.
    "Cube { }\n";

} // namespace

TEST(SoGenerateWingedEdge, EveryShapeBuildsCoinsTriangles)
{
    Scene scene(kEveryShape);
    const std::vector<int> coin = coinTriangleCounts(scene.generator);
    ASSERT_EQ(coin, std::vector<int>({ 4, 12, 2, 8, 12 })) << "what Coin makes of the scene";

    // Strip sets only, as stored scenes expect.
    const WingedEdgeList* list = scene.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].faceCount, 2);

    scene.generator->buildFromAllShapes = TRUE;
    scene.generator->requestRebuild();
    list = scene.traverse();
    ASSERT_EQ(list->meshes.size(), coin.size()) << "one mesh per shape that makes triangles";
    for (size_t m = 0; m < coin.size(); ++m) {
        const WingedEdgeMesh& mesh = list->meshes[m];
        SCOPED_TRACE("mesh " + std::to_string(m));
        EXPECT_EQ(mesh.checkConsistency(), "");
        EXPECT_EQ(mesh.faceCount, coin[m]);
        EXPECT_EQ(mesh.objectIndex, int32_t(m)) << "traversal order";
    }
    const MeshFacts hexagon = factsOf(list->meshes[0]);
    EXPECT_NEAR(hexagon.area, 3.0, 1e-6) << "the concave polygon is covered once";
    EXPECT_EQ(hexagon.min, SbVec3f(10.0f, 0.0f, 0.0f)) << "in the coordinates of the generator";
    EXPECT_EQ(list->meshes[0].vertexCount, 6);
    EXPECT_EQ(hexagon.borderEdges, 6);
    for (size_t m : { size_t(1), size_t(4) }) {
        // Closed cubes: 8 corners, 18 edges, no border.
        EXPECT_EQ(list->meshes[m].vertexCount, 8);
        EXPECT_EQ(list->meshes[m].edgeCount, 18);
        EXPECT_EQ(factsOf(list->meshes[m]).borderEdges, 0);
        EXPECT_NEAR(factsOf(list->meshes[m]).area, m == 1 ? 6.0 : 24.0, 1e-5);
    }
    EXPECT_EQ(list->meshes[3].vertexCount, 9);
    EXPECT_NEAR(factsOf(list->meshes[3]).area, 4.0, 1e-6);
    EXPECT_EQ(factsOf(list->meshes[3]).borderEdges, 8);

    // VRML 2.0: an indexed face set of three quads in a row, moved. The
    // first two share an edge by index; the third only by position (its
    // corner 6 lies where corner 2 does), so it stays apart as in a strip.
    Scene vrml("#VRML V2.0 utf8\n"
               "Transform { translation 0 0 5 children Shape { geometry IndexedFaceSet {\n"
               "  coord Coordinate { point [ 0 0 0, 1 0 0, 2 0 0, 0 1 0, 1 1 0, 2 1 0, 2 0 0, 3 0 0, 3 1 0 ] }\n"
               "  coordIndex [ 0 1 4 3 -1 1 2 5 4 -1 6 7 8 5 -1 ] } } }");
    vrml.generator->buildFromAllShapes = TRUE;
    list = vrml.traverse();
    ASSERT_EQ(list->meshes.size(), 1u);
    EXPECT_EQ(list->meshes[0].checkConsistency(), "");
    EXPECT_EQ(list->meshes[0].faceCount, coinTriangleCounts(vrml.generator).at(0));
    EXPECT_EQ(list->meshes[0].vertexCount, 9);
    EXPECT_EQ(factsOf(list->meshes[0]).borderEdges, 10) << "joined by index, not by position";
    EXPECT_EQ(factsOf(list->meshes[0]).min, SbVec3f(0.0f, 0.0f, 5.0f));
}

TEST(SoGenerateWingedEdge, ShapesCoinWouldReadPastAreSkipped)
{
    // Coin reads coordinates at any index it is given; such shapes are left
    // out with a line each, and the sound ones still build.
    DebugErrorCollector warnings;
    Scene scene("Coordinate3 { point [ 0 0 0, 2 0 0, 2 2 0, 1 1 0, 0 2 0 ] }\n"
                "DEF far IndexedFaceSet { coordIndex [ 0, 1, 2, 100000, 4, -1 ] }\n"
                "FaceSet { numVertices [ 50 ] }\n"
                "QuadMesh { startIndex 2 verticesPerRow 2 verticesPerColumn 2 }\n"
                "Normal { vector [ 0 0 1 ] }\n"
                "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] normalIndex [ 0, 0, 7, -1 ] }\n"
                "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] normalIndex [ 0, 0, 0, -1 ] }");
    scene.generator->buildFromAllShapes = TRUE;
    const WingedEdgeList* list = scene.traverse();
    ASSERT_EQ(list->meshes.size(), 1u) << "only the last face set is sound";
    EXPECT_EQ(list->meshes[0].faceCount, 1);
    ASSERT_EQ(warnings.messages.size(), 4u);
    EXPECT_NE(warnings.messages[0].find("IndexedFaceSet far is skipped: coordinate index 100000 lies outside the 5 "
                                        "coordinates"),
              std::string::npos)
        << warnings.messages[0];
    EXPECT_NE(warnings.messages[1].find("needs 50 coordinates and has 5"), std::string::npos) << warnings.messages[1];
    EXPECT_NE(warnings.messages[2].find("needs 6 coordinates and has 5"), std::string::npos) << warnings.messages[2];
    EXPECT_NE(warnings.messages[3].find("normal index 7 lies outside the 1 normals"), std::string::npos)
        << warnings.messages[3];
}

namespace {

struct KeyValueProbe {
    int phase = 0;
    std::vector<void*> seen;
};

int keyA, keyB, valueOne, valueTwo;

void setOrGet(void* data, SoAction* action)
{
    KeyValueProbe* probe = static_cast<KeyValueProbe*>(data);
    SoState* state = action->getState();
    switch (probe->phase++) {
    case 0:
        SoWingedEdgeListElement::set(state, nullptr, &keyA, &valueOne);
        break;
    case 1:
        SoWingedEdgeListElement::set(state, nullptr, &keyA, &valueTwo);
        SoWingedEdgeListElement::set(state, nullptr, &keyB, &valueOne);
        probe->seen.push_back(SoWingedEdgeListElement::get(state, &keyA));
        break;
    default:
        probe->seen.push_back(SoWingedEdgeListElement::get(state, &keyA));
        probe->seen.push_back(SoWingedEdgeListElement::get(state, &keyB));
        probe->seen.push_back(SoWingedEdgeListElement::get(state, &probe));
        break;
    }
}

} // namespace

TEST(SoWingedEdgeListElement, EntriesOutliveTheirSeparator)
{
    SoCallbackAction::enableElement(SoWingedEdgeListElement::getClassTypeId(),
                                    SoWingedEdgeListElement::getClassStackIndex());
    KeyValueProbe probe;
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoCallback* first = new SoCallback;
    first->setCallback(setOrGet, &probe);
    root->addChild(first);
    SoSeparator* inner = new SoSeparator;
    SoCallback* second = new SoCallback;
    second->setCallback(setOrGet, &probe);
    inner->addChild(second);
    root->addChild(inner);
    SoCallback* third = new SoCallback;
    third->setCallback(setOrGet, &probe);
    root->addChild(third);

    SoCallbackAction action;
    action.apply(root);
    ASSERT_EQ(probe.seen.size(), 4u);
    EXPECT_EQ(probe.seen[0], &valueTwo) << "an existing key gets the new value";
    EXPECT_EQ(probe.seen[1], &valueTwo) << "set below the separator, still there after it";
    EXPECT_EQ(probe.seen[2], &valueOne);
    EXPECT_EQ(probe.seen[3], nullptr) << "a missing key";
    root->unref();
}

class SoGenerateWingedEdgeGL : public GLFixture {
};

TEST_F(SoGenerateWingedEdgeGL, RenderingAndPickingBuildTheMeshesToo)
{
    const std::string model = std::string(kQuad) + "IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3 ] }";

    // A render traversal builds and publishes before drawing the model.
    Scene drawn(model);
    SoSeparator* root = readScene("OrthographicCamera { position 0.5 0.5 5 height 2 }\nBaseColor { rgb 1 0 0 }\n"
                                  "LightModel { model BASE_COLOR }");
    ASSERT_NE(root, nullptr);
    root->addChild(drawn.root);
    render(root);
    EXPECT_EQ(drawn.visits, 1);
    ASSERT_NE(drawn.seen, nullptr);
    EXPECT_EQ(drawn.seen->meshes.size(), 1u);
    EXPECT_EQ(drawn.generator->getOriginalFaceCount(), 2);
    EXPECT_GT(countPixels(SbColor(1, 0, 0)), 0) << "the model below the generator is drawn";
    root->unref();

    // So does a pick traversal.
    Scene picked(model);
    SoRayPickAction pick(SbViewportRegion(width(), height()));
    pick.setRay(SbVec3f(0.25f, 0.25f, 5.0f), SbVec3f(0, 0, -1));
    pick.apply(picked.root);
    EXPECT_EQ(picked.generator->getOriginalFaceCount(), 2);
    EXPECT_NE(pick.getPickedPoint(), nullptr) << "the model is still picked through the generator";
}
