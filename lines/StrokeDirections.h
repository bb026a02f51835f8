#ifndef QUILLMAP_STROKEDIRECTIONS_H
#define QUILLMAP_STROKEDIRECTIONS_H

// The screen direction of a stroke at each vertex of each line strip, which
// the stroke nodes turn by 90 degrees to give the stroke its width.
//
// At the first and last vertex of a strip the direction is the screen
// difference to its neighbour, not normalized. At an inner vertex it is the
// sum of the unit directions of the segments before and after it, not
// normalized either: 2 on a straight run, shrinking towards 0 at a hairpin
// turn, so that a stroke narrows where it doubles back.
//
// Input: a line index list, in which every negative entry ends a strip (as
// the rest of the line code counts strips) and a last strip without its
// separator counts as a strip; and the screen points of the coordinates,
// indexed by vertex index. Output: one direction per non-separator entry, in
// index-list order, so that it lines up with the other per-vertex line
// attributes.
//
// A strip of one vertex gets the zero direction. A vertex entry that names no
// screen point (index past the points) has no position: every segment that
// touches it counts as zero, so it gets the zero direction and its
// neighbours keep only their other segment. A segment of zero length (or of
// a length that overflows, between points at infinity) has the zero unit
// direction.

#include <Inventor/SbVec2f.h>

#include <cstdint>
#include <vector>

// What a run found besides directions.
struct StrokeDirectionsReport {
    // Start positions of the strips without vertices, in list order.
    std::vector<int32_t> emptyStrips;
    // Vertex entries whose index names no screen point; the first one's position.
    int32_t outOfRange = 0;
    int32_t firstOutOfRange = -1;
    // Negative entries other than -1, taken as separators; the first one's position.
    int32_t oddSeparators = 0;
    int32_t firstOddSeparator = -1;
};

// Replaces `directions` with the directions of the `count` entries at
// `indices` over the `pointCount` points at `screenPoints` (either pointer may
// be null when its count is 0).
StrokeDirectionsReport computeStrokeDirections(const int32_t* indices, int32_t count, const SbVec2f* screenPoints,
                                               int32_t pointCount, std::vector<SbVec2f>& directions);

#endif // QUILLMAP_STROKEDIRECTIONS_H
