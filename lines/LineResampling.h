#ifndef QUILLMAP_LINERESAMPLING_H
#define QUILLMAP_LINERESAMPLING_H

// Resampling line strips segment by segment: a cubic Bezier curve fitted to
// every segment and sampled, or every segment cut into equal pieces of about
// a given screen length. Both write one new coordinate per written vertex,
// numbered in writing order, and carry a parameterization along when the
// input has one (more than one entry and at least one per index entry): a
// new vertex Q between the entries a and b gets p(a) + |a Q| (p(b) - p(a)) /
// |a b|, screen lengths, so parameters follow the screen length as the
// parameterization node measures it.
//
// The index list is read as LineStripWalk.h describes; strips it skips are
// not written. Screen lengths are those of the given projection (two units
// per window pixel).

#include <Inventor/SbLinear.h>

#include <cstdint>
#include <vector>

#include "lines/LineStripWalk.h"

class ScreenProjection;

// The lines in force. Pointers may be null when their count is 0.
struct LineArrays {
    const SbVec3f* points = nullptr;
    int32_t pointCount = 0;
    const int32_t* indices = nullptr;
    int32_t indexCount = 0;
    const float* parameters = nullptr;
    int32_t parameterCount = 0;
};

// What a resampling wrote; every member is replaced.
struct ResampledLines {
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    // Whether the input parameterization was used; `parameters` is empty
    // when it was not, and has one entry per index entry (-1 at the
    // separators) when it was.
    bool parameterized = false;
    std::vector<float> parameters;
};

struct ResamplingReport {
    StripWalkReport strips;
    // A parameterization of more than one entry but fewer than the index
    // list was ignored.
    bool parametersTooShort = false;
    // Segments whose piece count was cut down to kMaxPiecesPerSegment.
    int32_t cappedSegments = 0;
    // With pieces per screen length: the piece count of every segment
    // written, in order.
    std::vector<int32_t> pieceCounts;
};

// A segment is never cut into more pieces than this, however short the
// pieces are asked to be.
constexpr int32_t kMaxPiecesPerSegment = 65536;

// The four control points of the curve that replaces the segment from p0 to
// p3, with `before` the vertex before p0 and `after` the one after p3 (p0 and
// p3 themselves at a strip's ends). The inner control points lie
// `fitness` |p0 p3| from the ends, along before -> p3 at p0 and after -> p0
// at p3, so neighbouring curves meet with parallel tangents where the
// neighbours allow. A direction of length 0 leaves its control point on the end.
struct BezierSegment {
    SbVec3f p0, c1, c2, p3;
};
BezierSegment bezierControlPoints(const SbVec3f& before, const SbVec3f& p0, const SbVec3f& p3, const SbVec3f& after,
                                  double fitness);
// The curve point at u in [0, 1].
SbVec3f bezierPoint(const BezierSegment& curve, double u);

struct BezierSettings {
    // Length of the tangents as a fraction of the segment length.
    double fitness = 0.25;
    // Pieces per segment, or with `perScreenLength` the screen length of a
    // piece: a segment then gets trunc(length / segments) pieces. Must be at
    // least 1 (the node refuses other values).
    int32_t segments = 8;
    bool perScreenLength = true;
};

// Replaces every segment of every strip by n + 1 samples of its curve at u =
// k / n, both ends included, so consecutive segments share a repeated joint;
// a segment of 0 pieces (shorter on the screen than `segments` per piece)
// contributes its start point only. Each strip ends with its last vertex
// once more, then -1.
ResamplingReport fitBezierCurves(const LineArrays& lines, const ScreenProjection& projection,
                                 const BezierSettings& settings, ResampledLines& out);

// Cuts every segment into m = trunc(screen length / pieceLength) equal
// pieces and writes their start points; a segment of no piece (shorter than
// pieceLength) writes nothing, so its start vertex is dropped. Each strip
// ends with its last vertex, then -1. `pieceLength` must be positive.
ResamplingReport subdivideLines(const LineArrays& lines, const ScreenProjection& projection, double pieceLength,
                                ResampledLines& out);

#endif // QUILLMAP_LINERESAMPLING_H
