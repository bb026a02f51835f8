#ifndef QUILLMAP_SILHOUETTEEXTRACTOR_H
#define QUILLMAP_SILHOUETTEEXTRACTOR_H

// Finds the edges to draw for a view of winged-edge meshes: border edges
// (one face), silhouette edges (between a face turned towards the viewer and
// one turned away) and sharp edges (faces meeting at a dihedral angle below a
// threshold), and cleans two artifacts out of the silhouette: triangle chunks
// (all three edges of a triangle selected, a small closed loop) and zig-zags
// (two edges around a triangle seen edge-on where its third edge is the
// straighter line).
//
// Border and sharp edges depend only on the meshes and the angle; they are
// classified once and cached until invalidate(), together with what a
// perspective frame needs in compact arrays: every face's normal and first
// corner and every two-sided edge's pair of face numbers. A frame then
// costs one pass
// over those arrays (perspective) or the edges a search returns
// (orthographic), plus the edges it selects; nothing walks the record lists.
// The records must therefore not change between runs without invalidate().
//
// The silhouette is found per view: by testing every face against the eye
// point (perspective), or by asking a search structure for the edges whose
// face normals lie on both sides of the plane perpendicular to the view
// direction (orthographic).
//
// A face whose normal is zero or not finite (zero area) turns towards no
// side: an edge next to one is never a silhouette edge and never sharp, in
// both views alike, so that a degenerate sliver neither breaks nor doubles
// the outline.
//
// While it works the extractor keeps its marks in the records' flags words:
// the edge bits below, and on faces and vertices the number of selected
// edges touching them (counters kept in the records themselves, which a run
// reads anyway, rather than in tables by id, whose scattered reads would
// cost more than the records). When it is done every edge and vertex flags
// word is zero again and a face's word holds only bit 4, which marks chunk
// faces and is left set. It expects vertex flags words to be zero when a
// run starts, as every pass leaves them. The facing of the faces in
// perspective views lives in an array of the extractor.

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "wingededge/WingedEdge.h"

class SilhouetteExtractor {
public:
    // Edge bits.
    enum {
        BORDER = 1,
        SILHOUETTE = 2,
        SHARP = 4,
        CHUNK_EDGE = 8,
        CHUNK_KEPT = 16,
        CHUNK_VISITED = 32,
        SELECTED = BORDER | SILHOUETTE | SHARP,
        MARKS = SELECTED | CHUNK_EDGE | CHUNK_KEPT | CHUNK_VISITED
    };
    enum { CHUNK_FACE = 4 };

    // One output edge and the index of its mesh in the list.
    struct Edge {
        WEEdge* edge;
        int32_t mesh;
    };

    struct Repairs {
        bool triangleChunks = true;
        bool zigZags = true;
    };

    // Calls found(edge) for every silhouette edge of mesh `mesh` seen along
    // direction d; an edge may be reported more than once.
    typedef std::function<void(int32_t mesh, const SbVec3f& d, const std::function<void(WEEdge*)>& found)>
        SilhouetteSearch;

    // Forgets the border and sharp edges and the compact arrays, so that the
    // next run classifies the edges again (the meshes or the angle changed).
    void invalidate(void) { classified = false; }
    bool isClassified(void) const { return classified; }
    // How often the edges have been classified.
    int getClassificationCount(void) const { return classifications; }

    // Perspective view from `eye` (object space). Meshes: all with shapeKey
    // -1, else the first whose objectIndex equals it. Appends to `out`.
    void perspective(WingedEdgeList& list, double angle, const SbVec3f& eye, int32_t shapeKey, const Repairs& repairs,
                     std::vector<Edge>& out);

    // Parallel view along the unit direction d, the silhouette edges coming
    // from `search`; `eye` is the reference point of the chunk repair.
    void orthographic(WingedEdgeList& list, double angle, const SbVec3f& d, const SbVec3f& eye, int32_t shapeKey,
                      const SilhouetteSearch& search, const Repairs& repairs, std::vector<Edge>& out);

    // The cached classification of one mesh (after a run).
    const std::vector<WEEdge*>& borderEdges(size_t mesh) const { return meshes[mesh].border; }
    const std::vector<WEEdge*>& sharpEdges(size_t mesh) const { return meshes[mesh].sharp; }

    // Cosine threshold of the sharp test for a dihedral angle in degrees:
    // two faces whose normals' dot product is below it meet at a sharper
    // angle. -1 for angle 0 (nothing is sharp).
    static double sharpThreshold(double angle);
    // Whether a face normal gives the face a side: finite and not zero.
    static bool hasSide(const SbVec3f& normal);

private:
    // Bookkeeping bits of the selection in the edges' flags words, beside
    // the marks above: in the selection, and listed in `selection`.
    enum { IN_SELECTION = 64, LISTED = 128 };
    // A face's flags word during a run: CHUNK_FACE, RECORDED while a repair
    // has recorded the face, and the counter from bit 8 up.
    enum { RECORDED = 2 };
    static const int kCounterShift = 8;

    // What is cached per mesh from the classification.
    struct MeshCache {
        std::vector<WEEdge*> border;
        std::vector<WEEdge*> sharp;
        // Perspective only, by face id: normal and first corner.
        std::vector<SbVec3f> faceNormal;
        std::vector<SbVec3f> facePoint;
        // Perspective only: the two-sided edges whose faces both have a
        // side, in list order, and the ids of their left and right faces in
        // pairs. The per-frame pass streams only the ids.
        std::vector<WEEdge*> twoSided;
        std::vector<int32_t> twoSidedFaces;
    };

    void classify(WingedEdgeList& list, double angle);
    void buildFaceArrays(WingedEdgeList& list);
    std::vector<int32_t> selectedMeshes(const WingedEdgeList& list, int32_t shapeKey) const;

    // The selection of one mesh: edges in the order they were selected, and
    // for every face and vertex the number of selected edges touching it.
    // The arrays keep their size between runs; output() clears exactly the
    // entries the run touched.
    bool contains(const WEEdge* edge) const { return (edge->flags & IN_SELECTION) != 0; }
    void add(WEEdge* edge);
    void remove(WEEdge* edge) { edge->flags &= ~IN_SELECTION; }
    // The counters live in the records' flags words while a run lasts: a
    // vertex's whole word, a face's word above its mark bits. The records
    // are at hand whenever a counter is, so no table by id has to be read.
    static int counter(const WEFace* face) { return face->flags >> kCounterShift; }
    static int counter(const WEVertex* vertex) { return vertex->flags; }
    static void bump(WEFace* face, int delta) { face->flags += delta * (1 << kCounterShift); }
    static void bump(WEVertex* vertex, int delta) { vertex->flags += delta; }
    // Adds delta to the counters of the edge's vertices, and of its faces
    // unless onlyVertices.
    void count(const WEEdge* edge, int delta, bool onlyVertices = false);

    // Marks a face as recorded by a repair; false when it was already.
    // forget() clears the marks of the faces a repair recorded.
    static bool record(WEFace* face);
    static void forget(const std::vector<WEFace*>& faces);
    void addBorderEdges(size_t mesh);
    void addSilhouetteEdges(void);
    void repairTriangleChunks(const SbVec3f& reference);
    // Runs the chunk tracer from `start`, entering along the silhouette edge
    // `entry` that arrives from outside the chunk.
    void traceChunk(WEVertex* start, WEEdge* entry, const SbVec3f& reference);
    void repairZigZags(const SbVec3f* eye, const SbVec3f* direction);
    void output(int32_t mesh, std::vector<Edge>& out);

    bool classified = false;
    bool faceArrays = false;
    int classifications = 0;
    std::vector<MeshCache> meshes;

    std::vector<WEEdge*> selection;   // in selection order; removed edges are skipped
    std::vector<uint8_t> facing;      // by face id, perspective: turned towards the eye
    std::vector<WEEdge*> found;       // silhouette edges of one mesh, before they are added
};

#endif // QUILLMAP_SILHOUETTEEXTRACTOR_H
