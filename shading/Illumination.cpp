// Per-vertex diffuse illumination of the cartoon shading nodes.

#include "shading/Illumination.h"

#include <algorithm>

#include "util/Vec.h"

float vertexIllumination(const LightSet& lights, const SbVec3f& position, const SbVec3f& normal)
{
    const Vec3d n = Vec3d::of(normal);
    const Vec3d p = Vec3d::of(position);
    double sum = 0.0;
    for (const SbVec3f& d : lights.directions)
        sum += std::max(0.0, -dot(Vec3d::of(d), n));
    for (const SbVec3f& q : lights.positions)
        sum += std::max(0.0, dot(Vec3d::of(q) - p, n));
    return float(std::min(sum, 1.0));
}

int illuminateEntries(const LightSet& lights, const SbVec3f* coords, int numCoords, const SbVec3f* normals,
                      int numNormals, const std::vector<int32_t>& coordIndex, const std::vector<int32_t>& normalIndex,
                      std::vector<float>& values, int& firstBad)
{
    values.clear();
    firstBad = -1;
    int bad = 0;
    const bool indexedNormals = coordIndex.size() == normalIndex.size();
    for (size_t i = 0; i < coordIndex.size(); ++i) {
        // The list that marks strip ends: normalIndex when normals are indexed.
        const int32_t separator = indexedNormals ? normalIndex[i] : coordIndex[i];
        if (separator == -1)
            continue;
        const int32_t c = coordIndex[i];
        const int64_t n = indexedNormals ? int64_t(normalIndex[i]) : int64_t(i);
        if (c < 0 || c >= numCoords || n < 0 || n >= numNormals) {
            if (bad++ == 0)
                firstBad = int(i);
            values.push_back(kMissingIllumination);
            continue;
        }
        values.push_back(vertexIllumination(lights, coords[c], normals[n]));
    }
    return bad;
}
