// The menu bar of the Pelmora main window and the slots of its checkable
// items. The settings windows are built between the menus, in the order the
// constructor needs them: PelmoraSettings.cpp.

#include "PelmoraApplication.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <algorithm>

#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLinePurifier.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"

namespace {

// A checkable item carrying its id; choosing it calls the window's slot
// `slot` (a name such as "changeSilhouetteMode") with that id.
void addToggle(QMenu* menu, PelmoraApplication* window, const char* text, int id, const char* slot,
               const QKeySequence& shortcut = QKeySequence())
{
    QAction* item = menu->addAction(QString::fromLatin1(text));
    item->setCheckable(true);
    item->setData(id);
    item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, window,
                     [window, slot, id]() { QMetaObject::invokeMethod(window, slot, Q_ARG(int, id)); });
}

// A submenu of checkable items that can be torn off.
QMenu* newToggleMenu(PelmoraApplication* window, const char* title)
{
    QMenu* menu = new QMenu(QString::fromLatin1(title), window);
    menu->setTearOffEnabled(true);
    return menu;
}

// Chooses every item once, in increasing id order, as a user would: each
// applies the state it starts in, and its check mark shows it.
void chooseEveryItem(QMenu* menu)
{
    QList<QAction*> items = menu->actions();
    std::sort(items.begin(), items.end(),
              [](const QAction* a, const QAction* b) { return a->data().toInt() < b->data().toInt(); });
    for (QAction* item : items)
        item->trigger();
}

} // namespace

// Menus and windows in the order the program starts them: each submenu's
// items are chosen before the windows after it are built.
void PelmoraApplication::buildMenus(void)
{
    buildFileMenu();
    buildModelInformationWindow();
    QMenu* modelSettings = buildModelSettingsMenu();
    buildSubdivisionWindow();
    buildCurvatureWindow();
    buildModelOptionsMenu(modelSettings);
    QMenu* appearance = buildAppearanceMenu();
    QMenu* silhouettes = buildSilhouetteMenu();
    QMenu* artifacts = buildArtifactsMenu();
    buildLineStyleWindow();
    buildVisualizationWindow();
    buildViewOptionsMenu(appearance, silhouettes, artifacts);
    buildHelpMenu();
}

void PelmoraApplication::buildFileMenu(void)
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open Model File"), this, SLOT(openFile()), QKeySequence(Qt::CTRL + Qt::Key_O));
    file->addAction(QStringLiteral("Write Model to &VRML File ..."), this, SLOT(writeWingedEdgeToVRMLFile()));
    file->addAction(QStringLiteral("Write Model to &IV File ..."), this, SLOT(writeWingedEdgeToIVFile()));
    file->addSeparator();
    file->addAction(QStringLiteral("Write Lines to &PDF File ..."), this, SLOT(writeLinesToPDFFile()));
    file->addAction(QStringLiteral("Write Lines to &SVG File ..."), this, SLOT(writeLinesToSVGFile()));
    file->addSeparator();
    file->addAction(QStringLiteral("Save &Image ..."), this, SLOT(saveImage()));
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), this, SLOT(close()), QKeySequence(Qt::CTRL + Qt::Key_Q));
}

QMenu* PelmoraApplication::buildModelSettingsMenu(void)
{
    modelSettingsMenu = newToggleMenu(this, "&Model Settings");
    addToggle(modelSettingsMenu, this, "Generate &Winged Edge", 0, "generateWingedEdge",
              QKeySequence(Qt::CTRL + Qt::Key_W));
    addToggle(modelSettingsMenu, this, "&Connect Objects", 1, "connectObjects",
              QKeySequence(Qt::CTRL + Qt::Key_C));
    addToggle(modelSettingsMenu, this, "Build From &All Shapes", 2, "changeBuildFromAllShapesMode");
    chooseEveryItem(modelSettingsMenu);
    return modelSettingsMenu;
}

void PelmoraApplication::buildModelOptionsMenu(QMenu* modelSettings)
{
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Model Options"));
    options->addAction(QStringLiteral("&Model Information ..."), modelInformationWindow, SLOT(show()));
    options->addMenu(modelSettings);
    options->addAction(QStringLiteral("&Curvature Modes ..."), curvatureWindow, SLOT(show()));
    options->addAction(QStringLiteral("Sub&division ..."), subdivisionWindow, SLOT(show()));
    options->addAction(QStringLiteral("&Reset Scene"), this, SLOT(resetScene()));
}

QMenu* PelmoraApplication::buildAppearanceMenu(void)
{
    appearanceMenu = newToggleMenu(this, "&Appearance");
    addToggle(appearanceMenu, this, "&Background black/white", 0, "changeBackgroundMode");
    addToggle(appearanceMenu, this, "Line &Antialiasing", 1, "changeAntialiasingMode");
    addToggle(appearanceMenu, this, "&Fill Line Cracks", 2, "changeLineCrackMode");
    addToggle(appearanceMenu, this, "&Hide Backfaces", 3, "changeBackfacesMode");
    chooseEveryItem(appearanceMenu);
    return appearanceMenu;
}

QMenu* PelmoraApplication::buildSilhouetteMenu(void)
{
    silhouetteMenu = newToggleMenu(this, "&Silhouette");
    addToggle(silhouetteMenu, this, "Display &Silhouette", 0, "changeSilhouetteMode");
    addToggle(silhouetteMenu, this, "Silhouette &Visibility", 1, "changeSilhouetteVisibilityMode");
    addToggle(silhouetteMenu, this, "&Camera Static", 2, "changeCameraStaticMode");
    chooseEveryItem(silhouetteMenu);
    return silhouetteMenu;
}

QMenu* PelmoraApplication::buildArtifactsMenu(void)
{
    artifactsMenu = newToggleMenu(this, "&Artifacts");
    addToggle(artifactsMenu, this, "Mesh &Zig-Zag Repair", 0, "changeMeshZigZagMode");
    addToggle(artifactsMenu, this, "&Triangle Chunk Repair", 1, "changeTriagleChunkMode");
    addToggle(artifactsMenu, this, "&Line Zig-Zag Repair", 2, "changeLineZigZagMode");
    addToggle(artifactsMenu, this, "&Short Edges Repair", 3, "changeShortEdgesMode");
    addToggle(artifactsMenu, this, "Sharp &Angles Repair", 4, "changeSharpAnglesMode");
    chooseEveryItem(artifactsMenu);
    return artifactsMenu;
}

void PelmoraApplication::buildViewOptionsMenu(QMenu* appearance, QMenu* silhouettes, QMenu* artifacts)
{
    QMenu* options = menuBar()->addMenu(QStringLiteral("View &Options"));
    options->addMenu(appearance);
    options->addAction(QStringLiteral("&Property Visualization ..."), visualizationWindow, SLOT(show()));
    options->addMenu(silhouettes);
    options->addMenu(artifacts);
    options->addAction(QStringLiteral("&Line Styles ..."), lineStyleWindow, SLOT(show()));
}

void PelmoraApplication::buildHelpMenu(void)
{
    // Qt 5 lays the Help menu out beside the others, as the Windows style
    // of the menu bar does.
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About"), this, SLOT(about()));
}

void PelmoraApplication::about(void)
{
    QMessageBox::about(
        this, QStringLiteral("Pelmora v1.3"),
        QStringLiteral("<p><b>Pelmora</b> shows how the Quillmap library builds winged-edge meshes from "
                       "polygonal models and draws stylized silhouettes of them at interactive rates.</p>"
                       "<p>The meshes, as refined, can be exported to VRML 2.0 and Open Inventor 2.1, and the "
                       "lines to PDF vector graphics.</p>"
                       "<p>Thanks to everyone who contributed models, stroke textures and code.</p>"
                       "<p>Built with the Quillmap library, Coin (Open Inventor), Qt, SoQt and Quillmap's own "
                       "PDF writer.</p>"
                       "<p>Pelmora and Quillmap belong to their authors.</p>"));
}

// --- checkable items -----------------------------------------------------------

bool PelmoraApplication::toggle(QMenu* menu, int id, bool& next)
{
    const bool apply = next;
    for (QAction* item : menu->actions())
        if (item->data().toInt() == id && item->isCheckable())
            item->setChecked(apply);
    next = !apply;
    return apply;
}

void PelmoraApplication::generateWingedEdge(int id)
{
    generateWingedEdgeFlag = toggle(modelSettingsMenu, id, next.generateWingedEdge);
    applyGenerateWingedEdge();
    viewer->render();
}

void PelmoraApplication::connectObjects(int id)
{
    getModifier()->connectObjects = toggle(modelSettingsMenu, id, next.connectObjects);
    remodify(true);
}

void PelmoraApplication::changeBuildFromAllShapesMode(int id)
{
    // Most files hold face sets rather than strip sets; with this on, every
    // shape that makes triangles makes a mesh.
    getGenerator()->buildFromAllShapes = toggle(modelSettingsMenu, id, next.buildFromAllShapes);
    getGenerator()->requestRebuild();
    resetScene();
}

void PelmoraApplication::changeBackgroundMode(int id)
{
    blackBackground = toggle(appearanceMenu, id, next.blackBackground);
    applyBackgroundMode();
}

void PelmoraApplication::changeAntialiasingMode(int id)
{
    getSilhouette()->antialiasing = toggle(appearanceMenu, id, next.antialiasing);
    viewer->render();
}

void PelmoraApplication::changeLineCrackMode(int id)
{
    getSilhouette()->fillLineCracks = toggle(appearanceMenu, id, next.fillLineCracks);
    viewer->render();
}

void PelmoraApplication::changeBackfacesMode(int id)
{
    // The mesh shape's wireframe hides the edges behind the surface.
    getMeshShape()->hideBackfaces = toggle(appearanceMenu, id, next.hideBackfaces);
    viewer->render();
}

void PelmoraApplication::changeSilhouetteMode(int id)
{
    getSilhouette()->doComputation = toggle(silhouetteMenu, id, next.displaySilhouette);
}

void PelmoraApplication::changeSilhouetteVisibilityMode(int id)
{
    const bool on = toggle(silhouetteMenu, id, next.silhouetteVisibility);
    getSilhouette()->displaySilhouette = on;
    getHiddenLineRemover()->active = on;
}

void PelmoraApplication::changeCameraStaticMode(int id)
{
    SoGenerateSilhouette::setCameraStatic(toggle(silhouetteMenu, id, next.cameraStatic));
    viewer->render();
}

// A check mark on a repair item means the repair runs; the class-wide
// switches say the opposite.
void PelmoraApplication::changeMeshZigZagMode(int id)
{
    SoGenerateSilhouette::setZigZagRepairOff(!toggle(artifactsMenu, id, next.meshZigZagRepair));
    viewer->render();
}

void PelmoraApplication::changeTriagleChunkMode(int id)
{
    SoGenerateSilhouette::setTriangleChunkRepairOff(!toggle(artifactsMenu, id, next.triangleChunkRepair));
    viewer->render();
}

void PelmoraApplication::changeLineZigZagMode(int id)
{
    getPurifier(0)->active = toggle(artifactsMenu, id, next.lineZigZagRepair);
    viewer->render();
}

void PelmoraApplication::changeShortEdgesMode(int id)
{
    getPurifier(1)->active = toggle(artifactsMenu, id, next.shortEdgesRepair);
    viewer->render();
}

void PelmoraApplication::changeSharpAnglesMode(int id)
{
    getPurifier(2)->active = toggle(artifactsMenu, id, next.sharpAnglesRepair);
    viewer->render();
}
