// The four line purification methods: subpixel lengths, zig-zags, sharp
// angles and short segments, each one pass over the strips of an index list.

#include "lines/LinePurification.h"

#include <cmath>

#include "lines/LineStrips.h"
#include "util/Vec.h"

namespace {

// The cosine of an angle given in degrees, as the angle thresholds compare it.
double cosineOfDegrees(double degrees)
{
    return std::cos(degrees * 0.017453292519943295);
}

// One strip of the input: the entries [begin, end) of the index list, all
// naming existing coordinates.
class Strip {
public:
    Strip(const PurificationInput& in, int32_t begin, int32_t end, bool parameterized)
        : in(in), begin(begin), end(end), parameterized(parameterized)
    {
    }
    int32_t size(void) const { return end - begin; }
    int32_t index(int32_t k) const { return in.indices[begin + k]; }
    const SbVec3f& point(int32_t k) const { return in.points[index(k)]; }
    // Screen arithmetic runs in double on the single-precision positions.
    Vec2d screen(int32_t k) const { return Vec2d::of(in.screen[index(k)]); }
    float parameter(int32_t k) const { return parameterized ? in.parameters[begin + k] : 0.0f; }

private:
    const PurificationInput& in;
    int32_t begin;
    int32_t end;
    bool parameterized;
};

// Appends to the output, keeping the parameterization parallel to the index
// list when there is one.
class Writer {
public:
    explicit Writer(PurifiedLines& out)
        : out(out)
    {
    }
    void vertex(int32_t index, float parameter)
    {
        out.indices.push_back(index);
        if (out.parameterized)
            out.parameters.push_back(parameter);
    }
    // A vertex with a coordinate of its own, numbered after the last one.
    void newVertex(const SbVec3f& point, float parameter)
    {
        out.points.push_back(point);
        vertex(int32_t(out.points.size()) - 1, parameter);
    }
    void separator(void) { vertex(-1, -1.0f); }
    void copy(const Strip& strip)
    {
        for (int32_t k = 0; k < strip.size(); ++k)
            vertex(strip.index(k), strip.parameter(k));
        separator();
    }
    PurifiedLines& lines(void) { return out; }

private:
    PurifiedLines& out;
};

// The first entry of [begin, end) naming no coordinate, or -1.
int32_t firstBadIndex(const PurificationInput& in, int32_t begin, int32_t end)
{
    for (int32_t i = begin; i < end; ++i)
        if (in.indices[i] >= in.pointCount)
            return in.indices[i];
    return -1;
}

// Resets `out`, splits the index list into strips, repairs and reports what
// it must, and hands every measurable strip to `perStrip`.
template <class PerStrip>
PurificationReport forEachStrip(const PurificationInput& in, bool writesPoints, bool copiesPoints, PurifiedLines& out,
                                PerStrip perStrip)
{
    PurificationReport report;
    out = PurifiedLines();
    const bool present = in.parameters != nullptr && hasParameterization(in.parameterCount);
    report.parametersTooShort = present && in.parameterCount < in.indexCount;
    out.parameterized = present && !report.parametersTooShort;
    out.pointsWritten = writesPoints;
    if (copiesPoints && in.pointCount > 0)
        out.points.assign(in.points, in.points + in.pointCount);

    Writer writer(out);
    int32_t begin = 0;
    for (int32_t i = 0; i <= in.indexCount; ++i) {
        if (i == in.indexCount) {
            if (begin == i)
                break;
            report.unterminated = true;
        } else if (in.indices[i] >= 0) {
            continue;
        } else if (in.indices[i] < -1 && report.oddSeparators++ == 0) {
            report.firstOddSeparator = i;
        }
        const int32_t bad = firstBadIndex(in, begin, i);
        if (bad >= 0) {
            if (report.droppedStrips++ == 0)
                report.firstBadIndex = bad;
        } else {
            perStrip(Strip(in, begin, i, out.parameterized), writer);
        }
        begin = i + 1;
    }
    return report;
}

void subpixelStrip(const Strip& strip, double threshold, Writer& writer)
{
    int32_t anchor = 0;
    bool emitted = false;
    for (int32_t g = 1; g < strip.size(); ++g) {
        if (length(strip.screen(g) - strip.screen(anchor)) > threshold) {
            writer.newVertex(strip.point(anchor), strip.parameter(anchor));
            emitted = true;
            anchor = g;
        }
    }
    // The emitted screen length is positive exactly when something was
    // written, for any threshold of at least 0; asking what was written keeps
    // the strip closed for a negative threshold too. The last vertex ends the
    // strip in place of a pending anchor, so the line keeps its end.
    if (!emitted)
        return;
    const int32_t last = strip.size() - 1;
    writer.newVertex(strip.point(last), strip.parameter(last));
    writer.separator();
}

// A vertex of the three-point window of the zig-zag pass: a vertex of the
// input (its index into the copied coordinates) or a midpoint written there.
struct WindowPoint {
    int32_t index;
    Vec2d screen;
    float parameter;
    SbVec3f point;
};

WindowPoint windowPoint(const Strip& strip, int32_t k)
{
    return { strip.index(k), strip.screen(k), strip.parameter(k), strip.point(k) };
}

// The midpoint of p1 and p2 replacing the zig-zag p0, p1, p2, x. Its
// parameter goes from p0's towards x's by the share of the window's screen
// length from p0 to the midpoint; that share never exceeds 1, so the
// parameter stays between the two.
WindowPoint zigZagMidpoint(const WindowPoint& p0, const WindowPoint& p1, const WindowPoint& p2, const WindowPoint& x)
{
    WindowPoint m;
    m.index = -1;
    m.screen = 0.5 * (p1.screen + p2.screen);
    m.point = SbVec3f(float((double(p1.point[0]) + p2.point[0]) / 2.0), float((double(p1.point[1]) + p2.point[1]) / 2.0),
                      float((double(p1.point[2]) + p2.point[2]) / 2.0));
    const double window =
        length(x.screen - p2.screen) + length(p2.screen - p1.screen) + length(p0.screen - p1.screen);
    double share = window > 0.0 ? length(p0.screen - m.screen) / window : 0.0;
    if (!(share >= 0.0))
        share = 0.0;
    if (share > 1.0)
        share = 1.0;
    m.parameter = float(p0.parameter + share * (double(x.parameter) - p0.parameter));
    return m;
}

void zigZagStrip(const Strip& strip, double cosine, Writer& writer)
{
    if (strip.size() < 4) {
        writer.copy(strip);
        return;
    }
    PurifiedLines& out = writer.lines();
    WindowPoint p0 = windowPoint(strip, 0), p1 = windowPoint(strip, 1), p2 = windowPoint(strip, 2);
    writer.vertex(p0.index, p0.parameter);
    // Whether the midpoint p1 is still uncommitted, and its slot in the index
    // list.
    bool isPending = false;
    size_t pending = 0;
    for (int32_t k = 3; k < strip.size(); ++k) {
        const WindowPoint x = windowPoint(strip, k);
        const Vec2d a = unitOrZero(p0.screen - p1.screen);
        const Vec2d b = unitOrZero(p2.screen - p1.screen);
        const Vec2d c = unitOrZero(x.screen - p2.screen);
        if (dot(a, b) > cosine && dot(-b, c) > cosine) {
            // Sharp turns at p1 and at p2: the midpoint of p1 p2 takes their
            // place; a further zig-zag right after replaces it again.
            WindowPoint m = zigZagMidpoint(p0, p1, p2, x);
            if (isPending) {
                m.index = out.indices[pending];
                out.points[size_t(m.index)] = m.point;
                if (out.parameterized)
                    out.parameters[pending] = m.parameter;
            } else {
                writer.newVertex(m.point, m.parameter);
                m.index = out.indices.back();
                pending = out.indices.size() - 1;
                isPending = true;
            }
            p1 = m;
            p2 = x;
        } else {
            if (isPending)
                isPending = false; // p1 is the midpoint, already in place
            else
                writer.vertex(p1.index, p1.parameter);
            p0 = p1;
            p1 = p2;
            p2 = x;
        }
    }
    if (!isPending)
        writer.vertex(p1.index, p1.parameter);
    writer.vertex(p2.index, p2.parameter);
    writer.separator();
}

void sharpAngleStrip(const Strip& strip, double cosine, Writer& writer)
{
    if (strip.size() < 2) {
        writer.copy(strip);
        return;
    }
    writer.vertex(strip.index(0), strip.parameter(0));
    for (int32_t o = 1; o + 1 < strip.size(); ++o) {
        const Vec2d u = unitOrZero(strip.screen(o - 1) - strip.screen(o));
        const Vec2d w = unitOrZero(strip.screen(o + 1) - strip.screen(o));
        if (dot(u, w) > cosine) {
            // The angle at o is below the threshold: end the strip here and
            // start the next piece at the same vertex.
            writer.vertex(strip.index(o), strip.parameter(o));
            writer.separator();
        }
        writer.vertex(strip.index(o), strip.parameter(o));
    }
    const int32_t last = strip.size() - 1;
    writer.vertex(strip.index(last), strip.parameter(last));
    writer.separator();
}

void shortSegmentStrip(const Strip& strip, double threshold, Writer& writer)
{
    if (strip.size() < 2) {
        writer.separator();
        return;
    }
    int32_t anchor = 0;
    bool written = false;
    const int32_t last = strip.size() - 1;
    for (int32_t b = 1; b < last; ++b) {
        const Vec2d f = strip.screen(anchor) - strip.screen(b);
        if (length(f) >= threshold) {
            writer.vertex(strip.index(anchor), strip.parameter(anchor));
            written = true;
            anchor = b;
        } else if (dot(f, strip.screen(b) - strip.screen(b + 1)) <= 0.0) {
            // The line turns back by 90 degrees or more at b: keep the tip
            // rather than the short piece leading to it.
            anchor = b;
        }
    }
    if (length(strip.screen(anchor) - strip.screen(last)) >= threshold) {
        writer.vertex(strip.index(anchor), strip.parameter(anchor));
        writer.vertex(strip.index(last), strip.parameter(last));
    } else if (!written) {
        return; // the whole strip is short: it leaves no trace
    } else {
        writer.vertex(strip.index(anchor), strip.parameter(anchor));
    }
    writer.separator();
}

} // namespace

bool canPurifyLines(int32_t indexCount, int32_t pointCount)
{
    return indexCount >= 3 && pointCount >= 2;
}

PurificationReport eliminateSubpixelLengths(const PurificationInput& lines, double threshold, PurifiedLines& out)
{
    return forEachStrip(lines, true, false, out,
                        [threshold](const Strip& strip, Writer& writer) { subpixelStrip(strip, threshold, writer); });
}

PurificationReport eliminateZigZags(const PurificationInput& lines, double thresholdDegrees, PurifiedLines& out)
{
    const double cosine = cosineOfDegrees(thresholdDegrees);
    return forEachStrip(lines, true, true, out,
                        [cosine](const Strip& strip, Writer& writer) { zigZagStrip(strip, cosine, writer); });
}

PurificationReport eliminateSharpAngles(const PurificationInput& lines, double thresholdDegrees, PurifiedLines& out)
{
    const double cosine = cosineOfDegrees(thresholdDegrees);
    return forEachStrip(lines, true, true, out,
                        [cosine](const Strip& strip, Writer& writer) { sharpAngleStrip(strip, cosine, writer); });
}

PurificationReport eliminateShortSegments(const PurificationInput& lines, double threshold, PurifiedLines& out)
{
    return forEachStrip(lines, false, false, out,
                        [threshold](const Strip& strip, Writer& writer) { shortSegmentStrip(strip, threshold, writer); });
}
