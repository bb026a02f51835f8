// The orthographic silhouette search on the Gauss map: filing the edges'
// arcs by cube face and grid cell, and finding the arcs that meet the view's
// great circle.

#include "lines/GaussMap.h"

#include <Inventor/errors/SoDebugError.h>

#include <cmath>
#include <limits>

namespace {

const std::vector<GaussMapSearch::ArcPiece> kNoPieces;

bool crosses(const SbVec3d& view, const CubeFaceFrame& frame, const GaussMapSearch::ArcPiece& piece)
{
    return crossesViewPlane(viewPlaneSide(view, frame, piece.p0), viewPlaneSide(view, frame, piece.p1));
}

} // namespace

void GaussMapSearch::clear(void)
{
    meshes.clear();
    grid = false;
    tested = 0;
}

void GaussMapSearch::build(WingedEdgeList& list, bool gridMode)
{
    clear();
    grid = gridMode;
    meshes.resize(list.meshes.size());
    int unusable = 0;
    CubeFaceSegment segments[kCubeFaceCount];
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        MeshMap& map = meshes[m];
        for (WEEdge& edge : list.meshes[m].edges) {
            if (edge.leftFace == nullptr || edge.rightFace == nullptr)
                continue;
            const SbVec3d from(edge.leftFace->normal), to(edge.rightFace->normal);
            if (!isDirection(from) || !isDirection(to)) {
                ++unusable;
                continue;
            }
            // The edge direction only decides which half circle joins two
            // opposite normals.
            SbVec3d direction(0.0, 0.0, 0.0);
            if (edge.startVertex != nullptr && edge.endVertex != nullptr)
                direction = SbVec3d(edge.endVertex->position) - SbVec3d(edge.startVertex->position);
            GaussArc arc;
            if (!makeGaussArc(from, to, direction, arc))
                continue; // equal normals: the arc is a point, never a crossing
            const int count = gaussArcPieces(arc, segments);
            for (int i = 0; i < count; ++i)
                map[size_t(segments[i].face)].pieces.push_back(ArcPiece{ &edge, segments[i].p0, segments[i].p1, 0 });
        }
        if (grid)
            for (FaceMap& face : map)
                fileInCells(face);
    }
    stamp = 0;
    if (unusable > 0)
        SoDebugError::post("GaussMapSearch::build",
                           "%d edge(s) left out of the Gauss map: a face normal is zero or not finite", unusable);
}

int GaussMapSearch::gridSizeFor(size_t pieces)
{
    const int largest = 1023;
    const double side = std::ceil(std::sqrt(double(pieces)));
    return side <= kGaussGridSize ? kGaussGridSize : side >= largest ? largest : int(side);
}

int GaussMapSearch::gridSize(size_t mesh, int cubeFace) const
{
    if (mesh >= meshes.size() || cubeFace < 0 || cubeFace >= kCubeFaceCount)
        return 0;
    return meshes[mesh][size_t(cubeFace)].gridSize;
}

void GaussMapSearch::fileInCells(FaceMap& map)
{
    map.gridSize = gridSizeFor(map.pieces.size());
    const size_t cellCount = size_t(map.gridSize) * size_t(map.gridSize);
    // Room for the cells of any chord, so that queries do not allocate: a
    // segment passes fewer than two cells per column, and the slack of the
    // listing may add one on either side of each column.
    cellBuffer.reserve(4 * size_t(map.gridSize) + 4);
    // Every piece's cells in one run.
    const size_t n = map.pieces.size();
    std::vector<int32_t> cells;
    std::vector<size_t> start(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        rasterizeGaussGrid(map.pieces[i].p0, map.pieces[i].p1, cells, map.gridSize);
        start[i + 1] = cells.size();
    }
    // The pieces in the order of their first cell (column by column), so
    // that the pieces of neighbouring cells along a chord lie near each
    // other in memory; a query then reads them in a few runs instead of one
    // scattered load each.
    std::vector<int32_t> bucket(cellCount + 1, 0);
    for (size_t i = 0; i < n; ++i)
        if (start[i + 1] > start[i])
            ++bucket[size_t(cells[start[i]]) + 1];
    for (size_t c = 0; c < cellCount; ++c)
        bucket[c + 1] += bucket[c];
    std::vector<int32_t> order(n);
    size_t unfiled = size_t(bucket[cellCount]);
    for (size_t i = 0; i < n; ++i)
        order[start[i + 1] > start[i] ? size_t(bucket[size_t(cells[start[i]])]++) : unfiled++] = int32_t(i);
    std::vector<ArcPiece> sorted;
    sorted.reserve(n);
    for (int32_t i : order)
        sorted.push_back(map.pieces[size_t(i)]);
    map.pieces.swap(sorted);

    // A counting sort of the cell entries by cell, each cell's pieces in
    // their new order.
    map.cellStart.assign(cellCount + 1, 0);
    for (int32_t cell : cells)
        ++map.cellStart[size_t(cell) + 1];
    for (size_t c = 0; c < cellCount; ++c)
        map.cellStart[c + 1] += map.cellStart[c];
    std::vector<int32_t> next(map.cellStart.begin(), map.cellStart.end() - 1);
    map.cellPieces.resize(cells.size());
    for (size_t p = 0; p < n; ++p) {
        const size_t i = size_t(order[p]);
        for (size_t k = start[i]; k < start[i + 1]; ++k)
            map.cellPieces[size_t(next[size_t(cells[k])]++)] = int32_t(p);
    }
}

const std::vector<GaussMapSearch::ArcPiece>& GaussMapSearch::pieces(size_t mesh, int cubeFace) const
{
    CubeFaceFrame frame;
    if (!cubeFaceFrame(cubeFace, frame) || mesh >= meshes.size())
        return kNoPieces;
    return meshes[mesh][size_t(cubeFace)].pieces;
}

void GaussMapSearch::query(size_t mesh, const SbVec3f& d, const EdgeCallback& found)
{
    auto report = [&found](WEEdge* edge, int) { found(edge); };
    search(mesh, d, report);
}

void GaussMapSearch::queryWithCubeFaces(size_t mesh, const SbVec3f& d, const FaceEdgeCallback& found)
{
    search(mesh, d, found);
}

template <class Found>
void GaussMapSearch::search(size_t mesh, const SbVec3f& d, Found& found)
{
    tested = 0;
    if (mesh >= meshes.size()) {
        SoDebugError::post("GaussMapSearch::query", "mesh %lu was not built (%lu meshes)", (unsigned long)mesh,
                           (unsigned long)meshes.size());
        return;
    }
    const SbVec3d view(d);
    if (!isDirection(view)) {
        SoDebugError::post("GaussMapSearch::query", "view direction (%g, %g, %g) is zero or not finite", d[0], d[1],
                           d[2]);
        return;
    }
    // The view's circle on every face whose closed square it meets; a
    // crossing on a cube edge or corner is then looked for on each face
    // holding it, and one of them holds a piece of the arc through it.
    CubeChords contacts;
    planeCubeContacts(view, contacts);
    const int32_t query = grid ? nextStamp() : 0;
    for (int face = 0; face < kCubeFaceCount; ++face) {
        FaceMap& map = meshes[mesh][size_t(face)];
        if (!contacts[size_t(face)].present || map.pieces.empty())
            continue;
        if (grid) {
            searchCells(map, face, view, contacts[size_t(face)], query, found);
            continue;
        }
        CubeFaceFrame frame;
        cubeFaceFrame(face, frame);
        tested += map.pieces.size();
        for (const ArcPiece& piece : map.pieces)
            if (crosses(view, frame, piece))
                found(piece.edge, face);
    }
}

template <class Found>
void GaussMapSearch::searchCells(FaceMap& map, int face, const SbVec3d& view, const CubeChord& chord, int32_t query,
                                 Found& found)
{
    CubeFaceFrame frame;
    cubeFaceFrame(face, frame);
    cellBuffer.clear();
    rasterizeGaussGrid(cubeFaceCoordinates(face, chord.a), cubeFaceCoordinates(face, chord.b), cellBuffer,
                       map.gridSize);
    // The cells' lists and pieces lie apart in memory: asking for all of
    // them first lets the loads overlap instead of waiting for each in turn.
    for (int32_t cell : cellBuffer)
        __builtin_prefetch(&map.cellPieces[size_t(map.cellStart[size_t(cell)])]);
    for (int32_t cell : cellBuffer)
        for (int32_t k = map.cellStart[size_t(cell)]; k < map.cellStart[size_t(cell) + 1]; ++k)
            __builtin_prefetch(&map.pieces[size_t(map.cellPieces[size_t(k)])]);
    for (int32_t cell : cellBuffer)
        for (int32_t k = map.cellStart[size_t(cell)]; k < map.cellStart[size_t(cell) + 1]; ++k) {
            ArcPiece& piece = map.pieces[size_t(map.cellPieces[size_t(k)])];
            // A piece passes several cells along the chord; test it once.
            if (piece.tested == query)
                continue;
            piece.tested = query;
            ++tested;
            if (crosses(view, frame, piece))
                found(piece.edge, face);
        }
}

int32_t GaussMapSearch::nextStamp(void)
{
    if (stamp == std::numeric_limits<int32_t>::max()) {
        for (MeshMap& mesh : meshes)
            for (FaceMap& face : mesh)
                for (ArcPiece& piece : face.pieces)
                    piece.tested = 0;
        stamp = 0;
    }
    return ++stamp;
}
