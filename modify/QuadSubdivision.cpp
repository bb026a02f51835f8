// NOT WRITTEN YET: subdivideDooSabin, subdivideCatmullClark.
#include "wingededge/WingedEdge.h"

void WingedEdgeMesh::subdivideDooSabin(void) {}
void WingedEdgeMesh::subdivideCatmullClark(bool) {}
