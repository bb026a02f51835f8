// The Gauss sphere on the cube [-1, 1]^3: face coordinates, plane-cube cuts,
// great-circle arcs as face segments, and the cell grid over each face.

#include "lines/GaussMapGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Faces in number order: axis, side, u axis, v axis.
const CubeFaceFrame kFrames[kCubeFaceCount] = {
    { 1, -1.0, 0, 2 }, { 2, -1.0, 0, 1 }, { 0, -1.0, 1, 2 },
    { 2, 1.0, 0, 1 },  { 0, 1.0, 1, 2 },  { 1, 1.0, 0, 2 },
};

// The cube's corners are numbered by their signs: bit a set means +1 in
// coordinate a. Its edges join corners that differ in one bit.
SbVec3d cubeCorner(int corner)
{
    return SbVec3d((corner & 1) ? 1.0 : -1.0, (corner & 2) ? 1.0 : -1.0, (corner & 4) ? 1.0 : -1.0);
}

struct CubeEdge {
    int low;  // corner with -1 in the edge's axis
    int high; // corner with +1 in it
    int axis;
};

const std::array<CubeEdge, 12>& cubeEdges(void)
{
    static const std::array<CubeEdge, 12> edges = [] {
        std::array<CubeEdge, 12> e{};
        int n = 0;
        for (int axis = 0; axis < 3; ++axis)
            for (int corner = 0; corner < 8; ++corner)
                if ((corner & (1 << axis)) == 0)
                    e[size_t(n++)] = CubeEdge{ corner, corner | (1 << axis), axis };
        return e;
    }();
    return edges;
}

bool cornerOnFace(int corner, const CubeFaceFrame& frame)
{
    return ((corner >> frame.axis) & 1) == (frame.side > 0.0 ? 1 : 0);
}

bool isFinite(const SbVec3d& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

bool strictlyOpposite(double a, double b)
{
    return (a < 0.0 && b > 0.0) || (a > 0.0 && b < 0.0);
}

// Cuts the plane with every face's closed square. Each point where the plane
// crosses a cube edge, and each corner it passes, is worked out once for the
// whole cube, so that faces sharing it get the very same point.
void cutCube(const SbVec3d& normal, bool contacts, CubeChords& chords)
{
    for (CubeChord& chord : chords)
        chord = CubeChord();
    if (!isDirection(normal))
        return;

    double value[8];
    for (int corner = 0; corner < 8; ++corner)
        value[corner] = normal.dot(cubeCorner(corner));

    const std::array<CubeEdge, 12>& edges = cubeEdges();
    bool crossed[12];
    SbVec3d crossing[12];
    for (size_t e = 0; e < edges.size(); ++e) {
        const double f0 = value[edges[e].low], f1 = value[edges[e].high];
        crossed[e] = strictlyOpposite(f0, f1);
        if (!crossed[e])
            continue;
        // f0 / (f0 - f1) lies in [0, 1]: the two have opposite signs, so the
        // rounded difference is at least as large as f0 in magnitude.
        crossing[e] = cubeCorner(edges[e].low);
        crossing[e][edges[e].axis] = -1.0 + 2.0 * (f0 / (f0 - f1));
    }

    for (int face = 0; face < kCubeFaceCount; ++face) {
        const CubeFaceFrame& frame = kFrames[face];
        SbVec3d points[8];
        int count = 0;
        for (int corner = 0; corner < 8; ++corner)
            if (value[corner] == 0.0 && cornerOnFace(corner, frame))
                points[count++] = cubeCorner(corner);
        for (size_t e = 0; e < edges.size(); ++e)
            if (crossed[e] && cornerOnFace(edges[e].low, frame) && cornerOnFace(edges[e].high, frame))
                points[count++] = crossing[e];
        if (count == 0)
            continue;

        // The plane meets the convex square in one segment; all the points
        // found lie on it, and its ends are the two farthest apart (more
        // than two points only arise from rounding next to a corner).
        int first = 0, second = 0;
        double farthest = -1.0;
        for (int i = 0; i < count; ++i)
            for (int j = i; j < count; ++j) {
                const double d = (points[i] - points[j]).sqrLength();
                if (d > farthest) {
                    farthest = d;
                    first = i;
                    second = j;
                }
            }
        CubeChord& chord = chords[size_t(face)];
        chord.a = points[first];
        chord.b = points[second];
        chord.present = true;
        if (contacts)
            continue;

        if (chord.a == chord.b) {
            chord.present = false; // a single corner
            continue;
        }
        for (int axis : { frame.uAxis, frame.vAxis }) {
            const double c = chord.a[axis];
            if (c == chord.b[axis] && std::fabs(c) == 1.0 && cubeFaceNumber(axis, c) < face)
                chord.present = false; // along the edge shared with a lower-numbered face
        }
    }
}

// Moves a by fraction t towards b, keeping the face's fixed coordinate and
// the free ones inside [-1, 1] whatever the rounding.
SbVec3d along(const SbVec3d& a, const SbVec3d& b, double t)
{
    SbVec3d p;
    for (int i = 0; i < 3; ++i)
        p[i] = a[i] == b[i] ? a[i] : std::min(1.0, std::max(-1.0, a[i] + (b[i] - a[i]) * t));
    return p;
}

// Narrows the parameter range [low, high] of the segment a-b to the side
// p . bound >= 0. False when the segment lies wholly on the other side.
bool clipToHalfSpace(const SbVec3d& bound, const SbVec3d& a, const SbVec3d& b, double& low, double& high)
{
    const double ha = bound.dot(a), hb = bound.dot(b);
    if (ha < 0.0 && hb < 0.0)
        return false;
    if (ha < 0.0)
        low = std::max(low, ha / (ha - hb));
    else if (hb < 0.0)
        high = std::min(high, ha / (ha - hb));
    return true;
}

// A unit vector perpendicular to v (a direction).
SbVec3d anyPerpendicular(const SbVec3d& v)
{
    const SbVec3d axis = std::fabs(v[0]) <= std::fabs(v[1]) && std::fabs(v[0]) <= std::fabs(v[2])
                             ? SbVec3d(1.0, 0.0, 0.0)
                             : (std::fabs(v[1]) <= std::fabs(v[2]) ? SbVec3d(0.0, 1.0, 0.0) : SbVec3d(0.0, 0.0, 1.0));
    SbVec3d p = v.cross(axis);
    p.normalize();
    return p;
}

} // namespace

bool cubeFaceFrame(int face, CubeFaceFrame& frame)
{
    if (face < 0 || face >= kCubeFaceCount) {
        std::printf("Error: Cube has only 6 faces\n");
        return false;
    }
    frame = kFrames[face];
    return true;
}

int cubeFaceNumber(int axis, double side)
{
    for (int face = 0; face < kCubeFaceCount; ++face)
        if (kFrames[face].axis == axis && (kFrames[face].side > 0.0) == (side > 0.0))
            return face;
    return -1;
}

SbVec2d cubeFaceCoordinates(int face, const SbVec3d& point)
{
    CubeFaceFrame frame;
    if (!cubeFaceFrame(face, frame))
        return SbVec2d(0.0, 0.0);
    return SbVec2d(point[frame.uAxis], point[frame.vAxis]);
}

SbVec3d cubeFacePoint(int face, const SbVec2d& uv)
{
    CubeFaceFrame frame;
    if (!cubeFaceFrame(face, frame))
        return SbVec3d(0.0, 0.0, 0.0);
    SbVec3d p;
    p[frame.axis] = frame.side;
    p[frame.uAxis] = uv[0];
    p[frame.vAxis] = uv[1];
    return p;
}

SbVec3d projectToCube(const SbVec3d& direction)
{
    const double largest = std::max(std::fabs(direction[0]), std::max(std::fabs(direction[1]), std::fabs(direction[2])));
    if (!(largest > 0.0))
        return SbVec3d(0.0, 0.0, 0.0);
    SbVec3d p = direction / largest;
    // The largest coordinate lands on the face exactly.
    for (int i = 0; i < 3; ++i)
        if (std::fabs(direction[i]) == largest)
            p[i] = direction[i] > 0.0 ? 1.0 : -1.0;
    return p;
}

bool isDirection(const SbVec3d& v)
{
    return isFinite(v) && (v[0] != 0.0 || v[1] != 0.0 || v[2] != 0.0);
}

void planeCubeChords(const SbVec3d& normal, CubeChords& chords)
{
    cutCube(normal, false, chords);
}

void planeCubeContacts(const SbVec3d& normal, CubeChords& chords)
{
    cutCube(normal, true, chords);
}

bool makeGaussArc(const SbVec3d& from, const SbVec3d& to, const SbVec3d& edgeDirection, GaussArc& arc)
{
    if (!isDirection(from) || !isDirection(to))
        return false;
    // The normals arrive as floats; their products are exact in double, so
    // the cross product is correct to the last bit of each coordinate and its
    // direction is reliable however close the normals are.
    SbVec3d pole = from.cross(to);
    if (pole == SbVec3d(0.0, 0.0, 0.0)) {
        if (from.dot(to) > 0.0)
            return false;
        // Opposite normals: the pole is the edge direction, made
        // perpendicular to them.
        SbVec3d f = from;
        f.normalize();
        pole = edgeDirection - f * edgeDirection.dot(f);
        if (!isDirection(pole) || pole.length() < 1e-12 * std::max(1.0, edgeDirection.length()))
            pole = anyPerpendicular(f);
    }
    pole.normalize();
    arc.pole = pole;
    // The tangent of the arc where it leaves `from`, and the reverse tangent
    // where it reaches `to`: each bounds the half of the great circle that
    // starts (ends) there and runs along the arc.
    arc.startBound = pole.cross(from);
    arc.endBound = to.cross(pole);
    return true;
}

bool clipChordToArc(const GaussArc& arc, const SbVec3d& a, const SbVec3d& b, SbVec3d& clippedA, SbVec3d& clippedB)
{
    // The chord's points are positive multiples of points of the arc's great
    // circle, so the half-spaces through the origin clip it exactly as they
    // clip the circle.
    double low = 0.0, high = 1.0;
    if (!clipToHalfSpace(arc.startBound, a, b, low, high) || !clipToHalfSpace(arc.endBound, a, b, low, high))
        return false;
    if (!(low < high))
        return false;
    clippedA = low == 0.0 ? a : along(a, b, low);
    clippedB = high == 1.0 ? b : along(a, b, high);
    return !(clippedA == clippedB);
}

int gaussArcPieces(const GaussArc& arc, CubeFaceSegment pieces[kCubeFaceCount])
{
    CubeChords chords;
    planeCubeChords(arc.pole, chords);
    int count = 0;
    for (int face = 0; face < kCubeFaceCount; ++face) {
        const CubeChord& chord = chords[size_t(face)];
        SbVec3d a, b;
        if (!chord.present || !clipChordToArc(arc, chord.a, chord.b, a, b))
            continue;
        CubeFaceSegment& piece = pieces[count++];
        piece.face = face;
        piece.p0 = cubeFaceCoordinates(face, a);
        piece.p1 = cubeFaceCoordinates(face, b);
    }
    return count;
}

int gaussGridCell(double u, int size)
{
    const double x = (u + 1.0) * ((size - 1) / 2.0);
    if (!(x >= 1.0))
        return 0;
    if (x >= double(size - 1))
        return size - 1;
    return int(x);
}

void rasterizeGaussGrid(const SbVec2d& a, const SbVec2d& b, std::vector<int32_t>& cells, int size)
{
    // Slack that makes the listing conservative against rounding.
    const double slack = 1e-9;
    if (!std::isfinite(a[0]) || !std::isfinite(a[1]) || !std::isfinite(b[0]) || !std::isfinite(b[1]))
        return;
    const double half = (size - 1) / 2.0; // cells per unit of u
    const SbVec2d& p = a[0] <= b[0] ? a : b;
    const SbVec2d& q = a[0] <= b[0] ? b : a;
    const double du = q[0] - p[0], dv = q[1] - p[1];
    const int firstColumn = gaussGridCell(p[0] - slack, size), lastColumn = gaussGridCell(q[0] + slack, size);
    for (int column = firstColumn; column <= lastColumn; ++column) {
        // The u range of the column (unbounded at the outer columns), widened
        // by the slack and kept within the segment; the segment's v over it.
        const double columnLow = column == 0 ? -std::numeric_limits<double>::infinity() : -1.0 + column / half;
        const double columnHigh =
            column == size - 1 ? std::numeric_limits<double>::infinity() : -1.0 + (column + 1) / half;
        const double uLow = std::max(p[0], columnLow - slack), uHigh = std::min(q[0], columnHigh + slack);
        double vLow = p[1], vHigh = q[1];
        if (du > 0.0) {
            vLow = p[1] + dv * std::min(1.0, std::max(0.0, (uLow - p[0]) / du));
            vHigh = p[1] + dv * std::min(1.0, std::max(0.0, (uHigh - p[0]) / du));
        }
        if (vLow > vHigh)
            std::swap(vLow, vHigh);
        const int firstRow = gaussGridCell(vLow - slack, size), lastRow = gaussGridCell(vHigh + slack, size);
        for (int row = firstRow; row <= lastRow; ++row)
            cells.push_back(column * size + row);
    }
}

double viewPlaneSide(const SbVec3d& view, const CubeFaceFrame& frame, const SbVec2d& uv)
{
    SbVec3d p;
    p[frame.axis] = frame.side;
    p[frame.uAxis] = uv[0];
    p[frame.vAxis] = uv[1];
    return view.dot(p);
}
