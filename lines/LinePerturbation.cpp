// Sine, cosine and random displacement of line vertices.

#include "lines/LinePerturbation.h"

#include <cmath>

#include "lines/ScreenProjection.h"
#include "util/Vec.h"

namespace {

// The wave's turn per unit of wave length; a full turn to the precision the
// strokes need.
constexpr double kFullTurn = 6.28318;

void perturbAtRandom(const PerturbationSettings& settings, const ScreenProjection& projection, const RandomDraw& draw,
                     std::vector<SbVec3f>& out)
{
    const int32_t n = int32_t(out.size());
    const int32_t first = settings.fixedEndPoints ? 1 : 0;
    const int32_t last = settings.fixedEndPoints ? n - 2 : n - 1;
    for (int32_t i = first; i <= last; ++i) {
        SbVec3f& p = out[size_t(i)];
        // One draw per statement, so the order of the draws is fixed.
        const double dx = randomOffset(draw(), settings.amplitude);
        const double dy = randomOffset(draw(), settings.amplitude);
        if (settings.inScreen) {
            p = projection.offset(p, float(dx), float(dy));
        } else {
            const double dz = randomOffset(draw(), settings.amplitude);
            p = SbVec3f(float(p[0] + dx), float(p[1] + dy), float(p[2] + dz));
        }
    }
}

} // namespace

double randomOffset(int draw, double amplitude)
{
    const int r = ((draw % 32000) + 32000) % 32000;
    return (r * 0.0000625 - 1.0) * amplitude;
}

StripWalkReport perturbLines(const LineArrays& lines, const ScreenProjection& projection,
                             const PerturbationSettings& settings, const RandomDraw& draw, std::vector<SbVec3f>& out)
{
    out.assign(lines.points, lines.points + lines.pointCount);
    if (settings.method == PerturbationMethod::Random) {
        perturbAtRandom(settings, projection, draw, out);
        return StripWalkReport();
    }
    const bool cosine = settings.method == PerturbationMethod::Cosine;
    const SbVec3f up(0.0f, 1.0f, 0.0f);
    return walkStrips(lines.indices, lines.indexCount, lines.pointCount, [&](int32_t begin, int32_t end) {
        double along = 0.0;
        for (int32_t k = begin + 1; k + 1 < end; ++k) {
            const SbVec3f& p = lines.points[lines.indices[k]];
            along += projection.distance(lines.points[lines.indices[k - 1]], p);
            const double phase = kFullTurn * along / settings.waveLength;
            const double s = settings.amplitude * (cosine ? std::cos(phase) : std::sin(phase));
            const Vec2d across = unitOrZero(Vec2d::of(projection.normal(p, p + up)));
            out[size_t(lines.indices[k])] = projection.offset(p, float(s * across.x), float(s * across.y));
        }
    });
}
