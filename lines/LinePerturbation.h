#ifndef QUILLMAP_LINEPERTURBATION_H
#define QUILLMAP_LINEPERTURBATION_H

// Displacing line vertices to make strokes look hand-drawn: along a sine or
// cosine wave that runs along each strip on the screen, or by random offsets.
// Only coordinates move; the index list and its parameterization stay valid
// as they are.

#include <Inventor/SbLinear.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "lines/LineResampling.h"
#include "lines/LineStripWalk.h"

class ScreenProjection;

enum class PerturbationMethod {
    Sine,   // a wave along each strip, 0 at its start
    Cosine, // the same wave a quarter length ahead: at its largest at the start
    Random  // independent offsets per coordinate
};

struct PerturbationSettings {
    PerturbationMethod method = PerturbationMethod::Random;
    // Largest displacement: screen units for the waves and for random
    // offsets on the screen, object units for random offsets in space.
    double amplitude = 1.0;
    // Screen length of one wave; must be a finite number other than 0.
    double waveLength = 1.0;
    // Random: coordinate 0 and the last coordinate stay where they are.
    bool fixedEndPoints = true;
    // Random: two offsets on the screen (x, y) instead of three in object
    // space (x, y, z).
    bool inScreen = true;
};

// A source of draws like std::rand(): non-negative integers.
typedef std::function<int()> RandomDraw;

// The offset one draw stands for: (r 0.0000625 - 1) amplitude with r = draw
// mod 32000, so offsets lie in [-amplitude, amplitude) in steps of
// amplitude / 16000.
double randomOffset(int draw, double amplitude);

// Writes one output coordinate per input coordinate to `out`.
//
// Waves: every strip keeps its first and last vertex; an inner vertex p at
// screen length L along its strip (measured over the unmoved vertices) moves
// by amplitude sin(2 pi L / waveLength) (cos for Cosine) screen units across
// the screen image of the object's y axis at p, i.e. along the perpendicular
// of the projected direction (0, 1, 0). A coordinate that no strip uses keeps
// its place; one that several strips use moves as the last of them says. The
// walk of the index list is reported as LineStripWalk.h describes.
//
// Random: coordinates are drawn for in coordinate order, each taking two
// draws (dx, then dy) or three (x, y, z). The index list is not read; the
// report is clean.
StripWalkReport perturbLines(const LineArrays& lines, const ScreenProjection& projection,
                             const PerturbationSettings& settings, const RandomDraw& draw, std::vector<SbVec3f>& out);

#endif // QUILLMAP_LINEPERTURBATION_H
