// The ways of hiding a code in the strokes of a drawing on the page.

#include "output/SteganoEncoder.h"

#include <cmath>

namespace {

double distance(const PagePoint& a, const PagePoint& b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The point at distance d from a towards b.
PagePoint towards(const PagePoint& a, const PagePoint& b, double d)
{
    const double length = distance(a, b);
    if (length == 0.0)
        return a;
    const double f = d / length;
    return PagePoint(a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z));
}

} // namespace

// --- CodeBitWalk -------------------------------------------------------------

CodeBitWalk::CodeBitWalk(const std::string& text)
    : code(text.c_str())
{
}

int CodeBitWalk::peek(void)
{
    // Past the last byte the code starts again; an empty code has nothing
    // but byte ends.
    if (position >= code.size())
        position = 0;
    if (code.empty())
        return BYTE_END;
    const unsigned byte = static_cast<unsigned char>(code[position]);
    for (int e = bit; e <= 7; ++e)
        if (byte & (1u << e))
            return e;
    return BYTE_END;
}

void CodeBitWalk::consume(int result)
{
    if (result == BYTE_END) {
        bit = 0;
        ++position;
    } else {
        bit = result + 1;
    }
}

int CodeBitWalk::next(void)
{
    const int result = peek();
    consume(result);
    return result;
}

// --- WidthBitSource ----------------------------------------------------------

WidthBitSource::WidthBitSource(const std::string& text, int length)
    : code(text.c_str())
    , codeLength(length)
{
}

bool WidthBitSource::next(void)
{
    switch (phase) {
    case DATA: {
        const unsigned byte =
            position >= 0 && size_t(position) < code.size() ? static_cast<unsigned char>(code[position]) : 0u;
        const bool bit = (byte & unsigned(mask)) != 0;
        mask *= 2;
        if (mask > 128) {
            mask = 1;
            ++position;
            ++count;
        }
        if (position >= codeLength) {
            position = 0;
            phase = ZEROS;
        }
        return bit;
    }
    case ZEROS:
        ++run;
        ++zeros;
        if (run >= 16)
            phase = ONE;
        return false;
    case ONE:
        run = 0;
        phase = DATA;
        return true;
    }
    return false;
}

int WidthBitSource::bitsOfUnfinishedByte(void) const
{
    int bits = 0;
    for (int m = mask; m > 1; m /= 2)
        ++bits;
    return bits;
}

// --- SteganoEncoder ----------------------------------------------------------

SteganoEncoder::SteganoEncoder(const std::vector<Polyline>& lines)
    : strips(lines)
{
}

std::vector<Polyline> SteganoEncoder::resampleSegments(float s)
{
    step = s;
    std::vector<Polyline> result;
    for (const Polyline& strip : strips) {
        for (size_t j = 0; j + 1 < strip.size(); ++j) {
            const PagePoint& a = strip[j];
            const PagePoint& b = strip[j + 1];
            const double length = distance(a, b);
            if (length == 0.0)
                continue;
            Polyline line(1, a);
            if (length - 1.5 * double(s) >= 0.0) {
                double t = 0.0;
                do {
                    line.push_back(towards(line.back(), b, s));
                    t += s;
                } while (t <= length - 1.5 * double(s));
            }
            line.push_back(b);
            result.push_back(line);
        }
    }
    return result;
}

std::vector<Polyline> SteganoEncoder::encodeRatio(const std::string& code, float s)
{
    const std::vector<Polyline> lines = resampleSegments(s);
    CodeBitWalk walk(code);
    std::vector<Polyline> result;
    // A byte end leaves its piece without a point; the point after it is
    // then added at the start of the next round, even in the next polyline.
    bool pending = false;
    for (const Polyline& p : lines) {
        const size_t n = p.size();
        Polyline out(1, p[0]);
        size_t l = 1;
        bool add = true;
        for (;;) {
            if (add) {
                out.push_back(p[l]);
                add = false;
                if (pending)
                    ++l;
            }
            if (l >= n)
                break;
            if (pending) {
                out.push_back(p[l]);
                pending = false;
            }
            const int e = walk.next();
            if (e == CodeBitWalk::BYTE_END) {
                pending = true;
            } else {
                // Back on the piece just passed, at e/7 of its length.
                const PagePoint& a = p[l - 1];
                const PagePoint& b = p[l];
                const double f = e / 7.0;
                out.push_back(PagePoint(a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)));
                add = true;
            }
            if (++l >= n)
                break;
        }
        result.push_back(out);
    }
    return result;
}

std::vector<Polyline> SteganoEncoder::encodeAngle(const std::string& code, float s)
{
    static const double baseAngle = 80.0;
    static const double tickLength = 0.1;
    const std::vector<Polyline> lines = resampleSegments(s);
    CodeBitWalk walk(code);
    std::vector<Polyline> result;
    for (const Polyline& p : lines) {
        double ux = p[1].x - p[0].x, uy = p[1].y - p[0].y;
        const double length = std::sqrt(ux * ux + uy * uy);
        if (length == 0.0)
            continue;
        ux /= length;
        uy /= length;
        for (const PagePoint& point : p) {
            const int e = walk.next();
            const double angle = (baseAngle - double(e)) * M_PI / 180.0;
            const double c = std::cos(angle), sn = std::sin(angle);
            double rx = ux * c - uy * sn, ry = ux * sn + uy * c;
            const double r = std::sqrt(rx * rx + ry * ry);
            rx /= r;
            ry /= r;
            result.push_back({ point, PagePoint(point.x + tickLength * rx, point.y + tickLength * ry, point.z) });
        }
    }
    return result;
}

std::vector<Polyline> SteganoEncoder::encodeLength(const std::string& code, float s)
{
    step = s;
    const double filler = double(s) / 32.0;
    CodeBitWalk walk(code);
    std::vector<Polyline> result;
    for (const Polyline& strip : strips) {
        if (strip.size() < 2)
            continue;
        for (size_t j = 0; j + 1 < strip.size(); ++j) {
            const PagePoint& end = strip[j + 1];
            const double d = distance(strip[j], end);
            Polyline out(1, strip[j]);
            double t = 0.0;
            while (d - double(s) / 8.0 >= t) {
                // A result that did not fit is asked for again: the walk
                // keeps it until it is consumed.
                const int e = walk.peek();
                const double piece = e == CodeBitWalk::BYTE_END ? 1.125 * double(s) : (e + 1) / 8.0 * double(s);
                if (d - piece >= t) {
                    out.push_back(towards(out.back(), end, piece));
                    t += piece;
                    walk.consume(e);
                } else {
                    out.push_back(towards(out.back(), end, filler));
                    t += filler;
                }
            }
            result.push_back(out);
        }
    }
    return result;
}

std::vector<Polyline> SteganoEncoder::encodeColor(const std::string& code, std::vector<int>& values, float s)
{
    const std::vector<Polyline> lines = resampleSegments(s);
    CodeBitWalk walk(code);
    std::vector<Polyline> result;
    values.clear();
    for (const Polyline& p : lines) {
        for (size_t k = 0; k + 1 < p.size(); ++k) {
            result.push_back({ p[k], p[k + 1] });
            values.push_back(walk.next());
        }
    }
    return result;
}
