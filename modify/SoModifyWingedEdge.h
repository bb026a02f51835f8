#ifndef QUILLMAP_SOMODIFYWINGEDEDGE_H
#define QUILLMAP_SOMODIFYWINGEDEDGE_H

// Changes the winged-edge meshes published before it, in place and once per
// freshly built list: connecting the objects, merging coplanar faces,
// marking sharp edges, dividing, adaptive and regular subdivision, and
// smoothing, in that order.

#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <cstdint>

class WingedEdgeList;

class SoModifyWingedEdge : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoModifyWingedEdge);

public:
    SoSFBool connectObjects;
    SoSFInt32 dividingMode;
    SoSFInt32 dividingSteps;
    SoSFBool polygonationMode;
    SoSFFloat sharpAngle;
    SoSFFloat smoothingSpeed;
    SoSFInt32 smoothingSteps;
    SoSFInt32 subdivisionMode;
    SoSFInt32 subdivisionSteps;
    SoSFInt32 adaptiveSubdivisionSteps;
    SoSFInt32 adaptiveSubdivisionMode;
    SoSFBool useSharpAngles;

    static void initClass(void);
    SoModifyWingedEdge(void);

    void doAction(SoAction* action) override;
    void GLRender(SoGLRenderAction* action) override;
    void callback(SoCallbackAction* action) override;
    void getBoundingBox(SoGetBoundingBoxAction* action) override;
    void pick(SoPickAction* action) override;

    // The next traversal modifies a fresh copy of the meshes as built, with
    // the fields as they are then.
    void invalidate(void);

    // Counts of the list seen last, 0 before any.
    int getNumObjects(void) const;
    int getNumFaces(void) const;
    int getNumEdges(void) const;
    int getNumVertices(void) const;

    // The most faces, over all meshes, that dividing and subdivision may
    // make: a step that would make more is not run, nor any after it. Every
    // Loop, butterfly or Catmull-Clark step makes about four times the faces
    // it starts from, so a few steps too many would use up the memory.
    // Default kDefaultFaceBudget.
    static const int64_t kDefaultFaceBudget = 20000000;
    static void setFaceBudget(int64_t faces);
    static int64_t getFaceBudget(void);

protected:
    ~SoModifyWingedEdge() override;

private:
    void modify(WingedEdgeList& list);

    // The list seen last; owned by the node that published it.
    WingedEdgeList* lastList = nullptr;
    static int64_t faceBudget;
};

#endif // QUILLMAP_SOMODIFYWINGEDEDGE_H
