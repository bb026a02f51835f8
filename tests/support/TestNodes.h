#ifndef QUILLMAP_TESTS_TESTNODES_H
#define QUILLMAP_TESTS_TESTNODES_H

// Small nodes that tests put into scenes: a source of a winged-edge list the
// test owns, a node that sets lines as an upstream line node would, and a
// recorder of the lines in force.

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoPickAction.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBitMask.h>
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

// Sets lines as an upstream line node would, while rendering, in callback
// traversals and while picking: the coordinates, the line indices and each
// per-vertex attribute whose field holds values. Every field starts empty,
// and an empty field leaves its element alone unless `setWhenEmpty` names
// it; then the element is set to an empty list.
class LineSource : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(LineSource);

public:
    enum Element {
        COORDINATES = 0x01,
        INDICES = 0x02,
        PARAMETERS = 0x04,
        TEXTURE_COORDINATES = 0x08,
        THICKNESSES = 0x10,
        DIRECTIONS = 0x20,
        ALL = 0x3f
    };

    SoMFVec3f points;
    SoMFInt32 indices;
    SoMFFloat parameters;
    SoMFFloat textureCoordinates;
    SoMFFloat thicknesses;
    SoMFVec2f directions;
    SoSFBitMask setWhenEmpty;

    static void initClass(void);
    LineSource(void);
    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override { doAction(action); }
    void callback(SoCallbackAction* action) override { doAction(action); }
    void pick(SoPickAction* action) override { doAction(action); }

    // Sets the line elements from the given fields on behalf of `node`, as
    // described above; for line nodes of a test that keep fields of their own.
    static void setElements(SoState* state, SoNode* node, const SoMFVec3f& points, const SoMFInt32& indices,
                            const SoMFFloat& parameters, const SoMFFloat& textureCoordinates,
                            const SoMFFloat& thicknesses, const SoMFVec2f& directions, int setWhenEmpty);

protected:
    ~LineSource() override {}
};

// Records the line state in force each time it is traversed (rendering,
// callback or pick): copies of the coordinates and of every line element,
// and where the coordinate, index and parameter arrays live. An element
// without values is recorded as an empty list.
class LineRecorder : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(LineRecorder);

public:
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    // The parameterization in force (empty when no node set one).
    std::vector<float> parameters;
    std::vector<float> textureCoordinates;
    std::vector<float> thicknesses;
    std::vector<SbVec2f> directions;
    // Whether the index element holds no array at all.
    bool nullIndices = false;
    const SbVec3f* pointArray = nullptr;
    const int32_t* indexArray = nullptr;
    const float* parameterArray = nullptr;
    int visits = 0;

    static void initClass(void);
    LineRecorder(void);
    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override { doAction(action); }
    void callback(SoCallbackAction* action) override { doAction(action); }
    void pick(SoPickAction* action) override { doAction(action); }

protected:
    ~LineRecorder() override {}
};

// Registers the classes above once.
void registerTestNodes(void);

#endif // QUILLMAP_TESTS_TESTNODES_H
