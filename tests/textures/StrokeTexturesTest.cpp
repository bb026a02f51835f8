// The stroke textures in textures/: each loads through Coin as a 4-channel
// image 32 pixels high, matches the bytes on disk, and has a proper SGI RGB
// header; the directory holds exactly the expected set.

#include <gtest/gtest.h>

#include "support/DebugErrorCollector.h"

#include <Inventor/SbLinear.h>
#include <Inventor/nodes/SoTexture2.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

struct Expected {
    const char* name;
    int width;
};

const Expected kTextures[] = {
    {"chalk.rgb", 512},    {"chalk_old.rgb", 512}, {"line1.rgb", 256},        {"line2.rgb", 256},
    {"line.rgb", 256},     {"linetest.rgb", 256},  {"oilpaint.rgb", 512},     {"pen.rgb", 256},
    {"pen_squiggle.rgb", 512}, {"pencil.rgb", 512}, {"teapot.rgb", 256},     {"test.rgb", 256},
    {"vangogh.rgb", 512},  {"watercolor.rgb", 512},
};

std::string texturePath(const std::string& name) { return std::string(QUILLMAP_SOURCE_DIR) + "/textures/" + name; }

std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

unsigned short16(const std::vector<unsigned char>& b, size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; }

uint32_t long32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}

struct LoadedImage {
    SbVec2s size{0, 0};
    int components = 0;
    std::vector<unsigned char> pixels;
};

LoadedImage loadWithCoin(const std::string& path)
{
    SoTexture2* texture = new SoTexture2;
    texture->ref();
    texture->filename.setValue(path.c_str());
    LoadedImage image;
    const unsigned char* data = texture->image.getValue(image.size, image.components);
    if (data)
        image.pixels.assign(data, data + size_t(image.size[0]) * size_t(image.size[1]) * size_t(image.components));
    texture->unref();
    return image;
}

} // namespace

TEST(StrokeTextures, HeadersAreUncompressedRgbaSgiImages)
{
    for (const Expected& expected : kTextures) {
        const std::vector<unsigned char> bytes = readBytes(texturePath(expected.name));
        ASSERT_GE(bytes.size(), 512u) << "file " << expected.name;
        EXPECT_EQ(short16(bytes, 0), 474u) << "magic of file " << expected.name;
        EXPECT_EQ(bytes[2], 0) << "storage of file " << expected.name;
        EXPECT_EQ(bytes[3], 1) << "bytes per channel of file " << expected.name;
        EXPECT_EQ(short16(bytes, 4), 3u) << "dimension of file " << expected.name;
        const unsigned width = short16(bytes, 6), height = short16(bytes, 8), channels = short16(bytes, 10);
        EXPECT_EQ(width, unsigned(expected.width)) << "xsize of file " << expected.name;
        EXPECT_EQ(width & (width - 1), 0u) << "xsize is a power of two in file " << expected.name;
        EXPECT_EQ(height, 32u) << "ysize of file " << expected.name;
        EXPECT_EQ(channels, 4u) << "zsize of file " << expected.name;
        EXPECT_EQ(long32(bytes, 12), 0u) << "pixmin of file " << expected.name;
        EXPECT_EQ(long32(bytes, 16), 255u) << "pixmax of file " << expected.name;
        EXPECT_EQ(long32(bytes, 104), 0u) << "colormap of file " << expected.name;
        EXPECT_EQ(bytes.size(), 512u + size_t(width) * height * channels) << "size of file " << expected.name;
        EXPECT_LT(bytes.size(), 100u * 1024u) << "size of file " << expected.name;
    }
}

TEST(StrokeTextures, EachLoadsThroughSoTexture2AsTheBytesOnDisk)
{
    for (const Expected& expected : kTextures) {
        const LoadedImage image = loadWithCoin(texturePath(expected.name));
        ASSERT_EQ(image.size[0], expected.width) << "width of file " << expected.name;
        ASSERT_EQ(image.size[1], 32) << "height of file " << expected.name;
        ASSERT_EQ(image.components, 4) << "components of file " << expected.name;

        // The alpha channel carries the stroke's shape, so it must vary.
        unsigned char alphaMin = 255, alphaMax = 0;
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            alphaMin = std::min(alphaMin, image.pixels[i]);
            alphaMax = std::max(alphaMax, image.pixels[i]);
        }
        EXPECT_LT(alphaMin, alphaMax) << "alpha range of file " << expected.name;
        EXPECT_GE(alphaMax - alphaMin, 128) << "alpha range of file " << expected.name;

        // Coin's image is interleaved RGBA with row 0 at the bottom, which is
        // also the first row of each plane on disk.
        const std::vector<unsigned char> bytes = readBytes(texturePath(expected.name));
        const size_t plane = size_t(expected.width) * 32;
        ASSERT_EQ(bytes.size(), 512 + 4 * plane) << "file " << expected.name;
        size_t mismatches = 0;
        for (size_t pixel = 0; pixel < plane; ++pixel)
            for (size_t channel = 0; channel < 4; ++channel)
                if (image.pixels[pixel * 4 + channel] != bytes[512 + channel * plane + pixel])
                    ++mismatches;
        EXPECT_EQ(mismatches, 0u) << "pixels differing from the planes on disk in file " << expected.name;
    }
}

TEST(StrokeTextures, DirectoryHoldsExactlyTheExpectedFiles)
{
    std::set<std::string> expected;
    for (const Expected& texture : kTextures)
        expected.insert(texture.name);
    ASSERT_EQ(expected.size(), 14u) << "distinct expected names";

    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILLMAP_SOURCE_DIR) + "/textures"))
        if (entry.path().extension() == ".rgb")
            found.insert(entry.path().filename().string());
    EXPECT_EQ(found, expected) << "the .rgb files in directory " << QUILLMAP_SOURCE_DIR << "/textures";
}

TEST(StrokeTextures, MissingFileGivesAnEmptyImage)
{
    // Coin reports the missing file through SoDebugError and leaves the image empty.
    std::vector<std::string> errors;
    LoadedImage image;
    {
        DebugErrorCollector collector;
        image = loadWithCoin(texturePath("no_such_stroke.rgb"));
        errors = collector.messages;
    }

    EXPECT_EQ(image.size[0], 0) << "width for file no_such_stroke.rgb";
    EXPECT_EQ(image.size[1], 0) << "height for file no_such_stroke.rgb";
    EXPECT_TRUE(image.pixels.empty()) << "pixels for file no_such_stroke.rgb";
    ASSERT_FALSE(errors.empty()) << "read errors posted for file no_such_stroke.rgb";
    EXPECT_NE(errors.front().find("no_such_stroke.rgb"), std::string::npos)
        << "read error for file no_such_stroke.rgb: " << errors.front();
}
