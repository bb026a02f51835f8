#ifndef QUILLMAP_SOWINGEDEDGEOUTPUT_H
#define QUILLMAP_SOWINGEDEDGEOUTPUT_H

// Writes the winged-edge meshes in force to a VRML 2.0 or Open Inventor 2.1
// file, once per request. Placed after the modification node, it writes the
// meshes as refined.

#include <Inventor/fields/SoSFString.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <cstdint>

class SoWingedEdgeOutput : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoWingedEdgeOutput);

public:
    SoSFString filename;

    static void initClass(void);
    SoWingedEdgeOutput(void);

    // The next traversal writes the meshes as VRML 2.0, or as Open Inventor
    // 2.1, to `filename`.
    void requestVRMLOutput(void);
    void requestInventorOutput(void);

    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;

protected:
    ~SoWingedEdgeOutput() override;

private:
    // Whether the last request has been served (or failed and was reported).
    bool written = true;
    // 1 VRML 2.0, 2 Open Inventor 2.1.
    int32_t format = 1;
};

#endif // QUILLMAP_SOWINGEDEDGEOUTPUT_H
