#ifndef QUILLMAP_ARCLENGTH_H
#define QUILLMAP_ARCLENGTH_H

// Normalized arc length along the strips of a line index list: a parameter
// that runs from 0 at a strip's first vertex to 1 at its last, in proportion
// to the length covered so far (the line nodes measure it on the screen).
//
// The index list is that of the line state: runs of coordinate indices, each
// ended by a negative entry (-1). A last strip without its separator is still
// a strip. The algorithm never reads coordinates itself; it asks `length` for
// the segment between two consecutive indices, so the caller decides how
// indices without a coordinate are measured.

#include <cstdint>
#include <functional>

// Length of the segment from the vertex of coordinate index `from` to that of
// `to`. A result that is not a finite number of at least 0 counts as 0, so a
// vertex projected to infinity cannot spoil its strip's parameters.
typedef std::function<float(int32_t from, int32_t to)> SegmentLength;

// Whether lines of `indexCount` index entries over `coordinateCount`
// coordinates are worth parameterizing: at least 2 coordinates and 3 entries.
bool canParameterizeLines(int32_t coordinateCount, int32_t indexCount);

// Writes one value per index entry to `parameters` (room for `count` floats):
// -1 at each separator, and at each vertex the strip length up to it divided
// by the strip's whole length. A strip of length 0 (a single vertex, or all of
// its vertices in one spot) repeats the value written last before it, 0 if
// it is the first strip.
void parameterizeLines(const int32_t* indices, int32_t count, const SegmentLength& length, float* parameters);

// The same values for the vertex entries only, separators skipped:
// `coordinates` has room for countVertexEntries(indices, count) floats.
void lineTextureCoordinates(const int32_t* indices, int32_t count, const SegmentLength& length, float* coordinates);

#endif // QUILLMAP_ARCLENGTH_H
