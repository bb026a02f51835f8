#ifndef QUILLMAP_LINESTATECOPY_H
#define QUILLMAP_LINESTATECOPY_H

// The lines in force in a traversal state, as the resampling and perturbing
// line nodes read them, and the publishing of their results. The coordinates
// are copied (the coordinate element may hold homogeneous points); the index
// list and the parameterization are read where they are, which stays valid
// until the node writes its own fields, after it has computed its result.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>

#include <string>
#include <vector>

#include "lines/LineResampling.h"

class SoNode;
class SoState;

class LineStateCopy {
public:
    // Reads the coordinate, line index and parameterization elements,
    // capturing them into an open render cache.
    explicit LineStateCopy(SoState* state);

    const LineArrays& lines(void) const { return arrays; }
    // Whether a parameterization (more than one entry) is in force.
    bool parameterized(void) const;

    // Posts what a pass repaired in these lines, if anything, from `where`.
    void report(const char* where, const ResamplingReport& report) const;
    void report(const char* where, const StripWalkReport& report) const;

private:
    std::vector<SbVec3f> points;
    LineArrays arrays;
};

// Enables, for rendering and callback traversals, the elements a line node
// that reads and writes lines on the screen uses: coordinates and the line
// index list, the parameterization when `parameterization` is true, and for
// callback traversals the matrices, viewport and view volume of the screen
// projection. Called from the node's initClass.
void enableLineStateElements(bool parameterization);

// Copies `result` into the node's output fields and points the elements at
// them for the nodes that follow `node`: coordinates and indices always, the
// parameterization when the result has one. When it has none but one is in
// force (`parametersInForce`), the parameterization is set empty, so that no
// node below pairs it with the new index list.
void publishResampledLines(SoState* state, SoNode* node, const ResampledLines& result, bool parametersInForce,
                           SoMFVec3f& points, SoMFInt32& indices, SoMFFloat& parameters);

#endif // QUILLMAP_LINESTATECOPY_H
