// The Gauss-map geometry on the cube and the orthographic silhouette search
// built on it, checked against brute force: an edge is a silhouette edge
// seen along d exactly when (d . nL) * (d . nR) <= 0 for its two face
// normals, which do not point the same way.

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <new>
#include <random>
#include <set>
#include <sstream>

#include "lines/GaussMap.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/RealModels.h"
#include "wingededge/SoGenerateWingedEdge.h"

// Every allocation of the program, so a test can see that a query makes none.
// (GCC cannot tell that these replace the global pair and warns about free.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> allocations{ 0 };
}
void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

struct GaussMapSearchTestAccess {
    static void setStamp(GaussMapSearch& search, int32_t stamp) { search.stamp = stamp; }
};

namespace {

const double kPi = 3.14159265358979323846;
typedef std::set<const WEEdge*> EdgeSet;

double angleBetween(const SbVec3d& a, const SbVec3d& b)
{
    return std::atan2(a.cross(b).length(), a.dot(b));
}

double distanceToSegment(const SbVec2d& p, const SbVec2d& a, const SbVec2d& b)
{
    const SbVec2d ab = b - a;
    const double len2 = ab.dot(ab);
    const double t = len2 > 0.0 ? std::min(1.0, std::max(0.0, (p - a).dot(ab) / len2)) : 0.0;
    return (p - (a + ab * t)).length();
}

// Distance between the segment a-b and the box [u0, u1] x [v0, v1].
double segmentToBox(const SbVec2d& a, const SbVec2d& b, double u0, double u1, double v0, double v1)
{
    // Liang-Barsky: does the segment enter the box?
    const SbVec2d d = b - a;
    double t0 = 0.0, t1 = 1.0;
    auto inside = [&](double p, double q) { // p t <= q
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        return t0 <= t1;
    };
    if (inside(-d[0], a[0] - u0) && inside(d[0], u1 - a[0]) && inside(-d[1], a[1] - v0) && inside(d[1], v1 - a[1]))
        return 0.0;
    // Apart, the nearest points are an end of the segment or a corner of the box.
    auto toBox = [&](const SbVec2d& p) {
        return std::hypot(std::max(0.0, std::max(u0 - p[0], p[0] - u1)), std::max(0.0, std::max(v0 - p[1], p[1] - v1)));
    };
    double best = std::min(toBox(a), toBox(b));
    for (const SbVec2d& c : { SbVec2d(u0, v0), SbVec2d(u0, v1), SbVec2d(u1, v0), SbVec2d(u1, v1) })
        best = std::min(best, distanceToSegment(c, a, b));
    return best;
}

// The faces whose plane the point of the cube's surface lies in (up to
// rounding: a sampled point next to a cube edge may belong to either face).
std::vector<int> facesHolding(const SbVec3d& q)
{
    std::vector<int> faces;
    for (int axis = 0; axis < 3; ++axis)
        if (std::fabs(q[axis]) >= 1.0 - 1e-12)
            faces.push_back(cubeFaceNumber(axis, q[axis]));
    return faces;
}

SbVec3d randomUnit(std::mt19937& rng)
{
    std::normal_distribution<double> g;
    SbVec3f v(float(g(rng)), float(g(rng)), float(g(rng)));
    v.normalize();
    return SbVec3d(v);
}

// A unit direction (as a float vector) at least 1e-6 away from perpendicular
// to every face normal of the list, so rounding cannot decide a sign.
SbVec3f generalDirection(std::mt19937& rng, const WingedEdgeList& list)
{
    for (;;) {
        const SbVec3d d = randomUnit(rng);
        bool clear = true;
        for (const WingedEdgeMesh& mesh : list.meshes)
            for (const WEFace& face : mesh.faces) {
                const SbVec3d n(face.normal);
                clear = clear && (!isDirection(n) || std::fabs(d.dot(n)) >= 1e-6 * n.length());
            }
        if (clear)
            return SbVec3f(float(d[0]), float(d[1]), float(d[2]));
    }
}

EdgeSet bruteForce(const WingedEdgeMesh& mesh, const SbVec3f& dFloat)
{
    const SbVec3d d(dFloat);
    EdgeSet result;
    for (const WEEdge& edge : mesh.edges) {
        if (edge.isBoundary())
            continue;
        const SbVec3d nL(edge.leftFace->normal), nR(edge.rightFace->normal);
        if (!isDirection(nL) || !isDirection(nR))
            continue;
        const bool sameWay = nL.cross(nR) == SbVec3d(0.0, 0.0, 0.0) && nL.dot(nR) > 0.0;
        if (!sameWay && d.dot(nL) * d.dot(nR) <= 0.0)
            result.insert(&edge);
    }
    return result;
}

// The edges a query reports; fails when one comes twice on one cube face.
EdgeSet searchEdges(GaussMapSearch& search, size_t mesh, const SbVec3f& d)
{
    EdgeSet found;
    std::set<std::pair<const WEEdge*, int>> onFace;
    search.queryWithCubeFaces(mesh, d, [&](WEEdge* edge, int face) {
        EXPECT_TRUE(onFace.insert({ edge, face }).second)
            << "edge " << edge->id << " reported twice on cube face " << face;
        found.insert(edge);
    });
    return found;
}

std::string describeDifference(const EdgeSet& found, const EdgeSet& expected)
{
    std::ostringstream out;
    for (const WEEdge* e : expected)
        if (!found.count(e))
            out << " missing " << e->id;
    for (const WEEdge* e : found)
        if (!expected.count(e))
            out << " extra " << e->id;
    return out.str();
}

void expectSameAsBruteForce(GaussMapSearch& search, const WingedEdgeList& list, const SbVec3f& d,
                            const std::string& what)
{
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        const EdgeSet expected = bruteForce(list.meshes[m], d);
        const EdgeSet found = searchEdges(search, m, d);
        EXPECT_TRUE(found == expected) << what << " mesh " << m << " d (" << d[0] << ", " << d[1] << ", " << d[2]
                                       << "):" << describeDifference(found, expected);
    }
}

// Checks the chords of one plane: on the plane and their face, a closed
// polygon that uses each end point twice, covering every point of the cut;
// the contacts hold every chord.
void checkCut(const SbVec3d& normal, const std::string& what)
{
    CubeChords chords, contacts;
    planeCubeChords(normal, chords);
    planeCubeContacts(normal, contacts);
    SbVec3d unit = normal;
    unit.normalize();
    std::map<std::array<double, 3>, int> endUse;
    for (int f = 0; f < kCubeFaceCount; ++f) {
        const CubeChord& c = chords[size_t(f)];
        if (c.present) {
            const CubeChord& k = contacts[size_t(f)];
            EXPECT_TRUE(k.present && ((k.a == c.a && k.b == c.b) || (k.a == c.b && k.b == c.a)))
                << what << " face " << f << ": contact differs from chord";
            EXPECT_FALSE(c.a == c.b) << what << " face " << f << ": chord is a point";
        }
        for (const CubeChord* chord : { &c, static_cast<const CubeChord*>(&contacts[size_t(f)]) }) {
            if (!chord->present)
                continue;
            CubeFaceFrame frame;
            cubeFaceFrame(f, frame);
            for (const SbVec3d& p : { chord->a, chord->b }) {
                EXPECT_EQ(p[frame.axis], frame.side) << what << " face " << f << ": end point off the face";
                EXPECT_LE(std::fabs(unit.dot(p)), 1e-12) << what << " face " << f << ": end point off the plane";
                EXPECT_TRUE(std::fabs(p[frame.uAxis]) == 1.0 || std::fabs(p[frame.vAxis]) == 1.0)
                    << what << " face " << f << ": end point inside the face";
            }
        }
        if (c.present) {
            ++endUse[{ c.a[0], c.a[1], c.a[2] }];
            ++endUse[{ c.b[0], c.b[1], c.b[2] }];
        }
    }
    for (const auto& use : endUse)
        EXPECT_EQ(use.second, 2) << what << ": chord end (" << use.first[0] << ", " << use.first[1] << ", "
                                 << use.first[2] << ") does not join two chords";
    SbVec3d a = unit.cross(std::fabs(unit[0]) < 0.9 ? SbVec3d(1, 0, 0) : SbVec3d(0, 1, 0));
    a.normalize();
    const SbVec3d b = unit.cross(a);
    for (int i = 0; i < 360; ++i) {
        const double t = 2.0 * kPi * i / 360.0;
        const SbVec3d q = projectToCube(a * std::cos(t) + b * std::sin(t));
        double best = 1.0;
        for (int f : facesHolding(q))
            if (chords[size_t(f)].present)
                best = std::min(best, distanceToSegment(cubeFaceCoordinates(f, q),
                                                        cubeFaceCoordinates(f, chords[size_t(f)].a),
                                                        cubeFaceCoordinates(f, chords[size_t(f)].b)));
        EXPECT_LE(best, 1e-12) << what << ": cut point at angle " << t << " on no chord";
    }
}

// Checks the pieces of the arc from `from` to `to`: on their faces, one per
// face, on the arc, together exactly as long as the arc and covering samples
// of it.
void checkArc(const SbVec3d& from, const SbVec3d& to, const SbVec3d& edge, const std::string& what)
{
    GaussArc arc;
    ASSERT_TRUE(makeGaussArc(from, to, edge, arc)) << what;
    CubeFaceSegment pieces[kCubeFaceCount];
    const int count = gaussArcPieces(arc, pieces);
    const bool opposite = from.cross(to) == SbVec3d(0.0, 0.0, 0.0);
    const double angle = opposite ? kPi : angleBetween(from, to);
    // The arc's own points: the tangent where it leaves `from`.
    SbVec3d f = from, tangent = arc.pole.cross(from);
    f.normalize();
    tangent.normalize();
    double total = 0.0;
    std::set<int> faces;
    for (int i = 0; i < count; ++i) {
        const CubeFaceSegment& s = pieces[i];
        EXPECT_TRUE(faces.insert(s.face).second) << what << ": two pieces on face " << s.face;
        const SbVec3d p0 = cubeFacePoint(s.face, s.p0), p1 = cubeFacePoint(s.face, s.p1);
        for (const SbVec3d& p : { p0, p1 }) {
            EXPECT_TRUE(std::fabs(p[0]) <= 1.0 && std::fabs(p[1]) <= 1.0 && std::fabs(p[2]) <= 1.0)
                << what << ": piece on face " << s.face << " leaves the face";
            double along = std::atan2(tangent.dot(p), f.dot(p));
            if (along < -1e-9)
                along += 2.0 * kPi;
            EXPECT_LE(std::fabs(arc.pole.dot(p)) / p.length(), 1e-12) << what << ": piece off the arc's plane";
            EXPECT_TRUE(along >= -1e-9 && along <= angle + 1e-9)
                << what << ": piece end at " << along << " outside the arc [0, " << angle << "]";
        }
        total += angleBetween(p0, p1);
    }
    EXPECT_NEAR(total, angle, 1e-9) << what << ": pieces do not cover the arc once";
    for (int i = 0; i <= 100; ++i) {
        const double t = angle * i / 100.0;
        const SbVec3d q = projectToCube(f * std::cos(t) + tangent * std::sin(t));
        double best = 1.0;
        for (int k = 0; k < count; ++k)
            for (int face : facesHolding(q))
                if (pieces[k].face == face)
                    best = std::min(best, distanceToSegment(cubeFaceCoordinates(face, q), pieces[k].p0, pieces[k].p1));
        EXPECT_LE(best, 1e-9) << what << ": arc point at " << t << " in no piece";
    }
}

// A list whose only mesh is two triangles hinged on one edge, with the given
// normals on its left and right face.
WEEdge* hinge(WingedEdgeList& list, const SbVec3f& left, const SbVec3f& right)
{
    WingedEdgeMesh& mesh = buildSingle(list, makeGrid(1));
    for (WEEdge& edge : mesh.edges)
        if (!edge.isBoundary()) {
            edge.leftFace->normal = left;
            edge.rightFace->normal = right;
            return &edge;
        }
    return nullptr;
}

bool loadModel(const std::string& relative, WingedEdgeList& list)
{
    const std::string path = (std::filesystem::path(realModelsDirectory()) / relative).string();
    SoInput in;
    if (!std::filesystem::exists(path) || !in.openFile(path.c_str()))
        return false;
    SoSeparator* root = SoDB::readAll(&in);
    in.closeFile();
    if (root == nullptr)
        return false;
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    generator->ref();
    generator->addChild(root);
    testing::internal::CaptureStdout(); // construction's own messages
    SoCallbackAction action;
    action.apply(generator);
    testing::internal::GetCapturedStdout();
    list = generator->getOutputList();
    generator->unref();
    return !list.meshes.empty();
}

// ---------------------------------------------------------------------------

TEST(GaussMapGeometry, CubeFacesAndTheirCoordinates)
{
    // One point in the middle of each face's positive quadrant: the face it
    // is on, and the coordinates the face gives it.
    const struct {
        SbVec3d point;
        int face;
        SbVec2d uv;
    } cases[] = {
        { { 0.25, -1, 0.5 }, 0, { 0.25, 0.5 } }, { { 0.25, 0.5, -1 }, 1, { 0.25, 0.5 } },
        { { -1, 0.25, 0.5 }, 2, { 0.25, 0.5 } }, { { 0.25, 0.5, 1 }, 3, { 0.25, 0.5 } },
        { { 1, 0.25, 0.5 }, 4, { 0.25, 0.5 } },  { { 0.25, 1, 0.5 }, 5, { 0.25, 0.5 } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(facesHolding(c.point), std::vector<int>{ c.face }) << "face of point on face " << c.face;
        EXPECT_TRUE(cubeFaceCoordinates(c.face, c.point) == c.uv) << "coordinates on face " << c.face;
        EXPECT_TRUE(cubeFacePoint(c.face, c.uv) == c.point) << "point of face " << c.face;
    }

    testing::internal::CaptureStdout();
    const SbVec2d badCoordinates = cubeFaceCoordinates(6, SbVec3d(1, 0, 0));
    const SbVec3d badPoint = cubeFacePoint(-1, SbVec2d(0.5, 0.5));
    GaussMapSearch search;
    const size_t badPieces = search.pieces(0, 7).size();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Error: Cube has only 6 faces\nError: Cube has only 6 faces\nError: Cube has only 6 faces\n")
        << "messages for faces 6, -1 and 7";
    EXPECT_TRUE(badCoordinates == SbVec2d(0, 0)) << "coordinates on face 6";
    EXPECT_TRUE(badPoint == SbVec3d(0, 0, 0)) << "point of face -1";
    EXPECT_EQ(badPieces, 0u) << "pieces of face 7";
}

TEST(GaussMapGeometry, PlaneCubeChords)
{
    // Axis plane z = 0: the four side faces, each cut across the middle.
    CubeChords chords;
    planeCubeChords(SbVec3d(0, 0, 1), chords);
    for (int f = 0; f < kCubeFaceCount; ++f) {
        EXPECT_EQ(chords[size_t(f)].present, f != 1 && f != 3) << "plane z = 0, face " << f;
        if (chords[size_t(f)].present) {
            EXPECT_DOUBLE_EQ((chords[size_t(f)].a - chords[size_t(f)].b).length(), 2.0) << "plane z = 0, face " << f;
        }
    }
    // Plane x = y holds the cube edges x = y = 1 (faces 4, 5) and x = y = -1
    // (faces 0, 2): each is kept once, by the lower face; all six faces are
    // contacts.
    CubeChords contacts;
    planeCubeChords(SbVec3d(1, -1, 0), chords);
    planeCubeContacts(SbVec3d(1, -1, 0), contacts);
    const bool edgePlane[] = { true, true, false, true, true, false };
    for (int f = 0; f < kCubeFaceCount; ++f) {
        EXPECT_EQ(chords[size_t(f)].present, edgePlane[f]) << "plane x = y, chord on face " << f;
        EXPECT_TRUE(contacts[size_t(f)].present) << "plane x = y, contact on face " << f;
    }
    // Plane -x - y + 2z = 0 touches faces 1 and 3 only in the corners
    // (-1,-1,-1) and (1,1,1): contacts there, no chords.
    planeCubeChords(SbVec3d(-1, -1, 2), chords);
    planeCubeContacts(SbVec3d(-1, -1, 2), contacts);
    EXPECT_FALSE(chords[1].present || chords[3].present) << "corner plane: chord on face 1 or 3";
    EXPECT_TRUE(contacts[3].present && contacts[3].a == SbVec3d(1, 1, 1) && contacts[3].b == SbVec3d(1, 1, 1))
        << "corner plane: contact on face 3";
    EXPECT_TRUE(contacts[1].present && contacts[1].a == SbVec3d(-1, -1, -1)) << "corner plane: contact on face 1";
    planeCubeChords(SbVec3d(0, 0, 0), chords);
    for (int f = 0; f < kCubeFaceCount; ++f)
        EXPECT_FALSE(chords[size_t(f)].present) << "zero normal, face " << f;

    // Invariants over planes through cube edges and corners (small integer
    // normals) and random planes.
    for (int x = -2; x <= 2; ++x)
        for (int y = -2; y <= 2; ++y)
            for (int z = -2; z <= 2; ++z)
                if (x || y || z)
                    checkCut(SbVec3d(x, y, z), "normal (" + std::to_string(x) + ", " + std::to_string(y) + ", " +
                                                   std::to_string(z) + ")");
    std::mt19937 rng(4711);
    for (int i = 0; i < 200; ++i)
        checkCut(randomUnit(rng), "random plane " + std::to_string(i));
}

TEST(GaussMapGeometry, ArcPiecesCoverTheArc)
{
    // From the centre of face 4 to the centre of face 5 over the cube edge
    // x = y = 1: half of each face's middle line.
    GaussArc arc;
    CubeFaceSegment pieces[kCubeFaceCount];
    ASSERT_TRUE(makeGaussArc(SbVec3d(1, 0, 0), SbVec3d(0, 1, 0), SbVec3d(0, 0, 1), arc));
    ASSERT_EQ(gaussArcPieces(arc, pieces), 2) << "x to y";
    EXPECT_EQ(pieces[0].face, 4);
    EXPECT_EQ(pieces[1].face, 5);
    EXPECT_DOUBLE_EQ(std::fabs(pieces[0].p1[0] - pieces[0].p0[0]) + std::fabs(pieces[0].p1[1] - pieces[0].p0[1]), 1.0)
        << "piece on face 4 is half its middle line";
    // Along the cube edge x = y = 1 from its middle to the corner: one
    // piece, kept by face 4.
    ASSERT_TRUE(makeGaussArc(SbVec3d(1, 1, 0), SbVec3d(1, 1, 1), SbVec3d(1, -1, 0), arc));
    ASSERT_EQ(gaussArcPieces(arc, pieces), 1) << "arc along a cube edge";
    EXPECT_EQ(pieces[0].face, 4);
    // No arc between normals pointing the same way, or without a direction.
    EXPECT_FALSE(makeGaussArc(SbVec3d(0, 0, 1), SbVec3d(0, 0, 2), SbVec3d(1, 0, 0), arc)) << "same way";
    EXPECT_FALSE(makeGaussArc(SbVec3d(0, 0, 0), SbVec3d(0, 0, 1), SbVec3d(1, 0, 0), arc)) << "zero normal";
    EXPECT_FALSE(makeGaussArc(SbVec3d(NAN, 0, 1), SbVec3d(0, 0, 1), SbVec3d(1, 0, 0), arc)) << "NaN normal";
    // Opposite normals: the half circle through edge x from, here -y.
    ASSERT_TRUE(makeGaussArc(SbVec3d(0, 0, 1), SbVec3d(0, 0, -1), SbVec3d(1, 0, 0), arc));
    EXPECT_GT(arc.startBound.dot(SbVec3d(0, -1, 0)), 0.0) << "opposite normals: half circle through -y";
    checkArc(SbVec3d(0, 0, 1), SbVec3d(0, 0, -1), SbVec3d(1, 0, 0), "opposite normals");

    // Arcs between normals on cube edges and corners, and random arcs (both
    // ways round).
    const SbVec3d special[] = { { 1, 0, 0 }, { 1, 1, 0 }, { 1, 1, 1 }, { 0, -1, 1 }, { -1, 1, 1 }, { 1, 2, 0 } };
    for (const SbVec3d& a : special)
        for (const SbVec3d& b : special)
            if (!(a.cross(b) == SbVec3d(0, 0, 0)))
                checkArc(a, -b, a.cross(-b), "special arc");
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
        const SbVec3d a = randomUnit(rng), b = randomUnit(rng);
        checkArc(a, b, a.cross(b), "random arc " + std::to_string(i));
        checkArc(b, a, a.cross(b), "reversed random arc " + std::to_string(i));
    }
}

TEST(GaussMapGeometry, GridRasterization)
{
    EXPECT_EQ(gaussGridCell(-1.0), 0);
    EXPECT_EQ(gaussGridCell(0.0), 15);
    EXPECT_EQ(gaussGridCell(1.0), 30);
    EXPECT_EQ(gaussGridCell(-1.0 + 1.0 / 15.0 + 1e-12), 1);
    EXPECT_EQ(gaussGridCell(1.0 - 1e-12), 29);
    EXPECT_EQ(gaussGridCell(3.0), 30) << "above the face";
    EXPECT_EQ(gaussGridCell(NAN), 0) << "not a number";
    std::vector<int32_t> cells;
    rasterizeGaussGrid(SbVec2d(-0.99, -0.99), SbVec2d(-0.95, -0.95), cells);
    EXPECT_EQ(cells, std::vector<int32_t>{ 0 }) << "segment inside the first cell";
    cells.clear();
    rasterizeGaussGrid(SbVec2d(NAN, 0), SbVec2d(0, 0), cells);
    EXPECT_TRUE(cells.empty()) << "segment with a NaN end";

    // Against brute force: every sampled point's cell is listed, every
    // listed cell is within 1e-6 of the segment, each once, column by column.
    std::mt19937 rng(31);
    std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
    std::uniform_int_distribution<int> line(0, 30);
    auto snap = [&](double u) { return rng() % 3 == 0 ? -1.0 + line(rng) / 15.0 : u; }; // on grid lines
    for (int i = 0; i < 2000; ++i) {
        SbVec2d a(snap(coordinate(rng)), snap(coordinate(rng))), b(snap(coordinate(rng)), snap(coordinate(rng)));
        if (i % 5 == 1)
            b[0] = a[0]; // vertical
        if (i % 5 == 2)
            b[1] = a[1]; // horizontal
        if (i % 5 == 3)
            b = a; // a point
        cells.clear();
        rasterizeGaussGrid(a, b, cells);
        std::set<int32_t> listed(cells.begin(), cells.end());
        EXPECT_EQ(listed.size(), cells.size()) << "segment " << i << " lists a cell twice";
        for (size_t k = 1; k < cells.size(); ++k)
            EXPECT_LE(cells[k - 1] / 31, cells[k] / 31) << "segment " << i << " columns out of order";
        for (int s = 0; s <= 400; ++s) {
            const SbVec2d p = a + (b - a) * (s / 400.0);
            EXPECT_TRUE(listed.count(gaussGridCell(p[0]) * 31 + gaussGridCell(p[1])))
                << "segment " << i << " misses the cell of sample " << s;
        }
        for (int32_t cell : cells) {
            ASSERT_TRUE(cell >= 0 && cell < kGaussGridCellCount) << "segment " << i << " cell " << cell;
            // Closed extent of the cell; the last one holds only 1.
            auto low = [](int c) { return -1.0 + c / 15.0; };
            auto high = [](int c) { return c == 30 ? 1.0 : -1.0 + (c + 1) / 15.0; };
            const int cu = cell / 31, cv = cell % 31;
            EXPECT_LE(segmentToBox(a, b, low(cu), high(cu), low(cv), high(cv)), 1e-6)
                << "segment " << i << " lists far cell " << cell;
        }
    }
}

TEST(GaussMapSearch, FindsExactlyTheEdgesBetweenOppositeNormals)
{
    WingedEdgeList sphere, torus;
    buildSingle(sphere, makeSphere(12, 24));
    buildSingle(torus, makeTorus(24, 12, 1.0f, 0.35f));
    std::mt19937 rng(2024);
    for (WingedEdgeList* list : { &sphere, &torus })
        for (bool gridMode : { false, true }) {
            GaussMapSearch search;
            search.build(*list, gridMode);
            for (int i = 0; i < 40; ++i)
                expectSameAsBruteForce(search, *list, generalDirection(rng, *list),
                                       std::string(list == &sphere ? "sphere" : "torus") + (gridMode ? " grid" : ""));
        }
}

TEST(GaussMapSearch, RealModelsMatchBruteForce)
{
    // Curved models with many meshes, several normals per vertex and
    // non-manifold spots, from the Inventor data set when it is installed.
    std::mt19937 rng(2025);
    int checked = 0;
    for (const char* name : { "chess/queen.iv", "chess/knight.iv", "shell.iv", "heart.iv", "engine.iv" }) {
        WingedEdgeList model;
        if (!loadModel(name, model))
            continue;
        ++checked;
        std::printf("[ model    ] %s: %d meshes, %d faces\n", name, int(model.meshes.size()), model.totalFaceCount());
        for (bool gridMode : { false, true }) {
            GaussMapSearch search;
            search.build(model, gridMode);
            for (int i = 0; i < 8; ++i)
                expectSameAsBruteForce(search, model, generalDirection(rng, model),
                                       std::string(name) + (gridMode ? " grid" : ""));
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "no real model under " << realModelsDirectory();
}

TEST(GaussMapSearch, CrossingsExactlyAtArcEndsCount)
{
    // Seen straight down, the cube's twelve edges and not its face
    // diagonals: eight arcs end on the view's circle (crossing parameter 0 or
    // 1), four lie in it.
    WingedEdgeList cube;
    const WingedEdgeMesh& mesh = buildSingle(cube, makeCube());
    EdgeSet cubeEdges;
    for (const WEEdge& e : mesh.edges) {
        const SbVec3f d = e.endVertex->position - e.startVertex->position;
        if ((d[0] != 0) + (d[1] != 0) + (d[2] != 0) == 1)
            cubeEdges.insert(&e);
    }
    ASSERT_EQ(cubeEdges.size(), 12u);
    const SbVec3f views[] = { { 0, 0, 1 }, { 1, 0, 0 }, { 0, -1, 0 }, { 0.70710677f, -0.70710677f, 0 },
                              { 0.57735026f, 0.57735026f, 0.57735026f } };
    for (bool gridMode : { false, true }) {
        GaussMapSearch search;
        search.build(cube, gridMode);
        EXPECT_TRUE(searchEdges(search, 0, SbVec3f(0, 0, 1)) == cubeEdges) << "cube seen along z, grid " << gridMode;
        for (const SbVec3f& d : views)
            expectSameAsBruteForce(search, cube, d, std::string("cube") + (gridMode ? " grid" : ""));
    }

    // Hinges whose arcs end exactly on the view's circle at a cube corner or
    // cube edge, where the view's circle runs along a cube edge or only
    // touches a face, and other exact contacts; brute force says which count.
    const float c = 0.57735026f, h = 0.70710677f;
    const struct {
        SbVec3f left, right, d;
        bool expected;
    } cases[] = {
        { { c, c, c }, { 0, 1, 0 }, { h, -h, 0 }, true },   // corner end, view along cube edge x = y
        { { 0, 1, 0 }, { c, c, c }, { h, -h, 0 }, true },   // the same, reversed
        { { c, c, c }, { 0, 0, 1 }, { -1, -1, 2 }, true },  // corner end, view touching face 3 in it
        { { h, h, 0 }, { 0, 0, 1 }, { 1, -1, 0 }, true },   // cube-edge end
        { { 0, 0, 1 }, { 1, 0, 0 }, { 0, 1, 0 }, true },    // arc lying in the view's circle
        { { 0, 0, 1 }, { 1, 0, 0 }, { 1, 1, 1 }, false },   // both normals on one side
        { { 0, 0, 1 }, { 0, 0, -1 }, { 1, 0, 0 }, true },   // opposite normals
        { { 0, 0, 1 }, { 0, 0, 1 }, { 1, 0, 0 }, false },  // equal normals: no arc
    };
    for (const auto& k : cases)
        for (bool gridMode : { false, true }) {
            WingedEdgeList list;
            WEEdge* edge = hinge(list, k.left, k.right);
            ASSERT_NE(edge, nullptr);
            GaussMapSearch search;
            search.build(list, gridMode);
            const EdgeSet found = searchEdges(search, 0, k.d);
            EXPECT_EQ(found.count(edge), k.expected ? 1u : 0u)
                << "hinge (" << k.left[0] << ", " << k.left[1] << ", " << k.left[2] << ") to (" << k.right[0] << ", "
                << k.right[1] << ", " << k.right[2] << ") seen along (" << k.d[0] << ", " << k.d[1] << ", " << k.d[2]
                << "), grid " << gridMode;
            EXPECT_TRUE(found == bruteForce(list.meshes[0], k.d)) << "hinge against brute force, grid " << gridMode;
        }
}

TEST(GaussMapSearch, GridModeOnALargeMesh)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeSphere(101, 201));
    ASSERT_GT(list.totalFaceCount(), 40000) << "sphere large enough for grid mode";
    GaussMapSearch grid, plain;
    grid.build(list, true);
    plain.build(list, false);
    // About one cell per piece: finer than the smallest grid here.
    for (int face = 0; face < kCubeFaceCount; ++face) {
        const size_t pieces = grid.pieces(0, face).size();
        EXPECT_EQ(grid.gridSize(0, face), GaussMapSearch::gridSizeFor(pieces)) << "cube face " << face;
        EXPECT_GT(grid.gridSize(0, face), kGaussGridSize) << "cube face " << face << ", " << pieces << " pieces";
        EXPECT_EQ(plain.gridSize(0, face), 0) << "cube face " << face;
    }
    EXPECT_EQ(GaussMapSearch::gridSizeFor(0), kGaussGridSize);
    EXPECT_EQ(GaussMapSearch::gridSizeFor(961), kGaussGridSize);
    EXPECT_EQ(GaussMapSearch::gridSizeFor(1000), 32);

    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        const SbVec3f d = generalDirection(rng, list);
        const EdgeSet expected = bruteForce(mesh, d);
        // Each edge at most once per cube face, although its piece passes
        // several cells along the view's chord.
        std::set<std::pair<const WEEdge*, int>> seen;
        EdgeSet found;
        grid.queryWithCubeFaces(0, d, [&](WEEdge* edge, int face) {
            EXPECT_TRUE(seen.insert({ edge, face }).second) << "query " << i << ": edge " << edge->id
                                                            << " twice on cube face " << face;
            found.insert(edge);
        });
        EXPECT_TRUE(found == expected) << "grid query " << i << ":" << describeDifference(found, expected);
        const size_t gridTests = grid.lastTestCount();
        EXPECT_TRUE(searchEdges(plain, 0, d) == expected) << "plain query " << i;
        // The grid tests a narrow band around the view's circle: not many
        // more pieces than it finds, and a small share of what the plain
        // search tests.
        EXPECT_LT(gridTests, 6 * expected.size()) << "query " << i;
        EXPECT_LT(20 * gridTests, plain.lastTestCount()) << "query " << i << ": grid tested " << gridTests;
    }

    // Stamps running over: pieces stamped just before must not be taken as
    // tested after the count starts again.
    GaussMapSearchTestAccess::setStamp(grid, INT32_MAX - 3);
    for (int i = 0; i < 8; ++i) {
        const SbVec3f d = generalDirection(rng, list);
        EXPECT_TRUE(searchEdges(grid, 0, d) == bruteForce(mesh, d)) << "query " << i << " around the overflow";
    }
    // Queries touch no record.
    for (const WEEdge& e : mesh.edges)
        ASSERT_EQ(e.spare, 0) << "edge " << e.id;
}

TEST(GaussMapSearch, BadInputIsReportedAndChangesNothing)
{
    WingedEdgeList list;
    WingedEdgeMesh& mesh = buildSingle(list, makeSphere(8, 16));
    auto face = mesh.faces.begin();
    face->normal = SbVec3f(0, 0, 0);
    std::next(face, 20)->normal = SbVec3f(NAN, 0, 1);
    int affected = 0;
    for (const WEEdge& e : mesh.edges)
        affected += e.leftFace == &*face || e.rightFace == &*face || e.leftFace == &*std::next(face, 20) ||
                    e.rightFace == &*std::next(face, 20);
    const WingedEdgeList before = list;
    std::mt19937 rng(5);
    for (bool gridMode : { false, true }) {
        GaussMapSearch search;
        DebugErrorCollector collector;
        search.queryWithCubeFaces(0, SbVec3f(0, 0, 1), [](WEEdge*, int) { ADD_FAILURE() << "query before build"; });
        search.build(list, gridMode);
        ASSERT_EQ(collector.messages.size(), 2u) << "query before build, build with bad normals";
        EXPECT_NE(collector.messages[1].find(std::to_string(affected) + " edge(s) left out"), std::string::npos)
            << collector.messages[1];
        for (int i = 0; i < 10; ++i)
            expectSameAsBruteForce(search, list, generalDirection(rng, list), "sphere with bad normals");
        collector.messages.clear();
        for (const SbVec3f& d : { SbVec3f(0, 0, 0), SbVec3f(NAN, 0, 1), SbVec3f(INFINITY, 0, 0) })
            search.query(0, d, [](WEEdge*) { ADD_FAILURE() << "query with a bad direction"; });
        search.query(1, SbVec3f(0, 0, 1), [](WEEdge*) { ADD_FAILURE() << "query of a mesh not built"; });
        EXPECT_EQ(collector.messages.size(), 4u) << "one message per bad query";
        EXPECT_EQ(search.lastTestCount(), 0u) << "bad query tested pieces";
    }
    // Nothing changed.
    auto e = before.meshes[0].edges.begin();
    for (const WEEdge& edge : mesh.edges) {
        EXPECT_TRUE(edge.id == e->id && edge.flags == e->flags && edge.leftFace->id == e->leftFace->id)
            << "edge " << edge.id;
        ++e;
    }
    auto f = before.meshes[0].faces.begin();
    for (const WEFace& face : mesh.faces) {
        EXPECT_EQ(std::memcmp(&face.normal, &f->normal, sizeof(SbVec3f)), 0) << "face " << face.id << " normal";
        ++f;
    }
}

TEST(GaussMapSearch, SteadyStateQueriesDoNotAllocate)
{
    WingedEdgeList list;
    buildSingle(list, makeSphere(24, 48));
    std::vector<WEEdge*> found;
    found.reserve(100000);
    const GaussMapSearch::EdgeCallback collect = [&found](WEEdge* edge) { found.push_back(edge); };
    std::mt19937 rng(11);
    std::vector<SbVec3f> views;
    for (int i = 0; i < 20; ++i)
        views.push_back(generalDirection(rng, list));
    for (bool gridMode : { false, true }) {
        GaussMapSearch search;
        search.build(list, gridMode);
        search.query(0, SbVec3f(1, 0, 0), collect); // warm-up: buffers reach their size
        search.query(0, SbVec3f(0.6f, 0.8f, 0), collect);
        found.clear();
        const long start = allocations.load();
        for (const SbVec3f& d : views)
            search.query(0, d, collect);
        EXPECT_EQ(allocations.load() - start, 0) << "allocations in 20 queries, grid " << gridMode;
        EXPECT_FALSE(found.empty()) << "queries found edges, grid " << gridMode;
    }
}

} // namespace
