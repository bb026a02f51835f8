// Per-vertex line attributes: the arc-length parameter and the thickness as
// plain algorithms, and the parameterization, texture coordinate and
// thickener nodes under a callback traversal.
//
// Node scenes look through an orthographic camera of height 2 at a 200 x 200
// window, so one object unit along x or y spans 100 pixels, that is 200
// screen units, and screen lengths are known without projecting anything.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "lines/ArcLength.h"
#include "lines/LineStrips.h"
#include "lines/LineThickness.h"
#include "lines/SoLineParameterization.h"
#include "lines/SoLineTextureCoordinateGenerator.h"
#include "lines/SoLineThickener.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/TestNodes.h"

namespace {

const float kTolerance = 1e-5f;

// A scene of camera, source, the nodes under test and a probe at the end.
struct Scene {
    SoSeparator* root = nullptr;
    LineSource* source = nullptr;
    LineRecorder* probe = nullptr;

    Scene(const std::vector<SbVec3f>& points, const std::vector<int32_t>& indices, SoNode* camera = nullptr)
    {
        registerTestNodes();
        root = new SoSeparator;
        root->ref();
        if (camera == nullptr) {
            SoOrthographicCamera* ortho = new SoOrthographicCamera;
            ortho->position.setValue(0, 0, 10);
            ortho->height = 2.0f;
            ortho->nearDistance = 1.0f;
            ortho->farDistance = 21.0f;
            camera = ortho;
        }
        root->addChild(camera);
        source = new LineSource;
        source->points.setValues(0, int(points.size()), points.data());
        source->indices.setValues(0, int(indices.size()), indices.data());
        root->addChild(source);
        probe = new LineRecorder;
        root->addChild(probe);
    }
    ~Scene() { root->unref(); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Adds a node just before the probe.
    void add(SoNode* node) { root->insertChild(node, root->getNumChildren() - 1); }
    void run(void) { SoCallbackAction(SbViewportRegion(200, 200)).apply(root); }
};

SoLineThickener* thickener(float amplitude, int method = SoLineThickener::CONSTANT,
                           int modify = SoLineModifier::PIXEL_BASED)
{
    SoLineThickener* node = new SoLineThickener;
    node->amplitude = amplitude;
    node->thickenMethod = method;
    node->modifyMethod = modify;
    return node;
}

// Segment lengths as the plane distances of a table of points.
SegmentLength planarLength(const std::vector<SbVec2f>& points)
{
    return [&points](int32_t a, int32_t b) { return (points[size_t(b)] - points[size_t(a)]).length(); };
}

std::vector<float> parameterize(const std::vector<int32_t>& indices, const SegmentLength& length)
{
    std::vector<float> out(indices.size(), 99.0f);
    parameterizeLines(indices.data(), int32_t(indices.size()), length, out.data());
    return out;
}

std::vector<float> textureCoordinates(const std::vector<int32_t>& indices, const SegmentLength& length)
{
    std::vector<float> out(size_t(countVertexEntries(indices.data(), int32_t(indices.size()))), 99.0f);
    lineTextureCoordinates(indices.data(), int32_t(indices.size()), length, out.data());
    return out;
}

void expectValues(const std::vector<float>& seen, const std::vector<float>& expected, const std::string& what)
{
    ASSERT_EQ(seen.size(), expected.size()) << what;
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_NEAR(seen[i], expected[i], kTolerance) << what << ", entry " << i;
}

TEST(LineAttributesTest, ArcLengthOfKnownStrips)
{
    // Two equal segments; segments 1 and 3; a one-vertex strip and a strip
    // whose vertices coincide, both after a strip that ended at 1; a last
    // strip without its separator.
    const std::vector<SbVec2f> points = { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 0, 1 }, { 0, 2 }, { 3, 2 }, { 5, 5 }, { 5, 5 } };
    const std::vector<int32_t> indices = { 0, 1, 2, -1, 3, 4, 5, -1, 6, -1, 6, 7, 6, -1, 2, 1 };
    const std::vector<float> expected = { 0, 0.5f, 1, -1, 0, 0.25f, 1, -1, 1, -1, 1, 1, 1, -1, 0, 1 };
    const std::vector<float> parameters = parameterize(indices, planarLength(points));
    expectValues(parameters, expected, "parameterization");
    for (size_t last : { 2, 6, 15 })
        EXPECT_EQ(parameters[last], 1.0f) << "strip end at entry " << last;
    std::vector<float> vertexOnly;
    for (float u : expected)
        if (u >= 0.0f)
            vertexOnly.push_back(u);
    expectValues(textureCoordinates(indices, planarLength(points)), vertexOnly, "texture coordinates");

    // A first strip without length stays 0; empty strips are only separators.
    expectValues(parameterize({ 6, 7, -1, 0, 2, -1 }, planarLength(points)), { 0, 0, -1, 0, 1, -1 },
                 "collapsed first strip");
    expectValues(parameterize({ -1, 0, 1, -1, -1, 2, 1, -1 }, planarLength(points)), { -1, 0, 1, -1, -1, 0, 1, -1 },
                 "empty strips");

    // Segments of NaN, infinite or negative length count as 0.
    for (float bad : { std::nanf(""), INFINITY, -INFINITY, -2.0f }) {
        const SegmentLength length = [bad](int32_t from, int32_t) { return from == 1 ? bad : 1.0f; };
        expectValues(parameterize({ 0, 1, 2, 3, -1 }, length), { 0, 0.5f, 0.5f, 1, -1 },
                     "middle segment of length " + std::to_string(bad));
        expectValues(parameterize({ 1, 1, -1 }, length), { 0, 0, -1 }, "only segment of length " + std::to_string(bad));
    }
}

TEST(LineAttributesTest, ArcLengthMatchesCumulativeLengthsOnRandomStrips)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    std::uniform_int_distribution<int> small(0, 6);
    std::uniform_int_distribution<int> index(0, 17);
    for (int round = 0; round < 200; ++round) {
        // Points 18 and 19 coincide, for strips without length.
        std::vector<SbVec2f> points(20);
        for (SbVec2f& p : points)
            p.setValue(coordinate(random), coordinate(random));
        points[19] = points[18];
        std::vector<int32_t> indices;
        const int strips = 1 + small(random);
        for (int s = 0; s < strips; ++s) {
            const int n = small(random);
            const bool collapsed = small(random) == 0;
            for (int v = 0; v < n; ++v)
                indices.push_back(collapsed ? 18 + v % 2 : index(random));
            if (s + 1 < strips || small(random) > 0)
                indices.push_back(-1);
        }

        // Reference: cumulative lengths per strip over the strip's total; a
        // strip of total 0 repeats the last vertex value.
        std::vector<float> expected;
        float last = 0.0f;
        size_t begin = 0;
        while (begin < indices.size()) {
            size_t end = begin;
            while (end < indices.size() && indices[end] >= 0)
                ++end;
            std::vector<double> cumulative(1, 0.0);
            for (size_t i = begin + 1; i < end; ++i)
                cumulative.push_back(cumulative.back() +
                                     (points[size_t(indices[i])] - points[size_t(indices[i - 1])]).length());
            for (size_t i = begin; i < end; ++i) {
                if (cumulative.back() > 0.0)
                    last = float(cumulative[i - begin] / cumulative.back());
                expected.push_back(last);
            }
            if (end < indices.size())
                expected.push_back(-1.0f);
            begin = end + 1;
        }

        const std::string what = "round " + std::to_string(round);
        const std::vector<float> parameters = parameterize(indices, planarLength(points));
        expectValues(parameters, expected, what);
        std::vector<float> vertexOnly;
        for (size_t i = 0; i < indices.size(); ++i) {
            if (indices[i] >= 0) {
                EXPECT_TRUE(parameters[i] >= 0.0f && parameters[i] <= 1.0f) << what << ", entry " << i;
                vertexOnly.push_back(parameters[i]);
            }
        }
        EXPECT_EQ(textureCoordinates(indices, planarLength(points)), vertexOnly) << what;
        if (HasFailure())
            return;
    }
}

TEST(LineAttributesTest, ThicknessDepthThresholdAndIncomingValues)
{
    const std::vector<int32_t> indices = { 0, 1, -1, 2, 3, 4, -1 };
    std::vector<float> out(5);
    auto thicken = [&](const ThicknessSettings& settings, const float* incoming, int32_t incomingCount) {
        std::fill(out.begin(), out.end(), 99.0f);
        thickenLines(indices.data(), int32_t(indices.size()), settings, incoming, incomingCount, out.data());
        return out;
    };
    // Depths per coordinate index: ordinary, below 1, exactly at and just
    // above the threshold, behind the eye, and NaN.
    const float depths[] = { 4.0f, 0.5f, kMinimumThicknessDepth, 2e-5f, -3.0f, std::nanf("") };
    ThicknessSettings settings;
    settings.method = ThicknessMethod::Depth;
    settings.amplitude = 2.0f;
    settings.depth = [&depths](int32_t i) { return depths[i]; };
    expectValues(thicken(settings, nullptr, 0), { 0.5f, 4.0f, 2.0f / kMinimumThicknessDepth, 2.0f / 2e-5f, 0.0f },
                 "DEPTH");
    const int32_t nanVertex[] = { 5, -1 };
    thickenLines(nanVertex, 2, settings, nullptr, 0, out.data());
    EXPECT_EQ(out[0], 0.0f) << "a vertex of NaN depth";

    // Incoming thicknesses are added while they last and never read past;
    // the output may be the incoming array itself.
    settings.method = ThicknessMethod::Constant;
    const std::vector<float> incoming = { 1, 2, 3, 4, 5, 6 };
    expectValues(thicken(settings, incoming.data(), 6), { 3, 4, 5, 6, 7 }, "six incoming");
    expectValues(thicken(settings, incoming.data(), 2), { 3, 4, 2, 2, 2 }, "two incoming");
    std::vector<float> same = { 1, 1, 1, 1, 1 };
    thickenLines(indices.data(), int32_t(indices.size()), settings, same.data(), 5, same.data());
    expectValues(same, std::vector<float>(5, 3.0f), "incoming list that is the output");
}

// ---- nodes ----

TEST(LineAttributesTest, NodeClassesAndFields)
{
    for (SoType type : { SoLineParameterization::getClassTypeId(), SoLineTextureCoordinateGenerator::getClassTypeId(),
                         SoLineThickener::getClassTypeId() }) {
        ASSERT_NE(type, SoType::badType());
        EXPECT_EQ(type.getParent(), SoLineModifier::getClassTypeId()) << type.getName().getString();
    }

    // Defaults, and values read from a file by their enum names.
    SoSeparator* scene = readScene("SoLineTextureCoordinateGenerator { textureMethod PER_SEGMENT }\n"
                                   "SoLineThickener { thickenMethod DEPTH amplitude 0.5 modifyMethod OBJECT_BASED }\n"
                                   "SoLineThickener {}\n"
                                   "SoLineTextureCoordinateGenerator {}\n"
                                   "SoLineParameterization {}\n");
    ASSERT_NE(scene, nullptr);
    auto* generator = static_cast<SoLineTextureCoordinateGenerator*>(scene->getChild(0));
    auto* depth = static_cast<SoLineThickener*>(scene->getChild(1));
    auto* defaults = static_cast<SoLineThickener*>(scene->getChild(2));
    EXPECT_EQ(generator->textureMethod.getValue(), int(SoLineTextureCoordinateGenerator::PER_SEGMENT));
    EXPECT_EQ(depth->thickenMethod.getValue(), int(SoLineThickener::DEPTH));
    EXPECT_EQ(depth->amplitude.getValue(), 0.5f);
    EXPECT_EQ(depth->modifyMethod.getValue(), int(SoLineModifier::OBJECT_BASED));
    EXPECT_EQ(defaults->amplitude.getValue(), 1.0f);
    EXPECT_EQ(defaults->thickenMethod.getValue(), int(SoLineThickener::CONSTANT));
    EXPECT_EQ(static_cast<SoLineTextureCoordinateGenerator*>(scene->getChild(3))->textureMethod.getValue(),
              int(SoLineTextureCoordinateGenerator::LINE_LENGTH));
    // The thickener's own fields follow the inherited one in this order.
    SoFieldList fields;
    ASSERT_EQ(defaults->getFields(fields), 3);
    EXPECT_EQ(fields[1], &defaults->amplitude);
    EXPECT_EQ(fields[2], &defaults->thickenMethod);

    // Both enums are known by the type name ThickenMethod.
    const struct {
        SoNode* node;
        std::vector<std::string> names;
    } enums[] = { { generator, { "LINE_LENGTH", "TEXTURE_LENGTH", "PER_SEGMENT" } },
                  { depth, { "CONSTANT", "CONSTANT_TEXTURE_WIDTH", "CONSTANT_TEXTURE_HEIGHT", "DEPTH", "CLEARANCE" } } };
    for (const auto& e : enums) {
        int num = 0;
        const int* values = nullptr;
        const SbName* names = nullptr;
        // Coin declares the lookup non-const; it changes nothing.
        const_cast<SoFieldData*>(e.node->getFieldData())->getEnumData("ThickenMethod", num, values, names);
        ASSERT_EQ(num, int(e.names.size())) << e.node->getTypeId().getName().getString();
        for (int i = 0; i < num; ++i)
            EXPECT_TRUE(values[i] == i && names[i] == e.names[size_t(i)].c_str()) << e.names[size_t(i)];
    }
    scene->unref();
}

TEST(LineAttributesTest, ParameterizationAndTextureCoordinatesOnScreen)
{
    // Equal segments of 100 screen units; then 20 and 80 and a slanted one,
    // (0.3, 0.4) long 100; a strip of one vertex after a full one repeats 1;
    // a strip whose vertices differ only in depth has no screen length.
    const std::vector<SbVec3f> points = { { -0.5f, 0, 0 },   { 0, 0, 0 },    { 0.5f, 0, 0 },
                                          { -0.5f, 0.5f, 0 }, { -0.4f, 0.5f, 0 }, { 0, 0.5f, 0 },
                                          { 0.3f, 0.9f, 0 },  { 0.2f, 0.2f, 3 }, { 0.2f, 0.2f, -4 } };
    const std::vector<int32_t> indices = { 0, 1, 2, -1, 3, 4, 5, 6, -1, 2, -1, 7, 8, -1 };
    Scene scene(points, indices);
    scene.add(new SoLineParameterization);
    scene.add(new SoLineTextureCoordinateGenerator);
    scene.run();
    expectValues(scene.probe->parameters, { 0, 0.5f, 1, -1, 0, 0.1f, 0.5f, 1, -1, 1, -1, 1, 1, -1 },
                 "parameterization");
    expectValues(scene.probe->textureCoordinates, { 0, 0.5f, 1, 0, 0.1f, 0.5f, 1, 1, 1, 1 }, "texture coordinates");

    // Every texture method gives the same coordinates.
    for (int method : { SoLineTextureCoordinateGenerator::TEXTURE_LENGTH, SoLineTextureCoordinateGenerator::PER_SEGMENT }) {
        Scene other(points, { 0, 1, 2, -1 });
        SoLineTextureCoordinateGenerator* generator = new SoLineTextureCoordinateGenerator;
        generator->textureMethod = method;
        other.add(generator);
        other.run();
        expectValues(other.probe->textureCoordinates, { 0, 0.5f, 1 }, "textureMethod " + std::to_string(method));
        EXPECT_TRUE(other.probe->parameters.empty()) << "the generator set a parameterization";
    }
}

TEST(LineAttributesTest, TooLittleOrBadInputLeavesTheStateAlone)
{
    // Too few coordinates or index entries: the incoming lists stay. Two
    // index entries are enough for thickening, three for the others.
    const std::vector<float> old = { 0.25f, -1 };
    const struct {
        std::vector<SbVec3f> points;
        std::vector<int32_t> indices;
        std::vector<float> thickness;
    } cases[] = { { { { 0, 0, 0 } }, { 0, 0, -1 }, old },
                  { { { 0, 0, 0 }, { 1, 0, 0 } }, { 1, -1 }, { 1.5f } },
                  { { { 0, 0, 0 }, { 1, 0, 0 } }, { 0 }, old } };
    for (const auto& c : cases) {
        Scene scene(c.points, c.indices);
        scene.source->parameters.setValues(0, 2, old.data());
        scene.source->textureCoordinates.setValues(0, 2, old.data());
        scene.source->thicknesses.setValues(0, 2, old.data());
        scene.add(new SoLineParameterization);
        scene.add(new SoLineTextureCoordinateGenerator);
        scene.add(thickener(1.5f - old[0]));
        scene.run();
        const std::string what = std::to_string(c.points.size()) + " points, " + std::to_string(c.indices.size()) +
                                 " index entries";
        EXPECT_EQ(scene.probe->parameters, old) << what;
        EXPECT_EQ(scene.probe->textureCoordinates, old) << what;
        EXPECT_EQ(scene.probe->thicknesses, c.thickness) << what;
    }
    {
        // Indices without a coordinate measure 0 and are reported; nothing
        // is read past the coordinates. Entry -3 acts as a separator.
        DebugErrorCollector errors;
        Scene scene({ { -0.5f, 0, 0 }, { 0, 0, 0 }, { 0.5f, 0, 0 } }, { 0, 1, 7, 2, -1, -3, 0, 1, -1 });
        scene.add(new SoLineParameterization);
        scene.add(thickener(2.0f, SoLineThickener::DEPTH, SoLineModifier::OBJECT_BASED));
        scene.run();
        expectValues(scene.probe->parameters, { 0, 1, 1, 1, -1, -1, 0, 1, -1 }, "parameters around index 7");
        expectValues(scene.probe->thicknesses, { 0.2f, 0.2f, 0.0f, 0.2f, 0.2f, 0.2f }, "thickness of index 7");
        ASSERT_EQ(errors.messages.size(), 2u);
        EXPECT_NE(errors.messages[0].find("index 7"), std::string::npos) << errors.messages[0];
        EXPECT_NE(errors.messages[1].find("SoLineThickener"), std::string::npos) << errors.messages[1];
    }
    {
        // A non-finite amplitude is refused.
        DebugErrorCollector errors;
        Scene scene({ { 0, 0, 0 }, { 1, 0, 0 } }, { 0, 1, -1 });
        scene.source->thicknesses.setValues(0, 2, old.data());
        scene.add(thickener(std::nanf("")));
        scene.run();
        EXPECT_EQ(scene.probe->thicknesses, old) << "after a NaN amplitude";
        ASSERT_EQ(errors.messages.size(), 1u);
        EXPECT_NE(errors.messages[0].find("amplitude"), std::string::npos) << errors.messages[0];
    }
}

TEST(LineAttributesTest, ThickenersAddUpAndFollowDepth)
{
    // Eye at z = 10, near plane at 1 and far plane at 21 in front of it:
    // z = 0 lies 10 in front (normalized 0.45), z = 9 on the near plane,
    // z = 10 at the eye and z = 11 behind it.
    const std::vector<SbVec3f> points = { { 0, 0, 0 }, { 0.5f, 0, 9 }, { 0, 0.5f, 10 }, { 0.5f, 0.5f, 11 } };
    const std::vector<int32_t> indices = { 0, 1, -1, 2, 3, -1 };
    {
        Scene scene(points, indices);
        scene.add(thickener(1.0f));
        scene.add(thickener(2.0f));
        scene.run();
        expectValues(scene.probe->thicknesses, std::vector<float>(4, 3.0f), "amplitude 1 then 2");
    }
    {
        // A thickener traversed twice reads back its own list, here resized
        // while being read because the lines shrank in between.
        std::vector<SbVec3f> many;
        std::vector<int32_t> manyIndices;
        for (int i = 0; i < 32; ++i) {
            many.push_back(SbVec3f(0.01f * float(i), 0, 0));
            manyIndices.push_back(i);
        }
        manyIndices.push_back(-1);
        Scene scene(many, manyIndices);
        SoLineThickener* twice = thickener(0.5f);
        scene.add(twice);
        LineSource* fewer = new LineSource;
        fewer->points.setValues(0, 2, many.data());
        const int32_t fewerIndices[] = { 1, 0, -1 };
        fewer->indices.setValues(0, 3, fewerIndices);
        scene.add(fewer);
        scene.add(twice);
        scene.run();
        expectValues(scene.probe->thicknesses, { 1, 1 }, "one thickener twice around fewer lines");
    }
    const struct {
        int method;
        int modify;
        std::vector<float> expected;
    } methods[] = { { SoLineThickener::DEPTH, SoLineModifier::OBJECT_BASED, { 0.3f, 3.0f, 0, 0 } },
                    { SoLineThickener::DEPTH, SoLineModifier::PIXEL_BASED, { 3.0f / 0.45f, 0, 0, 0 } },
                    { SoLineThickener::DEPTH, SoLineModifier::SCREEN_BASED, { 3, 3, 3, 3 } },
                    { SoLineThickener::CONSTANT_TEXTURE_WIDTH, SoLineModifier::OBJECT_BASED, { 3, 3, 3, 3 } } };
    for (const auto& c : methods) {
        Scene scene(points, indices);
        scene.add(thickener(3.0f, c.method, c.modify));
        scene.run();
        expectValues(scene.probe->thicknesses, c.expected,
                     "method " + std::to_string(c.method) + ", modifyMethod " + std::to_string(c.modify));
    }
    {
        // The incoming list is shorter than the vertices: added while it lasts.
        DebugErrorCollector errors;
        Scene scene(points, indices);
        const float incoming[] = { 10, 20 };
        scene.source->thicknesses.setValues(0, 2, incoming);
        scene.add(thickener(1.0f));
        scene.run();
        expectValues(scene.probe->thicknesses, { 11, 21, 1, 1 }, "two incoming thicknesses");
        EXPECT_EQ(errors.messages.size(), 1u) << "diagnostic for the short incoming list";
    }
}

TEST(LineAttributesTest, DegenerateViewsGiveFiniteValues)
{
    // A perspective camera with a vertex at the eye point and one in its
    // plane: their projections are not finite.
    SoPerspectiveCamera* camera = new SoPerspectiveCamera;
    camera->position.setValue(0, 0, 10);
    camera->nearDistance = 1.0f;
    camera->farDistance = 21.0f;
    const std::vector<SbVec3f> points = { { 0, 0, 0 }, { 0, 0, 10 }, { 1, 0, 0 }, { 3, 1, 10 }, { -1, 0, 0 } };
    Scene scene(points, { 0, 2, 1, 3, 4, 2, -1, 1, 3, -1 }, camera);
    scene.add(new SoLineParameterization);
    scene.add(new SoLineTextureCoordinateGenerator);
    scene.add(thickener(1.0f, SoLineThickener::DEPTH, SoLineModifier::OBJECT_BASED));
    scene.add(thickener(1.0f, SoLineThickener::DEPTH, SoLineModifier::PIXEL_BASED));
    scene.run();
    const struct {
        const std::vector<float>& values;
        size_t count;
        const char* what;
    } lists[] = { { scene.probe->parameters, 10, "parameters" },
                  { scene.probe->textureCoordinates, 8, "texture coordinates" },
                  { scene.probe->thicknesses, 8, "thicknesses" } };
    for (const auto& list : lists) {
        ASSERT_EQ(list.values.size(), list.count) << list.what;
        for (size_t i = 0; i < list.count; ++i)
            EXPECT_TRUE(std::isfinite(list.values[i])) << list.what << " entry " << i << " is " << list.values[i];
    }
    // Segments to or from the eye plane count 0; the others are one and two
    // thirds of the first strip.
    expectValues(scene.probe->parameters, { 0, 1 / 3.0f, 1 / 3.0f, 1 / 3.0f, 1 / 3.0f, 1, -1, 1, 1, -1 },
                 "parameters through the eye plane");
    // The eye-plane vertices have no thickness; the vertex at z = 0 has 1/10
    // for its eye distance plus 1/0.45 for its normalized depth.
    EXPECT_EQ(scene.probe->thicknesses[2], 0.0f) << "vertex at the eye";
    EXPECT_EQ(scene.probe->thicknesses[3], 0.0f) << "vertex in the eye plane";
    EXPECT_NEAR(scene.probe->thicknesses[0], 0.1f + 1.0f / 0.45f, kTolerance) << "vertex at z = 0";
}

TEST(LineAttributesTest, TextureHeightInACallbackTraversal)
{
    const std::vector<SbVec3f> points = { { 0, 0, 0 }, { 1, 0, 0 } };
    {
        Scene scene(points, { 0, 1, -1 });
        SoTexture2* texture = new SoTexture2;
        texture->filename = QUILLMAP_SOURCE_DIR "/textures/chalk.rgb";
        scene.add(texture);
        scene.add(thickener(0.25f, SoLineThickener::CONSTANT_TEXTURE_HEIGHT));
        scene.run();
        expectValues(scene.probe->thicknesses, { 8, 8 }, "0.25 times the 32-pixel chalk texture");
    }
    {
        // No texture: height 0, and a diagnostic.
        DebugErrorCollector errors;
        Scene scene(points, { 0, 1, -1 });
        scene.add(thickener(0.25f, SoLineThickener::CONSTANT_TEXTURE_HEIGHT));
        scene.run();
        expectValues(scene.probe->thicknesses, { 0, 0 }, "no texture");
        ASSERT_EQ(errors.messages.size(), 1u);
        EXPECT_NE(errors.messages[0].find("texture"), std::string::npos) << errors.messages[0];
    }
}

// The same chain while rendering.
class LineAttributesGLTest : public GLFixture {};

TEST_F(LineAttributesGLTest, RenderTraversalAndTextureHeight)
{
    if (IsSkipped() || HasFatalFailure())
        return;
    // Rendering, a texture node leaves the plain image element without
    // pixels; the height must still be found.
    Scene scene({ { -0.5f, 0, 0 }, { 0, 0, 0 }, { 0.5f, 0, 0 } }, { 0, 1, 2, -1 });
    scene.add(new SoLineParameterization);
    scene.add(new SoLineTextureCoordinateGenerator);
    SoTexture2* texture = new SoTexture2;
    texture->filename = QUILLMAP_SOURCE_DIR "/textures/chalk.rgb";
    scene.add(texture);
    scene.add(thickener(0.25f, SoLineThickener::CONSTANT_TEXTURE_HEIGHT));
    render(scene.root);
    ASSERT_EQ(scene.probe->visits, 1);
    expectValues(scene.probe->parameters, { 0, 0.5f, 1, -1 }, "parameterization while rendering");
    expectValues(scene.probe->textureCoordinates, { 0, 0.5f, 1 }, "texture coordinates while rendering");
    expectValues(scene.probe->thicknesses, { 8, 8, 8 }, "texture height while rendering");
}

} // namespace
