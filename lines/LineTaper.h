#ifndef QUILLMAP_LINETAPER_H
#define QUILLMAP_LINETAPER_H

// Tapered stroke ends: every line vertex's thickness is scaled by a profile
// of its parameter along the strip (0 at the start, 1 at the end), full width
// in the middle and falling to a fraction of it at the ends, the way a pen or
// brush stroke starts and lifts off. Closed strips, whose first point is also
// their last, have no ends and keep their width.
//
// The profile is sampled at the vertices only; between two vertices the
// stroke's width changes linearly, so a stroke made of one long segment has
// no room to taper and only its two end vertices become thin.

#include <Inventor/SbVec3f.h>

#include <cstdint>

enum class TaperEnds {
    Both,
    Start,
    End
};

struct TaperSettings {
    // Width at a tapered end, as a fraction of the full width; 0 to 1.
    float endWidth = 0.1f;
    // Stretch of the strip's parameter over which each end widens to full
    // width; greater than 0. Longer than half the strip, the two tapers meet
    // and the middle never reaches full width.
    float taperLength = 0.15f;
    TaperEnds ends = TaperEnds::Both;
};

// The profile's factor at parameter u. Parameters outside 0..1 count as the
// nearer end; one that is not a number leaves the width as it is (factor 1).
float taperFactor(float u, const TaperSettings& settings);

// Scales `thicknesses` (one per vertex entry of `indices`, negative entries
// being separators; `thicknessCount` of them, the vertices past them are left
// alone) by the profile of `parameters` (one per index entry, as the line
// parameterization has them). A strip whose first and last coordinate index
// are equal, or whose first and last points coincide in `points`, is closed
// and left as it is. Indices outside `points` never count as coinciding.
void taperLines(const int32_t* indices, int32_t count, const float* parameters, const SbVec3f* points,
                int32_t pointCount, const TaperSettings& settings, float* thicknesses, int32_t thicknessCount);

#endif // QUILLMAP_LINETAPER_H
