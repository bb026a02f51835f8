// Tests of the curvature estimates: analytic surfaces (sphere, cylinder,
// torus, plane, small polyhedra), seeded random fans against a reference fit
// computed here, the derived indices, the mode dispatch, and degenerate
// input that must still give finite values.

#include <gtest/gtest.h>

#include "modify/Curvature.h"
#include "support/DenseReference.h"
#include "modify/FaceCentroids.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

typedef std::array<double, 3> V3;

V3 v3(const SbVec3f& v) { return { v[0], v[1], v[2] }; }
V3 operator-(const V3& a, const V3& b) { return { a[0] - b[0], a[1] - b[1], a[2] - b[2] }; }
V3 operator+(const V3& a, const V3& b) { return { a[0] + b[0], a[1] + b[1], a[2] + b[2] }; }
V3 operator*(double s, const V3& a) { return { s * a[0], s * a[1], s * a[2] }; }
double dot3(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm3(const V3& a) { return std::sqrt(dot3(a, a)); }
V3 unit3(const V3& a) { return (1.0 / norm3(a)) * a; }

bool finite(const SbVec3f& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

const WEVertex& vertexAt(const WingedEdgeMesh& mesh, const SbVec3f& position)
{
    for (const WEVertex& v : mesh.vertices)
        if (v.position == position)
            return v;
    ADD_FAILURE() << "no vertex at " << position[0] << " " << position[1] << " " << position[2];
    return mesh.vertices.front();
}

// Every modes' values and the estimate of every vertex are finite; the
// directions are unit vectors.
void expectAllFinite(const WingedEdgeMesh& mesh, const char* what)
{
    for (const WEVertex& v : mesh.vertices) {
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        EXPECT_TRUE(std::isfinite(k.kmax) && std::isfinite(k.kmin)) << what << ", vertex " << v.id;
        EXPECT_TRUE(finite(k.dmax) && finite(k.dmin)) << what << ", vertex " << v.id;
        EXPECT_NEAR(k.dmax.length(), 1.0, 1e-5) << what << ", vertex " << v.id;
        EXPECT_NEAR(k.dmin.length(), 1.0, 1e-5) << what << ", vertex " << v.id;
        EXPECT_GE(k.kmax, k.kmin) << what << ", vertex " << v.id;
    }
    for (int mode : { 1, 2, 3, 4, 5, 7, 8, 9 }) {
        for (double threshold : { -1.0, 0.0, 0.01 }) {
            const auto values = curvatureValues(mesh, mode, threshold);
            ASSERT_TRUE(values.has_value()) << what << ", mode " << mode;
            for (const WEVertex& v : mesh.vertices)
                EXPECT_TRUE(std::isfinite((*values)[size_t(v.id)]))
                    << what << ", mode " << mode << ", threshold " << threshold << ", vertex " << v.id;
        }
    }
}

StripInput rotated(StripInput in, const SbRotation& rotation)
{
    for (SbVec3f& p : in.coordinates)
        rotation.multVec(SbVec3f(p), p);
    return in;
}

} // namespace

// --- analytic surfaces -----------------------------------------------------------

TEST(Curvature, SphereHasInverseRadiusAtEveryVertex)
{
    const float radius = 10.0f;
    const double expected = 1.0 / radius;
    struct Case {
        const char* name;
        StripInput input;
    };
    const Case cases[] = { { "geodesic sphere", makeIcosphere(4, radius) },
                           { "latitude-longitude sphere", makeSphere(40, 80, radius) } };
    for (const Case& c : cases) {
        WingedEdgeList list;
        const WingedEdgeMesh& mesh = buildSingle(list, c.input);
        const auto mean = curvatureValues(mesh, CURVATURE_MEAN, 0.0);
        const auto shape = curvatureValues(mesh, CURVATURE_SHAPE_INDEX, 0.0);
        ASSERT_TRUE(mean && shape);
        int direct = 0;
        for (const WEVertex& v : mesh.vertices) {
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            EXPECT_NEAR(k.kmax, expected, 0.05 * expected) << c.name << ", vertex " << v.id;
            EXPECT_NEAR(k.kmin, expected, 0.05 * expected) << c.name << ", vertex " << v.id;
            EXPECT_EQ(shapeIndex(k.kmax, k.kmin), 1.0) << c.name << ", vertex " << v.id;
            EXPECT_EQ((*shape)[size_t(v.id)], 1.0) << c.name << ", vertex " << v.id;
            EXPECT_NEAR((*mean)[size_t(v.id)], expected, 0.05 * expected) << c.name << ", vertex " << v.id;
            // Five neighbours solve directly, more by least squares.
            const int neighbours = int(v.edges.size());
            EXPECT_EQ(k.rows, neighbours) << c.name << ", vertex " << v.id;
            EXPECT_EQ(k.solve, neighbours == 5 ? CurvatureSolve::DIRECT : CurvatureSolve::LEAST_SQUARES)
                << c.name << ", vertex " << v.id;
            direct += k.solve == CurvatureSolve::DIRECT ? 1 : 0;
            EXPECT_FALSE(k.openFan) << c.name << ", vertex " << v.id;
            // Directions are unit tangents.
            const V3 radial = unit3(v3(v.position));
            EXPECT_NEAR(std::fabs(dot3(v3(k.dmax), radial)), 0.0, 0.05) << c.name << ", vertex " << v.id;
            EXPECT_NEAR(std::fabs(dot3(v3(k.dmin), radial)), 0.0, 0.05) << c.name << ", vertex " << v.id;
            EXPECT_NEAR(k.dmax.length(), 1.0, 1e-5) << c.name << ", vertex " << v.id;
        }
        EXPECT_GT(direct, 0) << c.name << ": some vertices have five neighbours";
    }
}

// kmax = 1/r around the axis and kmin = 0 along it, inside and on both rims.
// A rim vertex has an open fan of four neighbours on one side (a
// minimum-norm fit over their true angles), and its fit is as good as an
// inner one: both are off by the chord error of the tessellation itself,
// about φ²/4 for segments φ = 2π/40 apart (0.62% inside, 0.59% on the rims).
TEST(Curvature, CylinderInsideAndOnItsRims)
{
    const float radius = 2.0f, height = 6.0f;
    const int rings = 30;
    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, makeCylinder(rings, 40, radius, height));
    const double expected = 1.0 / radius;
    const double ringSpacing = height / rings;
    int inner = 0, rim = 0;
    for (const WEVertex& v : mesh.vertices) {
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        const V3 radial = unit3({ v.position[0], v.position[1], 0.0 });
        ASSERT_GT(dot3(v3(v.normal), radial), 0.9) << "normals point out, vertex " << v.id;
        const bool onRim = std::fabs(v.position[2]) > height / 2 - 0.5 * ringSpacing;
        (onRim ? rim : inner) += 1;
        EXPECT_EQ(k.openFan, onRim) << "vertex " << v.id;
        if (onRim) {
            EXPECT_EQ(k.solve, CurvatureSolve::MINIMUM_NORM) << "vertex " << v.id;
        }
        EXPECT_NEAR(k.kmax, expected, 0.007 * expected) << "vertex " << v.id << (onRim ? " on a rim" : "");
        EXPECT_NEAR(k.kmin, 0.0, 0.001 * expected) << "vertex " << v.id << (onRim ? " on a rim" : "");
        EXPECT_NEAR(shapeIndex(k.kmax, k.kmin), 0.5, 0.035) << "vertex " << v.id;
        EXPECT_NEAR(std::fabs(k.dmin[2]), 1.0, 0.01) << "kmin runs along the axis, vertex " << v.id;
        EXPECT_NEAR(k.dmax[2], 0.0, 0.1) << "kmax runs around, vertex " << v.id;
    }
    EXPECT_EQ(rim, 80);
    EXPECT_EQ(inner, 29 * 40);
}

TEST(Curvature, FlatGridIsZeroEverywhere)
{
    WingedEdgeList list;
    const WingedEdgeMesh& mesh = buildSingle(list, makeGrid(8));
    for (const WEVertex& v : mesh.vertices) {
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        EXPECT_EQ(k.kmax, 0.0) << "vertex " << v.id;
        EXPECT_EQ(k.kmin, 0.0) << "vertex " << v.id;
        EXPECT_EQ(shapeIndex(k.kmax, k.kmin), 0.0) << "vertex " << v.id;
        EXPECT_EQ(foldIndex(k.kmax, k.kmin), 0.0) << "vertex " << v.id;
        // All neighbours in the tangent plane: the fit is exactly isotropic
        // (D = 0 with a vanishing linear term), and the directions are two
        // orthogonal unit tangents.
        EXPECT_EQ(k.outcome, CurvatureOutcome::DEGENERATE) << "vertex " << v.id;
        EXPECT_NEAR(k.dmax.length(), 1.0, 1e-6) << "vertex " << v.id;
        EXPECT_NEAR(k.dmin.length(), 1.0, 1e-6) << "vertex " << v.id;
        EXPECT_NEAR(k.dmax.dot(k.dmin), 0.0, 1e-6) << "vertex " << v.id;
        EXPECT_EQ(k.dmax[2], 0.0) << "vertex " << v.id;
        EXPECT_EQ(k.dmin[2], 0.0) << "vertex " << v.id;
    }
    for (int mode : { 1, 2, 3, 4, 5, 7, 8 }) {
        const auto values = curvatureValues(mesh, mode, 0.0);
        ASSERT_TRUE(values) << "mode " << mode;
        for (const WEVertex& v : mesh.vertices)
            EXPECT_EQ((*values)[size_t(v.id)], 0.0) << "mode " << mode << ", vertex " << v.id;
    }

    // The same grid tilted: zero up to the rounding of the rotated positions.
    WingedEdgeList tiltedList;
    const WingedEdgeMesh& tilted =
        buildSingle(tiltedList, rotated(makeGrid(8), SbRotation(SbVec3f(1.0f, 2.0f, 0.5f), 0.7f)));
    for (const WEVertex& v : tilted.vertices) {
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        EXPECT_NEAR(k.kmax, 0.0, 1e-4) << "tilted, vertex " << v.id;
        EXPECT_NEAR(k.kmin, 0.0, 1e-4) << "tilted, vertex " << v.id;
    }
}

// The patch through a ring of neighbours at polar angle φ on a circle of
// radius ρ (seen from the vertex: in-plane distance a = ρ sin φ, depth
// c = ρ (1 - cos φ)) bends with 2c / a² = 2 / (ρ (1 + cos φ)) towards it.
TEST(Curvature, FiveNeighboursSolveDirectlyFourByMinimumNorm)
{
    const float radius = 1.5f;
    {
        WingedEdgeList list;
        const WingedEdgeMesh& icosahedron = buildSingle(list, makeIcosphere(0, radius));
        const double expected = 2.0 / (radius * (1.0 + 1.0 / std::sqrt(5.0)));
        for (const WEVertex& v : icosahedron.vertices) {
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            EXPECT_EQ(k.solve, CurvatureSolve::DIRECT) << "icosahedron, vertex " << v.id;
            EXPECT_EQ(k.rows, 5) << "icosahedron, vertex " << v.id;
            EXPECT_NEAR(k.kmax, expected, 1e-5) << "icosahedron, vertex " << v.id;
            EXPECT_NEAR(k.kmin, expected, 1e-5) << "icosahedron, vertex " << v.id;
        }
    }
    {
        WingedEdgeList list;
        const WingedEdgeMesh& octahedron = buildSingle(list, makeOctahedron(radius));
        for (const WEVertex& v : octahedron.vertices) {
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            EXPECT_EQ(k.solve, CurvatureSolve::MINIMUM_NORM) << "octahedron, vertex " << v.id;
            EXPECT_EQ(k.rows, 4) << "octahedron, vertex " << v.id;
            EXPECT_NEAR(k.kmax, 2.0 / radius, 1e-5) << "octahedron, vertex " << v.id;
            EXPECT_NEAR(k.kmin, 2.0 / radius, 1e-5) << "octahedron, vertex " << v.id;
        }
    }
    {
        // Four neighbours, two along x on a circle of radius 1 at φ = 0.3 and
        // two along y on a circle of radius 4 at φ = 0.1: the minimum-norm
        // patch bends differently along the two axes.
        const double a1 = std::sin(0.3), c1 = 1.0 - std::cos(0.3);
        const double a2 = 4.0 * std::sin(0.1), c2 = 4.0 * (1.0 - std::cos(0.1));
        const float h = 5.0f;
        const std::vector<SbVec3f> ring = { SbVec3f(float(a1), 0, float(h - c1)), SbVec3f(0, float(a2), float(h - c2)),
                                            SbVec3f(float(-a1), 0, float(h - c1)),
                                            SbVec3f(0, float(-a2), float(h - c2)) };
        WingedEdgeList list;
        const WingedEdgeMesh& fan = buildSingle(list, makeFan(SbVec3f(0, 0, h), ring, true));
        const WEVertex& centre = vertexAt(fan, SbVec3f(0, 0, h));
        ASSERT_GT(centre.normal[2], 0.0f) << "the fan faces up";
        const PrincipalCurvatures k = estimatePrincipalCurvatures(centre);
        EXPECT_EQ(k.solve, CurvatureSolve::MINIMUM_NORM);
        EXPECT_FALSE(k.openFan);
        const double alongX = 2.0 * c1 / (a1 * a1), alongY = 2.0 * c2 / (a2 * a2);
        EXPECT_NEAR(k.kmax, alongX, 1e-4 * alongX);
        EXPECT_NEAR(k.kmin, alongY, 1e-4 * alongX);
        EXPECT_NEAR(std::fabs(k.dmax[0]), 1.0, 1e-4) << "kmax along x";
        EXPECT_NEAR(std::fabs(k.dmin[1]), 1.0, 1e-4) << "kmin along y";
    }
}

// --- seeded random fans against a reference fit ------------------------------------

namespace {

// Solves S Y = R by Cramer's rule.
Dense cramer(const Dense& S, const Dense& R)
{
    const size_t n = S.size(), m = R[0].size();
    const double det = cofactorDeterminant(S);
    Dense Y(n, std::vector<double>(m));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j) {
            Dense replaced = S;
            for (size_t r = 0; r < n; ++r)
                replaced[r][i] = R[r][j];
            Y[i][j] = cofactorDeterminant(replaced) / det;
        }
    return Y;
}

Dense multiply(const Dense& a, const Dense& b)
{
    Dense p(a.size(), std::vector<double>(b[0].size(), 0.0));
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t k = 0; k < b.size(); ++k)
            for (size_t j = 0; j < b[0].size(); ++j)
                p[i][j] += a[i][k] * b[k][j];
    return p;
}

Dense transposed(const Dense& a)
{
    Dense t(a[0].size(), std::vector<double>(a.size()));
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < a[0].size(); ++j)
            t[j][i] = a[i][j];
    return t;
}

struct Reference {
    double kmax, kmin;
    V3 dmax, dmin;
};

// The fit of the vertex at p with normal n to the neighbours in the given
// order (for a closed fan the first one listed is the walk's start q0 and
// comes last in the rows), solved by Cramer's rule, and the principal
// curvatures as the eigenvalues of the shape operator I^-1 II.
Reference referenceFit(const V3& p, const V3& n, std::vector<V3> order, bool closed)
{
    if (closed)
        std::rotate(order.begin(), order.begin() + 1, order.end());
    const size_t m = order.size();
    std::vector<double> alpha(m, 0.0);
    double sum = 0.0;
    for (size_t i = 0; i < m; ++i) {
        if (!closed && i == 0)
            continue;
        const V3 a = unit3(order[closed && i == 0 ? m - 1 : i - 1] - p), b = unit3(order[i] - p);
        alpha[i] = std::acos(std::max(-1.0, std::min(1.0, dot3(a, b))));
        sum += alpha[i];
    }
    Dense A, B;
    double theta = 0.0;
    for (size_t i = 0; i < m; ++i) {
        theta += closed ? alpha[i] * 2.0 * PI / sum : alpha[i];
        const V3 d = order[i] - p;
        const double r = norm3(d), x = r * std::cos(theta), y = r * std::sin(theta);
        A.push_back({ x, y, x * x / 2, x * y, y * y / 2 });
        B.push_back({ d[0], d[1], d[2] });
    }
    const Dense At = transposed(A);
    Dense X;
    if (m == 5)
        X = cramer(A, B);
    else if (m > 5)
        X = cramer(multiply(At, A), multiply(At, B));
    else
        X = multiply(At, cramer(multiply(A, At), B));

    auto row = [&X](size_t i) { return V3{ X[i][0], X[i][1], X[i][2] }; };
    const V3 Ru = row(0), Rv = row(1);
    const double E = dot3(Ru, Ru), F = dot3(Ru, Rv), G = dot3(Rv, Rv);
    const double L = dot3(row(2), n), M = dot3(row(3), n), N = dot3(row(4), n);
    // det(II - mu I) = 0; the curvature is -mu with our sign convention.
    const double a = E * G - F * F, b = -(E * N + G * L - 2 * F * M), c = L * N - M * M;
    const double root = std::sqrt(std::max(b * b - 4 * a * c, 0.0));
    const double muLow = (-b - root) / (2 * a), muHigh = (-b + root) / (2 * a);
    auto direction = [&](double mu) {
        // A row of (II - mu I) (du, dv) = 0, the better conditioned one.
        const V3 first = { M - mu * F, -(L - mu * E), 0 }, second = { N - mu * G, -(M - mu * F), 0 };
        const V3 uv = norm3(first) > norm3(second) ? first : second;
        return unit3(uv[0] * Ru + uv[1] * Rv);
    };
    return { -muLow, -muHigh, direction(muLow), direction(muHigh) };
}

} // namespace

TEST(Curvature, RandomFansMatchAReferenceFit)
{
    std::mt19937 rng(31337);
    std::uniform_real_distribution<double> unitValue(0.0, 1.0);
    int checked = 0;
    for (int trial = 0; trial < 140; ++trial) {
        const bool closed = trial % 2 == 0;
        const int k = closed ? 3 + (trial / 2) % 7 : 2 + (trial / 2) % 7;
        // A quadric z = (a x² + 2 b xy + c y²) / 2 above the origin.
        const double qa = 6 * unitValue(rng) - 3, qb = 4 * unitValue(rng) - 2, qc = 6 * unitValue(rng) - 3;
        const double span = closed ? 2 * PI : PI * (0.5 + unitValue(rng));
        const double step = span / (closed ? k : k - 1);
        const double height = 1.0;
        std::vector<SbVec3f> ring;
        for (int i = 0; i < k; ++i) {
            const double angle = step * (i + 0.3 * (unitValue(rng) - 0.5));
            const double r = 0.05 * (0.5 + unitValue(rng));
            const double x = r * std::cos(angle), y = r * std::sin(angle);
            ring.emplace_back(float(x), float(y), float(height + 0.5 * (qa * x * x + 2 * qb * x * y + qc * y * y)));
        }
        WingedEdgeList list;
        const WingedEdgeMesh& fan = buildSingle(list, makeFan(SbVec3f(0, 0, float(height)), ring, closed));
        const WEVertex& centre = vertexAt(fan, SbVec3f(0, 0, float(height)));
        const PrincipalCurvatures got = estimatePrincipalCurvatures(centre);
        EXPECT_EQ(got.openFan, !closed) << "trial " << trial;
        EXPECT_EQ(got.rows, k) << "trial " << trial;
        EXPECT_EQ(got.solve, k == 5  ? CurvatureSolve::DIRECT
                             : k > 5 ? CurvatureSolve::LEAST_SQUARES
                                     : CurvatureSolve::MINIMUM_NORM)
            << "trial " << trial;

        const V3 p = v3(centre.position), n = unit3(v3(centre.normal));
        std::vector<V3> order;
        for (const SbVec3f& q : ring)
            order.push_back(v3(q));
        std::vector<Reference> candidates;
        if (closed) {
            // The walk starts after the far end of the first edge, in either
            // direction (the two are mirror images and fit alike).
            const V3 q0 = v3(centre.edges[0]->otherVertex(&centre)->position);
            size_t start = 0;
            while (start < order.size() && norm3(order[start] - q0) > 0.0)
                ++start;
            ASSERT_LT(start, order.size()) << "trial " << trial;
            std::rotate(order.begin(), order.begin() + long(start), order.end());
            candidates.push_back(referenceFit(p, n, order, true));
        } else {
            // From either end of the open fan.
            candidates.push_back(referenceFit(p, n, order, false));
            std::reverse(order.begin(), order.end());
            candidates.push_back(referenceFit(p, n, order, false));
        }
        const double scale = std::max({ 1.0, std::fabs(candidates[0].kmax), std::fabs(candidates[0].kmin) });
        // The candidate nearest to the estimate must agree with it.
        const Reference* want = &candidates[0];
        auto distance = [&got](const Reference& r) { return std::fabs(got.kmax - r.kmax) + std::fabs(got.kmin - r.kmin); };
        for (const Reference& r : candidates)
            if (distance(r) < distance(*want))
                want = &r;
        const bool matched =
            std::fabs(got.kmax - want->kmax) <= 1e-3 * scale && std::fabs(got.kmin - want->kmin) <= 1e-3 * scale;
        EXPECT_TRUE(matched) << "trial " << trial << (closed ? " closed" : " open") << " fan of " << k << ": got "
                             << got.kmax << ", " << got.kmin << "; reference " << want->kmax << ", " << want->kmin;
        if (matched && want->kmax - want->kmin > 0.05 * scale) {
            EXPECT_NEAR(std::fabs(dot3(v3(got.dmax), want->dmax)), 1.0, 1e-3) << "trial " << trial;
            EXPECT_NEAR(std::fabs(dot3(v3(got.dmin), want->dmin)), 1.0, 1e-3) << "trial " << trial;
        }
        checked += matched ? 1 : 0;
        // Where the neighbours determine the quadric (six or more around a
        // closed fan), the fit also finds the quadric's own curvatures.
        if (closed && k >= 6) {
            const double mean = 0.5 * (qa + qc), root = std::sqrt(0.25 * (qa - qc) * (qa - qc) + qb * qb);
            const double sign = n[2] > 0 ? -1.0 : 1.0; // z up bends towards +z: negative for an upward normal
            const double k1 = sign * (mean + root), k2 = sign * (mean - root);
            EXPECT_NEAR(got.kmax, std::max(k1, k2), 0.1 * scale) << "trial " << trial;
            EXPECT_NEAR(got.kmin, std::min(k1, k2), 0.1 * scale) << "trial " << trial;
        }
    }
    EXPECT_EQ(checked, 140);
}

// --- derived values ------------------------------------------------------------------

TEST(Curvature, ShapeAndFoldIndexValues)
{
    EXPECT_EQ(shapeIndex(1.0, 1.0), 1.0) << "cap";
    EXPECT_EQ(shapeIndex(-1.0, -1.0), -1.0) << "cup";
    EXPECT_EQ(shapeIndex(1.0, 0.9995), 1.0) << "nearly umbilic, convex";
    EXPECT_EQ(shapeIndex(-0.9995, -1.0), -1.0) << "nearly umbilic, concave";
    EXPECT_EQ(shapeIndex(0.0, 0.0), 0.0) << "plane";
    EXPECT_EQ(shapeIndex(0.0009, -0.0009), 0.0) << "below 0.001";
    EXPECT_NEAR(shapeIndex(1.0, 0.0), 0.5, 1e-15) << "ridge";
    EXPECT_NEAR(shapeIndex(0.0, -1.0), -0.5, 1e-15) << "rut";
    EXPECT_NEAR(shapeIndex(1.0, -1.0), 0.0, 1e-15) << "symmetric saddle";
    EXPECT_NEAR(shapeIndex(3.0, 1.0), 2.0 / PI * std::atan(2.0), 1e-15);

    EXPECT_EQ(foldIndex(0.00005, -0.00009), 0.0) << "below 0.0001";
    EXPECT_EQ(foldIndex(2.0, 2.0), 0.0) << "umbilic";
    EXPECT_NEAR(foldIndex(1.0, 0.0), 1.0, 1e-15) << "ridge: exp(0)";
    EXPECT_NEAR(foldIndex(1.0, -1.0), 0.0, 1e-15) << "saddle: zero sum";
    EXPECT_NEAR(foldIndex(2.0, 1.0), 3.0 * std::exp(-2.0), 1e-15);
    EXPECT_NEAR(foldIndex(-1.0, -2.0), -3.0 * std::exp(-2.0), 1e-15);
}

TEST(Curvature, AverageEstimateAndFaceCentroids)
{
    // Octahedron with unit corners: around each corner the four face
    // centroids average to a third of the way to the centre, and the stored
    // normal is the mean of four unit face normals, 1/√3 long, pointing out.
    WingedEdgeList list;
    WingedEdgeMesh& octahedron = buildSingle(list, makeOctahedron(1.0f));
    const std::vector<SbVec3f> centroids = faceCentroids(octahedron);
    ASSERT_EQ(centroids.size(), 8u);
    for (const WEVertex& v : octahedron.vertices)
        EXPECT_NEAR(averageCurvatureEstimate(v, centroids), 2.0 / (3.0 * std::sqrt(3.0)), 1e-6) << "vertex " << v.id;
    const auto mode1 = curvatureValues(octahedron, CURVATURE_AVERAGE_ESTIMATE, 0.0);
    ASSERT_TRUE(mode1);
    for (const WEVertex& v : octahedron.vertices)
        EXPECT_EQ((*mode1)[size_t(v.id)], averageCurvatureEstimate(v, centroids)) << "vertex " << v.id;

    // Without a normal the value is the distance to the centroid mean.
    WEVertex& top = const_cast<WEVertex&>(vertexAt(octahedron, SbVec3f(0, 0, 1)));
    const SbVec3f keep = top.normal;
    top.normal.setValue(0, 0, 0);
    EXPECT_NEAR(averageCurvatureEstimate(top, centroids), 2.0 / 3.0, 1e-6);
    top.normal = keep;

    // A centroid array that misses faces: a diagnostic, and those faces left out.
    {
        DebugErrorCollector errors;
        const std::vector<SbVec3f> none;
        EXPECT_EQ(averageCurvatureEstimate(top, none), 0.0);
        ASSERT_EQ(errors.messages.size(), 1u);
        EXPECT_NE(errors.messages[0].find("without an entry in the centroid array"), std::string::npos)
            << errors.messages[0];
    }

    // Vertices without faces give 0.
    WEVertex& lone = addIsolatedVertex(octahedron, SbVec3f(4, 5, 6));
    EXPECT_EQ(averageCurvatureEstimate(lone, faceCentroids(octahedron)), 0.0);
    WEVertex& edgeEnd = addLoneEdge(octahedron, SbVec3f(7, 0, 0), SbVec3f(8, 0, 0));
    EXPECT_EQ(averageCurvatureEstimate(edgeEnd, faceCentroids(octahedron)), 0.0);

    // Centroids of a torus against the average of each face's distinct corners.
    WingedEdgeList torusList;
    WingedEdgeMesh& torus = buildSingle(torusList, makeTorus(12, 8, 3.0f, 1.0f));
    const std::vector<SbVec3f> torusCentroids = faceCentroids(torus);
    ASSERT_EQ(torusCentroids.size(), size_t(torus.faceCount));
    for (const WEFace& f : torus.faces) {
        std::set<const WEVertex*> corners;
        for (const WEEdge* e : f.edges) {
            corners.insert(e->startVertex);
            corners.insert(e->endVertex);
        }
        ASSERT_EQ(corners.size(), 3u) << "face " << f.id;
        V3 sum = { 0, 0, 0 };
        for (const WEVertex* c : corners)
            sum = sum + v3(c->position);
        const V3 expected = (1.0 / 3.0) * sum;
        EXPECT_LT(norm3(v3(torusCentroids[size_t(f.id)]) - expected), 1e-6) << "face " << f.id;
    }
    // A face with a negative id is reported and left out.
    torus.faces.front().id = -1;
    DebugErrorCollector errors;
    const std::vector<SbVec3f> partial = faceCentroids(torus);
    EXPECT_EQ(partial.size(), size_t(torus.faceCount));
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("negative id"), std::string::npos) << errors.messages[0];
}

TEST(Curvature, ModesDispatchToTheirValues)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeTorus(24, 12, 3.0f, 1.0f));
    for (int mode : { 6, 0, 10, -1, 1000 })
        EXPECT_FALSE(curvatureValues(mesh, mode, 0.01).has_value()) << "mode " << mode;

    // A gap in the ids: the array still reaches the largest id.
    WEVertex& moved = mesh.vertices.back();
    const int32_t oldId = moved.id;
    moved.id = mesh.vertexCount + 3;
    const size_t length = size_t(moved.id) + 1;

    const std::vector<SbVec3f> centroids = faceCentroids(mesh);
    const std::vector<double> singular = singularityIndex(mesh, 0.05);
    ASSERT_EQ(singular.size(), length);
    for (int mode = 1; mode <= 9; ++mode) {
        if (mode == 6)
            continue;
        const auto values = curvatureValues(mesh, mode, 0.05);
        ASSERT_TRUE(values) << "mode " << mode;
        ASSERT_EQ(values->size(), length) << "mode " << mode;
        EXPECT_EQ((*values)[size_t(oldId)], 0.0) << "mode " << mode << ": an id of no vertex";
        for (const WEVertex& v : mesh.vertices) {
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            double expected = 0.0;
            switch (mode) {
            case 1: expected = averageCurvatureEstimate(v, centroids); break;
            case 2: expected = k.kmin; break;
            case 3: expected = k.kmax; break;
            case 4: expected = (k.kmax + k.kmin) / 2; break;
            case 5: expected = std::max(std::fabs(k.kmax), std::fabs(k.kmin)); break;
            case 7: expected = shapeIndex(k.kmax, k.kmin); break;
            case 8: expected = foldIndex(k.kmax, k.kmin); break;
            case 9: expected = singular[size_t(v.id)]; break;
            }
            EXPECT_EQ((*values)[size_t(v.id)], expected) << "mode " << mode << ", vertex " << v.id;
        }
    }
    // The torus has both signs of kmin, so modes 2 and 5 differ somewhere.
    const auto kmin = curvatureValues(mesh, 2, 0.0), maxAbs = curvatureValues(mesh, 5, 0.0);
    double lowestKmin = 0.0, lowestMaxAbs = 1e30;
    for (const WEVertex& v : mesh.vertices) {
        lowestKmin = std::min(lowestKmin, (*kmin)[size_t(v.id)]);
        lowestMaxAbs = std::min(lowestMaxAbs, (*maxAbs)[size_t(v.id)]);
    }
    EXPECT_LT(lowestKmin, -0.1) << "the inside of the torus is a saddle";
    EXPECT_GT(lowestMaxAbs, 0.9) << "the tube's curvature dominates everywhere";

    // A negative id: a diagnostic and no array.
    moved.id = -2;
    DebugErrorCollector errors;
    EXPECT_FALSE(curvatureValues(mesh, 4, 0.0).has_value());
    EXPECT_TRUE(singularityIndex(mesh, 0.0).empty());
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_NE(errors.messages[0].find("vertex id -2 is negative"), std::string::npos) << errors.messages[0];
    EXPECT_FALSE(curvatureValues(mesh, 6, 0.0).has_value());
    moved.id = oldId;
}

// --- singularity index ---------------------------------------------------------------

namespace {

// The eight differences of every vertex, recomputed here: half the mean edge
// length, four probes, inverse squared distance weights over the vertex and
// its neighbours. Per vertex id: the largest difference along dmin (P1, P2)
// and along dmax (P3, P4).
std::map<int32_t, std::pair<double, double>> bruteForceChanges(const WingedEdgeMesh& mesh)
{
    double total = 0.0;
    for (const WEEdge& e : mesh.edges)
        total += norm3(v3(e.endVertex->position) - v3(e.startVertex->position));
    const double h = total / (2.0 * double(mesh.edges.size()));
    std::map<int32_t, PrincipalCurvatures> k;
    for (const WEVertex& v : mesh.vertices)
        k[v.id] = estimatePrincipalCurvatures(v);
    std::map<int32_t, std::pair<double, double>> changes;
    for (const WEVertex& v : mesh.vertices) {
        std::vector<const WEVertex*> around = { &v };
        for (const WEEdge* e : v.edges)
            around.push_back(e->otherVertex(&v));
        const PrincipalCurvatures& own = k[v.id];
        const V3 p = v3(v.position);
        double largest[2] = { 0.0, 0.0 };
        for (int probe = 0; probe < 4; ++probe) {
            const V3 direction = v3(probe < 2 ? own.dmin : own.dmax);
            const V3 P = p + ((probe % 2) ? -h : h) * direction;
            double w = 0, kmax = 0, kmin = 0;
            for (const WEVertex* x : around) {
                const double d2 = dot3(P - v3(x->position), P - v3(x->position));
                w += 1.0 / d2;
                kmax += k[x->id].kmax / d2;
                kmin += k[x->id].kmin / d2;
            }
            const double change = std::max(std::fabs(own.kmax - kmax / w), std::fabs(own.kmin - kmin / w));
            largest[probe / 2] = std::max(largest[probe / 2], change);
        }
        changes[v.id] = { largest[0], largest[1] };
    }
    return changes;
}

} // namespace

TEST(Curvature, SingularityIndexAgainstBruteForce)
{
    // A sphere with seeded radial noise, so that curvature varies.
    StripInput noisy = makeIcosphere(3, 2.0f);
    std::mt19937 rng(2718);
    std::uniform_real_distribution<float> jitter(0.97f, 1.03f);
    for (SbVec3f& p : noisy.coordinates)
        p *= jitter(rng);
    WingedEdgeList noisyList, torusList;
    const WingedEdgeMesh* meshes[] = { &buildSingle(noisyList, noisy),
                                       &buildSingle(torusList, makeTorus(40, 16, 3.0f, 1.0f)) };
    for (const WingedEdgeMesh* mesh : meshes) {
        const auto changes = bruteForceChanges(*mesh);
        const std::vector<double> largest = singularityIndex(*mesh, -1.0);
        std::vector<double> all;
        for (const WEVertex& v : mesh->vertices) {
            const auto& c = changes.at(v.id);
            const double expected = std::max(c.first, c.second);
            all.push_back(c.first);
            all.push_back(c.second);
            EXPECT_NEAR(largest[size_t(v.id)], expected, 1e-9 * std::max(1.0, expected)) << "vertex " << v.id;
        }
        std::sort(all.begin(), all.end());
        const std::vector<double> zero = singularityIndex(*mesh, 0.0);
        const std::vector<double> huge = singularityIndex(*mesh, 1e30);
        // A threshold between the changes, so that all three classes occur
        // (away from any change, so that rounding does not decide).
        size_t i = all.size() / 2;
        while (i + 1 < all.size() && all[i + 1] - all[i] < 1e-9)
            ++i;
        ASSERT_LT(i + 1, all.size());
        const double threshold = 0.5 * (all[i] + all[i + 1]);
        const std::vector<double> split = singularityIndex(*mesh, threshold);
        int classes[3] = { 0, 0, 0 };
        for (const WEVertex& v : mesh->vertices) {
            EXPECT_EQ(zero[size_t(v.id)], 0.0) << "R = 0, vertex " << v.id;
            EXPECT_EQ(huge[size_t(v.id)], 2.0) << "R huge, vertex " << v.id;
            const auto& c = changes.at(v.id);
            const bool alongMin = c.first >= threshold, alongMax = c.second >= threshold;
            const double expected = alongMin && alongMax ? 0.0 : alongMin || alongMax ? 1.0 : 2.0;
            EXPECT_EQ(split[size_t(v.id)], expected) << "R = " << threshold << ", vertex " << v.id;
            ++classes[int(split[size_t(v.id)])];
        }
        EXPECT_GT(classes[0] + classes[1], 0) << "some vertex reaches the threshold";
        EXPECT_GT(classes[2], 0) << "some vertex stays below it";
    }
}

// --- degenerate input ---------------------------------------------------------------

TEST(Curvature, DegenerateInputStaysFinite)
{
    {
        // One triangle: every corner has two neighbours in an open fan.
        WingedEdgeList list;
        const WingedEdgeMesh& triangle = buildSingle(
            list, stripsFromTriangles({ SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0) }, { { 0, 1, 2 } }));
        for (const WEVertex& v : triangle.vertices) {
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            EXPECT_TRUE(k.openFan) << "vertex " << v.id;
            EXPECT_EQ(k.rows, 2) << "vertex " << v.id;
            EXPECT_EQ(k.solve, CurvatureSolve::MINIMUM_NORM) << "vertex " << v.id;
            EXPECT_EQ(k.kmax, 0.0) << "vertex " << v.id;
        }
        expectAllFinite(triangle, "single triangle");
    }
    {
        // A fan with a ring point on the centre (a zero-length edge), an
        // isolated vertex and a lone edge without faces.
        std::vector<SbVec3f> ring;
        for (int i = 0; i < 6; ++i)
            ring.emplace_back(float(std::cos(i * PI / 3)), float(std::sin(i * PI / 3)), 0.2f);
        ring[2] = SbVec3f(0, 0, 0);
        WingedEdgeList list;
        WingedEdgeMesh& mesh = buildSingle(list, makeFan(SbVec3f(0, 0, 0), ring, true));
        const WEVertex& centre = mesh.vertices.front();
        ASSERT_EQ(centre.edges.size(), 6u);
        const PrincipalCurvatures k = estimatePrincipalCurvatures(centre);
        EXPECT_EQ(k.rows, 5) << "the zero-length edge gives no row";

        WEVertex& isolated = addIsolatedVertex(mesh, SbVec3f(3, 3, 3));
        const PrincipalCurvatures none = estimatePrincipalCurvatures(isolated);
        EXPECT_EQ(none.rows, 0);
        EXPECT_EQ(none.solve, CurvatureSolve::NONE);
        EXPECT_EQ(none.outcome, CurvatureOutcome::SINGULAR);
        const WEVertex& lone = addLoneEdge(mesh, SbVec3f(5, 0, 0), SbVec3f(6, 1, 0));
        const PrincipalCurvatures one = estimatePrincipalCurvatures(lone);
        EXPECT_EQ(one.rows, 1);
        EXPECT_TRUE(one.openFan);
        EXPECT_EQ(one.outcome, CurvatureOutcome::SINGULAR) << "one neighbour spans no tangent plane";
        expectAllFinite(mesh, "zero-length edge, isolated vertex, lone edge");

        // The singular result's direction: normalize(N x (1,0,0)), or with
        // (0,1,0) where N is parallel to (1,0,0) (either way round).
        const struct {
            SbVec3f normal, direction;
        } singularCases[] = {
            { SbVec3f(0, 0, 1), SbVec3f(0, 1, 0) },
            { SbVec3f(1, 0, 0), SbVec3f(0, 0, 1) },
            { SbVec3f(-1, 0, 0), SbVec3f(0, 0, -1) },
            { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0) },
        };
        for (const auto& c : singularCases) {
            isolated.normal = c.normal;
            const PrincipalCurvatures s = estimatePrincipalCurvatures(isolated);
            EXPECT_EQ(s.kmax, 0.0);
            EXPECT_EQ(s.kmin, 0.0);
            EXPECT_LT((s.dmax - c.direction).length(), 1e-6)
                << "normal " << c.normal[0] << " " << c.normal[1] << " " << c.normal[2];
            EXPECT_NEAR(s.dmin.length(), 1.0, 1e-6);
        }
    }
    {
        // A fan whose neighbours all lie on one line through the centre:
        // zero-area faces, a zero normal, no tangent plane.
        const std::vector<SbVec3f> ring = { SbVec3f(1, 0, 0), SbVec3f(2, 0, 0), SbVec3f(-1, 0, 0), SbVec3f(-2, 0, 0) };
        WingedEdgeList list;
        const WingedEdgeMesh& line = buildSingle(list, makeFan(SbVec3f(0, 0, 0), ring, true));
        const PrincipalCurvatures k = estimatePrincipalCurvatures(vertexAt(line, SbVec3f(0, 0, 0)));
        EXPECT_EQ(k.outcome, CurvatureOutcome::SINGULAR);
        expectAllFinite(line, "collinear fan");
    }
    {
        // Boundary vertices of a grid (corners with two or three neighbours)
        // and of a cylinder, and a sphere vertex whose normal was lost.
        WingedEdgeList gridList, cylinderList, sphereList;
        expectAllFinite(buildSingle(gridList, makeGrid(3)), "grid");
        expectAllFinite(buildSingle(cylinderList, makeCylinder(4, 8, 1.0f, 2.0f)), "cylinder");
        WingedEdgeMesh& sphere = buildSingle(sphereList, makeIcosphere(3, 2.0f));
        for (WEVertex& v : sphere.vertices) {
            v.normal.setValue(0, 0, 0);
            // The patch's own normal takes over, with the right orientation.
            const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
            EXPECT_NEAR(k.kmax, 0.5, 0.025) << "zero normal, vertex " << v.id;
            EXPECT_NEAR(k.kmin, 0.5, 0.025) << "zero normal, vertex " << v.id;
        }
        expectAllFinite(sphere, "sphere without normals");
    }
}
