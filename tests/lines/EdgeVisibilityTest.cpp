// Visibility of edges against the depth buffer: analytic cases on a painted
// depth image, seeded random scenes against a per-pixel reference, and the
// OpenGL depth source under a real render.

#include <Inventor/SbViewVolume.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/nodes/SoCallback.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <deque>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "lines/EdgeVisibility.h"
#include "lines/GLDepthSource.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/PaintedDepth.h"
#include "wingededge/WingedEdge.h"

namespace {

// The position that the identity object-to-clip matrix takes to window
// position (x, y) and window depth z in `view`.
SbVec3f windowPoint(const DepthViewport& view, double x, double y, double z)
{
    return SbVec3f(float((x - view.x) / (view.width / 2) - 1.0), float((y - view.y) / (view.height / 2) - 1.0),
                   float(2.0 * z - 1.0));
}

// Edges with vertices of their own unless shared on purpose.
struct Edges {
    std::deque<WEVertex> vertices;
    std::deque<WEEdge> records;
    std::vector<WEEdge*> list;

    WEVertex* vertex(const SbVec3f& p)
    {
        vertices.emplace_back();
        vertices.back().position = p;
        return &vertices.back();
    }
    WEEdge* add(WEVertex* a, WEVertex* b)
    {
        records.emplace_back();
        records.back().id = int32_t(records.size()) - 1;
        records.back().startVertex = a;
        records.back().endVertex = b;
        list.push_back(&records.back());
        return &records.back();
    }
    WEEdge* add(const SbVec3f& a, const SbVec3f& b) { return add(vertex(a), vertex(b)); }
    int flaggedVertices(void) const
    {
        int count = 0;
        for (const WEVertex& v : vertices)
            count += v.flags != 0;
        return count;
    }
};

const VisibleEdge* find(const std::vector<VisibleEdge>& result, const WEEdge* edge)
{
    for (const VisibleEdge& entry : result)
        if (entry.edge == edge)
            return &entry;
    return nullptr;
}

std::string describe(const VisibleEdge* entry)
{
    if (entry == nullptr)
        return "(not in the result)";
    std::ostringstream text;
    text << "[";
    for (const EdgeInterval& i : entry->intervals)
        text << " (" << i.t0 << ", " << i.t1 << ")";
    text << " ]";
    return text.str();
}

const DepthViewport kView = {0, 0, 128, 128};
const SbMatrix kIdentity = SbMatrix::identity();

} // namespace

// Occluder over columns 64..127 at depth 0.25; lines behind it at depth 0.5.
// A transition lands within two pixels of the occluder's side: one pixel
// from the 3 x 3 neighbourhood, one from stopping the bisection.
TEST(EdgeVisibilityTest, EdgesAgainstARectangularOccluder)
{
    for (float maximalError : {1.0f, 4.0f, 13.0f, 60.0f}) {
        SCOPED_TRACE(testing::Message() << "maximalError " << maximalError);
        PaintedDepth depth(kView);
        depth.paint(64, 0, 127, 127, 0.25f);
        Edges edges;
        WEEdge* clear = edges.add(windowPoint(kView, 10, 20, 0.5), windowPoint(kView, 50, 100, 0.5));
        WEEdge* leaving = edges.add(windowPoint(kView, 20, 40, 0.5), windowPoint(kView, 100, 40, 0.5));
        WEEdge* entering = edges.add(windowPoint(kView, 100, 60, 0.5), windowPoint(kView, 20, 60, 0.5));
        WEEdge* diagonal = edges.add(windowPoint(kView, 30, 10, 0.5), windowPoint(kView, 110, 120, 0.5));
        WEEdge* inFront = edges.add(windowPoint(kView, 20, 80, 0.125), windowPoint(kView, 110, 80, 0.125));
        WEEdge* hidden = edges.add(windowPoint(kView, 80, 10, 0.5), windowPoint(kView, 120, 100, 0.5));
        EdgeVisibility visibility;
        const std::vector<VisibleEdge> result = visibility.compute(edges.list, maximalError, kIdentity, depth);

        for (WEEdge* edge : {clear, inFront}) {
            const VisibleEdge* entry = find(result, edge);
            ASSERT_NE(entry, nullptr) << "edge " << edge->id;
            ASSERT_EQ(entry->intervals.size(), 1u) << "edge " << edge->id << " " << describe(entry);
            EXPECT_EQ(entry->intervals[0].t0, 0.0) << "edge " << edge->id;
            EXPECT_EQ(entry->intervals[0].t1, 1.0) << "edge " << edge->id;
        }
        // (edge, x at t = 0, x at t = 1, whether it starts visible)
        const struct {
            WEEdge* edge;
            double x0, x1;
            bool startsVisible;
        } crossing[] = {{leaving, 20, 100, true}, {entering, 100, 20, false}, {diagonal, 30, 110, true}};
        for (const auto& c : crossing) {
            const VisibleEdge* entry = find(result, c.edge);
            ASSERT_NE(entry, nullptr) << "edge " << c.edge->id;
            ASSERT_EQ(entry->intervals.size(), 1u) << "edge " << c.edge->id << " " << describe(entry);
            const EdgeInterval& piece = entry->intervals[0];
            EXPECT_EQ(c.startsVisible ? piece.t0 : piece.t1, c.startsVisible ? 0.0 : 1.0) << "edge " << c.edge->id;
            const double cut = c.startsVisible ? piece.t1 : piece.t0;
            EXPECT_NEAR(c.x0 + cut * (c.x1 - c.x0), 64.0, 2.0) << "edge " << c.edge->id << " cut at t = " << cut;
        }
        EXPECT_EQ(find(result, hidden), nullptr) << "hidden edge: " << describe(find(result, hidden));
        EXPECT_EQ(result.size(), 5u) << "edges in the result";
        EXPECT_EQ(edges.flaggedVertices(), 0) << "vertices still carrying a number";
    }
}

TEST(EdgeVisibilityTest, GapsShortEdgesAndTheDepthComparison)
{
    PaintedDepth depth(kView);
    depth.paint(50, 0, 70, 127, 0.25f);      // a band in front of the lines
    depth.paint(100, 100, 127, 127, 0.25f);  // a flat surface at exactly 0.25
    depth.paint(20, 100, 22, 102, 0.2f);     // a 3 x 3 patch in front of 0.5 ...
    depth.at(22, 102) = 0.5f;                // ... but for one corner level with it
    depth.paint(30, 100, 32, 102, 0.2f);
    depth.at(33, 101) = 0.5f;                // level with it one pixel too far out
    Edges edges;
    WEEdge* through = edges.add(windowPoint(kView, 10, 64, 0.5), windowPoint(kView, 110, 64, 0.5));
    // Ends 0.4 pixels apart round to the same pixel.
    WEEdge* dot = edges.add(windowPoint(kView, 30.3, 30, 0.5), windowPoint(kView, 29.7, 30, 0.5));
    WEEdge* hiddenDot = edges.add(windowPoint(kView, 60, 30, 0.5), windowPoint(kView, 60, 30, 0.5));
    WEEdge* level = edges.add(windowPoint(kView, 110, 110, 0.25), windowPoint(kView, 110, 110, 0.25));
    const float below = std::nextafter(0.25f, 0.0f);
    depth.paint(100, 80, 127, 90, below);
    WEEdge* justBehind = edges.add(windowPoint(kView, 110, 85, 0.25), windowPoint(kView, 110, 85, 0.25));
    WEEdge* corner = edges.add(windowPoint(kView, 21, 101, 0.5), windowPoint(kView, 21, 101, 0.5));
    WEEdge* beyond = edges.add(windowPoint(kView, 31, 101, 0.5), windowPoint(kView, 31, 101, 0.5));

    EdgeVisibility visibility;
    const std::vector<VisibleEdge> result = visibility.compute(edges.list, 4.0f, kIdentity, depth);

    const VisibleEdge* entry = find(result, through);
    ASSERT_NE(entry, nullptr) << "edge through the band";
    ASSERT_EQ(entry->intervals.size(), 2u) << "edge through the band " << describe(entry);
    EXPECT_EQ(entry->intervals[0].t0, 0.0) << describe(entry);
    EXPECT_NEAR(10 + 100 * entry->intervals[0].t1, 50.0, 2.0) << describe(entry);
    EXPECT_NEAR(10 + 100 * entry->intervals[1].t0, 71.0, 2.0) << describe(entry);
    EXPECT_EQ(entry->intervals[1].t1, 1.0) << describe(entry);

    for (WEEdge* edge : {dot, level, corner}) {
        entry = find(result, edge);
        ASSERT_NE(entry, nullptr) << "visible one-pixel edge " << edge->id;
        EXPECT_TRUE(entry->intervals.empty()) << "one-pixel edge " << edge->id << " " << describe(entry);
    }
    for (WEEdge* edge : {hiddenDot, justBehind, beyond})
        EXPECT_EQ(find(result, edge), nullptr) << "hidden one-pixel edge " << edge->id;
    EXPECT_EQ(edges.flaggedVertices(), 0) << "vertices still carrying a number";
}

// Viewport (10, 20) 101 x 81: a point is inside on columns 10..110 and rows
// 20..100; the painted background reaches beyond. Normalized coordinates
// scale by whole half-sizes, 50 and 40 pixels, so x = 1 is column 110.
TEST(EdgeVisibilityTest, ViewportSidesAndFarAwayEnds)
{
    const DepthViewport view = {10, 20, 101, 81};
    PaintedDepth depth(view);
    Edges edges;
    std::vector<std::pair<WEEdge*, bool>> points;
    const double probe[][2] = {{9, 50}, {10, 50}, {110, 50}, {111, 50}, {50, 19}, {50, 20}, {50, 100}, {50, 101}};
    for (const auto& p : probe) {
        const bool inside = p[0] >= 10 && p[0] <= 110 && p[1] >= 20 && p[1] <= 100;
        points.push_back({edges.add(windowPoint(view, p[0], p[1], 0.5), windowPoint(view, p[0], p[1], 0.5)), inside});
    }
    WEEdge* entering = edges.add(windowPoint(view, -20, 50, 0.5), windowPoint(view, 60, 50, 0.5));
    // An end 5e13 pixels away to the right; the last sample in the viewport
    // falls on its last column.
    WEEdge* far = edges.add(windowPoint(view, 50, 60, 0.5), windowPoint(view, 10 + 50 * (1e12 + 1), 60, 0.5));
    EdgeVisibility visibility;
    const std::vector<VisibleEdge> result = visibility.compute(edges.list, 4.0f, kIdentity, depth);

    for (const auto& p : points)
        EXPECT_EQ(find(result, p.first) != nullptr, p.second) << "point edge " << p.first->id;
    const VisibleEdge* entry = find(result, entering);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->intervals.size(), 1u) << describe(entry);
    EXPECT_NEAR(-20 + 80 * entry->intervals[0].t0, 10.0, 2.0) << describe(entry);
    EXPECT_EQ(entry->intervals[0].t1, 1.0) << describe(entry);
    entry = find(result, far);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->intervals.size(), 1u) << describe(entry);
    EXPECT_EQ(entry->intervals[0].t0, 0.0) << describe(entry);
    EXPECT_NEAR(50 + 50e12 * entry->intervals[0].t1, 111.0, 2.0) << describe(entry);
}

TEST(EdgeVisibilityTest, ReadsOnlyBlocksOfTheRegionAndAgainOnEveryCall)
{
    const DepthViewport view = {0, 0, 512, 512};
    PaintedDepth depth(view);
    Edges edges;
    edges.add(windowPoint(view, 40, 40, 0.5), windowPoint(view, 44, 40, 0.5));
    EdgeVisibility visibility;
    EXPECT_EQ(find(visibility.compute(edges.list, 1.0f, kIdentity, depth), edges.list[0]) != nullptr, true);
    EXPECT_EQ(depth.reads.size(), 1u) << "a five-pixel edge lies in one block";
    EXPECT_EQ(visibility.cacheSize(), size_t(546 * 546)) << "cache cells";
    // The next frame hides the edge: a cache trusted across calls would not see it.
    depth.paint(0, 0, 100, 100, 0.25f);
    EXPECT_TRUE(visibility.compute(edges.list, 1.0f, kIdentity, depth).empty()) << "edge hidden in the second frame";
    EXPECT_EQ(depth.reads.size(), 2u) << "the block is read again for the second frame";

    // A long edge: blocks are read lazily, each at most once, inside the
    // region (the end pixels' box grown by one), aligned to 16-pixel steps
    // from the cell left of and below the region unless clipped.
    Edges longEdge;
    longEdge.add(windowPoint(view, 3, 5, 0.5), windowPoint(view, 300, 200, 0.5));
    for (int call = 0; call < 2; ++call) {
        depth.reads.clear();
        visibility.compute(longEdge.list, 4.0f, kIdentity, depth);
        const std::string what = "call " + std::to_string(call);
        const long pixels = depth.checkBlockReads(2, 301, 4, 201, 16, what.c_str());
        // The line crosses about 300 / 16 + 200 / 16 blocks, with their neighbours less than three times that.
        EXPECT_GE(depth.reads.size(), 19u) << "blocks read in call " << call;
        EXPECT_LE(pixels, 3L * 32 * 256) << "pixels read in call " << call;
    }
    EXPECT_EQ(visibility.cacheSize(), size_t(546 * 546)) << "cache kept for the same viewport";
    PaintedDepth smaller({0, 0, 200, 100});
    visibility.compute(edges.list, 1.0f, kIdentity, smaller);
    EXPECT_EQ(visibility.cacheSize(), size_t(234 * 134)) << "cache after the viewport changed";
}

// Vertical bands at least maximalError + 4 pixels wide, each in front of or
// behind the edges, which run at one depth: the true visibility changes only
// at band sides, and every piece is longer than a step. Against the per-pixel
// definition the intervals may only differ within 1.5 pixels of a change.
TEST(EdgeVisibilityTest, RandomBandsAgainstAPerPixelReference)
{
    std::mt19937 random(20240611);
    const DepthViewport view = {0, 0, 256, 192};
    for (int scene = 0; scene < 40; ++scene) {
        const float maximalError = std::uniform_real_distribution<float>(1.0f, 12.0f)(random);
        PaintedDepth depth(view);
        for (int x = -8; x < view.width + 8;) {
            const int width = int(maximalError) + 5 + int(random() % 20);
            depth.paint(x, -8, x + width - 1, view.height + 7, random() % 2 ? 0.25f : 0.75f);
            x += width;
        }
        auto reference = [&](double x, double y) {
            const int px = int(std::floor(x));
            const int py = int(std::floor(y));
            if (px < 0 || py < 0 || px >= view.width || py >= view.height)
                return false;
            for (int j = std::max(0, py - 1); j <= std::min(view.height - 1, py + 1); ++j)
                for (int i = std::max(0, px - 1); i <= std::min(view.width - 1, px + 1); ++i)
                    if (0.5f <= depth.at(i, j))
                        return true;
            return false;
        };
        Edges edges;
        // Inside the viewport: its sides would cut pieces shorter than a step.
        std::uniform_int_distribution<int> column(0, view.width - 1);
        std::uniform_int_distribution<int> row(0, view.height - 1);
        for (int e = 0; e < 20; ++e)
            edges.add(windowPoint(view, column(random), row(random), 0.5),
                      windowPoint(view, column(random), row(random), 0.5));
        EdgeVisibility visibility;
        const std::vector<VisibleEdge> result = visibility.compute(edges.list, maximalError, kIdentity, depth);
        for (const WEEdge* edge : edges.list) {
            const double ax = std::floor((edge->startVertex->position[0] + 1.0) * 128 + 0.5);
            const double ay = std::floor((edge->startVertex->position[1] + 1.0) * 96 + 0.5);
            const double bx = std::floor((edge->endVertex->position[0] + 1.0) * 128 + 0.5);
            const double by = std::floor((edge->endVertex->position[1] + 1.0) * 96 + 0.5);
            const double length = std::hypot(bx - ax, by - ay);
            if (length == 0.0)
                continue;
            const VisibleEdge* entry = find(result, edge);
            const double slack = 1.5 / length;
            int runs = 0;
            bool previous = false;
            const int steps = int(std::ceil(4.0 * length));
            for (int i = 0; i <= steps; ++i) {
                const double t = double(i) / steps;
                const bool truth = reference(ax + t * (bx - ax), ay + t * (by - ay));
                runs += truth && !previous;
                previous = truth;
                bool found = false;
                for (size_t i = 0; entry != nullptr && i < entry->intervals.size(); ++i)
                    found = found || (entry->intervals[i].t0 <= t && t <= entry->intervals[i].t1);
                if (found == truth)
                    continue;
                const double lo = std::max(0.0, t - slack);
                const double hi = std::min(1.0, t + slack);
                const bool nearChange = reference(ax + lo * (bx - ax), ay + lo * (by - ay)) != truth
                    || reference(ax + hi * (bx - ax), ay + hi * (by - ay)) != truth;
                EXPECT_TRUE(nearChange) << "scene " << scene << " edge " << edge->id << " at t = " << t
                                        << ": reference " << truth << ", intervals " << describe(entry);
            }
            EXPECT_EQ(entry == nullptr ? 0 : int(entry->intervals.size()), runs)
                << "scene " << scene << " edge " << edge->id << " " << describe(entry);
            for (size_t i = 0; entry != nullptr && i < entry->intervals.size(); ++i)
                EXPECT_TRUE(entry->intervals[i].t0 < entry->intervals[i].t1
                            && (i == 0 || entry->intervals[i - 1].t1 < entry->intervals[i].t0))
                    << "scene " << scene << " edge " << edge->id << " not increasing: " << describe(entry);
        }
        EXPECT_EQ(edges.flaggedVertices(), 0) << "scene " << scene;
    }
}

// Under perspective, equal screen steps are unequal steps along the edge;
// the intervals are parameters along the edge in space, so P(t) at an
// interval's end must project onto the occluder's side.
TEST(EdgeVisibilityTest, PerspectiveIntervalsAreParametersInSpace)
{
    SbViewVolume volume;
    volume.perspective(float(M_PI / 2), 1.0f, 1.0f, 50.0f);
    const SbMatrix matrix = volume.getMatrix();
    PaintedDepth depth(kView);
    depth.paint(64, 0, 127, 127, 0.0f); // right half covered at the near plane
    Edges edges;
    const SbVec3f a(-1, 0.1f, -2), b(3, 0.1f, -20);
    WEEdge* receding = edges.add(a, b);
    WEEdge* behindEye = edges.add(SbVec3f(-0.5f, 0, -4), SbVec3f(-0.5f, 0, 1));
    WEEdge* bothBehind = edges.add(SbVec3f(-0.5f, 0, 2), SbVec3f(0.5f, 0, 1));
    EdgeVisibility visibility;
    const std::vector<VisibleEdge> result = visibility.compute(edges.list, 4.0f, matrix, depth);
    const VisibleEdge* entry = find(result, receding);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->intervals.size(), 1u) << describe(entry);
    SbVec3f screen;
    volume.projectToScreen(a + float(entry->intervals[0].t1) * (b - a), screen);
    EXPECT_NEAR(screen[0] * 128, 64.0, 2.0) << "end of the visible piece " << describe(entry);
    // An end behind the eye has no place on the screen: hidden, no walk.
    entry = find(result, behindEye);
    ASSERT_NE(entry, nullptr) << "edge with its start in view";
    EXPECT_TRUE(entry->intervals.empty()) << describe(entry);
    EXPECT_EQ(find(result, bothBehind), nullptr) << describe(find(result, bothBehind));
}

TEST(EdgeVisibilityTest, BadInputIsReportedAndLeavesTheMeshUnchanged)
{
    PaintedDepth depth(kView);
    depth.paint(64, 0, 127, 127, 0.25f);
    Edges edges;
    edges.add(windowPoint(kView, 20, 40, 0.5), windowPoint(kView, 100, 40, 0.5));
    edges.add(windowPoint(kView, 30, 50, 0.5), SbVec3f(1e30f, 0.0f, 0.0f));
    EdgeVisibility visibility;
    const std::vector<VisibleEdge> wanted = visibility.compute(edges.list, 1.0f, kIdentity, depth);
    ASSERT_EQ(wanted.size(), 2u);
    EXPECT_TRUE(wanted[1].intervals.size() == 1 && wanted[1].intervals[0].t0 == 0.0
                && wanted[1].intervals[0].t1 < 1e-6)
        << "edge to a far point " << describe(&wanted[1]);
    for (float maximalError : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        DebugErrorCollector errors;
        const std::vector<VisibleEdge> result = visibility.compute(edges.list, maximalError, kIdentity, depth);
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for maximalError " << maximalError;
        ASSERT_EQ(result.size(), wanted.size()) << "maximalError " << maximalError;
        EXPECT_EQ(result[0].intervals[0].t1, wanted[0].intervals[0].t1) << "maximalError " << maximalError;
    }
    {
        DebugErrorCollector errors;
        std::vector<WEEdge*> withNull = {nullptr, edges.list[0]};
        EXPECT_EQ(visibility.compute(withNull, 1.0f, kIdentity, depth).size(), 1u) << "edges kept beside a null one";
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for a null edge";
    }
    {
        DebugErrorCollector errors;
        edges.vertices[2].flags = 7;
        EXPECT_TRUE(visibility.compute(edges.list, 1.0f, kIdentity, depth).empty()) << "result with stale marks";
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for stale marks";
        EXPECT_EQ(edges.vertices[2].flags, 7) << "another pass's mark";
        edges.vertices[2].flags = 0;
    }
    EXPECT_EQ(edges.flaggedVertices(), 0) << "vertices still carrying a number";
    depth.reads.clear();
    EXPECT_TRUE(visibility.compute({}, 4.0f, kIdentity, depth).empty()) << "result for no edges";
    PaintedDepth narrow({0, 0, 1, 128});
    EXPECT_TRUE(visibility.compute(edges.list, 4.0f, kIdentity, narrow).empty()) << "result in a 1-pixel viewport";
    EXPECT_TRUE(depth.reads.empty() && narrow.reads.empty()) << "reads without anything to test";
}

namespace {

class EdgeVisibilityGLTest : public GLFixture {
protected:
    // Renders root with a callback node appended that runs `during` in the
    // middle of the traversal, after everything before it was drawn.
    void renderWith(SoSeparator* root, std::function<void(SoState*)> during)
    {
        SoCallback* probe = new SoCallback;
        bool ran = false;
        std::pair<std::function<void(SoState*)>*, bool*> data(&during, &ran);
        probe->setCallback(
            [](void* d, SoAction* action) {
                if (!action->isOfType(SoGLRenderAction::getClassTypeId()))
                    return;
                auto* data = static_cast<std::pair<std::function<void(SoState*)>*, bool*>*>(d);
                *data->second = true;
                (*data->first)(action->getState());
            },
            &data);
        root->addChild(probe);
        render(root);
        EXPECT_TRUE(ran) << "the probe was not reached";
    }
};

} // namespace

TEST_F(EdgeVisibilityGLTest, HalfHiddenEdgeAgainstTheRenderedDepthBuffer)
{
    // A slab over the right half of the window (x >= 0) in front of the
    // plane z = -1 that the edges lie in.
    SoSeparator* root = readScene("OrthographicCamera { position 0 0 5 height 2 nearDistance 1 farDistance 10 }\n"
                                  "Separator { Translation { translation 1 0 0 } Cube { width 2 height 4 depth 0.2 } }");
    ASSERT_NE(root, nullptr);
    Edges edges;
    WEEdge* crossing = edges.add(SbVec3f(-0.8f, 0.2f, -1), SbVec3f(0.8f, 0.2f, -1));
    WEEdge* hidden = edges.add(SbVec3f(0.2f, -0.5f, -1), SbVec3f(0.9f, 0.5f, -1));
    std::vector<VisibleEdge> result;
    DepthViewport seen;
    renderWith(root, [&](SoState*) {
        GLDepthSource source;
        seen = source.viewport();
        EdgeVisibility visibility;
        result = visibility.compute(edges.list, 4.0f, GLDepthSource::currentObjectToClip(), source);
    });
    root->unref();
    EXPECT_TRUE(seen.x == 0 && seen.y == 0 && seen.width == width() && seen.height == height())
        << "viewport " << seen.width << " x " << seen.height << " at (" << seen.x << ", " << seen.y << ")";
    const VisibleEdge* entry = find(result, crossing);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->intervals.size(), 1u) << describe(entry);
    EXPECT_EQ(entry->intervals[0].t0, 0.0) << describe(entry);
    // x = 0 is at t = 0.5; the edge spans 1.6 * 64 pixels.
    EXPECT_NEAR(entry->intervals[0].t1, 0.5, 2.0 / (1.6 * width() / 2)) << describe(entry);
    EXPECT_EQ(find(result, hidden), nullptr) << describe(find(result, hidden));
}

TEST_F(EdgeVisibilityGLTest, ObjectToClipMatrixAndReadStateAgreeWithInventor)
{
    SoSeparator* root = readScene("PerspectiveCamera { position 1 2 8 orientation 1 0 0 -0.2 nearDistance 2 farDistance 20 }\n"
                                  "Transform { translation 0.5 -0.3 1 rotation 0 1 1 0.7 scaleFactor 1.5 0.8 1.2 }\n"
                                  "Cube { }");
    ASSERT_NE(root, nullptr);
    SbMatrix combined;
    SbViewVolume volume;
    SbMatrix model;
    std::vector<float> block(5 * 3, -1.0f);
    GLint packAfter = 0;
    GLint readBufferAfter = 0;
    float outside[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    size_t outsideMessages = 0;
    renderWith(root, [&](SoState* state) {
        volume = SoViewVolumeElement::get(state);
        model = SoModelMatrixElement::get(state);
        combined = GLDepthSource::currentObjectToClip();
        // Odd widths need tight packing; whatever we change is put back.
        glPixelStorei(GL_PACK_ALIGNMENT, 8);
        glReadBuffer(GL_FRONT);
        {
            GLDepthSource source;
            source.read(50, 40, 5, 3, block.data());
            DebugErrorCollector errors;
            source.read(width() - 1, 0, 2, 2, outside);
            outsideMessages = errors.messages.size();
        }
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAfter);
        glGetIntegerv(GL_READ_BUFFER, &readBufferAfter);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadBuffer(GL_BACK);
    });
    root->unref();
    EXPECT_EQ(outsideMessages, 1u) << "messages for a read across the viewport's side";
    for (float value : outside)
        EXPECT_EQ(value, 1.0f) << "depth given for a read across the viewport's side";
    EXPECT_EQ(packAfter, 8) << "pack alignment after the depth source";
    EXPECT_EQ(readBufferAfter, GL_FRONT) << "read buffer after the depth source";
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(block[size_t(i)], depth(50 + i % 5, 40 + i / 5)) << "depth of pixel " << i;
    EXPECT_LT(*std::min_element(block.begin(), block.end()), 1.0f) << "the block should show the cube";
    const SbVec3f points[] = {SbVec3f(0, 0, 0), SbVec3f(1, 1, 1), SbVec3f(-1, 0.5f, 0.25f), SbVec3f(0.3f, -1, -1)};
    for (const SbVec3f& p : points) {
        SbVec3f world;
        SbVec3f expected;
        model.multVecMatrix(p, world);
        volume.projectToScreen(world, expected);
        SbVec4f clip;
        combined.multVecMatrix(SbVec4f(p[0], p[1], p[2], 1.0f), clip);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR((clip[j] / clip[3] + 1.0f) * 0.5f, expected[j], 1e-5f)
                << "coordinate " << j << " of (" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    }
}
