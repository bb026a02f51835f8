// Construction of winged-edge meshes from indexed triangle strips, and the
// passes that re-link, orient and renumber a mesh.

#include "wingededge/WingedEdge.h"

#include <Inventor/SbVec3d.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <unordered_set>

namespace {

SbVec3d toDouble(const SbVec3f& v)
{
    return SbVec3d(v[0], v[1], v[2]);
}

// v scaled to unit length, or (0,0,0) where that is not possible: v zero,
// or not finite. Doubles hold the squares of any float difference, so only
// infinite or NaN input ends here.
SbVec3f unitOrZero(const SbVec3d& v)
{
    const double length = v.length();
    if (!(length > 0.0) || !std::isfinite(length))
        return SbVec3f(0.0f, 0.0f, 0.0f);
    return SbVec3f(float(v[0] / length), float(v[1] / length), float(v[2] / length));
}

// normalize((c - a) x (b - a)) from float corners, every step in double:
// differences of floats beyond the float range stay exact enough.
SbVec3f unitNormal(const SbVec3f& a, const SbVec3f& b, const SbVec3f& c)
{
    const SbVec3d da = toDouble(a);
    return unitOrZero((toDouble(c) - da).cross(toDouble(b) - da));
}

// Six times the signed volume of the cone from `apex` over the triangle
// x0, x1, x2, whose normal by the clockwise convention is
// (x2 - x0) x (x1 - x0).
double coneVolume(const SbVec3f& apex, const SbVec3f& x0, const SbVec3f& x1, const SbVec3f& x2)
{
    const SbVec3d p = toDouble(apex);
    const SbVec3d a = toDouble(x0) - p, b = toDouble(x1) - p, c = toDouble(x2) - p;
    return a.dot((c - a).cross(b - a));
}

// The vertex where the face's cycle enters the edge, and the one where it leaves.
WEVertex* traversalStart(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->startVertex : edge->endVertex;
}

WEVertex* traversalEnd(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->endVertex : edge->startVertex;
}

WEEdge* nextInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftNext : edge->rightNext;
}

WEEdge* previousInFace(const WEEdge* edge, const WEFace* face)
{
    return edge->leftFace == face ? edge->leftPrev : edge->rightPrev;
}

template <class List>
void removeFrom(List& list, const WEEdge* edge)
{
    list.erase(std::remove(list.begin(), list.end(), edge), list.end());
}

// On a boundary edge, the wing on the missing face's side at vertex v.
WEEdge*& boundaryWing(WEEdge* edge, const WEVertex* v)
{
    if (v == edge->endVertex)
        return edge->leftFace == nullptr ? edge->leftNext : edge->rightPrev;
    return edge->leftFace == nullptr ? edge->leftPrev : edge->rightNext;
}

// Sum of the normals of the faces along a vertex's edges, and how many.
int addFaceNormals(const WEVertex& v, SbVec3f& sum)
{
    int count = 0;
    sum.setValue(0.0f, 0.0f, 0.0f);
    for (const WEEdge* e : v.edges) {
        for (const WEFace* f : { e->leftFace, e->rightFace }) {
            if (f != nullptr) {
                sum += f->normal;
                ++count;
            }
        }
    }
    return count;
}

// A zero normal becomes the mean of the normals of the faces around.
void fillZeroNormal(WEVertex& v)
{
    if (v.normal != SbVec3f(0.0f, 0.0f, 0.0f))
        return;
    SbVec3f sum;
    const int count = addFaceNormals(v, sum);
    if (count > 0)
        v.normal = sum / float(count);
}

} // namespace

// --- construction ----------------------------------------------------------

int WingedEdgeMesh::buildFromStrips(WingedEdgeList& list, int32_t objectIndex, const StripInput& in)
{
    list.meshes.emplace_back();
    WingedEdgeMesh& mesh = list.meshes.back();
    mesh.objectIndex = objectIndex;
    mesh.nextEdgeId = 0;
    mesh.nextFaceId = 0;

    const size_t coordCount = in.coordinates.size();
    const size_t normalCount = in.normals.size();
    const size_t indexCount = in.coordIndex.size();
    int dropped = 0;

    mesh.vertexOfIndex.assign(coordCount, nullptr);
    size_t stripStart = 0;
    for (int32_t length : in.stripLengths) {
        const size_t begin = stripStart;
        const size_t end = std::min(indexCount, begin + size_t(std::max(length, 0)));
        stripStart = end;
        if (end - begin <= 2)
            continue;

        WEFace* previous = nullptr;
        for (size_t j = begin + 2; j < end; ++j) {
            const bool even = ((j - begin - 2) % 2) == 0;
            const size_t corner[3] = { even ? j - 2 : j, j - 1, even ? j : j - 2 };

            int32_t ci[3];
            for (int i = 0; i < 3; ++i)
                ci[i] = in.coordIndex[corner[i]];
            if (ci[0] == ci[1] || ci[1] == ci[2] || ci[0] == ci[2]) {
                previous = nullptr;
                continue;
            }

            bool inRange = true;
            for (int i = 0; i < 3; ++i) {
                const size_t k = corner[i];
                inRange = inRange && ci[i] >= 0 && size_t(ci[i]) < coordCount && k < in.normalIndex.size() &&
                          in.normalIndex[k] >= 0 && size_t(in.normalIndex[k]) < normalCount;
            }
            if (!inRange) {
                ++dropped;
                previous = nullptr;
                continue;
            }

            SbVec3f position[3], normal[3];
            for (int i = 0; i < 3; ++i) {
                position[i] = in.coordinates[size_t(ci[i])];
                normal[i] = in.normals[size_t(in.normalIndex[corner[i]])];
            }
            mesh.addTriangle(position, ci, normal, even ? 0 : 1, previous);
        }
    }

    mesh.weldVertices();
    std::vector<WEVertex*>().swap(mesh.vertexOfIndex);
    mesh.orientAndPair();
    std::vector<double>().swap(mesh.faceVolume);
    mesh.linkBoundaryWings();
    mesh.computeVertexNormals();
    // No setObjectIndex or renumber pass: addTriangle gave every record the
    // object index, welding numbered the vertices in list order,
    // linkBoundaryWings the edges, and faces are numbered as they are made
    // and never removed here.
    mesh.nextEdgeId = mesh.edgeCount;
    mesh.nextFaceId = mesh.faceCount;
    return dropped;
}

void WingedEdgeMesh::addTriangle(const SbVec3f position[3], const int32_t coordIndex[3], const SbVec3f normal[3],
                                 int a, WEFace*& previousFace)
{
    WEVertex* x[3] = { nullptr, nullptr, nullptr };
    WEEdge* e[3] = { nullptr, nullptr, nullptr };
    WEEdge* shared = nullptr;

    if (previousFace != nullptr) {
        shared = previousFace->edges[size_t(a)];
        x[a] = shared->endVertex;
        x[(a + 1) % 3] = shared->startVertex;
        e[a] = shared;
    }
    for (int i = 0; i < 3; ++i) {
        if (x[i] != nullptr)
            continue;
        const size_t index = size_t(coordIndex[i]);
        WEVertex* known = index < vertexOfIndex.size() ? vertexOfIndex[index] : nullptr;
        if (known != nullptr) {
            // What weldVertices would do with a new record: keep the first, sum the normals.
            known->normal += normal[i];
            x[i] = known;
            continue;
        }
        vertices.emplace_back();
        WEVertex& v = vertices.back();
        v.id = coordIndex[i];
        v.objectIndex = objectIndex;
        v.position = position[i];
        v.normal = normal[i];
        x[i] = &v;
        if (index < vertexOfIndex.size())
            vertexOfIndex[index] = &v;
    }
    for (int i = 0; i < 3; ++i) {
        if (e[i] != nullptr)
            continue;
        edges.emplace_back();
        edges.back().id = nextEdgeId++;
        edges.back().objectIndex = objectIndex;
        e[i] = &edges.back();
    }
    faces.emplace_back();
    WEFace& face = faces.back();
    face.id = nextFaceId++;
    face.objectIndex = objectIndex;

    // The edge lists of the corners, in the order the passes expect them.
    const bool fresh0 = e[0] != shared, fresh1 = e[1] != shared;
    x[0]->edges.push_back(e[2]);
    if (fresh0) {
        x[0]->edges.push_back(e[0]);
        x[1]->edges.push_back(e[0]);
    }
    if (fresh1) {
        x[1]->edges.push_back(e[1]);
        x[2]->edges.push_back(e[1]);
    }
    x[2]->edges.push_back(e[2]);
    face.edges.assign(e, e + 3);

    for (int i = 0; i < 3; ++i) {
        WEEdge* edge = e[i];
        const int next = (i + 1) % 3, prev = (i + 2) % 3;
        if (edge == shared) {
            edge->rightFace = &face;
            edge->rightNext = e[next];
            edge->rightPrev = e[prev];
            edge->flags |= WEEdge::TWO_SIDED;
            continue;
        }
        edge->startVertex = x[i];
        edge->endVertex = x[next];
        edge->leftFace = &face;
        edge->rightFace = nullptr;
        edge->leftNext = e[next];
        edge->leftPrev = e[prev];
        edge->rightNext = e[prev];
        edge->rightPrev = e[next];
    }

    face.normal = unitNormal(x[0]->position, x[1]->position, x[2]->position);
    if (!vertexOfIndex.empty())
        faceVolume.push_back(coneVolume(vertices.front().position, x[0]->position, x[1]->position, x[2]->position));
    previousFace = &face;
}

// Vertices are matched by coordinate index only: two corners at the same
// position under different indices stay apart.
void WingedEdgeMesh::weldVertices(void)
{
    // While buildFromStrips joins corners as they arrive there is nothing
    // left to join; only the numbering and the normals remain.
    if (vertexOfIndex.empty())
        joinDuplicates();
    int32_t id = 0;
    for (WEVertex& v : vertices) {
        v.id = id++;
        v.normal = unitOrZero(toDouble(v.normal));
    }
}

// Keeps the first record of every id; the later ones hand over their edges
// and add their normals to it. A negative id matches nothing.
void WingedEdgeMesh::joinDuplicates(void)
{
    int32_t largest = -1;
    for (const WEVertex& v : vertices)
        largest = std::max(largest, v.id);

    std::vector<WEVertex*> keeper(size_t(largest + 1), nullptr);
    bool duplicates = false;
    for (WEVertex& v : vertices) {
        if (v.id < 0)
            continue;
        if (keeper[size_t(v.id)] == nullptr)
            keeper[size_t(v.id)] = &v;
        else
            duplicates = true;
    }
    if (!duplicates)
        return;

    auto kept = [&keeper](WEVertex* v) { return v->id < 0 ? v : keeper[size_t(v->id)]; };
    for (WEEdge& e : edges) {
        e.startVertex = kept(e.startVertex);
        e.endVertex = kept(e.endVertex);
    }
    for (auto it = vertices.begin(); it != vertices.end();) {
        WEVertex* keep = kept(&*it);
        if (keep == &*it) {
            ++it;
            continue;
        }
        keep->edges.insert(keep->edges.end(), it->edges.begin(), it->edges.end());
        keep->normal += it->normal;
        it = vertices.erase(it);
    }
}

namespace {

// Union-find over faces that also tracks, for every face, whether its
// orientation agrees with (parity 0) or opposes (parity 1) its set's root.
class OrientationSets {
public:
    explicit OrientationSets(size_t count) : parent(count), parity(count, 0)
    {
        for (size_t i = 0; i < count; ++i)
            parent[i] = int32_t(i);
    }

    // The root of i and the parity of i relative to it.
    std::pair<int32_t, uint8_t> find(int32_t i)
    {
        int32_t root = i;
        uint8_t toRoot = 0;
        while (parent[size_t(root)] != root) {
            toRoot ^= parity[size_t(root)];
            root = parent[size_t(root)];
        }
        // Compress the path: every face on it now points at the root.
        uint8_t remaining = toRoot;
        while (parent[size_t(i)] != i) {
            const int32_t next = parent[size_t(i)];
            const uint8_t step = parity[size_t(i)];
            parent[size_t(i)] = root;
            parity[size_t(i)] = remaining;
            remaining ^= step;
            i = next;
        }
        return { root, toRoot };
    }

    // Records that a and b agree (relative 0) or disagree (1). Returns
    // false, and changes nothing, when that contradicts what is known.
    // The root of a set is always its lowest index, so a walk in index
    // order meets every root before the rest of its set.
    bool relate(int32_t a, int32_t b, uint8_t relative)
    {
        auto ra = find(a);
        auto rb = find(b);
        if (ra.first == rb.first)
            return (ra.second ^ rb.second) == relative;
        if (rb.first < ra.first)
            std::swap(ra, rb);
        parent[size_t(rb.first)] = ra.first;
        parity[size_t(rb.first)] = ra.second ^ rb.second ^ relative;
        return true;
    }

private:
    std::vector<int32_t> parent;
    std::vector<uint8_t> parity;
};

// The face of a one-sided edge.
WEFace* sideFace(const WEEdge* e)
{
    return e->leftFace != nullptr ? e->leftFace : e->rightFace;
}

// Whether the first face of a component is flipped: when its cycle runs so
// that its normal points towards the origin side of its own position.
bool facesInwards(const WEFace& face)
{
    SbVec3d k(0.0, 0.0, 0.0);
    for (const WEEdge* e : face.edges)
        k += toDouble(e->startVertex->position) + toDouble(e->endVertex->position);
    const WEEdge* e = face.edges.front();
    const SbVec3d p0 = toDouble(traversalStart(e, &face)->position);
    const SbVec3d p1 = toDouble(traversalEnd(e, &face)->position);
    const SbVec3d p2 = toDouble(traversalStart(previousInFace(e, &face), &face)->position);
    return (p1 - p0).cross(p2 - p0).dot(k) >= 0.0;
}

// Six times the signed volume of the cone from `apex` over the face, in the
// face's current orientation: positive when the normal faces away from the
// apex. Summed over a closed surface it is six times the volume it encloses,
// positive when the normals point out. A face whose cycle does not close
// adds nothing.
double signedVolume(const WEFace& face, const SbVec3f& apex)
{
    if (face.edges.empty())
        return 0.0;
    const WEEdge* start = face.edges.front();
    const SbVec3f& first = traversalStart(start, &face)->position;
    const WEVertex* previous = traversalEnd(start, &face);
    double sum = 0.0;
    const WEEdge* e = nextInFace(start, &face);
    for (size_t step = 1; step < face.edges.size() && e != nullptr && e != start; ++step) {
        const WEVertex* next = traversalEnd(e, &face);
        sum += coneVolume(apex, first, previous->position, next->position);
        previous = next;
        e = nextInFace(e, &face);
    }
    return sum;
}

// The edge's neighbours in `face` (its wings on that side) pointed at
// another edge; they now point at this one. A boundary neighbour also keeps
// copies of its face wings on its open side until the holes are linked;
// those are renewed too.
void pointWingsAt(WEFace* face, WEEdge* edge)
{
    const bool left = edge->leftFace == face;
    WEEdge* next = left ? edge->leftNext : edge->rightNext;
    WEEdge* prev = left ? edge->leftPrev : edge->rightPrev;
    (next->leftFace == face ? next->leftPrev : next->rightPrev) = edge;
    (prev->leftFace == face ? prev->leftNext : prev->rightNext) = edge;
    for (WEEdge* neighbour : { next, prev }) {
        if (neighbour->rightFace == nullptr) {
            neighbour->rightNext = neighbour->leftPrev;
            neighbour->rightPrev = neighbour->leftNext;
        } else if (neighbour->leftFace == nullptr) {
            neighbour->leftNext = neighbour->rightPrev;
            neighbour->leftPrev = neighbour->rightNext;
        }
    }
}

// While orientAndPair runs, a strip-shared edge whose two vertices are also
// joined by other edges carries this mark from pair collection to the
// orientation.
const int32_t kCrowdedLink = 2;

} // namespace

// What pair collection hands on to the orientation and the merging. The
// faces are known by their list positions, which their flags words hold
// while the pass runs.
struct WingedEdgeMesh::Pairing {
    explicit Pairing(size_t faceTotal) : sets(faceTotal), pairedSides(faceTotal, 0) {}

    OrientationSets sets;
    // The pairs (first, second) one after another, and for each whether
    // its two vertices are also joined by a strip-shared edge.
    std::vector<WEEdge*> pairs;
    std::vector<uint8_t> crowdedPair;
    // Strip-shared edges whose two vertices are also joined by other edges.
    std::vector<WEEdge*> crowdedLinks;
    // Per face, how many of its sides merging will close.
    std::vector<int32_t> pairedSides;
};

// Finds the boundary edges that join two faces (two one-sided edges between
// the same vertices), orients every connected component consistently, and
// merges each such pair into one two-sided edge.
//
// A component is the set of faces joined by two-sided edges or pairs; its
// orientation is decided as a whole (see orientFaces). Strip sharing is
// trusted where a strip-shared edge is the only edge between its two
// vertices. Where a third triangle uses the same two vertices, a strip may
// have folded across a fin: the two faces it joined may belong to surfaces
// that need them turned against each other. Such a shared edge is weighed
// last, and if it contradicts the orientation the rest of the surface
// demands it is split into two one-sided edges (and the mesh reported as not
// a 2-manifold) instead of leaving the contradiction to fall on pairs
// elsewhere, which would then stay unmerged.
//
// Precondition: vertex ids are dense and follow the list order, as
// weldVertices leaves them.
void WingedEdgeMesh::orientAndPair(void)
{
    int32_t faceTotal = 0;
    for (WEFace& f : faces)
        f.flags = faceTotal++;
    Pairing pairing{ size_t(faceTotal) };
    collectPairs(pairing);
    relateFaces(pairing);
    orientFaces(pairing);
    mergePairs(pairing.pairs);
}

// Pair collection around every vertex: the one-sided edges to each
// neighbour, and whether strip-shared edges to it have company. Each pair
// and each shared edge is seen from both of its end vertices and recorded
// from the one with the lower id; a neighbour with three or more one-sided
// edges is reported from both.
void WingedEdgeMesh::collectPairs(Pairing& pairing)
{
    int32_t largestVertex = -1;
    for (const WEVertex& v : vertices)
        largestVertex = std::max(largestVertex, v.id);
    const size_t n = size_t(largestVertex + 1);
    std::vector<WEEdge*> first(n, nullptr), second(n, nullptr);
    std::vector<uint8_t> tooMany(n, 0), links(n, 0);
    std::vector<int32_t> touched;
    std::vector<WEEdge*> linksHere;
    for (WEVertex& o : vertices) {
        o.flags = 0;
        for (WEEdge* e : o.edges) {
            const WEVertex* other = e->startVertex->id != o.id ? e->startVertex : e->endVertex;
            const size_t x = size_t(other->id);
            if (first[x] == nullptr && links[x] == 0)
                touched.push_back(other->id);
            if (!e->isBoundary()) {
                links[x] = uint8_t(std::min(links[x] + 1, 2));
                if (o.id < other->id)
                    linksHere.push_back(e);
            } else if (first[x] == nullptr) {
                first[x] = e;
            } else if (second[x] != nullptr) {
                tooMany[x] = 1;
            } else {
                second[x] = e;
            }
        }
        for (WEEdge* link : linksHere) {
            const size_t x = size_t((link->startVertex == &o ? link->endVertex : link->startVertex)->id);
            const bool crowded = links[x] > 1 || first[x] != nullptr;
            link->flags = crowded ? kCrowdedLink : 0;
            if (crowded)
                pairing.crowdedLinks.push_back(link);
        }
        for (int32_t id : touched) {
            const size_t x = size_t(id);
            if (second[x] != nullptr) {
                if (tooMany[x]) {
                    std::printf("Error: This is not a 2-manifold!\n");
                } else if (o.id < id) {
                    pairing.pairs.push_back(first[x]);
                    pairing.pairs.push_back(second[x]);
                    pairing.crowdedPair.push_back(links[x] > 0);
                }
            }
            first[x] = second[x] = nullptr;
            tooMany[x] = links[x] = 0;
        }
        touched.clear();
        linksHere.clear();
    }
}

// Records which faces must agree: strip-shared edges with no company first
// (their faces agree by construction), then the pairs, those beside a
// strip-shared edge last, then the crowded strip-shared edges, each split
// if it contradicts what is known by then. On a surface that cannot be
// oriented at all the contradiction falls on a pair, which merging leaves
// as two boundary edges.
void WingedEdgeMesh::relateFaces(Pairing& pairing)
{
    OrientationSets& sets = pairing.sets;
    for (WEEdge& e : edges) {
        if (!e.isBoundary() && e.flags == 0)
            sets.relate(e.leftFace->flags, e.rightFace->flags, 0);
        e.flags = 0;
    }
    for (uint8_t crowded : { 0, 1 }) {
        for (size_t k = 0; k < pairing.crowdedPair.size(); ++k) {
            if (pairing.crowdedPair[k] != crowded)
                continue;
            const WEEdge* a = pairing.pairs[2 * k];
            const WEEdge* b = pairing.pairs[2 * k + 1];
            const WEFace* fa = sideFace(a);
            const WEFace* fb = sideFace(b);
            if (fa == nullptr || fb == nullptr)
                continue;
            if (sets.relate(fa->flags, fb->flags, a->startVertex == b->endVertex ? 0 : 1)) {
                ++pairing.pairedSides[size_t(fa->flags)];
                ++pairing.pairedSides[size_t(fb->flags)];
            }
        }
    }
    for (WEEdge* link : pairing.crowdedLinks) {
        if (!sets.relate(link->leftFace->flags, link->rightFace->flags, 0)) {
            std::printf("Error: This is not a 2-manifold!\n");
            splitLink(link);
        }
    }
}

// Gives the right face of a two-sided edge an edge of its own, running the
// other way so that the face lies on its left; both are one-sided after.
void WingedEdgeMesh::splitLink(WEEdge* edge)
{
    WEFace* face = edge->rightFace;
    edges.emplace_back();
    WEEdge& own = edges.back();
    own.id = nextEdgeId++;
    own.objectIndex = edge->objectIndex;
    own.startVertex = edge->endVertex;
    own.endVertex = edge->startVertex;
    own.leftFace = face;
    own.leftNext = edge->rightNext;
    own.leftPrev = edge->rightPrev;
    own.rightNext = own.leftPrev;
    own.rightPrev = own.leftNext;
    pointWingsAt(face, &own);
    std::replace(face->edges.begin(), face->edges.end(), edge, &own);
    own.startVertex->edges.push_back(&own);
    own.endVertex->edges.push_back(&own);

    edge->rightFace = nullptr;
    edge->rightNext = edge->leftPrev;
    edge->rightPrev = edge->leftNext;
}

// Turns every component as a whole. A closed object (every one-sided edge
// in a pair) turns so that it encloses a positive volume: its normals point
// out wherever it stands. Any other component follows its first face in
// list order, whose normal should point away from the origin side. A
// flipped face reverses the edges it owns (those it lies left of, or alone
// on), so every edge turns at most once.
void WingedEdgeMesh::orientFaces(Pairing& pairing)
{
    OrientationSets& sets = pairing.sets;
    const size_t faceTotal = pairing.pairedSides.size();

    // Per face first, then summed into the set's root in place: the root is
    // the set's lowest index, so its own entry is final before others add
    // to it.
    std::vector<double> volume;
    if (faceVolume.size() == faceTotal) {
        volume.swap(faceVolume);
    } else {
        const SbVec3f apex = vertices.empty() ? SbVec3f(0.0f, 0.0f, 0.0f) : vertices.front().position;
        volume.reserve(faceTotal);
        for (const WEFace& f : faces)
            volume.push_back(signedVolume(f, apex));
    }
    std::vector<int32_t>& openEdges = pairing.pairedSides;
    for (const WEFace& f : faces) {
        const size_t i = size_t(f.flags);
        int32_t open = -pairing.pairedSides[i];
        for (const WEEdge* e : f.edges)
            open += e->isBoundary() ? 1 : 0;
        openEdges[i] = open;
        const auto root = sets.find(f.flags);
        if (size_t(root.first) != i) {
            volume[size_t(root.first)] += root.second ? -volume[i] : volume[i];
            openEdges[size_t(root.first)] += open;
        }
    }

    std::vector<int8_t> rootFlip(faceTotal, -1);
    for (WEFace& f : faces) {
        const auto root = sets.find(f.flags);
        int8_t& decided = rootFlip[size_t(root.first)];
        if (decided < 0) {
            const double v = volume[size_t(root.first)];
            if (openEdges[size_t(root.first)] == 0 && v != 0.0 && std::isfinite(v)) {
                decided = int8_t(v < 0.0);
            } else {
                const bool usable = !f.edges.empty() && previousInFace(f.edges.front(), &f) != nullptr;
                decided = int8_t((usable && facesInwards(f)) ^ root.second);
            }
        }
        if (decided ^ root.second) {
            f.normal.negate();
            for (WEEdge* e : f.edges)
                if (sideFace(e) == &f)
                    flipEdge(e);
        }
        f.flags = 0;
    }
}

// Merges every oriented pair (A, B) into A; B leaves the mesh.
void WingedEdgeMesh::mergePairs(const std::vector<WEEdge*>& pairs)
{
    std::vector<WEEdge*> merged;
    const size_t ahead = 16; // pairs lie scattered; fetch them early
    for (size_t p = 0; p < pairs.size(); p += 2) {
        if (p + ahead + 1 < pairs.size()) {
            __builtin_prefetch(pairs[p + ahead]);
            __builtin_prefetch(pairs[p + ahead + 1]);
        }
        WEEdge* a = pairs[p];
        WEEdge* b = pairs[p + 1];
        if (!a->isBoundary() || !b->isBoundary())
            continue; // merged from the other end already
        if (a->startVertex != b->endVertex || b->leftFace == nullptr || a->leftFace == nullptr ||
            a->leftFace == b->leftFace)
            continue; // same direction: the surface is not orientable here

        WEFace* face = b->leftFace;
        a->rightFace = face;
        a->rightNext = b->leftNext;
        a->rightPrev = b->leftPrev;
        removeFrom(face->edges, b);
        face->edges.push_back(a);

        // The neighbours in the face pointed back at B, which is freed below.
        pointWingsAt(face, a);
        b->rightFace = a->leftFace;
        b->flags = 1;
        merged.push_back(b);
    }
    removeMergedFromVertices(merged);
    edges.remove_if([](const WEEdge& e) { return e.flags != 0; });
}

// Takes the merged-away edges (flags 1) out of their vertices' edge lists,
// each list once however many of them it holds: a vertex joined to many
// faces must not be searched once per merge.
void WingedEdgeMesh::removeMergedFromVertices(const std::vector<WEEdge*>& merged)
{
    auto isMerged = [](const WEEdge* e) { return e->flags != 0; };
    for (WEEdge* b : merged) {
        for (WEVertex* v : { b->startVertex, b->endVertex }) {
            if (v->flags != 0)
                continue;
            v->flags = 1;
            v->edges.erase(std::remove_if(v->edges.begin(), v->edges.end(), isMerged), v->edges.end());
        }
    }
    for (WEEdge* b : merged)
        b->startVertex->flags = b->endVertex->flags = 0;
}

// Links the open wings of boundary edges around each hole, then sets the
// counts and fills missing vertex normals.
void WingedEdgeMesh::linkBoundaryWings(void)
{
    int32_t largestFace = -1;
    for (const WEFace& f : faces)
        largestFace = std::max(largestFace, f.id);
    faceCount = largestFace + 1;

    int32_t id = 0;
    for (WEEdge& e : edges) {
        e.id = id++;
        if (!e.isBoundary() || (e.leftFace == nullptr && e.rightFace == nullptr))
            continue;
        for (WEVertex* v : { e.startVertex, e.endVertex }) {
            // Rotate around v through the faces, from e to the next boundary edge.
            const bool backwards = (v == e.startVertex) == (e.rightFace == nullptr);
            WEEdge* y = &e;
            size_t steps = v->edges.size() + 10;
            do {
                if (backwards)
                    y = y->startVertex == v ? y->leftPrev : y->rightPrev;
                else
                    y = y->startVertex == v ? y->rightNext : y->leftNext;
                --steps;
            } while (y != nullptr && !y->isBoundary() && steps > 0);
            if (y == nullptr || !y->isBoundary() || y == &e || steps == 0)
                continue;
            if (y->startVertex != v && y->endVertex != v)
                continue;
            boundaryWing(&e, v) = y;
            boundaryWing(y, v) = &e;
        }
    }
    edgeCount = id;

    // fillZeroNormals, sharing its walk with the count of vertices.
    int32_t largestVertex = -1;
    for (WEVertex& v : vertices) {
        largestVertex = std::max(largestVertex, v.id);
        fillZeroNormal(v);
    }
    vertexCount = largestVertex + 1;
}

// --- normals ---------------------------------------------------------------

void WingedEdgeMesh::fillZeroNormals(void)
{
    for (WEVertex& v : vertices)
        fillZeroNormal(v);
}

// A vertex without faces keeps the normal it has: there is nothing to
// average, and dividing by zero would poison every later computation.
void WingedEdgeMesh::computeVertexNormals(void)
{
    for (WEVertex& v : vertices) {
        SbVec3f sum;
        const int count = addFaceNormals(v, sum);
        if (count > 0)
            v.normal = sum / float(count);
    }
}

void WingedEdgeMesh::computeFaceNormals(void)
{
    std::vector<const WEVertex*> collected;
    for (WEFace& face : faces) {
        collected.clear();
        if (face.edges.empty()) {
            face.normal.setValue(0.0f, 0.0f, 0.0f);
            continue;
        }
        const WEEdge* start = face.edges.front();
        const WEEdge* e = start;
        // A broken cycle must not keep the walk going: never more steps than edges.
        for (size_t step = 0; step < face.edges.size() && e != nullptr; ++step) {
            collected.push_back(traversalStart(e, &face));
            e = previousInFace(e, &face);
            if (e == start)
                break;
        }
        if (collected.size() < 3) {
            face.normal.setValue(0.0f, 0.0f, 0.0f);
            continue;
        }
        const size_t n = collected.size();
        const SbVec3f& q1 = collected[n - 3]->position;
        const SbVec3f& q2 = collected[n - 2]->position;
        const SbVec3f& q3 = collected[n - 1]->position;
        face.normal = unitNormal(q2, q1, q3);
    }
}

// --- bookkeeping -------------------------------------------------------------

void WingedEdgeMesh::renumber(void)
{
    int32_t id = 0;
    for (WEVertex& v : vertices)
        v.id = id++;
    vertexCount = id;
    id = 0;
    for (WEEdge& e : edges)
        e.id = id++;
    edgeCount = id;
    id = 0;
    for (WEFace& f : faces)
        f.id = id++;
    faceCount = id;
    nextEdgeId = edgeCount;
    nextFaceId = faceCount;
}

void WingedEdgeMesh::setObjectIndex(void)
{
    for (WEVertex& v : vertices)
        v.objectIndex = objectIndex;
    for (WEEdge& e : edges)
        e.objectIndex = objectIndex;
    for (WEFace& f : faces)
        f.objectIndex = objectIndex;
}

void WingedEdgeMesh::clearMarks(void)
{
    for (WEVertex& v : vertices)
        v.flags = 0;
    for (WEEdge& e : edges)
        e.flags = 0;
    for (WEFace& f : faces)
        f.flags = 0;
}

void WingedEdgeMesh::flipEdge(WEEdge* edge)
{
    std::swap(edge->startVertex, edge->endVertex);
    std::swap(edge->leftNext, edge->leftPrev);
    std::swap(edge->rightNext, edge->rightPrev);
}

// --- consistency ---------------------------------------------------------------

namespace {

template <class T>
void checkIds(const std::list<T, RecordAllocator<T>>& records, int32_t count, const char* what, std::ostream& out)
{
    if (int32_t(records.size()) != count)
        out << what << " count " << count << " but " << records.size() << " records\n";
    std::vector<char> seen(records.size(), 0);
    for (const T& r : records) {
        if (r.id < 0 || size_t(r.id) >= records.size() || seen[size_t(r.id)])
            out << what << " id " << r.id << " is not dense\n";
        else
            seen[size_t(r.id)] = 1;
    }
}

template <class List>
bool contains(const List& list, const WEEdge* e)
{
    return std::find(list.begin(), list.end(), e) != list.end();
}

} // namespace

std::string WingedEdgeMesh::checkConsistency(void) const
{
    std::ostringstream out;
    checkIds(vertices, vertexCount, "vertex", out);
    checkIds(edges, edgeCount, "edge", out);
    checkIds(faces, faceCount, "face", out);

    std::unordered_set<const void*> mine;
    for (const WEVertex& v : vertices)
        mine.insert(&v);
    for (const WEEdge& e : edges)
        mine.insert(&e);
    for (const WEFace& f : faces)
        mine.insert(&f);
    auto foreign = [&](const void* p) { return p == nullptr || mine.count(p) == 0; };

    for (const WEEdge& e : edges) {
        if (foreign(e.startVertex) || foreign(e.endVertex) || e.startVertex == e.endVertex) {
            out << "edge " << e.id << " has bad vertices\n";
            continue;
        }
        if (foreign(e.leftNext) || foreign(e.leftPrev) || foreign(e.rightNext) || foreign(e.rightPrev))
            out << "edge " << e.id << " has a wing outside the mesh\n";
        if ((e.leftFace == nullptr && e.rightFace == nullptr) || (e.leftFace && foreign(e.leftFace)) ||
            (e.rightFace && foreign(e.rightFace)))
            out << "edge " << e.id << " has bad faces\n";
        if (e.leftFace != nullptr && e.leftFace == e.rightFace)
            out << "edge " << e.id << " has the same face on both sides\n";
        if (!contains(e.startVertex->edges, &e) || !contains(e.endVertex->edges, &e))
            out << "edge " << e.id << " is missing from a vertex's edge list\n";
        for (const WEFace* f : { e.leftFace, e.rightFace })
            if (f != nullptr && !foreign(f) && !contains(f->edges, &e))
                out << "edge " << e.id << " is missing from face " << f->id << "\n";
    }
    for (const WEVertex& v : vertices)
        for (const WEEdge* e : v.edges)
            if (foreign(e) || (e->startVertex != &v && e->endVertex != &v))
                out << "vertex " << v.id << " lists an edge that does not touch it\n";

    for (const WEFace& f : faces) {
        bool listed = !f.edges.empty();
        for (const WEEdge* e : f.edges)
            listed = listed && !foreign(e) && (e->leftFace == &f || e->rightFace == &f);
        if (!listed) {
            out << "face " << f.id << " lists an edge that does not border it\n";
            continue;
        }
        const WEEdge* start = f.edges.front();
        const WEEdge* e = start;
        size_t steps = 0;
        do {
            const WEEdge* next = nextInFace(e, &f);
            if (foreign(next) || (next->leftFace != &f && next->rightFace != &f) ||
                traversalStart(next, &f) != traversalEnd(e, &f))
                break;
            e = next;
            ++steps;
        } while (e != start && steps <= f.edges.size());
        if (e != start || steps != f.edges.size())
            out << "face " << f.id << " wing cycle does not close in " << f.edges.size() << " steps\n";
    }
    return out.str();
}
