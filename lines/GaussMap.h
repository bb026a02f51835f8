#ifndef QUILLMAP_GAUSSMAP_H
#define QUILLMAP_GAUSSMAP_H

// Output-sensitive search for the silhouette edges of winged-edge meshes in a
// parallel view, on the Gauss map laid out on the cube [-1, 1]^3 (Benichou and
// Elber, "Output sensitive extraction of silhouettes from polygonal
// geometry", 1999; the geometry is in GaussMapGeometry.h).
//
// Seen along direction d, an edge is a silhouette edge when its two face
// normals lie on different sides of the plane through the origin
// perpendicular to d. On the Gauss sphere the edge is the great-circle arc
// from its leftFace normal to its rightFace normal, the view is the great
// circle perpendicular to d, and the silhouette edges are the arcs that meet
// that circle. build() files each arc's straight pieces by mesh and cube
// face (and, in grid mode, by the cells of a grid over the face they pass);
// query() tests only the pieces on the faces the view's circle crosses, and
// in grid mode only those in the cells its chord passes, so a camera move
// costs the arcs near the silhouette rather than every face.
//
// The grid has 31 x 31 cells, or more on a face that holds many pieces:
// about one cell per piece, so that the cells along a chord hold a few
// pieces each however fine the mesh (a fixed grid would make every query
// test a share of all pieces). The grid only chooses which pieces are
// tested; the edges found do not depend on its size.
//
// What counts as meeting the circle: an edge is reported when its closed arc
// meets the closed circle, that is when (d . nL) * (d . nR) <= 0 for its face
// normals nL, nR; a normal exactly perpendicular to d (crossing parameter 0
// or 1) counts. Edges whose two normals point the same way have no arc (a
// point) and are never reported, nor are border edges (one face) or edges with a face
// normal that is zero or not finite (build reports how many). With normals
// this close to perpendicular (within about 1e-12) rounding decides.

#include <Inventor/SbVec2d.h>
#include <Inventor/SbVec3f.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "lines/GaussMapGeometry.h"
#include "wingededge/WingedEdge.h"

class GaussMapSearch {
public:
    // One piece of an edge's arc on one cube face, end points in the face's
    // (u, v) coordinates.
    struct ArcPiece {
        WEEdge* edge;
        SbVec2d p0;
        SbVec2d p1;
        // Grid mode: the last query that tested the piece (a piece passes
        // several cells of a chord and is tested once), kept with the piece
        // so that a test reads one place in memory.
        int32_t tested;
    };

    typedef std::function<void(WEEdge* edge)> EdgeCallback;
    typedef std::function<void(WEEdge* edge, int cubeFace)> FaceEdgeCallback;

    // Files the arcs of every edge with two faces of every mesh of the list,
    // by the mesh's index in the list. With gridMode the pieces also go into
    // the grid cells of their faces. The list is not changed; it must not
    // change while the structures are in use (build again after any change:
    // the structures hold pointers to the edges). Queries touch only the
    // records of the edges they report.
    void build(WingedEdgeList& list, bool gridMode);
    // Forgets everything built.
    void clear(void);

    bool isGridMode(void) const { return grid; }
    // Cells a side of the grid of a mesh's cube face (0 when not in grid mode
    // or not built).
    int gridSize(size_t mesh, int cubeFace) const;
    // The grid size for a face holding `pieces` arc pieces.
    static int gridSizeFor(size_t pieces);
    size_t meshCount(void) const { return meshes.size(); }

    // Calls found(edge) for every silhouette edge of the mesh seen along d
    // (object space, any length), at most once per cube face the view's
    // circle crosses, so an edge whose crossing lies on a cube edge or corner
    // may come more than once. A mesh index that was not built, or a d that
    // is zero or not finite, is reported through SoDebugError and gives
    // nothing.
    void query(size_t mesh, const SbVec3f& d, const EdgeCallback& found);
    // The same, telling the cube face on which the edge was found.
    void queryWithCubeFaces(size_t mesh, const SbVec3f& d, const FaceEdgeCallback& found);

    // The pieces filed for a mesh and cube face (empty for indices that were
    // not built; a face outside 0..5 also prints "Error: Cube has only 6
    // faces").
    const std::vector<ArcPiece>& pieces(size_t mesh, int cubeFace) const;
    // How many arc pieces the last query tested: the work it did.
    size_t lastTestCount(void) const { return tested; }

private:
    struct FaceMap {
        std::vector<ArcPiece> pieces;
        int gridSize = 0;
        // Grid mode: the pieces passing cell c are
        // cellPieces[cellStart[c] .. cellStart[c + 1]).
        std::vector<int32_t> cellStart;
        std::vector<int32_t> cellPieces;
    };
    typedef std::array<FaceMap, kCubeFaceCount> MeshMap;

    void fileInCells(FaceMap& map);
    template <class Found>
    void search(size_t mesh, const SbVec3f& d, Found& found);
    template <class Found>
    void searchCells(FaceMap& map, int face, const SbVec3d& view, const CubeChord& chord, int32_t query,
                     Found& found);
    // The stamp of a new grid query.
    int32_t nextStamp(void);

    std::vector<MeshMap> meshes;
    bool grid = false;
    size_t tested = 0;
    std::vector<int32_t> cellBuffer; // reused by every grid query
    // Grid queries count up from 1; before the count would overflow, every
    // piece's stamp is reset and counting starts again.
    int32_t stamp = 0;

    friend struct GaussMapSearchTestAccess;
};

#endif // QUILLMAP_GAUSSMAP_H
