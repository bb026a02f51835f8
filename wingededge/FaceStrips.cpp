// Growing triangle strips over the faces of a winged-edge mesh.

#include "wingededge/FaceStrips.h"

#include <algorithm>

int32_t FaceStrips::triangleCount(void) const
{
    int32_t triangles = 0;
    for (int32_t length : stripLengths)
        triangles += std::max(length - 2, 0);
    return triangles;
}

void frontCorners(const WEFace& face, std::vector<const WEVertex*>& corners)
{
    corners.clear();
    if (face.edges.empty())
        return;
    // Walk the edge cycle (clockwise from the normal side), then reverse it.
    const WEEdge* first = face.edges[0];
    const WEEdge* edge = first;
    const size_t limit = face.edges.size();
    do {
        if (edge->leftFace == &face) {
            corners.push_back(edge->startVertex);
            edge = edge->leftNext;
        } else if (edge->rightFace == &face) {
            corners.push_back(edge->endVertex);
            edge = edge->rightNext;
        } else {
            corners.clear();
            return;
        }
    } while (edge != nullptr && edge != first && corners.size() <= limit);
    if (edge != first || corners.size() != limit) {
        corners.clear();
        return;
    }
    std::reverse(corners.begin(), corners.end());
}

namespace {

// The face on the other side of the edge joining a and b in `face`, or null.
const WEFace* across(const WEFace& face, const WEVertex* a, const WEVertex* b)
{
    for (const WEEdge* edge : face.edges) {
        if ((edge->startVertex == a && edge->endVertex == b) || (edge->startVertex == b && edge->endVertex == a))
            return edge->leftFace == &face ? edge->rightFace : edge->leftFace;
    }
    return nullptr;
}

const WEVertex* thirdCorner(const WEFace& face, const WEVertex* a, const WEVertex* b)
{
    for (const WEEdge* edge : face.edges) {
        if (edge->startVertex != a && edge->startVertex != b)
            return edge->startVertex;
        if (edge->endVertex != a && edge->endVertex != b)
            return edge->endVertex;
    }
    return nullptr;
}

} // namespace

FaceStrips growFaceStrips(const WingedEdgeMesh& mesh)
{
    FaceStrips strips;
    int32_t largestId = -1;
    for (const WEFace& face : mesh.faces)
        largestId = std::max(largestId, face.id);
    std::vector<uint8_t> emitted(size_t(largestId + 1), 0);
    auto isFree = [&](const WEFace* face) {
        return face != nullptr && face->edges.size() == 3 && face->id >= 0 && face->id <= largestId &&
               !emitted[size_t(face->id)];
    };

    strips.vertices.reserve(size_t(mesh.faceCount) + size_t(mesh.faceCount) / 2 + 16);
    std::vector<const WEVertex*> corners;
    for (const WEFace& face : mesh.faces) {
        if (face.id < 0 || face.id > largestId || emitted[size_t(face.id)])
            continue;
        emitted[size_t(face.id)] = 1;
        frontCorners(face, corners);
        const size_t k = corners.size();
        if (k < 3)
            continue;
        if (k > 3) {
            // Zig-zag: c0, c1, c(k-1), c2, c(k-2), ...
            size_t low = 1, high = k - 1;
            strips.vertices.push_back(corners[0]);
            for (size_t n = 1; n < k; ++n)
                strips.vertices.push_back(n % 2 == 1 ? corners[low++] : corners[high--]);
            strips.stripLengths.push_back(int32_t(k));
            strips.faces.insert(strips.faces.end(), k - 2, &face);
            continue;
        }
        // Start with the rotation whose last edge leads on to a free triangle.
        int rotation = 0;
        for (int r = 0; r < 3; ++r) {
            if (isFree(across(face, corners[size_t(r + 1) % 3], corners[size_t(r + 2) % 3]))) {
                rotation = r;
                break;
            }
        }
        const size_t begin = strips.vertices.size();
        for (int i = 0; i < 3; ++i)
            strips.vertices.push_back(corners[size_t(rotation + i) % 3]);
        strips.faces.push_back(&face);
        const WEFace* current = &face;
        for (;;) {
            const size_t n = strips.vertices.size();
            const WEVertex* a = strips.vertices[n - 2];
            const WEVertex* b = strips.vertices[n - 1];
            const WEFace* next = across(*current, a, b);
            if (!isFree(next))
                break;
            const WEVertex* x = thirdCorner(*next, a, b);
            if (x == nullptr)
                break;
            emitted[size_t(next->id)] = 1;
            strips.vertices.push_back(x);
            strips.faces.push_back(next);
            current = next;
        }
        strips.stripLengths.push_back(int32_t(strips.vertices.size() - begin));
    }
    return strips;
}
