#ifndef QUILLMAP_EDGELINECACHE_H
#define QUILLMAP_EDGELINECACHE_H

// The edges of the meshes as line strips for the line-stylization chain:
// every edge a strip of two indices, every mesh vertex that an edge uses
// stored once. The numbering is built once per change of the meshes; the
// shape node appends it behind the lines already in the traversal state.

#include <cstdint>
#include <vector>

#include <Inventor/SbVec3f.h>

class WingedEdgeList;

class EdgeLineCache {
public:
    // Numbers the vertices of the edges that pass the filter (all edges, or
    // with onlyFlagged those whose flags word is non-zero), meshes in list
    // order, each edge's start vertex before its end vertex.
    void rebuild(const WingedEdgeList& list, bool onlyFlagged);

    // Positions of the numbered vertices, in numbering order.
    const std::vector<SbVec3f>& coordinates(void) const { return points; }
    // Two indices and -1 per edge, into coordinates().
    const std::vector<int32_t>& indices(void) const { return strips; }

private:
    std::vector<SbVec3f> points;
    std::vector<int32_t> strips;
};

#endif // QUILLMAP_EDGELINECACHE_H
