// Principal curvature estimation by a quadratic patch fitted to each
// vertex's one-ring, and the per-vertex curvature values derived from it.

#include "modify/Curvature.h"

#include "modify/FaceCentroids.h"
#include "modify/matrixT.h"
#include "util/Vec.h"
#include "wingededge/WingedEdge.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

inline SbVec3f toFloat(const Vec3d& v)
{
    return SbVec3f(float(v.x), float(v.y), float(v.z));
}

const double PI = 3.14159265358979323846;

// --- the fan around a vertex ---------------------------------------------------
//
// Rotating around v: from an edge, the face ahead is the one the edge runs
// along with v at its start (the left face when v is the start vertex, the
// right face otherwise), and the next edge around v is the wing of that face
// at v. By the clockwise face convention this turns clockwise seen from the
// side the normals point to. Stepping back goes through the face behind.

inline bool touches(const WEEdge* e, const WEVertex* v)
{
    return e != nullptr && (e->startVertex == v || e->endVertex == v);
}

inline const WEFace* faceAhead(const WEEdge* e, const WEVertex* v)
{
    return e->startVertex == v ? e->leftFace : e->rightFace;
}

inline const WEFace* faceBehind(const WEEdge* e, const WEVertex* v)
{
    return e->startVertex == v ? e->rightFace : e->leftFace;
}

inline const WEEdge* nextAround(const WEEdge* e, const WEVertex* v)
{
    return e->startVertex == v ? e->leftPrev : e->rightPrev;
}

inline const WEEdge* previousAround(const WEEdge* e, const WEVertex* v)
{
    return e->startVertex == v ? e->rightNext : e->leftNext;
}

// A neighbour as the fit sees it: its offset d = q - p from the vertex, its
// distance r and its unit direction u.
struct FanPoint {
    Vec3d d;
    Vec3d u;
    double r;
};

// The neighbours of a vertex in walk order. Most vertices have a handful,
// which fit inline; a vertex with many spills over to the heap.
class FanPoints {
public:
    void push(const FanPoint& point)
    {
        if (count < INLINE) {
            inlinePoints[count] = point;
        } else {
            if (count == INLINE)
                spill.assign(inlinePoints, inlinePoints + INLINE);
            spill.push_back(point);
        }
        ++count;
    }
    const FanPoint& operator[](size_t i) const { return count > INLINE ? spill[i] : inlinePoints[i]; }
    size_t size(void) const { return count; }

private:
    enum { INLINE = 24 };
    FanPoint inlinePoints[INLINE];
    std::vector<FanPoint> spill;
    size_t count = 0;
};

// Records the far end of e as the next neighbour. A neighbour at the vertex
// itself (a zero-length edge) has no direction and no polar parameters; it
// is left out.
inline void addNeighbour(const WEEdge* e, const WEVertex& v, const Vec3d& p, FanPoints& points)
{
    const Vec3d d = Vec3d::of(e->otherVertex(&v)->position) - p;
    const double r = length(d);
    if (r > 0.0 && std::isfinite(r))
        points.push({ d, (1.0 / r) * d, r });
}

// Walks the fan of `v` and records its neighbours. Returns true for a closed
// fan, whose walk starts after the far end q0 of the vertex's first edge and
// ends with q0 (so the neighbours come as q1, q2, ..., q0). An open fan (a
// boundary vertex) is walked from its first boundary edge to its last, both
// ends included, so that its rows cover the whole fan whichever edge comes
// first in the vertex's list. Either walk stops after as many neighbours as
// the vertex has edges, and wherever the wings do not lead to an edge of v.
bool walkFan(const WEVertex& v, FanPoints& points)
{
    const size_t n = v.edges.size();
    if (n == 0)
        return true;
    const Vec3d p = Vec3d::of(v.position);
    const WEEdge* first = v.edges[0];

    // Step back while there is a face behind: either the walk comes round to
    // the first edge (a closed fan) or it finds where an open fan begins.
    const WEEdge* start = first;
    bool open = false;
    for (size_t step = 0; step < n; ++step) {
        const WEEdge* back = faceBehind(start, &v) != nullptr ? previousAround(start, &v) : nullptr;
        if (!touches(back, &v)) {
            open = true;
            break;
        }
        start = back;
        if (start == first)
            break;
    }

    const WEEdge* e = open ? start : first;
    size_t visited = 0;
    if (open) {
        addNeighbour(e, v, p, points);
        ++visited;
    }
    while (visited < n) {
        const WEEdge* next = faceAhead(e, &v) != nullptr ? nextAround(e, &v) : nullptr;
        if (!touches(next, &v) || (open && next == start))
            break;
        e = next;
        addNeighbour(e, v, p, points);
        ++visited;
        if (!open && e == first)
            break;
    }
    return !open;
}

// --- the patch fit -------------------------------------------------------------

// Polar parameters of the neighbours: the distance r and the angle θ,
// accumulated from the angles between successive neighbour directions as seen
// from the vertex. Around a closed fan the angles sum to less than a full
// turn on a curved surface (the angle defect is its Gaussian curvature), so
// they are stretched to 2π and the last neighbour lands back on θ = 2π, where
// the walk began. An open fan is not stretched: its neighbours only span the
// surface on one side of the boundary, and spreading them over a full turn
// (a half disc onto a whole one, say) would distort the parameter plane in a
// way no quadratic patch reproduces, so the true angles are kept and the fit
// sees the one-sided neighbourhood as it is.
//
// Fills A (rows x, y, x²/2, xy, y²/2) and B (rows d = q - p).
void fillFitRows(const FanPoints& points, bool closed, matrixT& A, matrixT& B)
{
    const size_t m = points.size();
    auto angle = [&points](size_t a, size_t b) {
        return std::acos(std::max(-1.0, std::min(1.0, dot(points[a].u, points[b].u))));
    };
    double stretch = 1.0;
    if (closed && m > 0) {
        double sum = 0.0;
        for (size_t i = 0; i < m; ++i)
            sum += angle(i == 0 ? m - 1 : i - 1, i);
        if (sum > 0.0)
            stretch = 2.0 * PI / sum;
    }

    A.resize(m, 5);
    B.resize(m, 3);
    double theta = 0.0;
    for (size_t i = 0; i < m; ++i) {
        if (closed)
            theta += angle(i == 0 ? m - 1 : i - 1, i) * stretch;
        else if (i > 0)
            theta += angle(i - 1, i);
        const double r = points[i].r;
        const double x = r * std::cos(theta), y = r * std::sin(theta);
        A(i, 0) = x;
        A(i, 1) = y;
        A(i, 2) = 0.5 * x * x;
        A(i, 3) = x * y;
        A(i, 4) = 0.5 * y * y;
        B(i, 0) = points[i].d.x;
        B(i, 1) = points[i].d.y;
        B(i, 2) = points[i].d.z;
    }
}

// Solves A X = B for the 5 x 3 patch derivatives: exactly with five rows, in
// the least-squares sense with more, with the least-norm X with fewer.
// Returns false when the system's determinant is zero.
bool solveFit(const matrixT& A, const matrixT& B, CurvatureSolve& solve, matrixT& X)
{
    const size_t m = A.RowNo();
    if (m == 0) {
        solve = CurvatureSolve::NONE;
        return false;
    }
    try {
        if (m == 5) {
            solve = CurvatureSolve::DIRECT;
            if (A.Det() == 0.0)
                return false;
            X = !A * B;
        } else if (m > 5) {
            solve = CurvatureSolve::LEAST_SQUARES;
            const matrixT At = A.transpose();
            const matrixT normal = At * A;
            if (normal.Det() == 0.0)
                return false;
            X = !normal * (At * B);
        } else {
            solve = CurvatureSolve::MINIMUM_NORM;
            const matrixT At = A.transpose();
            const matrixT gram = A * At;
            if (gram.Det() == 0.0)
                return false;
            X = At * (!gram * B);
        }
    } catch (const math::matrix_error&) {
        // The inversion met a zero pivot that the determinant's own
        // elimination had rounded past: singular after all.
        return false;
    }
    return true;
}

inline Vec3d rowOf(const matrixT& X, size_t i)
{
    return { X(i, 0), X(i, 1), X(i, 2) };
}

// Step 6: no usable fit. Both directions are one tangent, N x a.
void singularResult(const Vec3d& N, PrincipalCurvatures& result)
{
    result.kmax = result.kmin = 0.0;
    result.outcome = CurvatureOutcome::SINGULAR;
    if (dot(N, N) == 0.0) {
        // No normal and no patch: no tangent plane to choose from.
        result.dmax = SbVec3f(1.0f, 0.0f, 0.0f);
        result.dmin = SbVec3f(0.0f, 1.0f, 0.0f);
        return;
    }
    Vec3d a = { 1.0, 0.0, 0.0 };
    Vec3d t = cross(N, a);
    // N parallel to a (N.a = 1, and also N.a = -1, where N x a vanishes too).
    if (dot(N, a) == 1.0 || dot(t, t) == 0.0) {
        a = { 0.0, 1.0, 0.0 };
        t = cross(N, a);
    }
    result.dmax = result.dmin = toFloat(unitOrZero(t));
}

// The fundamental forms of the fitted patch.
struct Forms {
    Vec3d Ru, Rv;
    double E, F, G, L, M, Nn;
};

// Normal curvature along the tangent du Ru + dv Rv.
inline double normalCurvature(const Forms& f, double du, double dv)
{
    return -(f.L * du * du + 2.0 * f.M * du * dv + f.Nn * dv * dv) /
           (f.E * du * du + 2.0 * f.F * du * dv + f.G * dv * dv);
}

// The larger of the two curvatures is kmax, with its direction.
void setPrincipal(double k1, const Vec3d& d1, double k2, const Vec3d& d2, CurvatureOutcome outcome,
                  PrincipalCurvatures& result)
{
    const bool swap = k1 < k2;
    result.kmax = swap ? k2 : k1;
    result.kmin = swap ? k1 : k2;
    result.dmax = toFloat(swap ? d2 : d1);
    result.dmin = toFloat(swap ? d1 : d2);
    result.outcome = outcome;
}

// The two principal directions as ratios λ = dv/du of the tangent Ru + λ Rv:
// the roots of D λ² + (Nn E - L G) λ + (M E - L F) = 0 with D = Nn F - M G.
// Returns false when the values came out non-finite (D vanishingly small).
bool principalFromRoots(const Forms& f, double D, PrincipalCurvatures& result)
{
    const double b = (f.Nn * f.E - f.L * f.G) / (2.0 * D);
    const double g = (f.M * f.E - f.L * f.F) / D;
    const double s = std::sqrt(std::max(b * b - g, 0.0));
    double lambda1 = s - b, lambda2 = -s - b;
    // The root whose two terms cancel is taken from the other through their
    // product g instead: when |b| is much larger than |g| (one direction
    // close to Rv), s - b or -s - b would lose all its digits.
    if (b > 0.0 && lambda2 != 0.0)
        lambda1 = g / lambda2;
    else if (b < 0.0 && lambda1 != 0.0)
        lambda2 = g / lambda1;
    const double k1 = normalCurvature(f, 1.0, lambda1);
    const double k2 = normalCurvature(f, 1.0, lambda2);
    const Vec3d d1 = unitOrZero(f.Ru + lambda1 * f.Rv);
    const Vec3d d2 = unitOrZero(f.Ru + lambda2 * f.Rv);
    if (!std::isfinite(k1) || !std::isfinite(k2) || !isFinite(d1) || !isFinite(d2))
        return false;
    setPrincipal(k1, d1, k2, d2, CurvatureOutcome::PRINCIPAL, result);
    return true;
}

// D = 0: the direction equation is linear. Its quadratic root has moved to
// infinity, that is to the direction Rv itself (curvature -Nn/G), and the
// other root is λ = -(M E - L F) / (Nn E - L G). When the linear coefficient
// vanishes too the fit is isotropic (every direction is principal): both
// curvatures are -L/E, along Ru and the tangent orthogonal to it.
void principalDegenerate(const Forms& f, const Vec3d& N, PrincipalCurvatures& result)
{
    const double c1 = f.Nn * f.E - f.L * f.G;
    double k1, k2;
    Vec3d d1, d2;
    const double lambda = c1 != 0.0 ? -(f.M * f.E - f.L * f.F) / c1 : 0.0;
    if (c1 != 0.0 && std::isfinite(lambda)) {
        k1 = normalCurvature(f, 1.0, lambda);
        d1 = unitOrZero(f.Ru + lambda * f.Rv);
        k2 = -f.Nn / f.G;
        d2 = unitOrZero(f.Rv);
    } else {
        k1 = k2 = -f.L / f.E;
        d1 = unitOrZero(f.Ru);
        d2 = unitOrZero(cross(N, d1));
    }
    setPrincipal(k1, d1, k2, d2, CurvatureOutcome::DEGENERATE, result);
}

} // namespace

// --- principal curvatures ------------------------------------------------------

PrincipalCurvatures estimatePrincipalCurvatures(const WEVertex& vertex)
{
    PrincipalCurvatures result;
    Vec3d N = unitOrZero(Vec3d::of(vertex.normal));

    FanPoints points;
    const bool closed = walkFan(vertex, points);
    result.openFan = !closed;

    matrixT A, B, X;
    fillFitRows(points, closed, A, B);
    result.rows = int(points.size());
    if (!solveFit(A, B, result.solve, X)) {
        singularResult(N, result);
        return result;
    }

    // The rows of X are the patch derivatives Ru, Rv, Ruu, Ruv, Rvv.
    Forms f;
    f.Ru = rowOf(X, 0);
    f.Rv = rowOf(X, 1);
    const Vec3d Ruu = rowOf(X, 2), Ruv = rowOf(X, 3), Rvv = rowOf(X, 4);
    f.E = dot(f.Ru, f.Ru);
    f.F = dot(f.Ru, f.Rv);
    f.G = dot(f.Rv, f.Rv);

    // The patch must span a tangent plane. With fewer than two independent
    // neighbour directions Ru and Rv come out parallel (or zero) and no
    // curvature can be read off.
    if (!(f.E > 0.0) || !(f.G > 0.0) || !(f.E * f.G - f.F * f.F > 1e-12 * f.E * f.G) || !std::isfinite(f.E * f.G)) {
        singularResult(N, result);
        return result;
    }
    // A vertex whose stored normal vanished (its faces cancel, or are all
    // degenerate) takes the patch's own normal. The walk turns clockwise seen
    // from the normal side, so Ru x Rv points against the normal.
    if (dot(N, N) == 0.0)
        N = unitOrZero(cross(f.Rv, f.Ru));

    f.L = dot(Ruu, N);
    f.M = dot(Ruv, N);
    f.Nn = dot(Rvv, N);
    const double D = f.Nn * f.F - f.M * f.G;
    if (D == 0.0 || !principalFromRoots(f, D, result))
        principalDegenerate(f, N, result);

    if (!std::isfinite(result.kmax) || !std::isfinite(result.kmin)) {
        const CurvatureSolve solve = result.solve;
        singularResult(N, result);
        result.solve = solve;
    }
    return result;
}

// --- centroid estimate ---------------------------------------------------------

double averageCurvatureEstimate(const WEVertex& vertex, const std::vector<SbVec3f>& faceCentroids)
{
    Vec3d sum = { 0.0, 0.0, 0.0 };
    int count = 0, missing = 0;
    for (const WEEdge* e : vertex.edges) {
        for (const WEFace* face : { e->leftFace, e->rightFace }) {
            if (face == nullptr)
                continue;
            if (face->id < 0 || size_t(face->id) >= faceCentroids.size()) {
                ++missing;
                continue;
            }
            sum = sum + Vec3d::of(faceCentroids[size_t(face->id)]);
            ++count;
        }
    }
    if (missing > 0)
        SoDebugError::post("averageCurvatureEstimate",
                           "vertex %d: %d face(s) without an entry in the centroid array (of %d); left out",
                           vertex.id, missing, int(faceCentroids.size()));
    // Without faces there is no neighbourhood to bend: the value is 0, not
    // the distance to an origin that means nothing here.
    if (count == 0)
        return 0.0;
    const Vec3d d = (1.0 / count) * sum - Vec3d::of(vertex.position);
    const Vec3d normal = Vec3d::of(vertex.normal);
    if (dot(normal, normal) == 0.0)
        return length(d);
    return -dot(d, normal);
}

// --- derived indices -------------------------------------------------------------

double shapeIndex(double kmax, double kmin)
{
    if (std::fabs(kmax) < 0.001 && std::fabs(kmin) < 0.001)
        return 0.0;
    if (std::fabs(kmax - kmin) >= 0.001)
        return (2.0 / PI) * std::atan((kmax + kmin) / (kmax - kmin));
    return kmax >= 0.0 ? 1.0 : -1.0;
}

double foldIndex(double kmax, double kmin)
{
    if (std::fabs(kmax) < 0.0001 && std::fabs(kmin) < 0.0001)
        return 0.0;
    // At an umbilic the ratio is infinite and the exponential factor
    // vanishes; that limit is returned directly.
    if (kmax == kmin)
        return 0.0;
    return (kmax + kmin) * std::exp(1.0 - std::fabs((kmax + kmin) / (kmax - kmin)));
}

namespace {

// Length of the per-id arrays (largest vertex id + 1), or -1 with a
// diagnostic when an id is negative.
long vertexArrayLength(const WingedEdgeMesh& mesh, const char* caller)
{
    long largest = -1;
    for (const WEVertex& v : mesh.vertices) {
        if (v.id < 0) {
            SoDebugError::post(caller, "vertex id %d is negative; vertex ids must be 0 or more (renumber the mesh)",
                               v.id);
            return -1;
        }
        largest = std::max(largest, long(v.id));
    }
    return largest + 1;
}

struct ProbeValues {
    double kmax, kmin;
};

// kmax and kmin at P, weighted by inverse squared distance over the vertex
// and the far ends of its edges. Weights are taken relative to the nearest
// point so that they stay finite; a probe on a point (distance 0) takes that
// point's values (the mean over all points there).
ProbeValues interpolateAt(const Vec3d& P, const WEVertex& v, const std::vector<PrincipalCurvatures>& estimate)
{
    auto distance2 = [&P](const WEVertex* x) {
        const Vec3d d = P - Vec3d::of(x->position);
        return dot(d, d);
    };
    double nearest = distance2(&v);
    for (const WEEdge* e : v.edges)
        nearest = std::min(nearest, distance2(e->otherVertex(&v)));

    double weightSum = 0.0, kmaxSum = 0.0, kminSum = 0.0;
    auto add = [&](const WEVertex* x) {
        const double d2 = distance2(x);
        double w;
        if (nearest == 0.0)
            w = d2 == 0.0 ? 1.0 : 0.0;
        else
            w = nearest / d2;
        const PrincipalCurvatures& k = estimate[size_t(x->id)];
        weightSum += w;
        kmaxSum += w * k.kmax;
        kminSum += w * k.kmin;
    };
    add(&v);
    for (const WEEdge* e : v.edges)
        add(e->otherVertex(&v));
    return { kmaxSum / weightSum, kminSum / weightSum };
}

std::vector<PrincipalCurvatures> estimateAll(const WingedEdgeMesh& mesh, size_t idCount)
{
    std::vector<PrincipalCurvatures> estimate(idCount);
    for (const WEVertex& v : mesh.vertices)
        estimate[size_t(v.id)] = estimatePrincipalCurvatures(v);
    return estimate;
}

} // namespace

std::vector<double> singularityIndex(const WingedEdgeMesh& mesh, double threshold)
{
    const long idCount = vertexArrayLength(mesh, "singularityIndex");
    if (idCount < 0)
        return std::vector<double>();

    double edgeLengths = 0.0;
    for (const WEEdge& e : mesh.edges)
        edgeLengths += length(Vec3d::of(e.endVertex->position) - Vec3d::of(e.startVertex->position));
    const double h = mesh.edges.empty() ? 0.0 : edgeLengths / (2.0 * double(mesh.edges.size()));

    const std::vector<PrincipalCurvatures> estimate = estimateAll(mesh, size_t(idCount));
    std::vector<double> values(size_t(idCount), 0.0);
    for (const WEVertex& v : mesh.vertices) {
        const PrincipalCurvatures& own = estimate[size_t(v.id)];
        const Vec3d p = Vec3d::of(v.position);
        const Vec3d dmin = Vec3d::of(own.dmin), dmax = Vec3d::of(own.dmax);
        // P1, P2 along dmin, then P3, P4 along dmax.
        const Vec3d probes[4] = { p + h * dmin, p - h * dmin, p + h * dmax, p - h * dmax };
        double change[4];
        double largest = 0.0;
        for (int i = 0; i < 4; ++i) {
            const ProbeValues k = interpolateAt(probes[i], v, estimate);
            const double dMax = std::fabs(own.kmax - k.kmax), dMin = std::fabs(own.kmin - k.kmin);
            change[i] = std::max(dMax, dMin);
            largest = std::max(largest, change[i]);
        }
        if (threshold < 0.0) {
            values[size_t(v.id)] = largest;
            continue;
        }
        const bool alongMin = change[0] >= threshold || change[1] >= threshold;
        const bool alongMax = change[2] >= threshold || change[3] >= threshold;
        values[size_t(v.id)] = alongMin && alongMax ? 0.0 : alongMin || alongMax ? 1.0 : 2.0;
    }
    return values;
}

std::optional<std::vector<double>> curvatureValues(const WingedEdgeMesh& mesh, int mode, double threshold)
{
    if (mode < CURVATURE_AVERAGE_ESTIMATE || mode > CURVATURE_SINGULARITY_INDEX ||
        mode == CURVATURE_MIN_MAX_SEPARATELY)
        return std::nullopt;
    const long idCount = vertexArrayLength(mesh, "curvatureValues");
    if (idCount < 0)
        return std::nullopt;

    if (mode == CURVATURE_SINGULARITY_INDEX)
        return singularityIndex(mesh, threshold);

    std::vector<double> values(size_t(idCount), 0.0);
    if (mode == CURVATURE_AVERAGE_ESTIMATE) {
        const std::vector<SbVec3f> centroids = faceCentroids(mesh);
        for (const WEVertex& v : mesh.vertices)
            values[size_t(v.id)] = averageCurvatureEstimate(v, centroids);
        return values;
    }
    for (const WEVertex& v : mesh.vertices) {
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        double value = 0.0;
        switch (mode) {
        case CURVATURE_MIN: value = k.kmin; break;
        case CURVATURE_MAX: value = k.kmax; break;
        case CURVATURE_MEAN: value = 0.5 * (k.kmax + k.kmin); break;
        case CURVATURE_MAX_ABS: value = std::max(std::fabs(k.kmax), std::fabs(k.kmin)); break;
        case CURVATURE_SHAPE_INDEX: value = shapeIndex(k.kmax, k.kmin); break;
        case CURVATURE_FOLD_INDEX: value = foldIndex(k.kmax, k.kmin); break;
        default: break;
        }
        values[size_t(v.id)] = value;
    }
    return values;
}
