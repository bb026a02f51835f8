// One Doo-Sabin step of CGAL's subdivision package, timed without the build
// of its input.

#include "CgalDooSabinPeer.h"

#include <CGAL/Simple_cartesian.h>
#include <CGAL/Subdivision_method_3/subdivision_methods_3.h>
#include <CGAL/Surface_mesh.h>

#include <chrono>

double cgalDooSabinStep(const std::vector<double>& points, const std::vector<int32_t>& triangles, int64_t& faces)
{
    typedef CGAL::Simple_cartesian<double> Kernel;
    typedef CGAL::Surface_mesh<Kernel::Point_3> Mesh;
    Mesh mesh;
    std::vector<Mesh::Vertex_index> vertex;
    vertex.reserve(points.size() / 3);
    for (size_t i = 0; i + 2 < points.size(); i += 3)
        vertex.push_back(mesh.add_vertex(Kernel::Point_3(points[i], points[i + 1], points[i + 2])));
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
        mesh.add_face(vertex[size_t(triangles[i])], vertex[size_t(triangles[i + 1])], vertex[size_t(triangles[i + 2])]);
    const auto start = std::chrono::steady_clock::now();
    CGAL::Subdivision_method_3::DooSabin_subdivision(mesh, CGAL::parameters::number_of_iterations(1));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    faces = int64_t(mesh.number_of_faces());
    return took.count();
}
