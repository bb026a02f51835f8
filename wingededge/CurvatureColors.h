#ifndef QUILLMAP_CURVATURECOLORS_H
#define QUILLMAP_CURVATURECOLORS_H

// Colours that show curvature on mesh faces: a blue-to-red ramp over the
// range of the values, and three colours for the classes of the singularity
// index.

#include <Inventor/SbColor.h>

#include <optional>
#include <vector>

class WingedEdgeList;

struct CurvatureRange {
    double min = 0.0;
    double max = 0.0;
};

// The range the ramp spans. The shape index has its own fixed range -1..1
// (curvature mode 7); otherwise the range starts at 0..0 and every non-zero
// value widens it, so that 0 always lies inside. values[m] holds the values
// of mesh m of the list by vertex id; meshes without values are passed over,
// and so are entries that belong to no vertex.
CurvatureRange curvatureRange(const WingedEdgeList& list, const std::vector<std::optional<std::vector<double>>>& values,
                              int curvatureMode);

// (t, 0, 1 - t) with t the position of v in the range, clamped to 0..1. A
// range without width gives the middle colour; a value that is not a number
// the low end.
SbColor rampColor(double v, const CurvatureRange& range);

// The value truncated to its class: 0 blue, 1 green, 2 red, anything else
// (including values beyond the integers and NaN) black.
SbColor classColor(double v);

#endif // QUILLMAP_CURVATURECOLORS_H
