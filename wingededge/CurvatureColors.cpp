// Curvature values as colours.

#include "wingededge/CurvatureColors.h"

#include <cmath>

#include "wingededge/WingedEdge.h"

CurvatureRange curvatureRange(const WingedEdgeList& list, const std::vector<std::optional<std::vector<double>>>& values,
                              int curvatureMode)
{
    CurvatureRange range;
    if (curvatureMode == 7) {
        range.min = -1.0;
        range.max = 1.0;
        return range;
    }
    for (size_t m = 0; m < values.size() && m < list.meshes.size(); ++m) {
        if (!values[m])
            continue;
        const std::vector<double>& byId = *values[m];
        for (const WEVertex& vertex : list.meshes[m].vertices) {
            if (vertex.id < 0 || size_t(vertex.id) >= byId.size())
                continue;
            const double v = byId[size_t(vertex.id)];
            if (v == 0.0 || !std::isfinite(v))
                continue;
            if (v > range.max)
                range.max = v;
            if (v < range.min)
                range.min = v;
        }
    }
    return range;
}

SbColor rampColor(double v, const CurvatureRange& range)
{
    const double width = range.max - range.min;
    double t = 0.5;
    if (width > 0.0)
        t = std::isnan(v) ? 0.0 : std::fmin(1.0, std::fmax(0.0, (v - range.min) / width));
    return SbColor(float(t), 0.0f, float(1.0 - t));
}

SbColor classColor(double v)
{
    if (!(v > -1.0 && v < 3.0))
        return SbColor(0.0f, 0.0f, 0.0f);
    switch (int(v)) {
    case 0: return SbColor(0.0f, 0.0f, 1.0f);
    case 1: return SbColor(0.0f, 1.0f, 0.0f);
    case 2: return SbColor(1.0f, 0.0f, 0.0f);
    default: return SbColor(0.0f, 0.0f, 0.0f);
    }
}
