// The Pelmora main window: frame and status row, the fixed scene graph, the
// viewer, model loading and the statistics labels.

#include "PelmoraApplication.h"

#include <Inventor/SbTime.h>
#include <Inventor/Qt/SoQt.h>
#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransformation.h>

#include <QBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QGLWidget>
#include <QLabel>
#include <QMessageBox>

#include <GL/gl.h>

#include <cstdio>

#include "Quillmap.h"
#include "lines/SoGenerateSilhouette.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"

namespace {

double timeOfDay(void)
{
    return SbTime::getTimeOfDay().getValue();
}

// A row of widgets laid out left to right, as a box of the frame holds them.
QWidget* newRow(QWidget* parent, int spacing)
{
    QWidget* row = new QWidget(parent);
    QHBoxLayout* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return row;
}

QLabel* addLabel(QWidget* row, const char* text, const char* objectName, int stretch = 0)
{
    QLabel* label = new QLabel(QString::fromLatin1(text), row);
    if (objectName != nullptr)
        label->setObjectName(QString::fromLatin1(objectName));
    static_cast<QBoxLayout*>(row->layout())->addWidget(label, stretch);
    return label;
}

} // namespace

PelmoraApplication::PelmoraApplication(void)
    : QMainWindow(nullptr), clock(timeOfDay)
{
    setObjectName(QStringLiteral("mainWindow"));
    blackBackground = true;
    generateWingedEdgeFlag = true;

    SoQt::init(this);
    Quillmap::init();

    buildFrame();
    createScene();
    createViewer();
    // Building the menus and windows chooses every checkable item once and
    // gives the controls their first values, which sets the nodes' fields
    // to the state the program starts in.
    buildMenus();
}

PelmoraApplication::~PelmoraApplication()
{
    // The viewer goes first: it holds the scene and the GL context it is drawn in.
    delete viewer;
    scene.reset();
}

PelmoraApplication* PelmoraApplication::createMainWindow(const QStringList& arguments)
{
    PelmoraApplication* window = createMainWindow();
    // A model named on the command line is opened as if chosen in the
    // dialog, the convention of Inventor viewers.
    if (arguments.size() > 1 && !arguments[1].isEmpty())
        window->openModel(arguments[1]);
    return window;
}

PelmoraApplication* PelmoraApplication::createMainWindow(void)
{
    PelmoraApplication* window = new PelmoraApplication;
    window->resize(800, 600);
    window->setWindowTitle(QStringLiteral("Pelmora"));
    window->show();

    // Filled polygons sit a little behind lines drawn over the same surface.
    if (QGLWidget* gl = qobject_cast<QGLWidget*>(window->viewer->getGLWidget())) {
        gl->makeCurrent();
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 1.0f);
    }
    return window;
}

// --- frame -------------------------------------------------------------------

void PelmoraApplication::buildFrame(void)
{
    QWidget* frame = new QWidget(this);
    QVBoxLayout* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(5);
    setCentralWidget(frame);

    viewerWidget = new QWidget(frame);
    frameLayout->addWidget(viewerWidget, 1);

    QWidget* status = newRow(frame, 10);
    frameLayout->addWidget(status);
    addLabel(status, "File:", "Filename Label");
    fileNameLabel = addLabel(status, "(none)", "Filename");
    addLabel(status, "Face Number (Original Model):", "Face Number Orig Label");
    faceNumberOrigLabel = addLabel(status, "0", "Face Number Orig");
    addLabel(status, "Face Number:", "Face Number Label");
    faceNumberLabel = addLabel(status, "0", "Face Number");
    addLabel(status, "Fps:", "FPS Label");
    fpsLabel = addLabel(status, "0", "FPS Number");
    addLabel(status, "", "Misc Space Label", 1);
}

// --- scene -------------------------------------------------------------------

// The scene is PelmoraScene's; the window counts the frames it draws.
void PelmoraApplication::createScene(void)
{
    std::printf("Creating the scene ...\n");
    scene.reset(new PelmoraScene(frameRateCallback, this));
}

void PelmoraApplication::createViewer(void)
{
    viewer = new SoQtExaminerViewer(viewerWidget, nullptr, TRUE, SoQtFullViewer::BUILD_ALL, SoQtViewer::BROWSER);
    // The component follows the size of the widget it is embedded in.
    QVBoxLayout* layout = new QVBoxLayout(viewerWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(viewer->getWidget());
    viewer->setCameraType(SoOrthographicCamera::getClassTypeId());
    viewer->setSceneGraph(getSceneRoot());
    viewer->show();
}

// --- settings ----------------------------------------------------------------

// Lines white on black, or black on white: the silhouette's own lines, the
// colour of the strokes and the mesh shape's edges.
void PelmoraApplication::applyBackgroundMode(void)
{
    const float back = blackBackground ? 0.0f : 1.0f;
    scene->setBlackBackground(blackBackground);
    viewer->setBackgroundColor(SbColor(back, back, back));
}

// --- loading -----------------------------------------------------------------

void PelmoraApplication::openFile(void)
{
    // Inventor files first; Coin reads VRML too, Assimp the mesh formats
    // people exchange, and a model under another name is still worth a try.
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), QString(),
        QStringLiteral("*.iv;;*.wrl;;Meshes (*.obj *.ply *.stl *.off *.gltf *.glb *.3ds *.dae *.fbx);;All files (*)"));
    if (!chosen.isEmpty())
        openModel(chosen);
}

void PelmoraApplication::openModel(const QString& path)
{
    fileNameLabel->setText(path);
    // Nothing is drawn while the model is being replaced.
    SoSeparator* empty = new SoSeparator;
    empty->ref();
    viewer->setSceneGraph(empty);
    loadModel(QFile::encodeName(path).constData());
    viewer->setSceneGraph(getSceneRoot());
    empty->unref();
    viewer->render();
    updateModelInfo();
}

void PelmoraApplication::loadModel(const char* path)
{
    if (path == nullptr || path[0] == '\0') {
        resetScene();
        return;
    }
    const PelmoraScene::ModelFile file = PelmoraScene::readModelFile(path, true);
    if (file.outcome == PelmoraScene::ModelFile::CANNOT_OPEN)
        return;
    if (file.outcome == PelmoraScene::ModelFile::NOT_A_MODEL) {
        QMessageBox::information(this, QStringLiteral("Error"), QStringLiteral("Wrong filename! Try again ..."));
        return;
    }
    scene->setModel(file.model);
    applyGenerateWingedEdge();
    std::printf("Model loaded!\n");
    resetScene();
}

void PelmoraApplication::applyGenerateWingedEdge(void)
{
    scene->setBuildWingedEdge(generateWingedEdgeFlag);
    resetScene();
}

void PelmoraApplication::resetScene(void)
{
    // The transformations of the scene go back to their defaults, but not
    // those of the loaded model: they place its parts, and a scene of many
    // parts would collapse into one heap at the origin.
    const SoNode* modelGroup = getGenerator();
    SoSearchAction search;
    search.setType(SoTransformation::getClassTypeId(), TRUE);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(getSceneRoot());
    const SoPathList& found = search.getPaths();
    for (int i = 0; i < found.getLength(); ++i)
        if (modelGroup == nullptr || !found[i]->containsNode(modelGroup))
            found[i]->getTail()->setToDefaults();

    viewer->viewAll();
    viewer->render();
    updateModelInfo();
}

// --- statistics --------------------------------------------------------------

// The numbers come from the modifier: the meshes as modified, which are the
// meshes as built while no modification is switched on.
void PelmoraApplication::updateModelInfo(void)
{
    if (scene == nullptr)
        return;
    const SoModifyWingedEdge* modifier = getModifier();
    faceNumberOrigLabel->setNum(getGenerator()->getOriginalFaceCount());
    faceNumberLabel->setNum(modifier->getNumFaces());
    objectNumberLabel->setNum(modifier->getNumObjects());
    modelFaceNumberLabel->setNum(modifier->getNumFaces());
    edgeNumberLabel->setNum(modifier->getNumEdges());
    vertexNumberLabel->setNum(modifier->getNumVertices());
}

QLabel* PelmoraApplication::getModelInfoLabel(int which) const
{
    switch (which) {
    case 0: return objectNumberLabel;
    case 1: return modelFaceNumberLabel;
    case 2: return edgeNumberLabel;
    case 3: return vertexNumberLabel;
    default: return nullptr;
    }
}

void PelmoraApplication::setClock(std::function<double(void)> newClock)
{
    clock = newClock ? std::move(newClock) : std::function<double(void)>(timeOfDay);
}

void PelmoraApplication::frameRateCallback(void* data, SoAction* action)
{
    if (!action->isOfType(SoGLRenderAction::getClassTypeId()))
        return;
    PelmoraApplication* window = static_cast<PelmoraApplication*>(data);
    double rate = 0.0;
    if (window->frameRate.frame(window->clock(), rate))
        window->fpsLabel->setNum(rate);
}
