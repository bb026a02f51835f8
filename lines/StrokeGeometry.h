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
};

struct StrokeStrips {
    std::vector<StrokeVertex> vertices;
    std::vector<int32_t> lengths; // vertices per strip, in order
};

// Two vertices per line vertex, strip by strip. `oriented` chooses between
// oriented and vertical strokes.
void buildStrokes(const StrokeInput& in, const ScreenProjection& screen, bool oriented, StrokeStrips& out);

// The line strips themselves, one vertex per line vertex (no thickness).
void buildLineStrips(const StrokeInput& in, StrokeStrips& out);

#endif // QUILLMAP_STROKEGEOMETRY_H
