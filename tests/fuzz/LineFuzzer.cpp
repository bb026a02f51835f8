// Fuzz harness of the plain line algorithms: bytes become a line set (any
// coordinates and screen positions, index lists with odd separators and
// indices of any value, parameterizations of any length) that goes through
// concatenation, the four purifications and hidden-line splitting against a
// painted depth image.

#include <Inventor/SbViewVolume.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "lines/HiddenLineSplitter.h"
#include "lines/LineConcatenation.h"
#include "lines/LinePurification.h"
#include "support/PaintedDepth.h"

#include "FuzzInput.h"

namespace {

const uint32_t kMaxPoints = 64;

struct Lines {
    std::vector<SbVec3f> points;
    std::vector<SbVec2f> screen;
    std::vector<int32_t> indices;
    std::vector<float> parameters;
    bool unitParameters = false; // every parameter in 0..1, -1 at the separators
};

// A strip separator a quarter of the time, else an index as FuzzInput gives it.
int32_t lineEntry(FuzzInput& in, int32_t count)
{
    return in.below(4) == 0 ? -1 : in.index(count);
}

Lines decodeLines(FuzzInput& in)
{
    Lines l;
    l.points.resize(in.below(kMaxPoints + 1));
    for (SbVec3f& p : l.points)
        p.setValue(in.coordinate(), in.coordinate(), in.coordinate());
    l.screen.resize(l.points.size());
    for (SbVec2f& s : l.screen)
        s.setValue(in.coordinate(), in.coordinate());
    l.indices.resize(in.byte());
    for (int32_t& i : l.indices)
        i = lineEntry(in, int32_t(l.points.size()));
    switch (in.below(4)) {
    case 0: // none
        break;
    case 1:
        l.unitParameters = true;
        for (int32_t i : l.indices)
            l.parameters.push_back(i < 0 ? -1.0f : float(in.byte()) / 255.0f);
        break;
    case 2: // shorter than the index list, or a single entry
        l.parameters.resize(in.below(uint32_t(std::min<size_t>(l.indices.size(), 255)) + 1), 0.5f);
        break;
    default:
        for (size_t i = 0; i < l.indices.size(); ++i)
            l.parameters.push_back(in.coordinate());
    }
    return l;
}

// Splits an index list at its negative entries; a last strip without a
// separator counts as well.
std::vector<std::vector<int32_t>> strips(const std::vector<int32_t>& indices)
{
    std::vector<std::vector<int32_t>> result(1);
    for (int32_t i : indices) {
        if (i < 0)
            result.emplace_back();
        else
            result.back().push_back(i);
    }
    if (result.back().empty())
        result.pop_back();
    return result;
}

// What every algorithm promises of its output index list: each strip ends
// with exactly one -1 and names entries below `limit`.
void expectWellFormed(const std::vector<int32_t>& indices, size_t limit, bool emptyStripsAllowed, const char* what)
{
    ASSERT_TRUE(indices.empty() || indices.back() == -1) << what << ": the last strip lacks its -1";
    bool stripStart = true;
    for (size_t k = 0; k < indices.size(); ++k) {
        const int32_t i = indices[k];
        ASSERT_TRUE(i >= -1 && (i < 0 || size_t(i) < limit)) << what << ": entry " << k << " is " << i;
        ASSERT_TRUE(emptyStripsAllowed || !(i == -1 && stripStart)) << what << ": empty strip at entry " << k;
        stripStart = i == -1;
    }
}

// Undirected edges of the strips, sorted.
std::vector<std::pair<int32_t, int32_t>> edgesOf(const std::vector<int32_t>& indices)
{
    std::vector<std::pair<int32_t, int32_t>> edges;
    for (const auto& s : strips(indices))
        for (size_t k = 1; k < s.size(); ++k)
            edges.emplace_back(std::min(s[k - 1], s[k]), std::max(s[k - 1], s[k]));
    std::sort(edges.begin(), edges.end());
    return edges;
}

size_t singleVertexStrips(const std::vector<int32_t>& indices)
{
    size_t n = 0;
    for (const auto& s : strips(indices))
        n += s.size() == 1 ? 1 : 0;
    return n;
}

void checkConcatenation(const Lines& l)
{
    std::vector<int32_t> out;
    concatenateLines(l.indices.data(), int32_t(l.indices.size()), out);
    expectWellFormed(out, size_t(INT32_MAX) + 1, false, "concatenation");
    EXPECT_EQ(edgesOf(l.indices), edgesOf(out)) << "concatenation lost or made up an edge";
    EXPECT_EQ(singleVertexStrips(l.indices), singleVertexStrips(out)) << "concatenation changed single vertices";
}

bool sameBits(const SbVec3f& a, const SbVec3f& b)
{
    return std::memcmp(a.getValue(), b.getValue(), sizeof(float) * 3) == 0;
}

float threshold(FuzzInput& in, float scale)
{
    const uint8_t t = in.byte();
    return t < 0xF0 ? float(t) * scale : in.coordinate();
}

void checkPurification(const Lines& l, FuzzInput& in)
{
    PurificationInput input;
    input.indices = l.indices.data();
    input.indexCount = int32_t(l.indices.size());
    input.points = l.points.data();
    input.screen = l.screen.data();
    input.pointCount = int32_t(l.points.size());
    input.parameters = l.parameters.data();
    input.parameterCount = int32_t(l.parameters.size());
    const float screenThreshold = threshold(in, 0.125f), angleThreshold = threshold(in, 0.75f);
    if (!canPurifyLines(input.indexCount, input.pointCount))
        return;

    const bool parameterized = l.parameters.size() > 1 && l.parameters.size() >= l.indices.size();
    size_t stripsWithBadIndex = 0;
    for (const auto& s : strips(l.indices))
        stripsWithBadIndex += std::any_of(s.begin(), s.end(), [&](int32_t i) { return size_t(i) >= l.points.size(); });

    const char* names[4] = {"subpixel lengths", "zig-zags", "sharp angles", "short segments"};
    for (int method = 0; method < 4; ++method) {
        PurifiedLines out;
        PurificationReport report;
        switch (method) {
        case 0: report = eliminateSubpixelLengths(input, screenThreshold, out); break;
        case 1: report = eliminateZigZags(input, angleThreshold, out); break;
        case 2: report = eliminateSharpAngles(input, angleThreshold, out); break;
        default: report = eliminateShortSegments(input, screenThreshold, out); break;
        }
        const char* what = names[method];
        ASSERT_EQ(stripsWithBadIndex, size_t(report.droppedStrips)) << what;
        ASSERT_EQ(method != 3, out.pointsWritten) << what;
        expectWellFormed(out.indices, out.pointsWritten ? out.points.size() : l.points.size(), true, what);

        ASSERT_EQ(parameterized, out.parameterized) << what;
        if (out.parameterized) {
            ASSERT_EQ(out.indices.size(), out.parameters.size()) << what;
            for (size_t k = 0; k < out.indices.size(); ++k) {
                const float p = out.parameters[k];
                ASSERT_TRUE(out.indices[k] < 0 ? p == -1.0f : !l.unitParameters || (p >= 0.0f && p <= 1.0f))
                    << what << ": parameter " << p << " at entry " << k << " (index " << out.indices[k] << ")";
            }
        }

        if (method == 0) { // new coordinates, numbered in writing order, each a copy of an input one
            int32_t next = 0;
            for (int32_t i : out.indices) {
                if (i >= 0) {
                    ASSERT_EQ(next++, i) << what;
                }
            }
            ASSERT_EQ(size_t(next), out.points.size()) << what;
            for (const SbVec3f& p : out.points) {
                const bool copied = std::any_of(l.points.begin(), l.points.end(),
                                                [&](const SbVec3f& q) { return sameBits(p, q); });
                ASSERT_TRUE(copied) << what << ": point (" << p[0] << ", " << p[1] << ", " << p[2]
                                    << ") is no input point";
            }
        } else if (method == 1 || method == 2) { // the input coordinates first, unchanged
            ASSERT_GE(out.points.size(), l.points.size()) << what;
            for (size_t i = 0; i < l.points.size(); ++i) {
                ASSERT_TRUE(sameBits(l.points[i], out.points[i])) << what << ": coordinate " << i << " changed";
            }
            ASSERT_TRUE(method == 1 || l.points.size() == out.points.size()) << what << ": points were added";
        }
    }
}

DepthViewport decodeViewport(FuzzInput& in)
{
    DepthViewport v;
    v.x = int8_t(in.byte());
    v.y = int8_t(in.byte());
    v.width = 1 + int(in.below(64));
    v.height = 1 + int(in.below(64));
    return v;
}

void paint(FuzzInput& in, PaintedDepth& depth)
{
    const DepthViewport& v = depth.view;
    for (uint32_t n = in.below(5); n > 0; --n) {
        const int x0 = v.x - 4 + int(in.below(80)), y0 = v.y - 4 + int(in.below(80));
        const int x1 = x0 + int(in.below(40)), y1 = y0 + int(in.below(40));
        depth.paint(x0, y0, x1, y1, float(in.byte()) / 255.0f);
    }
}

SbMatrix decodeMatrix(FuzzInput& in)
{
    switch (in.below(3)) {
    case 0: { // the coordinates' -32 .. 32 onto the whole view, depth included
        SbMatrix m;
        m.setScale(SbVec3f(1.0f / 32, 1.0f / 32, 1.0f / 32));
        return m;
    }
    case 1: { // a perspective view from z = 20, so some points lie behind the eye
        SbViewVolume volume;
        volume.perspective(0.8f, 1.0f, 1.0f, 100.0f);
        volume.translateCamera(SbVec3f(0.0f, 0.0f, 20.0f));
        return volume.getMatrix();
    }
    default: {
        SbMatrix m;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                m[r][c] = in.coordinate();
        return m;
    }
    }
}

void expectSplitWellFormed(const SplittingInput& input, const SplitLines& out)
{
    expectWellFormed(out.indices, out.coordinates.size(), false, "splitting");
    std::vector<char> used(out.coordinates.size(), 0);
    for (int32_t i : out.indices)
        if (i >= 0)
            used[size_t(i)] = 1;
    ASSERT_TRUE(std::all_of(used.begin(), used.end(), [](char u) { return u != 0; }))
        << "splitting wrote a coordinate that no strip uses";
    ASSERT_EQ(input.parameterCount > 1 && input.parameterCount >= input.indexCount, out.parametersUsed);
    if (out.parametersUsed) {
        ASSERT_EQ(out.indices.size(), out.parameters.size());
        for (size_t k = 0; k < out.indices.size(); ++k) {
            ASSERT_TRUE(out.indices[k] >= 0 || out.parameters[k] == -1.0f) << "splitting: parameter at separator " << k;
        }
    }
}

bool sameSplit(const SplitLines& a, const SplitLines& b)
{
    auto sameFloat = [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.indices == b.indices && a.parameters.size() == b.parameters.size()
        && std::equal(a.parameters.begin(), a.parameters.end(), b.parameters.begin(), sameFloat)
        && a.coordinates.size() == b.coordinates.size()
        && std::equal(a.coordinates.begin(), a.coordinates.end(), b.coordinates.begin(), sameBits);
}

void checkSplitting(const Lines& l, FuzzInput& in)
{
    SplittingInput input;
    input.coordinates = l.points.data();
    input.coordinateCount = int32_t(l.points.size());
    input.indices = l.indices.data();
    input.indexCount = int32_t(l.indices.size());
    input.parameters = l.parameters.empty() ? nullptr : l.parameters.data();
    input.parameterCount = int32_t(l.parameters.size());

    const DepthViewport view = decodeViewport(in);
    const SbMatrix matrix = decodeMatrix(in);
    const uint8_t e = in.byte();
    const float maximalError = e < 0xF0 ? 1.0f + float(e) / 16.0f : in.coordinate();
    PaintedDepth first(view), second(view);
    paint(in, first);
    paint(in, second);

    // The second frame through a splitter that saw the first must come out
    // as from a new splitter: nothing of the first frame's depth survives.
    HiddenLineSplitter splitter, fresh;
    SplitLines out, expected;
    const bool accepted = input.indexCount >= 3 && input.coordinateCount >= 2;
    ASSERT_EQ(accepted, splitter.split(input, maximalError, matrix, first, out));
    if (!accepted)
        return;
    expectSplitWellFormed(input, out);
    ASSERT_TRUE(splitter.split(input, maximalError, matrix, second, out));
    ASSERT_TRUE(fresh.split(input, maximalError, matrix, second, expected));
    ASSERT_TRUE(sameSplit(expected, out)) << "the depth cache carried depth from one frame into the next";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const Lines lines = decodeLines(in);
    checkConcatenation(lines);
    checkPurification(lines, in);
    checkSplitting(lines, in);
    return 0;
}
