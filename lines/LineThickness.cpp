// Stroke thickness per line vertex.

#include "lines/LineThickness.h"

#include <algorithm>
#include <cmath>
#include <vector>

bool canThickenLines(int32_t coordinateCount, int32_t indexCount)
{
    return coordinateCount >= 2 && indexCount >= 2;
}

float baseThickness(const ThicknessSettings& settings)
{
    if (settings.method == ThicknessMethod::ConstantTextureHeight || settings.method == ThicknessMethod::Clearance)
        return settings.amplitude * settings.textureHeight;
    return settings.amplitude;
}

void thickenLines(const int32_t* indices, int32_t count, const ThicknessSettings& settings, const float* incoming,
                  int32_t incomingCount, float* thicknesses)
{
    const bool byDepth = settings.method == ThicknessMethod::Depth && settings.depth;
    const bool byClearance = settings.method == ThicknessMethod::Clearance && settings.clearances != nullptr;
    if (incoming == nullptr)
        incomingCount = 0;
    float w = baseThickness(settings);
    int32_t k = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] < 0)
            continue;
        if (byDepth) {
            // The comparison is false for NaN too: a vertex whose depth cannot
            // be told gets no thickness rather than a NaN one.
            const float d = settings.depth(indices[i]);
            w = d >= kMinimumThicknessDepth ? settings.amplitude / d : 0.0f;
        } else if (byClearance) {
            w = clearanceThickness(baseThickness(settings), settings.clearances[k]);
        }
        // Same-array input is read at k before k is written.
        thicknesses[k] = k < incomingCount ? w + incoming[k] : w;
        ++k;
    }
}

float clearanceThickness(float base, float clearance)
{
    if (!(clearance < kClearanceReach * base))
        return base;
    return std::max(clearance / kClearanceReach, std::min(base, kMinimumClearanceThickness));
}

namespace {

// Segments binned by the grid cells they pass through, as one flat list per
// cell (cell c holds segmentIds[first[c]] up to first[c + 1]). A segment is
// the pair of vertex entries (j, j + 1).
struct SegmentGrid {
    float minX = 0.0f, minY = 0.0f, cell = 1.0f;
    int32_t columns = 0, rows = 0;
    std::vector<int32_t> first;
    std::vector<int32_t> segmentIds;

    int32_t column(float x) const { return std::min(columns - 1, std::max(0, int32_t((x - minX) / cell))); }
    int32_t row(float y) const { return std::min(rows - 1, std::max(0, int32_t((y - minY) / cell))); }
};

bool finite(const SbVec2f& p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]);
}

// Calls visit(cell) for the cells of points along the segment a-b no more
// than half a cell apart, each cell once in a row. Every point of the segment
// then lies within a quarter cell of a visited cell's point.
template <class Visit>
void segmentCells(const SegmentGrid& grid, const SbVec2f& a, const SbVec2f& b, Visit visit)
{
    const SbVec2f d = b - a;
    const int32_t steps = 1 + int32_t(d.length() / (0.5f * grid.cell));
    int32_t last = -1;
    for (int32_t s = 0; s <= steps; ++s) {
        const SbVec2f p = a + d * (float(s) / float(steps));
        const int32_t cell = grid.row(p[1]) * grid.columns + grid.column(p[0]);
        if (cell != last)
            visit(cell);
        last = cell;
    }
}

} // namespace

void lineClearances(const int32_t* indices, int32_t count, const SbVec2f* screen, float reach, float* clearances)
{
    // Neighbours along the strips, and the segments.
    std::vector<int32_t> previous, next, segments;
    int32_t k = 0;
    bool open = false;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] < 0) {
            open = false;
            continue;
        }
        previous.push_back(open ? k - 1 : k);
        next.push_back(k);
        if (open) {
            next[size_t(k - 1)] = k;
            if (finite(screen[k - 1]) && finite(screen[k]))
                segments.push_back(k - 1);
        }
        open = true;
        ++k;
    }
    const int32_t vertices = k;
    std::fill(clearances, clearances + vertices, reach);
    if (segments.empty() || !(reach > 0.0f) || !std::isfinite(reach))
        return;

    // Cells twice the reach wide, so that every segment within reach of a
    // vertex passes through one of the 3 x 3 cells around it; at most 1024
    // cells a side, wider cells when the lines spread far.
    SegmentGrid grid;
    float maxX = -INFINITY, maxY = -INFINITY;
    grid.minX = grid.minY = INFINITY;
    for (int32_t j = 0; j < vertices; ++j) {
        if (!finite(screen[j]))
            continue;
        grid.minX = std::min(grid.minX, screen[j][0]);
        grid.minY = std::min(grid.minY, screen[j][1]);
        maxX = std::max(maxX, screen[j][0]);
        maxY = std::max(maxY, screen[j][1]);
    }
    grid.cell = std::max(2.0f * reach, std::max(maxX - grid.minX, maxY - grid.minY) / 1024.0f);
    grid.columns = 1 + int32_t((maxX - grid.minX) / grid.cell);
    grid.rows = 1 + int32_t((maxY - grid.minY) / grid.cell);
    grid.first.assign(size_t(grid.columns) * size_t(grid.rows) + 1, 0);
    for (int32_t s : segments)
        segmentCells(grid, screen[s], screen[s + 1], [&grid](int32_t cell) { ++grid.first[size_t(cell) + 1]; });
    for (size_t c = 1; c < grid.first.size(); ++c)
        grid.first[c] += grid.first[c - 1];
    grid.segmentIds.resize(size_t(grid.first.back()));
    std::vector<int32_t> fill(grid.first.begin(), grid.first.end() - 1);
    for (int32_t s : segments)
        segmentCells(grid, screen[s], screen[s + 1],
                     [&](int32_t cell) { grid.segmentIds[size_t(fill[size_t(cell)]++)] = s; });

    for (int32_t v = 0; v < vertices; ++v) {
        const SbVec2f& p = screen[v];
        if (!finite(p))
            continue;
        SbVec2f along = screen[next[size_t(v)]] - screen[previous[size_t(v)]];
        if (!finite(along) || along.length() <= 0.0f)
            continue;
        along.normalize();
        const SbVec2f across(-along[1], along[0]);
        float nearest = reach;
        const int32_t column = grid.column(p[0]), row = grid.row(p[1]);
        for (int32_t r = std::max(0, row - 1); r <= std::min(grid.rows - 1, row + 1); ++r) {
            for (int32_t c = std::max(0, column - 1); c <= std::min(grid.columns - 1, column + 1); ++c) {
                const int32_t cell = r * grid.columns + c;
                for (int32_t e = grid.first[size_t(cell)]; e < grid.first[size_t(cell) + 1]; ++e) {
                    const int32_t s = grid.segmentIds[size_t(e)];
                    // p + t across = a + u (b - a): solved by Cramer's rule.
                    const SbVec2f a = screen[s], d = screen[s + 1] - a, q = a - p;
                    const float det = d[0] * across[1] - d[1] * across[0];
                    if (std::fabs(det) <= 1e-6f * d.length())
                        continue; // the segment runs straight across the stroke
                    const float t = (d[0] * q[1] - d[1] * q[0]) / det;
                    const float u = (across[0] * q[1] - across[1] * q[0]) / det;
                    if (u < 0.0f || u > 1.0f)
                        continue;
                    const float distance = std::fabs(t);
                    if (distance >= 1.0f && distance < nearest)
                        nearest = distance;
                }
            }
        }
        clearances[v] = nearest;
    }
}
