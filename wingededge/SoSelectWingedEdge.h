#ifndef QUILLMAP_SOSELECTWINGEDEDGE_H
#define QUILLMAP_SOSELECTWINGEDEDGE_H

// Makes the winged-edge list that an SoStoreWingedEdge remembered current
// again.

#include <Inventor/fields/SoSFNode.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

class SoSelectWingedEdge : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoSelectWingedEdge);

public:
    SoSFNode PointerOfStoreWEField;

    static void initClass(void);
    SoSelectWingedEdge(void);

    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;

protected:
    ~SoSelectWingedEdge() override;

private:
    void select(SoAction* action);
};

#endif // QUILLMAP_SOSELECTWINGEDEDGE_H
