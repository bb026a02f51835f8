// Border, silhouette and sharp edges of winged-edge meshes for one view, with
// triangle chunks and zig-zags repaired.

#include "lines/SilhouetteExtractor.h"

#include "lines/EdgeWalk.h"

#include <algorithm>
#include <cmath>

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

bool SilhouetteExtractor::hasSide(const SbVec3f& normal)
{
    const float x = normal[0], y = normal[1], z = normal[2];
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && (x != 0.0f || y != 0.0f || z != 0.0f);
}

// --- the selection -----------------------------------------------------------

void SilhouetteExtractor::add(WEEdge* edge)
{
    edge->flags |= IN_SELECTION;
    if ((edge->flags & LISTED) == 0) {
        edge->flags |= LISTED;
        selection.push_back(edge);
    }
}

bool SilhouetteExtractor::record(WEFace* face)
{
    if ((face->flags & RECORDED) != 0)
        return false;
    face->flags |= RECORDED;
    return true;
}

void SilhouetteExtractor::forget(const std::vector<WEFace*>& faces)
{
    for (WEFace* face : faces)
        face->flags &= ~RECORDED;
}

void SilhouetteExtractor::count(const WEEdge* edge, int delta, bool onlyVertices)
{
    bump(edge->startVertex, delta);
    bump(edge->endVertex, delta);
    if (onlyVertices)
        return;
    if (edge->leftFace != nullptr)
        bump(edge->leftFace, delta);
    if (edge->rightFace != nullptr)
        bump(edge->rightFace, delta);
}

// --- classification ----------------------------------------------------------

// Border and sharp edges of every mesh.
void SilhouetteExtractor::classify(WingedEdgeList& list, double angle)
{
    const double threshold = sharpThreshold(angle);
    meshes.assign(list.meshes.size(), MeshCache());
    faceArrays = false;
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        MeshCache& cache = meshes[m];
        for (WEEdge& edge : list.meshes[m].edges) {
            if (edge.leftFace == nullptr || edge.rightFace == nullptr) {
                cache.border.push_back(&edge);
                continue;
            }
            const SbVec3f& left = edge.leftFace->normal;
            const SbVec3f& right = edge.rightFace->normal;
            if (hasSide(left) && hasSide(right) && double(left.dot(right)) < threshold)
                cache.sharp.push_back(&edge);
        }
    }
    selection.clear();
    ++classifications;
    classified = true;
}

// The facing test of perspective views reads only these arrays: per face its
// normal and first corner, per two-sided edge its faces' ids.
void SilhouetteExtractor::buildFaceArrays(WingedEdgeList& list)
{
    size_t largest = 0;
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        MeshCache& cache = meshes[m];
        const WingedEdgeMesh& mesh = list.meshes[m];
        const size_t size = size_t(largestRecordId(mesh.faces) + 1);
        largest = std::max(largest, size);
        cache.faceNormal.assign(size, SbVec3f(0.0f, 0.0f, 0.0f));
        cache.facePoint.assign(size, SbVec3f(0.0f, 0.0f, 0.0f));
        for (const WEFace& face : mesh.faces) {
            const WEVertex* corner = firstCorner(face);
            cache.faceNormal[size_t(face.id)] = face.normal;
            if (corner != nullptr)
                cache.facePoint[size_t(face.id)] = corner->position;
        }
        cache.twoSided.clear();
        cache.twoSidedFaces.clear();
        for (WEEdge& edge : list.meshes[m].edges) {
            if (edge.leftFace == nullptr || edge.rightFace == nullptr)
                continue;
            if (!hasSide(edge.leftFace->normal) || !hasSide(edge.rightFace->normal))
                continue;
            cache.twoSided.push_back(&edge);
            cache.twoSidedFaces.push_back(edge.leftFace->id);
            cache.twoSidedFaces.push_back(edge.rightFace->id);
        }
    }
    facing.assign(largest, 0);
    faceArrays = true;
}

std::vector<int32_t> SilhouetteExtractor::selectedMeshes(const WingedEdgeList& list, int32_t shapeKey) const
{
    std::vector<int32_t> selected;
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        if (shapeKey == -1) {
            selected.push_back(int32_t(m));
        } else if (list.meshes[m].objectIndex == shapeKey) {
            selected.push_back(int32_t(m));
            break;
        }
    }
    return selected;
}

void SilhouetteExtractor::addBorderEdges(size_t mesh)
{
    for (WEEdge* edge : meshes[mesh].border) {
        edge->flags |= BORDER;
        add(edge);
        count(edge, 1);
    }
}

// The edges in `found` join the selection as silhouette edges. An edge
// found twice (an arc crossing the view's circle where it passes a cube
// edge) is added once.
void SilhouetteExtractor::addSilhouetteEdges(void)
{
    walkEdgesFetchingAhead(found, [this](WEEdge* edge) {
        if ((edge->flags & SILHOUETTE) != 0)
            return;
        edge->flags |= SILHOUETTE;
        add(edge);
        count(edge, 1);
    });
}

// --- the two views -----------------------------------------------------------

void SilhouetteExtractor::perspective(WingedEdgeList& list, double angle, const SbVec3f& eye, int32_t shapeKey,
                                      const Repairs& repairs, std::vector<Edge>& out)
{
    if (!classified)
        classify(list, angle);
    if (!faceArrays)
        buildFaceArrays(list);
    for (int32_t m : selectedMeshes(list, shapeKey)) {
        const MeshCache& cache = meshes[size_t(m)];
        // A face is turned towards the eye when its normal points to the
        // eye's side of its plane.
        const size_t faces = cache.faceNormal.size();
        const SbVec3f* normal = cache.faceNormal.data();
        const SbVec3f* point = cache.facePoint.data();
        uint8_t* towards = facing.data();
        for (size_t f = 0; f < faces; ++f)
            towards[f] = normal[f].dot(eye - point[f]) > 0.0f;

        found.clear();
        const int32_t* pair = cache.twoSidedFaces.data();
        for (size_t e = 0; e < cache.twoSided.size(); ++e)
            if (towards[size_t(pair[2 * e])] != towards[size_t(pair[2 * e + 1])])
                found.push_back(cache.twoSided[e]);

        addBorderEdges(size_t(m));
        addSilhouetteEdges();
        for (WEEdge* edge : cache.sharp) {
            edge->flags |= SHARP;
            add(edge);
        }
        if (repairs.triangleChunks)
            repairTriangleChunks(eye);
        if (repairs.zigZags)
            repairZigZags(&eye, nullptr);
        output(m, out);
    }
}

void SilhouetteExtractor::orthographic(WingedEdgeList& list, double angle, const SbVec3f& d, const SbVec3f& eye,
                                       int32_t shapeKey, const SilhouetteSearch& search, const Repairs& repairs,
                                       std::vector<Edge>& out)
{
    if (!classified)
        classify(list, angle);
    for (int32_t m : selectedMeshes(list, shapeKey)) {
        found.clear();
        if (search)
            search(m, d, [this](WEEdge* edge) { found.push_back(edge); });
        addBorderEdges(size_t(m));
        addSilhouetteEdges();
        for (WEEdge* edge : meshes[size_t(m)].sharp) {
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
}

void SilhouetteExtractor::output(int32_t mesh, std::vector<Edge>& out)
{
    // Every counter the run changed belongs to a vertex or face of an edge
    // that entered the selection; clearing those leaves every flags word as
    // it was before the run. Flags a repair left on edges that are no
    // longer selected go too.
    walkEdgesFetchingAhead(selection, [&](WEEdge* edge) {
        if (contains(edge))
            out.push_back({ edge, mesh });
        edge->flags = 0;
        edge->startVertex->flags = 0;
        edge->endVertex->flags = 0;
        if (edge->leftFace != nullptr)
            edge->leftFace->flags &= CHUNK_FACE;
        if (edge->rightFace != nullptr)
            edge->rightFace->flags &= CHUNK_FACE;
    });
    selection.clear();
}

// --- triangle chunks ---------------------------------------------------------

void SilhouetteExtractor::repairTriangleChunks(const SbVec3f& reference)
{
    std::vector<WEFace*> chunkFaces;
    std::vector<WEEdge*> chunkEdges;
    walkEdgesFetchingAhead(selection, [&](WEEdge* edge) {
        if (!contains(edge))
            return;
        for (WEFace* face : { edge->leftFace, edge->rightFace }) {
            if (face == nullptr || counter(face) != 3 || !isTriangle(face) || !record(face))
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
    });
    forget(chunkFaces);
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
        if ((edge->flags & MARKS) == 0 && contains(edge)) {
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
    walkEdgesFetchingAhead(selection, [&](WEEdge* edge) {
        if (!contains(edge))
            return;
        for (WEFace* face : { edge->leftFace, edge->rightFace }) {
            if (face != nullptr && counter(face) == 2 && isTriangle(face) && record(face))
                candidates.push_back(face);
        }
    });
    forget(candidates);

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
            if ((side->flags & MARKS) == 0)
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
            bump(beyond, 1);
        count(x, 1, true);
        bump(w, -1);
        for (WEEdge* side : { q, r }) {
            if ((side->flags & SHARP) == 0) {
                WEFace* other = side->leftFace == w ? side->rightFace : side->leftFace;
                if (other != nullptr)
                    bump(other, -1);
            }
            side->flags &= ~SILHOUETTE;
            if ((side->flags & MARKS) == 0 && contains(side)) {
                count(side, -1, true);
                remove(side);
            }
        }
    }
}
