#ifndef QUILLMAP_TESTS_COINSHAPES_H
#define QUILLMAP_TESTS_COINSHAPES_H

// What Coin itself makes of the shapes below a node, taken from the triangle
// callback of an SoCallbackAction: the reference for what a mesh build must
// hold, independent of how the builder joins corners.

#include <Inventor/SbBox3f.h>

#include <vector>

class SoNode;

struct CoinShape {
    // Triangles that are faces: no two corners are the same point of the
    // model (the same coordinate index where Coin names the triangle's three
    // points, the same position where it names no points of its own).
    int faces = 0;
    // The box of those triangles in the coordinates of the node applied to.
    SbBox3f box;
};

// Every shape with at least one face, in traversal order.
std::vector<CoinShape> coinShapes(SoNode* root);

// The faces of all shapes together.
int coinFaceCount(const std::vector<CoinShape>& shapes);

#endif // QUILLMAP_TESTS_COINSHAPES_H
