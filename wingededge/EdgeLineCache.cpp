// Edges of winged-edge meshes as two-point line strips.

#include "wingededge/EdgeLineCache.h"

#include <algorithm>

#include "wingededge/WingedEdge.h"

void EdgeLineCache::rebuild(const WingedEdgeList& list, bool onlyFlagged)
{
    points.clear();
    strips.clear();
    // One number per vertex of each mesh, by vertex id; -1 until numbered.
    std::vector<int32_t> number;
    for (const WingedEdgeMesh& mesh : list.meshes) {
        int32_t largestId = -1;
        for (const WEVertex& vertex : mesh.vertices)
            largestId = std::max(largestId, vertex.id);
        number.assign(size_t(largestId + 1), -1);
        auto numberOf = [&](const WEVertex* vertex) {
            int32_t& n = number[size_t(vertex->id)];
            if (n < 0) {
                n = int32_t(points.size());
                points.push_back(vertex->position);
            }
            return n;
        };
        for (const WEEdge& edge : mesh.edges) {
            if (onlyFlagged && edge.flags == 0)
                continue;
            if (edge.startVertex == nullptr || edge.endVertex == nullptr || edge.startVertex->id < 0 ||
                edge.endVertex->id < 0 || edge.startVertex->id > largestId || edge.endVertex->id > largestId)
                continue;
            const int32_t start = numberOf(edge.startVertex);
            const int32_t end = numberOf(edge.endVertex);
            strips.push_back(start);
            strips.push_back(end);
            strips.push_back(-1);
        }
    }
}
