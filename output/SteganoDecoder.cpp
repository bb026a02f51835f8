// Reading hidden codes back from the strokes of a drawing.

#include "output/SteganoDecoder.h"

#include <algorithm>
#include <cmath>

namespace {

// How far a measured mark may be from the nearest value it can take, as a
// share of the step between two values. The file keeps a thousandth of a
// point, far below every step.
const double SLACK = 0.2;

double length(double x, double y)
{
    return std::sqrt(x * x + y * y);
}

// The whole bytes of a bit sequence, least significant bit first.
void appendBytes(const std::vector<bool>& bits, size_t from, size_t to, std::string& bytes)
{
    for (size_t i = from; i + 8 <= to; i += 8) {
        unsigned byte = 0;
        for (int b = 0; b < 8; ++b)
            if (bits[i + size_t(b)])
                byte |= 1u << b;
        bytes.push_back(char(byte));
    }
}

// Counter-clockwise angle from u to d, in degrees.
double angleBetween(double ux, double uy, double dx, double dy)
{
    return std::atan2(ux * dy - uy * dx, ux * dx + uy * dy) * 180.0 / M_PI;
}

// The walk result an angle stands for, or -2 when it stands for none.
int angleValue(double degrees)
{
    const double whole = std::round(degrees);
    if (std::fabs(degrees - whole) > SLACK || whole < 73.0 || whole > 81.0)
        return -2;
    return 80 - int(whole);
}

} // namespace

std::string SteganoDecoder::bytesFromWalk(const std::vector<int>& results)
{
    std::string bytes;
    unsigned byte = 0;
    for (int r : results) {
        if (r < 0) {
            bytes.push_back(char(byte));
            byte = 0;
        } else {
            byte |= 1u << r;
        }
    }
    return bytes;
}

std::vector<bool> SteganoDecoder::widthBits(const std::vector<DrawnStroke>& strokes, double lineWidth,
                                            double lineWidthOffset)
{
    std::vector<bool> bits;
    for (const DrawnStroke& s : strokes)
        bits.push_back(s.width > lineWidth + 0.5 * lineWidthOffset);
    return bits;
}

std::string SteganoDecoder::decodeWidth(const std::vector<DrawnStroke>& strokes, double lineWidth,
                                        double lineWidthOffset)
{
    const std::vector<bool> bits = widthBits(strokes, lineWidth, lineWidthOffset);
    // The code is as long as the first run of whole bytes after which a
    // marker comes and from which the bits repeat with the marker.
    const size_t n = bits.size();
    for (size_t p = 8; p + 17 <= n; p += 8) {
        bool marker = bits[p + 16];
        for (size_t i = p; marker && i < p + 16; ++i)
            marker = !bits[i];
        const size_t period = p + 17;
        for (size_t i = period; marker && i < n; ++i)
            marker = bits[i] == bits[i - period];
        if (!marker)
            continue;
        std::string bytes;
        for (size_t start = 0; start < n; start += period)
            appendBytes(bits, start, std::min(start + p, n), bytes);
        return bytes;
    }
    std::string bytes;
    appendBytes(bits, 0, n, bytes);
    return bytes;
}

std::string SteganoDecoder::decodeRatio(const std::vector<DrawnStroke>& strokes)
{
    // Every piece either is followed by a point back on it or ends a byte.
    // A byte end at the end of a path also leaves the first piece of the
    // next path without a point, and one code never holds two byte ends in a
    // row, so a run of pieces without points is one byte end.
    std::vector<int> results;
    bool lastEmpty = false;
    for (const DrawnStroke& stroke : strokes) {
        const Polyline& p = stroke.points;
        if (p.size() < 2)
            continue;
        PagePoint a = p[0], b = p[1];
        size_t i = 2;
        for (;;) {
            int value = -2;
            if (i < p.size()) {
                const double vx = b.x - a.x, vy = b.y - a.y;
                const double v2 = vx * vx + vy * vy;
                if (v2 > 0.0) {
                    const double wx = p[i].x - a.x, wy = p[i].y - a.y;
                    const double t = (wx * vx + wy * vy) / v2;
                    const double off = std::fabs(wx * vy - wy * vx) / std::sqrt(v2);
                    const double e = std::round(7.0 * t);
                    if (off < 1e-4 && std::fabs(7.0 * t - e) < SLACK && e >= 0.0 && e <= 7.0)
                        value = int(e);
                }
            }
            if (value >= 0) {
                results.push_back(value);
                lastEmpty = false;
                ++i;
            } else if (!lastEmpty) {
                results.push_back(CodeBitWalk::BYTE_END);
                lastEmpty = true;
            }
            if (i >= p.size())
                break;
            a = b;
            b = p[i++];
        }
    }
    return bytesFromWalk(results);
}

std::string SteganoDecoder::decodeAngle(const std::vector<DrawnStroke>& strokes, float step)
{
    // A tick stands at a point of a resampled segment; the direction of the
    // segment comes from the next or the previous tick on it, whichever
    // lies at a distance a segment can have and reads as a valid angle for
    // both ticks.
    std::vector<const DrawnStroke*> ticks;
    for (const DrawnStroke& s : strokes)
        if (s.points.size() == 2)
            ticks.push_back(&s);
    std::vector<int> results;
    for (size_t k = 0; k < ticks.size(); ++k) {
        const Polyline& t = ticks[k]->points;
        const double dx = t[1].x - t[0].x, dy = t[1].y - t[0].y;
        int best = -2;
        double bestLength = 0.0;
        for (int side : { 1, -1 }) {
            if ((side < 0 && k == 0) || (side > 0 && k + 1 >= ticks.size()))
                continue;
            const Polyline& o = ticks[k + size_t(side)]->points;
            const double ux = side * (o[0].x - t[0].x), uy = side * (o[0].y - t[0].y);
            const double ul = length(ux, uy);
            if (ul < 1e-3 * step || ul > 1.6 * step || ul <= bestLength)
                continue;
            const int mine = angleValue(angleBetween(ux, uy, dx, dy));
            const int theirs = angleValue(angleBetween(ux, uy, o[1].x - o[0].x, o[1].y - o[0].y));
            if (mine == -2 || theirs == -2)
                continue;
            best = mine;
            bestLength = ul;
        }
        // An unreadable tick ends the byte it is in early.
        results.push_back(best == -2 ? CodeBitWalk::BYTE_END : best);
    }
    return bytesFromWalk(results);
}

std::string SteganoDecoder::decodeLength(const std::vector<DrawnStroke>& strokes, float step)
{
    const double unit = double(step) / 8.0;
    std::vector<int> results;
    for (const DrawnStroke& stroke : strokes) {
        const Polyline& p = stroke.points;
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            const double q = length(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y) / unit;
            if (std::fabs(q - 0.25) < 0.1)
                continue; // a filler
            const double whole = std::round(q);
            if (std::fabs(q - whole) > SLACK || whole < 1.0 || whole > 9.0)
                results.push_back(CodeBitWalk::BYTE_END); // unreadable
            else
                results.push_back(whole == 9.0 ? CodeBitWalk::BYTE_END : int(whole) - 1);
        }
    }
    return bytesFromWalk(results);
}

std::string SteganoDecoder::decodeColor(const std::vector<DrawnStroke>& strokes)
{
    std::vector<int> results;
    for (const DrawnStroke& s : strokes)
        results.push_back(s.red > 0.5 ? CodeBitWalk::BYTE_END : int(std::lround(s.blue * 7.0)));
    return bytesFromWalk(results);
}
