// Stroke directions at line vertices: analytic strips, bad input, seeded
// random strips against the turning angle, and SoLineCoordinateOrientation
// under an orthographic camera whose screen points are the object points.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "lines/LineStrips.h"
#include "lines/SoLineCoordinateOrientation.h"
#include "lines/StrokeDirections.h"
#include "support/DebugErrorCollector.h"
#include "support/TestNodes.h"

namespace {

typedef std::vector<SbVec2f> Points;

Points directions(const std::vector<int32_t>& indices, const Points& points, StrokeDirectionsReport* report = nullptr)
{
    Points out;
    const StrokeDirectionsReport r =
        computeStrokeDirections(indices.data(), int32_t(indices.size()), points.data(), int32_t(points.size()), out);
    if (report != nullptr)
        *report = r;
    return out;
}

void expectNear(const SbVec2f& got, const SbVec2f& want, const std::string& what, float tolerance = 1e-5f)
{
    EXPECT_NEAR(got[0], want[0], tolerance) << what << " x";
    EXPECT_NEAR(got[1], want[1], tolerance) << what << " y";
}

void expectAllNear(const Points& got, const Points& want, const std::string& what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i)
        expectNear(got[i], want[i], what + ", entry " + std::to_string(i));
}

TEST(StrokeDirectionsTest, AnalyticStrips)
{
    const Points straight{ { 0, 0 }, { 10, 0 }, { 20, 0 } };
    expectAllNear(directions({ 0, 1, 2, -1 }, straight), { { 10, 0 }, { 2, 0 }, { 10, 0 } }, "straight strip");

    // A right turn: the inner direction is the sum of the two unit directions.
    const Points corner{ { 0, 0 }, { 10, 0 }, { 10, 5 } };
    expectAllNear(directions({ 0, 1, 2, -1 }, corner), { { 10, 0 }, { 1, 1 }, { 0, 5 } }, "right angle");

    // A hairpin: the inner direction shrinks towards 0 as the turn closes.
    float previous = 3.0f;
    for (float gap : { 8.0f, 2.0f, 0.5f, 0.01f, 0.0f }) {
        const Points hairpin{ { 0, 0 }, { 10, 0 }, { 0, gap } };
        const Points d = directions({ 0, 1, 2, -1 }, hairpin);
        ASSERT_EQ(d.size(), 3u) << "hairpin gap " << gap;
        EXPECT_LT(d[1].length(), previous) << "hairpin gap " << gap;
        previous = d[1].length();
    }
    EXPECT_EQ(previous, 0.0f) << "closed hairpin";

    // Several strips, a single vertex among them (zero direction), and a
    // segment of zero length (zero unit direction).
    const Points some{ { 0, 0 }, { 3, 4 }, { 3, 4 }, { 6, 8 } };
    const std::vector<int32_t> list{ 0, 1, -1, 2, -1, 0, 1, 2, 3, -1 };
    const Points d = directions(list, some);
    EXPECT_EQ(int32_t(d.size()), countVertexEntries(list.data(), int32_t(list.size()))) << "one per vertex entry";
    expectAllNear(d, { { 3, 4 }, { 3, 4 }, { 0, 0 }, { 3, 4 }, { 0.6f, 0.8f }, { 0.6f, 0.8f }, { 3, 4 } },
                  "strips with a single vertex and a repeated point");
}

TEST(StrokeDirectionsTest, BadInput)
{
    const Points line{ { 0, 0 }, { 10, 0 }, { 20, 0 } };
    StrokeDirectionsReport report;

    // Index 7 names no point: its own direction and the segments touching
    // it are zero. The points are followed by NaNs that must not be read.
    const float nan = std::nanf("");
    Points padded = line;
    padded.resize(10, SbVec2f(nan, nan));
    const std::vector<int32_t> past{ 0, 1, 7, 2, -1 };
    Points d;
    report = computeStrokeDirections(past.data(), 5, padded.data(), 3, d);
    expectAllNear(d, { { 10, 0 }, { 1, 0 }, { 0, 0 }, { 0, 0 } }, "index past the points");
    EXPECT_EQ(report.outOfRange, 1);
    EXPECT_EQ(report.firstOutOfRange, 2);

    // A point at infinity (a screen position that overflowed) gives its
    // segments no unit direction rather than NaN; the end keeps its raw
    // difference.
    const float inf = std::numeric_limits<float>::infinity();
    d = directions({ 0, 1, 2, 3, -1 }, { { 0, 0 }, { inf, 0 }, { 20, 0 }, { 30, 0 } });
    ASSERT_EQ(d.size(), 4u);
    expectAllNear({ d[1], d[2], d[3] }, { { 0, 0 }, { 1, 0 }, { 10, 0 } }, "point at infinity");

    // The last strip without its -1 is a strip; other negative entries end strips.
    expectAllNear(directions({ 0, 1, -3, 1, 2 }, line, &report), { { 10, 0 }, { 10, 0 }, { 10, 0 }, { 10, 0 } },
                  "odd separator and unterminated strip");
    EXPECT_EQ(report.oddSeparators, 1);
    EXPECT_EQ(report.firstOddSeparator, 2);
    EXPECT_EQ(report.outOfRange, 0);

    // Empty strips are reported by their start positions.
    EXPECT_EQ(directions({ -1, 0, 1, -1, -1, 1, 2, -1 }, line, &report).size(), 4u) << "directions beside empty strips";
    EXPECT_EQ(report.emptyStrips, (std::vector<int32_t>{ 0, 4 }));
    EXPECT_TRUE(directions({}, line).empty()) << "empty list";
    EXPECT_EQ(directions({ 0, 1, -1 }, {}), (Points{ { 0, 0 }, { 0, 0 } })) << "no points at all";
}

TEST(StrokeDirectionsTest, RandomStripsAgainstTurningAngles)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f);
    for (int round = 0; round < 200; ++round) {
        Points points(2 + random() % 40);
        for (SbVec2f& p : points)
            p.setValue(coordinate(random), coordinate(random));
        std::vector<int32_t> list;
        const int strips = 1 + int(random() % 8);
        for (int s = 0; s < strips; ++s) {
            const size_t size = 2 + random() % 6;
            for (size_t i = 0; i < size; ++i)
                list.push_back(int32_t(random() % points.size()));
            list.push_back(-1);
        }
        const Points d = directions(list, points);
        ASSERT_EQ(int32_t(d.size()), countVertexEntries(list.data(), int32_t(list.size()))) << "round " << round;

        // Reference from the headings: at an inner vertex turning by angle t
        // the sum of the two unit directions has length 2 cos(t/2) and points
        // along the mean heading.
        size_t entry = 0;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i] < 0)
                continue;
            if (i > 0 && list[i - 1] >= 0 && list[i + 1] >= 0) {
                const SbVec2f a = points[size_t(list[i])] - points[size_t(list[i - 1])];
                const SbVec2f b = points[size_t(list[i + 1])] - points[size_t(list[i])];
                const double ha = std::atan2(a[1], a[0]), hb = std::atan2(b[1], b[0]);
                const double half = (hb - ha) / 2.0, mean = ha + half;
                const SbVec2f want(float(2.0 * std::cos(half) * std::cos(mean)),
                                   float(2.0 * std::cos(half) * std::sin(mean)));
                const std::string what = "round " + std::to_string(round) + ", entry " + std::to_string(entry);
                if (a.length() > 1e-3f && b.length() > 1e-3f)
                    expectNear(d[entry], want, what, 1e-4f);
            }
            ++entry;
        }
    }
}

SoSeparator* readScene(const std::string& body)
{
    registerTestNodes();
    // 512 units high on a 256-pixel square window: one unit is half a pixel,
    // so a point's screen position equals its x and y.
    const std::string text = "#Inventor V2.1 ascii\n"
                             "Separator {\n"
                             "  OrthographicCamera { position 0 0 10 height 512 aspectRatio 1 "
                             "viewportMapping LEAVE_ALONE }\n" +
                             body + "}\n";
    SoInput in;
    in.setBuffer(text.c_str(), text.size());
    SoSeparator* root = SoDB::readAll(&in);
    if (root != nullptr)
        root->ref();
    return root;
}

TEST(StrokeDirectionsTest, NodeInCallbackAndPickTraversals)
{
    const SoType type = SoLineCoordinateOrientation::getClassTypeId();
    EXPECT_STREQ(type.getName().getString(), "SoLineCoordinateOrientation");
    EXPECT_EQ(type.getParent(), SoLineModifier::getClassTypeId());

    SoSeparator* root = readScene("  Separator {\n"
                                  "    pickCulling OFF\n"
                                  "    Coordinate3 { point [ 0 0 0, 10 0 0, 20 0 0, 20 30 0 ] }\n"
                                  "    LineSource { indices [ -1, 0, 1, 2, -1, -1, 2, 3, 9, -1 ] }\n"
                                  "    SoLineCoordinateOrientation {}\n"
                                  "    DEF inside LineRecorder {}\n"
                                  "  }\n"
                                  "  DEF outside LineRecorder {}\n"
                                  "  Separator {\n"
                                  "    Coordinate3 { point [ 0 0 0 ] }\n"
                                  "    LineSource { indices [ 0, 0, -1 ] }\n"
                                  "    SoLineCoordinateOrientation {}\n"
                                  "    DEF oneCoordinate LineRecorder {}\n"
                                  "  }\n"
                                  "  Separator {\n"
                                  "    Coordinate3 { point [ 0 0 0, 1 0 0 ] }\n"
                                  "    LineSource { indices [ 0 ] }\n"
                                  "    SoLineCoordinateOrientation {}\n"
                                  "    DEF oneEntry LineRecorder {}\n"
                                  "  }\n");
    ASSERT_NE(root, nullptr);
    std::vector<LineRecorder*> probes;
    for (const char* name : { "inside", "outside", "oneCoordinate", "oneEntry" })
        probes.push_back(static_cast<LineRecorder*>(SoNode::getByName(name)));
    ASSERT_EQ(std::count(probes.begin(), probes.end(), nullptr), 0) << "probes named in the scene";

    DebugErrorCollector errors;
    SoCallbackAction action(SbViewportRegion(256, 256));
    testing::internal::CaptureStdout();
    action.apply(root);
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(printed, "processing strip 0->-1\nprocessing strip 5->4\n") << "empty strip messages";
    const Points initial{ { 0, 1 } };
    for (LineRecorder* probe : probes)
        ASSERT_EQ(probe->visits, 1);
    // Index 9 names no coordinate: zero there, and on 3 only the segment from 2.
    expectAllNear(probes[0]->directions, { { 10, 0 }, { 2, 0 }, { 10, 0 }, { 0, 30 }, { 0, 1 }, { 0, 0 } },
                  "directions on screen");
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("name no coordinate"), std::string::npos) << errors.messages[0];
    EXPECT_EQ(probes[1]->directions, initial) << "outside the separator";
    EXPECT_EQ(probes[2]->directions, initial) << "a single coordinate sets nothing";
    EXPECT_EQ(probes[3]->directions, initial) << "a single index entry sets nothing";

    // Picking leaves the directions alone.
    SoRayPickAction pick(SbViewportRegion(256, 256));
    pick.setPoint(SbVec2s(128, 128));
    root->pickCulling = SoSeparator::OFF;
    pick.apply(root);
    ASSERT_EQ(probes[0]->visits, 2) << "probe reached while picking";
    EXPECT_EQ(probes[0]->directions, initial) << "after picking";
    root->unref();
}

} // namespace
