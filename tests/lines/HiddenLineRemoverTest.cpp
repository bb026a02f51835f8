// Hidden-line removal: strips split on a painted depth image (analytic
// cases, the depth cache, bad input, and seeded random scenes against a
// per-pixel reference), then the node on a real render.

#include <Inventor/SbViewVolume.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/nodes/SoCallback.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lines/HiddenLineSplitter.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLineParameterizationElement.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/PaintedDepth.h"
#include "support/TestNodes.h"

namespace {

const DepthViewport kView = {0, 0, 128, 128};
const SbMatrix kIdentity = SbMatrix::identity();

// The position that the identity object-to-clip matrix takes to window
// position (x, y) and window depth z in `view`.
SbVec3f windowPoint(const DepthViewport& view, double x, double y, double z)
{
    return SbVec3f(float((x - view.x) / (view.width * 0.5) - 1.0), float((y - view.y) / (view.height * 0.5) - 1.0),
                   float(2.0 * z - 1.0));
}

double windowX(const DepthViewport& view, const SbVec3f& p)
{
    return (double(p[0]) + 1.0) * view.width * 0.5 + view.x;
}

double windowY(const DepthViewport& view, const SbVec3f& p)
{
    return (double(p[1]) + 1.0) * view.height * 0.5 + view.y;
}

// Input lines built up by a test.
struct Lines {
    std::vector<SbVec3f> coordinates;
    std::vector<int32_t> indices;
    std::vector<float> parameters;

    int32_t point(double x, double y, double z, const DepthViewport& view = kView)
    {
        coordinates.push_back(windowPoint(view, x, y, z));
        return int32_t(coordinates.size()) - 1;
    }
    void strip(std::initializer_list<int32_t> vertices)
    {
        indices.insert(indices.end(), vertices.begin(), vertices.end());
        indices.push_back(-1);
    }
    SplittingInput input(void) const
    {
        SplittingInput in;
        in.coordinates = coordinates.data();
        in.coordinateCount = int32_t(coordinates.size());
        in.indices = indices.data();
        in.indexCount = int32_t(indices.size());
        in.parameters = parameters.empty() ? nullptr : parameters.data();
        in.parameterCount = int32_t(parameters.size());
        return in;
    }
};

SplitLines split(HiddenLineSplitter& splitter, const Lines& lines, float maximalError, DepthSource& depth,
                 const SbMatrix& matrix = kIdentity)
{
    SplitLines out;
    EXPECT_TRUE(splitter.split(lines.input(), maximalError, matrix, depth, out)) << "split refused its input";
    return out;
}

// The index list with the window position of each entry.
std::string describe(const SplitLines& out, const DepthViewport& view = kView)
{
    std::ostringstream text;
    for (int32_t index : out.indices) {
        if (index < 0 || size_t(index) >= out.coordinates.size()) {
            text << " " << index;
            continue;
        }
        const SbVec3f& p = out.coordinates[size_t(index)];
        text << " " << index << "(" << windowX(view, p) << ", " << windowY(view, p) << ")";
    }
    return text.str();
}

std::vector<std::vector<int32_t>> stripsOf(const std::vector<int32_t>& indices)
{
    std::vector<std::vector<int32_t>> strips(1);
    for (int32_t index : indices) {
        if (index < 0)
            strips.emplace_back();
        else
            strips.back().push_back(index);
    }
    strips.pop_back();
    return strips;
}

// What every result must satisfy, whatever the scene: indices name output
// coordinates, every strip has at least two entries and is ended by -1, the
// coordinates are all used, and a parameterization runs parallel.
void expectWellFormed(const SplitLines& out, const std::string& what)
{
    std::vector<int> uses(out.coordinates.size(), 0);
    int32_t run = 0;
    for (size_t i = 0; i < out.indices.size(); ++i) {
        const int32_t index = out.indices[i];
        if (index == -1) {
            EXPECT_GE(run, 2) << what << ": strip ending at entry " << i << " has " << run << " entries";
            run = 0;
            continue;
        }
        ++run;
        ASSERT_TRUE(index >= 0 && size_t(index) < out.coordinates.size()) << what << ": entry " << i << " is " << index;
        ++uses[size_t(index)];
    }
    EXPECT_EQ(run, 0) << what << ": last strip without its -1";
    for (size_t c = 0; c < uses.size(); ++c)
        EXPECT_GT(uses[c], 0) << what << ": output coordinate " << c << " is unused";
    if (!out.parametersUsed) {
        EXPECT_TRUE(out.parameters.empty()) << what << ": parameters without an incoming parameterization";
        return;
    }
    ASSERT_EQ(out.parameters.size(), out.indices.size()) << what << ": parameter entries";
    for (size_t i = 0; i < out.indices.size(); ++i)
        EXPECT_EQ(out.indices[i] < 0, out.parameters[i] == -1.0f)
            << what << ": entry " << i << " index " << out.indices[i] << " parameter " << out.parameters[i];
}

} // namespace

TEST(HiddenLineSplitterTest, VisibleStripsComeOutUnchangedWithCoordinatesInOrderOfFirstUse)
{
    for (float maximalError : {1.0f, 6.0f, 50.0f}) {
        SCOPED_TRACE(testing::Message() << "maximalError " << maximalError);
        PaintedDepth depth(kView);
        depth.paint(0, 0, 127, 127, 0.75f); // a surface behind every line
        Lines lines;
        lines.point(5, 5, 0.5); // never used
        const int32_t a = lines.point(10, 20, 0.5);
        const int32_t b = lines.point(100, 30, 0.5);
        const int32_t c = lines.point(60, 110, 0.5);
        const int32_t d = lines.point(20, 90, 0.5);
        lines.strip({c, a, b});
        lines.strip({d, a}); // a again: copied once
        HiddenLineSplitter splitter;
        const SplitLines out = split(splitter, lines, maximalError, depth);
        const std::vector<int32_t> expected = {0, 1, 2, -1, 3, 1, -1};
        EXPECT_EQ(out.indices, expected) << describe(out);
        const std::vector<int32_t> firstUse = {c, a, b, d};
        ASSERT_EQ(out.coordinates.size(), firstUse.size()) << describe(out);
        for (size_t i = 0; i < firstUse.size(); ++i)
            EXPECT_EQ(out.coordinates[i], lines.coordinates[size_t(firstUse[i])]) << "output coordinate " << i;
        EXPECT_FALSE(out.parametersUsed) << "no parameterization came in";
        expectWellFormed(out, "visible strips");
    }
}

// A band over columns 50..70 in front of a line at depth 0.5. The 3 x 3
// test sees past a band's side by one pixel, so the pixels that hide the
// line are 51..69, window x in [51, 70). Samples take the pixel at their
// rounded position, bisection steps at their truncated one, and bisection
// stops at a one-pixel interval: each transition lies within a pixel of the
// side of the hidden pixels.
TEST(HiddenLineSplitterTest, SegmentBehindAnOccluderBecomesTwoStripsCutAtItsSides)
{
    for (float maximalError : {1.0f, 4.0f, 6.0f, 13.0f, 25.0f}) {
        SCOPED_TRACE(testing::Message() << "maximalError " << maximalError);
        PaintedDepth depth(kView);
        depth.paint(50, 0, 70, 127, 0.25f);
        Lines lines;
        lines.strip({lines.point(10, 64, 0.5), lines.point(110, 64, 0.5)});
        lines.strip({lines.point(20, 10, 0.5), lines.point(100, 110, 0.5)});
        HiddenLineSplitter splitter;
        const SplitLines out = split(splitter, lines, maximalError, depth);
        expectWellFormed(out, "cut segments");
        const std::vector<int32_t> expected = {0, 1, -1, 2, 3, -1, 4, 5, -1, 6, 7, -1};
        ASSERT_EQ(out.indices, expected) << describe(out);
        EXPECT_EQ(out.coordinates[0], lines.coordinates[0]) << "start of the first strip";
        EXPECT_EQ(out.coordinates[3], lines.coordinates[1]) << "end of the first strip";
        EXPECT_EQ(out.coordinates[4], lines.coordinates[2]) << "start of the diagonal";
        EXPECT_EQ(out.coordinates[7], lines.coordinates[3]) << "end of the diagonal";
        const double cuts[4] = {51.0, 70.0, 51.0, 70.0};
        for (int i = 0; i < 4; ++i) {
            const SbVec3f& t = out.coordinates[size_t(i < 2 ? 1 + i : 3 + i)];
            const double x = windowX(kView, t);
            EXPECT_NEAR(x, cuts[i], 1.0 + 1e-6) << "transition " << i << describe(out);
            // On the segment, at its depth.
            const double y = windowY(kView, t);
            EXPECT_NEAR(y, i < 2 ? 64.0 : 10.0 + (x - 20.0) * 100.0 / 80.0, 1e-4) << "transition " << i;
            EXPECT_NEAR(t[2], 0.0f, 1e-6f) << "depth of transition " << i;
        }
    }
}

// Segments whose ends are visible but whose middle is covered: without a
// sample between the ends, nothing sees the cover.
TEST(HiddenLineSplitterTest, SamplingStepDecidesWhetherAShortCoverIsSeen)
{
    PaintedDepth depth(kView);
    depth.paint(41, 0, 44, 60, 0.25f);  // hiding pixels 42..43 on rows 1..59
    depth.paint(82, 0, 86, 60, 0.25f);  // hiding pixels 83..85 on rows 1..59
    depth.paint(45, 70, 47, 90, 0.25f); // hiding pixel 46 on rows 71..89
    Lines lines;
    lines.strip({lines.point(40, 40, 0.5), lines.point(45, 40, 0.5)}); // 5 pixels
    lines.strip({lines.point(80, 40, 0.5), lines.point(88, 40, 0.5)}); // 8 pixels
    lines.strip({lines.point(40, 80, 0.5), lines.point(50, 80, 0.5)}); // 10 pixels
    HiddenLineSplitter splitter;

    // With 6 pixels none has a sample: the first is not longer than a step,
    // the others have none that keeps a step from their end (the third's
    // would fall on pixel 46).
    SplitLines out = split(splitter, lines, 6.0f, depth);
    EXPECT_EQ(out.indices, (std::vector<int32_t>{0, 1, -1, 2, 3, -1, 4, 5, -1})) << "maximalError 6:" << describe(out);
    EXPECT_EQ(out.coordinates.size(), 6u) << "maximalError 6:" << describe(out);

    // With 2 pixels the 5-pixel segment gets a sample at x = 42, the 8-pixel
    // one samples x = 82, 84 and 86, the 10-pixel one x = 42 .. 48; all
    // see their cover.
    out = split(splitter, lines, 2.0f, depth);
    expectWellFormed(out, "maximalError 2");
    const std::vector<std::vector<int32_t>> strips = stripsOf(out.indices);
    ASSERT_EQ(strips.size(), 6u) << "maximalError 2:" << describe(out);
    const double cuts[6] = {42.0, 44.0, 83.0, 86.0, 46.0, 47.0};
    for (int i = 0; i < 6; ++i) {
        const int32_t transition = i % 2 == 0 ? strips[size_t(i)].back() : strips[size_t(i)].front();
        EXPECT_NEAR(windowX(kView, out.coordinates[size_t(transition)]), cuts[i], 1.0 + 1e-6)
            << "transition " << i << describe(out);
    }
}

TEST(HiddenLineSplitterTest, DepthComparisonNeighbourhoodAndViewportSides)
{
    PaintedDepth depth(kView);
    depth.paint(0, 0, 127, 63, 0.25f);
    const float below = std::nextafter(0.25f, 0.0f);
    depth.paint(0, 64, 63, 127, below);
    depth.paint(100, 100, 110, 110, 0.2f); // in front of 0.5 ...
    depth.at(105, 105) = 0.5f;             // ... but for one pixel level with it
    Lines lines;
    // Zero-length strips: both ends visible or both hidden.
    auto dot = [&](double x, double y, double z) { lines.strip({lines.point(x, y, z), lines.point(x, y, z)}); };
    const struct {
        double x, y, z;
        bool visible;
        const char* what;
    } probes[] = {
        {30, 30, 0.25, true, "level with the surface"},
        {30, 90, 0.25, false, "just behind the surface"},
        {106, 106, 0.5, true, "diagonal neighbour of the level pixel"},
        {107, 105, 0.5, false, "two pixels from the level pixel"},
        {-0.4, 20, 0.1, true, "rounded onto the left column"},
        {-0.6, 20, 0.1, false, "rounded left of the viewport"},
        {128.4, 20, 0.1, true, "rounded onto the right side"},
        {128.6, 20, 0.1, false, "rounded right of the viewport"},
        {20, 128.4, 0.1, true, "rounded onto the top side"},
        {20, -0.6, 0.1, false, "rounded below the viewport"},
    };
    for (const auto& p : probes)
        dot(p.x, p.y, p.z);
    HiddenLineSplitter splitter;
    const SplitLines out = split(splitter, lines, 6.0f, depth);
    expectWellFormed(out, "dots");
    // Each visible dot comes out as a strip of its own two coordinates.
    size_t next = 0;
    for (size_t i = 0; i < sizeof(probes) / sizeof(probes[0]); ++i) {
        if (!probes[i].visible)
            continue;
        ASSERT_LT(next + 1, out.coordinates.size()) << probes[i].what << describe(out);
        EXPECT_EQ(out.coordinates[next], lines.coordinates[2 * i]) << probes[i].what << describe(out);
        next += 2;
    }
    EXPECT_EQ(out.coordinates.size(), next) << "coordinates of visible dots" << describe(out);
}

TEST(HiddenLineSplitterTest, HiddenStartsEndsAndWholeStrips)
{
    PaintedDepth depth(kView);
    depth.paint(50, 0, 127, 127, 0.25f); // hiding pixels from 51 on
    Lines lines;
    const int32_t hiddenA = lines.point(100, 30, 0.5);
    const int32_t visibleA = lines.point(20, 30, 0.5);
    lines.strip({hiddenA, visibleA}); // starts hidden
    const int32_t visibleB = lines.point(10, 60, 0.5);
    const int32_t hiddenB = lines.point(90, 70, 0.5);
    const int32_t visibleC = lines.point(30, 80, 0.5);
    lines.strip({visibleB, hiddenB, visibleC}); // dips behind at its middle vertex
    lines.strip({lines.point(60, 20, 0.5), lines.point(120, 100, 0.5), lines.point(80, 120, 0.5)}); // hidden
    lines.strip({visibleA}); // a single vertex
    lines.indices.push_back(-1); // an empty strip
    HiddenLineSplitter splitter;
    const SplitLines out = split(splitter, lines, 6.0f, depth);
    expectWellFormed(out, "hidden parts");
    // Transition, A; B, transition; transition, C.
    const std::vector<int32_t> expected = {0, 1, -1, 2, 3, -1, 4, 5, -1};
    ASSERT_EQ(out.indices, expected) << describe(out);
    EXPECT_EQ(out.coordinates[1], lines.coordinates[size_t(visibleA)]) << "end of the strip that starts hidden";
    EXPECT_EQ(out.coordinates[2], lines.coordinates[size_t(visibleB)]) << "start of the dipping strip";
    EXPECT_EQ(out.coordinates[5], lines.coordinates[size_t(visibleC)]) << "end of the dipping strip";
    for (int32_t t : {0, 3, 4}) {
        EXPECT_NEAR(windowX(kView, out.coordinates[size_t(t)]), 51.0, 1.0 + 1e-6)
            << "transition coordinate " << t << describe(out);
        EXPECT_FALSE(out.coordinates[size_t(t)] == lines.coordinates[size_t(hiddenA)]
                     || out.coordinates[size_t(t)] == lines.coordinates[size_t(hiddenB)])
            << "a hidden vertex came out as coordinate " << t;
    }
}

TEST(HiddenLineSplitterTest, ParameterizationIsCarriedAlongOrLeftAbsent)
{
    PaintedDepth depth(kView);
    depth.paint(50, 0, 70, 127, 0.25f);
    Lines lines;
    lines.strip({lines.point(10, 64, 0.5), lines.point(110, 64, 0.5)});
    lines.strip({lines.point(10, 100, 0.5), lines.point(30, 100, 0.5), lines.point(40, 110, 0.5)});
    HiddenLineSplitter splitter;

    SplitLines out = split(splitter, lines, 4.0f, depth);
    EXPECT_FALSE(out.parametersUsed) << "parameterization absent";
    EXPECT_TRUE(out.parameters.empty()) << "parameters written without any coming in";
    const std::vector<int32_t> withoutParameters = out.indices;

    lines.parameters = {1.0f};
    out = split(splitter, lines, 4.0f, depth);
    EXPECT_FALSE(out.parametersUsed) << "a parameterization of one entry counts as absent";

    lines.parameters = {0.0f, 1.0f, -1.0f, 0.0f, 0.25f, 1.0f, -1.0f};
    out = split(splitter, lines, 4.0f, depth);
    expectWellFormed(out, "parameterized");
    EXPECT_TRUE(out.parametersUsed) << "parameterization present";
    EXPECT_EQ(out.indices, withoutParameters) << "the parameterization changed the cut";
    ASSERT_EQ(out.indices.size(), 10u) << describe(out);
    // Input vertices keep their parameters; a transition's grows with its
    // screen distance from the segment's start.
    const float expected[] = {0.0f, -2.0f, -1.0f, -2.0f, 1.0f, -1.0f, 0.0f, 0.25f, 1.0f, -1.0f};
    for (size_t i = 0; i < out.indices.size(); ++i) {
        float wanted = expected[i];
        if (wanted == -2.0f)
            wanted = float((windowX(kView, out.coordinates[size_t(out.indices[i])]) - 10.0) / 100.0);
        EXPECT_NEAR(out.parameters[i], wanted, 1e-6f) << "parameter of entry " << i << describe(out);
    }

    DebugErrorCollector errors;
    lines.parameters.resize(6);
    out = split(splitter, lines, 4.0f, depth);
    EXPECT_EQ(errors.messages.size(), 1u) << "messages for a parameterization shorter than the index list";
    EXPECT_FALSE(out.parametersUsed) << "a short parameterization is not read";
    EXPECT_EQ(out.indices, withoutParameters) << "the short parameterization changed the cut";
}

// Under perspective, equal screen steps are unequal steps along the segment
// in space: the transition point placed in space must project onto the
// place where the depth test changes, and its parameter is its screen
// fraction.
TEST(HiddenLineSplitterTest, PerspectiveTransitionsProjectOntoTheCut)
{
    SbViewVolume volume;
    volume.perspective(float(M_PI / 2), 1.0f, 1.0f, 50.0f);
    const SbMatrix matrix = volume.getMatrix();
    PaintedDepth depth(kView);
    depth.paint(64, 0, 127, 127, 0.0f); // at the near plane, hiding pixels from 65 on
    Lines lines;
    const SbVec3f a(-1.0f, 0.1f, -2.0f);
    const SbVec3f b(3.0f, 0.1f, -20.0f);
    lines.coordinates = {a, b};
    lines.indices = {0, 1, -1};
    lines.parameters = {0.0f, 1.0f, -1.0f};
    HiddenLineSplitter splitter;
    const SplitLines out = split(splitter, lines, 4.0f, depth, matrix);
    expectWellFormed(out, "perspective");
    ASSERT_EQ(out.indices, (std::vector<int32_t>{0, 1, -1})) << describe(out);
    SbVec3f start, end, cut;
    volume.projectToScreen(a, start);
    volume.projectToScreen(b, end);
    volume.projectToScreen(out.coordinates[1], cut);
    EXPECT_NEAR(cut[0] * 128.0, 65.0, 1.0 + 1e-3) << "window x of the transition";
    EXPECT_NEAR(out.parameters[1], (cut[0] - start[0]) / (end[0] - start[0]), 1e-5f) << "parameter of the transition";
}

TEST(HiddenLineSplitterTest, PointsBehindTheEyeAreHiddenAndCutCleanly)
{
    SbViewVolume volume;
    volume.perspective(float(M_PI / 2), 1.0f, 1.0f, 50.0f);
    const SbMatrix matrix = volume.getMatrix();
    PaintedDepth depth(kView);
    Lines lines;
    // From in front of the eye to behind it: the projection runs out of the
    // viewport's right side before the segment crosses the eye plane.
    lines.coordinates = {SbVec3f(0.2f, 0.0f, -5.0f), SbVec3f(0.2f, 0.0f, 5.0f), SbVec3f(-0.3f, 0.1f, 2.0f),
                         SbVec3f(0.0f, -0.2f, -4.0f)};
    lines.indices = {0, 1, -1, 1, 2, -1, 2, 3, -1};
    HiddenLineSplitter splitter;
    const SplitLines out = split(splitter, lines, 6.0f, depth, matrix);
    expectWellFormed(out, "behind the eye");
    ASSERT_EQ(out.indices, (std::vector<int32_t>{0, 1, -1, 2, 3, -1})) << describe(out);
    EXPECT_EQ(out.coordinates[0], lines.coordinates[0]) << "vertex in front";
    EXPECT_EQ(out.coordinates[3], lines.coordinates[3]) << "vertex in front";
    for (int i : {1, 2}) {
        const SbVec3f& t = out.coordinates[size_t(i)];
        ASSERT_TRUE(std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2])) << "transition " << i;
        EXPECT_LT(t[2], 0.0f) << "transition " << i << " is not in front of the eye";
        SbVec3f screen;
        volume.projectToScreen(t, screen);
        EXPECT_TRUE(std::fabs(screen[0] * 128.0 - 128.0) <= 2.0 || std::fabs(screen[0] * 128.0) <= 2.0)
            << "transition " << i << " at window x " << screen[0] * 128.0 << " is not on a viewport side";
    }
}

TEST(HiddenLineSplitterTest, DepthIsReadInBlocksOfTheRegionAndAgainOnEveryRun)
{
    const DepthViewport view = {0, 0, 512, 512};
    PaintedDepth depth(view);
    Lines shortLine;
    shortLine.strip({shortLine.point(40, 40, 0.5, view), shortLine.point(44, 40, 0.5, view)});
    HiddenLineSplitter splitter;
    EXPECT_EQ(splitter.cacheSize(), 0u) << "cache before the first run";
    EXPECT_EQ(split(splitter, shortLine, 1.0f, depth).indices.size(), 3u) << "visible short line";
    EXPECT_EQ(depth.reads.size(), 1u) << "a five-pixel line lies in one block";
    EXPECT_EQ(splitter.cacheSize(), size_t(578 * 578)) << "cache cells";
    // The next frame hides it: a cache trusted across runs would not see it.
    depth.paint(0, 0, 100, 100, 0.25f);
    EXPECT_TRUE(split(splitter, shortLine, 1.0f, depth).indices.empty()) << "line hidden in the second frame";
    EXPECT_EQ(depth.reads.size(), 2u) << "the block is read again for the second frame";

    // A long strip: blocks are read lazily, each at most once, inside the
    // region (from the truncated smallest to the rounded largest position,
    // grown by one), aligned to 32-pixel steps from the pixel left of and
    // below the region unless clipped.
    Lines longLine;
    longLine.strip({longLine.point(3.3, 5.7, 0.5, view), longLine.point(300.6, 200.2, 0.5, view),
                    longLine.point(150.2, 120.5, 0.5, view)});
    for (int call = 0; call < 2; ++call) {
        depth.reads.clear();
        split(splitter, longLine, 4.0f, depth);
        const std::string what = "call " + std::to_string(call);
        const long pixels = depth.checkBlockReads(2, 302, 4, 201, 32, what.c_str());
        // The line crosses about 300 / 32 + 200 / 32 blocks, with their neighbours less than three times that.
        EXPECT_GE(depth.reads.size(), 10u) << "blocks read in call " << call;
        EXPECT_LE(pixels, 3L * 32 * 32 * 16) << "pixels read in call " << call;
    }
    EXPECT_EQ(splitter.cacheSize(), size_t(578 * 578)) << "cache kept for the same viewport";

    // Nothing of one run's numbering reaches the next: the short line after
    // the long one comes out as from a fresh splitter.
    HiddenLineSplitter fresh;
    PaintedDepth clear(view);
    EXPECT_EQ(split(splitter, shortLine, 1.0f, clear).indices, split(fresh, shortLine, 1.0f, clear).indices)
        << "result after an earlier run";
    PaintedDepth smaller({0, 0, 200, 100});
    split(splitter, shortLine, 1.0f, smaller);
    EXPECT_EQ(splitter.cacheSize(), size_t(266 * 166)) << "cache after the viewport changed";
}

TEST(HiddenLineSplitterTest, BadInputIsReportedAndTheRestSplit)
{
    PaintedDepth depth(kView);
    depth.paint(50, 0, 70, 127, 0.25f);
    Lines lines;
    lines.strip({lines.point(10, 64, 0.5), lines.point(110, 64, 0.5)});
    lines.strip({lines.point(10, 20, 0.5), lines.point(30, 20, 0.5)});
    HiddenLineSplitter splitter;
    const SplitLines wanted = split(splitter, lines, 1.0f, depth);
    ASSERT_EQ(stripsOf(wanted.indices).size(), 3u) << describe(wanted);

    for (float maximalError : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        DebugErrorCollector errors;
        const SplitLines out = split(splitter, lines, maximalError, depth);
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for maximalError " << maximalError;
        EXPECT_EQ(out.indices, wanted.indices) << "maximalError " << maximalError << describe(out);
        EXPECT_EQ(out.coordinates, wanted.coordinates) << "maximalError " << maximalError;
    }
    {
        // Without the last -1 the result is the same, and said so.
        DebugErrorCollector errors;
        Lines open = lines;
        open.indices.pop_back();
        const SplitLines out = split(splitter, open, 1.0f, depth);
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for a last strip without -1";
        EXPECT_EQ(out.indices, wanted.indices) << describe(out);
    }
    {
        // Entries naming no coordinate end their strip: the segments on
        // either side of them have no end and are dropped.
        DebugErrorCollector errors;
        Lines bad = lines;
        const int32_t p = bad.point(10, 30, 0.5);
        const int32_t q = bad.point(20, 30, 0.5);
        const int32_t r = bad.point(30, 30, 0.5);
        bad.strip({p, q, 99, r, -7, q});
        const SplitLines out = split(splitter, bad, 1.0f, depth);
        EXPECT_EQ(errors.messages.size(), 1u) << "messages for entries naming no coordinate";
        expectWellFormed(out, "bad entries");
        std::vector<int32_t> expected = wanted.indices;
        const int32_t n = int32_t(wanted.coordinates.size());
        expected.insert(expected.end(), {n, n + 1, -1});
        EXPECT_EQ(out.indices, expected) << describe(out);
    }
    {
        // Nothing to split, or nothing to split it with: the lines stand.
        DebugErrorCollector errors;
        SplitLines out;
        out.indices = {7};
        SplittingInput in = lines.input();
        in.indexCount = 2;
        EXPECT_FALSE(splitter.split(in, 6.0f, kIdentity, depth, out)) << "two index entries";
        in = lines.input();
        in.coordinateCount = 1;
        EXPECT_FALSE(splitter.split(in, 6.0f, kIdentity, depth, out)) << "one coordinate";
        EXPECT_TRUE(errors.messages.empty()) << "too little input is no error";
        in = lines.input();
        in.coordinates = nullptr;
        EXPECT_FALSE(splitter.split(in, 6.0f, kIdentity, depth, out)) << "no coordinate array";
        PaintedDepth huge({0, 0, 40000, 1});
        EXPECT_FALSE(splitter.split(lines.input(), 6.0f, kIdentity, huge, out)) << "viewport beyond any window";
        EXPECT_EQ(errors.messages.size(), 2u) << "messages for a missing array and a huge viewport";
        EXPECT_EQ(out.indices, std::vector<int32_t>{7}) << "output touched without a result";
        EXPECT_TRUE(huge.reads.empty()) << "reads from a refused viewport";
    }
}

// Vertical bands at least 2 maximalError + 5 pixels wide (the last sample of
// a segment may lie up to two steps before its end), each in front of or
// behind the lines, which run at one depth; vertices inside the viewport and
// at least two pixels from every band side. The true visibility then
// changes only at band sides, every visible or hidden stretch is longer
// than a step, and rounded and truncated vertex positions agree. Against the
// per-pixel definition each strip must break into the same visible runs,
// through the same vertices, with ends within 1.5 pixels in x (the bands
// make visibility a function of x alone; along a steep segment that is a
// longer stretch in y).
//
// Every scene is split twice: in a viewport at the window's origin, and in
// one at (37, 21) with the depth image moved along. Relative to its
// viewport, each must match the reference, and the two must cut the lines
// at the same places.
TEST(HiddenLineSplitterTest, RandomBandsAgainstAPerPixelReference)
{
    std::mt19937 random(20240612);
    const DepthViewport views[2] = {{0, 0, 256, 192}, {37, 21, 256, 192}};
    const DepthViewport& view0 = views[0];
    for (int scene = 0; scene < 40; ++scene) {
        const float maximalError = std::uniform_real_distribution<float>(1.0f, 12.0f)(random);
        struct Band {
            int x0, x1; // columns relative to the viewport
            float depth;
        };
        std::vector<Band> bands;
        for (int x = -8; x < view0.width + 8;) {
            const int width = 2 * int(maximalError) + 5 + int(random() % 20);
            bands.push_back({x, x + width - 1, random() % 2 ? 0.25f : 0.75f});
            x += width;
        }
        // The lines are the same object coordinates in both viewports.
        Lines lines;
        std::uniform_real_distribution<double> column(2.0, view0.width - 3.0);
        std::uniform_real_distribution<double> row(2.0, view0.height - 3.0);
        for (int i = 0; i < 16; ++i) {
            double x = column(random);
            while (std::any_of(bands.begin(), bands.end(), [&](const Band& b) { return std::fabs(x - b.x1 - 1) < 2.0; }))
                x = column(random);
            lines.point(x, row(random), 0.5, view0);
        }
        for (int s = 0; s < 6; ++s) {
            const int n = 2 + int(random() % 5);
            float parameter = 0.0f;
            for (int v = 0; v < n; ++v) {
                int32_t c = int32_t(random() % 16);
                while (v > 0 && c == lines.indices.back())
                    c = int32_t(random() % 16);
                lines.indices.push_back(c);
                lines.parameters.push_back(parameter);
                parameter += 1.0f;
            }
            lines.indices.push_back(-1);
            lines.parameters.push_back(-1.0f);
        }

        SplitLines results[2];
        for (int v = 0; v < 2; ++v) {
            const DepthViewport& view = views[v];
            PaintedDepth depth(view);
            for (const Band& band : bands)
                depth.paint(view.x + band.x0, view.y - 8, view.x + band.x1, view.y + view.height + 7, band.depth);
            // Whether the point at window position (x, y) is visible by
            // definition: a pixel of its 3 x 3 neighbourhood inside the
            // viewport lies at or behind it.
            auto reference = [&](double x, double y) {
                const int px = int(std::floor(x));
                const int py = int(std::floor(y));
                for (int j = std::max(view.y, py - 1); j <= std::min(view.y + view.height - 1, py + 1); ++j)
                    for (int i = std::max(view.x, px - 1); i <= std::min(view.x + view.width - 1, px + 1); ++i)
                        if (0.5f <= depth.at(i, j))
                            return true;
                return false;
            };
            HiddenLineSplitter splitter;
            const SplitLines out = split(splitter, lines, maximalError, depth);
            const std::string what = "scene " + std::to_string(scene) + " in the viewport at (" +
                std::to_string(view.x) + ", " + std::to_string(view.y) + ")";
            expectWellFormed(out, what);
            results[v] = out;

            // The reference runs: visible stretches of each strip, as (window
            // start, input vertices passed, window end).
            struct Run {
                double x0, y0, x1, y1;
                std::vector<int32_t> vertices;
                double slope0, slope1; // |dy / dx| of the segments the run starts and ends on
            };
            std::vector<Run> runs;
            for (const std::vector<int32_t>& strip : stripsOf(lines.indices)) {
                bool open = false;
                for (size_t k = 0; k + 1 < strip.size(); ++k) {
                    const SbVec3f& p = lines.coordinates[size_t(strip[k])];
                    const SbVec3f& q = lines.coordinates[size_t(strip[k + 1])];
                    const double ax = windowX(view, p), ay = windowY(view, p);
                    const double bx = windowX(view, q), by = windowY(view, q);
                    const int steps = int(std::ceil(4.0 * std::hypot(bx - ax, by - ay))) + 1;
                    const double slope = std::fabs(by - ay) / std::max(std::fabs(bx - ax), 1e-9);
                    for (int i = 0; i <= steps; ++i) {
                        const double t = double(i) / steps;
                        const double x = ax + t * (bx - ax), y = ay + t * (by - ay);
                        const bool visible = reference(x, y);
                        if (visible && !open) {
                            // Only a strip's first vertex can open a run on a vertex.
                            runs.push_back({x, y, x, y, {}, slope, slope});
                            if (i == 0)
                                runs.back().vertices.push_back(strip[k]);
                        }
                        open = visible;
                        if (visible) {
                            runs.back().x1 = x;
                            runs.back().y1 = y;
                            runs.back().slope1 = slope;
                            if (i == steps)
                                runs.back().vertices.push_back(strip[k + 1]);
                        }
                    }
                }
            }

            const std::vector<std::vector<int32_t>> pieces = stripsOf(out.indices);
            ASSERT_EQ(pieces.size(), runs.size()) << what << describe(out, view);
            for (size_t r = 0; r < runs.size(); ++r) {
                const Run& run = runs[r];
                const std::vector<int32_t>& piece = pieces[r];
                // Output entries that are input vertices, in order.
                std::vector<int32_t> passed;
                for (int32_t index : piece) {
                    const SbVec3f& p = out.coordinates[size_t(index)];
                    for (size_t c = 0; c < lines.coordinates.size(); ++c)
                        if (p == lines.coordinates[c]) {
                            passed.push_back(int32_t(c));
                            break;
                        }
                }
                EXPECT_EQ(passed, run.vertices) << what << " run " << r << describe(out, view);
                const SbVec3f& first = out.coordinates[size_t(piece.front())];
                const SbVec3f& last = out.coordinates[size_t(piece.back())];
                EXPECT_NEAR(windowX(view, first), run.x0, 1.5) << what << " start of run " << r;
                EXPECT_NEAR(windowY(view, first), run.y0, 1.5 * std::max(1.0, run.slope0)) << what << " start of run " << r;
                EXPECT_NEAR(windowX(view, last), run.x1, 1.5) << what << " end of run " << r;
                EXPECT_NEAR(windowY(view, last), run.y1, 1.5 * std::max(1.0, run.slope1)) << what << " end of run " << r;
            }
        }

        const std::string what = "scene " + std::to_string(scene);
        ASSERT_EQ(results[1].indices, results[0].indices) << what << ": the moved viewport cuts differently"
                                                          << describe(results[0], views[0]) << " against"
                                                          << describe(results[1], views[1]);
        ASSERT_EQ(results[1].coordinates.size(), results[0].coordinates.size()) << what;
        for (size_t c = 0; c < results[0].coordinates.size(); ++c) {
            const SbVec3f& p = results[0].coordinates[c];
            const SbVec3f& q = results[1].coordinates[c];
            EXPECT_NEAR(windowX(views[1], q) - views[1].x, windowX(views[0], p), 1e-3) << what << " coordinate " << c;
            EXPECT_NEAR(windowY(views[1], q) - views[1].y, windowY(views[0], p), 1e-3) << what << " coordinate " << c;
        }
    }
}

TEST(SoLineHiddenLineRemoverTest, FieldsAndRegistration)
{
    const SoType type = SoType::fromName("SoLineHiddenLineRemover");
    ASSERT_FALSE(type.isBad()) << "type not registered";
    EXPECT_TRUE(type.isDerivedFrom(SoLineModifier::getClassTypeId())) << "parent of SoLineHiddenLineRemover";
    SoSeparator* scene = readScene("SoLineHiddenLineRemover { }\n"
                                   "SoLineHiddenLineRemover { maximalError 2.5 active FALSE }");
    ASSERT_NE(scene, nullptr);
    ASSERT_EQ(scene->getNumChildren(), 2);
    const auto* plain = static_cast<SoLineHiddenLineRemover*>(scene->getChild(0));
    const auto* set = static_cast<SoLineHiddenLineRemover*>(scene->getChild(1));
    EXPECT_EQ(plain->maximalError.getValue(), 6.0f) << "default maximalError";
    EXPECT_TRUE(plain->active.getValue()) << "default active";
    EXPECT_EQ(set->maximalError.getValue(), 2.5f) << "maximalError read";
    EXPECT_FALSE(set->active.getValue()) << "active read";
    scene->unref();
}

namespace {

// Sets two strips in a callback traversal and looks at the elements after
// the node under test.
struct CallbackLines {
    std::vector<SbVec3f> points = {SbVec3f(-0.8f, 0.2f, -1.0f), SbVec3f(0.8f, 0.2f, -1.0f),
                                   SbVec3f(-0.5f, -0.5f, -1.0f)};
    std::vector<int32_t> indices = {0, 1, -1, 1, 2, -1};
    std::vector<float> parameters = {0.0f, 1.0f, -1.0f, 0.0f, 1.0f, -1.0f};
    const SbVec3f* seenPoints = nullptr;
    const int32_t* seenIndices = nullptr;
    const float* seenParameters = nullptr;
    int32_t seenIndexCount = 0;
    SoNode* source = nullptr; // the node that sets the lines

    static void set(void* data, SoAction* action)
    {
        auto* self = static_cast<CallbackLines*>(data);
        SoState* state = action->getState();
        SoCoordinateElement::set3(state, self->source, int32_t(self->points.size()), self->points.data());
        SoLineCoordinateIndexElement::set(state, self->source, int32_t(self->indices.size()), self->indices.data());
        SoLineParameterizationElement::set(state, self->source, int32_t(self->parameters.size()),
                                           self->parameters.data());
    }
    static void look(void* data, SoAction* action)
    {
        auto* self = static_cast<CallbackLines*>(data);
        SoState* state = action->getState();
        self->seenPoints = SoCoordinateElement::getInstance(state)->getArrayPtr3();
        self->seenIndices = SoLineCoordinateIndexElement::get(state, self->seenIndexCount);
        int32_t count = 0;
        self->seenParameters = SoLineParameterizationElement::get(state, count);
    }
};

} // namespace

// Without a GL context there is no frame to compare with: the node sets
// nothing and the incoming arrays stay in force.
TEST(SoLineHiddenLineRemoverTest, CallbackTraversalPassesTheLinesUnchanged)
{
    CallbackLines lines;
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoCallback* source = new SoCallback;
    source->setCallback(CallbackLines::set, &lines);
    lines.source = source;
    SoCallback* probe = new SoCallback;
    probe->setCallback(CallbackLines::look, &lines);
    root->addChild(source);
    root->addChild(new SoLineHiddenLineRemover);
    root->addChild(probe);
    SoCallbackAction action;
    action.apply(root);
    root->unref();
    EXPECT_EQ(lines.seenPoints, lines.points.data()) << "coordinates after the node";
    EXPECT_EQ(lines.seenIndices, lines.indices.data()) << "index list after the node";
    EXPECT_EQ(lines.seenIndexCount, 6) << "index entries after the node";
    EXPECT_EQ(lines.seenParameters, lines.parameters.data()) << "parameterization after the node";
}

namespace {

// 128 x 128 pixels over 2 x 2 units (64 pixels per unit) seen by an
// orthographic camera; lines at z = -1, behind whatever occluder the test
// draws, which spans z in [-0.1, 0.1].
class HiddenLineRemoverGL : public GLFixture {
protected:
    SoSeparator* root = nullptr;
    LineSource* lines = nullptr;
    SoLineHiddenLineRemover* remover = nullptr;
    LineRecorder* recorder = nullptr;

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
    }
    void TearDown() override
    {
        if (root != nullptr)
            root->unref();
        GLFixture::TearDown();
    }

    // The scene: camera, occluders, then the lines through the remover.
    void build(const char* occluders)
    {
        std::string text = "OrthographicCamera { position 0 0 5 height 2 nearDistance 1 farDistance 10 }\n";
        root = readScene((text + occluders).c_str());
        ASSERT_NE(root, nullptr);
        lines = new LineSource;
        remover = new SoLineHiddenLineRemover;
        recorder = new LineRecorder;
        root->addChild(lines);
        root->addChild(remover);
        root->addChild(recorder);
    }
    // Two-point strips from (x0, y, z) to (x1, y, z), with parameters 0 and 1.
    void setSegments(const std::vector<std::array<float, 4>>& segments)
    {
        lines->points.setNum(0);
        lines->indices.setNum(0);
        lines->parameters.setNum(0);
        for (const std::array<float, 4>& s : segments) {
            const int n = lines->points.getNum();
            lines->points.set1Value(n, SbVec3f(s[0], s[2], s[3]));
            lines->points.set1Value(n + 1, SbVec3f(s[1], s[2], s[3]));
            const int m = lines->indices.getNum();
            lines->indices.set1Value(m, n);
            lines->indices.set1Value(m + 1, n + 1);
            lines->indices.set1Value(m + 2, -1);
            lines->parameters.set1Value(m, 0.0f);
            lines->parameters.set1Value(m + 1, 1.0f);
            lines->parameters.set1Value(m + 2, -1.0f);
        }
    }
    double windowXOf(int32_t index) const { return (double(recorder->points[size_t(index)][0]) + 1.0) * 64.0; }
};

std::string describe(const LineRecorder* recorder)
{
    std::ostringstream text;
    for (int32_t index : recorder->indices) {
        if (index < 0 || size_t(index) >= recorder->points.size()) {
            text << " " << index;
            continue;
        }
        const SbVec3f& p = recorder->points[size_t(index)];
        text << " " << index << "(" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    }
    return text.str();
}

} // namespace

// A slab over x >= 0 covers pixel columns from 64 on; behind it, the pixels
// from 65 on hide the lines.
TEST_F(HiddenLineRemoverGL, StripsAgainstARenderedSlab)
{
    build("Separator { Translation { translation 1 0 0 } Cube { width 2 height 4 depth 0.2 } }");
    if (HasFatalFailure())
        return;
    setSegments({{-0.8f, 0.8f, 0.2f, -1.0f},   // crossing into the slab's shadow
                 {0.8f, -0.8f, -0.5f, -1.0f},  // starting behind the slab
                 {0.2f, 0.9f, 0.5f, -1.0f},    // behind it all along
                 {-0.9f, -0.2f, -0.8f, -1.0f}, // beside it
                 {0.3f, 0.9f, -0.2f, 0.5f}});  // in front of it
    render(root);
    ASSERT_EQ(recorder->visits, 1);
    const std::vector<int32_t> expected = {0, 1, -1, 2, 3, -1, 4, 5, -1, 6, 7, -1};
    ASSERT_EQ(recorder->indices, expected) << describe(recorder);
    ASSERT_EQ(recorder->points.size(), 8u) << describe(recorder);
    const SbVec3f* in = lines->points.getValues(0);
    EXPECT_EQ(recorder->points[0], in[0]) << "start of the crossing strip";
    EXPECT_EQ(recorder->points[3], in[3]) << "end of the strip that starts hidden";
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(recorder->points[size_t(i)], in[i + 2]) << "visible strip coordinate " << i;
    for (int32_t t : {1, 2})
        EXPECT_NEAR(windowXOf(t), 65.0, 1.0 + 1e-3) << "window x of transition " << t << describe(recorder);
    ASSERT_EQ(recorder->parameters.size(), recorder->indices.size()) << "parameter entries";
    EXPECT_NEAR(recorder->parameters[1], (recorder->points[1][0] + 0.8f) / 1.6f, 1e-5f) << "parameter of transition 1";
    EXPECT_NEAR(recorder->parameters[3], (0.8f - recorder->points[2][0]) / 1.6f, 1e-5f) << "parameter of transition 2";
    EXPECT_EQ(recorder->parameters[4], 1.0f) << "parameter of the end of the strip that starts hidden";

    // The next frame gives the same cut: nothing of this one is kept but
    // the cache array.
    const std::vector<SbVec3f> first = recorder->points;
    render(root);
    EXPECT_EQ(recorder->indices, expected) << "second frame" << describe(recorder);
    EXPECT_EQ(recorder->points, first) << "coordinates of the second frame";
}

// The slab again, seen in a 128 x 128 viewport at (37, 21) of a 165 x 149
// window, as a viewer that draws into part of its window sets it up: the
// slab covers window columns from 101 on, the depth is read there, and the
// lines are cut 65 pixels from the viewport's left side as before.
TEST_F(HiddenLineRemoverGL, ViewportAwayFromTheWindowOrigin)
{
    ASSERT_TRUE(setSize(37 + 128, 21 + 128));
    build("Separator { Translation { translation 1 0 0 } Cube { width 2 height 4 depth 0.2 } }");
    if (HasFatalFailure())
        return;
    SoCallback* viewport = new SoCallback;
    viewport->setCallback([](void*, SoAction* action) {
        SbViewportRegion region(37 + 128, 21 + 128);
        region.setViewportPixels(37, 21, 128, 128);
        SoViewportRegionElement::set(action->getState(), region);
    });
    root->insertChild(viewport, 0);
    setSegments({{-0.8f, 0.8f, 0.2f, -1.0f}, {0.8f, -0.8f, -0.5f, -1.0f}});
    render(root);
    EXPECT_EQ(depth(100, 21 + 64), 1.0f) << "left of the slab";
    EXPECT_LT(depth(101, 21 + 64), 1.0f) << "the slab's first column";
    ASSERT_EQ(recorder->indices, std::vector<int32_t>({0, 1, -1, 2, 3, -1})) << describe(recorder);
    const SbVec3f* in = lines->points.getValues(0);
    EXPECT_EQ(recorder->points[0], in[0]) << "start of the crossing strip";
    EXPECT_EQ(recorder->points[3], in[3]) << "end of the strip that starts hidden";
    for (int32_t t : {1, 2})
        EXPECT_NEAR(windowXOf(t), 65.0, 1.0 + 1e-3) << "viewport x of transition " << t << describe(recorder);
}

TEST_F(HiddenLineRemoverGL, OccluderInTheMiddleAndTheSamplingStep)
{
    // A block over x in [-0.25, 0.25] (columns 48..79, hiding pixels
    // 49..78) and, lower down, a thin one over x in [-0.53, -0.47]
    // (columns 30..33, hiding pixels 31..32).
    build("Cube { width 0.5 height 4 depth 0.2 }\n"
          "Separator { Translation { translation -0.5 -0.5 0 } Cube { width 0.06 height 0.5 depth 0.2 } }");
    if (HasFatalFailure())
        return;
    setSegments({{-0.8f, 0.8f, 0.5f, -1.0f},                                    // middle behind the block
                 {29.0f / 64.0f - 1.0f, 34.5f / 64.0f - 1.0f, -0.5f, -1.0f}}); // 5.5 pixels over the thin one
    render(root);
    std::vector<int32_t> expected = {0, 1, -1, 2, 3, -1, 4, 5, -1};
    ASSERT_EQ(recorder->indices, expected) << "maximalError 6" << describe(recorder);
    EXPECT_NEAR(windowXOf(1), 49.0, 1.0 + 1e-3) << "window x where the block begins to hide" << describe(recorder);
    EXPECT_NEAR(windowXOf(2), 79.0, 1.0 + 1e-3) << "window x where the block stops hiding" << describe(recorder);
    const SbVec3f* in = lines->points.getValues(0);
    EXPECT_EQ(recorder->points[4], in[2]) << "short segment kept whole";
    EXPECT_EQ(recorder->points[5], in[3]) << "short segment kept whole";

    remover->maximalError = 1.0f;
    render(root);
    expected = {0, 1, -1, 2, 3, -1, 4, 5, -1, 6, 7, -1};
    ASSERT_EQ(recorder->indices, expected) << "maximalError 1" << describe(recorder);
    EXPECT_NEAR(windowXOf(5), 31.0, 1.0 + 1e-3) << "window x where the thin block begins to hide";
    EXPECT_NEAR(windowXOf(6), 33.0, 1.0 + 1e-3) << "window x where the thin block stops hiding";
}

TEST_F(HiddenLineRemoverGL, InactiveRemoverAndEverythingHidden)
{
    build("Cube { width 4 height 4 depth 0.2 }");
    if (HasFatalFailure())
        return;
    setSegments({{-0.8f, 0.8f, 0.2f, -1.0f}, {-0.5f, 0.5f, -0.3f, -1.0f}});
    remover->active = FALSE;
    render(root);
    EXPECT_EQ(recorder->indices, std::vector<int32_t>({0, 1, -1, 2, 3, -1})) << "inactive" << describe(recorder);
    EXPECT_EQ(recorder->points.size(), size_t(lines->points.getNum())) << "coordinates passed by the inactive node";
    EXPECT_EQ(recorder->parameters.size(), 6u) << "parameters passed by the inactive node";

    remover->active = TRUE;
    render(root);
    EXPECT_TRUE(recorder->indices.empty()) << "all hidden" << describe(recorder);
    EXPECT_TRUE(recorder->points.empty()) << "coordinates of hidden lines";
    EXPECT_TRUE(recorder->parameters.empty()) << "parameters of hidden lines";
}
