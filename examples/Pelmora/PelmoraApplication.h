#ifndef PELMORA_PELMORAAPPLICATION_H
#define PELMORA_PELMORAAPPLICATION_H

// The Pelmora main window: the examiner viewer on the one fixed scene graph
// of the Quillmap nodes, the status row, model loading, the menus and the
// five settings windows whose controls set the nodes' fields.

#include <QMainWindow>

#include <functional>
#include <memory>

#include "FrameRateCounter.h"
#include "PelmoraScene.h"

class QButtonGroup;
class QImage;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class SoNode;
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
    // The same, given the program's arguments as Qt left them: the first
    // one after the program's name, if any, is a model file to open.
    static PelmoraApplication* createMainWindow(const QStringList& arguments);

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

    // The scene, which the batch renderer builds the same way.
    PelmoraScene* getScene(void) const { return scene.get(); }
    SoSeparator* getSceneRoot(void) const { return scene->getRoot(); }
    SoGenerateWingedEdge* getGenerator(void) const { return scene->getGenerator(); }
    SoModifyWingedEdge* getModifier(void) const { return scene->getModifier(); }
    SoWingedEdgeOutput* getMeshWriter(void) const { return scene->getMeshWriter(); }
    SoBaseColor* getBaseColor(void) const { return scene->getBaseColor(); }
    SoWingedEdge* getMeshShape(void) const { return scene->getMeshShape(); }
    SoGenerateSilhouette* getSilhouette(void) const { return scene->getSilhouette(); }
    SoTexture2* getStrokeTexture(void) const { return scene->getStrokeTexture(); }
    SoLineHiddenLineRemover* getHiddenLineRemover(void) const { return scene->getHiddenLineRemover(); }
    SoLineThickener* getThickener(void) const { return scene->getThickener(); }
    SoLineOutput* getLineOutput(void) const { return scene->getLineOutput(); }
    SoLineShape* getStrokeShape(void) const { return scene->getStrokeShape(); }
    // The first (zig-zags), second (short segments) and third (sharp angles)
    // line purifier.
    SoLinePurifier* getPurifier(int which) const { return scene->getPurifier(which); }
    SoQtExaminerViewer* getViewer(void) const { return viewer; }
    QWidget* getModelInformationWindow(void) const { return modelInformationWindow; }
    QWidget* getSubdivisionWindow(void) const { return subdivisionWindow; }
    QWidget* getCurvatureWindow(void) const { return curvatureWindow; }
    QWidget* getVisualizationWindow(void) const { return visualizationWindow; }
    QWidget* getLineStyleWindow(void) const { return lineStyleWindow; }
    // The stroke width the texture size spin box set last, in pixels.
    float getCurrentStrokeWidth(void) const { return scene->getStrokeWidth(); }
    // A fresh frame of the viewer, read back from the buffer it was drawn
    // into; null when the viewer has no GL widget.
    QImage grabFrame(void);
    // The value labels of the Model Information window: 0 objects, 1 faces,
    // 2 edges, 3 vertices.
    QLabel* getModelInfoLabel(int which) const;

public slots:
    // The slot table: menus, settings windows and the exports that only the
    // meta-object system reaches. Its order is part of the program's
    // interface; a new slot goes at the end.
    void about(void);
    // Asks for a model file (Inventor, VRML or any other name) and opens it.
    void openFile(void);
    // Brings the transformations outside the loaded model back to their
    // defaults (the model keeps its own) and fits the camera to the scene.
    void resetScene(void);
    // The checkable menu items; each receives its item id.
    void generateWingedEdge(int id);
    void connectObjects(int id);
    void changeBackgroundMode(int id);
    void changeAntialiasingMode(int id);
    void changeLineCrackMode(int id);
    void changeBackfacesMode(int id);
    void changeSilhouetteMode(int id);
    void changeSilhouetteVisibilityMode(int id);
    void changeCameraStaticMode(int id);
    void changeMeshZigZagMode(int id);
    void changeTriagleChunkMode(int id);
    void changeLineZigZagMode(int id);
    void changeShortEdgesMode(int id);
    void changeSharpAnglesMode(int id);
    // Line Style window.
    void changeLineStyleMode(bool on);
    void changeLineStripMode(bool on);
    // Subdivision Settings window; the algorithm slots take the list index.
    void changeAdaptiveSubdivisionSteps(int steps);
    void changeAdaptiveSubdivisionMode(int index);
    void changeSubdivisionSteps(int steps);
    void changeSubdivisionMode(int index);
    void changeDividingSteps(int steps);
    void changeDividingMode(int index);
    void changeSmoothingSteps(int steps);
    void changeSmoothingSpeed(void);
    void changeSharpEdgesAngle(int degrees);
    void changeSharpAngleMode(bool on);
    void changePolygonationMode(bool on);
    // Line Style window: texture button id, texture size.
    void changeLineTextureMode(int index);
    void changeLineTextureSizeMode(int size);
    // Visualization and curvature windows: radio button ids.
    void changeVisualizationMode(int index);
    void changeCurvatureMode(int index);
    // Exports of the strokes; each asks for the files it needs.
    void writeLinesToPDFFile(void);
    void writeLinesToASCIIFile(void);
    void writeStringSteganoLineWidthLinesToPDFFile(void);
    void writeStringSteganoLineRatioToPDFFile(void);
    void writeStringSteganoAngledLinesToPDFFile(void);
    void writeStringSteganoLineLengthToPDFFile(void);
    void writeStringSteganoLineColorToPDFFile(void);
    void writeImageSteganoLineWidthLinesToPDFFile(void);
    void writeImageSteganoLineRatioLinesToPDFFile(void);
    // Exports of the meshes as modified.
    void writeWingedEdgeToVRMLFile(void);
    void writeWingedEdgeToIVFile(void);
    // "Build From All Shapes" of the Model Settings menu.
    void changeBuildFromAllShapesMode(int id);
    // File menu: the strokes as an SVG drawing; the current view as a PNG
    // image.
    void writeLinesToSVGFile(void);
    void saveImage(void);
    // Line Style window: strokes that taper to round ends; strokes that
    // narrow where lines run close, as on thin parts.
    void changeStrokeTaperMode(bool on);
    void changeFormFollowingWidthMode(bool on);

private:
    // Shows `path` as the file name and loads it, with nothing drawn while
    // the model is replaced.
    void openModel(const QString& path);
    void buildFrame(void);
    void createScene(void);
    void createViewer(void);
    void buildMenus(void);
    void buildFileMenu(void);
    void buildModelInformationWindow(void);
    QMenu* buildModelSettingsMenu(void);
    void buildSubdivisionWindow(void);
    void buildCurvatureWindow(void);
    void buildModelOptionsMenu(QMenu* modelSettings);
    QMenu* buildAppearanceMenu(void);
    QMenu* buildSilhouetteMenu(void);
    QMenu* buildArtifactsMenu(void);
    void buildLineStyleWindow(void);
    void buildVisualizationWindow(void);
    void buildViewOptionsMenu(QMenu* appearance, QMenu* silhouetteMenu, QMenu* artifacts);
    void buildHelpMenu(void);

    // Shows the check mark of item `id` of `menu` as `next`, and returns the
    // state to apply while `next` flips for the item's next choice.
    static bool toggle(QMenu* menu, int id, bool& next);
    void applyGenerateWingedEdge(void);
    void applyBackgroundMode(void);
    // After a modifier field changed: the meshes modified afresh.
    void remodify(bool show);

    // The line exports: the path the save dialog gives (empty when
    // cancelled), then one PDF or text file written with a code hidden in
    // the strokes in `mode`, if any.
    enum DrawingFormat { PDF_DRAWING, TEXT_DRAWING, SVG_DRAWING };
    QString askForDrawingFile(DrawingFormat format);
    void writeLines(const QString& path, DrawingFormat format, int mode, const QByteArray& code);
    void writeCodeToPDFFile(int mode);
    void writeImageCodeToPDFFile(int mode);
    void writeMeshes(bool vrml);
    // Renders once so that `exporter` writes its file, and shows what it
    // reported in a message box as well as printing it.
    void renderExport(SoNode* exporter);

    std::unique_ptr<PelmoraScene> scene;

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

    QMainWindow* subdivisionWindow = nullptr;
    QMainWindow* curvatureWindow = nullptr;
    QMainWindow* visualizationWindow = nullptr;
    QMainWindow* lineStyleWindow = nullptr;
    QLineEdit* smoothingSpeedEdit = nullptr;
    QCheckBox* lineStyleCheck = nullptr;

    QMenu* modelSettingsMenu = nullptr;
    QMenu* appearanceMenu = nullptr;
    QMenu* silhouetteMenu = nullptr;
    QMenu* artifactsMenu = nullptr;

    // The state each checkable item applies when it is chosen next. Every
    // item is chosen once while the window is built, so these are the
    // states the program starts in.
    struct NextStates {
        bool generateWingedEdge = true;
        bool connectObjects = false;
        bool buildFromAllShapes = true;
        bool blackBackground = false;
        bool antialiasing = true;
        bool fillLineCracks = true;
        bool hideBackfaces = true;
        bool displaySilhouette = false;
        bool silhouetteVisibility = true;
        bool cameraStatic = false;
        bool meshZigZagRepair = true;
        bool triangleChunkRepair = true;
        bool lineZigZagRepair = true;
        bool shortEdgesRepair = true;
        bool sharpAnglesRepair = true;
    } next;

    bool blackBackground = true;
    bool generateWingedEdgeFlag = true;

    FrameRateCounter frameRate;
    std::function<double(void)> clock;
};

#endif // PELMORA_PELMORAAPPLICATION_H
