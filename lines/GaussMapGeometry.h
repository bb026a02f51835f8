#ifndef QUILLMAP_GAUSSMAPGEOMETRY_H
#define QUILLMAP_GAUSSMAPGEOMETRY_H

// The Gauss sphere laid out on the surface of the cube [-1, 1]^3, after
// Benichou and Elber, "Output sensitive extraction of silhouettes from
// polygonal geometry" (Pacific Graphics 1999). A unit normal is projected
// from the origin onto the cube; a great circle (a plane through the origin)
// becomes a closed polygon with one straight chord on each cube face it
// crosses, and a great-circle arc becomes straight pieces of such chords.
// The silhouette search of GaussMap.h is built on these pieces.
//
// Cube faces, their planes and their 2D coordinates (u, v):
//
//     face 0: y = -1, (x, z)        face 5: y = +1, (x, z)
//     face 1: z = -1, (x, y)        face 3: z = +1, (x, y)
//     face 2: x = -1, (y, z)        face 4: x = +1, (y, z)
//
// Opposite faces pair up as (0, 5), (1, 3) and (2, 4), the lower number on
// the negative side; faces 1, 2, 3, 4 are the ring around the y axis.
//
// Every face carries a 31 x 31 grid: the cell of a coordinate u in [-1, 1]
// is floor((u + 1) * 15), limited to 0..30 (so cell 30 holds only u = 1),
// and the cell at column cu (from u) and row cv (from v) is numbered
// cu * 31 + cv. Finer grids of the same layout serve large meshes.

#include <Inventor/SbVec2d.h>
#include <Inventor/SbVec3d.h>

#include <array>
#include <cstdint>
#include <vector>

constexpr int kCubeFaceCount = 6;
constexpr int kGaussGridSize = 31;
constexpr int kGaussGridCellCount = kGaussGridSize * kGaussGridSize;

// Where a cube face lies: the axis it is perpendicular to (0 x, 1 y, 2 z),
// the value of that coordinate on it (-1 or +1), and the axes its u and v
// coordinates are taken from.
struct CubeFaceFrame {
    int axis;
    double side;
    int uAxis;
    int vAxis;
};

// The frame of a face. A face number outside 0..5 prints "Error: Cube has
// only 6 faces" to standard output and returns false.
bool cubeFaceFrame(int face, CubeFaceFrame& frame);

// The face number with the given axis and side (-1 or +1).
int cubeFaceNumber(int axis, double side);

// (u, v) of a point of the face (its fixed coordinate is not looked at), and
// the point of the face at (u, v). A face number outside 0..5 prints the
// message of cubeFaceFrame and gives zero.
SbVec2d cubeFaceCoordinates(int face, const SbVec3d& point);
SbVec3d cubeFacePoint(int face, const SbVec2d& uv);

// The direction's central projection onto the cube: the direction divided by
// its largest absolute coordinate. Zero for a zero direction.
SbVec3d projectToCube(const SbVec3d& direction);

// True for a finite vector that is not zero: the only kind that names a
// direction (a normal, a view direction, a plane).
bool isDirection(const SbVec3d& v);

// The part of a plane through the origin that lies on one cube face: a
// straight segment between two points of the face's border, held as 3D
// points on the face (their fixed coordinate is exactly -1 or +1).
struct CubeChord {
    bool present = false;
    SbVec3d a = SbVec3d(0.0, 0.0, 0.0);
    SbVec3d b = SbVec3d(0.0, 0.0, 0.0);
};
typedef std::array<CubeChord, kCubeFaceCount> CubeChords;

// The plane through the origin with the given normal cut with the cube's
// surface, as at most one chord per face whose union is the whole closed
// polygon of the cut, each point of it on exactly one chord except the
// chords' shared end points:
//  - A plane that contains a cube edge meets the two faces of that edge only
//    in the edge itself; the edge is kept as a chord of the lower-numbered
//    of the two faces.
//  - A plane that touches a face in a single corner gives that face no chord
//    (the corner is an end point of chords on the neighbouring faces).
// An end point where the polygon crosses a cube edge is computed once for
// that edge, so the two chords meeting there share it bit for bit. A normal
// that is not a direction gives no chords.
void planeCubeChords(const SbVec3d& normal, CubeChords& chords);

// Every face whose closed square the plane meets, with the segment it meets
// it in: like planeCubeChords, but a chord along a cube edge is given to both
// faces of the edge, and a face touched in a single corner gets a chord whose
// two end points are that corner. Used for the view's great circle, so that a
// crossing exactly on a cube edge or corner is looked for on every face that
// holds it.
void planeCubeContacts(const SbVec3d& normal, CubeChords& chords);

// The shorter great-circle arc from one normal to another (the arc of an
// edge, from its leftFace normal to its rightFace normal), as the plane it
// lies in and the two half-spaces through the origin that cut it out of that
// plane's great circle.
struct GaussArc {
    // Unit normal of the arc's plane; the arc runs counter-clockwise about it.
    SbVec3d pole = SbVec3d(0.0, 0.0, 1.0);
    // p . startBound >= 0: the side of the plane through `from` and the pole
    // that the arc leaves `from` towards.
    SbVec3d startBound = SbVec3d(0.0, 0.0, 0.0);
    // p . endBound >= 0: the side of the plane through `to` and the pole
    // that the arc reaches `to` from.
    SbVec3d endBound = SbVec3d(0.0, 0.0, 0.0);
};

// The arc from `from` to `to` (need not be unit length). Its plane is the one
// through both normals, pole from x to: for faces that are planar polygons
// this is the plane perpendicular to the edge direction, and for faces that
// are not quite planar it still passes through both normals exactly. Two
// opposite normals have no shorter arc; the half circle that leaves `from`
// in direction edgeDirection x from is taken (the one a convex fold would
// have; either half crosses every great circle that separates the normals).
// False, with `arc` unchanged, when the two normals point the same way (the
// arc is a single point) or either one is not a direction.
bool makeGaussArc(const SbVec3d& from, const SbVec3d& to, const SbVec3d& edgeDirection, GaussArc& arc);

// The part of the segment a-b (points of one cube face, on the arc's plane)
// that lies on the arc, clipped against its two bounding planes. End points
// that the clipping does not move are copied unchanged. False when nothing
// or only a single point remains.
bool clipChordToArc(const GaussArc& arc, const SbVec3d& a, const SbVec3d& b, SbVec3d& clippedA, SbVec3d& clippedB);

// A straight segment on one cube face in the face's (u, v) coordinates.
struct CubeFaceSegment {
    int face = 0;
    SbVec2d p0 = SbVec2d(0.0, 0.0);
    SbVec2d p1 = SbVec2d(0.0, 0.0);
};

// The pieces of the arc on the cube faces, at most one per face and in face
// order; returns their number. Together they cover the projected arc exactly
// once; consecutive pieces share their end point on the cube edge between
// them.
int gaussArcPieces(const GaussArc& arc, CubeFaceSegment pieces[kCubeFaceCount]);

// The grid cell of a face coordinate: floor((u + 1) * 15) limited to 0..30
// (0 for a value that is not a number). A finer grid of `size` cells a side
// (at least 2) has cells floor((u + 1) * (size - 1) / 2) limited to
// 0..size-1, and numbers its cells column * size + row.
int gaussGridCell(double u, int size = kGaussGridSize);

// Appends the numbers of the grid cells the segment a-b passes, column by
// column, each cell once. Conservative: every cell that holds a point of the
// closed segment is listed, and cells within 1e-9 of it may be, so that two
// segments meeting in a point both list that point's cell whatever the
// rounding. A segment with a coordinate that is not finite lists nothing.
void rasterizeGaussGrid(const SbVec2d& a, const SbVec2d& b, std::vector<int32_t>& cells,
                        int size = kGaussGridSize);

// Which side of the view plane (through the origin, perpendicular to
// `view`) the point (u, v) of the face lies on, as the signed plane value
// view . p of the point p on the cube. A point on a cube edge or corner has
// the same 3D coordinates on every face it belongs to and gets the same value
// on each of them.
double viewPlaneSide(const SbVec3d& view, const CubeFaceFrame& frame, const SbVec2d& uv);

// Whether a face segment whose end points have the plane values s0 and s1
// meets the view's line on that face. With A-B the view's chord on the face,
// n = (-dy, dx) of B - A and Q any point of its line, the crossing parameter
// t = n.(Q - P0) / n.(P1 - P0) equals s0 / (s0 - s1), because n.(Q - P) is a
// fixed multiple of the plane value of P; 0 <= t <= 1 therefore means the two
// values do not have the same strict sign. A segment parallel to the line
// (s0 == s1) meets it only when it lies on it (both zero). The plane values
// are used instead of n and Q because they stay consistent across the faces
// of a cube edge and need no chord with two distinct end points (the view
// plane may touch a face only in a corner).
inline bool crossesViewPlane(double s0, double s1)
{
    return (s0 <= 0.0 && s1 >= 0.0) || (s0 >= 0.0 && s1 <= 0.0);
}

#endif // QUILLMAP_GAUSSMAPGEOMETRY_H
