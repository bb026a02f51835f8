// CGAL's Doo-Sabin subdivision behind plain arrays, for the tests.

#include "modify/CgalDooSabin.h"

#include <CGAL/Simple_cartesian.h>
#include <CGAL/Subdivision_method_3/subdivision_methods_3.h>
#include <CGAL/Surface_mesh.h>

typedef CGAL::Simple_cartesian<double> Kernel;
typedef CGAL::Surface_mesh<Kernel::Point_3> Mesh;

std::string cgalDooSabin(const PolygonSoup& in, int steps, PolygonSoup& out)
{
    Mesh mesh;
    std::vector<Mesh::Vertex_index> index;
    for (const auto& p : in.points)
        index.push_back(mesh.add_vertex(Kernel::Point_3(p[0], p[1], p[2])));
    for (size_t f = 0; f < in.faces.size(); ++f) {
        std::vector<Mesh::Vertex_index> corners;
        for (int i : in.faces[f]) {
            if (i < 0 || size_t(i) >= index.size())
                return "face " + std::to_string(f) + " names point " + std::to_string(i) + " of " +
                       std::to_string(index.size());
            corners.push_back(index[size_t(i)]);
        }
        if (mesh.add_face(corners) == Mesh::null_face())
            return "face " + std::to_string(f) + " does not fit the mesh (orientation or manifoldness)";
    }
    CGAL::Subdivision_method_3::DooSabin_subdivision(mesh, CGAL::parameters::number_of_iterations(steps));

    out = PolygonSoup();
    std::vector<int> number(mesh.number_of_vertices() + mesh.number_of_removed_vertices(), -1);
    for (Mesh::Vertex_index v : mesh.vertices()) {
        const Kernel::Point_3& p = mesh.point(v);
        number[size_t(v)] = int(out.points.size());
        out.points.push_back({ p.x(), p.y(), p.z() });
    }
    for (Mesh::Face_index f : mesh.faces()) {
        std::vector<int> face;
        for (Mesh::Vertex_index v : CGAL::vertices_around_face(mesh.halfedge(f), mesh))
            face.push_back(number[size_t(v)]);
        out.faces.push_back(face);
    }
    return std::string();
}
