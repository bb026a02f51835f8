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

    // What the node draws, as the list's visualizationMode holds it. Scene
    // files and settings store these numbers, so they never change.
    enum VisualizationMode {
        // Every edge, after a depth-only face pass when hideBackfaces is set.
        WIREFRAME = 1,
        // Lit faces, one normal per facet, back faces culled.
        FLAT_SHADING = 2,
        // Faces coloured by the curvature value on a blue-to-red ramp.
        COLORED_FACES = 3,
        // The faces into the depth buffer only: nothing visible, but lines
        // drawn later are hidden behind the surface.
        DEPTH_ONLY = 4,
        // As WIREFRAME, but only the edges whose flags word is set.
        FLAGGED_EDGES = 5,
        // Faces coloured by the curvature class of their corners (blue,
        // green, red).
        THREE_COLORED_FACES = 6,
        // The two principal curvature directions at every vertex.
        CURVATURE_DIRECTIONS = 7,
        // Every edge, with the depth test switched off.
        EDGES_WITHOUT_DEPTH_TEST = 8
    };

    void setLineColor(float r, float g, float b);
    const SbColor& getLineColor(void) const { return lineColor; }

    // The display lists, in the order they are allocated.
    enum DisplayList { EDGE_LIST, FACE_LIST, COLORED_FACE_LIST, DIRECTION_LIST, CLASS_FACE_LIST, LIST_COUNT };
    // How often a display list has been recorded, for tests and diagnostics.
    int getRecordCount(DisplayList which) const { return recordCount[which]; }
    // The first of the LIST_COUNT consecutive display-list names in the GL
    // context drawn in last (0 before the first render), for tests.
    uint32_t getFirstListName(void) const { return firstList; }
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
    // Hands the display lists to their context's deferred delete.
    void releaseLists(void);
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
