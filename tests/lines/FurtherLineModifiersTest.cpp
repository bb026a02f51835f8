// The line source, eraser, Bezier fitter, perturbator and subdivider: the
// resampling and perturbation algorithms on hand-worked strips, the nodes in
// callback traversals, their diagnostics and file round trips, and two
// rendered checks through the stroke shape.
//
// The algorithm cases use an identity projection over a 1 x 1 window, so a
// screen length equals the object-space length in x and y. Node scenes look
// through an orthographic camera of height 200 at a 200 x 200 window: one
// object unit is one pixel, two screen units.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lines/LinePerturbation.h"
#include "lines/LineResampling.h"
#include "lines/ScreenProjection.h"
#include "lines/SoLineBezifier.h"
#include "lines/SoLineEraser.h"
#include "lines/SoLineManager.h"
#include "lines/SoLinePerturbator.h"
#include "lines/SoLineSubdivider.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "support/PngPicture.h"
#include "support/TestNodes.h"
#include "util/InventorRoundTrip.h"

namespace {

typedef std::vector<int32_t> Indices;
typedef std::vector<float> Floats;
typedef std::vector<SbVec3f> Points;

// Screen = object x and y.
const ScreenProjection kIdentity(SbMatrix::identity(), SbMatrix::identity(), SbMatrix::identity(), SbVec2s(1, 1), 1.0f,
                                 10.0f);

LineArrays arrays(const Points& points, const Indices& indices, const Floats& parameters = Floats())
{
    LineArrays lines;
    lines.points = points.data();
    lines.pointCount = int32_t(points.size());
    lines.indices = indices.data();
    lines.indexCount = int32_t(indices.size());
    lines.parameters = parameters.empty() ? nullptr : parameters.data();
    lines.parameterCount = int32_t(parameters.size());
    return lines;
}

void expectPoints(const Points& actual, const Points& expected, const std::string& what, float tolerance = 1e-4f)
{
    ASSERT_EQ(actual.size(), expected.size()) << what << ": point count";
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_LT((actual[i] - expected[i]).length(), tolerance)
            << what << ", point " << i << ": (" << actual[i][0] << ", " << actual[i][1] << ", " << actual[i][2] << ")";
}

TEST(LineResampling, BezierCurvesOfHandWorkedStrips)
{
    // A = (0,0), B = (4,0), C = (4,4), fitness 0.25, so both tangents are 1
    // long. Segment AB: c1 = A + (1,0), c2 = B + unit(A - C) = (4 - r, -r)
    // with r = sqrt(1/2); its middle (A + 3 c1 + 3 c2 + B) / 8 is
    // (2.10983, -0.26517). Segment BC: c1 = B + unit(C - A) = (4 + r, r),
    // c2 = C + unit(B - C) = (4, 3); middle (4.26517, 1.89017).
    const Points abc = { { 0, 0, 0 }, { 4, 0, 0 }, { 4, 4, 0 } };
    const Indices strip = { 0, 1, 2, -1 };
    BezierSettings settings;
    settings.segments = 2;
    settings.perScreenLength = false;
    ResampledLines out;
    ResamplingReport report = fitBezierCurves(arrays(abc, strip, { 0, .5f, 1, -1 }), kIdentity, settings, out);
    const Points expected = { abc[0], { 2.10983f, -0.26517f, 0 }, abc[1], abc[1], { 4.26517f, 1.89017f, 0 },
                              abc[2], abc[2] };
    expectPoints(out.points, expected, "two curves, joint and end repeated");
    EXPECT_EQ(out.indices, Indices({ 0, 1, 2, 3, 4, 5, 6, -1 }));
    ASSERT_TRUE(out.parameterized);
    // Parameters from the screen distance to the segment's start: |A Q| / 4
    // halves of the way, and 0.5 + |B Q| / 8 on BC.
    const Floats parameters = { 0, 0.265804f, 0.5f, 0.5f, 0.738584f, 1, 1, -1 };
    for (size_t i = 0; i < parameters.size(); ++i)
        EXPECT_NEAR(out.parameters[i], parameters[i], 1e-5) << "parameter " << i;
    EXPECT_TRUE(report.pieceCounts.empty() && report.strips.describe(4, 3).empty());

    // The straight strip 0, 1 in 2 pieces: u = 0, 0.5, 1 and the end again.
    fitBezierCurves(arrays({ { 0, 0, 0 }, { 4, 0, 0 } }, { 0, 1, -1 }), kIdentity, settings, out);
    expectPoints(out.points, { { 0, 0, 0 }, { 2, 0, 0 }, { 4, 0, 0 }, { 4, 0, 0 } }, "straight strip in 2 pieces");

    // Per screen length 2: A to B' = (1,0) is shorter than a piece and gives
    // its start only; B' to C' = (1,4) gets trunc(4 / 2) = 2 pieces.
    settings.perScreenLength = true;
    report = fitBezierCurves(arrays({ { 0, 0, 0 }, { 1, 0, 0 }, { 1, 4, 0 } }, strip), kIdentity, settings, out);
    EXPECT_EQ(report.pieceCounts, Indices({ 0, 2 }));
    ASSERT_EQ(out.points.size(), 5u) << "A, three samples of B'C', C' again";
    EXPECT_EQ(out.points[0], SbVec3f(0, 0, 0));
    EXPECT_EQ(out.points[1], SbVec3f(1, 0, 0));
    EXPECT_EQ(out.points[3], SbVec3f(1, 4, 0));

    // Coincident neighbours give no direction: the control points stay on
    // the ends, and nothing is NaN.
    const BezierSegment still = bezierControlPoints(SbVec3f(1, 1, 1), SbVec3f(1, 1, 1), SbVec3f(1, 1, 1),
                                                    SbVec3f(1, 1, 1), 0.25);
    EXPECT_EQ(still.c1, SbVec3f(1, 1, 1));
    EXPECT_EQ(bezierPoint(still, 0.5), SbVec3f(1, 1, 1));
}

TEST(LineResampling, SubdivisionByScreenLength)
{
    // 12 units at 5 per piece: m = 2, points at 0 and 6 and the end; 4
    // units: no piece, the end point alone; 12 then 4: the short segment
    // loses its start (12).
    ResampledLines out;
    const Points line = { { 0, 0, 0 }, { 12, 0, 0 }, { 0, 5, 0 }, { 4, 5, 0 }, { 16, 0, 0 } };
    subdivideLines(arrays(line, { 0, 1, -1, 2, 3, -1, 0, 1, 4, -1 }, { 0, 1, -1, 0, 1, -1, 0, .75f, 1, -1 }), kIdentity,
                   5.0, out);
    expectPoints(out.points, { { 0, 0, 0 }, { 6, 0, 0 }, { 12, 0, 0 }, { 4, 5, 0 }, { 0, 0, 0 }, { 6, 0, 0 }, { 16, 0, 0 } },
                 "12-unit, 4-unit and 12 + 4-unit strips");
    EXPECT_EQ(out.indices, Indices({ 0, 1, 2, -1, 3, -1, 4, 5, 6, -1 }));
    EXPECT_EQ(out.parameters, Floats({ 0, .5f, 1, -1, 1, -1, 0, .375f, 1, -1 }));

    // Pieces far shorter than any segment: the count is capped and reported.
    const ResamplingReport capped = subdivideLines(arrays(line, { 0, 1, -1 }), kIdentity, 1e-9, out);
    EXPECT_EQ(capped.cappedSegments, 1);
    EXPECT_EQ(out.points.size(), size_t(kMaxPiecesPerSegment) + 1);
}

TEST(LinePerturbation, WavesAndRandomOffsets)
{
    // A vertical strip with unit steps and an unused coordinate 5. The
    // screen image of the y axis points up, so vertices move along -x by
    // s = 2 sin(2 pi L / 4) at L = 1, 2, 3: -2, 0, +2 in x.
    const Points column = { { 0, 0, 0 }, { 0, 1, 0 }, { 0, 2, 0 }, { 0, 3, 0 }, { 0, 4, 0 }, { 7, 7, 7 } };
    const Indices strip = { 0, 1, 2, 3, 4, -1 };
    PerturbationSettings wave;
    wave.method = PerturbationMethod::Sine;
    wave.amplitude = 2.0;
    wave.waveLength = 4.0;
    const RandomDraw noDraws = [] {
        ADD_FAILURE() << "a wave draws no random numbers";
        return 0;
    };
    Points out;
    perturbLines(arrays(column, strip), kIdentity, wave, noDraws, out);
    expectPoints(out, { column[0], { -2, 1, 0 }, { 0, 2, 0 }, { 2, 3, 0 }, column[4], column[5] }, "sine", 1e-3f);
    // The cosine wave is a quarter ahead: 0, +2, 0.
    wave.method = PerturbationMethod::Cosine;
    perturbLines(arrays(column, strip), kIdentity, wave, noDraws, out);
    expectPoints(out, { column[0], { 0, 1, 0 }, { 2, 2, 0 }, { 0, 3, 0 }, column[4], column[5] }, "cosine", 1e-3f);

    // Draws 0, 16000, 8000, 24000, ... stand for -1, 0, -0.5, 0.5 times the
    // amplitude; 31999 for just under +1.
    EXPECT_DOUBLE_EQ(randomOffset(0, 2.0), -2.0);
    EXPECT_DOUBLE_EQ(randomOffset(32000 + 16000, 2.0), 0.0);
    EXPECT_DOUBLE_EQ(randomOffset(31999, 2.0), 2.0 * (31999 * 0.0000625 - 1));
    std::deque<int> draws;
    const RandomDraw next = [&draws] {
        if (draws.empty()) {
            ADD_FAILURE() << "more draws than expected";
            return 0;
        }
        const int d = draws.front();
        draws.pop_front();
        return d;
    };
    PerturbationSettings random;
    random.amplitude = 2.0;
    draws = { 0, 16000, 8000, 24000 };
    const Points four(column.begin(), column.begin() + 4);
    perturbLines(arrays(four, { 0, 1, 2, 3, -1 }), kIdentity, random, next, out);
    expectPoints(out, { four[0], { -2, 1, 0 }, { -1, 3, 0 }, four[3] }, "screen offsets, ends kept");
    EXPECT_TRUE(draws.empty()) << "two draws for each of coordinates 1 and 2";
    random.inScreen = false;
    random.fixedEndPoints = false;
    draws = { 0, 16000, 24000, 16000, 16000, 16000 };
    perturbLines(arrays({ { 1, 1, 1 }, { 5, 5, 5 } }, { 0, 1, -1 }), kIdentity, random, next, out);
    expectPoints(out, { { -1, 1, 2 }, { 5, 5, 5 } }, "object offsets, ends free");
}

// A callback traversal of a scene given as text after an orthographic
// camera, with a recorder of the lines at its end.
class Scene {
public:
    explicit Scene(const std::string& text)
    {
        registerTestNodes();
        root = readScene(("OrthographicCamera { position 0 0 10 height 200 }\n" + text).c_str());
        if (root != nullptr) {
            probe = new LineRecorder;
            root->addChild(probe);
        }
    }
    ~Scene()
    {
        if (root != nullptr)
            root->unref();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    const LineRecorder& run(void)
    {
        SoCallbackAction action(SbViewportRegion(200, 200));
        action.apply(root);
        return *probe;
    }
    template <class T>
    T* child(int i) const
    {
        return static_cast<T*>(root->getChild(i));
    }

    SoSeparator* root = nullptr;
    LineRecorder* probe = nullptr;
};

TEST(FurtherLineNodes, ManagerAndEraser)
{
    Scene scene("SoLineManager { coordinates [ 0 0 0, 10 0 0, 10 10 0 ] coordinateIndices [ 0, 1, 2 ] }\n"
                "SoLineEraser { active FALSE }\n");
    ASSERT_NE(scene.root, nullptr);
    SoLineManager* manager = scene.child<SoLineManager>(1);
    OutputCapture first;
    const LineRecorder& seen = scene.run();
    EXPECT_EQ(first.text(), "[adding temp end marker]\n");
    EXPECT_EQ(manager->coordinateIndices.getNum(), 4);
    EXPECT_EQ(manager->coordinateIndices[3], -1) << "the end marker stays in the field";
    EXPECT_EQ(seen.indices, Indices({ 0, 1, 2, -1 }));
    EXPECT_EQ(seen.points, Points({ { 0, 0, 0 }, { 10, 0, 0 }, { 10, 10, 0 } }));
    OutputCapture second;
    scene.run();
    EXPECT_EQ(second.text(), "") << "no message once the marker is there; the inactive eraser prints nothing";
    EXPECT_EQ(seen.indices.size(), 4u) << "the inactive eraser leaves the lines";

    // Active, under a parameterization of 4 entries.
    Scene erased("LineSource { points [ 0 0 0, 10 0 0, 10 10 0 ] indices [ 0, 1, 2, -1 ] parameters [ 0, .5, 1, -1 ] }\n"
                 "SoLineEraser {}\n");
    OutputCapture printed;
    const LineRecorder& none = erased.run();
    EXPECT_EQ(printed.text(), "In SoLineEraser: Coords 3 Indices 4 Parameters 4\n"
                              "After SoLineEraser: Coords 0 Indices 0 Parameters 0\n");
    EXPECT_TRUE(none.points.empty() && none.indices.empty() && none.parameters.empty());

    // Too little to publish: the lines in force stay.
    Scene few("LineSource { points [ 1 1 1, 2 2 2 ] indices [ 0, 1, -1 ] }\n"
              "SoLineManager { coordinates [ 5 5 5 ] coordinateIndices [ 0, -1 ] }\n");
    EXPECT_EQ(few.run().points, Points({ { 1, 1, 1 }, { 2, 2, 2 } }));
}

TEST(FurtherLineNodes, ResamplingAndPerturbingNodes)
{
    // The Bezier strip 0, 1 in 2 pieces gives 4 points; an empty strip is
    // reported in the node's words.
    Scene bezier("SoLineManager { coordinates [ 0 0 0, 4 0 0 ] coordinateIndices [ 0, 1, -1, -1 ] }\n"
                 "SoLineBezifier { modifyMethod OBJECT_BASED segments 2 }\n");
    OutputCapture bezierOutput;
    EXPECT_EQ(bezier.run().points, Points({ { 0, 0, 0 }, { 2, 0, 0 }, { 4, 0, 0 }, { 4, 0, 0 } }));
    EXPECT_EQ(bezier.probe->indices, Indices({ 0, 1, 2, 3, -1 }));
    EXPECT_EQ(bezierOutput.text(), "ERROR! linecoordindex->get(end) == -1\n");
    // Per pixel: 4 object units are 8 screen units, trunc(8 / 3) = 2 pieces.
    bezier.child<SoLineBezifier>(2)->modifyMethod = SoLineModifier::PIXEL_BASED;
    bezier.child<SoLineBezifier>(2)->segments = 3;
    OutputCapture pixelOutput;
    EXPECT_EQ(bezier.run().points.size(), 4u);
    EXPECT_EQ(pixelOutput.text(), "bez:segments=2\nERROR! linecoordindex->get(end) == -1\n");

    // Subdivider at 5 screen units: 6 object units are 12 screen units (points
    // at 0 and 3 plus the end), 2 are 4 (the end alone); the parameterization
    // follows.
    Scene subdivider("LineSource { points [ 0 0 0, 6 0 0, 0 9 0, 2 9 0 ] indices [ 0, 1, -1, 2, 3, -1 ]\n"
                     "             parameters [ 0, 1, -1, 0, 1, -1 ] }\n"
                     "SoLineSubdivider {}\n");
    const LineRecorder& cut = subdivider.run();
    EXPECT_EQ(cut.points, Points({ { 0, 0, 0 }, { 3, 0, 0 }, { 6, 0, 0 }, { 2, 9, 0 } }));
    EXPECT_EQ(cut.indices, Indices({ 0, 1, 2, -1, 3, -1 }));
    EXPECT_EQ(cut.parameters, Floats({ 0, .5f, 1, -1, 1, -1 }));
    // Other methods hand on the last PIXEL_BASED result, even for new lines.
    SoLineSubdivider* node = subdivider.child<SoLineSubdivider>(2);
    node->modifyMethod = SoLineModifier::OBJECT_BASED;
    const int32_t other[] = { 2, 3, -1 };
    subdivider.child<LineSource>(1)->indices.setValues(0, 3, other);
    subdivider.child<LineSource>(1)->indices.setNum(3);
    EXPECT_EQ(subdivider.run().points.size(), 4u);
    EXPECT_EQ(cut.parameters, Floats({ 0, .5f, 1, -1, 1, -1 }));

    // RANDOM keeps coordinate 0 and the last one, moves the others by less
    // than the amplitude on the screen (2 units per object unit), and
    // repeats itself for the same seed of the standard generator.
    const std::string random = "SoLineManager { coordinates [ 0 0 0, 10 0 0, 20 0 0, 30 0 0, 40 0 0 ]\n"
                               "                coordinateIndices [ 0, 1, 2, 3, 4, -1 ] }\n"
                               "SoLinePerturbator { amplitude 8 }\n";
    Scene perturbed(random);
    const SbVec3f* given = perturbed.child<SoLineManager>(1)->coordinates.getValues(0);
    const Points in(given, given + 5);
    std::srand(1234);
    const Points once = perturbed.run().points;
    ASSERT_EQ(once.size(), 5u);
    EXPECT_EQ(once[0], in[0]);
    EXPECT_EQ(once[4], in[4]);
    for (int i = 1; i < 4; ++i) {
        EXPECT_NE(once[i], in[i]) << "coordinate " << i;
        EXPECT_LE(std::fabs(once[i][0] - in[i][0]), 4.0f) << "coordinate " << i;
        EXPECT_LE(std::fabs(once[i][1] - in[i][1]), 4.0f) << "coordinate " << i;
    }
    std::srand(1234);
    EXPECT_EQ(perturbed.run().points, once) << "same seed, same stroke";
    std::srand(4321);
    EXPECT_NE(perturbed.run().points, once) << "another seed, another stroke";
}

TEST(FurtherLineNodes, BadFieldsAndDamagedLinesAreReported)
{
    const std::string lines = "LineSource { points [ 0 0 0, 10 0 0 ] indices [ 0, 1, -1, 0, 7, -1 ] }\n";
    struct Case {
        const char* node;
        const char* message;
        std::function<void(SoNode*)> set;
    } cases[] = {
        { "SoLineBezifier { segments 0 }", "segments 0 is less than 1", nullptr },
        { "SoLineBezifier {}", "fitness nan is not a finite number",
          [](SoNode* n) { static_cast<SoLineBezifier*>(n)->fitness = NAN; } },
        { "SoLineSubdivider { subdivideLength 0 }", "subdivideLength 0 is not a positive number", nullptr },
        { "SoLinePerturbator { perturbateMethod SINUS numCycles 0 }", "numCycles 0 gives no wave length", nullptr },
        { "SoLinePerturbator {}", "amplitude inf is not a finite number",
          [](SoNode* n) { static_cast<SoLinePerturbator*>(n)->amplitude = INFINITY; } },
    };
    for (const Case& c : cases) {
        DebugErrorCollector errors;
        Scene scene(lines + c.node);
        ASSERT_NE(scene.root, nullptr) << c.node;
        if (c.set)
            c.set(scene.child<SoNode>(2));
        const LineRecorder& seen = scene.run();
        EXPECT_EQ(seen.indexArray, scene.child<LineSource>(1)->indices.getValues(0)) << c.node << ": lines unchanged";
        EXPECT_EQ(seen.pointArray, scene.child<LineSource>(1)->points.getValues(0)) << c.node << ": lines unchanged";
        ASSERT_EQ(errors.messages.size(), 1u) << c.node;
        EXPECT_NE(errors.messages[0].find(c.message), std::string::npos) << errors.messages[0];
    }
    // Good fields over a damaged list: -3 ends the first strip, the second
    // names coordinate 7, the third is empty, the last lacks its -1, and the
    // parameterization is short. Each 22-unit strip gets 4 pieces and its end.
    DebugErrorCollector errors;
    Scene scene("LineSource { points [ 0 0 0, 11 0 0 ] indices [ 0, 1, -3, 0, 7, -1, -1, 0, 1 ]\n"
                "             parameters [ 0, 1, -1 ] }\n"
                "SoLineSubdivider {}\n");
    EXPECT_EQ(scene.run().indices, Indices({ 0, 1, 2, 3, 4, -1, 5, 6, 7, 8, 9, -1 }));
    EXPECT_TRUE(scene.probe->parameters.empty());
    ASSERT_EQ(errors.messages.size(), 2u);
    for (const char* part : { "1 negative index entries other than -1 (the first at position 2)",
                              "(9 entries) lacks its -1", "the first such index is 7, there are 2 coordinates" })
        EXPECT_NE(errors.messages[0].find(part), std::string::npos) << errors.messages[0];
    EXPECT_NE(errors.messages[1].find("3 entries for 9 index entries"), std::string::npos) << errors.messages[1];
}

TEST(FurtherLineNodes, FieldsInOrderAndFileRoundTrip)
{
    // Every node's fields in order with their defaults, as written to a file.
    const std::vector<std::pair<const char*, std::vector<std::string>>> nodes = {
        { "SoLineManager", { "coordinates 0 0 0", "coordinateIndices -1", "normals 0 0 0" } },
        { "SoLineEraser", { "modifyMethod PIXEL_BASED", "active TRUE" } },
        { "SoLineBezifier", { "modifyMethod PIXEL_BASED", "fitness 0.25", "segments 8" } },
        { "SoLinePerturbator", { "modifyMethod PIXEL_BASED", "fixedEndPoints TRUE", "numCycles 1", "amplitude 1",
                                 "perturbateMethod RANDOM" } },
        { "SoLineSubdivider", { "modifyMethod PIXEL_BASED", "subdivideLength 5", "numSubdivides 1",
                                "subdivideMethod REGULAR" } },
    };
    for (const auto& node : nodes)
        EXPECT_EQ(fieldsWithValues(node.first), node.second) << node.first;

    // Non-default values come back from a file equal.
    expectRoundTrip("SoLineManager { coordinates [ 1 2 3, 4 5 6 ] coordinateIndices [ 0, 1, -1 ] normals [] }");
    expectRoundTrip("SoLineEraser { modifyMethod SCREEN_BASED active FALSE }");
    expectRoundTrip("SoLineBezifier { modifyMethod OBJECT_BASED fitness 0.4 segments 3 }");
    expectRoundTrip("SoLinePerturbator { fixedEndPoints FALSE numCycles 30 amplitude 2.5 perturbateMethod COSINUS }");
    expectRoundTrip("SoLineSubdivider { subdivideLength 7.5 numSubdivides 3 subdivideMethod RANDOM }");
}

// 128 x 128 pixels over 128 object units: one unit per pixel, two screen
// units; pixel column c covers x from c - 64 to c - 63. The line sources
// hand on no normals, which would light the strokes.
class LineModifiersGL : public GLFixture {
protected:
    SoSeparator* scene(const std::string& lines)
    {
        registerTestNodes();
        return readScene(("OrthographicCamera { position 0 0 5 height 128 }\n"
                          "LightModel { model BASE_COLOR }\n"
                          "BaseColor { rgb 1 1 1 }\n" +
                          lines + "SoLineShape {}\n")
                             .c_str());
    }
    bool lit(int x, int y) const { return pixelRGBA(x, y).r > 100; }
};

TEST_F(LineModifiersGL, SineWaveAmplitudeReadBackFromTheImage)
{
    // A vertical stroke 100 pixels long, cut into 2.5-pixel pieces and waved
    // across by 10 screen units with a wave length of 100 screen units (50
    // pixels): two waves whose crests stand 5 pixels off the centre line.
    SoSeparator* root = scene("SoLineManager { coordinates [ 0 -50 0, 0 50 0 ] coordinateIndices [ 0, 1, -1 ] normals [] }\n"
                              "SoLineSubdivider { subdivideLength 5 }\n"
                              "SoLinePerturbator { perturbateMethod SINUS amplitude 10 numCycles 100 }\n");
    ASSERT_NE(root, nullptr);
    render(root);
    double left = 1e9, right = -1e9;
    int rows = 0;
    for (int y = 20; y < 108; ++y) {
        double sum = 0;
        int n = 0;
        for (int x = 0; x < width(); ++x)
            if (lit(x, y))
                sum += x + 0.5, ++n;
        if (n == 0)
            continue;
        ++rows;
        left = std::min(left, sum / n - 64.0);
        right = std::max(right, sum / n - 64.0);
    }
    EXPECT_GE(rows, 80) << "the stroke runs through the rows it spans";
    EXPECT_NEAR(right, 5.0, 1.0) << "crest on the right, in pixels";
    EXPECT_NEAR(-left, 5.0, 1.0) << "crest on the left, in pixels";
    root->unref();
}

// Distance from p to the convex polygon (counter-clockwise), 0 inside.
double distanceToConvex(const SbVec2f& p, const std::vector<SbVec2f>& polygon)
{
    bool inside = true;
    double nearest = 1e9;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const SbVec2f a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        const SbVec2f ab = b - a, ap = p - a;
        if (ab[0] * ap[1] - ab[1] * ap[0] < 0)
            inside = false;
        const float t = std::max(0.0f, std::min(1.0f, ab.dot(ap) / ab.dot(ab)));
        nearest = std::min(nearest, double((a + ab * t - p).length()));
    }
    return inside ? 0.0 : nearest;
}

TEST_F(LineModifiersGL, BezierPolygonStaysWithinItsControlHulls)
{
    // The open square A (-40,-40), B (40,-40), C (40,40), D (-40,40) with
    // fitness 0.25: tangents of 20 units, h = 20 sqrt(1/2) = 14.142.
    // AB: c1 = (-20,-40) on AB, c2 = B + h (-1,-1): hull A, c2, B.
    // BC: c1 = B + h (1,1), c2 = C + h (1,-1): hull B, c1, c2, C.
    // CD: c1 = C + h (-1,1), c2 = (-20,40) on CD: hull C, c1, D.
    const float h = 14.142136f;
    const std::vector<std::vector<SbVec2f>> hulls = {
        { { -40, -40 }, { 40 - h, -40 - h }, { 40, -40 } },
        { { 40, -40 }, { 40 + h, -40 + h }, { 40 + h, 40 - h }, { 40, 40 } },
        { { 40, 40 }, { 40 - h, 40 + h }, { -40, 40 } },
    };
    SoSeparator* root = scene("SoLineManager { coordinates [ -40 -40 0, 40 -40 0, 40 40 0, -40 40 0 ]\n"
                              "                coordinateIndices [ 0, 1, 2, 3, -1 ] normals [] }\n"
                              "SoLineBezifier { modifyMethod OBJECT_BASED segments 16 }\n");
    ASSERT_NE(root, nullptr);
    render(root);
    int ink = 0, below = 0, right = 0;
    for (int y = 0; y < height(); ++y) {
        for (int x = 0; x < width(); ++x) {
            if (!lit(x, y))
                continue;
            ++ink;
            const SbVec2f p(x + 0.5f - 64, y + 0.5f - 64);
            double d = 1e9;
            for (const auto& hull : hulls)
                d = std::min(d, distanceToConvex(p, hull));
            EXPECT_LE(d, 1.0) << "pixel " << x << ", " << y;
            below += p[1] < -43 ? 1 : 0;
            right += p[0] > 43 ? 1 : 0;
        }
    }
    // The curves bulge out of the square where the hulls do: about 6.3
    // pixels below AB and beyond BC.
    EXPECT_GT(ink, 200);
    EXPECT_GT(below, 10) << "AB bends below the square";
    EXPECT_GT(right, 10) << "BC bends beyond the square";
    root->unref();
}

TEST_F(LineModifiersGL, ReadmeSceneFile)
{
    // The scene of the README; with QUILLMAP_WRITE_PICTURE naming a .png
    // file, its picture is written there.
    std::ifstream file(QUILLMAP_SOURCE_DIR "/doc/wavy-strokes.iv");
    ASSERT_TRUE(file) << "doc/wavy-strokes.iv";
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_TRUE(setSize(256, 256));
    SoSeparator* root = readScene(text.str().c_str());
    ASSERT_NE(root, nullptr);
    render(root, SbColor(1, 1, 1));
    const auto dark = [](const PixelRGBA& p) { return p.r < 100; };
    const int waved = countPixels(dark);
    const std::vector<uint8_t> picture = readRGBA();
    // Without the wave the strokes cover other pixels.
    SoNode* perturbator = nullptr;
    for (int i = 0; i < root->getNumChildren() && perturbator == nullptr; ++i)
        if (root->getChild(i)->isOfType(SoLinePerturbator::getClassTypeId()))
            perturbator = root->getChild(i);
    ASSERT_NE(perturbator, nullptr) << "the README scene waves its strokes";
    static_cast<SoLinePerturbator*>(perturbator)->amplitude = 0.0f;
    render(root, SbColor(1, 1, 1));
    EXPECT_GT(waved, 1000) << "the strokes are drawn";
    EXPECT_NE(readRGBA(), picture) << "the wave moves the strokes";
    root->unref();
    if (const char* path = std::getenv("QUILLMAP_WRITE_PICTURE")) {
        EXPECT_TRUE(writePngPicture(path, width(), height(), picture)) << path;
    }
}

} // namespace
