#ifndef QUILLMAP_SOSTOREWINGEDEDGE_H
#define QUILLMAP_SOSTOREWINGEDEDGE_H

// Remembers the winged-edge list in force under this node's own identity, so
// that an SoSelectWingedEdge later in the traversal can make it current
// again after other generators have published theirs.

#include <Inventor/fields/SoSFNode.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoStoreWingedEdge : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoStoreWingedEdge);

public:
    SoSFNode PointerOfMeField;

    static void initClass(void);
    SoStoreWingedEdge(void);

    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;
    void pick(SoPickAction* action) override;
    void getBoundingBox(SoGetBoundingBoxAction* action) override;

protected:
    ~SoStoreWingedEdge() override;

private:
    void store(SoAction* action);
};

#endif // QUILLMAP_SOSTOREWINGEDEDGE_H
