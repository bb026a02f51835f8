#ifndef PELMORA_PELMORASCENE_H
#define PELMORA_PELMORASCENE_H

// The scene of Pelmora without the window: the one fixed graph of the
// Quillmap nodes, the values it starts from, the settings that the viewer's
// controls and the batch renderer (quillmap-render) both change, and reading
// a model file into it. No Qt and no GL context here: whoever draws the
// scene brings the camera, the light and the context.

#include <Inventor/nodes/SoCallback.h>

#include <string>

class SoBaseColor;
class SoGenerateSilhouette;
class SoGenerateWingedEdge;
class SoGroup;
class SoLineHiddenLineRemover;
class SoLineOutput;
class SoLinePurifier;
class SoLineShape;
class SoLineTaper;
class SoLineThickener;
class SoModifyWingedEdge;
class SoNode;
class SoSeparator;
class SoSwitch;
class SoTexture2;
class SoWingedEdge;
class SoWingedEdgeOutput;

class PelmoraScene {
public:
    // Builds the graph; the callback node
    // at the top of the root calls `frameCallback` with `callbackData` on
    // every traversal, or nothing when it is null. The library must be
    // registered (Quillmap::init) first.
    explicit PelmoraScene(SoCallbackCB* frameCallback = nullptr, void* callbackData = nullptr);
    ~PelmoraScene();
    PelmoraScene(const PelmoraScene&) = delete;
    PelmoraScene& operator=(const PelmoraScene&) = delete;

    // What the viewer's menus and settings windows set while it starts, for
    // a scene without them: black lines (no background of its own here),
    // meshes from every shape, the silhouette off, hidden lines removed,
    // every repair on, line styles on, chalk strokes 2 pixels wide, sharp
    // edges from 115 degrees, flat shading, strokes of one width with blunt
    // ends.
    void applyStartState(void);

    SoSeparator* getRoot(void) const { return root; }
    SoBaseColor* getBaseColor(void) const { return baseColor; }
    SoGenerateWingedEdge* getGenerator(void) const { return generator; }
    SoModifyWingedEdge* getModifier(void) const { return modifier; }
    SoWingedEdgeOutput* getMeshWriter(void) const { return meshWriter; }
    SoWingedEdge* getMeshShape(void) const { return meshShape; }
    SoGenerateSilhouette* getSilhouette(void) const { return silhouette; }
    SoTexture2* getStrokeTexture(void) const { return strokeTexture; }
    SoLineHiddenLineRemover* getHiddenLineRemover(void) const { return hiddenLineRemover; }
    SoLineThickener* getThickener(void) const { return thickener; }
    // The switch right after the thickener that holds the stroke taper.
    SoSwitch* getTaperSwitch(void) const { return taperSwitch; }
    SoLineTaper* getTaper(void) const { return taper; }
    SoLineOutput* getLineOutput(void) const { return lineOutput; }
    SoLineShape* getStrokeShape(void) const { return strokeShape; }
    // The first (zig-zags), second (short segments) and third (sharp angles)
    // line purifier.
    SoLinePurifier* getPurifier(int which) const { return which >= 0 && which < 3 ? purifiers[which] : nullptr; }

    // --- settings shared by the viewer's controls and the batch renderer ---

    // White lines for a black background, or black lines for a white one.
    void setBlackBackground(bool black);
    // Stroke width in pixels: the thickener's amplitude and the width of
    // the silhouette's own lines. The line exports scale it to points.
    void setStrokeWidth(float pixels);
    float getStrokeWidth(void) const { return strokeWidth; }
    // PDF and SVG stroke width, in points, for the current stroke width.
    float getDrawingLineWidth(void) const { return strokeWidth * 0.4f; }
    // The strokes of the line chain, or the plain line state of the
    // generators only (no strokes).
    void setLineStyles(bool on);
    // Strokes that taper to their ends and end in round caps, or strokes of
    // one width with blunt ends.
    void setTaperedStrokes(bool on);
    bool hasTaperedStrokes(void) const;
    // Strokes that narrow where another line runs close beside them, so
    // that the two outlines of a thin part stay apart, or strokes of the
    // width the texture gives (switched off, a thickener that does not
    // follow the form keeps its method, plain CONSTANT strokes among them).
    void setFormFollowingWidth(bool on);
    bool hasFormFollowingWidth(void) const;
    // Sharp edges of the silhouette and of the modifier, in degrees.
    void setSharpEdgesAngle(float degrees);
    // The Visualization window's entries: 0 wireframe, 1 flat shading, 2
    // coloured faces, 3 three-coloured faces, 4 curvature directions, 5
    // nothing but depth. Other indices change nothing.
    void setVisualization(int index);
    // One of the stroke textures of the Line Style window, by its index.
    bool setStrokeTexture(int index);
    // Meshes built from the model, or the model alone.
    void setBuildWingedEdge(bool on);

    // The Line Style window's textures, by index: the name its button shows
    // and the file, relative to the working directory.
    static int textureCount(void);
    static const char* textureName(int index);
    static const char* textureFile(int index);
    // The index of the texture named `name` (case ignored), or -1.
    static int findTexture(const std::string& name);
    // Scheme codes of the modifier for the entries of the algorithm lists:
    // 0 Loop, 1 modified butterfly, 2 Catmull-Clark, 3 Doo-Sabin; -1 for
    // others.
    static int schemeCode(int index);

    // --- the model ---

    // A model file as read for the scene; `model` has reference count 0
    // and is null unless the file was read.
    struct ModelFile {
        enum Outcome { READ, CANNOT_OPEN, NOT_A_MODEL };
        Outcome outcome = CANNOT_OPEN;
        SoSeparator* model = nullptr;
    };
    // Reads the file at `path` (8-bit, '/' between directories) in its own
    // directory, so that the files it names by relative paths are found,
    // and returns to the working directory. Inventor and VRML files are
    // read by Coin, others by Quillmap::readModel. With `report`, prints
    // what the viewer prints while loading ("Reading file ...", "Cannot
    // load ...").
    static ModelFile readModelFile(const char* path, bool report);
    // Puts `model` in place of the current model (named "GeometryNode"
    // below "GeometryParentNode") and asks for the meshes to be built anew.
    void setModel(SoNode* model);
    SoNode* getModel(void) const;

private:
    void createScene(SoCallbackCB* frameCallback, void* callbackData);

    SoSeparator* root = nullptr;
    SoBaseColor* baseColor = nullptr;
    SoGenerateWingedEdge* generator = nullptr;
    SoModifyWingedEdge* modifier = nullptr;
    SoWingedEdgeOutput* meshWriter = nullptr;
    SoWingedEdge* meshShape = nullptr;
    SoGenerateSilhouette* silhouette = nullptr;
    SoTexture2* strokeTexture = nullptr;
    SoLineHiddenLineRemover* hiddenLineRemover = nullptr;
    SoLineThickener* thickener = nullptr;
    SoSwitch* taperSwitch = nullptr;
    SoLineTaper* taper = nullptr;
    SoLineOutput* lineOutput = nullptr;
    SoLineShape* strokeShape = nullptr;
    SoLinePurifier* purifiers[3] = {};
    float strokeWidth = 0.0f;
};

#endif // PELMORA_PELMORASCENE_H
