// Face centroids for the curvature estimates and the mesh passes.

#include "modify/FaceCentroids.h"

#include "util/Vec.h"
#include "wingededge/WingedEdge.h"

#include <Inventor/errors/SoDebugError.h>

#include <algorithm>

// Every corner of a face's loop is an end of exactly two of the face's
// edges, so half the sum of all edge ends over the edge count is the corner
// average; no walk along the wings is needed, and a face whose wings are
// damaged still gets the average of its corners.
std::vector<SbVec3f> faceCentroids(const WingedEdgeMesh& mesh)
{
    int32_t largest = -1;
    for (const WEFace& f : mesh.faces)
        largest = std::max(largest, f.id);
    std::vector<SbVec3f> centroids(size_t(largest + 1), SbVec3f(0.0f, 0.0f, 0.0f));

    int negative = 0;
    for (const WEFace& f : mesh.faces) {
        if (f.id < 0) {
            ++negative;
            continue;
        }
        if (f.edges.empty())
            continue;
        Vec3d sum;
        for (const WEEdge* e : f.edges)
            sum = sum + (Vec3d::of(e->startVertex->position) + Vec3d::of(e->endVertex->position));
        const double corners = 2.0 * double(f.edges.size());
        centroids[size_t(f.id)].setValue(float(sum.x / corners), float(sum.y / corners), float(sum.z / corners));
    }
    if (negative > 0)
        SoDebugError::post("faceCentroids", "%d face(s) with a negative id left out; ids must be 0 or more",
                           negative);
    return centroids;
}
