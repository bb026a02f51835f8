#ifndef QUILLMAP_SOLINEERASER_H
#define QUILLMAP_SOLINEERASER_H

// Removes every line from the line state, so that the nodes below it see no
// coordinates and no strips; prints the counts before and after.

#include <Inventor/fields/SoSFBool.h>

#include "lines/SoLineModifier.h"

class SoLineEraser : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineEraser);

public:
    SoSFBool active;

    static void initClass(void);
    SoLineEraser(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineEraser() override;
};

#endif // QUILLMAP_SOLINEERASER_H
