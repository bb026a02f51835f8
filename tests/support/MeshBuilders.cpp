// Small generated meshes for tests and benchmarks.

#include "support/MeshBuilders.h"

#include <cmath>

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
