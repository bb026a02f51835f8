// The Pelmora main window: frame and status row, the fixed scene graph, the
// viewer, model loading and the statistics labels.

#include "PelmoraApplication.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/Qt/SoQt.h>
#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTransformSeparator.h>
#include <Inventor/nodes/SoTransformation.h>

#include <QBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QGLWidget>
#include <QLabel>
#include <QMessageBox>

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "Quillmap.h"
#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineConcatenator.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLineCoordinateOrientation.h"
#include "lines/SoLineParameterization.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineThickener.h"
#include "output/SoLineOutput.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace {

double timeOfDay(void)
{
    return SbTime::getTimeOfDay().getValue();
}

// The first node called `name` below `root`, searching all children.
SoNode* findNamed(SoNode* root, const char* name)
{
    SoSearchAction search;
    search.setName(SbName(name));
    search.setInterest(SoSearchAction::FIRST);
    search.setSearchingAll(TRUE);
    search.apply(root);
    SoPath* path = search.getPath();
    return path != nullptr ? path->getTail() : nullptr;
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
    root->unref();
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

// The one scene graph of the viewer, built once: the frame-rate counter, then
// under "ModelNode" the model with the mesh generator above it, the mesh
// shape, the silhouette generator and the line chain that turns lines into
// strokes. Loading replaces only the model; the menus change the fields.
void PelmoraApplication::createScene(void)
{
    std::printf("Creating the scene ...\n");

    // The root, and the frame-rate counter called on every traversal.
    root = new SoSeparator;
    root->ref();
    SoCallback* frameRateNode = new SoCallback;
    frameRateNode->setCallback(frameRateCallback, this);
    root->addChild(frameRateNode);

    // Everything below shares the model's coordinate system.
    SoTransformSeparator* modelNode = new SoTransformSeparator;
    modelNode->setName("ModelNode");
    root->addChild(modelNode);

    // The model is only read for its meshes; the mesh shape draws them.
    SoDrawStyle* invisible = new SoDrawStyle;
    invisible->style = SoDrawStyle::INVISIBLE;
    modelNode->addChild(invisible);

    // The mesh generator with the placeholder model that loading replaces.
    generator = new SoGenerateWingedEdge;
    generator->setName("GeometryParentNode");
    modelNode->addChild(generator);
    SoCone* placeholder = new SoCone;
    placeholder->setName("GeometryNode");
    generator->addChild(placeholder);

    // What follows is drawn filled.
    SoDrawStyle* filled = new SoDrawStyle;
    filled->style = SoDrawStyle::FILLED;
    modelNode->addChild(filled);

    // The mesh modifier: connecting, large faces, sharp edges, dividing,
    // subdivision and smoothing as the settings choose, applied to the
    // meshes before anything below reads them.
    modifier = new SoModifyWingedEdge;
    modelNode->addChild(modifier);

    // The mesh writer: writes the meshes as modified when an export asks
    // for it.
    meshWriter = new SoWingedEdgeOutput;
    modelNode->addChild(meshWriter);

    // The mesh shape: the meshes in the visualization mode of the settings.
    meshShape = new SoWingedEdge;
    modelNode->addChild(meshShape);

    // Colour of the lines, set with the background.
    baseColor = new SoBaseColor;
    modelNode->addChild(baseColor);

    // The silhouette generator: border, silhouette and sharp edges of the
    // meshes for the current view, handed to the line chain. Off until the
    // user asks for them; the line width follows the stroke width.
    silhouette = new SoGenerateSilhouette;
    modelNode->addChild(silhouette);

    // The nodes of the line chain, with the values the scene starts from.
    strokeTexture = new SoTexture2;
    strokeTexture->filename = "textures/chalk.rgb";
    strokeTexture->model = SoTexture2::MODULATE;
    thickener = new SoLineThickener;
    thickener->amplitude = 0.001f;
    thickener->thickenMethod = SoLineThickener::CONSTANT_TEXTURE_HEIGHT;
    SoLineCoordinateOrientation* orientation = new SoLineCoordinateOrientation;
    lineOutput = new SoLineOutput;
    strokeShape = new SoLineShape;
    hiddenLineRemover = new SoLineHiddenLineRemover;
    for (SoLinePurifier*& purifier : purifiers)
        purifier = new SoLinePurifier;
    purifiers[0]->purifyMethod = SoLinePurifier::ELIMINATE_ZIG_ZAGS;
    purifiers[1]->purifyMethod = SoLinePurifier::ELIMINATE_SHORT_SEGMENTS;
    purifiers[2]->purifyMethod = SoLinePurifier::ELIMINATE_SHARP_ANGLES;

    // The line chain in a separator of its own: what it sets stays inside.
    SoSeparator* lineSeparator = new SoSeparator;
    // The edges joined into long strips, measured along the screen.
    lineSeparator->addChild(new SoLineConcatenator);
    lineSeparator->addChild(new SoLineParameterization);
    strokeShape->useSoLineParameterization = TRUE;
    // Only the visible parts go on.
    lineSeparator->addChild(hiddenLineRemover);
    lineSeparator->addChild(strokeTexture);
    // Zig-zags, short segments, sharp angles, and zig-zags once more (the
    // same purifier), which the other two may have left.
    lineSeparator->addChild(purifiers[0]);
    lineSeparator->addChild(purifiers[1]);
    lineSeparator->addChild(purifiers[2]);
    lineSeparator->addChild(purifiers[0]);
    // Directions and widths of the strokes, then the strokes themselves.
    lineSeparator->addChild(orientation);
    lineSeparator->addChild(thickener);
    // Writes the strokes to a file when an export asks for it.
    lineSeparator->addChild(lineOutput);
    lineSeparator->addChild(strokeShape);
    modelNode->addChild(lineSeparator);
}

void PelmoraApplication::createViewer(void)
{
    viewer = new SoQtExaminerViewer(viewerWidget, nullptr, TRUE, SoQtFullViewer::BUILD_ALL, SoQtViewer::BROWSER);
    // The component follows the size of the widget it is embedded in.
    QVBoxLayout* layout = new QVBoxLayout(viewerWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(viewer->getWidget());
    viewer->setCameraType(SoOrthographicCamera::getClassTypeId());
    viewer->setSceneGraph(root);
    viewer->show();
}

// --- settings ----------------------------------------------------------------

// Lines white on black, or black on white: the silhouette's own lines, the
// colour of the strokes and the mesh shape's edges.
void PelmoraApplication::applyBackgroundMode(void)
{
    const float line = blackBackground ? 1.0f : 0.0f;
    const float back = blackBackground ? 0.0f : 1.0f;
    silhouette->setDrawingColor(SbColor(line, line, line));
    baseColor->rgb.setValue(line, line, line);
    viewer->setBackgroundColor(SbColor(back, back, back));
    meshShape->setLineColor(line, line, line);
    generator->invalidateRenderCache();
}

// --- loading -----------------------------------------------------------------

void PelmoraApplication::openFile(void)
{
    // Inventor files first; Coin reads VRML too, Assimp the mesh formats
    // people exchange, and a model under another name is still worth a try.
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), QString(),
        QStringLiteral("*.iv;;*.wrl;;Meshes (*.obj *.ply *.stl *.off *.gltf *.glb *.3ds *.dae *.fbx);;All files (*)"));
    if (chosen.isEmpty())
        return;
    fileNameLabel->setText(chosen);
    // Nothing is drawn while the model is being replaced.
    SoSeparator* empty = new SoSeparator;
    empty->ref();
    viewer->setSceneGraph(empty);
    loadModel(QFile::encodeName(chosen).constData());
    viewer->setSceneGraph(root);
    empty->unref();
    viewer->render();
    updateModelInfo();
}

void PelmoraApplication::loadModel(const char* path)
{
    char savedDirectory[1024];
    const bool directorySaved = getcwd(savedDirectory, sizeof savedDirectory) != nullptr;
    if (!directorySaved)
        std::perror("_getcwd error");

    if (path == nullptr || path[0] == '\0') {
        resetScene();
        return;
    }

    SoGroup* group = static_cast<SoGroup*>(findNamed(root, "GeometryParentNode"));
    SoNode* oldModel = findNamed(root, "GeometryNode");

    std::printf("Reading file %s ... \n", path);

    // The file is opened and read in its own directory, so that the files
    // and images it refers to by relative names are found there. Without a
    // way back to the working directory, or without a way into the model's,
    // the path is opened as given: never a file of the same name in the wrong
    // directory.
    const std::string fullPath(path);
    const std::string::size_type slash = fullPath.rfind('/');
    std::string fileName = fullPath;
    bool directoryChanged = false;
    if (slash != std::string::npos && directorySaved) {
        const std::string directory = slash == 0 ? std::string("/") : fullPath.substr(0, slash);
        if (chdir(directory.c_str()) == 0) {
            directoryChanged = true;
            fileName = fullPath.substr(slash + 1);
        } else {
            std::printf("could not change to directory %s\n", directory.c_str());
        }
    }
    auto changeBack = [&]() {
        if (directoryChanged && chdir(savedDirectory) != 0)
            std::perror("_chdir error");
        directoryChanged = false;
    };

    SoInput input;
    if (!input.openFile(fileName.c_str())) {
        std::printf("Cannot load %s ...\n", path);
        changeBack();
        return;
    }
    // Inventor and VRML files are read by Coin; any other file is handed to
    // the library's reader, which says on standard error why it cannot read
    // it.
    const bool inventor = input.isValidFile();
    SoSeparator* model = inventor ? SoDB::readAll(&input) : nullptr;
    input.closeFile();
    if (!inventor)
        model = Quillmap::readModel(fileName.c_str());
    changeBack();
    if (model == nullptr) {
        QMessageBox::information(this, QStringLiteral("Error"), QStringLiteral("Wrong filename! Try again ..."));
        return;
    }

    model->ref();
    const int index = oldModel != nullptr ? group->findChild(oldModel) : -1;
    if (index >= 0) {
        group->replaceChild(index, model);
    } else {
        group->removeAllChildren();
        group->addChild(model);
    }
    model->setName("GeometryNode");
    model->unrefNoDelete();

    applyGenerateWingedEdge();
    std::printf("Model loaded!\n");
    resetScene();
}

void PelmoraApplication::applyGenerateWingedEdge(void)
{
    generator->doBuildWingedEdge = generateWingedEdgeFlag;
    generator->requestRebuild();
    resetScene();
}

void PelmoraApplication::resetScene(void)
{
    // The transformations of the scene go back to their defaults, but not
    // those of the loaded model: they place its parts, and a scene of many
    // parts would collapse into one heap at the origin.
    const SoNode* modelGroup = findNamed(root, "GeometryParentNode");
    SoSearchAction search;
    search.setType(SoTransformation::getClassTypeId(), TRUE);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
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
    if (generator != nullptr)
        faceNumberOrigLabel->setNum(generator->getOriginalFaceCount());
    const int faces = modifier != nullptr ? modifier->getNumFaces() : 0;
    faceNumberLabel->setNum(faces);
    objectNumberLabel->setNum(modifier != nullptr ? modifier->getNumObjects() : 0);
    modelFaceNumberLabel->setNum(faces);
    edgeNumberLabel->setNum(modifier != nullptr ? modifier->getNumEdges() : 0);
    vertexNumberLabel->setNum(modifier != nullptr ? modifier->getNumVertices() : 0);
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
