// Normalized arc length along line strips.

#include "lines/ArcLength.h"

#include <cmath>

namespace {

double segment(const SegmentLength& length, int32_t from, int32_t to)
{
    const float l = length(from, to);
    return std::isfinite(l) && l > 0.0f ? double(l) : 0.0;
}

// Length of the strip whose first entry is `first`: the segments between
// consecutive entries up to the strip's separator or the end of the list.
// Sums run in double; the walk below adds the same segments in the same order,
// so a strip's last vertex gets exactly 1.
double stripLength(const int32_t* indices, int32_t count, int32_t first, const SegmentLength& length)
{
    double sum = 0.0;
    for (int32_t i = first + 1; i < count && indices[i - 1] >= 0 && indices[i] >= 0; ++i)
        sum += segment(length, indices[i - 1], indices[i]);
    return sum;
}

void arcLength(const int32_t* indices, int32_t count, const SegmentLength& length, bool separators, float* out)
{
    double sum = stripLength(indices, count, 0, length);
    double total = 0.0;
    float u = 0.0f;
    int32_t k = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] >= 0) {
            // A strip without length keeps the value written before it.
            if (sum > 0.0)
                u = float(total / sum);
            out[k++] = u;
            if (i + 1 < count && indices[i + 1] >= 0)
                total += segment(length, indices[i], indices[i + 1]);
        } else {
            if (separators)
                out[k++] = -1.0f;
            total = 0.0;
            sum = stripLength(indices, count, i + 1, length);
        }
    }
}

} // namespace

bool canParameterizeLines(int32_t coordinateCount, int32_t indexCount)
{
    return coordinateCount >= 2 && indexCount >= 3;
}

void parameterizeLines(const int32_t* indices, int32_t count, const SegmentLength& length, float* parameters)
{
    arcLength(indices, count, length, true, parameters);
}

void lineTextureCoordinates(const int32_t* indices, int32_t count, const SegmentLength& length, float* coordinates)
{
    arcLength(indices, count, length, false, coordinates);
}
