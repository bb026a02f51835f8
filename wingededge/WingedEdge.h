#ifndef QUILLMAP_WINGEDEDGE_H
#define QUILLMAP_WINGEDEDGE_H

// The winged-edge mesh records, one mesh per scene object, and the list that
// carries the meshes through the traversal state with their display settings.
//
// Records live in node-based lists (std::list, its nodes drawn from the
// record pools), so a pointer to a record is a stable handle: it stays valid
// while other records are inserted or removed, and only removing the record
// itself invalidates it.
//
// Orientation conventions that hold for every face after construction:
//  - leftNext from an edge whose leftFace is F, and rightNext from an edge
//    whose rightFace is F, walk F's edge cycle; the cycle's vertices are the
//    startVertex of edges with leftFace F and the endVertex of edges with
//    rightFace F.
//  - The face normal is normalize((x2 - x0) x (x1 - x0)) for three consecutive
//    cycle vertices: seen from the side the normal points to, the cycle runs
//    clockwise.
//  - On a boundary edge (rightFace null) the right wings run along the hole:
//    rightNext is the neighbouring boundary edge at startVertex, rightPrev the
//    one at endVertex.

#include <Inventor/SbVec3f.h>

#include "wingededge/EdgeRefList.h"
#include "wingededge/RecordPool.h"

#include <cstdint>
#include <list>
#include <string>
#include <type_traits>
#include <vector>

class SbViewVolume;
struct WEEdge;
struct WEFace;

// The fields of each record are ordered so that those a pass over many
// records reads together (ids, flags, positions, normals, the references
// between records) share the record's first cache line.

struct WEVertex {
    int32_t id = 0;               // coordinate index while building, then dense
    int32_t objectIndex = 0;
    int32_t flags = 0;
    SbVec3f position = SbVec3f(0.0f, 0.0f, 0.0f);
    SbVec3f normal = SbVec3f(0.0f, 0.0f, 0.0f);
    EdgeRefList<8> edges;         // every incident edge, unordered
};

struct WEEdge {
    // Construction-time bits of the flags word.
    enum { TWO_SIDED = 1, SETTLED = 2 };

    int32_t id = 0;
    int32_t objectIndex = 0;
    int32_t flags = 0;
    int32_t spare = 0;
    WEVertex* startVertex = nullptr;
    WEVertex* endVertex = nullptr;
    WEFace* leftFace = nullptr;   // runs along the edge from start to end
    WEFace* rightFace = nullptr;  // runs from end to start; null on a boundary
    WEEdge* leftNext = nullptr;   // follows in the left face, shares endVertex
    WEEdge* leftPrev = nullptr;   // precedes in the left face, shares startVertex
    WEEdge* rightNext = nullptr;  // follows in the right face, shares startVertex
    WEEdge* rightPrev = nullptr;  // precedes in the right face, shares endVertex

    bool isBoundary(void) const { return leftFace == nullptr || rightFace == nullptr; }
    WEVertex* otherVertex(const WEVertex* v) const { return v == startVertex ? endVertex : startVertex; }
};

struct WEFace {
    enum { VISITED = 1 };

    int32_t id = 0;
    int32_t objectIndex = 0;
    int32_t flags = 0;
    SbVec3f normal = SbVec3f(0.0f, 0.0f, 0.0f);
    EdgeRefList<3> edges;         // the face's edges as a set; the wings give the order
};

class WingedEdgeList;

// Input of buildFromStrips: the strips of one indexed triangle-strip set,
// flattened. coordIndex holds no -1 separators; stripLengths says how many
// consecutive entries each strip takes. normalIndex runs parallel to
// coordIndex.
struct StripInput {
    std::vector<SbVec3f> coordinates;
    std::vector<int32_t> coordIndex;
    std::vector<SbVec3f> normals;
    std::vector<int32_t> normalIndex;
    std::vector<int32_t> stripLengths;
};

class WingedEdgeMesh {
public:
    WingedEdgeMesh(void) = default;
    WingedEdgeMesh(const WingedEdgeMesh& other);
    WingedEdgeMesh& operator=(const WingedEdgeMesh& other);
    WingedEdgeMesh(WingedEdgeMesh&& other) = default;
    WingedEdgeMesh& operator=(WingedEdgeMesh&& other) = default;

    int32_t vertexCount = 0;
    int32_t edgeCount = 0;
    int32_t faceCount = 0;
    int32_t objectIndex = 0;
    typedef std::list<WEVertex, RecordAllocator<WEVertex>> VertexList;
    typedef std::list<WEEdge, RecordAllocator<WEEdge>> EdgeList;
    typedef std::list<WEFace, RecordAllocator<WEFace>> FaceList;

    VertexList vertices;
    EdgeList edges;
    FaceList faces;

    // Appends one mesh built from the strips to the list and runs the
    // construction passes on it. Triangles with a repeated coordinate index
    // are dropped silently; triangles with a coordinate or normal index
    // outside its array are dropped too and counted. Returns that count.
    static int buildFromStrips(WingedEdgeList& list, int32_t objectIndex, const StripInput& strips);

    // Adds one triangle with corners x0, x1, x2 (edge ei runs from xi to
    // x(i+1)). With a previous face, its edge number a (0 or 1, in creation
    // order) is shared and the corners xa and x(a+1) are taken from it.
    // previousFace receives the new face.
    void addTriangle(const SbVec3f position[3], const int32_t coordIndex[3], const SbVec3f normal[3],
                     int a, WEFace*& previousFace);

    // The construction passes, in the order buildFromStrips runs them.
    void weldVertices(void);
    void orientAndPair(void);
    void linkBoundaryWings(void);
    void fillZeroNormals(void);
    void setObjectIndex(void);
    void computeVertexNormals(void);
    void renumber(void);

    void computeFaceNormals(void);
    void clearMarks(void);
    static void flipEdge(WEEdge* edge);

    // --- Refinement (modify/) ------------------------------------------------
    // Flag bits of the refinement passes; every flag word is zero again when
    // a pass ends (clearMarks).
    enum RefinementFlags {
        EDGE_BOUNDARY = 4,
        EDGE_SHARP = 8,
        EDGE_NOT_SPLIT = 0x40,
        VERTEX_BOUNDARY = 1,
        VERTEX_SHARP = 2,
        VERTEX_UNTOUCHED = 0x10,
        FACE_MARKED = 2
    };
    // Subdivision scheme codes.
    enum Scheme { DOO_SABIN = 1, CATMULL_CLARK = 2, LOOP = 3, BUTTERFLY = 4 };

    // Cuts every face of more than three edges into a fan of triangles.
    void triangulate(void);
    // One Doo-Sabin step; the faces stay polygons.
    void subdivideDooSabin(void);
    // One Catmull-Clark step, with or without moving the vertices; the faces
    // become quadrilaterals.
    void subdivideCatmullClark(bool smoothing);
    // One Loop (LOOP) or Modified Butterfly (BUTTERFLY) step on a triangle
    // mesh; adaptive splits only the faces markFacesForRefinement marked.
    void subdivideTriangles(int scheme, bool smoothing, bool adaptive);
    // Sets FACE_MARKED on the faces the criterion picks for refinement in
    // adaptive step `step`. viewVolume may be null (criteria 11 and 12 then
    // mark nothing); focusTable feeds criterion 16.
    void markFacesForRefinement(int criterion, double threshold, const SbViewVolume* viewVolume, int step,
                                const std::vector<double>* focusTable = nullptr);

    // Welds vertices closer than `distance` and rebuilds the connectivity.
    void mergeCloseVertices(double distance);
    // Merges neighbouring faces whose normals differ by at most `angle`
    // degrees into larger polygons.
    void mergeCoplanarFaces(double angle);
    // Flags the edges whose dihedral angle is sharper than `sharpAngle`
    // degrees, and boundary edges, with EDGE_SHARP and their ends with
    // VERTEX_SHARP.
    void markSharpEdges(double sharpAngle);
    // One smoothing iteration.
    void smoothStep(double speed, bool keepFlagged);

    // Structural problems of the mesh, one line each; empty when the counts
    // match the lists, ids are dense, every reference points into this mesh,
    // vertex and face edge lists agree with the edges, and every face's wing
    // cycle closes after as many steps as the face has edges.
    std::string checkConsistency(void) const;

private:
    void copyFrom(const WingedEdgeMesh& other);
    void joinDuplicates(void);

    // The stages of orientAndPair.
    struct Pairing;
    void collectPairs(Pairing& pairing);
    void relateFaces(Pairing& pairing);
    void splitLink(WEEdge* edge);
    void orientFaces(Pairing& pairing);
    void mergePairs(const std::vector<WEEdge*>& pairs);
    void removeMergedFromVertices(const std::vector<WEEdge*>& merged);

    int32_t nextEdgeId = 0;
    int32_t nextFaceId = 0;
    // While buildFromStrips runs: the vertex made for each coordinate index,
    // so that addTriangle joins corners at once instead of leaving the
    // duplicates to weldVertices (with the same result).
    std::vector<WEVertex*> vertexOfIndex;
    // Also while buildFromStrips runs: each face's cone volume from the first
    // vertex, taken while its corners are at hand (orientAndPair needs them).
    std::vector<double> faceVolume;
};

// The list of meshes grows by moving meshes, which keeps every record where it is.
static_assert(std::is_nothrow_move_constructible<WingedEdgeMesh>::value, "meshes must move without copying");

class WingedEdgeList {
public:
    WingedEdgeList(void) = default;
    WingedEdgeList(const WingedEdgeList& other);
    WingedEdgeList& operator=(const WingedEdgeList& other);

    std::vector<WingedEdgeMesh> meshes;

    int32_t upToDate = 0;
    int32_t modificationsApplied = 0;
    int32_t classified = 0;
    int32_t renderCacheValid = 0;

    // Which set of records the list holds. Every list, and every change that
    // replaces or frees records (assignment, clear, connectObjects), takes a
    // number no list of this process had before, so a node that caches
    // handles into the records can tell whether its caches still belong to
    // them by keeping the generation they were made for. Code that changes
    // the records in place in other ways calls renewGeneration().
    uint64_t getGeneration(void) const { return generation; }
    void renewGeneration(void);

    void setCurvatureMode(int32_t mode) { curvatureMode = mode; }
    int32_t getCurvatureMode(void) const { return curvatureMode; }
    void setThreshold(double value) { threshold = value; }
    double getThreshold(void) const { return threshold; }
    void setVisualizationMode(int32_t mode);
    int32_t getVisualizationMode(void) const { return visualizationMode; }

    // Removes the meshes and restores every setting and status word to its
    // initial value.
    void clear(void);
    // Moves every mesh into the first one, ids continuing after it.
    void connectObjects(void);
    void renumber(void);

    // --- Refinement of every mesh (modify/) ---------------------------------
    // connectObjects, then welds vertices closer than half the shortest edge.
    void connectMeshes(void);
    void mergeCoplanarFaces(double angle);
    void markSharpEdges(double sharpAngle);
    // The step operations run `steps` steps of the scheme `mode` (codes of
    // WingedEdgeMesh::Scheme; other codes do nothing) and return how many
    // they ran: a step whose faces would exceed `faceBudget` (over all
    // meshes) is not begun, and neither is any after it.
    int divide(int mode, int steps, int64_t faceBudget);
    int subdivide(int mode, int steps, int64_t faceBudget);
    int subdivideAdaptively(int mode, int steps, int64_t faceBudget);
    void smooth(int steps, double speed);
    // Gives every record fresh storage through a deep copy, ids and fields
    // kept.
    void rebuildInPlace(void);

    int32_t totalVertexCount(void) const;
    int32_t totalEdgeCount(void) const;
    int32_t totalFaceCount(void) const;

private:
    int32_t curvatureMode = 1;
    double threshold = 0.01;
    int32_t visualizationMode = 2;
    uint64_t generation = nextGeneration();

    static uint64_t nextGeneration(void);
};

#endif // QUILLMAP_WINGEDEDGE_H
