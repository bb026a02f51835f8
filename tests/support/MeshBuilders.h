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

// Geodesic sphere of the given radius around the origin: a regular
// icosahedron whose triangles are each split into four, subdivisions times,
// with the new points pushed out onto the sphere. 10 * 4^s + 2 vertices; the
// twelve original corners have five neighbours, every other vertex six.
StripInput makeIcosphere(int subdivisions, float radius = 1.0f);

// Regular octahedron with its corners on the axes at the given distance:
// every vertex has four neighbours.
StripInput makeOctahedron(float radius = 1.0f);

// Open tube of the given radius around the z axis from z = -height/2 to
// height/2: rings + 1 rings of `segments` points, each quad split along the
// same diagonal (interior vertices have six neighbours), no caps, so both
// rims are boundaries.
StripInput makeCylinder(int rings, int segments, float radius, float height);

// Torus around the z axis: majorSegments steps around the axis, minorSegments
// around the tube, tube centre circle of radius major, tube radius minor.
// Point (i, j) is at index i * minorSegments + j, at angles u = 2πi/major
// segments and v = 2πj/minorSegments: ((major + minor cos v) cos u,
// (major + minor cos v) sin u, minor sin v).
StripInput makeTorus(int majorSegments, int minorSegments, float major, float minor);

// A centre point (index 0) joined to the ring points (indices 1..k) by
// triangles (0, i, i+1); with `closed` also (0, k, 1), so the centre has a
// closed fan.
StripInput makeFan(const SbVec3f& centre, const std::vector<SbVec3f>& ring, bool closed);

// Records that construction never makes, added to a built mesh: a vertex
// without edges, and an edge between two new vertices with no face on
// either side. New ids continue after the mesh's largest ones; the counts
// are updated. Return the new vertex (the lone edge's start vertex).
WEVertex& addIsolatedVertex(WingedEdgeMesh& mesh, const SbVec3f& position);
WEVertex& addLoneEdge(WingedEdgeMesh& mesh, const SbVec3f& start, const SbVec3f& end);

// Number of triangles of the input whose three coordinate indices differ.
int countNonDegenerateTriangles(const StripInput& in);

// Builds the input into a fresh list and returns its only mesh.
WingedEdgeMesh& buildSingle(WingedEdgeList& list, const StripInput& in, int32_t objectIndex = 0);

#endif // QUILLMAP_TESTS_MESHBUILDERS_H
