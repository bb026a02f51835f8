#ifndef QUILLMAP_SOGENERATEWINGEDEDGE_H
#define QUILLMAP_SOGENERATEWINGEDEDGE_H

// Group node that builds winged-edge meshes from the indexed triangle-strip
// sets below it (or, with buildFromAllShapes, from every shape that makes
// triangles) and publishes them in SoWingedEdgeElement before its children
// are traversed.

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSubNode.h>

#include "wingededge/WingedEdge.h"

class ShapeTriangles;
class SoIndexedTriangleStripSet;
class SoPath;
class SoPrimitiveVertex;
class SoShape;
struct StripInput;

// Maps the path from the generator to a strip set (or shape) to that mesh's
// object index; -1 keeps the default (its position in traversal order).
typedef int SoGenerateWingedEdgeObjectIndexCB(void* userData, SoPath* path);

class SoGenerateWingedEdge : public SoGroup {
    typedef SoGroup inherited;

    SO_NODE_HEADER(SoGenerateWingedEdge);

public:
    SoSFInt32 curvatureMode;
    SoSFFloat threshold;
    SoSFBool doBuildWingedEdge;
    SoSFInt32 visualizationMode;
    SoSFBool buildFromAllShapes;

    static void initClass(void);
    SoGenerateWingedEdge(void);

    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;
    void pick(SoPickAction* action) override;
    void getBoundingBox(SoGetBoundingBoxAction* action) override;

    // The next traversal searches the model again and rebuilds the meshes.
    void requestRebuild(void);
    // The next traversal replaces the published list by a fresh copy of the
    // meshes as built.
    void invalidateList(void);
    void invalidateRenderCache(void);
    void setVisualizationMode(int mode);
    int getOriginalFaceCount(void) const;
    // The list published to the nodes below and after this one.
    const WingedEdgeList& getOutputList(void) const { return outputList; }

    void setObjectIndexCallback(SoGenerateWingedEdgeObjectIndexCB* callback, void* userData);

protected:
    ~SoGenerateWingedEdge() override;

private:
    void update(SoAction* action);
    void rebuild(void);
    void addStripSet(SoCallbackAction* action, const SoIndexedTriangleStripSet* stripSet);
    SoCallbackAction::Response beginShape(SoCallbackAction* action, const SoShape* shape);
    void endShape(SoCallbackAction* action);
    void addMesh(SoCallbackAction* action, StripInput& in, int k, const char* what);
    static SoCallbackAction::Response stripSetFound(void* self, SoCallbackAction* action, const SoNode* node);
    static SoCallbackAction::Response shapeFound(void* self, SoCallbackAction* action, const SoNode* node);
    static SoCallbackAction::Response shapeDone(void* self, SoCallbackAction* action, const SoNode* node);
    static void triangleFound(void* self, SoCallbackAction* action, const SoPrimitiveVertex* v0,
                              const SoPrimitiveVertex* v1, const SoPrimitiveVertex* v2);

    WingedEdgeList outputList;
    WingedEdgeList builtList;
    bool rebuildRequested = true;
    bool hasObjects = false;
    bool building = false;
    int stripSetsSeen = 0;
    // While a shape other than a strip set is traversed: its triangles.
    ShapeTriangles* currentShape = nullptr;
    SoGenerateWingedEdgeObjectIndexCB* objectIndexCallback = nullptr;
    void* objectIndexUserData = nullptr;
};

#endif // QUILLMAP_SOGENERATEWINGEDEDGE_H
