// Triangles of any shape as strips of one triangle each.

#include "wingededge/ShapeTriangles.h"

#include <algorithm>
#include <cstring>
#include <utility>

size_t ShapeTriangles::PositionHash::operator()(const SbVec3f& p) const
{
    // Bit patterns, with -0 taken as 0 so that the hash agrees with ==.
    uint32_t bits[3];
    for (int i = 0; i < 3; ++i) {
        const float value = p[i] == 0.0f ? 0.0f : p[i];
        std::memcpy(&bits[i], &value, sizeof value);
    }
    uint64_t h = 1469598103934665603ull;
    for (uint32_t b : bits)
        h = (h ^ b) * 1099511628211ull;
    return size_t(h ^ (h >> 29));
}

bool ShapeTriangles::SamePosition::operator()(const SbVec3f& a, const SbVec3f& b) const
{
    // NaN never equals itself; such corners stay apart, and the builder
    // leaves their faces without a normal.
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

ShapeTriangles::ShapeTriangles(std::vector<SbVec3f> coordinates)
    : ownCoordinates(coordinates.size())
{
    input.coordinates = std::move(coordinates);
}

int32_t ShapeTriangles::indexOf(const SbVec3f& point, const int32_t* faceIndices, int faceIndexCount,
                                const int32_t* taken, int takenCount)
{
    // A face may hold two indices at one position; a corner takes one the
    // triangle's earlier corners have not taken, so that the triangle keeps
    // three distinct corners as it would in a strip.
    int32_t firstMatch = -1;
    for (int k = 0; k < faceIndexCount; ++k) {
        const int32_t index = faceIndices[k];
        if (index < 0 || size_t(index) >= ownCoordinates || !(input.coordinates[size_t(index)] == point))
            continue;
        if (std::find(taken, taken + takenCount, index) == taken + takenCount)
            return index;
        if (firstMatch < 0)
            firstMatch = index;
    }
    if (firstMatch >= 0)
        return firstMatch;
    const auto found = madeUp.find(point);
    if (found != madeUp.end())
        return found->second;
    const int32_t index = int32_t(input.coordinates.size());
    input.coordinates.push_back(point);
    madeUp.emplace(point, index);
    return index;
}

void ShapeTriangles::add(const SbVec3f point[3], const SbVec3f normal[3], const int32_t* faceIndices,
                         int faceIndexCount)
{
    int32_t corner[3];
    for (int i = 0; i < 3; ++i) {
        corner[i] = indexOf(point[i], faceIndices, faceIndexCount, corner, i);
        input.coordIndex.push_back(corner[i]);
        input.normalIndex.push_back(int32_t(input.normals.size()));
        input.normals.push_back(normal[i]);
    }
    input.stripLengths.push_back(3);
}
