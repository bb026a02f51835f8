#ifndef QUILLMAP_EDGEWALK_H
#define QUILLMAP_EDGEWALK_H

// A walk over a list of edge records that fetches them ahead of use.
//
// The edges a frame selects are few, but their records (and the vertex and
// face records they lead to) lie anywhere in memory, so a walk that loads
// each one when it gets there waits for memory at every step. This walk asks
// for them in batches ahead instead: the edges four batches ahead, and the
// end vertices and faces of the edges two batches ahead, so that those loads
// overlap with the work on the batch at hand. Of each record only the
// fields at its start are fetched (ids, flags, positions, normals, the
// references between records); they span one cache line or two, as the
// record falls.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "wingededge/WingedEdge.h"

// Calls visit(list[i]) for every i in order; edgeOf(list[i]) is the edge
// record the element stands for, which must have both end vertices.
template <class List, class EdgeOf, class Visit>
void walkEdgesFetchingAhead(const List& list, EdgeOf edgeOf, Visit visit)
{
    const size_t n = list.size(), batch = 16, edgesAhead = 4, endsAhead = 2;
    auto fetch = [](const auto* record, const void* last) {
        __builtin_prefetch(record);
        __builtin_prefetch(last);
    };
    auto fetchEdges = [&](size_t from) {
        for (size_t i = from; i < std::min(n, from + batch); ++i) {
            const WEEdge* edge = edgeOf(list[i]);
            fetch(edge, &edge->rightFace);
        }
    };
    auto fetchEnds = [&](size_t from) {
        for (size_t i = from; i < std::min(n, from + batch); ++i) {
            const WEEdge* edge = edgeOf(list[i]);
            fetch(edge->startVertex, &edge->startVertex->normal);
            fetch(edge->endVertex, &edge->endVertex->normal);
            if (edge->leftFace != nullptr)
                fetch(edge->leftFace, &edge->leftFace->edges);
            if (edge->rightFace != nullptr)
                fetch(edge->rightFace, &edge->rightFace->edges);
        }
    };
    for (size_t b = 0; b < edgesAhead; ++b)
        fetchEdges(b * batch);
    for (size_t b = 0; b < endsAhead; ++b)
        fetchEnds(b * batch);
    for (size_t from = 0; from < n; from += batch) {
        fetchEdges(from + edgesAhead * batch);
        fetchEnds(from + endsAhead * batch);
        for (size_t i = from; i < std::min(n, from + batch); ++i)
            visit(list[i]);
    }
}

// The same over a list of edge pointers.
template <class Visit>
void walkEdgesFetchingAhead(const std::vector<WEEdge*>& list, Visit visit)
{
    walkEdgesFetchingAhead(list, [](WEEdge* edge) { return edge; }, visit);
}

#endif // QUILLMAP_EDGEWALK_H
