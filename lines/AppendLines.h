#ifndef QUILLMAP_APPENDLINES_H
#define QUILLMAP_APPENDLINES_H

// Adding line strips to the lines already in the traversal state, as nodes
// that produce lines do: the incoming coordinates and index list are copied
// unchanged and the new ones follow them.

#include <cstdint>
#include <vector>

#include <Inventor/SbVec3f.h>

class SoMFInt32;
class SoMFVec3f;
class SoNode;
class SoState;

// Fills `coordinates` with the coordinates in force followed by `points`, and
// `indices` with the line index list in force followed by `strips`, whose
// indices count from the first of `points` (they are shifted behind the
// incoming coordinates; -1 separators stay). Then sets the coordinate and
// line index elements for `node` to the two fields, which the node keeps.
void appendLines(SoState* state, SoNode* node, const std::vector<SbVec3f>& points, const std::vector<int32_t>& strips,
                 SoMFVec3f& coordinates, SoMFInt32& indices);

#endif // QUILLMAP_APPENDLINES_H
