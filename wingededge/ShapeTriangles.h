#ifndef QUILLMAP_SHAPETRIANGLES_H
#define QUILLMAP_SHAPETRIANGLES_H

// Gathers the triangles a shape generates into the input of the strip
// builder, one strip per triangle, so that shapes of any kind build meshes
// the way triangle strip sets do. Corners are joined by coordinate index: a
// triangle's corner takes the index of the point of its face that lies at the
// same position. Corners that no face point explains (shapes without
// coordinates, such as spheres and cubes, or points a tessellator made up)
// are joined by exact position among themselves.

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "wingededge/WingedEdge.h"

class ShapeTriangles {
public:
    // The shape's own coordinates, in the order its indices refer to them.
    explicit ShapeTriangles(std::vector<SbVec3f> coordinates);

    // One triangle with its corner positions and normals, and the coordinate
    // indices of the face it was cut from (none when the shape has no
    // indexed points).
    void add(const SbVec3f point[3], const SbVec3f normal[3], const int32_t* faceIndices, int faceIndexCount);

    int triangleCount(void) const { return int(input.stripLengths.size()); }
    // The gathered strips; the coordinates keep the shape's own first.
    StripInput& strips(void) { return input; }

private:
    int32_t indexOf(const SbVec3f& point, const int32_t* faceIndices, int faceIndexCount, const int32_t* taken,
                    int takenCount);

    struct PositionHash {
        size_t operator()(const SbVec3f& p) const;
    };
    struct SamePosition {
        bool operator()(const SbVec3f& a, const SbVec3f& b) const;
    };

    StripInput input;
    size_t ownCoordinates;
    std::unordered_map<SbVec3f, int32_t, PositionHash, SamePosition> madeUp;
};

#endif // QUILLMAP_SHAPETRIANGLES_H
