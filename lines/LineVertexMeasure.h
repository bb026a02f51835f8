#ifndef QUILLMAP_LINEVERTEXMEASURE_H
#define QUILLMAP_LINEVERTEXMEASURE_H

// Screen lengths and depths of the line vertices in the traversal state, as
// the measuring line nodes take them: the coordinates in force seen through
// the projection of the state. An index without a coordinate is never read;
// it is counted, measures 0, and is reported once per pass.

#include <Inventor/elements/SoCoordinateElement.h>

#include <cstdint>

#include "lines/ScreenProjection.h"

class SoState;

class LineVertexMeasure {
public:
    // Takes the coordinate element (capturing it into an open render cache)
    // and the projection of `state`.
    explicit LineVertexMeasure(SoState* state);

    int32_t coordinateCount(void) const { return count; }

    // Screen distance between the vertices of two coordinate indices; 0 if
    // either has no coordinate.
    float distance(int32_t from, int32_t to) const;
    // Distance in front of the eye, and the same from 0 at the near to 1 at
    // the far plane; 0 for an index without a coordinate.
    float eyeDepth(int32_t index) const;
    float normalizedDepth(int32_t index) const;

    // Posts one SoDebugError from `where` if any index measured so far had no
    // coordinate.
    void reportBadIndices(const char* where) const;

private:
    bool valid(int32_t index) const;

    const SoCoordinateElement* coordinates;
    int32_t count;
    ScreenProjection projection;
    mutable int32_t badIndices = 0;
    mutable int32_t firstBadIndex = 0;
};

#endif // QUILLMAP_LINEVERTEXMEASURE_H
