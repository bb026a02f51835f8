#ifndef QUILLMAP_TESTS_MESHBUILDERS_H
#define QUILLMAP_TESTS_MESHBUILDERS_H

// Small generated meshes for tests and benchmarks, as the strip input the
// mesh builder takes.

#include <array>
#include <vector>

#include "wingededge/WingedEdge.h"

typedef std::array<int32_t, 3> Triangle;

// Every triangle as a strip of its own (three corners), normals = 0 with a
// normal index list of zeros.
StripInput stripsFromTriangles(const std::vector<SbVec3f>& points, const std::vector<Triangle>& triangles);

// Unit cube around the origin, twelve separate triangles sharing the eight
// corner indices. With mixedOrientation every other triangle is listed
// clockwise, so the builder has to orient them.
StripInput makeCube(bool mixedOrientation = false);

// Regular tetrahedron around the origin, four separate triangles.
StripInput makeTetrahedron(void);

// Sphere of the given radius around the origin: rows latitude bands, each
// band between two rings one long strip (closed around by index), the two
// pole caps as single triangles. 2 * columns * (rows - 1) triangles; normals
// are the unit radial directions with normalIndex = coordIndex.
StripInput makeSphere(int rows, int columns, float radius = 1.0f);

// Flat n x n grid of quads in the z = 0 plane, one strip per row.
StripInput makeGrid(int n);

// Number of triangles of the input whose three coordinate indices differ.
int countNonDegenerateTriangles(const StripInput& in);

// Builds the input into a fresh list and returns its only mesh.
WingedEdgeMesh& buildSingle(WingedEdgeList& list, const StripInput& in, int32_t objectIndex = 0);

#endif // QUILLMAP_TESTS_MESHBUILDERS_H
