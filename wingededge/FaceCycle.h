#ifndef QUILLMAP_FACECYCLE_H
#define QUILLMAP_FACECYCLE_H

// Walking the edge cycle of a face through the wings.

#include <vector>

#include "wingededge/WingedEdge.h"

// The edge after `edge` in `face`'s cycle.
inline WEEdge* nextInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftNext : edge->rightNext;
}

// The edge before `edge` in `face`'s cycle.
inline WEEdge* prevInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftPrev : edge->rightPrev;
}

// The vertex at which `edge` begins when the cycle of `face` runs along it.
inline WEVertex* startInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->startVertex : edge->endVertex;
}

// The vertex at which `edge` ends when the cycle of `face` runs along it.
inline WEVertex* endInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->endVertex : edge->startVertex;
}

// The edges of `face` in cycle order, beginning with its first listed edge.
// Stops after as many steps as the face has edges, so a broken cycle cannot
// loop.
inline void faceCycle(const WEFace& face, std::vector<WEEdge*>& out)
{
    out.clear();
    if (face.edges.empty())
        return;
    WEEdge* first = face.edges[0];
    WEEdge* e = first;
    for (size_t n = 0; n < face.edges.size() && e != nullptr; ++n) {
        out.push_back(e);
        e = nextInFace(e, &face);
        if (e == first)
            break;
    }
}

#endif // QUILLMAP_FACECYCLE_H
