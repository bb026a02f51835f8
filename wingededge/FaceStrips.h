#ifndef QUILLMAP_FACESTRIPS_H
#define QUILLMAP_FACESTRIPS_H

// Triangle strips that cover every face of a mesh exactly once, each
// triangle counter-clockwise when seen from the side its face normal points
// to (the reverse of the face's edge cycle), as OpenGL's GL_TRIANGLE_STRIP
// decodes them.
//
// Strips grow greedily across shared edges: a strip starts at the first face
// not yet emitted, turned so that its last edge leads to a triangle not yet
// emitted, and continues through the triangle across its last two vertices
// for as long as there is one. Neighbours across an edge are oriented alike
// (an edge's left face runs along it, its right face against it), so the
// alternating strip winding matches them without checks. A face with more
// than three corners (merged faces) is a strip of its own, its corners in
// zig-zag order, which covers a convex polygon.

#include <cstdint>
#include <vector>

#include "wingededge/WingedEdge.h"

struct FaceStrips {
    // The strips one after another; stripLengths says how many vertices
    // each takes.
    std::vector<const WEVertex*> vertices;
    std::vector<int32_t> stripLengths;
    // The face of every triangle, in the order the strips decode them.
    std::vector<const WEFace*> faces;

    int32_t triangleCount(void) const;
};

FaceStrips growFaceStrips(const WingedEdgeMesh& mesh);

// The face's corners counter-clockwise seen from its normal side. Empty for
// a face whose edge cycle is broken.
void frontCorners(const WEFace& face, std::vector<const WEVertex*>& corners);

#endif // QUILLMAP_FACESTRIPS_H
