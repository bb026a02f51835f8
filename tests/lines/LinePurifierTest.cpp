// The four line purification methods as plain algorithms, and SoLinePurifier
// under a callback traversal.
//
// Algorithm cases give screen positions directly; the object-space point of
// coordinate i is (x/2, y/2, i), so a copied or averaged point shows where it
// came from. Node scenes look through an orthographic camera of height 200 at
// a 200 x 200 window: one object unit is one pixel, two screen units.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "lines/LinePurification.h"
#include "lines/SoLinePurifier.h"
#include "support/DebugErrorCollector.h"
#include "support/TestNodes.h"

namespace {

typedef std::vector<int32_t> Indices;
typedef std::vector<float> Floats;

// Lines over screen positions, with the object points described above.
struct Lines {
    std::vector<SbVec2f> screen;
    std::vector<SbVec3f> points;
    Indices indices;
    Floats parameters;

    Lines(const std::vector<SbVec2f>& s, const Indices& i, const Floats& p = Floats())
        : screen(s), indices(i), parameters(p)
    {
        for (size_t k = 0; k < screen.size(); ++k)
            points.emplace_back(screen[k][0] / 2, screen[k][1] / 2, float(k));
    }
    PurificationInput input(void) const
    {
        PurificationInput in;
        in.indices = indices.data();
        in.indexCount = int32_t(indices.size());
        in.points = points.data();
        in.screen = screen.data();
        in.pointCount = int32_t(points.size());
        in.parameters = parameters.empty() ? nullptr : parameters.data();
        in.parameterCount = int32_t(parameters.size());
        return in;
    }
};

typedef PurificationReport (*Method)(const PurificationInput&, double, PurifiedLines&);
const struct {
    Method run;
    const char* name;
    double threshold;
} kMethods[] = { { eliminateSubpixelLengths, "subpixel lengths", 2 }, { eliminateZigZags, "zig-zags", 90 },
                 { eliminateSharpAngles, "sharp angles", 45 }, { eliminateShortSegments, "short segments", 5 } };

PurifiedLines purify(Method method, const Lines& lines, double threshold, PurificationReport* report = nullptr)
{
    PurifiedLines out;
    const PurificationReport r = method(lines.input(), threshold, out);
    if (report != nullptr)
        *report = r;
    return out;
}

// What every method promises of its output, whatever the input.
void expectWellFormed(const Lines& in, const PurifiedLines& out, const std::string& what)
{
    EXPECT_TRUE(out.indices.empty() || out.indices.back() == -1) << what << ": last strip ends with -1";
    const size_t points = out.pointsWritten ? out.points.size() : in.points.size();
    for (size_t i = 0; i < out.indices.size(); ++i)
        EXPECT_TRUE(out.indices[i] >= -1 && out.indices[i] < int32_t(points)) << what << ", index entry " << i;
    for (const SbVec3f& p : out.points)
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) << what << ": output point";
    if (!out.parameterized) {
        EXPECT_TRUE(out.parameters.empty()) << what << ": parameters without a parameterization";
        return;
    }
    ASSERT_EQ(out.parameters.size(), out.indices.size()) << what << ": one parameter per index entry";
    for (size_t i = 0; i < out.indices.size(); ++i) {
        const float p = out.parameters[i];
        if (out.indices[i] < 0)
            EXPECT_EQ(p, -1.0f) << what << ", parameter at separator " << i;
        else
            EXPECT_TRUE(p >= 0.0f && p <= 1.0f) << what << ", parameter " << i << " = " << p;
    }
}

TEST(LinePurifierTest, SubpixelLengths)
{
    // Strip 0-2 stays within 2 units of its first vertex (one at exactly 2,
    // which counts as short) and vanishes; strip 3-4 is 3 units long (1.5
    // pixels) and is kept; in strip 5-8 vertex 8 lies 1 unit past vertex 7
    // and closes the strip in its place.
    const Lines lines({ { 0, 0 }, { 2, 0 }, { 1, 1 }, { 10, 0 }, { 13, 0 }, { 0, 5 }, { 0, 15 }, { 0, 25 }, { 0, 26 } },
                      { 0, 1, 2, -1, 3, 4, -1, 5, 6, 7, 8, -1 }, { 0, .5f, 1, -1, 0, 1, -1, 0, .4f, .8f, 1, -1 });
    const PurifiedLines out = purify(eliminateSubpixelLengths, lines, 2.0);
    expectWellFormed(lines, out, "subpixel");
    EXPECT_EQ(out.indices, Indices({ 0, 1, -1, 2, 3, 4, -1 })) << "new coordinates numbered in writing order";
    EXPECT_EQ(out.parameters, Floats({ 0, 1, -1, 0, .4f, 1, -1 })) << "parameters of the vertices taken";
    ASSERT_EQ(out.points.size(), 5u) << "one new coordinate per written vertex";
    const int source[] = { 3, 4, 5, 6, 8 };
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(out.points[size_t(k)], lines.points[size_t(source[k])]) << "new coordinate " << k;
    // A strip whose vertices wander far in sum but never 2 units from the
    // first one leaves no trace; so do empty and one-vertex strips.
    const Lines wander({ { 0, 0 }, { 1.5f, 0 }, { 0, 1.5f }, { -1.5f, 0 }, { 5, 5 } }, { 0, 1, 2, 3, 0, -1, 4, -1, -1 });
    EXPECT_TRUE(purify(eliminateSubpixelLengths, wander, 2.0).indices.empty()) << "wandering, one-vertex, empty strips";
}

TEST(LinePurifierTest, ZigZags)
{
    // P0, P1, P2, X turns back at P1 and again at P2 (inner angles near 6
    // degrees): the midpoint M of P1 and P2 replaces them, appended after
    // the copied coordinates. Strips of 2 and 3 vertices are copied.
    const Lines lines({ { 0, 0 }, { 20, 0 }, { 2, 2 }, { 22, 2 } }, { 0, 1, 2, 3, -1, 0, 1, 2, -1, 3, 0, -1, 2, -1 },
                      { 0, .4f, .6f, 1, -1, 0, .5f, 1, -1, 0, 1, -1, 0, -1 });
    const PurifiedLines out = purify(eliminateZigZags, lines, 90.0);
    expectWellFormed(lines, out, "zig-zag");
    EXPECT_EQ(out.indices, Indices({ 0, 4, 3, -1, 0, 1, 2, -1, 3, 0, -1, 2, -1 })) << "P0, M, X and copied strips";
    ASSERT_EQ(out.points.size(), 5u) << "input coordinates and one midpoint";
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(out.points[k], lines.points[k]) << "copied coordinate " << k;
    EXPECT_EQ(out.points[4], SbVec3f(5.5f, 0.5f, 1.5f)) << "object-space midpoint of P1 and P2";
    // The midpoint's parameter: p(P0) + |S0 Sm| (p(X) - p(P0)) over the
    // window's screen length |Z S2| + |S2 S1| + |S0 S1|.
    const double window = 20 + std::hypot(18.0, 2.0) + 20;
    EXPECT_NEAR(out.parameters[1], std::hypot(11.0, 1.0) / window, 1e-6) << "midpoint parameter";

    // A zig-zag right after one replaces the uncommitted midpoint: at 170
    // degrees the turns of V0..V4 all count (90, 90, then 53 degrees at M and
    // 117 at V3), and the strip becomes V0, M', V4 with M' = (M + V3) / 2,
    // written in the same coordinate slot.
    const Lines wiggle({ { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 }, { 0, 20 } }, { 0, 1, 2, 3, 4, -1 },
                       { 0, .25f, .5f, .75f, 1, -1 });
    const PurifiedLines again = purify(eliminateZigZags, wiggle, 170.0);
    expectWellFormed(wiggle, again, "double zig-zag");
    EXPECT_EQ(again.indices, Indices({ 0, 5, 4, -1 })) << "one midpoint for two zig-zags";
    ASSERT_EQ(again.points.size(), 6u) << "the second midpoint overwrote the first";
    const SbVec3f m = (wiggle.points[1] + wiggle.points[2]) / 2;
    EXPECT_EQ(again.points[5], (m + wiggle.points[3]) / 2) << "midpoint of the first midpoint and V3";
    // Second window: S0 = (0,0), S1 = Sm = (10,5), S2 = (0,10), Z = (0,20),
    // so Sm' = (5,7.5); parameters p(P0) = 0 and p(X) = 1.
    const double expected = std::hypot(5.0, 7.5) / (10 + std::hypot(10.0, 5.0) + std::hypot(10.0, 5.0));
    EXPECT_NEAR(again.parameters[1], expected, 1e-6) << "parameter of the replaced midpoint";
    // At 90 degrees the right-angled wiggle is no zig-zag.
    EXPECT_EQ(purify(eliminateZigZags, wiggle, 90.0).indices, wiggle.indices) << "right angles at 90 degrees";
}

TEST(LinePurifierTest, SharpAnglesAndShortSegments)
{
    // P, Q, R folds back at Q (inner angle near 6 degrees), S follows at a
    // wide angle: cut at Q only, the pieces sharing Q.
    const Lines fold({ { 0, 0 }, { 20, 0 }, { 0, 2 }, { -20, 20 } }, { 0, 1, 2, 3, -1, 3, -1 }, { 0, .4f, .7f, 1, -1, 0, -1 });
    const PurifiedLines cut = purify(eliminateSharpAngles, fold, 45.0);
    expectWellFormed(fold, cut, "sharp angles");
    EXPECT_EQ(cut.indices, Indices({ 0, 1, -1, 1, 2, 3, -1, 3, -1 })) << "P, Q and Q, R, S; one-vertex strip copied";
    EXPECT_EQ(cut.parameters, Floats({ 0, .4f, -1, .4f, .7f, 1, -1, 0, -1 })) << "Q keeps its parameter in both";
    EXPECT_TRUE(cut.pointsWritten && cut.points == fold.points) << "coordinates copied unchanged";
    EXPECT_EQ(purify(eliminateSharpAngles, fold, 5.0).indices, fold.indices) << "nothing below 5 degrees";

    // Short segments at 5 units: P, Q, R with |PQ| = 20 and |QR| = 2 becomes
    // P, Q; a 4-unit strip vanishes; a one-vertex strip is an empty strip.
    const Lines pieces({ { 0, 0 }, { 20, 0 }, { 22, 0 }, { 0, 10 }, { 4, 10 } }, { 0, 1, 2, -1, 3, 4, -1, 3, -1, 0, 1, -1 },
                       { 0, .9f, 1, -1, 0, 1, -1, 0, -1, 0, 1, -1 });
    const PurifiedLines kept = purify(eliminateShortSegments, pieces, 5.0);
    expectWellFormed(pieces, kept, "short segments");
    EXPECT_EQ(kept.indices, Indices({ 0, 1, -1, -1, 0, 1, -1 })) << "P, Q; vanished strip; empty strip; copy";
    EXPECT_EQ(kept.parameters, Floats({ 0, .9f, -1, -1, 0, 1, -1 })) << "parameters of the kept vertices";
    EXPECT_TRUE(!kept.pointsWritten && kept.points.empty()) << "short segments write no coordinates";
    // A short tip where the line turns back is kept instead of its short
    // lead-in: A, B (short), C back towards A, D far away.
    const Lines tip({ { 0, 0 }, { 3, 0 }, { 0, 0.5f }, { 0, 40 } }, { 0, 1, 2, 3, -1 });
    EXPECT_EQ(purify(eliminateShortSegments, tip, 5.0).indices, Indices({ 1, 3, -1 })) << "turn-back keeps B";
    // A straight run of 2-unit steps keeps the vertices 6 units apart; the
    // last, short step is dropped.
    const Lines run({ { 0, 0 }, { 2, 0 }, { 4, 0 }, { 6, 0 }, { 8, 0 } }, { 0, 1, 2, 3, 4, -1 });
    EXPECT_EQ(purify(eliminateShortSegments, run, 5.0).indices, Indices({ 0, 3, -1 })) << "straight short steps";
    // A piece exactly as long as the threshold is kept; a right-angled turn
    // counts as turning back.
    const Lines edge({ { 0, 0 }, { 5, 0 }, { 10, 0 }, { 0, 20 }, { 3, 20 }, { 3, 60 } }, { 0, 1, 2, -1, 3, 4, 5, -1 });
    EXPECT_EQ(purify(eliminateShortSegments, edge, 5.0).indices, Indices({ 0, 1, 2, -1, 4, 5, -1 }))
        << "length equal to the threshold; turn of exactly 90 degrees";
}

TEST(LinePurifierTest, DamagedInputIsReportedAndRepaired)
{
    // Entry -3 ends a strip, coordinate 4 does not exist, the last strip
    // lacks its -1, the parameterization is one entry short.
    const Lines lines({ { 0, 0 }, { 20, 0 }, { 40, 0 }, { 60, 0 } }, { 0, 1, -3, 2, 4, -1, 2, 3 }, Floats(7, 0.5f));
    for (const auto& method : kMethods) {
        PurificationReport report;
        const PurifiedLines out = purify(method.run, lines, method.threshold, &report);
        expectWellFormed(lines, out, method.name);
        EXPECT_EQ(report.oddSeparators, 1) << method.name;
        EXPECT_EQ(report.firstOddSeparator, 2) << method.name;
        EXPECT_TRUE(report.unterminated) << method.name;
        EXPECT_EQ(report.droppedStrips, 1) << method.name;
        EXPECT_EQ(report.firstBadIndex, 4) << method.name;
        EXPECT_TRUE(report.parametersTooShort && !out.parameterized) << method.name << ": short parameterization";
        EXPECT_EQ(out.indices.size(), 6u) << method.name << ": two 2-vertex strips, the bad one dropped";
        // A parameterization of one entry is no parameterization, not a short one.
        const Lines single({ { 0, 0 }, { 20, 0 } }, { 0, 1, -1 }, { 0.5f });
        const PurifiedLines plain = purify(method.run, single, method.threshold, &report);
        EXPECT_TRUE(report.clean() && !plain.parameterized) << method.name << ": one-entry parameterization";
    }
    // Coincident screen positions give zero directions, which count as right
    // angles: never a turn below 90 degrees, always one above.
    const Lines still({ { 5, 5 }, { 5, 5 }, { 5, 5 }, { 5, 5 } }, { 0, 1, 2, 3, -1 }, { 0, 0, 0, 0, -1 });
    EXPECT_EQ(purify(eliminateZigZags, still, 90.0).indices, still.indices) << "coincident points at 90 degrees";
    const PurifiedLines folded = purify(eliminateZigZags, still, 100.0);
    expectWellFormed(still, folded, "coincident points at 100 degrees");
    EXPECT_EQ(folded.indices, Indices({ 0, 4, 3, -1 })) << "coincident points at 100 degrees";
    EXPECT_EQ(purify(eliminateSharpAngles, still, 100.0).indices, Indices({ 0, 1, -1, 1, 2, -1, 2, 3, -1 }))
        << "sharp angles at coincident points, 100 degrees";
}

// Random strips of unique coordinates: steps of every length, exact repeats
// and reversals, with increasing parameters from 0 to 1 per strip.
Lines randomLines(std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<SbVec2f> screen;
    Indices indices;
    Floats parameters;
    const int strips = 1 + int(unit(random) * 6);
    for (int s = 0; s < strips; ++s) {
        const int n = 1 + int(unit(random) * 12);
        SbVec2f at(unit(random) * 200, unit(random) * 200), step(0, 0);
        for (int v = 0; v < n; ++v) {
            const float kind = unit(random);
            if (kind < 0.15f)
                step = -step; // turn back
            else if (kind < 0.25f)
                step = SbVec2f(0, 0); // repeat the point
            else
                step = SbVec2f(unit(random) - 0.5f, unit(random) - 0.5f) * (kind < 0.6f ? 6.0f : 60.0f);
            if (v > 0)
                at += step;
            indices.push_back(int32_t(screen.size()));
            parameters.push_back(n > 1 ? float(v) / float(n - 1) : 0.0f);
            screen.push_back(at);
        }
        indices.push_back(-1);
        parameters.push_back(-1.0f);
    }
    return Lines(screen, indices, parameters);
}

// The screen position of a point of Lines (midpoints included, as the
// object-to-screen map is linear there).
std::array<double, 2> screenOf(const SbVec3f& p)
{
    return { 2.0 * p[0], 2.0 * p[1] };
}

// Cosine of the angle at o between a and b; 0 next to a zero-length side.
double cosineOf(const std::array<double, 2>& a, const std::array<double, 2>& o, const std::array<double, 2>& b)
{
    const double ux = a[0] - o[0], uy = a[1] - o[1], wx = b[0] - o[0], wy = b[1] - o[1];
    const double lu = std::hypot(ux, uy), lw = std::hypot(wx, wy);
    return (lu > 0 && lw > 0) ? (ux * wx + uy * wy) / (lu * lw) : 0.0;
}

// Output strips as lists of index-list positions.
std::vector<std::vector<size_t>> stripsOf(const Indices& indices)
{
    std::vector<std::vector<size_t>> strips(1);
    for (size_t i = 0; i < indices.size(); ++i) {
        if (indices[i] >= 0)
            strips.back().push_back(i);
        else if (i + 1 < indices.size())
            strips.emplace_back();
    }
    if (indices.empty())
        strips.clear();
    return strips;
}

TEST(LinePurifierTest, RandomStripsKeepEveryInvariant)
{
    std::mt19937 random(7031);
    for (int round = 0; round < 300; ++round) {
        const Lines in = randomLines(random);
        const double length = 1.0 + 10.0 * std::uniform_real_distribution<double>(0, 1)(random);
        const double angle = 10.0 + 150.0 * std::uniform_real_distribution<double>(0, 1)(random);
        // Every coordinate is used once: which strip and position it has.
        std::map<int32_t, std::pair<int, int>> place;
        int s = 0, v = 0;
        for (int32_t index : in.indices) {
            if (index < 0) {
                ++s, v = 0;
                continue;
            }
            place[index] = { s, v++ };
        }
        const std::string what = "round " + std::to_string(round);
        const double cosine = std::cos(angle * 0.017453292519943295);
        const auto cosineAt = [&in](int32_t a, int32_t o, int32_t b) {
            return cosineOf(screenOf(in.points[size_t(a)]), screenOf(in.points[size_t(o)]), screenOf(in.points[size_t(b)]));
        };

        // Subpixel lengths: fresh coordinates in writing order, copied from
        // one strip each; consecutive kept vertices farther apart than the
        // threshold except where the last vertex closes the strip.
        const PurifiedLines sub = purify(eliminateSubpixelLengths, in, length);
        expectWellFormed(in, sub, what + " subpixel");
        int32_t next = 0;
        for (const auto& strip : stripsOf(sub.indices)) {
            ASSERT_GE(strip.size(), 2u) << what << " subpixel strip length";
            for (size_t k = 0; k < strip.size(); ++k) {
                ASSERT_EQ(sub.indices[strip[k]], next++) << what << " subpixel numbering";
                const int32_t from = int32_t(sub.points[size_t(sub.indices[strip[k]])][2]);
                EXPECT_EQ(sub.points[size_t(sub.indices[strip[k]])], in.points[size_t(from)]) << what;
                EXPECT_EQ(sub.parameters[strip[k]], in.parameters[size_t(from) + size_t(place[from].first)]) << what;
                if (k + 2 < strip.size()) {
                    const int32_t to = int32_t(sub.points[size_t(sub.indices[strip[k + 1]])][2]);
                    EXPECT_GT((in.screen[size_t(to)] - in.screen[size_t(from)]).length(), length) << what;
                }
            }
        }

        // Zig-zags: the input coordinates come first; the kept input vertices
        // of a strip are in order, its ends included; each run of skipped
        // vertices (two or more) gives way to one midpoint, found where both
        // turns were sharp; two adjacent input vertices that stay formed no
        // zig-zag with their neighbours. Parameters never decrease.
        const PurifiedLines zig = purify(eliminateZigZags, in, angle);
        expectWellFormed(in, zig, what + " zig-zag");
        ASSERT_GE(zig.points.size(), in.points.size()) << what;
        EXPECT_TRUE(std::equal(in.points.begin(), in.points.end(), zig.points.begin())) << what << " copied points";
        const auto inStrips = stripsOf(in.indices), zigStrips = stripsOf(zig.indices);
        ASSERT_EQ(zigStrips.size(), inStrips.size()) << what << " zig-zag strip count";
        const auto zigScreen = [&zig](int32_t index) { return screenOf(zig.points[size_t(index)]); };
        for (size_t k = 0; k < zigStrips.size(); ++k) {
            Indices src, out;
            for (size_t e : inStrips[k])
                src.push_back(in.indices[e]);
            for (size_t e : zigStrips[k])
                out.push_back(zig.indices[e]);
            const std::string strip = what + ", strip " + std::to_string(k);
            size_t i = 0; // the next input vertex
            for (size_t j = 0; j < out.size(); ++j) {
                if (j > 0) {
                    EXPECT_LE(zig.parameters[zigStrips[k][j - 1]], zig.parameters[zigStrips[k][j]]) << strip;
                }
                if (out[j] < int32_t(in.points.size())) {
                    ASSERT_TRUE(i < src.size() && src[i] == out[j]) << strip << ": kept vertex " << j << " in order";
                    if (j > 0 && j + 1 < out.size() && i + 2 < src.size() && out[j + 1] == src[i + 1]) {
                        EXPECT_FALSE(cosineOf(zigScreen(out[j - 1]), zigScreen(out[j]), zigScreen(out[j + 1])) > cosine &&
                                     cosineOf(zigScreen(out[j]), zigScreen(out[j + 1]), zigScreen(src[i + 2])) > cosine)
                            << strip << ": zig-zag left at vertex " << j;
                    }
                    ++i;
                    continue;
                }
                // A midpoint: which run of input vertices it replaced shows in
                // its position, since z numbers the coordinates (the first two
                // averaged, then each further one with the result).
                ASSERT_TRUE(j > 0 && i + 2 < src.size()) << strip << ": midpoint " << j << " inside the strip";
                const SbVec3f& written = zig.points[size_t(out[j])];
                SbVec3f m = in.points[size_t(src[i])];
                size_t run = 1;
                do
                    m = (m + in.points[size_t(src[i + run++])]) / 2;
                while (i + run + 1 < src.size() && (m - written).length() > 1e-3f);
                ASSERT_LT((m - written).length(), 1e-3f) << strip << ": midpoint " << j << " matches no run";
                EXPECT_TRUE(cosineOf(zigScreen(out[j - 1]), zigScreen(src[i]), zigScreen(src[i + 1])) > cosine &&
                            cosineOf(zigScreen(src[i]), zigScreen(src[i + 1]), zigScreen(src[i + 2])) > cosine)
                    << strip << ": midpoint " << j << " without a zig-zag";
                i += run;
            }
            EXPECT_EQ(i, src.size()) << strip << ": every input vertex kept or replaced";
        }

        // Sharp angles: joining the pieces at their shared vertices gives
        // back the input; joints have angles below the threshold, inner
        // vertices of pieces do not.
        const PurifiedLines sharp = purify(eliminateSharpAngles, in, angle);
        expectWellFormed(in, sharp, what + " sharp");
        EXPECT_EQ(sharp.points, in.points) << what << " sharp angles copy the coordinates";
        Indices joined;
        for (const auto& piece : stripsOf(sharp.indices)) {
            const int32_t first = sharp.indices[piece.front()];
            const bool joint = !joined.empty() && joined.back() == first;
            if (joint)
                EXPECT_GT(cosineAt(joined[joined.size() - 2], first, sharp.indices[piece[1]]), cosine) << what;
            else if (!joined.empty())
                joined.push_back(-1);
            for (size_t j = joint ? 1 : 0; j < piece.size(); ++j)
                joined.push_back(sharp.indices[piece[j]]);
            for (size_t j = 1; j + 1 < piece.size(); ++j)
                EXPECT_LE(cosineAt(sharp.indices[piece[j - 1]], sharp.indices[piece[j]], sharp.indices[piece[j + 1]]),
                          cosine) << what;
        }
        joined.push_back(-1);
        EXPECT_EQ(joined, in.indices) << what << " joined pieces";

        // Short segments: indices only; each strip a subsequence of one
        // input strip, in order, with the parameters of its vertices.
        const PurifiedLines shorts = purify(eliminateShortSegments, in, length);
        expectWellFormed(in, shorts, what + " short");
        EXPECT_FALSE(shorts.pointsWritten) << what;
        for (const auto& strip : stripsOf(shorts.indices)) {
            for (size_t j = 0; j < strip.size(); ++j) {
                const int32_t index = shorts.indices[strip[j]];
                EXPECT_EQ(shorts.parameters[strip[j]], in.parameters[size_t(index) + size_t(place[index].first)]) << what;
                if (j > 0) {
                    const auto before = place[shorts.indices[strip[j - 1]]], now = place[index];
                    EXPECT_TRUE(before.first == now.first && before.second < now.second) << what << " subsequence";
                }
            }
        }
        if (HasFailure())
            return;
    }
}

// A scene of camera, source, the purifier (as often as asked) and a probe.
struct Scene {
    SoSeparator* root = new SoSeparator;
    LineSource* source = nullptr;
    LineRecorder* probe = nullptr;

    Scene(const std::vector<SbVec3f>& points, const Indices& indices, const Floats& parameters = Floats())
    {
        registerTestNodes();
        source = new LineSource;
        probe = new LineRecorder;
        root->ref();
        probe->ref();
        SoOrthographicCamera* camera = new SoOrthographicCamera;
        camera->position.setValue(0, 0, 10);
        camera->height = 200.0f;
        root->addChild(camera);
        source->points.setValues(0, int(points.size()), points.data());
        source->indices.setValues(0, int(indices.size()), indices.data());
        source->parameters.setValues(0, int(parameters.size()), parameters.data());
        root->addChild(source);
    }
    ~Scene()
    {
        probe->unref();
        root->unref();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Replaces what follows the source by `times` traversals of `purifier`.
    void run(SoNode* purifier, int times = 1)
    {
        purifier->ref();
        while (root->getNumChildren() > 2)
            root->removeChild(2);
        for (int k = 0; k < times; ++k)
            root->addChild(purifier);
        root->addChild(probe);
        purifier->unref();
        SoCallbackAction action(SbViewportRegion(200, 200));
        action.apply(root);
    }
};

SoLinePurifier* purifier(int method, float threshold = -1.0f)
{
    SoLinePurifier* node = new SoLinePurifier;
    node->purifyMethod = method;
    node->threshold = threshold;
    return node;
}

TEST(LinePurifierTest, NodeFieldsAndThresholdDefaults)
{
    const SoType type = SoType::fromName("SoLinePurifier");
    ASSERT_EQ(type, SoLinePurifier::getClassTypeId()) << "registered name";
    EXPECT_EQ(type.getParent(), SoLineModifier::getClassTypeId()) << "parent type";
    SoInput input;
    const char scene[] = "#Inventor V2.1 ascii\nSoLinePurifier { purifyMethod ELIMINATE_SHORT_SEGMENTS }";
    input.setBuffer(scene, sizeof scene - 1);
    SoSeparator* read = SoDB::readAll(&input);
    ASSERT_NE(read, nullptr) << "scene with a purifier";
    read->ref();
    SoLinePurifier* node = static_cast<SoLinePurifier*>(read->getChild(0));
    SoFieldList fields;
    const char* names[] = { "modifyMethod", "threshold", "purifyMethod", "active" };
    ASSERT_EQ(node->getFields(fields), 4) << "field count";
    for (int i = 0; i < 4; ++i) {
        SbName name;
        node->getFieldName(fields[i], name);
        EXPECT_STREQ(name.getString(), names[i]) << "field " << i;
    }
    EXPECT_EQ(node->threshold.getValue(), -1.0f) << "threshold default";
    EXPECT_EQ(node->purifyMethod.getValue(), int(SoLinePurifier::ELIMINATE_SHORT_SEGMENTS)) << "enum read by name";
    SoLinePurifier* plain = new SoLinePurifier;
    plain->ref();
    EXPECT_EQ(plain->purifyMethod.getValue(), int(SoLinePurifier::ELIMINATE_ZIG_ZAGS)) << "method default";
    plain->unref();
    EXPECT_TRUE(node->active.getValue()) << "active default";

    // Short segments turn -1 into 5, even with nothing to purify; switched to
    // zig-zags the node keeps 5, now 5 degrees: the first strip's 25-degree
    // turns stay, the second strip's 3-degree turns go.
    Scene few({ { 0, 0, 0 }, { 1, 1, 0 } }, { 0, 1 });
    few.run(node);
    EXPECT_EQ(node->threshold.getValue(), 5.0f) << "short-segment default written back";
    EXPECT_EQ(few.probe->indices, Indices({ 0, 1 })) << "two entries are left as they are";
    const std::vector<SbVec3f> zigzags = { { 0, 0, 0 },  { 40, 0, 0 },  { 4, 18, 0 },  { 44, 18, 0 },
                                           { 0, 50, 0 }, { 40, 50, 0 }, { 0, 52, 0 }, { 40, 52, 0 } };
    const Indices both = { 0, 1, 2, 3, -1, 4, 5, 6, 7, -1 };
    node->purifyMethod = SoLinePurifier::ELIMINATE_ZIG_ZAGS;
    Scene degrees(zigzags, both);
    degrees.run(node);
    EXPECT_EQ(node->threshold.getValue(), 5.0f) << "threshold kept after the method changed";
    EXPECT_EQ(degrees.probe->indices, Indices({ 0, 1, 2, 3, -1, 4, 8, 7, -1 })) << "zig-zags at 5 degrees";
    read->unref();

    for (int method = 0; method < 4; ++method) {
        Scene scene(zigzags, both);
        SoLinePurifier* fresh = purifier(method);
        scene.run(fresh);
        EXPECT_EQ(fresh->threshold.getValue(), SoLinePurifier::defaultThreshold(method)) << "method " << method;
        EXPECT_EQ(SoLinePurifier::defaultThreshold(method), kMethods[method].threshold) << "method " << method;
    }
}

TEST(LinePurifierTest, NodeSetsTheElementsOfItsMethod)
{
    // Subpixel lengths: a strip within one pixel of its first vertex goes, a
    // 1.5-pixel strip stays, on new coordinates; parameters carried along.
    Scene subpixel({ { 0, 0, 0 }, { 0.5f, 0, 0 }, { 0.9f, 0.3f, 0 }, { 10, 0, 0 }, { 11.5f, 0, 0 } },
                   { 0, 1, 2, -1, 3, 4, -1 }, { 0, .5f, 1, -1, 0, 1, -1 });
    subpixel.run(purifier(SoLinePurifier::ELIMINATE_SUBPIXEL_LENGTHS));
    EXPECT_EQ(subpixel.probe->indices, Indices({ 0, 1, -1 })) << "subpixel indices";
    EXPECT_EQ(subpixel.probe->points, std::vector<SbVec3f>({ { 10, 0, 0 }, { 11.5f, 0, 0 } })) << "subpixel points";
    EXPECT_EQ(subpixel.probe->parameters, Floats({ 0, 1, -1 })) << "subpixel parameters";

    // Short segments set indices only: the coordinates stay the source's, as
    // does a parameterization of one entry, which counts as absent.
    Scene shorts({ { 0, 0, 0 }, { 10, 0, 0 }, { 11, 0, 0 } }, { 0, 1, 2, -1 }, { 0.5f });
    shorts.run(purifier(SoLinePurifier::ELIMINATE_SHORT_SEGMENTS));
    EXPECT_EQ(shorts.probe->indices, Indices({ 0, 1, -1 })) << "short segments: P, Q";
    EXPECT_EQ(shorts.probe->pointArray, shorts.source->points.getValues(0)) << "short segments set no coordinates";
    EXPECT_EQ(shorts.probe->parameterArray, shorts.source->parameters.getValues(0)) << "no parameterization in, none out";
    EXPECT_EQ(shorts.probe->parameters.size(), 1u) << "no parameterization in, none out";

    // Sharp angles cut at Q and set a copy of the coordinates.
    Scene sharp({ { 0, 0, 0 }, { 20, 0, 0 }, { 0, 2, 0 } }, { 0, 1, 2, -1 }, { 0, .5f, 1, -1 });
    sharp.run(purifier(SoLinePurifier::ELIMINATE_SHARP_ANGLES));
    EXPECT_EQ(sharp.probe->indices, Indices({ 0, 1, -1, 1, 2, -1 })) << "sharp angle: P, Q and Q, R";
    EXPECT_EQ(sharp.probe->parameters, Floats({ 0, .5f, -1, .5f, 1, -1 })) << "sharp angle parameters";
    EXPECT_NE(sharp.probe->pointArray, sharp.source->points.getValues(0)) << "sharp angles set their own copy";
    EXPECT_EQ(sharp.probe->points.size(), 3u) << "sharp angle coordinates";

    // Zig-zags, by a node traversed twice (the second pass reads its own
    // output and leaves the three-vertex strip as it is).
    Scene zig({ { 0, 0, 0 }, { 20, 0, 0 }, { 2, 2, 0 }, { 22, 2, 0 } }, { 0, 1, 2, 3, -1 });
    zig.run(purifier(SoLinePurifier::ELIMINATE_ZIG_ZAGS), 2);
    EXPECT_EQ(zig.probe->indices, Indices({ 0, 4, 3, -1 })) << "zig-zag: P0, M, X";
    ASSERT_EQ(zig.probe->points.size(), 5u) << "zig-zag coordinates";
    EXPECT_EQ(zig.probe->points[4], SbVec3f(11, 1, 0)) << "zig-zag midpoint";

    // Inactive: downstream sees exactly the incoming arrays.
    Scene off({ { 0, 0, 0 }, { 20, 0, 0 }, { 0, 2, 0 } }, { 0, 1, 2, -1 }, { 0, .5f, 1, -1 });
    SoLinePurifier* inactive = purifier(SoLinePurifier::ELIMINATE_SHARP_ANGLES);
    inactive->active = FALSE;
    off.run(inactive);
    EXPECT_EQ(off.probe->pointArray, off.source->points.getValues(0)) << "inactive: coordinates";
    EXPECT_EQ(off.probe->indexArray, off.source->indices.getValues(0)) << "inactive: indices";
    EXPECT_EQ(off.probe->parameterArray, off.source->parameters.getValues(0)) << "inactive: parameters";
    EXPECT_EQ(inactive->threshold.getValue(), -1.0f) << "inactive: threshold untouched";
}

TEST(LinePurifierTest, NodeDiagnosesDamagedInput)
{
    // Coordinate 3 does not exist and the parameterization is short: the bad
    // strip is dropped and the parameterization set empty, both reported.
    DebugErrorCollector errors;
    Scene scene({ { 0, 0, 0 }, { 20, 0, 0 }, { 0, 2, 0 } }, { 0, 1, -1, 1, 3, -1 }, { 0, 1, -1 });
    scene.run(purifier(SoLinePurifier::ELIMINATE_SHARP_ANGLES));
    EXPECT_EQ(scene.probe->indices, Indices({ 0, 1, -1 })) << "bad strip dropped";
    EXPECT_TRUE(scene.probe->parameters.empty()) << "short parameterization not passed on";
    ASSERT_EQ(errors.messages.size(), 2u) << "one message per fault";
    EXPECT_NE(errors.messages[0].find("the first such index is 3"), std::string::npos) << errors.messages[0];
    EXPECT_NE(errors.messages[1].find("3 entries for 6 index entries"), std::string::npos) << errors.messages[1];

    // A value of purifyMethod that names no method changes nothing.
    SoLinePurifier* odd = purifier(SoLinePurifier::ELIMINATE_ZIG_ZAGS);
    odd->purifyMethod.setValue(7);
    scene.run(odd);
    EXPECT_EQ(scene.probe->indexArray, scene.source->indices.getValues(0)) << "unknown method: indices untouched";
    ASSERT_EQ(errors.messages.size(), 3u) << "unknown method reported";
    EXPECT_NE(errors.messages[2].find("purifyMethod 7"), std::string::npos) << errors.messages[2];
}

} // namespace
