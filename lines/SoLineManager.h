#ifndef QUILLMAP_SOLINEMANAGER_H
#define QUILLMAP_SOLINEMANAGER_H

// A source of lines: puts the coordinates and strips held in its own fields
// into the line state, so that a line chain can start from lines written in
// a scene file or set by an application instead of extracted from a model.

#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoLineManager : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoLineManager);

public:
    SoMFVec3f coordinates;
    SoMFInt32 coordinateIndices;
    SoMFVec3f normals;

    static void initClass(void);
    SoLineManager(void);

    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;

protected:
    ~SoLineManager() override;
};

#endif // QUILLMAP_SOLINEMANAGER_H
