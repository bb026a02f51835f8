#ifndef QUILLMAP_TESTS_IMAGE_PNGPICTURE_H
#define QUILLMAP_TESTS_IMAGE_PNGPICTURE_H

// Saves a rendered frame as the README's pictures: an 8-bit RGB PNG of the
// fixture's colour buffer, written where $QUILLMAP_WRITE_PICTURE names, top
// row first.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// Writes `rgba` (width * height * 4 bytes, rows bottom-up) to `path`.
inline bool writePngPicture(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba)
{
    std::string rows;
    for (int y = height - 1; y >= 0; --y) {
        rows.push_back('\0'); // filter type none
        for (int x = 0; x < width; ++x)
            rows.append(reinterpret_cast<const char*>(&rgba[size_t(4 * (y * width + x))]), 3);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                 uLong(rows.size()))
        != Z_OK)
        return false;
    packed.resize(packedSize);

    const auto bigEndian = [](uint32_t v) {
        return std::string{ char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
    };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto addChunk = [&](const char* type, const std::string& data) {
        const std::string typed = std::string(type, 4) + data;
        png += bigEndian(uint32_t(data.size())) + typed
            + bigEndian(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
    };
    // 8 bits per channel, colour type 2 (RGB), no interlace.
    addChunk("IHDR", bigEndian(uint32_t(width)) + bigEndian(uint32_t(height)) + std::string{ 8, 2, 0, 0, 0 });
    addChunk("IDAT", packed);
    addChunk("IEND", "");
    std::ofstream file(path, std::ios::binary);
    file.write(png.data(), std::streamsize(png.size()));
    return bool(file);
}

// The picture's path when the run was asked to write pictures, else empty.
inline std::string picturePath(void)
{
    const char* path = std::getenv("QUILLMAP_WRITE_PICTURE");
    return path != nullptr ? std::string(path) : std::string();
}

#endif // QUILLMAP_TESTS_IMAGE_PNGPICTURE_H
