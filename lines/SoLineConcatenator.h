#ifndef QUILLMAP_SOLINECONCATENATOR_H
#define QUILLMAP_SOLINECONCATENATOR_H

// Joins the two-point strips of the line index list that meet end to end
// into long strips, so that a stroke can run along a whole silhouette curve.
// It reads and sets only the index list, so it belongs before the nodes that
// attach per-entry attributes to the lines.

#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/nodes/SoSubNode.h>

#include "lines/SoLineModifier.h"

class SoLineConcatenator : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineConcatenator);

public:
    static void initClass(void);
    SoLineConcatenator(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineConcatenator() override;

private:
    // The joined index list the element points at while the traversal reads it.
    SoMFInt32 indicesOutput;
};

#endif // QUILLMAP_SOLINECONCATENATOR_H
