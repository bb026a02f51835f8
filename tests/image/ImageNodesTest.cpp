// The image-space nodes: their pixel operations on hand-worked images, the
// modifiers' recomputation and diagnostics, and the reader, ditherer and
// paster on the offscreen GL buffer.

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/PixelOperations.h"
#include "support/PngPicture.h"
#include "image/SoImageDitherer.h"
#include "image/SoImageFilterer.h"
#include "image/SoImagePaster.h"
#include "image/SoImageReader.h"
#include "image/SoImageSelector.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "util/InventorRoundTrip.h"

namespace {

PixelImage image(int w, int h, int c, const std::vector<uint8_t>& bytes)
{
    PixelImage out(w, h, c);
    out.bytes = bytes;
    return out;
}

PixelImage rgbImage(int w, int h, const std::vector<uint8_t>& bytes)
{
    return image(w, h, 3, bytes);
}

PixelImage uniform(int w, int h, uint8_t v)
{
    return image(w, h, 3, std::vector<uint8_t>(size_t(w * h * 3), v));
}

TEST(PixelOperations, FiltersOnHandWorkedPixels)
{
    // 350/256 of 100 is 136.7, of 187 is 255.7; above 187 everything is 255.
    const PixelImage values = rgbImage(2, 2, { 0, 50, 100, 187, 188, 255, 1, 2, 3, 200, 220, 254 });
    EXPECT_EQ(lightenPixels(values).bytes,
              std::vector<uint8_t>({ 0, 68, 136, 255, 255, 255, 1, 2, 4, 255, 255, 255 }));
    EXPECT_EQ(darkenPixels(values).bytes, std::vector<uint8_t>({ 0, 25, 50, 93, 94, 127, 0, 1, 1, 100, 110, 127 }));

    // 4 x 4 grey, 90 at the corner (0, 0) and 9 at (2, 2): the inner pixel
    // (1, 1) sees both (99 / 9 = 11), the other inner ones only the 9.
    PixelImage grey(4, 4, 3);
    for (int c = 0; c < 3; ++c) {
        grey.pixel(0, 0)[c] = 90;
        grey.pixel(2, 2)[c] = 9;
    }
    const PixelImage soft = softenPixels(grey);
    ASSERT_TRUE(soft.isRGB());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inner = x > 0 && y > 0 && x < 3 && y < 3;
            const int expected = !inner ? grey.pixel(x, y)[0] : (x == 1 && y == 1 ? 11 : 1);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(soft.pixel(x, y)[c], expected) << "pixel " << x << ", " << y << " channel " << c;
        }
    // Two pixels wide: nothing inside, a copy.
    const PixelImage narrow = rgbImage(2, 3, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18 });
    EXPECT_EQ(softenPixels(narrow).bytes, narrow.bytes);
}

TEST(PixelOperations, SelectAndDither)
{
    // Brightness (128 + 128 + 129) / 3 = 128 is not above threshold 128;
    // (129 + 129 + 129) / 3 = 129 is.
    const PixelImage input = rgbImage(2, 1, { 128, 128, 129, 129, 129, 129 });
    PixelImage out;
    ASSERT_TRUE(selectPixels(input, uniform(2, 1, 200), uniform(2, 1, 7), 128, out));
    EXPECT_EQ(out.bytes, std::vector<uint8_t>({ 7, 7, 7, 200, 200, 200 }));
    EXPECT_FALSE(selectPixels(input, uniform(3, 1, 1), uniform(2, 1, 7), 128, out)) << "A of another size";
    EXPECT_EQ(out.bytes, std::vector<uint8_t>({ 7, 7, 7, 200, 200, 200 })) << "nothing produced";

    // A matrix of 128s: mean brightness 128 and up white, below black.
    const PixelImage half = image(2, 2, 1, { 128, 128, 128, 128 });
    const PixelImage shades = rgbImage(3, 1, { 128, 128, 128, 127, 128, 128, 130, 129, 125 });
    EXPECT_EQ(ditherByMatrix(shades, half).bytes,
              std::vector<uint8_t>({ 255, 255, 255, 0, 0, 0, 255, 255, 255 }));
    // The 2 x 2 thresholds 0 128 / 192 64 tiled over grey 100.
    const PixelImage dithered = ditherByMatrix(uniform(4, 2, 100), image(2, 2, 1, { 0, 128, 192, 64 }));
    const int white[2][4] = { { 1, 0, 1, 0 }, { 0, 1, 0, 1 } };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dithered.pixel(x, y)[0], white[y][x] ? 255 : 0) << "pixel " << x << ", " << y;

    // Matrices without bytes copy the input instead of dividing by 0 or
    // reading nothing.
    for (const PixelImage& empty : { PixelImage(), PixelImage(3, 0, 1), PixelImage(2, 2, 0) })
        EXPECT_EQ(ditherByMatrix(shades, empty).bytes, shades.bytes) << empty.width << " x " << empty.height;

    // Random thresholds: grey 128 turns white for thresholds 0 to 128, 129 of
    // 256; white stays white.
    std::srand(7);
    const PixelImage noise = ditherRandomly(uniform(256, 256, 128), std::rand);
    int whites = 0;
    for (size_t i = 0; i < noise.bytes.size(); i += 3) {
        ASSERT_TRUE(noise.bytes[i] == 0 || noise.bytes[i] == 255) << "byte " << i;
        whites += noise.bytes[i] == 255;
    }
    EXPECT_NEAR(whites / 65536.0, 129.0 / 256.0, 0.01);
    EXPECT_EQ(ditherRandomly(uniform(16, 16, 255), std::rand).bytes, uniform(16, 16, 255).bytes);
}

TEST(PixelOperations, ImagesWhoseBytesDisagreeAreNotRead)
{
    PixelImage shortRows(4, 4, 3);
    shortRows.bytes.resize(20); // 48 claimed
    PixelImage out;
    EXPECT_TRUE(softenPixels(shortRows).bytes.empty());
    EXPECT_TRUE(lightenPixels(shortRows).bytes.empty());
    EXPECT_TRUE(ditherByMatrix(shortRows, PixelImage(2, 2, 1)).bytes.empty());
    EXPECT_FALSE(selectPixels(shortRows, shortRows, shortRows, 0, out));
    EXPECT_FALSE(convertToRGB(shortRows, out));
    EXPECT_TRUE(darkenPixels(PixelImage(2, 2, 4)).bytes.empty()) << "four bytes a pixel are not RGB";
    EXPECT_TRUE(PixelImage(1 << 30, 1 << 30, 3).bytes.empty()) << "too large to hold";

    // Grey, grey and alpha, RGBA: alpha dropped, grey spread to three channels.
    const auto converted = [](const PixelImage& in) {
        PixelImage rgb;
        return convertToRGB(in, rgb) ? rgb.bytes : std::vector<uint8_t>();
    };
    EXPECT_EQ(converted(image(2, 1, 1, { 10, 20 })), std::vector<uint8_t>({ 10, 10, 10, 20, 20, 20 }));
    EXPECT_EQ(converted(image(1, 1, 2, { 30, 99 })), std::vector<uint8_t>({ 30, 30, 30 }));
    EXPECT_EQ(converted(image(1, 1, 4, { 1, 2, 3, 99 })), std::vector<uint8_t>({ 1, 2, 3 }));
    EXPECT_TRUE(converted(PixelImage(1, 1, 5)).empty());
}

TEST(ImageNodes, FieldsAndFiles)
{
    EXPECT_EQ(fieldsWithValues("SoImageModifier"), std::vector<std::string>({ "input 0 0 0\n", "output 0 0 0\n" }));
    EXPECT_EQ(fieldsWithValues("SoImageSelector"),
              std::vector<std::string>({ "input 0 0 0\n", "output 0 0 0\n", "A 0 0 0\n", "B 0 0 0\n", "threshold 128" }));
    EXPECT_EQ(fieldsWithValues("SoImageFilterer"),
              std::vector<std::string>({ "input 0 0 0\n", "output 0 0 0\n", "filterMethod SOFTEN" }));
    EXPECT_EQ(fieldsWithValues("SoImageDitherer"),
              std::vector<std::string>({ "input 0 0 0\n", "output 0 0 0\n", "ditherMatrix 0 0 0\n", "ditherMethod RANDOM" }));
    EXPECT_EQ(fieldsWithValues("SoImageReader"), std::vector<std::string>({ "image 0 0 0\n" }));
    EXPECT_EQ(fieldsWithValues("SoImagePaster"), std::vector<std::string>({ "image 0 0 0\n" }));
    for (const char* name : { "SoImageSelector", "SoImageFilterer", "SoImageDitherer" })
        EXPECT_EQ(SoType::fromName(name).getParent(), SoImageModifier::getClassTypeId()) << name;
    for (const char* name : { "SoImageModifier", "SoImageReader", "SoImagePaster" })
        EXPECT_EQ(SoType::fromName(name).getParent(), SoNode::getClassTypeId()) << name;

    expectRoundTrip("SoImageSelector { input 2 1 3 0xff0000 0x00ff00 A 1 1 1 0x80 B 1 1 4 0x01020304 threshold 50 }");
    expectRoundTrip("SoImageFilterer { filterMethod DARKEN input 1 2 3 0x010203 0x040506 }");
    expectRoundTrip("SoImageDitherer { ditherMethod DITHER_MATRIX ditherMatrix 2 2 1 0 128 192 64 }");
    expectRoundTrip("SoImageReader { image 1 1 3 0xffffff }");
    expectRoundTrip("SoImagePaster { image 2 1 2 0x10ff 0x20ff }");
}

class ImageNodesGL : public GLFixture {
};

TEST_F(ImageNodesGL, ReaderDithererPasterLeaveBlackAndWhite)
{
    // The README's dithered torus. Background grey 224 lies on 15 of the 16
    // thresholds 0, 16, ..., 240, all but 240.
    ASSERT_TRUE(setSize(256, 256));
    std::ifstream file(QUILLMAP_SOURCE_DIR "/models/torus.iv");
    std::stringstream torus;
    torus << file.rdbuf();
    SoSeparator* root = readScene(("PerspectiveCamera { position 0 -3.3 3.3 orientation 1 0 0 0.785 }\n"
                                   "DirectionalLight { direction 0.3 0.5 -1 }\n"
                                   "Material { diffuseColor 0.8 0.7 0.5 }\n"
                                   + torus.str()
                                   + "DEF reader SoImageReader {}\n"
                                     "DEF ditherer SoImageDitherer { ditherMethod DITHER_MATRIX\n"
                                     "  ditherMatrix 4 4 1 0 128 32 160 192 64 224 96 48 176 16 144 240 112 208 80\n"
                                     "  input 0 0 0 = USE reader.image }\n"
                                     "SoImagePaster { image 0 0 0 = USE ditherer.output }\n")
                                      .c_str());
    ASSERT_NE(root, nullptr);
    OutputCapture output;
    render(root, SbColor(224 / 255.0f, 224 / 255.0f, 224 / 255.0f));
    const std::string printed = output.text();
    EXPECT_NE(printed.find("reading buffer (0,0,256,256)..."), std::string::npos) << printed;
    EXPECT_NE(printed.find("ok!\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("matrix dithering image!!!\ndither (256,256,3)...set output to 256,256\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("paster (256,256,3)..."), std::string::npos) << printed;

    const int black = countPixels([](const PixelRGBA& p) { return p == PixelRGBA{ 0, 0, 0, 255 }; });
    const int white = countPixels([](const PixelRGBA& p) { return p == PixelRGBA{ 255, 255, 255, 255 }; });
    EXPECT_EQ(black + white, width() * height()) << "only opaque black and white";
    const bool cornerWhite[4][4] = { { 1, 1, 1, 1 }, { 1, 1, 1, 1 }, { 1, 1, 1, 1 }, { 0, 1, 1, 1 } };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixelRGBA(x, y).r, cornerWhite[y][x] ? 255 : 0) << "background pixel " << x << ", " << y;
    // The torus is darker than the background: more black than 1/16.
    EXPECT_GT(black, width() * height() / 16 + 2000) << "the torus shows";
    if (!picturePath().empty()) {
        EXPECT_TRUE(writePngPicture(picturePath(), width(), height(), readRGBA())) << picturePath();
    }
    root->unref();
}

TEST_F(ImageNodesGL, ReaderTakesWholeWordsOfTheViewport)
{
    // 641 pixels wide: 640 read, the same bytes glReadPixels gives as RGBA.
    ASSERT_TRUE(setSize(641, 8));
    SoSeparator* root = readScene("OrthographicCamera { height 2 }\n"
                                  "LightModel { model BASE_COLOR }\n"
                                  "BaseColor { rgb 1 0.5 0 }\n"
                                  "Translation { translation -0.7 0 0 }\n"
                                  "Cube { width 0.3 height 2 depth 0.1 }\n"
                                  "SoImageReader {}\n");
    ASSERT_NE(root, nullptr);
    SoImageReader* reader = static_cast<SoImageReader*>(root->getChild(root->getNumChildren() - 1));
    const auto compare = [&](const char* when) {
        const PixelImage read = SoImageModifier::imageOf(reader->image);
        ASSERT_EQ(read.width, 640) << when;
        ASSERT_EQ(read.height, 8) << when;
        ASSERT_EQ(read.components, 3) << when;
        const std::vector<uint8_t> frame = readRGBA();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 640; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(read.pixel(x, y)[c], frame[size_t(4 * (y * 641 + x) + c)])
                        << when << ": pixel " << x << ", " << y << " channel " << c;
    };
    OutputCapture quiet;
    render(root, SbColor(0, 0, 1));
    compare("first frame");
    // The second frame has the field's size already and is read in place.
    render(root, SbColor(0, 1, 0));
    compare("frame read in place");
    EXPECT_EQ(SoImageReader::readWidth(3), 0);
    EXPECT_EQ(SoImageReader::readWidth(100000), 32764) << "an image side is a short";
    root->unref();
}

TEST_F(ImageNodesGL, PasterDrawsTheImageItsOwnSize)
{
    // Rows of 5 RGB pixels are 15 bytes, not whole words; rows of 3 grey
    // pixels are 3 bytes. Each pixel lands where the field holds it.
    SoSeparator* root = readScene("SoImagePaster {}\n");
    ASSERT_NE(root, nullptr);
    SoImagePaster* paster = static_cast<SoImagePaster*>(root->getChild(0));
    PixelImage rgb(5, 3, 3);
    for (size_t i = 0; i < rgb.bytes.size(); ++i)
        rgb.bytes[i] = uint8_t(10 + 5 * i);
    SoImageModifier::setImage(paster->image, rgb);
    OutputCapture output;
    render(root);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const PixelRGBA p = pixelRGBA(x, y);
            if (x < 5 && y < 3)
                EXPECT_EQ(p, (PixelRGBA{ rgb.pixel(x, y)[0], rgb.pixel(x, y)[1], rgb.pixel(x, y)[2], 255 }))
                    << "pixel " << x << ", " << y;
            else
                EXPECT_EQ(p, (PixelRGBA{ 0, 0, 0, 0 })) << "outside the image: " << x << ", " << y;
        }
    SoImageModifier::setImage(paster->image, image(3, 2, 1, { 10, 20, 30, 40, 50, 60 }));
    render(root);
    EXPECT_EQ(pixelRGBA(2, 1), (PixelRGBA{ 60, 60, 60, 255 }));
    EXPECT_EQ(pixelRGBA(1, 0), (PixelRGBA{ 20, 20, 20, 255 }));
    EXPECT_EQ(pixelRGBA(3, 0), (PixelRGBA{ 0, 0, 0, 0 }));
    const std::string printed = output.text();
    EXPECT_NE(printed.find("paster (5,3,3)...paster (3,2,1)..."), std::string::npos) << printed;
    root->unref();
}

TEST_F(ImageNodesGL, ModifiersWorkOnceAfterEachChange)
{
    SoSeparator* root = readScene("SoImageFilterer { filterMethod LIGHTEN }\n"
                                  "SoImageSelector { threshold 100 }\n"
                                  "SoImageDitherer { ditherMethod DITHER_MATRIX }\n");
    ASSERT_NE(root, nullptr);
    SoImageFilterer* filterer = static_cast<SoImageFilterer*>(root->getChild(0));
    SoImageSelector* selector = static_cast<SoImageSelector*>(root->getChild(1));
    SoImageDitherer* ditherer = static_cast<SoImageDitherer*>(root->getChild(2));
    DebugErrorCollector errors;
    OutputCapture output;
    SoImageModifier::setImage(filterer->input, rgbImage(1, 1, { 100, 187, 200 }));
    render(root);
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(filterer->output).bytes, std::vector<uint8_t>({ 136, 255, 255 }));
    // A new input of the same size is lightened, not the old output again.
    SoImageModifier::setImage(filterer->input, rgbImage(1, 1, { 10, 20, 30 }));
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(filterer->output).bytes, std::vector<uint8_t>({ 13, 27, 41 }));

    // The selector with A of another size keeps its output and says why.
    SoImageModifier::setImage(selector->output, rgbImage(1, 1, { 1, 2, 3 }));
    SoImageModifier::setImage(selector->input, rgbImage(1, 1, { 200, 200, 200 }));
    SoImageModifier::setImage(selector->A, uniform(2, 1, 9));
    SoImageModifier::setImage(selector->B, uniform(1, 1, 8));
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(selector->output).bytes, std::vector<uint8_t>({ 1, 2, 3 }));
    SoImageModifier::setImage(selector->A, uniform(1, 1, 9));
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(selector->output).bytes, std::vector<uint8_t>({ 9, 9, 9 }))
        << "a change of A alone recomputes";

    // A matrix with a side of 0 would divide by 0: a copy of the input, said.
    SoImageModifier::setImage(ditherer->input, rgbImage(1, 1, { 5, 6, 7 }));
    ditherer->ditherMatrix.setValue(SbVec2s(3, 0), 1, nullptr);
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(ditherer->output).bytes, std::vector<uint8_t>({ 5, 6, 7 }));
    // Grey input is dithered as RGB; five components cannot be.
    const PixelImage grey = image(1, 1, 1, { 200 });
    SoImageModifier::setImage(ditherer->ditherMatrix, grey);
    SoImageModifier::setImage(ditherer->input, grey);
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(ditherer->output).bytes, std::vector<uint8_t>({ 255, 255, 255 }));
    SoImageModifier::setImage(ditherer->input, PixelImage(1, 1, 5));
    render(root);
    EXPECT_EQ(SoImageModifier::imageOf(ditherer->output).bytes, std::vector<uint8_t>({ 255, 255, 255 }))
        << "the output stays";

    const std::string printed = output.text();
    const auto times = [&printed](const std::string& what) {
        size_t n = 0;
        for (size_t at = printed.find(what); at != std::string::npos; at = printed.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(times("lightening image!!!\n"), 2u) << "once per input, not per frame:\n" << printed;
    EXPECT_EQ(times("resizing osize..."), 1u) << "only the first output had another size:\n" << printed;
    EXPECT_EQ(times("combining image!!!\n"), 3u) << printed;
    EXPECT_GE(times("modifier: input changed CB!\n"), 5u) << printed;
    std::string said;
    for (const std::string& m : errors.messages)
        said += m + "\n";
    ASSERT_EQ(errors.messages.size(), 4u) << said;
    EXPECT_NE(said.find("A (2, 1), B (1, 1) and input (1, 1) are not one size"), std::string::npos) << said;
    EXPECT_NE(said.find("ditherMatrix of size (3, 0) with 1 components holds no thresholds"), std::string::npos)
        << said;
    EXPECT_NE(said.find("input has 1 components; modified as red, green and blue"), std::string::npos) << said;
    EXPECT_NE(said.find("input of size (1, 1) has 5 components"), std::string::npos) << said;
    root->unref();
}

} // namespace
