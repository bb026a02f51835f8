// Screen directions of line strips at their vertices.

#include "lines/StrokeDirections.h"

#include "util/Vec.h"

namespace {

SbVec2f toFloat(const Vec2d& v)
{
    return SbVec2f(float(v.x), float(v.y));
}

// The screen points of one run; a vertex index past them has no position.
class Points {
public:
    Points(const SbVec2f* points, int32_t count)
        : points(points), count(points != nullptr ? count : 0)
    {
    }

    bool has(int32_t vertex) const { return vertex >= 0 && vertex < count; }

    // b - a, or zero when either has no position.
    Vec2d difference(int32_t a, int32_t b) const
    {
        if (!has(a) || !has(b))
            return {};
        return Vec2d::of(points[b]) - Vec2d::of(points[a]);
    }

private:
    const SbVec2f* points;
    int32_t count;
};

// Appends the directions of the strip of vertex indices `w[0..size)`.
void stripDirections(const int32_t* w, int32_t size, const Points& points, std::vector<SbVec2f>& directions)
{
    if (size == 1) {
        directions.emplace_back(0.0f, 0.0f);
        return;
    }
    directions.push_back(toFloat(points.difference(w[0], w[1])));
    for (int32_t j = 1; j + 1 < size; ++j) {
        const Vec2d sum = unitOrZero(points.difference(w[j - 1], w[j])) + unitOrZero(points.difference(w[j], w[j + 1]));
        directions.push_back(toFloat(sum));
    }
    directions.push_back(toFloat(points.difference(w[size - 2], w[size - 1])));
}

void noteOutOfRange(const int32_t* indices, int32_t begin, int32_t end, const Points& points,
                    StrokeDirectionsReport& report)
{
    for (int32_t i = begin; i < end; ++i)
        if (!points.has(indices[i]) && report.outOfRange++ == 0)
            report.firstOutOfRange = i;
}

} // namespace

StrokeDirectionsReport computeStrokeDirections(const int32_t* indices, int32_t count, const SbVec2f* screenPoints,
                                               int32_t pointCount, std::vector<SbVec2f>& directions)
{
    StrokeDirectionsReport report;
    directions.clear();
    if (indices == nullptr || count <= 0)
        return report;
    const Points points(screenPoints, pointCount);
    int32_t begin = 0;
    for (int32_t i = 0; i <= count; ++i) {
        if (i < count && indices[i] >= 0)
            continue;
        if (i < count && indices[i] != -1 && report.oddSeparators++ == 0)
            report.firstOddSeparator = i;
        if (i > begin) {
            noteOutOfRange(indices, begin, i, points, report);
            stripDirections(indices + begin, i - begin, points, directions);
        } else if (i < count) {
            report.emptyStrips.push_back(begin);
        }
        begin = i + 1;
    }
    return report;
}
