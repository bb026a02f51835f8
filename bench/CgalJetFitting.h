#ifndef QUILLMAP_BENCH_CGALJETFITTING_H
#define QUILLMAP_BENCH_CGALJETFITTING_H

// Principal curvatures by CGAL's jet fitting, behind a plain interface so
// that only one translation unit of the benchmark compiles CGAL and Eigen.

#include <cstddef>

// Fits a degree 2 jet and reads a degree 2 Monge form at the first of the
// `count` points (x, y, z triples), with the normal turned to agree with
// `normal`. Curvatures are returned in Quillmap's convention: positive where
// the surface bends away from the normal, kmax >= kmin. Needs at least six
// points; returns false (and leaves kmax, kmin alone) with fewer.
bool jetPrincipalCurvatures(const double* xyz, size_t count, const double normal[3], double& kmax, double& kmin);

#endif // QUILLMAP_BENCH_CGALJETFITTING_H
