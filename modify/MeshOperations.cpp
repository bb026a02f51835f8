// NOT WRITTEN YET: mergeCloseVertices, mergeCoplanarFaces, markSharpEdges, smoothStep and the list operations.
#include "wingededge/WingedEdge.h"

void WingedEdgeMesh::mergeCloseVertices(double) {}
void WingedEdgeMesh::mergeCoplanarFaces(double) {}
void WingedEdgeMesh::markSharpEdges(double) {}
void WingedEdgeMesh::smoothStep(double, bool) {}
void WingedEdgeList::connectMeshes(void) {}
void WingedEdgeList::mergeCoplanarFaces(double) {}
void WingedEdgeList::markSharpEdges(double) {}
int WingedEdgeList::divide(int, int, int64_t) { return 0; }
int WingedEdgeList::subdivide(int, int, int64_t) { return 0; }
int WingedEdgeList::subdivideAdaptively(int, int, int64_t) { return 0; }
void WingedEdgeList::smooth(int, double) {}
void WingedEdgeList::rebuildInPlace(void) {}
