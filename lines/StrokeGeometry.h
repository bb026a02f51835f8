#ifndef QUILLMAP_STROKEGEOMETRY_H
#define QUILLMAP_STROKEGEOMETRY_H

// The geometry of strokes: every line vertex becomes two vertices pushed
// apart sideways on the screen by its thickness, so that consecutive pairs
// make a triangle strip, with the texture's s coordinate running along the
// stroke and t across it (t = 0 on the side the width points to, 1 on the
// other). Oriented strokes push across the stroke's screen direction at the
// vertex; vertical strokes push up and down the screen.
//
// Per-vertex attributes are read by vertex number (the count of index
// entries that are not separators before this one) and never past their
// arrays: a vertex beyond the thicknesses has width 0 (the stroke tapers to
// nothing there), beyond the directions it points up the screen, beyond the
// texture coordinates it takes s = 0. A coordinate index outside the
// coordinates ends the strip there; the rest of the strip after it starts a
// new one.
//
// Round caps close the open ends of oriented strokes with half discs whose
// radius is the end's half width, drawn as more vertex pairs of the same
// strip that narrow to a point beyond the end. A strip whose first and last
// points coincide is closed and gets none.

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "lines/ScreenProjection.h"

struct StrokeInput {
    const SbVec3f* points = nullptr;
    int32_t pointCount = 0;
    const int32_t* indices = nullptr;
    int32_t indexCount = 0;
    const SbVec2f* directions = nullptr; // oriented strokes when directionCount > 0
    int32_t directionCount = 0;
    const float* thicknesses = nullptr;
    int32_t thicknessCount = 0;
    const float* texture = nullptr;      // s per vertex; untextured when textureCount is 0
    int32_t textureCount = 0;
};

struct StrokeVertex {
    SbVec3f position;
    float s = 0.0f;
    float t = 0.0f;
    int32_t vertex = 0;  // vertex number: index of its normal, material, thickness
    int32_t texture = -1; // index of its texture coordinate, -1 without
    bool cap = false;     // part of a round cap, repeating its end's attributes
};

struct StrokeStrips {
    std::vector<StrokeVertex> vertices;
    std::vector<int32_t> lengths; // vertices per strip, in order
};

// Pairs of vertices of a round cap on each side of a strip's end, the tip
// included, the end's own pair not.
constexpr int32_t kCapPairs = 4;

// Two vertices per line vertex, strip by strip. `oriented` chooses between
// oriented and vertical strokes; `roundCaps` adds round caps to oriented ones.
void buildStrokes(const StrokeInput& in, const ScreenProjection& screen, bool oriented, StrokeStrips& out,
                  bool roundCaps = false);

// The line strips themselves, one vertex per line vertex (no thickness).
void buildLineStrips(const StrokeInput& in, StrokeStrips& out);

#endif // QUILLMAP_STROKEGEOMETRY_H
