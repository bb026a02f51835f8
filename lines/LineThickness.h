#ifndef QUILLMAP_LINETHICKNESS_H
#define QUILLMAP_LINETHICKNESS_H

// Stroke thickness per line vertex: a base amplitude, optionally scaled by the
// stroke texture's height or divided by the vertex's depth, added to the
// thickness an earlier thickener gave the vertex.

#include <cstdint>
#include <functional>

// How the amplitude becomes a thickness.
enum class ThicknessMethod {
    Constant,             // the amplitude
    ConstantTextureWidth, // the amplitude as well; kept apart for the field's sake
    ConstantTextureHeight, // the amplitude times the texture height in pixels
    Depth                 // the amplitude divided by the vertex depth
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
};

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
