#ifndef QUILLMAP_STEGANODECODER_H
#define QUILLMAP_STEGANODECODER_H

// Recovers a code hidden by SteganoEncoder (or by the width encoding of the
// line output) from the strokes read back from the written file. Each
// decoder gives every code byte the drawing carries, in order; since the
// code repeats as long as there are strokes, the result is the code over and
// over, cut off after the last byte that is complete.

#include <string>
#include <vector>

#include "output/DrawingDecoder.h"

class SteganoDecoder {
public:
    // The bytes a sequence of bit-walk results spells: the set bits of each
    // byte, then a byte end (CodeBitWalk::BYTE_END).
    static std::string bytesFromWalk(const std::vector<int>& results);

    // One bit per stroked segment, 1 where the width exceeds `lineWidth` by
    // more than half of `lineWidthOffset`; the bits are the code, least
    // significant first, between markers of sixteen 0 bits and one 1 bit.
    static std::string decodeWidth(const std::vector<DrawnStroke>& strokes, double lineWidth, double lineWidthOffset);
    // The points placed back on the pieces of the resampled segments.
    static std::string decodeRatio(const std::vector<DrawnStroke>& strokes);
    // The angles of the ticks against the direction of their segment.
    static std::string decodeAngle(const std::vector<DrawnStroke>& strokes, float step = 0.1f);
    // The lengths of the pieces, fillers skipped.
    static std::string decodeLength(const std::vector<DrawnStroke>& strokes, float step = 0.1f);
    // The stroke colours.
    static std::string decodeColor(const std::vector<DrawnStroke>& strokes);

    // The bits of decodeWidth, before they are put into bytes.
    static std::vector<bool> widthBits(const std::vector<DrawnStroke>& strokes, double lineWidth,
                                       double lineWidthOffset);
};

#endif // QUILLMAP_STEGANODECODER_H
