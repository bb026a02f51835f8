// Small generated meshes for tests and benchmarks.

#include "support/MeshBuilders.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

StripInput stripsFromTriangles(const std::vector<SbVec3f>& points, const std::vector<Triangle>& triangles)
{
    StripInput in;
    in.coordinates = points;
    in.normals.assign(1, SbVec3f(0.0f, 0.0f, 0.0f));
    for (const Triangle& t : triangles) {
        in.coordIndex.insert(in.coordIndex.end(), t.begin(), t.end());
        in.normalIndex.insert(in.normalIndex.end(), 3, 0);
        in.stripLengths.push_back(3);
    }
    return in;
}

StripInput makeCube(bool mixedOrientation)
{
    std::vector<SbVec3f> corners;
    for (int i = 0; i < 8; ++i)
        corners.emplace_back((i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f);
    // Two triangles per side, counter-clockwise seen from outside.
    std::vector<Triangle> triangles = {
        { 0, 2, 3 }, { 0, 3, 1 }, // z = -0.5
        { 4, 5, 7 }, { 4, 7, 6 }, // z = +0.5
        { 0, 1, 5 }, { 0, 5, 4 }, // y = -0.5
        { 2, 6, 7 }, { 2, 7, 3 }, // y = +0.5
        { 0, 4, 6 }, { 0, 6, 2 }, // x = -0.5
        { 1, 3, 7 }, { 1, 7, 5 }, // x = +0.5
    };
    if (mixedOrientation)
        for (size_t i = 0; i < triangles.size(); i += 2)
            std::swap(triangles[i][1], triangles[i][2]);
    return stripsFromTriangles(corners, triangles);
}

StripInput makeTetrahedron(void)
{
    const std::vector<SbVec3f> corners = { SbVec3f(1, 1, 1), SbVec3f(1, -1, -1), SbVec3f(-1, 1, -1),
                                           SbVec3f(-1, -1, 1) };
    return stripsFromTriangles(corners, { { 0, 1, 2 }, { 0, 3, 1 }, { 0, 2, 3 }, { 1, 3, 2 } });
}

StripInput makeSphere(int rows, int columns, float radius)
{
    StripInput in;
    const double pi = std::acos(-1.0);
    // Index 0 is the north pole, 1 the south pole, then rows - 1 rings.
    auto ring = [&](int r, int c) { return 2 + (r - 1) * columns + (c % columns); };
    auto add = [&](double theta, double phi) {
        const SbVec3f n(float(std::sin(theta) * std::cos(phi)), float(std::sin(theta) * std::sin(phi)),
                        float(std::cos(theta)));
        in.coordinates.push_back(n * radius);
        in.normals.push_back(n);
    };
    add(0.0, 0.0);
    add(pi, 0.0);
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            add(pi * r / rows, 2.0 * pi * c / columns);

    auto strip = [&](const std::vector<int32_t>& corners) {
        in.coordIndex.insert(in.coordIndex.end(), corners.begin(), corners.end());
        in.normalIndex.insert(in.normalIndex.end(), corners.begin(), corners.end());
        in.stripLengths.push_back(int32_t(corners.size()));
    };
    for (int c = 0; c < columns; ++c) {
        strip({ 0, ring(1, c), ring(1, c + 1) });
        strip({ 1, ring(rows - 1, c + 1), ring(rows - 1, c) });
    }
    for (int r = 1; r + 1 < rows; ++r) {
        std::vector<int32_t> corners;
        for (int c = 0; c <= columns; ++c) {
            corners.push_back(ring(r, c));
            corners.push_back(ring(r + 1, c));
        }
        strip(corners);
    }
    return in;
}

StripInput makeGrid(int n)
{
    StripInput in;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            in.coordinates.emplace_back(float(x), float(y), 0.0f);
    in.normals.assign(1, SbVec3f(0.0f, 0.0f, 1.0f));
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x <= n; ++x) {
            in.coordIndex.push_back((y + 1) * (n + 1) + x);
            in.coordIndex.push_back(y * (n + 1) + x);
        }
        in.stripLengths.push_back(2 * (n + 1));
    }
    in.normalIndex.assign(in.coordIndex.size(), 0);
    return in;
}

StripInput makeIcosphere(int subdivisions, float radius)
{
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<std::array<double, 3>> points = {
        { -1, t, 0 }, { 1, t, 0 }, { -1, -t, 0 }, { 1, -t, 0 }, { 0, -1, t }, { 0, 1, t },
        { 0, -1, -t }, { 0, 1, -t }, { t, 0, -1 }, { t, 0, 1 }, { -t, 0, -1 }, { -t, 0, 1 },
    };
    std::vector<Triangle> triangles = {
        { 0, 11, 5 }, { 0, 5, 1 }, { 0, 1, 7 }, { 0, 7, 10 }, { 0, 10, 11 }, { 1, 5, 9 }, { 5, 11, 4 },
        { 11, 10, 2 }, { 10, 7, 6 }, { 7, 1, 8 }, { 3, 9, 4 }, { 3, 4, 2 }, { 3, 2, 6 }, { 3, 6, 8 },
        { 3, 8, 9 }, { 4, 9, 5 }, { 2, 4, 11 }, { 6, 2, 10 }, { 8, 6, 7 }, { 9, 8, 1 },
    };
    auto project = [](std::array<double, 3> p) {
        const double l = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        return std::array<double, 3>{ p[0] / l, p[1] / l, p[2] / l };
    };
    for (auto& p : points)
        p = project(p);
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int32_t, int32_t>, int32_t> midpoints;
        auto midpoint = [&](int32_t a, int32_t b) {
            const std::pair<int32_t, int32_t> key(std::min(a, b), std::max(a, b));
            auto found = midpoints.find(key);
            if (found != midpoints.end())
                return found->second;
            const auto& pa = points[size_t(a)];
            const auto& pb = points[size_t(b)];
            points.push_back(project({ pa[0] + pb[0], pa[1] + pb[1], pa[2] + pb[2] }));
            const int32_t index = int32_t(points.size() - 1);
            midpoints[key] = index;
            return index;
        };
        std::vector<Triangle> finer;
        for (const Triangle& tri : triangles) {
            const int32_t ab = midpoint(tri[0], tri[1]), bc = midpoint(tri[1], tri[2]), ca = midpoint(tri[2], tri[0]);
            finer.push_back({ tri[0], ab, ca });
            finer.push_back({ tri[1], bc, ab });
            finer.push_back({ tri[2], ca, bc });
            finer.push_back({ ab, bc, ca });
        }
        triangles.swap(finer);
    }
    std::vector<SbVec3f> positions;
    for (const auto& p : points)
        positions.emplace_back(float(p[0] * radius), float(p[1] * radius), float(p[2] * radius));
    return stripsFromTriangles(positions, triangles);
}

StripInput makeOctahedron(float radius)
{
    const std::vector<SbVec3f> corners = { SbVec3f(radius, 0, 0), SbVec3f(-radius, 0, 0), SbVec3f(0, radius, 0),
                                           SbVec3f(0, -radius, 0), SbVec3f(0, 0, radius), SbVec3f(0, 0, -radius) };
    return stripsFromTriangles(corners, { { 4, 0, 2 }, { 4, 2, 1 }, { 4, 1, 3 }, { 4, 3, 0 },
                                          { 5, 2, 0 }, { 5, 1, 2 }, { 5, 3, 1 }, { 5, 0, 3 } });
}

StripInput makeCylinder(int rings, int segments, float radius, float height)
{
    const double pi = std::acos(-1.0);
    std::vector<SbVec3f> points;
    for (int k = 0; k <= rings; ++k)
        for (int s = 0; s < segments; ++s) {
            const double phi = 2.0 * pi * s / segments;
            points.emplace_back(float(radius * std::cos(phi)), float(radius * std::sin(phi)),
                                float(height * (double(k) / rings - 0.5)));
        }
    auto at = [segments](int k, int s) { return int32_t(k * segments + (s % segments)); };
    std::vector<Triangle> triangles;
    for (int k = 0; k < rings; ++k)
        for (int s = 0; s < segments; ++s) {
            triangles.push_back({ at(k, s), at(k, s + 1), at(k + 1, s + 1) });
            triangles.push_back({ at(k, s), at(k + 1, s + 1), at(k + 1, s) });
        }
    return stripsFromTriangles(points, triangles);
}

StripInput makeTorus(int majorSegments, int minorSegments, float major, float minor)
{
    const double pi = std::acos(-1.0);
    std::vector<SbVec3f> points;
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j) {
            const double u = 2.0 * pi * i / majorSegments, v = 2.0 * pi * j / minorSegments;
            const double ring = major + minor * std::cos(v);
            points.emplace_back(float(ring * std::cos(u)), float(ring * std::sin(u)), float(minor * std::sin(v)));
        }
    auto at = [=](int i, int j) { return int32_t((i % majorSegments) * minorSegments + (j % minorSegments)); };
    std::vector<Triangle> triangles;
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j) {
            triangles.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1) });
            triangles.push_back({ at(i, j), at(i + 1, j + 1), at(i, j + 1) });
        }
    return stripsFromTriangles(points, triangles);
}

StripInput makeFan(const SbVec3f& centre, const std::vector<SbVec3f>& ring, bool closed)
{
    std::vector<SbVec3f> points = { centre };
    points.insert(points.end(), ring.begin(), ring.end());
    const int32_t k = int32_t(ring.size());
    std::vector<Triangle> triangles;
    for (int32_t i = 1; i < k; ++i)
        triangles.push_back({ 0, i, i + 1 });
    if (closed && k > 2)
        triangles.push_back({ 0, k, 1 });
    return stripsFromTriangles(points, triangles);
}

namespace {

int32_t largestVertexId(const WingedEdgeMesh& mesh)
{
    int32_t largest = -1;
    for (const WEVertex& v : mesh.vertices)
        largest = std::max(largest, v.id);
    return largest;
}

WEVertex& appendVertex(WingedEdgeMesh& mesh, const SbVec3f& position)
{
    const int32_t id = largestVertexId(mesh) + 1;
    mesh.vertices.emplace_back();
    WEVertex& v = mesh.vertices.back();
    v.id = id;
    v.objectIndex = mesh.objectIndex;
    v.position = position;
    mesh.vertexCount = id + 1;
    return v;
}

} // namespace

WEVertex& addIsolatedVertex(WingedEdgeMesh& mesh, const SbVec3f& position)
{
    return appendVertex(mesh, position);
}

WEVertex& addLoneEdge(WingedEdgeMesh& mesh, const SbVec3f& start, const SbVec3f& end)
{
    WEVertex& a = appendVertex(mesh, start);
    WEVertex& b = appendVertex(mesh, end);
    int32_t largest = -1;
    for (const WEEdge& e : mesh.edges)
        largest = std::max(largest, e.id);
    mesh.edges.emplace_back();
    WEEdge& e = mesh.edges.back();
    e.id = largest + 1;
    e.objectIndex = mesh.objectIndex;
    e.startVertex = &a;
    e.endVertex = &b;
    // Without faces the wings have nowhere else to go: they name the edge itself.
    e.leftNext = e.leftPrev = e.rightNext = e.rightPrev = &e;
    a.edges.push_back(&e);
    b.edges.push_back(&e);
    mesh.edgeCount = int32_t(mesh.edges.size());
    return a;
}

int countNonDegenerateTriangles(const StripInput& in)
{
    int count = 0;
    size_t start = 0;
    for (int32_t length : in.stripLengths) {
        for (int32_t j = 2; j < length; ++j) {
            const int32_t a = in.coordIndex[start + j - 2], b = in.coordIndex[start + j - 1],
                          c = in.coordIndex[start + j];
            count += (a != b && b != c && a != c) ? 1 : 0;
        }
        start += size_t(length);
    }
    return count;
}

WingedEdgeMesh& buildSingle(WingedEdgeList& list, const StripInput& in, int32_t objectIndex)
{
    list.clear();
    WingedEdgeMesh::buildFromStrips(list, objectIndex, in);
    return list.meshes.back();
}
