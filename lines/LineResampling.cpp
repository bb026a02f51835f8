// Bezier fitting and subdivision of line strips, segment by segment.

#include "lines/LineResampling.h"

#include <cmath>

#include "lines/LineStrips.h"
#include "lines/ScreenProjection.h"
#include "util/Vec.h"

namespace {

SbVec3f toFloat(const Vec3d& v)
{
    return SbVec3f(float(v.x), float(v.y), float(v.z));
}

// trunc(ratio) as a piece count: 0 for anything below 1 or not a number,
// at most kMaxPiecesPerSegment.
int32_t pieceCount(double ratio, ResamplingReport& report)
{
    if (!(ratio >= 1.0))
        return 0;
    if (ratio > double(kMaxPiecesPerSegment)) {
        ++report.cappedSegments;
        return kMaxPiecesPerSegment;
    }
    return int32_t(ratio);
}

// Writes the output and walks the input strips for both resamplings.
class Resampler {
public:
    Resampler(const LineArrays& in, const ScreenProjection& projection, ResampledLines& out, ResamplingReport& report)
        : in(in), projection(projection), out(out)
    {
        out = ResampledLines();
        report = ResamplingReport();
        const bool present = in.parameters != nullptr && hasParameterization(in.parameterCount);
        report.parametersTooShort = present && in.parameterCount < in.indexCount;
        out.parameterized = present && !report.parametersTooShort;
    }

    const SbVec3f& point(int32_t entry) const { return in.points[in.indices[entry]]; }
    float parameter(int32_t entry) const { return out.parameterized ? in.parameters[entry] : 0.0f; }
    double distance(const SbVec3f& a, const SbVec3f& b) const { return projection.distance(a, b); }

    // A new vertex Q on the segment from entry a to entry b, which is
    // `length` long on the screen; `u` places Q along the segment when that
    // length is 0.
    void vertexOnSegment(const SbVec3f& q, int32_t a, int32_t b, double length, double u)
    {
        const double f = parameter(a), e = parameter(b);
        const double along = length > 0.0 && std::isfinite(length) ? distance(point(a), q) / length : u;
        vertex(q, float(f + along * (e - f)));
    }
    void vertex(const SbVec3f& q, float parameter)
    {
        out.points.push_back(q);
        out.indices.push_back(int32_t(out.points.size()) - 1);
        if (out.parameterized)
            out.parameters.push_back(parameter);
    }
    // The strip's last entry once more, and its end.
    void closeStrip(int32_t last)
    {
        vertex(point(last), parameter(last));
        out.indices.push_back(-1);
        if (out.parameterized)
            out.parameters.push_back(-1.0f);
    }

private:
    const LineArrays& in;
    const ScreenProjection& projection;
    ResampledLines& out;
};

} // namespace

BezierSegment bezierControlPoints(const SbVec3f& before, const SbVec3f& p0, const SbVec3f& p3, const SbVec3f& after,
                                  double fitness)
{
    const Vec3d a = Vec3d::of(p0), b = Vec3d::of(p3);
    const double t = length(a - b) * fitness;
    BezierSegment curve;
    curve.p0 = p0;
    curve.p3 = p3;
    curve.c1 = toFloat(a + t * unitOrZero(b - Vec3d::of(before)));
    curve.c2 = toFloat(b + t * unitOrZero(a - Vec3d::of(after)));
    return curve;
}

SbVec3f bezierPoint(const BezierSegment& curve, double u)
{
    // Power form of the cubic: k3 u^3 + k2 u^2 + k1 u + p0.
    const Vec3d p0 = Vec3d::of(curve.p0), c1 = Vec3d::of(curve.c1), c2 = Vec3d::of(curve.c2),
                p3 = Vec3d::of(curve.p3);
    const Vec3d k1 = 3.0 * (c1 - p0);
    const Vec3d k2 = 3.0 * (c2 - c1) - k1;
    const Vec3d k3 = p3 - p0 - k1 - k2;
    return toFloat(u * (u * (u * k3 + k2) + k1) + p0);
}

ResamplingReport fitBezierCurves(const LineArrays& lines, const ScreenProjection& projection,
                                 const BezierSettings& settings, ResampledLines& out)
{
    ResamplingReport report;
    Resampler writer(lines, projection, out, report);
    report.strips = walkStrips(lines.indices, lines.indexCount, lines.pointCount, [&](int32_t begin, int32_t end) {
        for (int32_t i = begin; i + 1 < end; ++i) {
            const SbVec3f& p0 = writer.point(i);
            const SbVec3f& p3 = writer.point(i + 1);
            const double length = writer.distance(p0, p3);
            int32_t n = 0;
            if (settings.perScreenLength) {
                n = pieceCount(length / double(settings.segments), report);
                report.pieceCounts.push_back(n);
            } else {
                n = pieceCount(double(settings.segments), report);
            }
            const SbVec3f& before = i > begin ? writer.point(i - 1) : p0;
            const SbVec3f& after = i + 2 < end ? writer.point(i + 2) : p3;
            const BezierSegment curve = bezierControlPoints(before, p0, p3, after, settings.fitness);
            // Without a piece there is no u = k / n; the start point stands
            // for the segment.
            for (int32_t k = 0; k <= n; ++k) {
                const double u = n > 0 ? double(k) / double(n) : 0.0;
                writer.vertexOnSegment(bezierPoint(curve, u), i, i + 1, length, u);
            }
        }
        writer.closeStrip(end - 1);
    });
    return report;
}

ResamplingReport subdivideLines(const LineArrays& lines, const ScreenProjection& projection, double pieceLength,
                                ResampledLines& out)
{
    ResamplingReport report;
    Resampler writer(lines, projection, out, report);
    report.strips = walkStrips(lines.indices, lines.indexCount, lines.pointCount, [&](int32_t begin, int32_t end) {
        for (int32_t i = begin; i + 1 < end; ++i) {
            const Vec3d h = Vec3d::of(writer.point(i)), l = Vec3d::of(writer.point(i + 1));
            const double length = writer.distance(writer.point(i), writer.point(i + 1));
            const int32_t m = pieceCount(length / pieceLength, report);
            for (int32_t k = 0; k < m; ++k) {
                const double u = double(k) / double(m);
                writer.vertexOnSegment(toFloat(h + u * (l - h)), i, i + 1, length, u);
            }
        }
        writer.closeStrip(end - 1);
    });
    return report;
}
