#ifndef QUILLMAP_CURVATURE_H
#define QUILLMAP_CURVATURE_H

// Curvature at the vertices of a winged-edge mesh: principal curvatures and
// directions from a quadratic parametric patch fitted to each vertex's
// one-ring by least squares, and the per-vertex values derived from them
// for display (mean, absolute maximum, shape index, fold index, singularity
// index) together with a cheaper centroid-based estimate.
//
// The shape index is Koenderink and van Doorn's ("Surface shape and
// curvature scales", Image and Vision Computing 10(8), 1992), on the range
// -1 (cup) .. 1 (cap), 0.5 for a cylinder.
//
// Sign convention: curvature is positive where the surface bends away from
// its normal, so a sphere with outward normals has kmax = kmin = 1/radius.
//
// Preconditions: vertex normals are current (computeVertexNormals after the
// last change of positions), vertex ids are 0 or more. Faces may be any
// polygons for the centroid estimate; the fan walk of the patch fit assumes
// triangles around the vertex, as construction makes them.

#include <Inventor/SbVec3f.h>

#include <optional>
#include <vector>

struct WEVertex;
class WingedEdgeMesh;

// The curvature mode codes of curvatureValues (a WingedEdgeList's
// curvatureMode).
enum CurvatureMode {
    CURVATURE_AVERAGE_ESTIMATE = 1, // averageCurvatureEstimate
    CURVATURE_MIN = 2,              // kmin
    CURVATURE_MAX = 3,              // kmax
    CURVATURE_MEAN = 4,             // (kmax + kmin) / 2
    CURVATURE_MAX_ABS = 5,          // max(|kmax|, |kmin|)
    CURVATURE_MIN_MAX_SEPARATELY = 6, // drawn from kmin and kmax by the shape node; no array
    CURVATURE_SHAPE_INDEX = 7,      // shapeIndex
    CURVATURE_FOLD_INDEX = 8,       // foldIndex
    CURVATURE_SINGULARITY_INDEX = 9 // singularityIndex with the threshold
};

// Which linear system the patch fit solved.
enum class CurvatureSolve {
    NONE,          // fewer than one usable neighbour
    DIRECT,        // five neighbours: X = A^-1 B
    LEAST_SQUARES, // more than five: X = (A^T A)^-1 A^T B
    MINIMUM_NORM   // fewer than five: X = A^T (A A^T)^-1 B
};

// How the principal curvatures came about.
enum class CurvatureOutcome {
    PRINCIPAL,  // the two roots of the principal direction equation
    DEGENERATE, // that equation lost its quadratic term (D = 0): one direction
                // is the second parameter direction, or the fit is isotropic
    SINGULAR    // no usable fit: both curvatures are 0
};

struct PrincipalCurvatures {
    double kmax = 0.0;
    double kmin = 0.0;
    SbVec3f dmax = SbVec3f(0.0f, 0.0f, 0.0f); // unit tangent directions
    SbVec3f dmin = SbVec3f(0.0f, 0.0f, 0.0f);
    CurvatureSolve solve = CurvatureSolve::NONE;
    CurvatureOutcome outcome = CurvatureOutcome::SINGULAR;
    int rows = 0;         // neighbours that entered the fit
    bool openFan = false; // the faces around the vertex do not close (a boundary vertex)
};

// kmax >= kmin and their unit directions at one vertex; always finite.
PrincipalCurvatures estimatePrincipalCurvatures(const WEVertex& vertex);

// Signed distance of the vertex from the mean centroid of the faces around
// it, along the stored vertex normal: positive where the faces bend away
// from the normal. faceCentroids comes from faceCentroids() of the same
// mesh. 0 for a vertex without faces.
double averageCurvatureEstimate(const WEVertex& vertex, const std::vector<SbVec3f>& faceCentroids);

// Shape index in -1 .. 1; 0 where both curvatures are below 0.001.
double shapeIndex(double kmax, double kmin);

// Fold index: the mean curvature sum damped where one curvature dominates
// the other less; 0 where both are below 0.0001 and at umbilics.
double foldIndex(double kmax, double kmin);

// Per vertex id (length largest id + 1): how the principal curvatures change
// at half an edge length along the principal directions. With threshold
// R >= 0: 2 where no change reaches R, 1 where changes reach R along one
// principal direction only, 0 where they do along both. With R < 0: the
// largest change. Empty (with a diagnostic) when a vertex id is negative.
std::vector<double> singularityIndex(const WingedEdgeMesh& mesh, double threshold);

// One value per vertex id for the given mode (length largest id + 1;
// entries of ids that belong to no vertex are 0). No array for mode 6, for
// codes outside 1..9 and (with a diagnostic) when a vertex id is negative.
// threshold is used by mode 9 only.
std::optional<std::vector<double>> curvatureValues(const WingedEdgeMesh& mesh, int mode, double threshold);

#endif // QUILLMAP_CURVATURE_H
