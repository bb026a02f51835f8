#ifndef QUILLMAP_LINESTRIPS_H
#define QUILLMAP_LINESTRIPS_H

// Reading the line index list: strips of coordinate indices, each ended by
// -1. Per-vertex attributes (texture coordinates, thicknesses, directions)
// have one entry per index that is not a separator; a parameterization has
// one entry per index-list entry and counts only when it holds more than one.

#include <cstdint>

// Number of strips: every -1 ends one (an empty one too), and a last strip
// that lacks its -1 counts as well.
int32_t countStrips(const int32_t* indices, int32_t count);

// Number of entries that are not separators: the length of the per-vertex
// attribute arrays.
int32_t countVertexEntries(const int32_t* indices, int32_t count);

// Whether a parameterization of `count` entries is to be read and written.
inline bool hasParameterization(int32_t count)
{
    return count > 1;
}

#endif // QUILLMAP_LINESTRIPS_H
