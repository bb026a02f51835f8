#ifndef QUILLMAP_TRIANGLESUBDIVISION_H
#define QUILLMAP_TRIANGLESUBDIVISION_H

// The per-mesh sequence of the Loop and Modified Butterfly schemes, split
// into its stages so that a caller can check a face budget before each step:
//
//     beginTriangleSteps(mesh);
//     for (int i = 0; i < steps; ++i) {
//         if (facesAfterTriangleStep(mesh) > budget) break;
//         triangleStep(mesh, scheme, smoothing, adaptive, i, criterion, threshold, viewVolume);
//     }
//     endTriangleSteps(mesh);
//
// loopOrButterflySteps runs the whole sequence without a budget.

#include <cstdint>

class SbViewVolume;
class WingedEdgeMesh;

// Triangulates the mesh and renumbers its records densely.
void beginTriangleSteps(WingedEdgeMesh& mesh);

// One step: with `adaptive`, marks the faces by `criterion` / `threshold`
// (degrees for criterion 0) / `viewVolume` for step number `step`, then
// subdivides with `scheme` (WingedEdgeMesh::LOOP or BUTTERFLY).
void triangleStep(WingedEdgeMesh& mesh, int scheme, bool smoothing, bool adaptive, int step, int criterion,
                  double threshold, const SbViewVolume* viewVolume);

// Recomputes the face normals, then the vertex normals.
void endTriangleSteps(WingedEdgeMesh& mesh);

// The faces the mesh has after one more step at most: four per triangle
// (an adaptive step splits at most every face into four). A face of n > 3
// edges counts as the n - 2 triangles triangulation would make of it.
int64_t facesAfterTriangleStep(const WingedEdgeMesh& mesh);

// begin, `steps` steps, end.
void loopOrButterflySteps(WingedEdgeMesh& mesh, int scheme, bool smoothing, bool adaptive, int steps,
                          int criterion, double threshold, const SbViewVolume* viewVolume);

#endif // QUILLMAP_TRIANGLESUBDIVISION_H
