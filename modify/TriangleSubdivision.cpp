// NOT WRITTEN YET: triangulate, subdivideTriangles, markFacesForRefinement.
#include "wingededge/WingedEdge.h"

void WingedEdgeMesh::triangulate(void) {}
void WingedEdgeMesh::subdivideTriangles(int, bool, bool) {}
void WingedEdgeMesh::markFacesForRefinement(int, double, const SbViewVolume*, int, const std::vector<double>*) {}
