#ifndef QUILLMAP_MODELIMPORT_H
#define QUILLMAP_MODELIMPORT_H

// Turns a scene read by Assimp (OBJ, PLY, STL, OFF, glTF, 3DS, COLLADA, ...)
// into an Inventor subgraph that draws like the file and that the
// winged-edge builder can take as it is: every mesh's triangles as one
// indexed triangle-strip set whose corners at the same position share one
// coordinate index. Quillmap::readModel (Quillmap.h) reads files with it.

#include <Inventor/SbVec3f.h>

#include <assimp/vector3.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct aiScene;
class SoSeparator;

namespace Quillmap {

// Assimp's post-processing for readModel: polygons split into triangles, and
// meshes split by primitive type so that points and lines come apart from
// the triangles and can be left out.
unsigned int modelImportFlags(void);

// Points joined by exact position.
struct JoinedPoints {
    std::vector<SbVec3f> positions;   // each distinct position once, in order of first use
    std::vector<int32_t> index;       // for every input point, its position's index
};

// Joins points whose three coordinates are equal (0 and -0 count as equal;
// a NaN joins only a NaN of the same bits). Files keep corners that share a
// position apart when their normals or texture coordinates differ (a cube in
// STL has 36 corners for 8 positions); the mesh builder joins vertices by
// coordinate index, so it only sees the connectivity after this.
void joinPoints(const aiVector3D* points, size_t count, JoinedPoints& out);

// Triangles to put into strips, three entries per triangle.
struct StripTriangles {
    std::vector<int32_t> positions;   // position number of each corner
    std::vector<int32_t> normalKey;   // empty, or a number per corner: equal numbers, equal normals
};

// Orders triangles into triangle strips, greedily: each strip starts at the
// first triangle not yet placed and grows while a triangle not yet placed
// shares its last edge, runs along it the other way (so that every triangle
// keeps its orientation) and has the same normal keys at the shared
// corners. Fills out with the corner numbers (3 * triangle + corner) of
// each strip, each strip followed by -1; every triangle appears once.
// Triangles with a repeated position are strips of their own. Positions
// must lie below positionCount.
void makeStrips(const StripTriangles& triangles, size_t positionCount, std::vector<int32_t>& out);

// What convertScene made.
struct SceneConversion {
    SoSeparator* root = nullptr;   // reference count 0; null when triangles == 0
    int64_t triangles = 0;         // in the meshes the node tree uses, each mesh counted once
    int64_t skipped = 0;           // triangles dropped for a corner that is not finite
};

// Converts the node tree: a separator per node, an SbMatrix transform where
// the node's transformation is not the identity, and below it the node's
// meshes and then its children. A mesh used by several nodes is one
// separator shared by all of them. Each mesh becomes coordinates, normals
// when it has them (indexed by the file's own corner numbers), and an
// indexed triangle-strip set of its triangles put into strips by
// makeStrips. Points, lines, faces that are not triangles and triangles
// with an index out of range or a corner that is not finite are left out.
// Expects what modelImportFlags makes of a file, but takes any scene.
SceneConversion convertScene(const aiScene& scene);

} // namespace Quillmap

#endif // QUILLMAP_MODELIMPORT_H
