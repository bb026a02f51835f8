#ifndef QUILLMAP_TESTS_TESTNODES_H
#define QUILLMAP_TESTS_TESTNODES_H

// Small nodes that tests put into scenes: a source of a winged-edge list the
// test owns, a node that sets incoming lines as an upstream line node would,
// and a recorder of the lines in force.

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <vector>

class WingedEdgeList;

// Publishes `list` in SoWingedEdgeElement in every action.
class ListSource : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(ListSource);

public:
    WingedEdgeList* list = nullptr;
    static void initClass(void);
    ListSource(void);
    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override { doAction(action); }
    void callback(SoCallbackAction* action) override { doAction(action); }
    void getBoundingBox(SoGetBoundingBoxAction* action) override { doAction(action); }

protected:
    ~ListSource() override {}
};

// Sets its points and indices as the coordinates and line indices while
// rendering.
class IncomingLines : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(IncomingLines);

public:
    SoMFVec3f points;
    SoMFInt32 indices;
    static void initClass(void);
    IncomingLines(void);
    void GLRender(SoGLRenderAction* action) override;

protected:
    ~IncomingLines() override {}
};

// Sets the per-vertex line attributes while rendering: each element whose
// field holds values (a field starts empty) is set to them.
class LineAttributes : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(LineAttributes);

public:
    SoMFFloat thicknesses;
    SoMFVec2f directions;
    SoMFFloat textureCoordinates;
    SoMFFloat parameters;
    static void initClass(void);
    LineAttributes(void);
    void GLRender(SoGLRenderAction* action) override;

protected:
    ~LineAttributes() override {}
};

// Records the coordinates, line indices and parameterization in force while
// rendering.
class LineRecorder : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(LineRecorder);

public:
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    // The parameterization in force (empty when no node set one).
    std::vector<float> parameters;
    int renders = 0;
    static void initClass(void);
    LineRecorder(void);
    void GLRender(SoGLRenderAction* action) override;

protected:
    ~LineRecorder() override {}
};

// Registers the classes above once.
void registerTestNodes(void);

#endif // QUILLMAP_TESTS_TESTNODES_H
