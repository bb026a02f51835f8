#ifndef QUILLMAP_SOLINECOORDINATEORIENTATION_H
#define QUILLMAP_SOLINECOORDINATEORIENTATION_H

// Attaches to every vertex entry of the line index list the screen direction
// of its stroke there, from which the stroke nodes orient the stroke's width.

#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/nodes/SoSubNode.h>

#include "lines/SoLineModifier.h"

class SoPickAction;

class SoLineCoordinateOrientation : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineCoordinateOrientation);

public:
    static void initClass(void);
    SoLineCoordinateOrientation(void);

    void doAction(SoAction* action) override;
    // Lines are not picked.
    void pick(SoPickAction* action) override;

protected:
    ~SoLineCoordinateOrientation() override;

private:
    // One direction per vertex entry, which the element points at.
    SoMFVec2f directionsOutput;
};

#endif // QUILLMAP_SOLINECOORDINATEORIENTATION_H
