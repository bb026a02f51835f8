#ifndef QUILLMAP_SOLINESUBDIVIDER_H
#define QUILLMAP_SOLINESUBDIVIDER_H

// Evens out the strips of the line state on the screen: every segment is cut
// into equal pieces about `subdivideLength` long, and segments shorter than
// that lose their start vertex (see LineResampling.h). Dense, even vertices
// let a perturbator or a texture follow the stroke smoothly.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFEnum.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>

#include "lines/SoLineModifier.h"

class SoLineSubdivider : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineSubdivider);

public:
    enum SubdivideMethod {
        REGULAR = 0,
        RANDOM = 1
    };

    SoSFFloat subdivideLength;
    SoSFInt32 numSubdivides;
    SoSFEnum subdivideMethod;

    static void initClass(void);
    SoLineSubdivider(void);

    void doAction(SoAction* action) override;

protected:
    ~SoLineSubdivider() override;

private:
    // What the elements point at: the result of the last PIXEL_BASED run.
    SoMFVec3f coordinatesOutput;
    SoMFInt32 indicesOutput;
    SoMFFloat parametersOutput;
    bool parametersWritten = false;
};

#endif // QUILLMAP_SOLINESUBDIVIDER_H
