#ifndef QUILLMAP_LINETHICKNESS_H
#define QUILLMAP_LINETHICKNESS_H

// Stroke thickness per line vertex: a base amplitude, optionally scaled by the
// stroke texture's height, divided by the vertex's depth or narrowed where
// another line runs close by, added to the thickness an earlier thickener gave
// the vertex.

#include <Inventor/SbVec2f.h>

#include <cstdint>
#include <functional>

// How the amplitude becomes a thickness.
enum class ThicknessMethod {
    Constant,             // the amplitude
    ConstantTextureWidth, // the amplitude as well; kept apart for the field's sake
    ConstantTextureHeight, // the amplitude times the texture height in pixels
    Depth,                // the amplitude divided by the vertex depth
    Clearance             // as ConstantTextureHeight, narrowed where lines run close
};

// Depth of the vertex of a coordinate index, as the caller measures it
// (distance from the eye, or 0 at the near and 1 at the far plane).
typedef std::function<float(int32_t index)> VertexDepth;

// Vertices closer than this (or behind the eye) get thickness 0 under Depth.
constexpr float kMinimumThicknessDepth = 0.00001f;

struct ThicknessSettings {
    ThicknessMethod method = ThicknessMethod::Constant;
    float amplitude = 1.0f;
    // Height of the current stroke texture in pixels; 0 when there is none,
    // which makes ConstantTextureHeight strokes 0 thick.
    float textureHeight = 0.0f;
    // For Depth. Left empty, Depth keeps the amplitude as it is.
    VertexDepth depth;
    // For Clearance: one per vertex entry, as lineClearances() gives them.
    // Left null, Clearance keeps the base thickness.
    const float* clearances = nullptr;
};

// Under Clearance a vertex whose clearance is below kClearanceReach times the
// base thickness gets a quarter of its clearance, so that two close parallel
// lines keep half of the space between them white; never less than
// kMinimumClearanceThickness (one pixel wide), unless the base is less.
constexpr float kClearanceReach = 4.0f;
constexpr float kMinimumClearanceThickness = 1.0f;

// The thickness under Clearance of a vertex of base thickness `base` whose
// clearance is `clearance` screen units.
float clearanceThickness(float base, float clearance);

// The room each vertex has on the screen: the distance from the vertex,
// straight across its stroke (both sides), to the nearest segment of any strip
// that the line through the vertex crosses there, at most `reach`. `screen`
// holds the vertex entries' screen positions (one per entry of `indices` that
// is not a separator); a position that is not finite takes no part and gets
// `reach`. Crossings closer than half a pixel (1 screen unit) belong to the
// vertex's own segments, or to a line drawn over it, and are not counted. A
// strip's direction at a vertex runs from its previous to its next vertex.
// Writes countVertexEntries(indices, count) values to `clearances`. Cost:
// linear in the vertices and in the segments' length over `reach`, with a
// grid of cells twice `reach` wide.
void lineClearances(const int32_t* indices, int32_t count, const SbVec2f* screen, float reach, float* clearances);

// Whether lines of `indexCount` index entries over `coordinateCount`
// coordinates are worth thickening: at least 2 of each.
bool canThickenLines(int32_t coordinateCount, int32_t indexCount);

// The thickness before any depth is taken into account.
float baseThickness(const ThicknessSettings& settings);

// Writes one thickness per vertex entry of `indices` (negative entries are
// separators) to `thicknesses`, which has room for
// countVertexEntries(indices, count) floats. The k-th vertex adds
// `incoming[k]` while k < incomingCount; past the end of a shorter incoming
// list the vertices get the new thickness alone. `incoming` may be null and
// must not overlap `thicknesses` unless it is the same array.
void thickenLines(const int32_t* indices, int32_t count, const ThicknessSettings& settings, const float* incoming,
                  int32_t incomingCount, float* thicknesses);

#endif // QUILLMAP_LINETHICKNESS_H
