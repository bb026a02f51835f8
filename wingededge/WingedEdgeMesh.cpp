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

// Unit vector of v in double precision; (0,0,0) stays (0,0,0).
SbVec3f normalized(const SbVec3f& v)
{
    const double x = v[0], y = v[1], z = v[2];
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0)
        return SbVec3f(0.0f, 0.0f, 0.0f);
    return SbVec3f(float(x / length), float(y / length), float(z / length));
}

// normalize(a x b), computed in double precision.
SbVec3f unitCross(const SbVec3f& a, const SbVec3f& b)
{
    const double x = double(a[1]) * b[2] - double(a[2]) * b[1];
    const double y = double(a[2]) * b[0] - double(a[0]) * b[2];
    const double z = double(a[0]) * b[1] - double(a[1]) * b[0];
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0)
        return SbVec3f(0.0f, 0.0f, 0.0f);
    return SbVec3f(float(x / length), float(y / length), float(z / length));
}

// Six times the signed volume of the cone from `apex` over the triangle
// x0, x1, x2, whose normal by the clockwise convention is
// (x2 - x0) x (x1 - x0).
double coneVolume(const SbVec3f& apex, const SbVec3f& x0, const SbVec3f& x1, const SbVec3f& x2)
{
    const SbVec3d a(double(x0[0]) - apex[0], double(x0[1]) - apex[1], double(x0[2]) - apex[2]);
    const SbVec3d b(double(x1[0]) - apex[0], double(x1[1]) - apex[1], double(x1[2]) - apex[2]);
    const SbVec3d c(double(x2[0]) - apex[0], double(x2[1]) - apex[1], double(x2[2]) - apex[2]);
    return a.dot((c - a).cross(b - a));
}

SbVec3f difference(const SbVec3f& a, const SbVec3f& b)
{
    return SbVec3f(float(double(a[0]) - b[0]), float(double(a[1]) - b[1]), float(double(a[2]) - b[2]));
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

    const SbVec3f d1 = difference(x[1]->position, x[0]->position);
    const SbVec3f d2 = difference(x[2]->position, x[0]->position);
    const SbVec3f zero(0.0f, 0.0f, 0.0f);
    face.normal = (d1 == zero || d2 == zero) ? zero : unitCross(d2, d1);
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
        v.normal = normalized(v.normal);
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

    // Records that a and b agree (relative 0) or disagree (1); a relation
    // that contradicts what is known already is ignored.
    // The root of a set is always its lowest index, so a walk in index
    // order meets every root before the rest of its set.
    void relate(int32_t a, int32_t b, uint8_t relative)
    {
        auto ra = find(a);
        auto rb = find(b);
        if (ra.first == rb.first)
            return;
        if (rb.first < ra.first)
            std::swap(ra, rb);
        parent[size_t(rb.first)] = ra.first;
        parity[size_t(rb.first)] = ra.second ^ rb.second ^ relative;
    }

private:
    std::vector<int32_t> parent;
    std::vector<uint8_t> parity;
};

// Whether the first face of a component is flipped: when its cycle runs so
// that its normal points towards the origin side of its own position.
bool facesInwards(const WEFace& face)
{
    SbVec3d k(0.0, 0.0, 0.0);
    for (const WEEdge* e : face.edges) {
        k += SbVec3d(e->startVertex->position[0], e->startVertex->position[1], e->startVertex->position[2]);
        k += SbVec3d(e->endVertex->position[0], e->endVertex->position[1], e->endVertex->position[2]);
    }
    const WEEdge* e = face.edges.front();
    const WEVertex* p0 = traversalStart(e, &face);
    const WEVertex* p1 = traversalEnd(e, &face);
    const WEVertex* p2 = traversalStart(previousInFace(e, &face), &face);
    const SbVec3d a(double(p1->position[0]) - p0->position[0], double(p1->position[1]) - p0->position[1],
                    double(p1->position[2]) - p0->position[2]);
    const SbVec3d b(double(p2->position[0]) - p0->position[0], double(p2->position[1]) - p0->position[1],
                    double(p2->position[2]) - p0->position[2]);
    return a.cross(b).dot(k) >= 0.0;
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

} // namespace

// Finds the boundary edges that join two faces (two one-sided edges between
// the same vertices), orients every connected component consistently, and
// merges each such pair into one two-sided edge.
//
// A component is the set of faces joined by two-sided edges or pairs; its
// first face in list order decides its orientation (its normal should point
// away from the origin side) and every other face follows. Faces joined by
// two-sided edges (strip neighbours) always agree and are related first, so
// on a surface that cannot be oriented the contradiction falls on a pair,
// which merging then leaves as two boundary edges: every face cycle keeps
// its orientation.
//
// Precondition: vertex ids are dense and follow the list order, as
// weldVertices leaves them.
void WingedEdgeMesh::orientAndPair(void)
{
    // The flags word holds each face's list position while the pass runs.
    int32_t faceTotal = 0;
    for (WEFace& f : faces)
        f.flags = faceTotal++;
    auto sideFace = [](const WEEdge* e) { return e->leftFace != nullptr ? e->leftFace : e->rightFace; };

    // Strip neighbours first: they always agree. (This walk also clears the
    // edges' marks, the collection below the vertices', the orientation the
    // faces'.)
    OrientationSets sets{ size_t(faceTotal) };
    for (WEEdge& e : edges) {
        e.flags = 0;
        if (!e.isBoundary())
            sets.relate(e.leftFace->flags, e.rightFace->flags, 0);
    }

    // 1. Pair collection around every vertex. Each pair is seen from both
    // of its end vertices; it is recorded from the one with the lower id,
    // and its two faces are related (and their paired sides counted) while
    // its edges are at hand.
    std::vector<WEEdge*> pairs;
    std::vector<int32_t> pairedSides(size_t(faceTotal), 0);
    {
        int32_t largestVertex = -1;
        for (const WEVertex& v : vertices)
            largestVertex = std::max(largestVertex, v.id);
        const size_t n = size_t(largestVertex + 1);
        std::vector<WEEdge*> first(n, nullptr), second(n, nullptr);
        std::vector<char> tooMany(n, 0);
        std::vector<int32_t> touched;
        for (WEVertex& o : vertices) {
            o.flags = 0;
            for (WEEdge* e : o.edges) {
                if (!e->isBoundary())
                    continue;
                const WEVertex* other = e->startVertex->id != o.id ? e->startVertex : e->endVertex;
                const size_t x = size_t(other->id);
                if (first[x] == nullptr) {
                    first[x] = e;
                    touched.push_back(other->id);
                } else if (second[x] != nullptr) {
                    tooMany[x] = 1;
                } else {
                    second[x] = e;
                }
            }
            for (int32_t id : touched) {
                const size_t x = size_t(id);
                WEEdge* a = first[x];
                WEEdge* b = second[x];
                if (b != nullptr) {
                    if (tooMany[x]) {
                        std::printf("Error: This is not a 2-manifold!\n");
                    } else if (o.id < id) {
                        pairs.push_back(a);
                        pairs.push_back(b);
                        const WEFace* fa = sideFace(a);
                        const WEFace* fb = sideFace(b);
                        if (fa != nullptr && fb != nullptr) {
                            sets.relate(fa->flags, fb->flags, a->startVertex == b->endVertex ? 0 : 1);
                            ++pairedSides[size_t(fa->flags)];
                            ++pairedSides[size_t(fb->flags)];
                        }
                    }
                }
                first[x] = second[x] = nullptr;
                tooMany[x] = 0;
            }
            touched.clear();
        }
    }

    // 2. Orientation. A closed object (every one-sided edge in a pair) turns
    // so that it encloses a positive volume: its normals point out wherever
    // it stands. Any other set follows its first face in list order, whose
    // normal should point away from the origin side. A flipped face reverses
    // the edges it owns (those it lies left of, or alone on), so every edge
    // turns at most once.
    //
    // Per face first, then summed into the set's root in place: the root is
    // the set's lowest index, so its own entry is final before others add
    // to it.
    std::vector<double> volume;
    if (faceVolume.size() == size_t(faceTotal)) {
        volume.swap(faceVolume);
    } else {
        const SbVec3f apex = vertices.empty() ? SbVec3f(0.0f, 0.0f, 0.0f) : vertices.front().position;
        volume.reserve(size_t(faceTotal));
        for (const WEFace& f : faces)
            volume.push_back(signedVolume(f, apex));
    }
    std::vector<int32_t>& openEdges = pairedSides;
    for (const WEFace& f : faces) {
        const size_t i = size_t(f.flags);
        int32_t open = -pairedSides[i];
        for (const WEEdge* e : f.edges)
            open += e->isBoundary() ? 1 : 0;
        openEdges[i] = open;
        const auto root = sets.find(f.flags);
        if (size_t(root.first) != i) {
            volume[size_t(root.first)] += root.second ? -volume[i] : volume[i];
            openEdges[size_t(root.first)] += open;
        }
    }

    std::vector<int8_t> rootFlip(size_t(faceTotal), -1);
    for (WEFace& f : faces) {
        const auto root = sets.find(f.flags);
        int8_t& decided = rootFlip[size_t(root.first)];
        if (decided < 0) {
            const double v = volume[size_t(root.first)];
            if (openEdges[size_t(root.first)] == 0 && v != 0.0) {
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

    mergePairs(pairs);
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

        // The neighbours in the face pointed back at B; they now point at A.
        WEEdge* next = a->rightNext;
        (next->leftFace == face ? next->leftPrev : next->rightPrev) = a;
        WEEdge* prev = a->rightPrev;
        (prev->leftFace == face ? prev->leftNext : prev->rightNext) = a;
        // A boundary neighbour also keeps copies of its face wings on the
        // open side until the holes are linked; they must not point at B,
        // which is freed below.
        for (WEEdge* neighbour : { next, prev }) {
            if (neighbour->rightFace == nullptr) {
                neighbour->rightNext = neighbour->leftPrev;
                neighbour->rightPrev = neighbour->leftNext;
            } else if (neighbour->leftFace == nullptr) {
                neighbour->leftNext = neighbour->rightPrev;
                neighbour->leftPrev = neighbour->rightNext;
            }
        }

        removeFrom(a->startVertex->edges, b);
        removeFrom(a->endVertex->edges, b);
        b->rightFace = a->leftFace;
        merged.push_back(b);
    }
    for (WEEdge* b : merged)
        b->flags = 1;
    edges.remove_if([](const WEEdge& e) { return e.flags != 0; });
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
        face.normal = unitCross(difference(q3, q2), difference(q1, q2));
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
