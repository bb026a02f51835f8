// The stopwatch group (its ring of times, its clock and what it prints) and
// the GL buffer-clearing node, checked on the offscreen GL buffer.

#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "util/InventorRoundTrip.h"
#include "util/MeasurementRing.h"
#include "util/SoClearGLBuffers.h"
#include "util/SoStopWatch.h"
#include "util/StopWatchClock.h"

namespace {

TEST(StopWatch, RingAndClock)
{
    // Times 1, 2, 3, 4 in a ring of 3: averages 1, 1.5, 2, then (2+3+4)/3.
    MeasurementRing ring(3);
    std::vector<double> averages;
    for (double t : { 1.0, 2.0, 3.0, 4.0 })
        averages.push_back(ring.add(t));
    EXPECT_EQ(averages, std::vector<double>({ 1.0, 1.5, 2.0, 3.0 }));
    ring.reset(2);
    EXPECT_EQ(ring.count(), 0);
    EXPECT_EQ(ring.average(), 0.0) << "nothing stored, nothing divided";
    EXPECT_EQ(ring.add(8.0), 8.0) << "the earlier times are gone";
    ring.reset(0);
    EXPECT_EQ(ring.length(), 1) << "a ring holds at least one time";
    ring.add(5.0);
    EXPECT_EQ(ring.add(7.0), 7.0);

    // 123456789 ticks of a nanosecond counter are 123.456789 ms: 123.45 at
    // factor 100, 123 at factor 1.
    EXPECT_DOUBLE_EQ(quantizedMilliseconds(123456789, 1000000000, 100), 123.45);
    EXPECT_DOUBLE_EQ(quantizedMilliseconds(123456789, 1000000000, 1), 123.0);
    // A counter of 3 MHz: 7 ticks are 0.00233 ms, 0 at factor 100.
    EXPECT_DOUBLE_EQ(quantizedMilliseconds(7, 3000000, 100), 0.0);
    for (int i = 0; i < 3; ++i) {
        const double now = stopWatchMilliseconds(100) * 100;
        EXPECT_NEAR(now, std::round(now), 1e-3) << "a whole multiple of 0.01 ms";
    }
}

// The clock of the stopwatch tests: readings taken from the front of a
// list, the factors asked for recorded.
std::deque<double> readings;
std::vector<int32_t> factorsAsked;
double scriptedClock(int32_t factor)
{
    factorsAsked.push_back(factor);
    if (readings.empty()) {
        ADD_FAILURE() << "the stopwatch read the clock more often than expected";
        return 0.0;
    }
    const double t = readings.front();
    readings.pop_front();
    return t;
}

class StopWatchGL : public GLFixture {
protected:
    void TearDown() override
    {
        SoStopWatch::setClock(nullptr);
        GLFixture::TearDown();
    }
    // Renders once per time and returns what the stopwatch printed.
    std::string renderTimes(SoNode* root, const std::vector<double>& times)
    {
        readings.clear();
        for (double t : times) {
            readings.push_back(100.0);
            readings.push_back(100.0 + t);
        }
        OutputCapture output;
        for (size_t i = 0; i < times.size(); ++i)
            render(root);
        EXPECT_TRUE(readings.empty()) << "one start and one stop per render";
        return output.text();
    }
};

TEST_F(StopWatchGL, PrintsRunningAverages)
{
    SoSeparator* root = readScene("SoStopWatch { averageNumber 3 Cube {} }");
    ASSERT_NE(root, nullptr);
    SoStopWatch* watch = static_cast<SoStopWatch*>(root->getChild(0));
    SoStopWatch::setClock(scriptedClock);
    EXPECT_EQ(renderTimes(root, { 1, 2, 3, 4 }), "time taken 1\ntime taken 1.5\ntime taken 2\ntime taken 3\n");
    factorsAsked.clear();
    watch->averageNumber = 2;
    watch->label = "frame";
    EXPECT_EQ(renderTimes(root, { 10, 20 }), "frame 10\nframe 15\n") << "a new averageNumber starts over";
    EXPECT_EQ(factorsAsked, std::vector<int32_t>(4, 100)) << "the factor is the clock's resolution";

    // 0 and below average the last time alone, said once; a factor below 1
    // measures whole milliseconds, said once.
    DebugErrorCollector errors;
    watch->averageNumber = 0;
    watch->factor = 0;
    factorsAsked.clear();
    EXPECT_EQ(renderTimes(root, { 7, 9 }), "frame 7\nframe 9\n");
    EXPECT_EQ(factorsAsked, std::vector<int32_t>(4, 1));
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_NE(errors.messages[0].find("averageNumber 0 is less than 1"), std::string::npos) << errors.messages[0];
    EXPECT_NE(errors.messages[1].find("factor 0 is less than 1"), std::string::npos) << errors.messages[1];
    watch->averageNumber = -4;
    EXPECT_EQ(renderTimes(root, { 3 }), "frame 3\n");
    EXPECT_EQ(errors.messages.size(), 3u) << "the new bad value said once more";
    root->unref();
}

class ClearGLBuffersGL : public GLFixture {
protected:
    // A red square in front of the camera covering the centre, then the node.
    void draw(int mask, bool withNode = true)
    {
        SoSeparator* root = readScene("OrthographicCamera { position 0 0 5 height 4 }\n"
                                      "LightModel { model BASE_COLOR }\n"
                                      "BaseColor { rgb 1 0 0 }\n"
                                      "Cube {}\n");
        ASSERT_NE(root, nullptr);
        if (withNode) {
            SoClearGLBuffers* clear = new SoClearGLBuffers;
            if (mask >= 0)
                clear->whichGLbuffers = mask;
            root->addChild(clear);
        }
        render(root); // a GL error left behind fails the test here
        root->unref();
    }
};

TEST_F(ClearGLBuffersGL, ClearsTheBitsGLClearAccepts)
{
    draw(0, false);
    ASSERT_EQ(pixelRGBA(64, 64), (PixelRGBA{ 255, 0, 0, 255 }));
    ASSERT_LT(depth(64, 64), 0.99f) << "the cube writes depth";

    draw(256);
    EXPECT_EQ(pixelRGBA(64, 64), (PixelRGBA{ 255, 0, 0, 255 })) << "depth only: the colour stays";
    EXPECT_EQ(depth(64, 64), 1.0f) << "depth cleared";

    DebugErrorCollector errors;
    draw(-1); // the default, 1, names no buffer
    EXPECT_LT(depth(64, 64), 0.99f) << "nothing cleared";
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("whichGLbuffers 0x1 has bits glClear does not accept"), std::string::npos)
        << errors.messages[0];
    draw(256 | 1);
    EXPECT_EQ(depth(64, 64), 1.0f) << "the valid depth bit of a mask with a bad one";
    EXPECT_EQ(errors.messages.size(), 2u);
    draw(0x4000 | 256);
    EXPECT_EQ(pixelRGBA(64, 64).r, 0) << "colour cleared to the background";
    EXPECT_EQ(errors.messages.size(), 2u) << "a clean mask is not reported";
}

TEST(StopWatch, FieldsInOrderAndFileRoundTrip)
{
    EXPECT_EQ(fieldsWithValues("SoStopWatch"),
              std::vector<std::string>({ "averageNumber 20", "factor 100", "label \"time taken\"" }));
    EXPECT_EQ(fieldsWithValues("SoClearGLBuffers"), std::vector<std::string>({ "whichGLbuffers 1" }));
    EXPECT_EQ(SoStopWatch::getClassTypeId().getParent(), SoGroup::getClassTypeId());
    expectRoundTrip("SoStopWatch { averageNumber 5 factor 1000 label \"draw\" Cube {} Sphere {} }");
    expectRoundTrip("SoClearGLBuffers { whichGLbuffers 16640 }");
}

} // namespace
