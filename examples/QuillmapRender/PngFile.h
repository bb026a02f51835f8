#ifndef QUILLMAP_RENDER_PNGFILE_H
#define QUILLMAP_RENDER_PNGFILE_H

// Writing a frame as an 8-bit RGB PNG file through zlib.

#include <cstdint>
#include <string>
#include <vector>

// The PNG file of `rgb` (width * height * 3 bytes, top row first). The
// file at `path` is replaced only by a complete new one. Returns an empty
// string on success, otherwise why the file was not written.
std::string writePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

#endif // QUILLMAP_RENDER_PNGFILE_H
