// Border, silhouette and sharp edges of winged-edge meshes for one view, with
// triangle chunks and zig-zags repaired.

#include "lines/SilhouetteExtractor.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

template <class List>
int32_t largestRecordId(const List& records)
{
    int32_t largest = -1;
    for (const auto& r : records)
        largest = std::max(largest, r.id);
    return largest;
}

// The vertex the face's edge cycle passes at the start of `edge`.
WEVertex* firstCorner(const WEFace& face)
{
    if (face.edges.empty())
        return nullptr;
    return face.edges[0]->startVertex;
}

bool isTriangle(const WEFace* face)
{
    return face != nullptr && face->edges.size() == 3;
}

// Whether a silhouette edge that is no chunk edge meets the vertex.
bool hasOutsideSilhouetteEdge(const WEVertex* vertex)
{
    for (const WEEdge* edge : vertex->edges)
        if ((edge->flags & SilhouetteExtractor::SILHOUETTE) != 0 && (edge->flags & SilhouetteExtractor::CHUNK_EDGE) == 0)
            return true;
    return false;
}

// The next edge around `vertex` after `edge`, through the wings.
WEEdge* turn(const WEVertex* vertex, const WEEdge* edge)
{
    return edge->startVertex == vertex ? edge->leftPrev : edge->rightPrev;
}

} // namespace

double SilhouetteExtractor::sharpThreshold(double angle)
{
    return std::cos((180.0 - angle) * 0.017453292519943295);
}

// --- the selection -----------------------------------------------------------

void SilhouetteExtractor::beginMesh(const WingedEdgeMesh& mesh)
{
    selection.clear();
    member.assign(size_t(largestRecordId(mesh.edges) + 1), 0);
    listed.assign(member.size(), 0);
    faceCount.assign(size_t(largestRecordId(mesh.faces) + 1), 0);
    vertexCount.assign(size_t(largestRecordId(mesh.vertices) + 1), 0);
}

bool SilhouetteExtractor::contains(const WEEdge* edge) const
{
    return member[size_t(edge->id)] != 0;
}

void SilhouetteExtractor::add(WEEdge* edge)
{
    member[size_t(edge->id)] = 1;
    if (!listed[size_t(edge->id)]) {
        listed[size_t(edge->id)] = 1;
        selection.push_back(edge);
    }
}

void SilhouetteExtractor::remove(WEEdge* edge)
{
    member[size_t(edge->id)] = 0;
}

void SilhouetteExtractor::count(const WEEdge* edge, int delta, bool onlyVertices)
{
    counter(edge->startVertex) += delta;
    counter(edge->endVertex) += delta;
    if (onlyVertices)
        return;
    if (edge->leftFace != nullptr)
        counter(edge->leftFace) += delta;
    if (edge->rightFace != nullptr)
        counter(edge->rightFace) += delta;
}

// --- classification ----------------------------------------------------------

void SilhouetteExtractor::classify(WingedEdgeList& list, double angle)
{
    const double threshold = sharpThreshold(angle);
    border.assign(list.meshes.size(), {});
    sharp.assign(list.meshes.size(), {});
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        for (WEEdge& edge : list.meshes[m].edges) {
            if (edge.leftFace == nullptr || edge.rightFace == nullptr) {
                border[m].push_back(&edge);
                continue;
            }
            const double cosine = double(edge.leftFace->normal.dot(edge.rightFace->normal));
            if (cosine < threshold)
                sharp[m].push_back(&edge);
        }
    }
}

std::vector<int32_t> SilhouetteExtractor::selectedMeshes(const WingedEdgeList& list, int32_t shapeKey) const
{
    std::vector<int32_t> meshes;
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        if (shapeKey == -1) {
            meshes.push_back(int32_t(m));
        } else if (list.meshes[m].objectIndex == shapeKey) {
            meshes.push_back(int32_t(m));
            break;
        }
    }
    return meshes;
}

void SilhouetteExtractor::addBorderEdges(size_t mesh)
{
    for (WEEdge* edge : border[mesh]) {
        edge->flags |= BORDER;
        add(edge);
        count(edge, 1);
    }
}

// --- the two views -----------------------------------------------------------

void SilhouetteExtractor::perspective(WingedEdgeList& list, double angle, const SbVec3f& eye, int32_t shapeKey,
                                      const Repairs& repairs, std::vector<Edge>& out)
{
    if (!classified)
        classify(list, angle);
    for (int32_t m : selectedMeshes(list, shapeKey)) {
        WingedEdgeMesh& mesh = list.meshes[size_t(m)];
        for (WEFace& face : mesh.faces) {
            const WEVertex* corner = firstCorner(face);
            SbVec3f towardsEye = corner != nullptr ? eye - corner->position : SbVec3f(0, 0, 0);
            towardsEye.normalize();
            face.flags = face.normal.dot(towardsEye) > 0.0f ? 1 : 0;
        }
        beginMesh(mesh);
        addBorderEdges(size_t(m));
        for (WEEdge& edge : mesh.edges) {
            if (edge.leftFace == nullptr || edge.rightFace == nullptr)
                continue;
            if ((edge.leftFace->flags & 1) == (edge.rightFace->flags & 1))
                continue;
            edge.flags |= SILHOUETTE;
            add(&edge);
            count(&edge, 1);
        }
        for (WEEdge* edge : sharp[size_t(m)]) {
            edge->flags |= SHARP;
            add(edge);
        }
        if (repairs.triangleChunks)
            repairTriangleChunks(eye);
        if (repairs.zigZags)
            repairZigZags(&eye, nullptr);
        output(m, out);
    }
    classified = true;
}

void SilhouetteExtractor::orthographic(WingedEdgeList& list, double angle, const SbVec3f& d, const SbVec3f& eye,
                                       int32_t shapeKey, const SilhouetteSearch& search, const Repairs& repairs,
                                       std::vector<Edge>& out)
{
    if (!classified)
        classify(list, angle);
    for (int32_t m : selectedMeshes(list, shapeKey)) {
        WingedEdgeMesh& mesh = list.meshes[size_t(m)];
        beginMesh(mesh);
        addBorderEdges(size_t(m));
        if (search) {
            search(m, d, [this](WEEdge* edge) {
                // An arc can cross the view's great circle on two cube faces
                // where it passes a cube edge; it is still one edge.
                if ((edge->flags & SILHOUETTE) != 0)
                    return;
                edge->flags |= SILHOUETTE;
                add(edge);
                count(edge, 1);
            });
        }
        for (WEEdge* edge : sharp[size_t(m)]) {
            edge->flags |= SHARP;
            if ((edge->flags & SILHOUETTE) == 0) {
                add(edge);
                count(edge, 1);
            }
        }
        if (repairs.triangleChunks)
            repairTriangleChunks(eye);
        if (repairs.zigZags)
            repairZigZags(nullptr, &d);
        output(m, out);
    }
    classified = true;
}

void SilhouetteExtractor::output(int32_t mesh, std::vector<Edge>& out)
{
    for (WEEdge* edge : selection) {
        if (!contains(edge))
            continue;
        out.push_back({ edge, mesh });
        edge->flags = 0;
    }
    // Whatever a repair left on edges that are no longer selected.
    for (WEEdge* edge : selection)
        edge->flags = 0;
    selection.clear();
}

// --- triangle chunks ---------------------------------------------------------

void SilhouetteExtractor::repairTriangleChunks(const SbVec3f& reference)
{
    std::vector<WEFace*> chunkFaces;
    std::vector<WEEdge*> chunkEdges;
    std::unordered_set<const WEFace*> recorded;
    const std::vector<WEEdge*> selected = selection;
    for (WEEdge* edge : selected) {
        if (!contains(edge))
            continue;
        for (WEFace* face : { edge->leftFace, edge->rightFace }) {
            if (face == nullptr || !isTriangle(face) || counter(face) != 3 || !recorded.insert(face).second)
                continue;
            face->flags |= CHUNK_FACE;
            chunkFaces.push_back(face);
            for (WEEdge* side : face->edges) {
                if ((side->flags & CHUNK_EDGE) == 0) {
                    side->flags |= CHUNK_EDGE;
                    chunkEdges.push_back(side);
                }
            }
        }
    }
    if (chunkFaces.empty())
        return;

    for (WEFace* face : chunkFaces) {
        // The three corners of the chunk face.
        std::vector<WEVertex*> corners;
        for (WEEdge* side : face->edges)
            for (WEVertex* end : { side->startVertex, side->endVertex })
                if (std::find(corners.begin(), corners.end(), end) == corners.end())
                    corners.push_back(end);
        for (WEVertex* corner : corners) {
            // A silhouette edge arriving from outside the chunk starts a trace.
            const EdgeRefList<8> around = corner->edges;
            for (WEEdge* entry : around)
                if ((entry->flags & SILHOUETTE) != 0 && (entry->flags & CHUNK_EDGE) == 0)
                    traceChunk(corner, entry, reference);
        }
    }

    for (WEEdge* edge : chunkEdges) {
        edge->flags &= ~(CHUNK_EDGE | CHUNK_VISITED);
        if ((edge->flags & CHUNK_KEPT) != 0) {
            edge->flags &= ~CHUNK_KEPT;
            continue;
        }
        edge->flags &= ~SILHOUETTE;
        if (edge->flags == 0 && contains(edge)) {
            count(edge, -1);
            remove(edge);
        }
    }
}

void SilhouetteExtractor::traceChunk(WEVertex* start, WEEdge* entry, const SbVec3f& reference)
{
    const float startDistance = (start->position - reference).length();
    std::vector<WEEdge*> best;
    float bestMax = 0.0f, bestMin = startDistance;
    std::vector<WEEdge*> path;

    // Every silhouette edge around the start vertex, in turning order from
    // the entry edge, starts one way through the chunk.
    const size_t limit = start->edges.size() + 1;
    WEEdge* first = entry;
    for (size_t tries = 0; tries < limit; ++tries) {
        first = turn(start, first);
        size_t steps = 0;
        while (first != nullptr && first != entry && (first->flags & SILHOUETTE) == 0 && ++steps < limit)
            first = turn(start, first);
        if (first == nullptr || first == entry || (first->flags & SILHOUETTE) == 0)
            break;

        path.clear();
        float nearest = startDistance, farthest = startDistance;
        WEVertex* at = start;
        WEEdge* edge = first;
        for (;;) {
            if ((edge->flags & CHUNK_VISITED) != 0)
                return; // met an edge of this trace again: keep what it marked
            edge->flags |= CHUNK_KEPT | CHUNK_VISITED;
            path.push_back(edge);
            WEVertex* next = edge->otherVertex(at);
            const float distance = (next->position - reference).length();
            nearest = std::min(nearest, distance);
            farthest = std::max(farthest, distance);
            if ((edge->flags & CHUNK_EDGE) == 0) {
                // Left the chunk: the leaving edge is no part of the way.
                edge->flags &= ~(CHUNK_KEPT | CHUNK_VISITED);
                path.pop_back();
                if (!path.empty() && (farthest > bestMax || nearest > bestMin)) {
                    best = path;
                    bestMax = farthest;
                    bestMin = nearest;
                }
                break;
            }
            // A vertex where the outline goes on outside the chunk ends the
            // way through it. Turning on from here could run into the other
            // way's edges first and end the whole trace with nothing decided.
            if (hasOutsideSilhouetteEdge(next)) {
                if (farthest > bestMax || nearest > bestMin) {
                    best = path;
                    bestMax = farthest;
                    bestMin = nearest;
                }
                break;
            }
            // Continue at the far vertex with the next silhouette edge around it.
            at = next;
            WEEdge* around = turn(at, edge);
            const size_t aroundLimit = at->edges.size() + 1;
            size_t aroundSteps = 0;
            while (around != nullptr && (around->flags & SILHOUETTE) == 0 && ++aroundSteps < aroundLimit)
                around = turn(at, around);
            if (around == nullptr || (around->flags & SILHOUETTE) == 0)
                break;
            edge = around;
        }
    }
    // The way reaching farther from the reference is dropped.
    for (WEEdge* edge : best)
        edge->flags &= ~CHUNK_KEPT;
}

// --- zig-zags ----------------------------------------------------------------

void SilhouetteExtractor::repairZigZags(const SbVec3f* eye, const SbVec3f* direction)
{
    std::vector<WEFace*> candidates;
    std::unordered_set<const WEFace*> recorded;
    for (WEEdge* edge : selection) {
        if (!contains(edge))
            continue;
        for (WEFace* face : { edge->leftFace, edge->rightFace }) {
            if (face != nullptr && isTriangle(face) && counter(face) == 2 && recorded.insert(face).second)
                candidates.push_back(face);
        }
    }

    for (WEFace* w : candidates) {
        if (counter(w) != 2)
            continue;
        SbVec3f v;
        if (direction != nullptr) {
            v = *direction;
        } else {
            const WEVertex* corner = firstCorner(*w);
            v = *eye - corner->position;
            v.normalize();
        }
        if (std::fabs(w->normal.dot(v)) > 0.03f)
            continue;
        WEEdge* x = nullptr;
        for (WEEdge* side : w->edges)
            if (side->flags == 0)
                x = side;
        if (x == nullptr)
            continue;
        const bool left = x->leftFace == w;
        WEEdge* q = left ? x->leftPrev : x->rightNext;
        WEEdge* r = left ? x->leftNext : x->rightPrev;
        if (q == nullptr || r == nullptr)
            continue;
        WEVertex* f = q->otherVertex(x->startVertex);
        if (counter(f) != 2)
            continue;

        x->flags |= SILHOUETTE;
        add(x);
        WEFace* beyond = left ? x->rightFace : x->leftFace;
        if (beyond != nullptr)
            ++counter(beyond);
        count(x, 1, true);
        --counter(w);
        for (WEEdge* side : { q, r }) {
            if ((side->flags & SHARP) == 0) {
                WEFace* other = side->leftFace == w ? side->rightFace : side->leftFace;
                if (other != nullptr)
                    --counter(other);
            }
            side->flags &= ~SILHOUETTE;
            if (side->flags == 0 && contains(side)) {
                count(side, -1, true);
                remove(side);
            }
        }
    }
}
