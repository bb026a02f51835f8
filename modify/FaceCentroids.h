#ifndef QUILLMAP_FACECENTROIDS_H
#define QUILLMAP_FACECENTROIDS_H

// The centroid of every face of a winged-edge mesh, as a per-face-id array.

#include <Inventor/SbVec3f.h>

#include <vector>

class WingedEdgeMesh;

// One entry per face id (length largest face id + 1): the average of the
// positions of the vertices around the face's boundary loop. Entries whose
// id belongs to no face, and faces without edges, hold (0,0,0). A face with a
// negative id is reported through SoDebugError and left out.
std::vector<SbVec3f> faceCentroids(const WingedEdgeMesh& mesh);

#endif // QUILLMAP_FACECENTROIDS_H
