// SoWingedEdge rendered through the offscreen GL fixture: every
// visualization mode checked in the pixels and depth it leaves, the display
// lists recorded only when the meshes or the settings change, and the edges
// handed to the line chain with sendLines. The bounding box and the absence
// of primitives are checked without GL.
//
// A small source node of the test publishes a winged-edge list that the test
// owns, so that flags and modes can be set directly.

#include <Inventor/SbViewVolume.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSubNode.h>
#include <Inventor/nodes/SoTranslation.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lines/SoLineCoordinateIndexElement.h"
#include "support/GLFixture.h"
#include "support/OffscreenContext.h"
#include "support/TestNodes.h"
#include "support/MeshBuilders.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

namespace {

// Filled polygons pushed back a little, as the viewer sets it up, so that
// edges on the surface win the depth test against their own faces.
void polygonOffset(void*, SoAction* action)
{
    if (action->isOfType(SoGLRenderAction::getClassTypeId())) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 1.0f);
    }
}

class SoWingedEdgeGL : public GLFixture {
protected:
    WingedEdgeList list;
    SoSeparator* root = nullptr;
    SoOrthographicCamera* camera = nullptr;
    ListSource* source = nullptr;
    SoWingedEdge* shape = nullptr;
    // Nodes between the source and the shape (occluders, incoming lines).
    SoSeparator* before = nullptr;
    SoSeparator* after = nullptr;

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
        root = new SoSeparator;
        root->ref();
        SoCallback* offset = new SoCallback;
        offset->setCallback(polygonOffset, nullptr);
        root->addChild(offset);
        camera = new SoOrthographicCamera;
        root->addChild(camera);
        SoDirectionalLight* light = new SoDirectionalLight;
        light->direction.setValue(-0.2f, -0.3f, -1.0f);
        root->addChild(light);
        source = new ListSource;
        source->list = &list;
        root->addChild(source);
        before = new SoSeparator;
        root->addChild(before);
        shape = new SoWingedEdge;
        root->addChild(shape);
        after = new SoSeparator;
        root->addChild(after);
        look(SbVec3f(0, 0, 1), 2.5f);
    }
    void TearDown() override
    {
        if (root != nullptr)
            root->unref();
        GLFixture::TearDown();
    }

    // The camera looks at the origin from `direction`.
    void look(const SbVec3f& direction, float height)
    {
        SbVec3f d = direction;
        d.normalize();
        camera->position = d * 10.0f;
        camera->pointAt(SbVec3f(0, 0, 0));
        camera->height = height;
        camera->nearDistance = 1.0f;
        camera->farDistance = 20.0f;
    }

    // Pixel of a world point.
    void pixelOf(const SbVec3f& p, int& x, int& y) const
    {
        const SbViewVolume volume = camera->getViewVolume(float(width()) / float(height()));
        SbVec3f screen;
        volume.projectToScreen(p, screen);
        x = int(screen[0] * float(width()));
        y = int(screen[1] * float(height()));
    }

    void setMode(int mode)
    {
        list.setVisualizationMode(mode);
        list.renderCacheValid = 0;
    }

    // Pixels whose colour is not the black background.
    int drawnPixels(void) const
    {
        return countPixels([](const PixelRGBA& p) { return p.r > 8 || p.g > 8 || p.b > 8; });
    }
};

TEST_F(SoWingedEdgeGL, FlatFacesAreLitAndBackFacesCulled)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    setMode(SoWingedEdge::FLAT_SHADING);
    look(SbVec3f(1.0f, 0.8f, 0.6f), 2.5f);
    render(root);
    int x, y;
    pixelOf(SbVec3f(0, 0, 0), x, y);
    const PixelRGBA centre = pixelRGBA(x, y);
    // Grey faces, lit: neither black nor a saturated colour.
    EXPECT_GT(int(centre.r), 40) << centre;
    EXPECT_NEAR(int(centre.r), int(centre.g), 3) << centre;
    EXPECT_NEAR(int(centre.g), int(centre.b), 3) << centre;
    EXPECT_EQ(pixelRGBA(1, 1), PixelRGBA()) << "corner of the image";
    EXPECT_LT(depth(x, y), 1.0f);
    // Lit: the sides facing the light differently differ in brightness, in
    // the first frame and in every one after it.
    for (int frame = 0; frame < 2; ++frame) {
        render(root);
        int brightest = 0, darkest = 255;
        countPixels([&](const PixelRGBA& p) {
            if (p.r > 8) {
                brightest = std::max(brightest, int(p.r));
                darkest = std::min(darkest, int(p.r));
            }
            return false;
        });
        EXPECT_GT(brightest - darkest, 20) << "frame " << frame << ": faces are not lit";
    }

    // Flat shading shows facets: the two triangles of a side are shaded
    // alike, though the corner normals they would carry differ.
    for (const SbVec3f& side : { SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, 0, 1) }) {
        const SbVec3f u(side[1], side[2], side[0]), v = side.cross(u);
        int x1, y1, x2, y2;
        pixelOf(side * 0.5f + (u + v) * 0.3f, x1, y1);
        pixelOf(side * 0.5f - (u + v) * 0.3f + (u - v) * 0.1f, x2, y2);
        EXPECT_EQ(pixelRGBA(x1, y1), pixelRGBA(x2, y2)) << "side " << side[0] << side[1] << side[2];
    }

    // From inside the cube every face turns its back to the camera: nothing.
    camera->position.setValue(0, 0, 0);
    camera->orientation.setValue(SbRotation::identity());
    camera->nearDistance = 0.01f;
    camera->height = 0.5f;
    render(root);
    EXPECT_EQ(drawnPixels(), 0) << "back faces were drawn";
    // The depth-only mode does not cull: the same faces are in the depth buffer.
    setMode(SoWingedEdge::DEPTH_ONLY);
    render(root);
    EXPECT_LT(depth(width() / 2, height() / 2), 1.0f);
}

TEST_F(SoWingedEdgeGL, EdgesBehindTheSurfaceAndWithoutDepthTest)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(10, 14));
    shape->lineWidth = 1.0f;
    shape->antialiasing = FALSE;
    shape->fillLineCracks = FALSE;
    setMode(SoWingedEdge::WIREFRAME);
    // A slanted view, so that back and front edges do not project alike.
    look(SbVec3f(0.3f, 0.5f, 1.0f), 2.4f);

    shape->hideBackfaces = TRUE;
    render(root);
    const std::vector<uint8_t> hidden = readRGBA();
    const int hiddenCount = drawnPixels();
    // The faces went to the depth buffer only.
    EXPECT_LT(depth(width() / 2, height() / 2), 1.0f);

    shape->hideBackfaces = FALSE;
    render(root);
    const std::vector<uint8_t> all = readRGBA();
    const int allCount = drawnPixels();
    EXPECT_GT(hiddenCount, 200);
    EXPECT_GT(allCount, hiddenCount + hiddenCount / 4) << "the edges behind the sphere add lines";
    // The front edges are drawn either way.
    int lost = 0;
    for (size_t i = 0; i < hidden.size(); i += 4)
        if (hidden[i] > 128 && all[i] < 64)
            ++lost;
    EXPECT_LT(lost, hiddenCount / 50) << "front edges missing without the face pass";
    // Line colour white.
    EXPECT_GT(countPixels(SbColor(1, 1, 1), 0.02f), hiddenCount / 2);

    // An opaque box between camera and sphere hides every edge of the
    // wireframe, none of the edges drawn without the depth test.
    SoBaseColor* red = new SoBaseColor;
    red->rgb.setValue(1, 0, 0);
    before->addChild(red);
    SoTranslation* towardsCamera = new SoTranslation;
    towardsCamera->translation = camera->position.getValue() * 0.3f;
    before->addChild(towardsCamera);
    SoCube* box = new SoCube;
    box->width = box->height = box->depth = 4.0f;
    before->addChild(box);
    render(root);
    EXPECT_EQ(countPixels(SbColor(1, 1, 1), 0.1f), 0) << "edges drawn through the box";
    setMode(SoWingedEdge::EDGES_WITHOUT_DEPTH_TEST);
    render(root);
    EXPECT_GT(countPixels(SbColor(1, 1, 1), 0.1f), allCount / 2) << "edges without depth test lost behind the box";
}

TEST_F(SoWingedEdgeGL, DepthOnlyAndFlaggedVertices)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    WingedEdgeMesh& cube = list.meshes[0];
    look(SbVec3f(1.0f, 0.8f, 0.6f), 2.5f);

    // Depth only: depth inside the cube, no colour anywhere.
    setMode(SoWingedEdge::DEPTH_ONLY);
    render(root);
    EXPECT_EQ(drawnPixels(), 0);
    int x, y;
    pixelOf(SbVec3f(0, 0, 0), x, y);
    EXPECT_LT(depth(x, y), 1.0f);
    EXPECT_EQ(depth(1, 1), 1.0f);

    // Flagged edges with none flagged: only the marked vertices, as points.
    shape->hideBackfaces = FALSE;
    shape->antialiasing = FALSE;
    setMode(SoWingedEdge::FLAGGED_EDGES);
    render(root);
    EXPECT_EQ(drawnPixels(), 0) << "nothing is flagged";
    WEVertex* marked[3] = {};
    int n = 0;
    for (WEVertex& v : cube.vertices)
        if (n < 3 && v.position.dot(SbVec3f(1.0f, 0.8f, 0.6f)) > 0.0f)
            marked[n++] = &v;
    ASSERT_EQ(n, 3);
    marked[0]->flags = 32;
    marked[1]->flags = 64;
    marked[2]->flags = 32 | 64;
    list.renderCacheValid = 0;
    render(root);
    const SbColor expected[3] = { SbColor(0, 0, 1), SbColor(1, 0, 0), SbColor(1, 0, 1) };
    for (int i = 0; i < 3; ++i) {
        pixelOf(marked[i]->position, x, y);
        EXPECT_EQ(pixel(x, y), expected[i]) << "vertex " << marked[i]->id;
    }
    // Points of 7.5 pixels, nothing else.
    const int drawn = drawnPixels();
    EXPECT_GT(drawn, 3 * 20);
    EXPECT_LT(drawn, 3 * 100);
    for (WEVertex& v : cube.vertices)
        v.flags = 0;
}

TEST_F(SoWingedEdgeGL, CurvatureModesDrawDefinedColours)
{
    // A sphere: mean curvature the same everywhere, at the top of the range.
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(24, 32));
    look(SbVec3f(0.2f, 0.3f, 1.0f), 2.4f);
    list.setCurvatureMode(4);
    setMode(SoWingedEdge::COLORED_FACES);
    render(root);
    // The point of the sphere nearest to the camera.
    int x, y;
    pixelOf(camera->position.getValue() * 0.1f, x, y);
    PixelRGBA c = pixelRGBA(x, y);
    EXPECT_GT(int(c.r), 4 * int(c.b) + 10) << "sphere in curvature colours should be red: " << c;

    // A curvature mode without values: the plain face colour.
    list.setCurvatureMode(6);
    setMode(SoWingedEdge::COLORED_FACES);
    render(root);
    c = pixelRGBA(x, y);
    EXPECT_NEAR(int(c.r), int(c.b), 3) << c;
    EXPECT_NEAR(int(c.r), int(c.g), 3) << c;
    EXPECT_GT(int(c.r), 40) << c;

    // Principal directions on the sphere: curvature positive, red lines.
    list.setCurvatureMode(4);
    setMode(SoWingedEdge::CURVATURE_DIRECTIONS);
    render(root);
    EXPECT_GT(countPixels([](const PixelRGBA& p) { return p.r > 100 && p.b < 40; }), 100);
    EXPECT_EQ(countPixels([](const PixelRGBA& p) { return p.b > 100 && p.r < 40; }), 0)
        << "negative curvature on a sphere";

    // A flat grid facing the camera: every value 0.
    list.clear();
    WingedEdgeMesh& grid = buildSingle(list, makeGrid(8));
    const SbVec3f normal = grid.faces.front().normal;
    SbVec3f centre(0, 0, 0);
    for (const WEVertex& v : grid.vertices)
        centre += v.position;
    centre /= float(grid.vertexCount);
    // Look at the grid's centre along its normal.
    look(normal, 12.0f);
    camera->position = camera->position.getValue() + centre;
    list.setCurvatureMode(4);
    setMode(SoWingedEdge::COLORED_FACES);
    render(root);
    pixelOf(centre, x, y);
    c = pixelRGBA(x, y);
    // Zero range: the middle of the ramp, red and blue alike.
    EXPECT_GT(int(c.r), 20) << c;
    EXPECT_NEAR(int(c.r), int(c.b), 3) << c;
    EXPECT_LT(int(c.g), 12) << c; // the white highlight only

    // Singularity classes: with nothing curved every difference stays below
    // the threshold, class 2, red.
    list.setCurvatureMode(9);
    list.setThreshold(0.01);
    setMode(SoWingedEdge::THREE_COLORED_FACES);
    render(root);
    c = pixelRGBA(x, y);
    EXPECT_GT(int(c.r), 40) << c;
    EXPECT_LT(int(c.g) + int(c.b), 24) << c;

    // Directions on the grid: curvature 0 is not positive, blue lines only.
    setMode(SoWingedEdge::CURVATURE_DIRECTIONS);
    render(root);
    EXPECT_GT(countPixels([](const PixelRGBA& p) { return p.b > 100 && p.r < 40; }), 50);
    EXPECT_EQ(countPixels([](const PixelRGBA& p) { return p.r > 100 && p.b < 40; }), 0);
}

TEST_F(SoWingedEdgeGL, DisplayListsAreRecordedOnlyWhenSomethingChanged)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(8, 12));
    setMode(SoWingedEdge::FLAT_SHADING);
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::FACE_LIST), 1);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::EDGE_LIST), 0);
    EXPECT_EQ(list.renderCacheValid, 1);
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::FACE_LIST), 1) << "unchanged settings re-recorded the faces";

    // Flat faces to wireframe, as the generator switches it (the mode alone
    // also counts).
    list.setVisualizationMode(SoWingedEdge::WIREFRAME);
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::EDGE_LIST), 1);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::FACE_LIST), 2) << "depth pass of the new mode";
    render(root);
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::EDGE_LIST), 1) << "the stored edge list was not simply called";

    // A field the drawing depends on.
    shape->hideBackfaces = FALSE;
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::EDGE_LIST), 2);
    // The application's invalidation after a colour change.
    shape->setLineColor(1, 0, 0);
    list.renderCacheValid = 0;
    render(root);
    EXPECT_EQ(shape->getRecordCount(SoWingedEdge::EDGE_LIST), 3);
    EXPECT_GT(countPixels(SbColor(1, 0, 0), 0.02f), 50) << "the new line colour";
}

TEST_F(SoWingedEdgeGL, SendLinesAppendsEdgesAfterIncomingLines)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    LineSource* incoming = new LineSource;
    const SbVec3f three[3] = { SbVec3f(5, 0, 0), SbVec3f(6, 0, 0), SbVec3f(7, 0, 0) };
    incoming->points.setValues(0, 3, three);
    const int32_t strips[6] = { 0, 1, -1, 1, 2, -1 };
    incoming->indices.setValues(0, 6, strips);
    // Both sit in the shape's own group: the lines it sets stay in force
    // for the recorder after it.
    LineRecorder* recorder = new LineRecorder;
    root->insertChild(recorder, root->findChild(shape) + 1);
    root->insertChild(incoming, root->findChild(shape));

    shape->sendLines = TRUE;
    setMode(SoWingedEdge::WIREFRAME);
    render(root);
    EXPECT_EQ(drawnPixels(), 0) << "edges handed on must not be drawn";
    const int edges = list.meshes[0].edgeCount;
    ASSERT_EQ(recorder->points.size(), size_t(3 + 8)) << "three incoming and the cube's eight corners";
    ASSERT_EQ(recorder->indices.size(), size_t(6 + 3 * edges));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(recorder->indices[size_t(i)], strips[i]) << "incoming entry " << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(recorder->points[size_t(i)], three[i]);
    // The edges sent are the sides of the input triangles (cube edges and
    // face diagonals), each once: their corners are found back by position.
    const StripInput input = makeCube();
    std::set<std::pair<int, int>> sides, sent;
    for (size_t t = 0; t + 2 < input.coordIndex.size(); t += 3)
        for (int i = 0; i < 3; ++i)
            sides.insert(std::minmax(input.coordIndex[t + size_t(i)], input.coordIndex[t + size_t((i + 1) % 3)]));
    ASSERT_EQ(sides.size(), size_t(edges));
    auto cornerOf = [&](const SbVec3f& p) {
        const auto at = std::find(input.coordinates.begin(), input.coordinates.end(), p);
        return at == input.coordinates.end() ? -1 : int(at - input.coordinates.begin());
    };
    for (int e = 0; e < edges; ++e) {
        const int32_t a = recorder->indices[size_t(6 + 3 * e)], b = recorder->indices[size_t(6 + 3 * e + 1)];
        EXPECT_EQ(recorder->indices[size_t(6 + 3 * e + 2)], -1);
        ASSERT_TRUE(a >= 3 && a < 11 && b >= 3 && b < 11) << "edge " << e;
        const int ca = cornerOf(recorder->points[size_t(a)]), cb = cornerOf(recorder->points[size_t(b)]);
        EXPECT_TRUE(ca >= 0 && cb >= 0) << "edge " << e << " does not end at cube corners";
        EXPECT_TRUE(sent.insert(std::minmax(ca, cb)).second) << "edge " << e << " sent twice";
    }
    EXPECT_EQ(sent, sides);
    EXPECT_EQ(shape->getLineCacheBuildCount(), 1);
    const std::vector<int32_t> firstIndices = recorder->indices;

    // Again with the same meshes: the numbering is only shifted.
    render(root);
    EXPECT_EQ(shape->getLineCacheBuildCount(), 1);
    EXPECT_EQ(recorder->indices, firstIndices);

    // Two more incoming coordinates shift every edge index by two.
    const SbVec3f five[5] = { SbVec3f(5, 0, 0), SbVec3f(6, 0, 0), SbVec3f(7, 0, 0), SbVec3f(8, 0, 0),
                              SbVec3f(9, 0, 0) };
    incoming->points.setValues(0, 5, five);
    render(root);
    EXPECT_EQ(shape->getLineCacheBuildCount(), 1);
    ASSERT_EQ(recorder->indices.size(), firstIndices.size());
    for (size_t i = 6; i < firstIndices.size(); ++i)
        EXPECT_EQ(recorder->indices[i], firstIndices[i] < 0 ? -1 : firstIndices[i] + 2) << "entry " << i;
    EXPECT_EQ(recorder->points.size(), size_t(5 + 8));
}

// Display lists belong to one GL context. Drawn in a second context, the node
// makes its lists anew there and frees those of the first through Coin's
// deferred delete, which runs once the first context renders again; a node
// that goes away frees its lists the same way.
TEST_F(SoWingedEdgeGL, DisplayListsOfALeftContextAreFreedThere)
{
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    setMode(SoWingedEdge::WIREFRAME);
    auto listsAt = [](GLuint first) {
        int n = 0;
        for (GLuint i = 0; i < GLuint(SoWingedEdge::LIST_COUNT); ++i)
            n += glIsList(first + i) == GL_TRUE ? 1 : 0;
        return n;
    };
    render(root);
    const GLuint inFirst = shape->getFirstListName();
    ASSERT_NE(inFirst, 0u);
    EXPECT_EQ(listsAt(inFirst), SoWingedEdge::LIST_COUNT);

    OffscreenContext other;
    const std::string unavailable = other.open(width(), height());
    ASSERT_TRUE(unavailable.empty()) << unavailable;
    const uint32_t otherCache = SoGLCacheContextElement::getUniqueCacheContext();
    SoGLRenderAction otherRender{ SbViewportRegion(short(width()), short(height())) };
    otherRender.setCacheContext(otherCache);
    otherRender.apply(root);
    const GLuint inSecond = shape->getFirstListName();
    EXPECT_EQ(listsAt(inSecond), SoWingedEdge::LIST_COUNT) << "second context";
    otherRender.apply(root);
    EXPECT_EQ(shape->getFirstListName(), inSecond) << "made again in the context they belong to";

    ASSERT_TRUE(makeCurrent());
    EXPECT_EQ(listsAt(inFirst), SoWingedEdge::LIST_COUNT) << "deleted before their context was current";
    SoSeparator* empty = new SoSeparator;
    empty->ref();
    render(empty);
    EXPECT_EQ(listsAt(inFirst), 0) << "the lists left behind in the first context";

    // The node goes: its lists go with the second context's next render.
    root->removeChild(shape);
    shape = nullptr;
    ASSERT_TRUE(other.makeCurrent());
    EXPECT_EQ(listsAt(inSecond), SoWingedEdge::LIST_COUNT);
    otherRender.apply(empty);
    EXPECT_EQ(listsAt(inSecond), 0) << "the lists of the destroyed node";
    SoContextHandler::destructingContext(otherCache);
    empty->unref();
}

TEST(SoWingedEdgeTest, BoundingBoxAndNoPrimitives)
{
    registerTestNodes();
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeCube());
    WingedEdgeMesh::buildFromStrips(list, 1, makeTetrahedron());
    SoSeparator* root = new SoSeparator;
    root->ref();
    ListSource* source = new ListSource;
    root->addChild(source);
    root->addChild(new SoWingedEdge);

    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(root);
    EXPECT_TRUE(box.getBoundingBox().isEmpty()) << "no list, no box";

    source->list = &list;
    box.apply(root);
    const SbBox3f b = box.getBoundingBox();
    EXPECT_EQ(b.getMin(), SbVec3f(-1, -1, -1)); // the tetrahedron reaches further
    EXPECT_EQ(b.getMax(), SbVec3f(1, 1, 1));

    int triangles = 0;
    SoCallbackAction callback;
    callback.addTriangleCallback(
        SoWingedEdge::getClassTypeId(),
        [](void* count, SoCallbackAction*, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
           const SoPrimitiveVertex*) { ++*static_cast<int*>(count); },
        &triangles);
    callback.apply(root);
    EXPECT_EQ(triangles, 0);
    root->unref();
}

} // namespace
