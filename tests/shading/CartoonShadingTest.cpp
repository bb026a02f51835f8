// Cartoon shading: the illumination sum on hand-worked vertices, the values
// the generator publishes from the GL lights, the shader's texture state, the
// tone bands of a ramp texture on a sphere and the alpha screen's threshold.

#include <Inventor/SbVec2f.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/elements/SoTextureCoordinateBindingElement.h>
#include <Inventor/elements/SoTextureCoordinateElement.h>
#include <Inventor/elements/SoTextureQualityElement.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/PngPicture.h"
#include "shading/Illumination.h"
#include "shading/SoAlphaScreenShape.h"
#include "shading/SoCartoonShader.h"
#include "shading/SoGenerateIlluminatedGeometry.h"
#include "shading/SoIlluminatedGeometryElement.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "util/InventorRoundTrip.h"

namespace {

TEST(Illumination, SumOfLightsOnHandWorkedVertices)
{
    const SbVec3f origin(0, 0, 0), up(0, 0, 1);
    LightSet along, across, away;
    along.directions = { SbVec3f(0, 0, -1) }; // travelling against the normal: straight on
    across.directions = { SbVec3f(1, 0, 0) };
    away.directions = { SbVec3f(0, 0, 1) };
    EXPECT_FLOAT_EQ(vertexIllumination(along, origin, up), 1.0f);
    EXPECT_FLOAT_EQ(vertexIllumination(across, origin, up), 0.0f) << "turned 90 degrees";
    EXPECT_FLOAT_EQ(vertexIllumination(away, origin, up), 0.0f) << "from behind gives nothing, not less";

    // Two lights at cos 0.7 each: 1.4, limited to 1; one alone 0.7.
    const float side = std::sqrt(1.0f - 0.49f);
    LightSet two;
    two.directions = { SbVec3f(side, 0, -0.7f), SbVec3f(0, -side, -0.7f) };
    EXPECT_FLOAT_EQ(vertexIllumination(two, origin, up), 1.0f);
    two.directions.pop_back();
    EXPECT_NEAR(vertexIllumination(two, origin, up), 0.7f, 1e-6f);

    // A point light 2 above the vertex with a normal of length 0.2: 0.4,
    // neither vector normalized.
    LightSet point;
    point.positions = { SbVec3f(0, 0, 3) };
    EXPECT_NEAR(vertexIllumination(point, SbVec3f(0, 0, 1), SbVec3f(0, 0, 0.2f)), 0.4f, 1e-6f);

    // Indexed normals: entry i lights coordinate coordIndex[i] with normal
    // normalIndex[i]; the -1 of normalIndex ends a strip.
    const SbVec3f coords[2] = { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0) };
    const SbVec3f normals[3] = { SbVec3f(0, 0, 1), SbVec3f(0, 0, -1), SbVec3f(0, 0, 0.5f) };
    std::vector<float> values;
    int first = 0;
    EXPECT_EQ(illuminateEntries(along, coords, 2, normals, 3, { 0, 1, -1, 1, 0 }, { 0, 1, -1, 2, 1 }, values, first),
              0);
    EXPECT_EQ(values, std::vector<float>({ 1, 0, 0.5f, 0 }));
    EXPECT_EQ(first, -1);
    // Other counts: entry i takes normal i, separators counted.
    illuminateEntries(along, coords, 2, normals, 3, { 0, -1, 1 }, {}, values, first);
    EXPECT_EQ(values, std::vector<float>({ 1, 0.5f }));

    // Entries naming what does not exist are fully lit, the others stay with
    // their vertices: coordinate 5, coordinate -2, normal 7.
    const int bad = illuminateEntries(along, coords, 2, normals, 3, { 0, 5, 1, -2, 1 }, { 1, 1, 1, 1, 7 }, values, first);
    EXPECT_EQ(bad, 3);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(values, std::vector<float>({ 0, 1, 0, 1, 1 }));
    EXPECT_EQ(illuminationAt(values.data(), 2, 2), kMissingIllumination) << "past the values";
}

// What the nodes above a callback left in the render state.
struct Seen {
    std::vector<float> illumination;
    std::vector<SbVec2f> textureCoordinates;
    float quality = -1.0f;
    int binding = -1;
};

void record(void* data, SoAction* action)
{
    if (!action->isOfType(SoGLRenderAction::getClassTypeId()))
        return;
    Seen* seen = static_cast<Seen*>(data);
    SoState* state = action->getState();
    int32_t count = 0;
    const float* values = SoIlluminatedGeometryElement::get(state, count);
    seen->illumination.assign(values, values + count);
    const SoTextureCoordinateElement* texture = SoTextureCoordinateElement::getInstance(state);
    seen->textureCoordinates.clear();
    for (int i = 0; i < texture->getNum(); ++i)
        seen->textureCoordinates.push_back(texture->get2(i));
    seen->quality = SoTextureQualityElement::get(state);
    seen->binding = int(SoTextureCoordinateBindingElement::get(state));
}

// Ends a scene with a callback that records into `seen`.
SoSeparator* recordedScene(const std::string& text, Seen& seen)
{
    SoSeparator* root = readScene(text.c_str());
    if (root != nullptr) {
        SoCallback* callback = new SoCallback;
        callback->setCallback(record, &seen);
        root->addChild(callback);
    }
    return root;
}

class CartoonShadingGL : public GLFixture {
};

TEST_F(CartoonShadingGL, LightsInObjectCoordinatesToTextureState)
{
    // The model turns 90 degrees about x: object y is world z, towards the
    // light's source. Object normals y, z and x give 1, 0, 0; the fourth
    // coordinate, beyond the values, is fully lit.
    Seen seen;
    SoSeparator* root = recordedScene("DirectionalLight { direction 0 0 -1 }\n"
                                      "Rotation { rotation 1 0 0 1.5707963 }\n"
                                      "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 0 0 1 ] }\n"
                                      "Normal { vector [ 0 1 0, 0 0 1, 1 0 0 ] }\n"
                                      "SoGenerateIlluminatedGeometry { coordIndex [ 0, 1, 0 ] normalIndex [ 0, 1, 2 ] }\n"
                                      "SoCartoonShader {}\n",
                                      seen);
    ASSERT_NE(root, nullptr);
    SoCartoonShader* shader = static_cast<SoCartoonShader*>(root->getChild(5));
    const float qualities[3] = { 0.1f, 0.6f, 1.0f };
    for (int style = 0; style < 3; ++style) {
        shader->cartoonStyle = style;
        render(root);
        EXPECT_FLOAT_EQ(seen.quality, qualities[style]) << "style " << style;
    }
    ASSERT_EQ(seen.illumination.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(seen.illumination[size_t(i)], i == 0 ? 1.0f : 0.0f, 1e-5f) << "entry " << i;
    EXPECT_EQ(seen.binding, int(SoTextureCoordinateBindingElement::PER_VERTEX));
    ASSERT_EQ(seen.textureCoordinates.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(seen.textureCoordinates[size_t(i)], SbVec2f(i < 3 ? seen.illumination[size_t(i)] : 1.0f, 0))
            << "coordinate " << i;

    // Without an enabled light: said, and nothing published.
    root->removeChild(0);
    OutputCapture output;
    render(root);
    EXPECT_EQ(output.text(), "NO LIGHTS DEFINED!\n");
    EXPECT_TRUE(seen.illumination.empty());
    root->unref();
}

// Lights are where the scene puts them, whatever the camera does: a camera
// looking along -x sees a light shining along -z light a normal along z
// fully; a point light above a vertex lights it fully too, a spot light
// not at all (its cone is not modelled).
TEST_F(CartoonShadingGL, LightsFollowTheSceneNotTheCamera)
{
    Seen seen;
    SoSeparator* root = recordedScene("PerspectiveCamera { position 5 0 0 orientation 0 1 0 1.5707963 }\n"
                                      "DirectionalLight { direction 0 0 -1 }\n"
                                      "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                                      "Normal { vector [ 0 0 1, 1 0 0 ] }\n"
                                      "SoGenerateIlluminatedGeometry { coordIndex [ 0, 1 ] normalIndex [ 0, 1 ] }\n",
                                      seen);
    ASSERT_NE(root, nullptr);
    render(root);
    ASSERT_EQ(seen.illumination.size(), 2u);
    EXPECT_NEAR(seen.illumination[0], 1.0f, 1e-5f) << "normal along z";
    EXPECT_NEAR(seen.illumination[1], 0.0f, 1e-5f) << "normal along x";

    auto replaceLight = [root](const char* light) {
        SoSeparator* read = readScene(light);
        root->replaceChild(1, read->getChild(0));
        read->unref();
    };
    replaceLight("PointLight { location 0 0 3 }\n");
    render(root);
    ASSERT_EQ(seen.illumination.size(), 2u) << "a point light counts";
    EXPECT_NEAR(seen.illumination[0], 1.0f, 1e-5f);

    replaceLight("SpotLight { location 0 0 3 direction 0 0 -1 }\n");
    OutputCapture output;
    render(root);
    EXPECT_EQ(output.text(), "NO LIGHTS DEFINED!\n");
    root->unref();
}

TEST_F(CartoonShadingGL, BadIndicesSkippedWithOneDiagnostic)
{
    Seen seen;
    SoSeparator* root = recordedScene("DirectionalLight { direction 0 0 -1 }\n"
                                      "Coordinate3 { point [ -1 -1 0, 1 -1 0, -1 1 0, 1 1 0 ] }\n"
                                      "Normal { vector [ 0 0 1 ] }\n"
                                      "SoGenerateIlluminatedGeometry { coordIndex [ 0, 1, 2, 3, -1, 0, 9, 2, -1 ]\n"
                                      "                                normalIndex [ 0, 0, 0, 0, -1, 0, 0, 4, -1 ] }\n"
                                      "LightModel { model BASE_COLOR }\n"
                                      "SoAlphaScreenShape { coordIndex [ 0, 1, 2, 3, -1, 0, 9, 2, -1, 3, 1, -7 ] }\n",
                                      seen);
    ASSERT_NE(root, nullptr);
    DebugErrorCollector errors;
    render(root);
    render(root);
    std::string said;
    for (const std::string& m : errors.messages)
        said += m + "\n";
    ASSERT_EQ(errors.messages.size(), 2u) << "one per node, not per frame:\n" << said;
    EXPECT_NE(said.find("2 entries name a coordinate or normal that does not exist, the first entry 6 "
                        "(coordinate 9 of 4, normal 0 of 1)"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("2 entries of coordIndex name no coordinate, the first entry 6 (9 of 4)"), std::string::npos)
        << said;
    EXPECT_EQ(seen.illumination, std::vector<float>({ 1, 1, 1, 1, 1, 1, 1 }));
    // The good strip is drawn in the light colour over the whole square.
    EXPECT_EQ(pixelRGBA(64, 64), (PixelRGBA{ 255, 255, 255, 255 }));
    root->unref();
}

// A power of two, which Coin takes without scaling.
constexpr int kRampTexels = 256;

// A model file's triangle strips shaded by a ramp of `steps` grey tones: the
// generator and shader take the strip set's indices, and the strip set takes
// its texture coordinates in entry order, one per illumination value.
SoSeparator* cartoonModel(const std::string& modelFile, int steps, const std::string& camera)
{
    std::ifstream file(modelFile);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << modelFile;
    // Each step many texels wide, so that the filtering of the texture
    // blends tones only on a thin seam between two bands.
    std::string ramp;
    for (int i = 0; i < kRampTexels; ++i) {
        char texel[16];
        const int grey = 40 + (215 * (i * steps / kRampTexels)) / (steps - 1);
        std::snprintf(texel, sizeof texel, " 0x%02x%02x%02x", grey, grey, int(grey * 0.6));
        ramp += texel;
    }
    SoSeparator* root = readScene((camera + "DirectionalLight { direction 0.4 -0.3 -1 }\n"
                                   + "Texture2 { model REPLACE wrapS CLAMP wrapT CLAMP image " + std::to_string(kRampTexels)
                                   + " 1 3" + ramp + " }\n" + text.str())
                                      .c_str());
    if (root == nullptr)
        return nullptr;
    SoSearchAction search;
    search.setType(SoIndexedTriangleStripSet::getClassTypeId());
    search.apply(root);
    EXPECT_NE(search.getPath(), nullptr) << modelFile << " has a strip set";
    if (search.getPath() == nullptr)
        return root;
    SoPath* path = search.getPath();
    SoIndexedTriangleStripSet* strips = static_cast<SoIndexedTriangleStripSet*>(path->getTail());
    SoGroup* parent = static_cast<SoGroup*>(path->getNodeFromTail(1));
    SoGenerateIlluminatedGeometry* generator = new SoGenerateIlluminatedGeometry;
    generator->coordIndex = strips->coordIndex;
    generator->normalIndex = strips->normalIndex;
    const int at = parent->findChild(strips);
    parent->insertChild(generator, at);
    parent->insertChild(new SoCartoonShader, at + 1);
    int k = 0;
    strips->textureCoordIndex.setNum(strips->coordIndex.getNum());
    for (int i = 0; i < strips->coordIndex.getNum(); ++i)
        strips->textureCoordIndex.set1Value(i, strips->coordIndex[i] < 0 ? -1 : k++);
    return root;
}

// The bands of a shaded frame: the colours that cover at least 2% of the
// pixels that are not background (alpha 0); the seams between two bands,
// where the texture filter blends their tones, are thinner.
std::set<uint32_t> bands(const std::vector<uint8_t>& rgba)
{
    std::map<uint32_t, int> pixels;
    int shaded = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (rgba[i + 3] != 0) {
            ++pixels[uint32_t(rgba[i]) << 16 | uint32_t(rgba[i + 1]) << 8 | rgba[i + 2]];
            ++shaded;
        }
    std::set<uint32_t> out;
    for (const auto& colour : pixels)
        if (colour.second * 50 >= shaded)
            out.insert(colour.first);
    return out;
}

TEST_F(CartoonShadingGL, SphereShowsOneBandPerRampStep)
{
    for (int steps : { 3, 5 }) {
        SoSeparator* root = cartoonModel(QUILLMAP_SOURCE_DIR "/models/sphere.iv", steps,
                                         "OrthographicCamera { position 0 0 5 height 2.5 }\n");
        ASSERT_NE(root, nullptr);
        render(root);
        const std::set<uint32_t> seen = bands(readRGBA());
        EXPECT_EQ(seen.size(), size_t(steps)) << steps << " steps";
        root->unref();
    }
}

TEST_F(CartoonShadingGL, ReadmeTorusPicture)
{
    ASSERT_TRUE(setSize(256, 256));
    SoSeparator* root = cartoonModel(QUILLMAP_SOURCE_DIR "/models/torus.iv", 4,
                                     "PerspectiveCamera { position 0 0 4.6 }\nRotation { rotation 1 0 0 -0.785 }\n");
    ASSERT_NE(root, nullptr);
    render(root, SbColor(1, 1, 1));
    const std::vector<uint8_t> frame = readRGBA();
    EXPECT_EQ(bands(frame).size(), 4u);
    if (!picturePath().empty()) {
        EXPECT_TRUE(writePngPicture(picturePath(), width(), height(), frame)) << picturePath();
    }
    root->unref();
}

TEST_F(CartoonShadingGL, ScreenDrawnWhereTexturedAlphaIsBelowThreshold)
{
    // A square over the whole buffer, lit 0.5 at every vertex; the screen
    // texture black with alpha 0.70 on the left half and 0.90 on the right:
    // 0.35 passes the test below 0.390625, 0.45 does not.
    SoSeparator* root = readScene("OrthographicCamera { position 0 0 5 height 2 }\n"
                                  "DirectionalLight { direction 0 -0.8660254 -0.5 }\n"
                                  "Texture2 { image 8 1 4 0xb3 0xb3 0xb3 0xb3 0xe6 0xe6 0xe6 0xe6 }\n"
                                  "TextureCoordinate2 { point [ 0 0, 1 0, 0 1, 1 1 ] }\n"
                                  "Coordinate3 { point [ -1 -1 0, 1 -1 0, -1 1 0, 1 1 0 ] }\n"
                                  "Normal { vector [ 0 0 1 ] }\n"
                                  "SoGenerateIlluminatedGeometry { coordIndex [ 0, 1, 2, 3, -1 ]\n"
                                  "                                normalIndex [ 0, 0, 0, 0, -1 ] }\n"
                                  "SoAlphaScreenShape { coordIndex [ 0, 1, 2, 3, -1 ] lightColor 1 1 0 }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_FLOAT_EQ(SoAlphaScreenShape::alphaReference(), 0.390625f);
    render(root);
    // Black texels times white; alpha 179 / 255 times 0.5 is 89.5 / 255.
    const PixelRGBA screen = pixelRGBA(20, 64);
    EXPECT_EQ(screen, (PixelRGBA{ 0, 0, 0, screen.a })) << "screen drawn";
    EXPECT_NEAR(screen.a, 89.5, 1.0);
    EXPECT_EQ(pixelRGBA(108, 64), (PixelRGBA{ 255, 255, 0, 255 })) << "light colour only";
    root->unref();
}

TEST(CartoonShading, FieldsAndFiles)
{
    EXPECT_EQ(fieldsWithValues("SoGenerateIlluminatedGeometry"),
              std::vector<std::string>({ "normalIndex -1", "coordIndex -1" }));
    EXPECT_EQ(fieldsWithValues("SoCartoonShader"), std::vector<std::string>({ "cartoonStyle CRISP" }));
    const std::vector<std::string> shape = fieldsWithValues("SoAlphaScreenShape");
    ASSERT_FALSE(shape.empty());
    EXPECT_EQ(shape.back(), "lightColor 1 1 1");
    EXPECT_EQ(SoType::fromName("SoAlphaScreenShape").getParent(), SoIndexedShape::getClassTypeId());
    EXPECT_EQ(SoType::fromName("SoGenerateIlluminatedGeometry").getParent(), SoNode::getClassTypeId());
    EXPECT_EQ(SoType::fromName("SoCartoonShader").getParent(), SoNode::getClassTypeId());
    EXPECT_TRUE(SoIlluminatedGeometryElement::getClassTypeId().isDerivedFrom(SoReplacedElement::getClassTypeId()));

    expectRoundTrip("SoGenerateIlluminatedGeometry { normalIndex [ 0, 1, -1 ] coordIndex [ 2, 3, -1 ] }");
    expectRoundTrip("SoCartoonShader { cartoonStyle ALMOST_REAL }");
    expectRoundTrip("SoAlphaScreenShape { coordIndex [ 0, 1, 2, -1 ] lightColor 1 0.5 0 }");
}

} // namespace
