// Strokes as strips of vertex pairs offset on the screen.

#include "lines/StrokeGeometry.h"

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

} // namespace

void buildStrokes(const StrokeInput& in, const ScreenProjection& screen, bool oriented, StrokeStrips& out)
{
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
    });
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
