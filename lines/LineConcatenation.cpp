// Joining chains of two-point line strips into long strips.

#include "lines/LineConcatenation.h"

#include <algorithm>

namespace {

// The vertex positions [begin, end) of one strip in the index list.
struct Strip {
    int32_t begin;
    int32_t end;
    int32_t size(void) const { return end - begin; }
};

std::vector<Strip> findStrips(const int32_t* indices, int32_t count, ConcatenationReport& report)
{
    std::vector<Strip> strips;
    int32_t begin = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (indices[i] >= 0)
            continue;
        if (indices[i] != -1 && report.oddSeparators++ == 0)
            report.firstOddSeparator = i;
        if (i > begin)
            strips.push_back({ begin, i });
        else
            ++report.emptyStrips;
        begin = i + 1;
    }
    if (begin < count) {
        strips.push_back({ begin, count });
        report.unterminated = true;
    }
    return strips;
}

// Table slots for the vertex indices of one run. The tables are indexed by
// the vertex index itself, unless a stray large index would make them far
// larger than the list; then by the index's rank among the distinct indices
// of the list, which identifies vertices just the same.
class VertexSlots {
public:
    VertexSlots(const int32_t* indices, int32_t count)
    {
        int32_t largest = -1;
        for (int32_t i = 0; i < count; ++i)
            largest = std::max(largest, indices[i]);
        if (int64_t(largest) + 1 <= 4 * int64_t(count) + 64) {
            slots = largest + 1;
            return;
        }
        for (int32_t i = 0; i < count; ++i)
            if (indices[i] >= 0)
                ranked.push_back(indices[i]);
        std::sort(ranked.begin(), ranked.end());
        ranked.erase(std::unique(ranked.begin(), ranked.end()), ranked.end());
        slots = int32_t(ranked.size());
    }

    int32_t size(void) const { return slots; }

    int32_t operator()(int32_t vertex) const
    {
        if (ranked.empty())
            return vertex;
        return int32_t(std::lower_bound(ranked.begin(), ranked.end(), vertex) - ranked.begin());
    }

private:
    int32_t slots = 0;
    std::vector<int32_t> ranked; // empty: slot = vertex index
};

// The working tables of one run. For every vertex, the (up to) two two-point
// strips that touch it are known by the position of their other end; a third
// one makes the vertex a junction that no chain passes.
class Chains {
public:
    Chains(const int32_t* indices, int32_t count, const std::vector<Strip>& strips)
        : indices(indices), count(count), slot(indices, count), pending(size_t(count), 0),
          firstPartner(size_t(slot.size()), -1), secondPartner(size_t(slot.size()), -1),
          joinable(size_t(slot.size()), 1)
    {
        for (const Strip& strip : strips) {
            std::fill(pending.begin() + strip.begin, pending.begin() + strip.end, 1);
            if (strip.size() == 2) {
                touch(strip.begin, strip.begin + 1);
                touch(strip.begin + 1, strip.begin);
            }
        }
    }

    // Appends the strip to `out`: unchanged if it is not a two-point strip,
    // as the whole chain through it if it is the first of its chain to be
    // written, not at all otherwise.
    void write(const Strip& strip, std::vector<int32_t>& out)
    {
        if (strip.size() != 2) {
            out.insert(out.end(), indices + strip.begin, indices + strip.end);
            out.push_back(-1);
            return;
        }
        const int32_t f = strip.begin;
        if (!pending[size_t(f)])
            return;
        pending[size_t(f)] = pending[size_t(f) + 1] = 0;
        // Backwards from A, then the collected vertices reversed, so that the
        // chain runs from its far end up to A ...
        backward.assign(1, indices[f]);
        follow(f, f + 1, backward);
        out.insert(out.end(), backward.rbegin(), backward.rend());
        // ... and on forwards from B.
        out.push_back(indices[f + 1]);
        follow(f + 1, f, out);
        out.push_back(-1);
    }

private:
    // Records at the vertex at `position` the strip whose other end is at
    // `partner`.
    void touch(int32_t position, int32_t partner)
    {
        const size_t v = size_t(slot(indices[position]));
        if (firstPartner[v] == -1)
            firstPartner[v] = partner;
        else if (secondPartner[v] == -1)
            secondPartner[v] = partner;
        else
            joinable[v] = 0;
    }

    // The other position of the two-point strip holding `position`.
    int32_t neighbour(int32_t position) const
    {
        return position + 1 < count && indices[position + 1] >= 0 ? position + 1 : position - 1;
    }

    // Walks from the vertex at `at`, whose strip (already consumed) has its
    // other end at `partner`, through the pending strips that continue the
    // chain, appending the far end of each to `chain`.
    void follow(int32_t at, int32_t partner, std::vector<int32_t>& chain)
    {
        for (;;) {
            const size_t v = size_t(slot(indices[at]));
            if (!joinable[v])
                return;
            const int32_t next = firstPartner[v] == partner ? secondPartner[v] : firstPartner[v];
            if (next < 0 || !pending[size_t(next)])
                return;
            const int32_t near = neighbour(next);
            pending[size_t(next)] = pending[size_t(near)] = 0;
            chain.push_back(indices[next]);
            at = next;
            partner = near;
        }
    }

    const int32_t* indices;
    int32_t count;
    VertexSlots slot;
    std::vector<char> pending;
    std::vector<int32_t> firstPartner;
    std::vector<int32_t> secondPartner;
    std::vector<char> joinable;
    std::vector<int32_t> backward;
};

} // namespace

ConcatenationReport concatenateLines(const int32_t* indices, int32_t count, std::vector<int32_t>& out)
{
    ConcatenationReport report;
    out.clear();
    if (indices == nullptr || count <= 0)
        return report;
    const std::vector<Strip> strips = findStrips(indices, count, report);
    Chains chains(indices, count, strips);
    // Chains never grow the list; only closing an unterminated last strip does.
    out.reserve(size_t(count) + 1);
    for (const Strip& strip : strips)
        chains.write(strip, out);
    return report;
}
