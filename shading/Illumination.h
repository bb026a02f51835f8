#ifndef QUILLMAP_SHADING_ILLUMINATION_H
#define QUILLMAP_SHADING_ILLUMINATION_H

// Diffuse illumination per vertex for cartoon shading: the sum of the lights'
// cosine terms, limited to 1, one value per entry of a triangle-strip index
// list.

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

#include "shading/LightSet.h"

// The value a vertex takes when it has none of its own (an index past the
// coordinates or normals, or more vertices drawn than values published):
// fully lit, so that it shows the plain tone and no screen.
constexpr float kMissingIllumination = 1.0f;

// I = sum over directional lights d of max(0, -d.n) + sum over point lights q
// of max(0, (q - p).n), at most 1. Neither n nor q - p is normalized.
float vertexIllumination(const LightSet& lights, const SbVec3f& position, const SbVec3f& normal);

// The values of an index list's entries, in order, for every entry other than
// -1. With as many normal indices as coordinate indices, entry i lights
// coordinate coordIndex[i] with normal normalIndex[i] (and an entry counts
// where normalIndex holds no -1); otherwise with normal i, the normal of the
// entry's place in the list. An entry naming a coordinate or normal that does
// not exist gets kMissingIllumination, so the values after it stay with their
// vertices; the return value counts those entries and `firstBad` is the
// first one's place in the list (-1 if none).
int illuminateEntries(const LightSet& lights, const SbVec3f* coords, int numCoords, const SbVec3f* normals,
                      int numNormals, const std::vector<int32_t>& coordIndex, const std::vector<int32_t>& normalIndex,
                      std::vector<float>& values, int& firstBad);

// Value k of `count` values, kMissingIllumination past the end.
inline float illuminationAt(const float* values, int count, int k)
{
    return k >= 0 && k < count ? values[k] : kMissingIllumination;
}

#endif // QUILLMAP_SHADING_ILLUMINATION_H
