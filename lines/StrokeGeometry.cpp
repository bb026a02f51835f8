// Strokes as strips of vertex pairs offset on the screen.

#include "lines/StrokeGeometry.h"

#include <cmath>

namespace {

// Walks the index list strip by strip and calls vertex(i, k, pointIndex) for
// every entry that is not a separator (k counting those entries); a strip
// ends at a separator, at the end of the list, and at an index outside the
// points.
template <class Vertex>
void walkStrips(const StrokeInput& in, StrokeStrips& out, Vertex vertex)
{
    out.vertices.clear();
    out.lengths.clear();
    size_t stripStart = 0;
    auto endStrip = [&]() {
        if (out.vertices.size() > stripStart)
            out.lengths.push_back(int32_t(out.vertices.size() - stripStart));
        stripStart = out.vertices.size();
    };
    int32_t k = 0;
    for (int32_t i = 0; i < in.indexCount; ++i) {
        const int32_t index = in.indices[i];
        if (index < 0) {
            endStrip();
            continue;
        }
        if (index >= in.pointCount) {
            endStrip();
        } else {
            vertex(k, index);
        }
        ++k;
    }
    endStrip();
}

// A line vertex as the stroke has it: its point and its offset to the
// first side.
struct StrokeEnd {
    SbVec3f point;
    SbVec2f offset;
};

// The pairs of a round cap around `end`, from the tip to the pair next to the
// end's own (`fromTip`) or the other way round. `away` is the screen
// direction from the strip into the cap.
void addCap(const ScreenProjection& screen, const StrokeEnd& end, const StrokeVertex& pattern, SbVec2f away,
            bool fromTip, std::vector<StrokeVertex>& vertices)
{
    // Straight ahead of the end, turned a quarter from its side.
    SbVec2f ahead(end.offset[1], -end.offset[0]);
    if (ahead.dot(away) < 0.0f)
        ahead.negate();
    for (int32_t j = 0; j < kCapPairs; ++j) {
        const int32_t step = fromTip ? j : kCapPairs - 1 - j;
        const float angle = float(M_PI_2) * float(step) / float(kCapPairs);
        const SbVec2f forward = ahead * std::cos(angle), side = end.offset * std::sin(angle);
        StrokeVertex a = pattern, b = pattern;
        a.cap = b.cap = true;
        a.t = pattern.texture >= 0 ? 0.0f : a.t;
        b.t = pattern.texture >= 0 ? 1.0f : b.t;
        const SbVec2f toA = forward + side, toB = forward - side;
        a.position = screen.offset(end.point, toA[0], toA[1]);
        b.position = screen.offset(end.point, toB[0], toB[1]);
        vertices.push_back(a);
        vertices.push_back(b);
    }
}

// Puts round caps on the open strips of `out`, whose pairs stand for the
// line vertices in `ends`.
void addCaps(const ScreenProjection& screen, const std::vector<StrokeEnd>& ends, StrokeStrips& out)
{
    std::vector<StrokeVertex> vertices;
    vertices.reserve(out.vertices.size() + out.lengths.size() * 4 * kCapPairs);
    size_t pair = 0;
    for (int32_t& length : out.lengths) {
        const size_t pairs = size_t(length) / 2;
        const StrokeEnd& first = ends[pair];
        const StrokeEnd& last = ends[pair + pairs - 1];
        const StrokeVertex* strip = &out.vertices[2 * pair];
        const bool open = pairs > 1 && !(first.point == last.point) && first.offset.length() > 0.0f &&
                          last.offset.length() > 0.0f;
        if (open) {
            const SbVec2f out0 = screen.project(first.point) - screen.project(ends[pair + 1].point);
            addCap(screen, first, strip[0], out0, true, vertices);
        }
        vertices.insert(vertices.end(), strip, strip + 2 * pairs);
        if (open) {
            const SbVec2f out1 = screen.project(last.point) - screen.project(ends[pair + pairs - 2].point);
            addCap(screen, last, strip[2 * pairs - 2], out1, false, vertices);
            length += 4 * kCapPairs;
        }
        pair += pairs;
    }
    out.vertices.swap(vertices);
}

} // namespace

void buildStrokes(const StrokeInput& in, const ScreenProjection& screen, bool oriented, StrokeStrips& out,
                  bool roundCaps)
{
    std::vector<StrokeEnd> ends;
    const bool capped = roundCaps && oriented;
    walkStrips(in, out, [&](int32_t k, int32_t index) {
        const SbVec3f& p = in.points[index];
        const float w = k < in.thicknessCount ? in.thicknesses[k] : 0.0f;
        SbVec2f offset;
        if (oriented) {
            const SbVec2f direction = k < in.directionCount ? in.directions[k] : SbVec2f(0.0f, 1.0f);
            SbVec2f across = ScreenProjection::perpendicular(direction);
            // A zero direction (a hairpin, a collapsed segment) has no side.
            if (across.length() > 0.0f)
                across.normalize();
            offset = across * w;
        } else {
            offset.setValue(0.0f, -w);
        }
        StrokeVertex a, b;
        a.position = screen.offset(p, offset[0], offset[1]);
        b.position = screen.offset(p, -offset[0], -offset[1]);
        a.vertex = b.vertex = k;
        if (in.textureCount > 0) {
            a.texture = b.texture = k;
            a.s = b.s = k < in.textureCount ? in.texture[k] : 0.0f;
            a.t = 0.0f;
            b.t = 1.0f;
        }
        out.vertices.push_back(a);
        out.vertices.push_back(b);
        if (capped)
            ends.push_back(StrokeEnd{ p, offset });
    });
    if (capped)
        addCaps(screen, ends, out);
}

void buildLineStrips(const StrokeInput& in, StrokeStrips& out)
{
    walkStrips(in, out, [&](int32_t k, int32_t index) {
        StrokeVertex v;
        v.position = in.points[index];
        v.vertex = k;
        out.vertices.push_back(v);
    });
}
