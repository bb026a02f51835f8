#ifndef QUILLMAP_SOLINEHIDDENLINEREMOVER_H
#define QUILLMAP_SOLINEHIDDENLINEREMOVER_H

// Cuts away the parts of the line strips that the surfaces drawn earlier in
// the frame hide, by sampling the strips' screen projection against the
// depth buffer. The surfaces that may hide the lines must come before this
// node in the scene.

#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/nodes/SoSubNode.h>

#include "lines/HiddenLineSplitter.h"
#include "lines/SoLineModifier.h"

class SoLineHiddenLineRemover : public SoLineModifier {
    typedef SoLineModifier inherited;

    SO_NODE_HEADER(SoLineHiddenLineRemover);

public:
    SoSFFloat maximalError;
    SoSFBool active;

    static void initClass(void);
    SoLineHiddenLineRemover(void);

    // Splits the lines in a render traversal, against the depth buffer,
    // viewport and matrices of the current OpenGL context. Any other action
    // (a callback traversal has no context, and no frame being drawn) passes
    // the lines on unchanged: the node sets nothing and touches no GL state.
    void doAction(SoAction* action) override;

protected:
    ~SoLineHiddenLineRemover() override;

private:
    // The result the elements point at while the traversal reads it.
    SoMFVec3f coordinatesOutput;
    SoMFInt32 indicesOutput;
    SoMFFloat parametersOutput;
    HiddenLineSplitter splitter;
};

#endif // QUILLMAP_SOLINEHIDDENLINEREMOVER_H
