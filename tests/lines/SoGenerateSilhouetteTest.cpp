// SoGenerateSilhouette in render traversals through the offscreen GL
// fixture: the lines it appends to the line state, its caches across frames,
// the orthographic search against brute force, self-drawing with the
// depth-buffer visibility test, and the records it leaves clean.

#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTranslation.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "lines/SoGenerateSilhouette.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "support/GLFixture.h"
#include "support/MeshBuilders.h"
#include "support/TestNodes.h"
#include "wingededge/WingedEdge.h"

namespace {

// Restores the process-wide switches whatever a test does with them.
struct Switches {
    Switches(void)
    {
        SoGenerateSilhouette::setCameraStatic(false);
        SoGenerateSilhouette::setTriangleChunkRepairOff(false);
        SoGenerateSilhouette::setZigZagRepairOff(false);
    }
    ~Switches()
    {
        SoGenerateSilhouette::setCameraStatic(false);
        SoGenerateSilhouette::setTriangleChunkRepairOff(false);
        SoGenerateSilhouette::setZigZagRepairOff(false);
    }
};

class SoGenerateSilhouetteGL : public GLFixture {
protected:
    Switches switches;
    WingedEdgeList list;
    SoSeparator* root = nullptr;
    SoPerspectiveCamera* perspective = nullptr;
    SoOrthographicCamera* orthographic = nullptr;
    ListSource* source = nullptr;
    SoSeparator* occluders = nullptr;
    LineSource* incoming = nullptr;
    SoGenerateSilhouette* silhouette = nullptr;
    LineRecorder* recorder = nullptr;

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
        root = new SoSeparator;
        root->ref();
        perspective = new SoPerspectiveCamera;
        perspective->ref();
        orthographic = new SoOrthographicCamera;
        orthographic->ref();
        root->addChild(perspective);
        SoLightModel* unlit = new SoLightModel;
        unlit->model = SoLightModel::BASE_COLOR;
        root->addChild(unlit);
        source = new ListSource;
        source->list = &list;
        root->addChild(source);
        occluders = new SoSeparator;
        root->addChild(occluders);
        // No incoming lines: empty coordinates and indices, set all the same.
        incoming = new LineSource;
        incoming->setWhenEmpty = LineSource::COORDINATES | LineSource::INDICES;
        root->addChild(incoming);
        silhouette = new SoGenerateSilhouette;
        root->addChild(silhouette);
        recorder = new LineRecorder;
        root->addChild(recorder);
        aim(SbVec3f(3.0f, 2.5f, 4.0f));
    }
    void TearDown() override
    {
        if (root != nullptr) {
            root->unref();
            perspective->unref();
            orthographic->unref();
        }
        GLFixture::TearDown();
    }

    // Both cameras look at the origin from `eye`.
    void aim(const SbVec3f& eye)
    {
        for (SoCamera* camera : { static_cast<SoCamera*>(perspective), static_cast<SoCamera*>(orthographic) }) {
            camera->position = eye;
            camera->pointAt(SbVec3f(0, 0, 0));
            camera->nearDistance = 0.5f;
            camera->farDistance = 50.0f;
        }
        orthographic->height = 3.0f;
    }
    int drawnPixels(void) const
    {
        return countPixels([](const PixelRGBA& p) { return p.r > 8 || p.g > 8 || p.b > 8; });
    }
    void useOrthographic(bool on) { root->replaceChild(0, on ? static_cast<SoNode*>(orthographic) : perspective); }

    // The strips the node appended after the incoming ones, as position pairs.
    std::vector<std::pair<SbVec3f, SbVec3f>> appendedEdges(size_t incomingIndices) const
    {
        std::vector<std::pair<SbVec3f, SbVec3f>> edges;
        for (size_t i = incomingIndices; i + 2 < recorder->indices.size(); i += 3) {
            const int32_t a = recorder->indices[i], b = recorder->indices[i + 1];
            EXPECT_EQ(recorder->indices[i + 2], -1) << "entry " << i + 2;
            if (a < 0 || b < 0 || size_t(a) >= recorder->points.size() || size_t(b) >= recorder->points.size()) {
                ADD_FAILURE() << "strip at entry " << i << " indexes outside the coordinates";
                continue;
            }
            edges.push_back({ recorder->points[size_t(a)], recorder->points[size_t(b)] });
        }
        return edges;
    }
};

bool facing(const WEFace& face, const SbVec3f& eye)
{
    SbVec3f v = eye - face.edges[0]->startVertex->position;
    v.normalize();
    return face.normal.dot(v) > 0.0f;
}

TEST_F(SoGenerateSilhouetteGL, CubeLinesSentDownTheChain)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    list.upToDate = 1;
    render(root);
    // Silhouette and sharp edges of a cube are its twelve edges, as
    // two-point strips over its eight corners.
    EXPECT_EQ(recorder->points.size(), 8u);
    ASSERT_EQ(recorder->indices.size(), 36u);
    const auto edges = appendedEdges(0);
    for (const auto& e : edges) {
        const SbVec3f d = e.first - e.second;
        EXPECT_NEAR(d.length(), 1.0f, 1e-6f) << "a diagonal was sent";
    }
    EXPECT_EQ(drawnPixels(), 0) << "sending lines draws nothing";
    for (const WEEdge& e : list.meshes[0].edges)
        EXPECT_EQ(e.flags, 0) << "edge " << e.id;

    // Without sharp edges: the six silhouette edges only, each between a
    // face turned towards the eye and one turned away.
    silhouette->displaySharpEdges = FALSE;
    render(root);
    EXPECT_EQ(appendedEdges(0).size(), 6u);
    EXPECT_EQ(silhouette->getLastEdges().size(), 6u);
    for (const SilhouetteExtractor::Edge& e : silhouette->getLastEdges())
        EXPECT_NE(facing(*e.edge->leftFace, SbVec3f(3.0f, 2.5f, 4.0f)), facing(*e.edge->rightFace, SbVec3f(3.0f, 2.5f, 4.0f)));

    // Lines already in the state keep their entries; the new coordinates follow.
    const SbVec3f three[3] = { SbVec3f(9, 0, 0), SbVec3f(9, 1, 0), SbVec3f(9, 2, 0) };
    incoming->points.setValues(0, 3, three);
    const int32_t strip[4] = { 0, 1, 2, -1 };
    incoming->indices.setValues(0, 4, strip);
    render(root);
    ASSERT_GE(recorder->indices.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(recorder->indices[size_t(i)], strip[i]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(recorder->points[size_t(i)], three[i]);
    EXPECT_EQ(recorder->points.size(), 3u + 6u);
    for (size_t i = 4; i < recorder->indices.size(); ++i)
        EXPECT_TRUE(recorder->indices[i] == -1 || recorder->indices[i] >= 3) << "entry " << i;
    EXPECT_EQ(appendedEdges(4).size(), 6u);
}

TEST_F(SoGenerateSilhouetteGL, SharedVerticesAreStoredOnceInFirstUseOrder)
{
    // A lone triangle: its three border edges, p->q, q->r, r->p in some
    // order, over three coordinates numbered as the edges first use them.
    WingedEdgeMesh::buildFromStrips(list, 0, stripsFromTriangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } }));
    list.upToDate = 1;
    render(root);
    ASSERT_EQ(recorder->points.size(), 3u);
    ASSERT_EQ(recorder->indices.size(), 9u);
    const std::vector<SilhouetteExtractor::Edge>& edges = silhouette->getLastEdges();
    ASSERT_EQ(edges.size(), 3u);
    std::vector<const WEVertex*> order;
    for (const SilhouetteExtractor::Edge& e : edges)
        for (const WEVertex* v : { e.edge->startVertex, e.edge->endVertex })
            if (std::find(order.begin(), order.end(), v) == order.end())
                order.push_back(v);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recorder->points[i], order[i]->position) << "coordinate " << i;
        const WEEdge* e = edges[i].edge;
        EXPECT_EQ(recorder->indices[3 * i], std::find(order.begin(), order.end(), e->startVertex) - order.begin());
        EXPECT_EQ(recorder->indices[3 * i + 1], std::find(order.begin(), order.end(), e->endVertex) - order.begin());
        EXPECT_EQ(recorder->indices[3 * i + 2], -1);
    }
}

TEST_F(SoGenerateSilhouetteGL, CachesFollowAngleProjectionAndListButNotTheCamera)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(10, 12));
    list.upToDate = 1;
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 1);
    EXPECT_EQ(list.classified, 1);
    render(root);
    aim(SbVec3f(-2.0f, 4.0f, 1.0f));
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 1) << "a camera move reclassified";

    silhouette->sharpEdgesAngle = 100.0f;
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 2);
    useOrthographic(true);
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 3);
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 3);
    // A refreshed list starts unclassified.
    list.classified = 0;
    render(root);
    EXPECT_EQ(silhouette->getClassificationCount(), 4);

    // Camera static: the silhouette of the frozen view while the camera moves.
    const std::vector<SilhouetteExtractor::Edge> before = silhouette->getLastEdges();
    SoGenerateSilhouette::setCameraStatic(true);
    aim(SbVec3f(1.0f, -4.0f, 2.0f));
    render(root);
    ASSERT_EQ(silhouette->getLastEdges().size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(silhouette->getLastEdges()[i].edge, before[i].edge);
    SoGenerateSilhouette::setCameraStatic(false);
    render(root);
    const std::vector<SilhouetteExtractor::Edge>& after = silhouette->getLastEdges();
    const bool same = after.size() == before.size() &&
                      std::equal(before.begin(), before.end(), after.begin(),
                                 [](const SilhouetteExtractor::Edge& a, const SilhouetteExtractor::Edge& b) {
                                     return a.edge == b.edge;
                                 });
    EXPECT_FALSE(same) << "the moved camera did not change the silhouette";

    // Switched off, the node does nothing; an out-of-date list neither.
    silhouette->doComputation = FALSE;
    recorder->indices.assign(1, 99);
    render(root);
    EXPECT_TRUE(recorder->indices.empty());
    silhouette->doComputation = TRUE;
    list.upToDate = 0;
    render(root);
    EXPECT_TRUE(recorder->indices.empty());
}

TEST_F(SoGenerateSilhouetteGL, OrthographicSearchMatchesBruteForce)
{
    SoGenerateSilhouette::setTriangleChunkRepairOff(true);
    SoGenerateSilhouette::setZigZagRepairOff(true);
    silhouette->displaySharpEdges = FALSE;
    useOrthographic(true);
    struct Case {
        const char* name;
        StripInput input;
    };
    // The large sphere is searched through the cell grid.
    const Case cases[] = { { "sphere", makeSphere(16, 20) },
                           { "torus", makeTorus(24, 12, 1.0f, 0.4f) },
                           { "large sphere", makeSphere(101, 201) } };
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int checked = 0;
    for (const Case& c : cases) {
        list.clear();
        WingedEdgeMesh::buildFromStrips(list, 0, c.input);
        list.upToDate = 1;
        const bool large = list.totalFaceCount() > 40000;
        for (int trial = 0; trial < 10; ++trial) {
            SbVec3f eye(unit(random), unit(random), unit(random));
            eye.normalize();
            aim(eye * 8.0f);
            render(root);
            // d as the node derives it: towards the origin from the eye.
            const SbVec3f d = -eye;
            std::set<int32_t> expected;
            for (const WEEdge& e : list.meshes[0].edges) {
                const float a = e.leftFace->normal.dot(d), b = e.rightFace->normal.dot(d);
                if (std::fabs(a) < 1e-4f || std::fabs(b) < 1e-4f) {
                    expected.clear();
                    break; // too close to call; this view is skipped
                }
                if ((a > 0) != (b > 0))
                    expected.insert(e.id);
            }
            if (expected.empty())
                continue;
            std::set<int32_t> got;
            for (const SilhouetteExtractor::Edge& e : silhouette->getLastEdges())
                got.insert(e.edge->id);
            EXPECT_EQ(got, expected) << c.name << " view " << trial;
            EXPECT_EQ(silhouette->usesGridSearch(), large) << c.name;
            ++checked;
        }
    }
    EXPECT_GE(checked, 18) << "too few views could be compared";
}

TEST_F(SoGenerateSilhouetteGL, SelfDrawnEdgesStopAtOccluders)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(16, 20));
    list.upToDate = 1;
    silhouette->sendLines = FALSE;
    silhouette->antialiasing = FALSE;
    silhouette->fillLineCracks = FALSE;
    silhouette->displaySharpEdges = FALSE;
    aim(SbVec3f(0, 0, 6));

    silhouette->displaySilhouette = FALSE;
    render(root);
    const int all = countPixels(SbColor(0, 1, 0), 0.02f);
    EXPECT_GT(all, 100) << "the outline is drawn in the drawing colour";
    EXPECT_TRUE(recorder->indices.empty()) << "self-drawing sets no line element";

    // A red box covering the left half of the view, between camera and sphere.
    SoBaseColor* red = new SoBaseColor;
    red->rgb.setValue(1, 0, 0);
    occluders->addChild(red);
    SoTranslation* move = new SoTranslation;
    move->translation.setValue(-2.0f, 0.0f, 2.0f);
    occluders->addChild(move);
    SoCube* box = new SoCube;
    box->width = 4.0f;
    box->height = 6.0f;
    box->depth = 0.1f;
    occluders->addChild(box);

    silhouette->displaySilhouette = TRUE;
    render(root);
    // Green only right of the box's edge, at the centre column.
    int leftGreen = 0, rightGreen = 0;
    const std::vector<uint8_t> rgba = readRGBA();
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x) {
            const uint8_t* p = &rgba[size_t(4 * (y * width() + x))];
            if (p[1] > 200 && p[0] < 50)
                (x < width() / 2 - 2 ? leftGreen : rightGreen) += 1;
        }
    EXPECT_EQ(leftGreen, 0) << "edges drawn behind the box";
    EXPECT_GT(rightGreen, all / 3) << "the visible half is missing";
    ASSERT_FALSE(silhouette->getLastVisibleEdges().empty());
    for (const VisibleEdge& v : silhouette->getLastVisibleEdges())
        for (const EdgeInterval& i : v.intervals)
            EXPECT_TRUE(i.t0 >= 0.0f && i.t0 <= i.t1 && i.t1 <= 1.0f) << "edge " << v.edge->id;

    // Everything behind the box: nothing is drawn at all.
    move->translation.setValue(0.0f, 0.0f, 2.0f);
    box->width = 8.0f;
    render(root);
    EXPECT_EQ(countPixels(SbColor(0, 1, 0), 0.1f), 0);
    EXPECT_TRUE(silhouette->getLastVisibleEdges().empty());
    for (const WEVertex& v : list.meshes[0].vertices)
        EXPECT_EQ(v.flags, 0) << "vertex " << v.id;
}

// Two silhouette nodes under one generator whose model changes between
// frames, so that the published list holds other meshes in its records.
// Each node must notice that its caches belong to the records as they were,
// even when the other node has already classified the new list.
TEST_F(SoGenerateSilhouetteGL, TwoNodesFollowTheRecordsOfARefreshedList)
{
    SoGenerateSilhouette::setTriangleChunkRepairOff(true);
    SoGenerateSilhouette::setZigZagRepairOff(true);
    SoSeparator* models[2];
    const char* names[2] = { "sphere.iv", "torus.iv" };
    for (int i = 0; i < 2; ++i) {
        SoInput in;
        ASSERT_TRUE(in.openFile((std::string(QUILLMAP_SOURCE_DIR "/models/") + names[i]).c_str()));
        models[i] = SoDB::readAll(&in);
        ASSERT_NE(models[i], nullptr) << names[i];
        models[i]->ref();
    }
    SoSeparator* scene = new SoSeparator;
    scene->ref();
    scene->addChild(perspective);
    SoDrawStyle* invisible = new SoDrawStyle;
    invisible->style = SoDrawStyle::INVISIBLE;
    scene->addChild(invisible);
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->addChild(models[0]);
    scene->addChild(generator);
    SoGenerateSilhouette* nodes[2] = { new SoGenerateSilhouette, new SoGenerateSilhouette };
    for (SoGenerateSilhouette* node : nodes) {
        node->displaySharpEdges = FALSE;
        scene->addChild(node);
    }

    int compared = 0;
    for (bool parallel : { false, true }) {
        scene->replaceChild(0, parallel ? static_cast<SoNode*>(orthographic) : perspective);
        for (int refresh = 0; refresh < 4; ++refresh) {
            generator->replaceChild(0, models[refresh % 2]);
            generator->requestRebuild();
            const SbVec3f eye(3.0f - float(refresh), 2.5f, 4.0f);
            aim(eye);
            render(scene);
            // The silhouette of the meshes now published, by brute force.
            const WingedEdgeList& list = generator->getOutputList();
            ASSERT_EQ(list.meshes.size(), 1u);
            SbVec3f d = -eye;
            d.normalize();
            std::set<const WEEdge*> expected;
            bool clear = true;
            for (const WEEdge& e : list.meshes[0].edges) {
                if (e.leftFace == nullptr || e.rightFace == nullptr) {
                    expected.insert(&e);
                    continue;
                }
                if (!parallel) {
                    if (facing(*e.leftFace, eye) != facing(*e.rightFace, eye))
                        expected.insert(&e);
                    continue;
                }
                const float a = e.leftFace->normal.dot(d), b = e.rightFace->normal.dot(d);
                clear = clear && std::fabs(a) > 1e-4f && std::fabs(b) > 1e-4f;
                if ((a > 0) != (b > 0))
                    expected.insert(&e);
            }
            if (!clear)
                continue; // a normal too close to the view plane to call
            ++compared;
            for (const SoGenerateSilhouette* node : nodes) {
                std::set<const WEEdge*> got;
                for (const SilhouetteExtractor::Edge& e : node->getLastEdges())
                    got.insert(e.edge);
                EXPECT_TRUE(got == expected) << (node == nodes[0] ? "first" : "second") << " node, " << names[refresh % 2]
                                             << ", parallel " << parallel << ": " << got.size() << " edges, "
                                             << expected.size() << " expected";
            }
        }
    }
    EXPECT_GE(compared, 6);
    scene->unref();
    for (SoSeparator* model : models)
        model->unref();
}

// A render cache around the node must not replay what the node drew for
// meshes that have changed since: no element tells Coin that they did.
TEST_F(SoGenerateSilhouetteGL, SelfDrawingIsNotReplayedFromARenderCache)
{
    silhouette->sendLines = FALSE;
    silhouette->antialiasing = FALSE;
    silhouette->displaySilhouette = FALSE;
    aim(SbVec3f(0, 0, 6));
    SoSeparator* cached = new SoSeparator;
    cached->renderCaching = SoSeparator::ON;
    cached->ref();
    cached->addChild(perspective);
    cached->addChild(source);
    cached->addChild(silhouette);

    auto outlineWidth = [this]() {
        // Columns holding green on the middle row.
        const std::vector<uint8_t> rgba = readRGBA();
        const int y = height() / 2;
        int low = width(), high = -1;
        for (int x = 0; x < width(); ++x) {
            const uint8_t* p = &rgba[size_t(4 * (y * width() + x))];
            if (p[1] > 200 && p[0] < 50) {
                low = std::min(low, x);
                high = std::max(high, x);
            }
        }
        return high - low;
    };
    for (float radius : { 1.0f, 0.5f }) {
        list.clear();
        WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(16, 20, radius));
        list.upToDate = 1;
        for (int frame = 0; frame < 3; ++frame)
            render(cached);
        if (radius == 1.0f) {
            EXPECT_GT(outlineWidth(), 20) << "the outline of the large sphere";
            continue;
        }
        const int small = outlineWidth();
        render(cached);
        EXPECT_EQ(outlineWidth(), small);
        list.clear();
        WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(16, 20, 1.0f));
        list.upToDate = 1;
        render(cached);
        EXPECT_GT(outlineWidth(), small + 10) << "the outline was replayed from the cache";
    }
    cached->unref();
}

} // namespace
