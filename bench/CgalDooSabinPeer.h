#ifndef QUILLMAP_BENCH_CGALDOOSABINPEER_H
#define QUILLMAP_BENCH_CGALDOOSABINPEER_H

// One Doo-Sabin step of CGAL's subdivision package on a triangle mesh, kept
// in a translation unit of its own so that only it compiles CGAL.

#include <cstdint>
#include <vector>

// Builds a CGAL surface mesh from the points (x, y, z one after another)
// and triangles (three point indices each), untimed, runs one Doo-Sabin
// step and returns its seconds; `faces` receives the faces it made.
double cgalDooSabinStep(const std::vector<double>& points, const std::vector<int32_t>& triangles, int64_t& faces);

#endif // QUILLMAP_BENCH_CGALDOOSABINPEER_H
