#ifndef QUILLMAP_LINESTRIPWALK_H
#define QUILLMAP_LINESTRIPWALK_H

// Walking the strips of a line index list for the nodes that resample or
// displace line vertices. The walk repairs what an upstream node should not
// have produced and counts it, so that the node can say what it did: every
// negative entry ends a strip (one below -1 is counted as odd), a last strip
// without its -1 is closed, a strip naming a coordinate that does not exist
// is skipped whole, and an empty strip (a -1 right after another or at the
// start) is skipped as well.

#include <cstdint>
#include <string>

struct StripWalkReport {
    // Negative entries other than -1, and the position of the first.
    int32_t oddSeparators = 0;
    int32_t firstOddSeparator = -1;
    // Whether the last strip lacked its -1.
    bool unterminated = false;
    // Strips naming a coordinate at or past the coordinate count; the first
    // such index.
    int32_t droppedStrips = 0;
    int32_t firstBadIndex = -1;
    // Strips without a vertex.
    int32_t emptyStrips = 0;

    // One sentence per repair other than skipped empty strips, for a
    // diagnostic; empty when there was none.
    std::string describe(int32_t indexCount, int32_t pointCount) const
    {
        std::string text;
        if (oddSeparators > 0)
            text += std::to_string(oddSeparators) + " negative index entries other than -1 (the first at position " +
                    std::to_string(firstOddSeparator) + ") were taken as strip ends. ";
        if (unterminated)
            text += "The last strip of the index list (" + std::to_string(indexCount) +
                    " entries) lacks its -1 and was taken as closed. ";
        if (droppedStrips > 0)
            text += std::to_string(droppedStrips) + " strips name coordinates that do not exist (the first such index is " +
                    std::to_string(firstBadIndex) + ", there are " + std::to_string(pointCount) +
                    " coordinates); they were left out. ";
        if (!text.empty())
            text.pop_back();
        return text;
    }
};

// Calls visit(begin, end) for every strip that has vertices and names only
// existing coordinates, with [begin, end) its entries in `indices`, in list
// order. `indices` may be null when `count` is 0.
template <class Visit>
StripWalkReport walkStrips(const int32_t* indices, int32_t count, int32_t pointCount, Visit visit)
{
    StripWalkReport report;
    int32_t begin = 0;
    for (int32_t i = 0; i <= count; ++i) {
        if (i == count) {
            if (begin == i)
                break;
            report.unterminated = true;
        } else if (indices[i] >= 0) {
            continue;
        } else if (indices[i] < -1 && report.oddSeparators++ == 0) {
            report.firstOddSeparator = i;
        }
        int32_t bad = -1;
        for (int32_t k = begin; k < i && bad < 0; ++k)
            if (indices[k] >= pointCount)
                bad = indices[k];
        if (begin == i) {
            ++report.emptyStrips;
        } else if (bad >= 0) {
            if (report.droppedStrips++ == 0)
                report.firstBadIndex = bad;
        } else {
            visit(begin, i);
        }
        begin = i + 1;
    }
    return report;
}

#endif // QUILLMAP_LINESTRIPWALK_H
