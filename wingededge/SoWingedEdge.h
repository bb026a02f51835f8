#ifndef QUILLMAP_SOWINGEDEDGE_H
#define QUILLMAP_SOWINGEDEDGE_H

// Shape node that draws the meshes of the current winged-edge list in the
// list's visualization mode (edges, flat faces, curvature-coloured faces,
// depth only, principal directions), or hands the edges to the line chain as
// two-point strips. Every drawing is kept in an OpenGL display list that is
// recorded again only when the list's renderCacheValid word is 0.

#include <Inventor/SbColor.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoSubNode.h>

#include <cstdint>

#include "wingededge/EdgeLineCache.h"

class WingedEdgeList;

class SoWingedEdge : public SoShape {
    typedef SoShape inherited;

    SO_NODE_HEADER(SoWingedEdge);

public:
    SoSFBool sendLines;
    SoSFBool hideBackfaces;
    SoSFFloat lineWidth;
    SoSFBool antialiasing;
    SoSFBool fillLineCracks;

    static void initClass(void);
    SoWingedEdge(void);

    void GLRender(SoGLRenderAction* action) override;

    void setLineColor(float r, float g, float b);
    const SbColor& getLineColor(void) const { return lineColor; }

    // The display lists, in the order they are allocated.
    enum DisplayList { EDGE_LIST, FACE_LIST, COLORED_FACE_LIST, DIRECTION_LIST, CLASS_FACE_LIST, LIST_COUNT };
    // How often a display list has been recorded, for tests and diagnostics.
    int getRecordCount(DisplayList which) const { return recordCount[which]; }
    // How often the sendLines numbering has been built.
    int getLineCacheBuildCount(void) const { return lineCacheBuilds; }

protected:
    ~SoWingedEdge() override;

    void computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) override;
    void generatePrimitives(SoAction* action) override;

private:
    // Records the list `which` with `record` when the meshes changed (or the
    // list was never recorded in this context), then calls it.
    template <class Record>
    void callList(DisplayList which, bool cacheValid, Record record);

    void prepareLists(SoState* state);
    void depthOnlyFaces(SoState* state, const WingedEdgeList& list, bool cacheValid, bool flat);
    void drawEdges(const WingedEdgeList& list, bool cacheValid, bool onlyFlagged);
    void drawFaces(SoState* state, const WingedEdgeList& list, bool cacheValid);
    void drawColoredFaces(const WingedEdgeList& list, bool cacheValid);
    void drawClassFaces(const WingedEdgeList& list, bool cacheValid);
    void drawDirections(const WingedEdgeList& list, bool cacheValid);
    void sendEdgeLines(SoState* state, const WingedEdgeList& list, bool cacheValid, bool onlyFlagged);

    SbColor lineColor;
    SbColor faceColor;

    uint32_t firstList = 0;   // names firstList .. firstList + LIST_COUNT - 1
    uint32_t listContext = 0; // the cache context they belong to
    bool recorded[LIST_COUNT] = {};
    int recordCount[LIST_COUNT] = {};

    int32_t lastMode = -1;
    int32_t lastSendLines = 0;
    int32_t lastHideBackfaces = 0;

    EdgeLineCache lineCache;
    bool lineCacheBuilt = false;
    bool lineCacheFlagged = false;
    int lineCacheBuilds = 0;
    SoMFVec3f workingCoordinates;
    SoMFInt32 workingIndices;
};

#endif // QUILLMAP_SOWINGEDEDGE_H
