#ifndef PELMORA_PELMORAAPPLICATION_H
#define PELMORA_PELMORAAPPLICATION_H

// The Pelmora main window: the examiner viewer on the one fixed scene graph
// of the Quillmap nodes, the status row, model loading and the menus.

#include <QMainWindow>

#include <functional>

#include "FrameRateCounter.h"

class QLabel;
class SoAction;
class SoBaseColor;
class SoGenerateSilhouette;
class SoGenerateWingedEdge;
class SoLineHiddenLineRemover;
class SoLinePurifier;
class SoLineShape;
class SoLineThickener;
class SoLineOutput;
class SoModifyWingedEdge;
class SoTexture2;
class SoQtExaminerViewer;
class SoWingedEdge;
class SoWingedEdgeOutput;
class SoSeparator;

class PelmoraApplication : public QMainWindow {
    Q_OBJECT

public:
    PelmoraApplication(void);
    ~PelmoraApplication() override;

    // What the program entry does after constructing the application: builds
    // the main window, sizes, names and shows it, and turns on polygon offset
    // in the viewer's GL context. The caller owns the window.
    static PelmoraApplication* createMainWindow(void);

    // Puts the model file `path` (8-bit, directories separated by '/') in
    // place of the current model. An empty path only resets the scene.
    void loadModel(const char* path);
    // Refreshes the face counts of the status row and the counts of the
    // Model Information window.
    void updateModelInfo(void);

    // SoCallback function of the scene root; `window` is the main window.
    static void frameRateCallback(void* window, SoAction* action);
    // Seconds of the time of day as the frame-rate counter reads them; tests
    // put a controllable clock here.
    void setClock(std::function<double(void)> clock);

    SoSeparator* getSceneRoot(void) const { return root; }
    SoGenerateWingedEdge* getGenerator(void) const { return generator; }
    SoModifyWingedEdge* getModifier(void) const { return modifier; }
    SoWingedEdgeOutput* getMeshWriter(void) const { return meshWriter; }
    SoBaseColor* getBaseColor(void) const { return baseColor; }
    SoWingedEdge* getMeshShape(void) const { return meshShape; }
    SoGenerateSilhouette* getSilhouette(void) const { return silhouette; }
    SoTexture2* getStrokeTexture(void) const { return strokeTexture; }
    SoLineHiddenLineRemover* getHiddenLineRemover(void) const { return hiddenLineRemover; }
    SoLineThickener* getThickener(void) const { return thickener; }
    SoLineOutput* getLineOutput(void) const { return lineOutput; }
    SoLineShape* getStrokeShape(void) const { return strokeShape; }
    // The first (zig-zags), second (short segments) and third (sharp angles)
    // line purifier.
    SoLinePurifier* getPurifier(int which) const { return which >= 0 && which < 3 ? purifiers[which] : nullptr; }
    SoQtExaminerViewer* getViewer(void) const { return viewer; }
    QWidget* getModelInformationWindow(void) const { return modelInformationWindow; }
    // The value labels of the Model Information window: 0 objects, 1 faces,
    // 2 edges, 3 vertices.
    QLabel* getModelInfoLabel(int which) const;

public slots:
    // Asks for a model file (Inventor, VRML or any other name) and loads it.
    void openFile(void);
    // Brings the transformations outside the loaded model back to their
    // defaults (the model keeps its own) and fits the camera to the scene.
    void resetScene(void);

private:
    void buildFrame(void);
    void createScene(void);
    void createViewer(void);
    void buildMenus(void);
    void buildFileMenu(void);
    void buildModelInformationWindow(void);
    void applyGenerateWingedEdge(void);
    void applyStartupSettings(void);
    void applyBackgroundMode(void);
    void applyStrokeWidth(int width);

    // Scene handles; the root is referenced for the window's life.
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
    SoLineOutput* lineOutput = nullptr;
    SoLineShape* strokeShape = nullptr;
    SoLinePurifier* purifiers[3] = {};

    SoQtExaminerViewer* viewer = nullptr;
    QWidget* viewerWidget = nullptr;

    QLabel* fileNameLabel = nullptr;
    QLabel* faceNumberOrigLabel = nullptr;
    QLabel* faceNumberLabel = nullptr;
    QLabel* fpsLabel = nullptr;

    QMainWindow* modelInformationWindow = nullptr;
    QLabel* objectNumberLabel = nullptr;
    QLabel* modelFaceNumberLabel = nullptr;
    QLabel* edgeNumberLabel = nullptr;
    QLabel* vertexNumberLabel = nullptr;

    bool blackBackground = true;
    bool generateWingedEdgeFlag = true;
    float currentStrokeWidth = 2.0f;

    FrameRateCounter frameRate;
    std::function<double(void)> clock;
};

#endif // PELMORA_PELMORAAPPLICATION_H
