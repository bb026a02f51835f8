// Tapered stroke ends.

#include "lines/LineTaper.h"

#include <algorithm>
#include <cmath>

namespace {

// 0 at the tip, 1 at full width, rising steeply at the tip and meeting the
// full width without a kink: a quarter sine wave.
float rise(float x, float endWidth)
{
    if (x >= 1.0f)
        return 1.0f;
    return endWidth + (1.0f - endWidth) * std::sin(float(M_PI_2) * std::max(x, 0.0f));
}

bool closedStrip(const int32_t* indices, int32_t first, int32_t last, const SbVec3f* points, int32_t pointCount)
{
    const int32_t a = indices[first], b = indices[last];
    if (a == b)
        return true;
    return a < pointCount && b < pointCount && points != nullptr && points[a] == points[b];
}

} // namespace

float taperFactor(float u, const TaperSettings& settings)
{
    if (std::isnan(u))
        return 1.0f;
    u = std::min(std::max(u, 0.0f), 1.0f);
    float factor = 1.0f;
    if (settings.ends != TaperEnds::End)
        factor = std::min(factor, rise(u / settings.taperLength, settings.endWidth));
    if (settings.ends != TaperEnds::Start)
        factor = std::min(factor, rise((1.0f - u) / settings.taperLength, settings.endWidth));
    return factor;
}

void taperLines(const int32_t* indices, int32_t count, const float* parameters, const SbVec3f* points,
                int32_t pointCount, const TaperSettings& settings, float* thicknesses, int32_t thicknessCount)
{
    int32_t k = 0; // vertex entry of the strip's first vertex
    int32_t begin = 0;
    while (begin < count) {
        int32_t end = begin;
        while (end < count && indices[end] >= 0)
            ++end;
        const int32_t vertices = end - begin;
        if (vertices > 1 && !closedStrip(indices, begin, end - 1, points, pointCount)) {
            for (int32_t i = begin; i < end && k + (i - begin) < thicknessCount; ++i)
                thicknesses[k + (i - begin)] *= taperFactor(parameters[i], settings);
        }
        k += vertices;
        begin = end + 1;
    }
}
