#ifndef QUILLMAP_LINEPURIFICATION_H
#define QUILLMAP_LINEPURIFICATION_H

// Cleaning line strips on the screen before they are stylized: dropping
// vertices closer than a pixel or two to the last kept one, replacing short
// zig-zags by the midpoint of their middle segment, cutting strips at hairpin
// turns, and dropping short pieces. Each method is one pass over the index
// list; the caller supplies the screen position of every coordinate, so no
// projection happens here.
//
// Input: any list of int32 entries. Every negative entry ends a strip (an
// entry below -1 is reported and written as -1); a last strip without its
// separator is closed as if it had one. A strip naming a coordinate that does
// not exist cannot be measured or copied: it is dropped whole, with its
// parameters, and reported. A parameterization is used only when it holds
// more than one entry and at least one per index entry; a shorter one is
// reported and ignored, so the result then carries none.
//
// Output: every strip ends with one -1; the parameterization, when used, has
// exactly one entry per index entry and -1 at every separator; every index
// names an entry of the output coordinates (or of the input coordinates when
// the method writes none). Only the input parameters and convex combinations
// of them are written, so parameters in 0..1 stay in 0..1.
//
// Directions: a screen vector of length 0 (two vertices that coincide on the
// screen) is normalized to the zero vector, so the cosine of an angle next to
// it is 0: such an angle counts as a right angle. No method ever divides by 0.

#include <Inventor/SbLinear.h>

#include <cstdint>
#include <vector>

// The lines of the traversal state as the methods read them. Pointers may be
// null when their count is 0.
struct PurificationInput {
    // Strips of coordinate indices, each ended by -1.
    const int32_t* indices = nullptr;
    int32_t indexCount = 0;
    // Object-space coordinates and their screen positions (two units per
    // window pixel), one of each per coordinate index.
    const SbVec3f* points = nullptr;
    const SbVec2f* screen = nullptr;
    int32_t pointCount = 0;
    // Parameter of each index entry along its strip, -1 at the separators.
    const float* parameters = nullptr;
    int32_t parameterCount = 0;
};

// What a method wrote. The methods replace every member.
struct PurifiedLines {
    // Whether the method writes coordinates of its own. When false `points`
    // is empty and `indices` refer to the input coordinates.
    bool pointsWritten = false;
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    // Whether the input parameterization was used; `parameters` is empty
    // when it was not.
    bool parameterized = false;
    std::vector<float> parameters;
};

// What a pass found in its input that an upstream node should not have
// produced, and how it repaired it.
struct PurificationReport {
    // Negative entries other than -1, taken as strip ends; the first one's
    // position in the index list.
    int32_t oddSeparators = 0;
    int32_t firstOddSeparator = -1;
    // Whether the last strip lacked its -1 (the output closes it).
    bool unterminated = false;
    // Strips naming a coordinate index at or beyond the coordinate count,
    // dropped; the first such index.
    int32_t droppedStrips = 0;
    int32_t firstBadIndex = -1;
    // Whether a parameterization of more than one entry but fewer entries
    // than the index list was ignored.
    bool parametersTooShort = false;

    bool clean(void) const { return oddSeparators == 0 && !unterminated && droppedStrips == 0 && !parametersTooShort; }
};

// Whether there is anything to purify: at least 3 index entries over at least
// 2 coordinates. Otherwise the lines are left as they are.
bool canPurifyLines(int32_t indexCount, int32_t pointCount);

// Drops every vertex not farther than `threshold` screen units from the last
// kept one; the last vertex of a strip always closes it in place of the
// pending one. A strip that never leaves that distance of its first vertex
// vanishes, separator included. Every written vertex gets a new coordinate,
// numbered in writing order.
PurificationReport eliminateSubpixelLengths(const PurificationInput& lines, double threshold, PurifiedLines& out);

// Where a strip turns back sharper than `thresholdDegrees` at two consecutive
// vertices, replaces these two by the midpoint of the segment between them
// (an object-space point appended after a copy of the input coordinates).
// Strips of at most three vertices are copied unchanged.
PurificationReport eliminateZigZags(const PurificationInput& lines, double thresholdDegrees, PurifiedLines& out);

// Cuts a strip at every inner vertex whose angle is below `thresholdDegrees`;
// the pieces share that vertex. The coordinates are copied unchanged; strips
// of fewer than two vertices are copied unchanged.
PurificationReport eliminateSharpAngles(const PurificationInput& lines, double thresholdDegrees, PurifiedLines& out);

// Drops pieces shorter than `threshold` screen units by rewriting the index
// list only; a strip shorter than that vanishes, separator included, and a
// strip of fewer than two vertices becomes an empty strip (its separator).
PurificationReport eliminateShortSegments(const PurificationInput& lines, double threshold, PurifiedLines& out);

#endif // QUILLMAP_LINEPURIFICATION_H
