#ifndef QUILLMAP_SOGENERATESILHOUETTE_H
#define QUILLMAP_SOGENERATESILHOUETTE_H

// Turns the winged-edge meshes of the traversal state into the lines of the
// current view: border, silhouette and (optionally) sharp edges, with
// triangle chunks and zig-zags repaired. It appends them to the line state as
// two-point strips for the line chain, or draws them itself, optionally only
// where the depth buffer of the frame drawn so far shows them.
//
// Perspective views test every face against the eye point; orthographic views
// search the Gauss map of each mesh, so that a camera move costs only the
// edges near the silhouette.

#include <Inventor/SbColor.h>
#include <Inventor/SbVec3f.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/nodes/SoNode.h>
#include <Inventor/nodes/SoSubNode.h>

#include <memory>
#include <vector>

#include "lines/EdgeVisibility.h"
#include "lines/GaussMap.h"
#include "lines/SilhouetteExtractor.h"

class SoState;
class WingedEdgeList;

class SoGenerateSilhouette : public SoNode {
    typedef SoNode inherited;

    SO_NODE_HEADER(SoGenerateSilhouette);

public:
    SoSFBool doComputation;
    SoSFBool displaySilhouette;
    SoSFFloat maximalError;
    SoSFBool displaySharpEdges;
    SoSFFloat sharpEdgesAngle;
    SoSFBool sendLines;
    SoSFFloat lineWidth;
    SoSFInt32 shapeKey;
    SoSFBool antialiasing;
    SoSFBool fillLineCracks;

    static void initClass(void);
    SoGenerateSilhouette(void);

    void GLRender(SoGLRenderAction* action) override;
    void doAction(SoAction* action) override;

    // The meshes to work on: those of the current winged-edge element.
    virtual WingedEdgeList* getWingedEdgeList(SoState* state);

    // Switches every instance reads on its next frame (set from the viewer's
    // menus). Camera static freezes the eye point and view direction.
    static void setCameraStatic(bool on);
    static bool isCameraStatic(void);
    static void setTriangleChunkRepairOff(bool off);
    static bool isTriangleChunkRepairOff(void);
    static void setZigZagRepairOff(bool off);
    static bool isZigZagRepairOff(void);

    // Colour of self-drawn lines; the viewer sets it with the background.
    void setDrawingColor(const SbColor& color) { drawingColor = color; }
    const SbColor& getDrawingColor(void) const { return drawingColor; }

    // What the last run found, for tests and diagnostics: the edges (the
    // records' flags are cleared again), and the visible parts of those that
    // were tested against the depth buffer.
    const std::vector<SilhouetteExtractor::Edge>& getLastEdges(void) const { return edges; }
    const std::vector<VisibleEdge>& getLastVisibleEdges(void) const { return visible; }
    // How often the border and sharp edges have been classified.
    int getClassificationCount(void) const { return classifications; }
    // Whether parallel views search the Gauss map through its cell grid.
    bool usesGridSearch(void) const { return gaussMap.isGridMode(); }

protected:
    ~SoGenerateSilhouette() override;

private:
    void extract(WingedEdgeList& list, SoState* state);
    void sendEdges(SoState* state);
    void drawEdges(void);

    SilhouetteExtractor extractor;
    GaussMapSearch gaussMap;
    EdgeVisibility visibility;

    double cachedAngle = -1.0;
    int cachedProjection = -1;
    SbVec3f eyePoint = SbVec3f(0.0f, 0.0f, 0.0f);
    SbVec3f viewDirection = SbVec3f(0.0f, 0.0f, -1.0f);
    bool cameraKnown = false;
    int classifications = 0;
    uint64_t cachedGeneration = 0; // of the list the caches were made for

    std::vector<SilhouetteExtractor::Edge> edges;
    std::vector<VisibleEdge> visible;
    bool visibilityTested = false;
    // Scratch of sendEdges: the points and strips of one frame.
    std::vector<SbVec3f> points;
    std::vector<int32_t> strips;
    SoMFVec3f coordinatesOutput;
    SoMFInt32 indicesOutput;
    SbColor drawingColor;
};

#endif // QUILLMAP_SOGENERATESILHOUETTE_H
