// An 8-bit RGB PNG file: signature, header, one compressed data chunk, end.

#include "PngFile.h"

#include <zlib.h>

#include <cstdio>

#include "util/FileReplacement.h"

namespace {

void appendBigEndian(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(char((value >> shift) & 0xff));
}

// Length, type, data and the CRC of type and data.
void appendChunk(std::string& out, const char* type, const std::string& data)
{
    appendBigEndian(out, uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    appendBigEndian(out, uint32_t(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(body.data()),
                                        uInt(body.size()))));
}

} // namespace

std::string writePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * size_t(height) * 3)
        return "the image has no pixels or not as many as its size says";
    // Every row starts with its filter type, none.
    std::string rows;
    rows.reserve(size_t(height) * (size_t(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        rows.push_back('\0');
        rows.append(reinterpret_cast<const char*>(&rgb[size_t(y) * size_t(width) * 3]), size_t(width) * 3);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
                  uLong(rows.size()), 6)
        != Z_OK)
        return "zlib could not compress the pixels";
    packed.resize(packedSize);

    std::string header;
    appendBigEndian(header, uint32_t(width));
    appendBigEndian(header, uint32_t(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    std::string file("\x89PNG\r\n\x1a\n", 8);
    appendChunk(file, "IHDR", header);
    appendChunk(file, "IDAT", packed);
    appendChunk(file, "IEND", std::string());
    return replaceFile(path, [&](std::FILE* out) { return std::fwrite(file.data(), 1, file.size(), out) == file.size(); });
}
