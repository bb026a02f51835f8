// SoLineShape through the offscreen GL fixture: stroke widths measured in
// the read-back image, plain line strips, outlines in line-strip mode, the
// texture following the texture coordinates (from either element), its
// messages, and short attribute arrays. The stroke geometry is also checked
// without GL.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "lines/SoLineShape.h"
#include "lines/StrokeGeometry.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "support/TestNodes.h"

namespace {

class SoLineShapeGL : public GLFixture {
protected:
    SoSeparator* root = nullptr;
    SoTexture2* texture = nullptr;
    LineSource* lines = nullptr;
    SoLineShape* shape = nullptr;

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
        SoLineShape::setLineStripMode(false);
        // 128 x 128 pixels over 2 x 2 units: 64 pixels per unit.
        root = readScene("OrthographicCamera { position 0 0 5 height 2 }\n"
                         "LightModel { model BASE_COLOR }\n"
                         "BaseColor { rgb 1 1 1 }\n"
                         "Complexity { textureQuality 0.1 }\n");
        ASSERT_NE(root, nullptr);
        texture = new SoTexture2;
        root->addChild(texture);
        lines = new LineSource;
        const SbVec3f ends[2] = { SbVec3f(-0.5f, 0.0f, 0.0f), SbVec3f(0.5f, 0.0f, 0.0f) };
        lines->points.setValues(0, 2, ends);
        const int32_t strip[3] = { 0, 1, -1 };
        lines->indices.setValues(0, 3, strip);
        root->addChild(lines);
        shape = new SoLineShape;
        root->addChild(shape);
    }
    void TearDown() override
    {
        SoLineShape::setLineStripMode(false);
        if (root != nullptr)
            root->unref();
        GLFixture::TearDown();
    }

    // Rows lit in a pixel column.
    int litRows(int x, int& lowest, int& highest) const
    {
        int n = 0;
        lowest = height();
        highest = -1;
        for (int y = 0; y < height(); ++y) {
            const PixelRGBA p = pixelRGBA(x, y);
            if (p.r > 100 || p.g > 100 || p.b > 100) {
                ++n;
                lowest = std::min(lowest, y);
                highest = std::max(highest, y);
            }
        }
        return n;
    }

    // Two texels: red on the left (s < 0.5), green on the right, opaque.
    void redGreenTexture(void)
    {
        const unsigned char texels[8] = { 255, 0, 0, 255, 0, 255, 0, 255 };
        texture->image.setValue(SbVec2s(2, 1), 4, texels);
        texture->model = SoTexture2::MODULATE;
    }
};

TEST_F(SoLineShapeGL, StrokeWidthIsTwoScreenUnitsPerPixel)
{
    // Thickness 4 screen units: 2 pixels to each side of the segment, which
    // runs along the row between pixel rows 63 and 64.
    const float four[2] = { 4.0f, 4.0f };
    lines->thicknesses.setValues(0, 2, four);
    const SbVec2f along[2] = { SbVec2f(1, 0), SbVec2f(1, 0) };
    lines->directions.setValues(0, 2, along);
    render(root);
    int low, high;
    EXPECT_EQ(litRows(64, low, high), 4) << "band from row " << low << " to " << high;
    EXPECT_EQ(low, 62);
    EXPECT_EQ(high, 65);
    // The band spans the segment's length: x from 32 to 96.
    EXPECT_EQ(litRows(40, low, high), 4);
    EXPECT_EQ(litRows(20, low, high), 0);

    // Thickness 20: 10 pixels to each side.
    const float twenty[2] = { 20.0f, 20.0f };
    lines->thicknesses.setValues(0, 2, twenty);
    render(root);
    EXPECT_EQ(litRows(64, low, high), 20);
}

TEST_F(SoLineShapeGL, WithoutThicknessAOnePixelLineStrip)
{
    render(root);
    int low, high;
    EXPECT_EQ(litRows(64, low, high), 1);
    EXPECT_EQ(litRows(20, low, high), 0);
}

TEST_F(SoLineShapeGL, LineStripModeDrawsUntexturedOutlines)
{
    redGreenTexture();
    const float twenty[2] = { 20.0f, 20.0f };
    lines->thicknesses.setValues(0, 2, twenty);
    const SbVec2f along[2] = { SbVec2f(1, 0), SbVec2f(1, 0) };
    lines->directions.setValues(0, 2, along);
    const float s[2] = { 0.0f, 1.0f };
    lines->textureCoordinates.setValues(0, 2, s);
    render(root);
    // Filled and textured: the band's inside, red on the left.
    EXPECT_EQ(pixelRGBA(45, 70), (PixelRGBA{ 255, 0, 0, 255 }));

    SoLineShape::setLineStripMode(true);
    render(root);
    // The outline: across at both ends and one diagonal between them; the
    // inside off the diagonal stays empty, and what is drawn is white (no
    // texture).
    EXPECT_EQ(pixelRGBA(45, 70), PixelRGBA());
    int low, high;
    // The left end lies on the border between pixel columns 31 and 32.
    EXPECT_EQ(std::max(litRows(31, low, high), litRows(32, low, high)), 20) << "the stroke's left end";
    EXPECT_EQ(litRows(64, low, high), 1) << "one diagonal crosses the middle";
    EXPECT_EQ(countPixels(SbColor(1, 0, 0), 0.1f) + countPixels(SbColor(0, 1, 0), 0.1f), 0);
    EXPECT_GT(countPixels(SbColor(1, 1, 1), 0.1f), 40);
}

TEST_F(SoLineShapeGL, TexelsFollowTheTextureCoordinates)
{
    redGreenTexture();
    const float ten[2] = { 10.0f, 10.0f };
    lines->thicknesses.setValues(0, 2, ten);
    const SbVec2f along[2] = { SbVec2f(1, 0), SbVec2f(1, 0) };
    lines->directions.setValues(0, 2, along);

    const float forwards[2] = { 0.0f, 1.0f };
    lines->textureCoordinates.setValues(0, 2, forwards);
    render(root);
    EXPECT_EQ(pixel(40, 64), SbColor(1, 0, 0));
    EXPECT_EQ(pixel(88, 64), SbColor(0, 1, 0));
    const float backwards[2] = { 1.0f, 0.0f };
    lines->textureCoordinates.setValues(0, 2, backwards);
    render(root);
    EXPECT_EQ(pixel(40, 64), SbColor(0, 1, 0));
    EXPECT_EQ(pixel(88, 64), SbColor(1, 0, 0));

    // From the parameterization instead, separators left out.
    shape->useSoLineParameterization = TRUE;
    const float parameters[3] = { 0.0f, 1.0f, -1.0f };
    lines->parameters.setValues(0, 3, parameters);
    render(root);
    EXPECT_EQ(pixel(40, 64), SbColor(1, 0, 0));
    EXPECT_EQ(pixel(88, 64), SbColor(0, 1, 0));

    // A coordinate outside 0..1 is reported and still used.
    shape->useSoLineParameterization = FALSE;
    const float beyond[2] = { 0.0f, 1.2f };
    lines->textureCoordinates.setValues(0, 2, beyond);
    OutputCapture output;
    render(root);
    EXPECT_EQ(output.text(), "wrong glTexCoord2f(1)(1.200) ");
}

TEST_F(SoLineShapeGL, ShortAttributeArraysAndOpenStrips)
{
    // Three vertices but one thickness and one direction: the stroke tapers
    // to nothing where the data ends, and nothing is read past.
    const SbVec3f three[3] = { SbVec3f(-0.5f, 0, 0), SbVec3f(0, 0, 0), SbVec3f(0.5f, 0, 0) };
    lines->points.setValues(0, 3, three);
    // The last strip lacks its -1.
    const int32_t open[3] = { 0, 1, 2 };
    lines->indices.setValues(0, 3, open);
    const float one[1] = { 10.0f };
    lines->thicknesses.setValues(0, 1, one);
    const SbVec2f along[1] = { SbVec2f(1, 0) };
    lines->directions.setValues(0, 1, along);
    render(root);
    int low, high;
    EXPECT_EQ(litRows(33, low, high), 10) << "full width at the first vertex";
    EXPECT_LE(litRows(62, low, high), 2) << "tapering towards the second vertex";
    EXPECT_EQ(litRows(80, low, high), 0) << "no width after the second vertex";

    // An index outside the coordinates breaks the strip instead of reading
    // past them. Drawn as plain line strips, the piece before it runs along
    // row 96 on the left, the piece after it along row 32 on the right, and
    // any strip through the bad index would have to cross the rows between.
    lines->thicknesses.setNum(0);
    lines->directions.setNum(0);
    const SbVec3f corners[4] = { SbVec3f(-0.5f, 0.5f, 0), SbVec3f(0, 0.5f, 0), SbVec3f(0, -0.5f, 0),
                                 SbVec3f(0.5f, -0.5f, 0) };
    lines->points.setValues(0, 4, corners);
    const int32_t wild[7] = { 0, 1, 9, 2, 3, -1, -1 };
    lines->indices.setValues(0, 7, wild);
    render(root);
    EXPECT_EQ(litRows(40, low, high), 1) << "the piece before the bad index";
    EXPECT_TRUE(low == 95 || low == 96) << "the piece before the bad index lies on row " << low;
    EXPECT_EQ(litRows(88, low, high), 1) << "the piece after the bad index";
    EXPECT_TRUE(low == 31 || low == 32) << "the piece after the bad index lies on row " << low;
    int across = 0, firstX = -1, firstY = -1;
    for (int y = 40; y <= 88; ++y)
        for (int x = 0; x < width(); ++x)
            if (pixelRGBA(x, y) != PixelRGBA() && across++ == 0) {
                firstX = x;
                firstY = y;
            }
    EXPECT_EQ(across, 0) << "pixels drawn across the bad index, the first at (" << firstX << ", " << firstY << ")";
}

TEST(SoLineShapeTest, GeometryAndNoPrimitives)
{
    // Oriented offsets through an orthographic projection of 100 x 100
    // pixels over 2 x 2 units: 2 screen units are one pixel, 0.02 units.
    SbViewVolume volume;
    volume.ortho(-1, 1, -1, 1, 1, 10);
    SbMatrix viewing, projection;
    volume.getMatrices(viewing, projection);
    const ScreenProjection screen(SbMatrix::identity(), viewing, projection, SbVec2s(100, 100), 1, 9);
    const SbVec3f points[2] = { SbVec3f(0, 0, -2), SbVec3f(0.5f, 0.5f, -2) };
    const int32_t indices[3] = { 0, 1, -1 };
    const SbVec2f directions[2] = { SbVec2f(1, 1), SbVec2f(1, 1) };
    const float thickness[2] = { 4.0f, 4.0f };
    const float s[2] = { 0.25f, 0.75f };
    StrokeInput in;
    in.points = points;
    in.pointCount = 2;
    in.indices = indices;
    in.indexCount = 3;
    in.directions = directions;
    in.directionCount = 2;
    in.thicknesses = thickness;
    in.thicknessCount = 2;
    in.texture = s;
    in.textureCount = 2;
    StrokeStrips strips;
    buildStrokes(in, screen, true, strips);
    ASSERT_EQ(strips.lengths, std::vector<int32_t>{ 4 });
    // Across the 45-degree stroke by 2 pixels (0.04 units) to each side.
    const float h = 0.04f / std::sqrt(2.0f);
    EXPECT_NEAR(strips.vertices[0].position[0], -h, 1e-5f);
    EXPECT_NEAR(strips.vertices[0].position[1], h, 1e-5f);
    EXPECT_NEAR(strips.vertices[1].position[0], h, 1e-5f);
    EXPECT_NEAR(strips.vertices[1].position[1], -h, 1e-5f);
    EXPECT_NEAR(strips.vertices[0].position[2], -2.0f, 1e-5f);
    EXPECT_EQ(strips.vertices[0].t, 0.0f);
    EXPECT_EQ(strips.vertices[1].t, 1.0f);
    EXPECT_EQ(strips.vertices[2].s, 0.75f);

    // Vertical strokes: down first, then up.
    buildStrokes(in, screen, false, strips);
    EXPECT_NEAR(strips.vertices[0].position[1], -0.04f, 1e-5f);
    EXPECT_NEAR(strips.vertices[1].position[1], 0.04f, 1e-5f);

    // A zero direction gives no side rather than NaN.
    const SbVec2f none[2] = { SbVec2f(0, 0), SbVec2f(0, 0) };
    in.directions = none;
    buildStrokes(in, screen, true, strips);
    for (const StrokeVertex& v : strips.vertices)
        EXPECT_TRUE(std::isfinite(v.position[0]) && std::isfinite(v.position[1]));

    // The node itself adds nothing to callback or bounding-box traversals.
    SoSeparator* root = new SoSeparator;
    root->ref();
    root->addChild(new SoLineShape);
    SoGetBoundingBoxAction box(SbViewportRegion(100, 100));
    box.apply(root);
    EXPECT_TRUE(box.getBoundingBox().isEmpty());
    root->unref();
}

} // namespace
