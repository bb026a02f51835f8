#ifndef QUILLMAP_TESTS_CGALDOOSABIN_H
#define QUILLMAP_TESTS_CGALDOOSABIN_H

// CGAL's Doo-Sabin subdivision behind plain arrays, as an independent
// reference for the tests. Only CgalDooSabin.cpp includes CGAL.

#include <array>
#include <string>
#include <vector>

// A polygon mesh as arrays: faces list point indices counter-clockwise seen
// from the side their normal points to (CGAL's and OpenMesh's convention).
struct PolygonSoup {
    std::vector<std::array<double, 3>> points;
    std::vector<std::vector<int>> faces;
};

// Runs CGAL's Subdivision_method_3::DooSabin_subdivision `steps` times on a
// mesh built from `in` and writes the result to `out`. Returns an empty
// string, or what went wrong (input CGAL cannot build into a mesh).
std::string cgalDooSabin(const PolygonSoup& in, int steps, PolygonSoup& out);

#endif // QUILLMAP_TESTS_CGALDOOSABIN_H
