#ifndef QUILLMAP_LINECONCATENATION_H
#define QUILLMAP_LINECONCATENATION_H

// Joining the two-point strips of a line index list that meet end to end
// into long strips, so that one stroke can follow a whole silhouette curve.
//
// Vertices are identified by their coordinate index, never by position. A
// vertex where three or more two-point strips meet is a junction: no chain
// passes through it, so it starts or ends each strip that reaches it. A closed
// loop of two-point strips comes out once, its first vertex repeated at its
// end. Strips of one vertex or of more than two vertices are copied unchanged
// and take no part in the joining.
//
// Input: any list of int32 entries. Every negative entry ends a strip, the
// way the rest of the line code counts strips; a last strip without its
// separator counts as a strip too. Output: the strips, each ended by exactly
// one -1; empty strips (a separator right after another or at the start) are
// left out since they carry nothing. Every input edge (pair of consecutive
// vertices within a strip) appears exactly once in the output, possibly
// reversed.

#include <cstdint>
#include <vector>

// What a run found in its input besides strips: things an upstream node
// should not have produced, which the run repaired.
struct ConcatenationReport {
    // Negative entries other than -1, rewritten as -1; the first one's position.
    int32_t oddSeparators = 0;
    int32_t firstOddSeparator = -1;
    // Whether the last strip lacked its separator (the output closes it).
    bool unterminated = false;
    // Strips without vertices, left out of the output.
    int32_t emptyStrips = 0;
};

// Replaces `out` with the joined index list of the `count` entries at
// `indices` (null allowed when `count` is 0).
ConcatenationReport concatenateLines(const int32_t* indices, int32_t count, std::vector<int32_t>& out);

#endif // QUILLMAP_LINECONCATENATION_H
