#ifndef QUILLMAP_TESTS_MESHCOMPARE_H
#define QUILLMAP_TESTS_MESHCOMPARE_H

// Field-by-field comparison of two meshes, for tests.

#include "wingededge/WingedEdge.h"

// Expects the same records in the same list order with the same field
// values; handles are compared by the ids they lead to.
void expectSameMesh(const WingedEdgeMesh& a, const WingedEdgeMesh& b);

#endif // QUILLMAP_TESTS_MESHCOMPARE_H
