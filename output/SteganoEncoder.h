#ifndef QUILLMAP_STEGANOENCODER_H
#define QUILLMAP_STEGANOENCODER_H

// Hides a code in a line drawing on the page: in the position of extra
// vertices along the strokes (ratio), in short angled ticks (angle), in the
// lengths of pieces (length) or in stroke colours (colour). The width of the
// strokes, the fifth way, needs no new geometry; WidthBitSource hands out its
// bits one stroked segment at a time.
//
// The page is in inches from its lower left corner; every point has z = 0.
// The code is taken as 8-bit bytes up to its first zero byte.

#include <string>
#include <vector>

// A point on the page, in inches.
struct PagePoint {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    PagePoint() = default;
    PagePoint(double px, double py, double pz = 0.0)
        : x(px)
        , y(py)
        , z(pz)
    {
    }
};

// A stroke on the page: the points it passes, in order.
typedef std::vector<PagePoint> Polyline;

// The walk over the set bits of a code that the ratio, angle, colour and
// length encodings share. Each request yields the index (0 to 7) of the next
// set bit of the current byte, least significant first, or BYTE_END when the
// byte has no further set bit; consuming a byte end moves to the next byte,
// and after the last byte the walk starts again at the first.
class CodeBitWalk {
public:
    static constexpr int BYTE_END = -1;

    explicit CodeBitWalk(const std::string& code);

    // The next result, not yet consumed: asking twice gives the same answer.
    int peek(void);
    // Consumes `result`, which must be what peek() returned.
    void consume(int result);
    // peek() and consume() in one.
    int next(void);

private:
    std::string code;
    size_t position = 0;
    int bit = 0;
};

// The bits the width encoding gives the stroked segments, one per segment:
// the first `codeLength` code bytes, least significant bit first, then
// sixteen 0 bits and one 1 bit that mark where the code starts again, and so
// on as long as there are segments. Bytes past the end of the code count as
// zero bytes.
class WidthBitSource {
public:
    WidthBitSource(const std::string& code, int codeLength);

    bool next(void);

    // Code bytes given out in full.
    int bytesWritten(void) const { return count; }
    // Bits given out of the byte now under way (0 to 7).
    int bitsOfUnfinishedByte(void) const;
    // Bits given out of the zero runs of the markers.
    int zeroBits(void) const { return zeros; }

private:
    enum Phase { DATA, ZEROS, ONE };

    std::string code;
    int codeLength;
    Phase phase = DATA;
    int position = 0;
    int mask = 1;
    int run = 0;
    int count = 0;
    int zeros = 0;
};

class SteganoEncoder {
public:
    // The strips of one drawing, copied.
    explicit SteganoEncoder(const std::vector<Polyline>& strips);

    // One polyline per segment of every strip: the segment's start, points
    // `step` apart from it towards its end as long as at least 1.5 steps
    // remain, and its end; the last piece is thus between 0.5 and 1.5 steps
    // long. Segments without length carry nothing that could be read back
    // and give no polyline.
    std::vector<Polyline> resampleSegments(float step);

    // Every piece of the resampled segments that carries a set bit e is
    // followed by a point back on it at e/7 of its length; a piece without
    // one ends a byte.
    std::vector<Polyline> encodeRatio(const std::string& code, float step = 0.1f);
    // A tick of length 0.1 at every resampled point, turned from the
    // direction of its segment by 80 - e degrees for a set bit e and by 81
    // degrees for a byte end. The drawing is made of the ticks alone.
    std::vector<Polyline> encodeAngle(const std::string& code, float step = 0.1f);
    // The strips' own segments cut into pieces of (e + 1)/8 steps for a set
    // bit e and 9/8 steps for a byte end; where the next piece does not fit,
    // fillers of 1/32 step run to the segment's end and the piece waits for
    // the next segment. A segment's end point is not part of its polyline.
    std::vector<Polyline> encodeLength(const std::string& code, float step = 0.1f);
    // Every piece of the resampled segments as a polyline of its own, with
    // the value it carries in `values`: e for a set bit, -1 for a byte end.
    std::vector<Polyline> encodeColor(const std::string& code, std::vector<int>& values, float step = 0.1f);

    float getStep(void) const { return step; }

private:
    std::vector<Polyline> strips;
    float step = 0.1f;
};

#endif // QUILLMAP_STEGANOENCODER_H
