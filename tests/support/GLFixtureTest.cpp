// Checks of the offscreen GL fixture itself: what it renders, where pixels
// land, what the depth buffer holds and that it survives re-rendering and
// resizing.

#include "support/GLFixture.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

struct Unref {
    void operator()(SoSeparator* node) const
    {
        if (node != nullptr)
            node->unref();
    }
};
using ScenePtr = std::unique_ptr<SoSeparator, Unref>;

ScenePtr scene(const char* text)
{
    return ScenePtr(readScene(text));
}

// The camera sees y in [-2, 2]; on a 128 x 128 buffer that is 32 pixels per
// unit, so the default 2 x 2 x 2 cube covers pixels 32..95 on both axes. The
// cube's front face lies 4 units in front of the camera, 3/8 of the way from
// the near to the far plane, which is its window depth under an orthographic
// projection.
const char* const kRedCube = R"(#Inventor V2.1 ascii
Separator {
  OrthographicCamera { position 0 0 5  nearDistance 1  farDistance 9  height 4 }
  DirectionalLight { direction 0 0 -1 }
  BaseColor { rgb 1 0 0 }
  Cube { }
}
)";

// The same cube with the light shining on its back face only.
const char* const kRedCubeLitFromBehind = R"(#Inventor V2.1 ascii
Separator {
  OrthographicCamera { position 0 0 5  nearDistance 1  farDistance 9  height 4 }
  DirectionalLight { direction 0 0 1 }
  BaseColor { rgb 1 0 0 }
  Cube { }
}
)";

// The cube moved right by 2 units: it now covers x = 1..3, pixels 96..127.
const char* const kRedCubeMovedRight = R"(#Inventor V2.1 ascii
Separator {
  OrthographicCamera { position 0 0 5  nearDistance 1  farDistance 9  height 4 }
  DirectionalLight { direction 0 0 -1 }
  BaseColor { rgb 1 0 0 }
  Translation { translation 2 0 0 }
  Cube { }
}
)";

// A unit cube in the upper part of the view: y = 1..2 is pixels 96..127,
// x = -0.5..0.5 is pixels 48..79.
const char* const kRedCubeHigh = R"(#Inventor V2.1 ascii
Separator {
  OrthographicCamera { position 0 0 5  nearDistance 1  farDistance 9  height 4 }
  DirectionalLight { direction 0 0 -1 }
  BaseColor { rgb 1 0 0 }
  Translation { translation 0 1.5 0 }
  Cube { width 1  height 1  depth 1 }
}
)";

bool isRed(const PixelRGBA& p)
{
    return p.r >= 200 && p.g <= 40 && p.b <= 40;
}

const SbColor kBackground(0.2f, 0.4f, 0.6f);

bool isBackground(const SbColor& c)
{
    const float tol = 1.5f / 255.0f;
    return std::fabs(c[0] - kBackground[0]) <= tol && std::fabs(c[1] - kBackground[1]) <= tol
        && std::fabs(c[2] - kBackground[2]) <= tol;
}

std::string str(const SbColor& c)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%.3f, %.3f, %.3f)", c[0], c[1], c[2]);
    return text;
}

using GLFixtureTest = GLFixture;

TEST_F(GLFixtureTest, StartsAtTheDefaultSize)
{
    EXPECT_EQ(width(), GLFixture::kDefaultWidth);
    EXPECT_EQ(height(), GLFixture::kDefaultHeight);
    EXPECT_NE(cacheContext(), 0u) << "the fixture needs its own Coin cache context";
    ASSERT_NE(renderAction(), nullptr);
    EXPECT_EQ(renderAction()->getCacheContext(), cacheContext());
    const SbVec2s vp = renderAction()->getViewportRegion().getViewportSizePixels();
    EXPECT_EQ(vp[0], width()) << "viewport width of the render action";
    EXPECT_EQ(vp[1], height()) << "viewport height of the render action";
}

TEST_F(GLFixtureTest, RendersLitCubeOverBackground)
{
    ScenePtr root = scene(kRedCube);
    ASSERT_NE(root, nullptr);
    render(root.get(), kBackground);

    const SbColor centre = pixel(64, 64);
    EXPECT_GE(centre[0], 0.9f) << "pixel 64,64 should be the lit red face, got " << str(centre);
    EXPECT_LE(centre[1], 0.1f) << "pixel 64,64 should be the lit red face, got " << str(centre);
    EXPECT_LE(centre[2], 0.1f) << "pixel 64,64 should be the lit red face, got " << str(centre);

    for (int corner = 0; corner < 4; ++corner) {
        const int x = (corner & 1) ? width() - 1 : 0;
        const int y = (corner & 2) ? height() - 1 : 0;
        EXPECT_TRUE(isBackground(pixel(x, y))) << "pixel " << x << "," << y << " should be background, got "
                                               << str(pixel(x, y));
        EXPECT_EQ(depth(x, y), 1.0f) << "depth at pixel " << x << "," << y << " should be the cleared value";
    }

    EXPECT_NEAR(depth(64, 64), 0.375f, 1e-3f) << "depth at pixel 64,64 (front face 3/8 between near and far)";

    // The face covers pixels 32..95 on both axes; allow one pixel of slack on
    // each edge for rasterisation.
    const int red = countPixels(isRed);
    EXPECT_GE(red, 63 * 63) << "red pixels";
    EXPECT_LE(red, 65 * 65) << "red pixels";
    EXPECT_TRUE(isRed(pixelRGBA(32, 32))) << "pixel 32,32 (inner corner of the face): " << pixelRGBA(32, 32);
    EXPECT_TRUE(isRed(pixelRGBA(95, 95))) << "pixel 95,95 (inner corner of the face): " << pixelRGBA(95, 95);
    EXPECT_TRUE(isBackground(pixel(31, 64))) << "pixel 31,64 (just left of the face): " << str(pixel(31, 64));
    EXPECT_TRUE(isBackground(pixel(96, 64))) << "pixel 96,64 (just right of the face): " << str(pixel(96, 64));

    // A flat face under a directional light has one colour, so face and
    // background together make up the whole image.
    const int face = countPixels(centre, 1.5f / 255.0f);
    const int background = countPixels(kBackground);
    EXPECT_EQ(face, red) << "pixels matching the centre colour " << str(centre);
    EXPECT_EQ(face + background, width() * height()) << "face " << face << " + background " << background;
}

TEST_F(GLFixtureTest, LightingReachesTheFrontFaceOnlyWhenLitFromTheFront)
{
    ScenePtr front = scene(kRedCube);
    ScenePtr behind = scene(kRedCubeLitFromBehind);
    ASSERT_NE(front, nullptr);
    ASSERT_NE(behind, nullptr);

    render(front.get());
    const SbColor lit = pixel(64, 64);
    render(behind.get());
    const SbColor unlit = pixel(64, 64);

    EXPECT_GT(lit[0] - unlit[0], 0.5f) << "pixel 64,64 lit " << str(lit) << " vs unlit " << str(unlit);
    EXPECT_LT(unlit[0], 0.3f) << "pixel 64,64 with the light behind the cube: " << str(unlit);
    // The unlit face still hides the background: it was drawn, just dark.
    EXPECT_LT(depth(64, 64), 1.0f) << "depth at pixel 64,64 with the light behind the cube";
}

TEST_F(GLFixtureTest, RowsRunBottomUpInEveryReadback)
{
    ScenePtr root = scene(kRedCubeHigh);
    ASSERT_NE(root, nullptr);
    render(root.get(), kBackground);

    EXPECT_TRUE(isRed(pixelRGBA(64, 120))) << "pixel 64,120 (top of the image): " << pixelRGBA(64, 120);
    EXPECT_TRUE(isBackground(pixel(64, 8))) << "pixel 64,8 (bottom of the image): " << str(pixel(64, 8));
    EXPECT_TRUE(isBackground(pixel(64, 90))) << "pixel 64,90 (just below the cube): " << str(pixel(64, 90));

    const std::vector<uint8_t> rgba = readRGBA();
    const std::vector<float> z = readDepth();
    ASSERT_EQ(rgba.size(), size_t(width() * height() * 4)) << "readRGBA size";
    ASSERT_EQ(z.size(), size_t(width() * height())) << "readDepth size";
    const int probes[][2] = {{64, 120}, {64, 8}, {50, 100}, {0, 127}, {127, 0}, {79, 96}, {80, 96}};
    for (const auto& probe : probes) {
        const int x = probe[0];
        const int y = probe[1];
        const size_t i = size_t(y) * size_t(width()) + size_t(x);
        const PixelRGBA single = pixelRGBA(x, y);
        const PixelRGBA fromBuffer{rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2], rgba[i * 4 + 3]};
        EXPECT_EQ(fromBuffer, single) << "readRGBA vs pixelRGBA at pixel " << x << "," << y;
        EXPECT_EQ(z[i], depth(x, y)) << "readDepth vs depth at pixel " << x << "," << y;
    }
    // The unit cube's front face is at z = 0.5, 4.5 units from the camera.
    EXPECT_NEAR(depth(64, 120), 3.5f / 8.0f, 1e-3f) << "depth at pixel 64,120";
}

TEST_F(GLFixtureTest, ReRenderingReplacesColourAndDepth)
{
    ScenePtr centred = scene(kRedCube);
    ScenePtr moved = scene(kRedCubeMovedRight);
    ASSERT_NE(centred, nullptr);
    ASSERT_NE(moved, nullptr);

    render(centred.get(), kBackground);
    ASSERT_TRUE(isRed(pixelRGBA(64, 64))) << "pixel 64,64 after the first render: " << pixelRGBA(64, 64);
    ASSERT_LT(depth(64, 64), 1.0f) << "depth at pixel 64,64 after the first render";

    const SbColor secondBackground(0.0f, 1.0f, 0.0f);
    render(moved.get(), secondBackground);
    const PixelRGBA centre = pixelRGBA(64, 64);
    EXPECT_EQ(centre.r, 0) << "pixel 64,64 is uncovered now and should be green: " << centre;
    EXPECT_EQ(centre.g, 255) << "pixel 64,64 is uncovered now and should be green: " << centre;
    EXPECT_EQ(centre.b, 0) << "pixel 64,64 is uncovered now and should be green: " << centre;
    EXPECT_EQ(depth(64, 64), 1.0f) << "depth at pixel 64,64 should be cleared again";
    EXPECT_TRUE(isRed(pixelRGBA(110, 64))) << "pixel 110,64 (moved cube): " << pixelRGBA(110, 64);
    EXPECT_TRUE(isRed(pixelRGBA(127, 64))) << "pixel 127,64 (moved cube, clipped at the edge): "
                                           << pixelRGBA(127, 64);
    const int red = countPixels(isRed);
    EXPECT_GE(red, 31 * 63) << "red pixels of the half-visible cube";
    EXPECT_LE(red, 33 * 65) << "red pixels of the half-visible cube";

    // And back again: the first scene renders as it did.
    render(centred.get(), kBackground);
    EXPECT_TRUE(isRed(pixelRGBA(64, 64))) << "pixel 64,64 after rendering the first scene again: "
                                          << pixelRGBA(64, 64);
    EXPECT_TRUE(isBackground(pixel(110, 64))) << "pixel 110,64 after rendering the first scene again: "
                                              << str(pixel(110, 64));
}

TEST_F(GLFixtureTest, SetSizeReplacesTheBufferAndViewport)
{
    ScenePtr root = scene(kRedCube);
    ASSERT_NE(root, nullptr);
    render(root.get(), kBackground);
    ASSERT_TRUE(isRed(pixelRGBA(64, 64))) << "pixel 64,64 before resizing: " << pixelRGBA(64, 64);

    ASSERT_TRUE(setSize(64, 32));
    EXPECT_EQ(width(), 64);
    EXPECT_EQ(height(), 32);
    render(root.get(), kBackground);

    EXPECT_EQ(readRGBA().size(), size_t(64 * 32 * 4)) << "readRGBA size after resizing";
    EXPECT_EQ(readDepth().size(), size_t(64 * 32)) << "readDepth size after resizing";
    // A 2:1 viewport keeps the camera's height of 4 units: 8 pixels per unit,
    // so the cube covers x 24..39 and y 8..23.
    const int red = countPixels(isRed);
    EXPECT_GE(red, 15 * 15) << "red pixels after resizing to 64 x 32";
    EXPECT_LE(red, 17 * 17) << "red pixels after resizing to 64 x 32";
    EXPECT_TRUE(isRed(pixelRGBA(32, 16))) << "pixel 32,16 (centre) after resizing: " << pixelRGBA(32, 16);
    EXPECT_TRUE(isBackground(pixel(63, 31))) << "pixel 63,31 after resizing: " << str(pixel(63, 31));
    EXPECT_TRUE(isBackground(pixel(20, 16))) << "pixel 20,16 (left of the cube) after resizing: "
                                             << str(pixel(20, 16));
    EXPECT_EQ(depth(63, 31), 1.0f) << "depth at pixel 63,31 after resizing";
}

TEST_F(GLFixtureTest, ReadsOutsideTheBufferAreReported)
{
    ScenePtr root = scene(kRedCube);
    ASSERT_NE(root, nullptr);
    render(root.get());
    EXPECT_NONFATAL_FAILURE(pixelRGBA(128, 0), "outside the 128 x 128 buffer");
    EXPECT_NONFATAL_FAILURE(pixel(0, -1), "outside the 128 x 128 buffer");
    EXPECT_NONFATAL_FAILURE(depth(-1, 5), "outside the 128 x 128 buffer");
}

void raiseInvalidEnum(void*, SoAction* action)
{
    if (action->isOfType(SoGLRenderAction::getClassTypeId()))
        glEnable(GL_RGBA); // not a capability: GL_INVALID_ENUM
}

TEST_F(GLFixtureTest, GLErrorsWhileRenderingAreReported)
{
    ScenePtr root = scene(kRedCube);
    ASSERT_NE(root, nullptr);
    render(root.get());   // a clean scene raises nothing: no failure here

    SoCallback* callback = new SoCallback;
    callback->setCallback(raiseInvalidEnum);
    root->addChild(callback);
    EXPECT_NONFATAL_FAILURE(render(root.get()), "GL_INVALID_ENUM");
}

// A wide, non-square buffer. The camera sees y in [-4.5, 4.5] and, at the
// 16:9 aspect, x in [-8, 8]: 10 pixels per unit. The unit cube at (7.5, 4)
// fills the top-right 10 x 10 pixels, x 150..159 and y 80..89.
class WideGLFixtureTest : public GLFixture {
protected:
    WideGLFixtureTest() { setSize(160, 90); }
};

const char* const kCubeInTopRightCorner = R"(#Inventor V2.1 ascii
Separator {
  OrthographicCamera { position 0 0 5  nearDistance 1  farDistance 9  height 9 }
  DirectionalLight { direction 0 0 -1 }
  BaseColor { rgb 1 0 0 }
  Translation { translation 7.5 4 0 }
  Cube { width 1  height 1  depth 1 }
}
)";

TEST_F(WideGLFixtureTest, ObjectAtTheTopRightEdgeShowsThere)
{
    ASSERT_EQ(width(), 160);
    ASSERT_EQ(height(), 90);
    ScenePtr root = scene(kCubeInTopRightCorner);
    ASSERT_NE(root, nullptr);
    render(root.get(), kBackground);

    EXPECT_EQ(readRGBA().size(), size_t(160 * 90 * 4)) << "readRGBA size";
    EXPECT_EQ(readDepth().size(), size_t(160 * 90)) << "readDepth size";

    EXPECT_TRUE(isRed(pixelRGBA(159, 89))) << "pixel 159,89 (top-right corner): " << pixelRGBA(159, 89);
    EXPECT_TRUE(isRed(pixelRGBA(150, 80))) << "pixel 150,80 (cube's lower-left corner): " << pixelRGBA(150, 80);
    EXPECT_LT(depth(159, 89), 1.0f) << "depth at pixel 159,89";
    EXPECT_TRUE(isBackground(pixel(148, 89))) << "pixel 148,89 (left of the cube): " << str(pixel(148, 89));
    EXPECT_TRUE(isBackground(pixel(159, 78))) << "pixel 159,78 (below the cube): " << str(pixel(159, 78));
    EXPECT_TRUE(isBackground(pixel(0, 0))) << "pixel 0,0: " << str(pixel(0, 0));
    EXPECT_TRUE(isBackground(pixel(80, 45))) << "pixel 80,45 (centre): " << str(pixel(80, 45));
    EXPECT_EQ(depth(0, 89), 1.0f) << "depth at pixel 0,89";

    const int red = countPixels(isRed);
    EXPECT_GE(red, 9 * 9) << "red pixels of the corner cube";
    EXPECT_LE(red, 11 * 11) << "red pixels of the corner cube";
}

TEST_F(WideGLFixtureTest, WritesPPMTopRowFirst)
{
    ScenePtr root = scene(kCubeInTopRightCorner);
    ASSERT_NE(root, nullptr);
    render(root.get(), kBackground);

    const std::string path = ::testing::TempDir() + "GLFixtureTest_wide.ppm";
    ASSERT_TRUE(writePPM(path.c_str())) << "writing " << path;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "reading back " << path;
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());

    const std::string header = "P6\n160 90\n255\n";
    ASSERT_EQ(file.substr(0, header.size()), header) << "PPM header of " << path;
    ASSERT_EQ(file.size(), header.size() + size_t(160 * 90 * 3)) << "PPM size of " << path;

    auto filePixel = [&](int column, int rowFromTop) {
        const size_t i = header.size() + (size_t(rowFromTop) * 160u + size_t(column)) * 3u;
        return PixelRGBA{uint8_t(file[i]), uint8_t(file[i + 1]), uint8_t(file[i + 2]), 255};
    };
    // The file's first row is the image's top row, y = 89.
    for (const int column : {0, 80, 150, 159}) {
        for (const int rowFromTop : {0, 9, 10, 89}) {
            const int y = 89 - rowFromTop;
            PixelRGBA expected = pixelRGBA(column, y);
            expected.a = 255;
            EXPECT_EQ(filePixel(column, rowFromTop), expected)
                << "PPM column " << column << " row " << rowFromTop << " vs pixel " << column << "," << y;
        }
    }
    EXPECT_TRUE(isRed(filePixel(159, 0))) << "PPM top-right pixel: " << filePixel(159, 0);
    EXPECT_FALSE(isRed(filePixel(159, 89))) << "PPM bottom-right pixel: " << filePixel(159, 89);
}

TEST(ReadSceneTest, ParsesTextWithAndWithoutHeader)
{
    ScenePtr withHeader(readScene("#Inventor V2.1 ascii\nSeparator { Cube { } Sphere { } }\n"));
    ASSERT_NE(withHeader, nullptr);
    EXPECT_EQ(withHeader->getRefCount(), 1) << "the returned root holds one reference";
    // readAll keeps a lone top-level separator as the root.
    ASSERT_EQ(withHeader->getNumChildren(), 2) << "children of the parsed separator";
    EXPECT_STREQ(withHeader->getChild(0)->getTypeId().getName().getString(), "Cube");
    EXPECT_STREQ(withHeader->getChild(1)->getTypeId().getName().getString(), "Sphere");

    ScenePtr bare(readScene("Cube { } Cone { } Sphere { }"));
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->getNumChildren(), 3) << "top-level nodes of headerless text";
}

TEST(ReadSceneTest, ParseErrorIsReportedAndGivesNull)
{
    SoSeparator* root = reinterpret_cast<SoSeparator*>(1);
    EXPECT_NONFATAL_FAILURE(root = readScene("Separator { NoSuchNodeKind { } }"), "cannot parse");
    EXPECT_EQ(root, nullptr) << "result of parsing an unknown node type";
}

} // namespace
