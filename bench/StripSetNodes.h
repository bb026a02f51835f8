#ifndef QUILLMAP_BENCH_STRIPSETNODES_H
#define QUILLMAP_BENCH_STRIPSETNODES_H

// Generated meshes as the Inventor nodes a model file would hold, for the
// benchmarks that render them.

#include "wingededge/WingedEdge.h"

class SoGroup;
class SoIndexedTriangleStripSet;

// Adds an SoCoordinate3, an SoNormal with per-vertex indexed binding and an
// SoIndexedTriangleStripSet holding the strips (separated by -1) to `parent`;
// returns the strip set.
SoIndexedTriangleStripSet* addStripSet(const StripInput& in, SoGroup* parent);

#endif // QUILLMAP_BENCH_STRIPSETNODES_H
