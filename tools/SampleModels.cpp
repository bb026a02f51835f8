// Writes the sample models of models/: a sphere, a torus, a cube and a scene
// with two objects as Inventor 2.1 files, and the sphere once more as a VRML
// 2.0 file.
//
//   make_sample_models [directory]      (default: models)
//
// The winged-edge meshes are built only from indexed triangle-strip sets, so
// every model is written as IndexedTriangleStripSet nodes with a Coordinate3
// and per-vertex indexed normals (normalIndex spelled out, one entry per
// coordIndex entry, since the mesh builder takes normals only then).
//
// Coin reads a "#VRML V2.0 utf8" file's VRML nodes into its SoVRML* classes,
// which the mesh builder does not search (a VRML IndexedFaceSet builds no
// mesh), but it reads Inventor nodes in such a file as themselves. The VRML
// file therefore wraps the sphere's Inventor strip set (coordinates and
// normals in its VertexProperty) in a VRML Group: it goes through the
// viewer's VRML loading path and still builds a mesh.
//
// Every triangle is written counter-clockwise seen from outside; the program
// checks that for each triangle before writing and fails otherwise. Output is
// deterministic (fixed tessellation, numbers printed with %.6g).

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../util/Vec.h"

namespace {

const double kPi = 3.14159265358979323846;

// For a surface point, a point inside the solid it is to be seen from: the
// outward side of a triangle is away from the inside point of its centroid.
typedef std::function<Vec3d(const Vec3d&)> InsideFn;

// One indexed triangle-strip set: coordinates, per-vertex normals (the
// normal of coordinate i, or of normalOf[i] when given per strip entry) and
// strips of coordinate indices.
struct StripModel {
    std::vector<Vec3d> points;
    std::vector<Vec3d> normals;
    std::vector<std::vector<int>> strips;
    std::vector<std::vector<int>> stripNormals; // parallel to strips
};

// The triangles of a strip in the order the renderer forms them: odd ones
// swap their first two corners, so all share the first one's winding.
std::vector<std::vector<int>> stripTriangles(const std::vector<int>& s)
{
    std::vector<std::vector<int>> out;
    for (size_t k = 0; k + 2 < s.size(); ++k) {
        if (k % 2 == 0)
            out.push_back({s[k], s[k + 1], s[k + 2]});
        else
            out.push_back({s[k + 1], s[k], s[k + 2]});
    }
    return out;
}

bool facesOutward(const StripModel& m, const std::vector<int>& t, const InsideFn& inside)
{
    const Vec3d& a = m.points[t[0]];
    const Vec3d& b = m.points[t[1]];
    const Vec3d& c = m.points[t[2]];
    const Vec3d n = cross(b - a, c - a);
    const Vec3d centroid = (1.0 / 3.0) * (a + b + c);
    return dot(n, centroid - inside(centroid)) > 0.0;
}

// Adds a strip, turned around when its first triangle faces inward:
// swapping neighbouring entries (0,1), (2,3), ... reverses the winding of a
// two-row band or of a single triangle.
void addStrip(StripModel& m, std::vector<int> s, const InsideFn& inside, std::vector<int> normalOf = {})
{
    if (!facesOutward(m, {s[0], s[1], s[2]}, inside)) {
        for (size_t i = 0; i + 1 < s.size(); i += 2) {
            std::swap(s[i], s[i + 1]);
            if (!normalOf.empty())
                std::swap(normalOf[i], normalOf[i + 1]);
        }
    }
    if (normalOf.empty())
        normalOf = s;
    m.strips.push_back(s);
    m.stripNormals.push_back(normalOf);
}

bool checkOutward(const StripModel& m, const InsideFn& inside, const char* name)
{
    for (const std::vector<int>& s : m.strips) {
        for (const std::vector<int>& t : stripTriangles(s)) {
            if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
                continue;
            if (!facesOutward(m, t, inside)) {
                std::fprintf(stderr, "make_sample_models: %s: triangle %d %d %d faces inward\n", name, t[0], t[1],
                             t[2]);
                return false;
            }
        }
    }
    return true;
}

// Sphere of the given radius around the origin, y up: a vertex at each pole,
// bands - 1 rings of segments vertices; the polar bands are single
// triangles, the others one strip each.
StripModel makeSphere(double radius, int bands, int segments)
{
    StripModel m;
    auto at = [&](double theta, double phi) {
        return Vec3d{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
    };
    m.points.push_back(radius * Vec3d{0.0, 1.0, 0.0});
    m.normals.push_back({0.0, 1.0, 0.0});
    for (int i = 1; i < bands; ++i) {
        for (int j = 0; j < segments; ++j) {
            const Vec3d n = at(kPi * i / bands, 2.0 * kPi * j / segments);
            m.points.push_back(radius * n);
            m.normals.push_back(n);
        }
    }
    const int south = static_cast<int>(m.points.size());
    m.points.push_back(radius * Vec3d{0.0, -1.0, 0.0});
    m.normals.push_back({0.0, -1.0, 0.0});

    auto ring = [&](int i, int j) { return 1 + (i - 1) * segments + (j % segments); };
    const InsideFn centre = [](const Vec3d&) { return Vec3d{0.0, 0.0, 0.0}; };
    for (int j = 0; j < segments; ++j)
        addStrip(m, {0, ring(1, j), ring(1, j + 1)}, centre);
    for (int i = 1; i + 1 < bands; ++i) {
        std::vector<int> s;
        for (int j = 0; j <= segments; ++j) {
            s.push_back(ring(i, j));
            s.push_back(ring(i + 1, j));
        }
        addStrip(m, s, centre);
    }
    for (int j = 0; j < segments; ++j)
        addStrip(m, {south, ring(bands - 1, j), ring(bands - 1, j + 1)}, centre);
    return m;
}

// Torus around the y axis: rings strips around the axis, each a band of
// sides + 1 vertex pairs around the tube.
StripModel makeTorus(double major, double minor, int rings, int sides)
{
    StripModel m;
    for (int i = 0; i < rings; ++i) {
        const double u = 2.0 * kPi * i / rings;
        const Vec3d radial{std::cos(u), 0.0, std::sin(u)};
        for (int j = 0; j < sides; ++j) {
            const double v = 2.0 * kPi * j / sides;
            const Vec3d n = std::cos(v) * radial + Vec3d{0.0, std::sin(v), 0.0};
            m.points.push_back(major * radial + minor * n);
            m.normals.push_back(n);
        }
    }
    const InsideFn tube = [major](const Vec3d& p) { return major * unitOrZero(Vec3d{p.x, 0.0, p.z}); };
    auto index = [&](int i, int j) { return (i % rings) * sides + (j % sides); };
    for (int i = 0; i < rings; ++i) {
        std::vector<int> s;
        for (int j = 0; j <= sides; ++j) {
            s.push_back(index(i, j));
            s.push_back(index(i + 1, j));
        }
        addStrip(m, s, tube);
    }
    return m;
}

// Axis-aligned cube of the given half size around the origin: 8 shared
// corners, one two-triangle strip per side, a normal per side (sharp edges).
StripModel makeCube(double half)
{
    StripModel m;
    for (int k = 0; k < 8; ++k)
        m.points.push_back({(k & 1) ? half : -half, (k & 2) ? half : -half, (k & 4) ? half : -half});
    // Each side: its normal and its corners in order around it.
    struct Side {
        Vec3d normal;
        int corner[4];
    };
    const Side sides[6] = {
        {{-1, 0, 0}, {0, 2, 6, 4}}, {{1, 0, 0}, {1, 5, 7, 3}}, {{0, -1, 0}, {0, 4, 5, 1}},
        {{0, 1, 0}, {2, 3, 7, 6}},  {{0, 0, -1}, {0, 1, 3, 2}}, {{0, 0, 1}, {4, 6, 7, 5}},
    };
    const InsideFn centre = [](const Vec3d&) { return Vec3d{0.0, 0.0, 0.0}; };
    for (int f = 0; f < 6; ++f) {
        const int n = static_cast<int>(m.normals.size());
        m.normals.push_back(sides[f].normal);
        const int* c = sides[f].corner;
        // c0 c3 c1 c2 covers the quad c0 c1 c2 c3 with the diagonal c3-c1.
        addStrip(m, {c[0], c[3], c[1], c[2]}, centre, {n, n, n, n});
    }
    return m;
}

std::string num(double v)
{
    if (std::fabs(v) < 5e-7)
        v = 0.0; // no "-0" or 1e-17 noise
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string vec(const Vec3d& v) { return num(v.x) + " " + num(v.y) + " " + num(v.z); }

// An index list with -1 after every strip, a few strips to a line.
std::string indexList(const std::vector<std::vector<int>>& strips, const std::string& indent)
{
    std::string out;
    std::string line;
    for (size_t s = 0; s < strips.size(); ++s) {
        for (int i : strips[s])
            line += std::to_string(i) + ", ";
        line += "-1";
        if (s + 1 < strips.size())
            line += ",";
        if (line.size() > 72 || s + 1 == strips.size()) {
            out += indent + line + "\n";
            line.clear();
        } else {
            line += " ";
        }
    }
    return out;
}

std::string pointList(const std::vector<Vec3d>& points, const std::string& indent)
{
    std::string out;
    for (size_t i = 0; i < points.size(); ++i)
        out += indent + vec(points[i]) + (i + 1 < points.size() ? ",\n" : "\n");
    return out;
}

// The nodes of one strip model in Inventor syntax, indented by indent.
std::string inventorNodes(const StripModel& m, const std::string& indent)
{
    const std::string in2 = indent + "  ";
    const std::string in3 = indent + "    ";
    std::string out;
    out += indent + "Coordinate3 {\n" + in2 + "point [\n" + pointList(m.points, in3) + in2 + "]\n" + indent + "}\n";
    out += indent + "Normal {\n" + in2 + "vector [\n" + pointList(m.normals, in3) + in2 + "]\n" + indent + "}\n";
    out += indent + "NormalBinding { value PER_VERTEX_INDEXED }\n";
    out += indent + "IndexedTriangleStripSet {\n";
    out += in2 + "coordIndex [\n" + indexList(m.strips, in3) + in2 + "]\n";
    out += in2 + "normalIndex [\n" + indexList(m.stripNormals, in3) + in2 + "]\n";
    out += indent + "}\n";
    return out;
}

std::string inventorHeader(const std::string& what)
{
    return "#Inventor V2.1 ascii\n\n# " + what + "; written by tools/SampleModels.cpp.\n\n";
}

std::string singleModel(const StripModel& m, const std::string& what)
{
    return inventorHeader(what) + "Separator {\n" + inventorNodes(m, "  ") + "}\n";
}

// The sphere in a VRML 2.0 file. Coin reads Inventor nodes inside a VRML 2.0
// file as the Inventor node classes, so the sphere keeps its
// IndexedTriangleStripSet (and builds a mesh) inside a VRML Group. Names that
// VRML 2.0 has too (Normal, Coordinate) would be read as the VRML nodes, so
// coordinates and normals go into the strip set's VertexProperty. That is a
// Coin extension: other VRML 2.0 browsers will not know these nodes.
std::string vrmlSphere(const StripModel& m)
{
    const std::string in = "          ";
    return "#VRML V2.0 utf8\n\n"
           "# Sphere, radius 1, 16 latitude bands of 32 segments, in triangle strips;\n"
           "# written by tools/SampleModels.cpp. A VRML 2.0 Group holding an Inventor\n"
           "# IndexedTriangleStripSet, which Coin reads; portable VRML 2.0 has no strips.\n\n"
           "Group {\n"
           "  children [\n"
           "    IndexedTriangleStripSet {\n"
           "      vertexProperty VertexProperty {\n"
           "        vertex [\n" +
           pointList(m.points, in) +
           "        ]\n"
           "        normal [\n" +
           pointList(m.normals, in) +
           "        ]\n"
           "        normalBinding PER_VERTEX_INDEXED\n"
           "      }\n"
           "      coordIndex [\n" +
           indexList(m.strips, "        ") +
           "      ]\n"
           "      normalIndex [\n" +
           indexList(m.stripNormals, "        ") +
           "      ]\n"
           "    }\n"
           "  ]\n"
           "}\n";
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "make_sample_models: could not write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "models";
    const InsideFn origin = [](const Vec3d&) { return Vec3d{0.0, 0.0, 0.0}; };
    const InsideFn tube = [](const Vec3d& p) { return unitOrZero(Vec3d{p.x, 0.0, p.z}); };

    const StripModel sphere = makeSphere(1.0, 16, 32);
    const StripModel torus = makeTorus(1.0, 0.35, 32, 16);
    const StripModel cube = makeCube(1.0);
    const StripModel smallSphere = makeSphere(1.0, 8, 16);
    if (!checkOutward(sphere, origin, "sphere") || !checkOutward(torus, tube, "torus") ||
        !checkOutward(cube, origin, "cube") || !checkOutward(smallSphere, origin, "small sphere"))
        return 1;

    const std::string twoObjects =
        inventorHeader("Two separate closed objects, a sphere and a cube moved beside it by a Transform") +
        "Separator {\n"
        "  Separator {\n" +
        inventorNodes(smallSphere, "    ") +
        "  }\n"
        "  Separator {\n"
        "    Transform { translation 3 0 0 }\n" +
        inventorNodes(cube, "    ") +
        "  }\n"
        "}\n";

    bool ok = true;
    ok &= writeFile(dir + "/sphere.iv",
                    singleModel(sphere, "Sphere, radius 1, 16 latitude bands of 32 segments, in triangle strips"));
    ok &= writeFile(dir + "/torus.iv",
                    singleModel(torus, "Torus, major radius 1, minor radius 0.35, 32 x 16 quads in triangle strips"));
    ok &= writeFile(dir + "/cube.iv",
                    singleModel(cube, "Cube with sharp edges, 8 shared corners, one two-triangle strip per side"));
    ok &= writeFile(dir + "/two_objects.iv", twoObjects);
    ok &= writeFile(dir + "/sphere.wrl", vrmlSphere(sphere));
    return ok ? 0 : 1;
}
