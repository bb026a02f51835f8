// Tapered ends, round caps and the clearance thickness: the taper profile and
// the clearances on hand-worked cases, the node's diagnostics, and strokes
// measured in the read-back image (128 x 128 pixels over 2 x 2 units, 64
// pixels per unit, white strokes on black).

#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "lines/LineTaper.h"
#include "lines/LineThickness.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineTaper.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/TestNodes.h"

namespace {

TEST(StrokeEndsTest, TaperProfileAndClosedStrips)
{
    TaperSettings both;
    // Hand-worked: a quarter sine from 0.1 at the tip to 1 at 0.15.
    EXPECT_NEAR(taperFactor(0.0f, both), 0.1f, 1e-6f);
    EXPECT_NEAR(taperFactor(0.075f, both), 0.1f + 0.9f * std::sqrt(0.5f), 1e-5f);
    EXPECT_EQ(taperFactor(0.15f, both), 1.0f);
    EXPECT_EQ(taperFactor(0.5f, both), 1.0f);
    EXPECT_NEAR(taperFactor(1.0f, both), 0.1f, 1e-6f);
    EXPECT_NEAR(taperFactor(-3.0f, both), 0.1f, 1e-6f) << "before the start counts as the start";
    EXPECT_EQ(taperFactor(std::nanf(""), both), 1.0f);
    TaperSettings start;
    start.ends = TaperEnds::Start;
    EXPECT_NEAR(taperFactor(0.0f, start), 0.1f, 1e-6f);
    EXPECT_EQ(taperFactor(1.0f, start), 1.0f);
    TaperSettings end;
    end.ends = TaperEnds::End;
    EXPECT_EQ(taperFactor(0.0f, end), 1.0f);
    // Tapers longer than half the strip meet: the middle stays below full.
    TaperSettings long_;
    long_.taperLength = 1.0f;
    long_.endWidth = 0.0f;
    EXPECT_NEAR(taperFactor(0.5f, long_), std::sin(float(M_PI) / 4.0f), 1e-5f);

    // An open strip, a strip closed by its index, one closed by its point and
    // a single vertex; the thickness list ends one vertex short.
    const SbVec3f points[] = { { 0, 0, 0 }, { 1, 0, 0 }, { 2, 0, 0 }, { 0, 0, 0 } };
    const int32_t indices[] = { 0, 1, 2, -1, 0, 1, 0, -1, 0, 2, 3, -1, 1, -1, 0, 2 };
    const float parameters[] = { 0, 0.5f, 1, -1, 0, 0.5f, 1, -1, 0, 0.5f, 1, -1, 0, -1, 0, 1 };
    std::vector<float> thickness(12, 10.0f);
    taperLines(indices, 16, parameters, points, 4, both, thickness.data(), 11);
    const std::vector<float> expected = { 1, 10, 1, 10, 10, 10, 10, 10, 10, 10, 1, 10 };
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_NEAR(thickness[k], expected[k], 1e-5f) << "vertex " << k;
}

TEST(StrokeEndsTest, ClearanceAcrossTheStroke)
{
    // Three horizontal lines at y = 0, 6 and 40 screen units, a vertical one
    // crossing the first at x = 30, and a segment lying on the first line.
    const std::vector<int32_t> indices = { 0, 1, 2, -1, 3, 4, -1, 5, 6, -1, 7, 8, -1, 9, 10, -1 };
    const std::vector<SbVec2f> screen = { { 0, 0 },  { 20, 0 },  { 40, 0 },  { 0, 6 },   { 40, 6 },  { 0, 40 },
                                          { 40, 40 }, { 30, -10 }, { 30, 10 }, { 5, 0 },   { 15, 0 } };
    std::vector<float> clearance(screen.size(), -1.0f);
    lineClearances(indices.data(), int32_t(indices.size()), screen.data(), 20.0f, clearance.data());
    // Vertex 1 (20, 0): 6 up to the second line; the segment lying on its own
    // line does not count, nor does the crossing line, which runs along the
    // ray. The first line's ends see the second line's ends.
    EXPECT_NEAR(clearance[1], 6.0f, 1e-4f);
    EXPECT_NEAR(clearance[0], 6.0f, 1e-4f);
    EXPECT_NEAR(clearance[2], 6.0f, 1e-4f);
    EXPECT_NEAR(clearance[3], 6.0f, 1e-4f) << "the second line sees the first";
    EXPECT_EQ(clearance[5], 20.0f) << "34 away: beyond reach";
    // The crossing line runs along y: across it is along x, where the first
    // line lies on it (not counted) and the ends of the others are out of
    // its way; its ends see nothing within reach.
    EXPECT_EQ(clearance[7], 20.0f);
    EXPECT_NEAR(clearance[9], 6.0f, 1e-4f);

    // A vertex without a finite position takes no part.
    std::vector<SbVec2f> broken = screen;
    broken[4] = SbVec2f(NAN, 0);
    lineClearances(indices.data(), int32_t(indices.size()), broken.data(), 20.0f, clearance.data());
    EXPECT_EQ(clearance[1], 20.0f) << "the second line is gone";
    EXPECT_EQ(clearance[4], 20.0f);

    // The thickness: full at and beyond four times the base, a quarter of the
    // clearance below it, not under one pixel.
    EXPECT_EQ(clearanceThickness(5.0f, 20.0f), 5.0f);
    EXPECT_EQ(clearanceThickness(5.0f, 8.0f), 2.0f);
    EXPECT_EQ(clearanceThickness(5.0f, 2.0f), 1.0f);
    EXPECT_EQ(clearanceThickness(0.5f, 1.0f), 0.5f);
}

class StrokeEndsGL : public GLFixture {
protected:
    SoSeparator* root = nullptr;
    LineSource* lines = nullptr;
    SoLineTaper* taper = nullptr;
    SoLineShape* shape = nullptr;

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
        SoLineShape::setLineStripMode(false);
        root = readScene("OrthographicCamera { position 0 0 5 height 2 }\n"
                         "LightModel { model BASE_COLOR }\n"
                         "BaseColor { rgb 1 1 1 }\n");
        ASSERT_NE(root, nullptr);
        lines = new LineSource;
        root->addChild(lines);
        // Held here as well: tests take it out of the scene and put it back.
        taper = new SoLineTaper;
        taper->ref();
        root->addChild(taper);
        shape = new SoLineShape;
        root->addChild(shape);
    }
    void TearDown() override
    {
        if (root != nullptr)
            root->unref();
        if (taper != nullptr)
            taper->unref();
        GLFixture::TearDown();
    }

    // A polyline of `n` vertices from (x0, y0) to (x1, y1), thickness `w`.
    void straight(int n, float x0, float y0, float x1, float y1, float w)
    {
        lines->points.setNum(0);
        lines->indices.setNum(0);
        lines->thicknesses.setNum(0);
        lines->directions.setNum(0);
        for (int i = 0; i < n; ++i) {
            const float f = float(i) / float(n - 1);
            lines->points.set1Value(i, x0 + f * (x1 - x0), y0 + f * (y1 - y0), 0.0f);
            lines->indices.set1Value(i, i);
            lines->thicknesses.set1Value(i, w);
            lines->directions.set1Value(i, x1 - x0, y1 - y0);
        }
        lines->indices.set1Value(n, -1);
    }

    int litRows(int x) const
    {
        int n = 0;
        for (int y = 0; y < height(); ++y)
            n += pixelRGBA(x, y).r > 100 ? 1 : 0;
        return n;
    }
};

TEST_F(StrokeEndsGL, StraightStrokeTapersToItsEnds)
{
    // 41 vertices from pixel column 13 to 115, thickness 10.
    straight(41, -0.8f, 0.0f, 0.8f, 0.0f, 10.0f);
    render(root);
    std::vector<int> widths;
    for (int x = 13; x <= 114; ++x)
        widths.push_back(litRows(x));
    const int middle = widths[widths.size() / 2];
    EXPECT_GE(middle, 9);
    EXPECT_LE(middle, 11);
    EXPECT_LE(widths.front(), 2) << "left end";
    EXPECT_LE(widths.back(), 2) << "right end";
    for (size_t i = 1; i < widths.size() / 2; ++i)
        EXPECT_GE(widths[i], widths[i - 1]) << "widening at column " << 13 + i;
    for (size_t i = widths.size() / 2 + 1; i < widths.size(); ++i)
        EXPECT_LE(widths[i], widths[i - 1]) << "narrowing at column " << 13 + i;

    // Only the end tapers; the start keeps its full width.
    taper->taperEnds = SoLineTaper::END;
    render(root);
    EXPECT_GE(litRows(14), 9);
    EXPECT_LE(litRows(114), 2);
}

TEST_F(StrokeEndsGL, ClosedCircleKeepsItsWidth)
{
    // A circle of radius 0.5 (32 pixels) closed by repeating its first index.
    const int n = 64;
    for (int i = 0; i < n; ++i) {
        const float a = 2.0f * float(M_PI) * float(i) / float(n);
        lines->points.set1Value(i, 0.5f * std::cos(a), 0.5f * std::sin(a), 0.0f);
        lines->indices.set1Value(i, i);
        lines->thicknesses.set1Value(i, 10.0f);
        lines->directions.set1Value(i, -std::sin(a), std::cos(a));
    }
    lines->indices.set1Value(n, 0);
    lines->thicknesses.set1Value(n, 10.0f);
    lines->directions.set1Value(n, 0.0f, 1.0f);
    lines->indices.set1Value(n + 1, -1);
    render(root);
    const std::vector<uint8_t> tapered = readRGBA();
    // Across the ring at the top and bottom (column 64) and at the left and
    // right (row 64, the start and end of the strip): 10 pixels each.
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int i = 0; i < 64; ++i) {
        bottom += pixelRGBA(64, i).r > 100;
        top += pixelRGBA(64, 64 + i).r > 100;
        left += pixelRGBA(i, 64).r > 100;
        right += pixelRGBA(64 + i, 64).r > 100;
    }
    for (int w : { top, bottom, left, right })
        EXPECT_TRUE(w >= 9 && w <= 11) << "ring " << top << " " << bottom << " " << left << " " << right;
    root->removeChild(taper);
    render(root);
    EXPECT_EQ(readRGBA(), tapered) << "the taper changed a closed strip";
}

TEST_F(StrokeEndsGL, SwitchedOffFrameIsUnchangedAndCapsAreRound)
{
    // As the viewer holds it: the taper in a switch after the thickness.
    straight(21, -0.5f, 0.0f, 0.5f, 0.0f, 20.0f);
    root->removeChild(taper);
    render(root);
    const std::vector<uint8_t> without = readRGBA();
    SoSwitch* holder = new SoSwitch;
    holder->addChild(taper);
    holder->whichChild = SO_SWITCH_NONE;
    root->insertChild(holder, root->findChild(lines) + 1);
    render(root);
    EXPECT_EQ(readRGBA(), without) << "switched off";
    holder->whichChild = 0;
    render(root);
    EXPECT_NE(readRGBA(), without) << "switched on";
    holder->whichChild = SO_SWITCH_NONE;

    // Blunt ends at columns 32 and 96; round caps of radius 10 pixels reach
    // 10 columns further, 2 sqrt(10^2 - 5^2) ~ 17 rows high 5 columns out.
    EXPECT_EQ(litRows(27), 0);
    shape->roundCaps = TRUE;
    render(root);
    EXPECT_GE(litRows(27), 15);
    EXPECT_LE(litRows(27), 18);
    EXPECT_GE(litRows(101), 15);
    EXPECT_LE(litRows(101), 18);
    EXPECT_LE(litRows(22), 6) << "near the tip";
    EXPECT_EQ(litRows(21), 0) << "past the tip";
    EXPECT_EQ(litRows(64), 20) << "the middle keeps its width";
}

TEST_F(StrokeEndsGL, BadFieldsAreReported)
{
    straight(11, -0.5f, 0.0f, 0.5f, 0.0f, 10.0f);
    root->removeChild(taper);
    render(root);
    const std::vector<uint8_t> plain = readRGBA();
    root->insertChild(taper, root->findChild(lines) + 1);
    LineRecorder* probe = new LineRecorder;
    root->insertChild(probe, root->findChild(taper) + 1);
    struct Case {
        float endWidth, taperLength;
        bool unchanged;
    } cases[] = { { std::nanf(""), 0.15f, true }, { 0.1f, 0.0f, true }, { 0.1f, -1.0f, true },
                  { 0.1f, INFINITY, true },       { -0.5f, 0.15f, false }, { 3.0f, 0.15f, false } };
    for (const Case& c : cases) {
        const std::string what = "endWidth " + std::to_string(c.endWidth) + " taperLength " +
                                 std::to_string(c.taperLength);
        taper->endWidth = c.endWidth;
        taper->taperLength = c.taperLength;
        DebugErrorCollector errors;
        render(root);
        EXPECT_EQ(errors.messages.size(), 1u) << what;
        ASSERT_EQ(probe->thicknesses.size(), 11u) << what;
        if (c.unchanged) {
            EXPECT_EQ(readRGBA(), plain) << what;
        } else {
            // Clamped into 0..1: the ends at 0 or at the full width.
            EXPECT_EQ(probe->thicknesses[0], c.endWidth < 0.0f ? 0.0f : 10.0f) << what;
        }
    }
    // Fewer thicknesses than vertices: the ones there are tapered, reported.
    taper->endWidth = 0.1f;
    taper->taperLength = 0.15f;
    lines->thicknesses.setNum(5);
    DebugErrorCollector errors;
    render(root);
    EXPECT_EQ(errors.messages.size(), 1u);
    ASSERT_EQ(probe->thicknesses.size(), 5u);
    EXPECT_NEAR(probe->thicknesses[0], 1.0f, 1e-5f);
    EXPECT_EQ(probe->thicknesses[4], 10.0f);
}

} // namespace
