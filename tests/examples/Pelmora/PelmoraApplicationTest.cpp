// The Pelmora main window under Qt Test: its frame and status row, the scene
// graph, model loading with every failure it meets, the statistics, the
// frame-rate label and what the viewer draws.
//
// Each test gets a window from PelmoraApplication::createMainWindow(), the
// code the program entry runs, with the working directory at the top of the
// source tree as the README starts the program. Modal dialogs are answered by
// a watcher so that no test waits for a person. With PELMORA_TEST_FRAMES set
// to a directory, the frames the viewer test reads back are saved there.

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoCamera.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/nodes/SoTransformSeparator.h>
#include <Inventor/nodes/SoTranslation.h>

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QFileDialog>
#include <QGLWidget>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QtTest>

#include <GL/gl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DialogWatcher.h"
#include "FrameRateCounter.h"
#include "PelmoraApplication.h"
#include "PelmoraScene.h"
#include "ViewerFrames.h"
#include "support/CoinShapes.h"
#include "support/OutputCapture.h"
#include "support/RealModels.h"
#include "support/TestNodes.h"
#include "lines/SoGenerateSilhouette.h"
#include "output/SoLineOutput.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineThickener.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"
#include "wingededge/WingedEdge.h"

namespace {

const char* const kWrongFileText = "Wrong filename! Try again ...";

std::string sourcePath(const std::string& relative) { return std::string(QUILLMAP_SOURCE_DIR) + "/" + relative; }

std::string currentDirectory(void)
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

SoSeparator* readFile(const std::string& path)
{
    SoInput input;
    if (!input.openFile(path.c_str(), TRUE))
        return nullptr;
    return SoDB::readAll(&input);
}

// What Coin itself makes of the shapes of a model file, read afresh: the
// faces of its triangle callback, and the box of their corners in the
// model's coordinates (every transformation applied), for each shape in
// traversal order.
struct CoinTriangles {
    int count = -1;
    std::vector<SbBox3f> parts;
};

CoinTriangles coinTriangles(const std::string& path)
{
    CoinTriangles result;
    SoSeparator* scene = readFile(path);
    if (scene == nullptr)
        return result;
    scene->ref();
    const std::vector<CoinShape> shapes = coinShapes(scene);
    result.count = coinFaceCount(shapes);
    for (const CoinShape& shape : shapes)
        result.parts.push_back(shape.box);
    scene->unref();
    return result;
}

// The box of every vertex of a mesh.
SbBox3f meshBox(const WingedEdgeMesh& mesh)
{
    SbBox3f box;
    for (const WEVertex& v : mesh.vertices)
        box.extendBy(v.position);
    return box;
}

// Whether two boxes agree to within `tolerance` in every bound.
bool sameBox(const SbBox3f& a, const SbBox3f& b, float tolerance)
{
    return !a.isEmpty() && !b.isEmpty() && (a.getMin() - b.getMin()).length() <= tolerance
        && (a.getMax() - b.getMax()).length() <= tolerance;
}

QByteArray describe(const SbBox3f& box)
{
    const SbVec3f& lo = box.getMin();
    const SbVec3f& hi = box.getMax();
    return QStringLiteral("(%1 %2 %3) - (%4 %5 %6)")
        .arg(lo[0]).arg(lo[1]).arg(lo[2]).arg(hi[0]).arg(hi[1]).arg(hi[2])
        .toLatin1();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

class PelmoraApplicationTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PelmoraApplication> window;
    std::string startDirectory;

    SoGroup* modelGroup(void) const { return window->getGenerator(); }
    SoNode* currentModel(void) const { return modelGroup()->getNumChildren() > 0 ? modelGroup()->getChild(0) : nullptr; }
    QString label(const char* objectName) const
    {
        QLabel* found = window->findChild<QLabel*>(QString::fromLatin1(objectName));
        return found != nullptr ? found->text() : QStringLiteral("<missing %1>").arg(objectName);
    }
    int labelNumber(const char* objectName) const { return label(objectName).toInt(); }

    // Loads `path` and checks the group's one child and the face labels.
    void expectLoaded(const std::string& path, int expectedFaces)
    {
        window->loadModel(path.c_str());
        QCOMPARE(modelGroup()->getNumChildren(), 1);
        QCOMPARE(QString(currentModel()->getName().getString()), QStringLiteral("GeometryNode"));
        QVERIFY2(!currentModel()->isOfType(SoCone::getClassTypeId()), path.c_str());
        QCOMPARE(labelNumber("Face Number Orig"), expectedFaces);
        QCOMPARE(labelNumber("Face Number"), expectedFaces);
    }

    QImage viewerFrame(void) { return ::viewerFrame(window.get()); }

private slots:
    void initTestCase(void)
    {
        startDirectory = sourcePath("");
        QVERIFY(chdir(startDirectory.c_str()) == 0);
    }

    void init(void)
    {
        window.reset(PelmoraApplication::createMainWindow());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup(void)
    {
        window.reset();
        QCOMPARE(currentDirectory() + "/", startDirectory);
    }

    void frameAndStatusRow(void)
    {
        QCOMPARE(window->objectName(), QStringLiteral("mainWindow"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Pelmora"));
        QCOMPARE(window->size(), QSize(800, 600));

        QBoxLayout* frame = qobject_cast<QBoxLayout*>(window->centralWidget()->layout());
        QVERIFY(frame != nullptr);
        QCOMPARE(frame->direction(), QBoxLayout::TopToBottom);
        QCOMPARE(frame->spacing(), 5);
        QCOMPARE(frame->count(), 2);
        QCOMPARE(frame->stretch(0), 1);
        QVERIFY(window->getViewer()->getWidget()->isAncestorOf(window->getViewer()->getGLWidget()) ||
                window->getViewer()->getWidget() == window->getViewer()->getGLWidget());
        QVERIFY(frame->itemAt(0)->widget()->isAncestorOf(window->getViewer()->getGLWidget()));

        QBoxLayout* status = qobject_cast<QBoxLayout*>(frame->itemAt(1)->widget()->layout());
        QVERIFY(status != nullptr);
        QCOMPARE(status->direction(), QBoxLayout::LeftToRight);
        QCOMPARE(status->spacing(), 10);
        const std::vector<std::pair<const char*, const char*>> expected = {
            { "File:", "Filename Label" },
            { "(none)", "Filename" },
            { "Face Number (Original Model):", "Face Number Orig Label" },
            { nullptr, "Face Number Orig" }, // the cone's, counted in sceneGraph
            { "Face Number:", "Face Number Label" },
            { nullptr, "Face Number" },
            { "Fps:", "FPS Label" },
            { nullptr, "FPS Number" }, // "0" until a second of frames has passed
            { "", "Misc Space Label" },
        };
        QCOMPARE(status->count(), int(expected.size()));
        for (int i = 0; i < status->count(); ++i) {
            QLabel* shown = qobject_cast<QLabel*>(status->itemAt(i)->widget());
            QVERIFY2(shown != nullptr, QByteArray::number(i));
            QCOMPARE(shown->objectName(), QString::fromLatin1(expected[size_t(i)].second));
            if (expected[size_t(i)].first != nullptr)
                QCOMPARE(shown->text(), QString::fromLatin1(expected[size_t(i)].first));
            QCOMPARE(status->stretch(i), i + 1 == status->count() ? 1 : 0);
        }

        // The viewer fills the space above the status row.
        QWidget* gl = window->getViewer()->getGLWidget();
        QVERIFY2(gl->width() > 600 && gl->height() > 450,
                 qPrintable(QStringLiteral("GL widget %1 x %2").arg(gl->width()).arg(gl->height())));
    }

    void menusAndModelInformationWindow(void)
    {
        // The menus themselves are PelmoraControlsTest's.
        QList<QAction*> menus = window->menuBar()->actions();
        QVERIFY(!menus.isEmpty());
        QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
        QAction* quit = menus[0]->menu()->actions().last();
        QCOMPARE(quit->text(), QStringLiteral("&Quit"));

        QWidget* info = window->getModelInformationWindow();
        QCOMPARE(info->objectName(), QStringLiteral("Model Information"));
        QCOMPARE(info->windowTitle(), QStringLiteral("Model Information"));
        QVERIFY(info->isWindow());
        QVERIFY(!info->isVisible());
        const char* captions[] = { "Object Number: ", "Face Number: ", "Edge Number: ", "Vertex Number: " };
        for (int i = 0; i < 4; ++i) {
            QLabel* value = window->getModelInfoLabel(i);
            QVERIFY(value != nullptr);
            QBoxLayout* row = qobject_cast<QBoxLayout*>(value->parentWidget()->layout());
            QCOMPARE(row->count(), 2);
            QCOMPARE(qobject_cast<QLabel*>(row->itemAt(0)->widget())->text(), QString::fromLatin1(captions[i]));
            QCOMPARE(row->itemAt(1)->widget(), static_cast<QWidget*>(value));
        }
        QVERIFY(window->getModelInfoLabel(4) == nullptr);

        // Quit closes the window.
        quit->trigger();
        QVERIFY(!window->isVisible());
    }

    void sceneGraph(void)
    {
        SoSeparator* root = window->getSceneRoot();
        QVERIFY(root->getRefCount() >= 1);
        QCOMPARE(root->getNumChildren(), 2);
        QVERIFY(root->getChild(0)->isOfType(SoCallback::getClassTypeId()));
        SoNode* modelNode = root->getChild(1);
        QCOMPARE(modelNode->getTypeId(), SoTransformSeparator::getClassTypeId());
        QCOMPARE(QString(modelNode->getName().getString()), QStringLiteral("ModelNode"));

        SoGroup* model = static_cast<SoGroup*>(modelNode);
        // The invisible style, the generator, the filled style, the mesh
        // modifier, the mesh writer, the mesh shape, the base colour, the
        // silhouette generator, the line chain.
        QCOMPARE(model->getNumChildren(), 9);
        QVERIFY(model->getChild(0)->isOfType(SoDrawStyle::getClassTypeId()));
        QCOMPARE(int(static_cast<SoDrawStyle*>(model->getChild(0))->style.getValue()), int(SoDrawStyle::INVISIBLE));
        QCOMPARE(model->getChild(1), static_cast<SoNode*>(window->getGenerator()));
        QCOMPARE(QString(window->getGenerator()->getName().getString()), QStringLiteral("GeometryParentNode"));
        QVERIFY(model->getChild(2)->isOfType(SoDrawStyle::getClassTypeId()));
        QCOMPARE(int(static_cast<SoDrawStyle*>(model->getChild(2))->style.getValue()), int(SoDrawStyle::FILLED));
        QCOMPARE(model->getChild(3), static_cast<SoNode*>(window->getModifier()));
        QCOMPARE(QString(model->getChild(3)->getTypeId().getName().getString()), QStringLiteral("SoModifyWingedEdge"));
        QCOMPARE(model->getChild(4), static_cast<SoNode*>(window->getMeshWriter()));
        QCOMPARE(QString(model->getChild(4)->getTypeId().getName().getString()), QStringLiteral("SoWingedEdgeOutput"));
        QCOMPARE(QString(window->getMeshWriter()->filename.getValue().getString()), QString());
        QCOMPARE(model->getChild(5), static_cast<SoNode*>(window->getMeshShape()));
        QVERIFY(model->getChild(5)->isOfType(SoWingedEdge::getClassTypeId()));
        QCOMPARE(model->getChild(6), static_cast<SoNode*>(window->getBaseColor()));
        QCOMPARE(model->getChild(7), static_cast<SoNode*>(window->getSilhouette()));
        // The silhouette starts switched off, sending lines, with hidden parts
        // removed when it draws itself.
        SoGenerateSilhouette* silhouette = window->getSilhouette();
        QVERIFY(!silhouette->doComputation.getValue());
        QVERIFY(silhouette->sendLines.getValue());
        QVERIFY(silhouette->displaySilhouette.getValue());
        QCOMPARE(silhouette->lineWidth.getValue(), 2.0f);

        // The line chain, from the concatenator to the stroke shape.
        SoGroup* chain = static_cast<SoGroup*>(model->getChild(8));
        QCOMPARE(chain->getTypeId(), SoSeparator::getClassTypeId());
        const char* const rows[] = { "SoLineConcatenator", "SoLineParameterization", "SoLineHiddenLineRemover",
                                     "Texture2", "SoLinePurifier",
                                     "SoLinePurifier", "SoLinePurifier", "SoLinePurifier",
                                     "SoLineCoordinateOrientation", "SoLineThickener", "Switch",
                                     "SoLineOutput", "SoLineShape" };
        const int rowCount = int(sizeof rows / sizeof rows[0]);
        QCOMPARE(chain->getNumChildren(), rowCount);
        for (int i = 0; i < rowCount; ++i)
            QCOMPARE(QString(chain->getChild(i)->getTypeId().getName().getString()), QString::fromLatin1(rows[i]));
        QCOMPARE(chain->getChild(2), static_cast<SoNode*>(window->getHiddenLineRemover()));
        QVERIFY(window->getHiddenLineRemover()->active.getValue());
        QCOMPARE(chain->getChild(3), static_cast<SoNode*>(window->getStrokeTexture()));
        // The three purifiers, the first traversed twice.
        QCOMPARE(chain->getChild(4), static_cast<SoNode*>(window->getPurifier(0)));
        QCOMPARE(chain->getChild(5), static_cast<SoNode*>(window->getPurifier(1)));
        QCOMPARE(chain->getChild(6), static_cast<SoNode*>(window->getPurifier(2)));
        QCOMPARE(chain->getChild(7), static_cast<SoNode*>(window->getPurifier(0)));
        QCOMPARE(int(window->getPurifier(0)->purifyMethod.getValue()), int(SoLinePurifier::ELIMINATE_ZIG_ZAGS));
        QCOMPARE(int(window->getPurifier(1)->purifyMethod.getValue()), int(SoLinePurifier::ELIMINATE_SHORT_SEGMENTS));
        QCOMPARE(int(window->getPurifier(2)->purifyMethod.getValue()), int(SoLinePurifier::ELIMINATE_SHARP_ANGLES));
        for (int i = 0; i < 3; ++i)
            QVERIFY(window->getPurifier(i)->active.getValue());
        QCOMPARE(QString(window->getStrokeTexture()->filename.getValue().getString()), QStringLiteral("textures/chalk.rgb"));
        QCOMPARE(int(window->getStrokeTexture()->model.getValue()), int(SoTexture2::MODULATE));
        QCOMPARE(chain->getChild(rowCount - 4), static_cast<SoNode*>(window->getThickener()));
        // The taper waits switched off in its switch; the strokes have blunt
        // ends and the width the texture gives.
        SoSwitch* taper = static_cast<SoSwitch*>(chain->getChild(rowCount - 3));
        QCOMPARE(taper->getNumChildren(), 1);
        QCOMPARE(QString(taper->getChild(0)->getTypeId().getName().getString()), QStringLiteral("SoLineTaper"));
        QCOMPARE(taper->whichChild.getValue(), SO_SWITCH_NONE);
        QVERIFY(!window->getStrokeShape()->roundCaps.getValue());
        QCOMPARE(chain->getChild(rowCount - 2), static_cast<SoNode*>(window->getLineOutput()));
        QCOMPARE(int(window->getThickener()->thickenMethod.getValue()), int(SoLineThickener::CONSTANT_TEXTURE_HEIGHT));
        // The stroke width starts at 2: amplitude 0.2 (the scene's 0.001 is
        // the value before the settings apply).
        QCOMPARE(window->getThickener()->amplitude.getValue(), 0.2f);
        QCOMPARE(chain->getChild(rowCount - 1), static_cast<SoNode*>(window->getStrokeShape()));
        QVERIFY(window->getStrokeShape()->useSoLineParameterization.getValue());
        // White background, black lines.
        QCOMPARE(window->getBaseColor()->rgb[0], SbColor(0, 0, 0));
        QCOMPARE(window->getViewer()->getBackgroundColor(), SbColor(1, 1, 1));
        QCOMPARE(window->getMeshShape()->getLineColor(), SbColor(0, 0, 0));
        QCOMPARE(silhouette->getDrawingColor(), SbColor(0, 0, 0));

        QCOMPARE(modelGroup()->getNumChildren(), 1);
        QVERIFY(currentModel()->isOfType(SoCone::getClassTypeId()));
        QCOMPARE(QString(currentModel()->getName().getString()), QStringLiteral("GeometryNode"));

        SoQtExaminerViewer* viewer = window->getViewer();
        QCOMPARE(viewer->getSceneGraph(), static_cast<SoNode*>(root));
        QVERIFY(viewer->getCamera() != nullptr);
        QCOMPARE(viewer->getCamera()->getTypeId(), SoOrthographicCamera::getClassTypeId());
        QCOMPARE(viewer->getCameraType(), SoOrthographicCamera::getClassTypeId());
        QVERIFY(viewer->isDecoration());
        // A browser keeps its camera out of the scene it is given.
        SoSearchAction cameras;
        cameras.setType(SoCamera::getClassTypeId());
        cameras.setSearchingAll(TRUE);
        cameras.apply(root);
        QVERIFY(cameras.getPath() == nullptr);

        // Before any model is loaded the statistics describe the cone, built
        // from the triangles Coin makes of it, as soon as the window is up.
        QCOMPARE(label("Filename"), QStringLiteral("(none)"));
        const int coneFaces = coinFaceCount(coinShapes(window->getGenerator()->getChild(0)));
        QVERIFY(coneFaces > 0);
        QCOMPARE(labelNumber("Face Number Orig"), coneFaces);
        QCOMPARE(labelNumber("Face Number"), coneFaces);
    }

    void loadingReplacesTheModel(void)
    {
        const std::string sphere = "models/sphere.iv", torus = "models/torus.iv";
        const int sphereFaces = coinTriangles(sphere).count;
        const int torusFaces = coinTriangles(torus).count;
        QVERIFY(sphereFaces > 0 && torusFaces > 0 && sphereFaces != torusFaces);

        OutputCapture output;
        expectLoaded(sphere, sphereFaces);
        SoNode* first = currentModel();
        expectLoaded(torus, torusFaces);
        QVERIFY(currentModel() != first);
        const std::string printed = output.text();
        QVERIFY2(printed.find("Reading file models/torus.iv ... \n") != std::string::npos, printed.c_str());
        QVERIFY2(printed.find("Model loaded!\n") != std::string::npos, printed.c_str());

        // The Model Information window counts the same meshes; a closed torus
        // has Euler characteristic 0.
        const int objects = window->getModelInfoLabel(0)->text().toInt();
        const int faces = window->getModelInfoLabel(1)->text().toInt();
        const int edges = window->getModelInfoLabel(2)->text().toInt();
        const int vertices = window->getModelInfoLabel(3)->text().toInt();
        QCOMPARE(objects, 1);
        QCOMPARE(faces, torusFaces);
        QCOMPARE(edges, 3 * faces / 2);
        QCOMPARE(vertices - edges + faces, 0);

        // The VRML file holds the same sphere.
        expectLoaded("models/sphere.wrl", sphereFaces);
    }

    // The face numbers are the modifier's: one Loop step on the sample
    // sphere, once the modifier is invalidated and the scene rendered, shows
    // four faces for every face built, and an export writes them.
    void faceNumbersFollowTheModifier(void)
    {
        const std::string sphere = "models/sphere.iv";
        const int sphereFaces = coinTriangles(sphere).count;
        expectLoaded(sphere, sphereFaces);
        window->getModifier()->subdivisionSteps = 1;
        window->getViewer()->render();
        window->updateModelInfo();
        QCOMPARE(labelNumber("Face Number"), sphereFaces);
        window->getModifier()->invalidate();
        window->getViewer()->render();
        window->updateModelInfo();
        QCOMPARE(labelNumber("Face Number"), 4 * sphereFaces);
        QCOMPARE(window->getModelInfoLabel(1)->text().toInt(), 4 * sphereFaces);
        QCOMPARE(labelNumber("Face Number Orig"), sphereFaces);

        // The mesh writer comes after the modifier: an export holds the
        // subdivided sphere.
        QTemporaryDir folder;
        const std::string exported = folder.path().toStdString() + "/sphere.wrl";
        window->getMeshWriter()->filename = exported.c_str();
        window->getMeshWriter()->requestVRMLOutput();
        window->getViewer()->render();
        QCOMPARE(coinTriangles(exported).count, 4 * sphereFaces);
    }

    void emptyPathOnlyResets(void)
    {
        // The reset leaves the loaded model's own transformation alone,
        // brings one outside the model back to its defaults and fits the
        // camera to the scene again.
        QTemporaryDir dir;
        const std::string path = dir.path().toStdString() + "/moved.iv";
        writeFile(path, "#Inventor V2.1 ascii\n"
                        "Separator { Transform { translation 5 6 7 scaleFactor 2 2 2 } Cone {} }\n");
        window->loadModel(path.c_str());
        SoNode* model = currentModel();
        SoSearchAction search;
        search.setType(SoTransform::getClassTypeId());
        search.setInterest(SoSearchAction::FIRST);
        search.setSearchingAll(TRUE);
        search.apply(model);
        QVERIFY(search.getPath() != nullptr);
        SoTransform* own = static_cast<SoTransform*>(search.getPath()->getTail());
        SoTranslation* outside = new SoTranslation;
        outside->translation.setValue(1, 2, 3);
        window->getSceneRoot()->insertChild(outside, 1);
        SoCamera* camera = window->getViewer()->getCamera();
        camera->position.setValue(100, 100, 100);

        OutputCapture output;
        window->loadModel("");
        const std::string printed = output.text();
        QCOMPARE(currentModel(), model);
        QCOMPARE(own->translation.getValue(), SbVec3f(5, 6, 7));
        QCOMPARE(own->scaleFactor.getValue(), SbVec3f(2, 2, 2));
        QCOMPARE(outside->translation.getValue(), SbVec3f(0, 0, 0));
        QVERIFY(outside->translation.isDefault());
        QVERIFY((camera->position.getValue() - SbVec3f(100, 100, 100)).length() > 1.0f);
        QCOMPARE(printed, std::string());

        window->loadModel(nullptr);
        QCOMPARE(currentModel(), model);
    }

    // A scene of many placed parts (176 transformations) keeps them through
    // loading and a reset: every mesh built lies where Coin itself puts the
    // triangles of its strip set.
    void resetKeepsThePartsInPlace(void)
    {
        const std::string path = realModelsDirectory() + "/scenes/chesschairs.iv";
        if (!QFile::exists(QString::fromStdString(path)))
            QSKIP("the chess chairs of the inventor-data package are not installed");
        const CoinTriangles coin = coinTriangles(path);
        QVERIFY(coin.count > 0);
        auto expectInPlace = [&](const char* when) {
            const WingedEdgeList& built = window->getGenerator()->getOutputList();
            QCOMPARE(built.meshes.size(), coin.parts.size());
            for (const WingedEdgeMesh& mesh : built.meshes) {
                QVERIFY(mesh.objectIndex >= 0 && size_t(mesh.objectIndex) < coin.parts.size());
                const SbBox3f& expected = coin.parts[size_t(mesh.objectIndex)];
                const SbBox3f box = meshBox(mesh);
                QVERIFY2(sameBox(box, expected, 1e-4f),
                         QByteArray(when) + ": mesh " + QByteArray::number(mesh.objectIndex) + " at "
                             + describe(box) + ", Coin puts its triangles at " + describe(expected));
            }
        };
        window->loadModel(path.c_str());
        expectInPlace("loaded");
        window->resetScene();
        window->getGenerator()->requestRebuild();
        window->getViewer()->render();
        expectInPlace("rebuilt after a reset");
    }

    void failedLoadsKeepTheModel(void)
    {
        window->loadModel("models/sphere.iv");
        SoNode* model = currentModel();
        const QString faces = label("Face Number");
        QTemporaryDir dir;
        const std::string base = dir.path().toStdString();
        DialogWatcher watcher;

        // A file that cannot be opened: a message on the console, no box.
        {
            OutputCapture output;
            const std::string missing = base + "/missing.iv";
            window->loadModel(missing.c_str());
            const std::string printed = output.text();
            QVERIFY2(printed.find("Cannot load " + missing + " ...\n") != std::string::npos, printed.c_str());
            QCOMPARE(currentModel(), model);
            QVERIFY(watcher.boxes.empty());
        }
        // A directory that cannot be entered: its message, and the file of
        // the same name in the working directory is not taken instead.
        {
            OutputCapture output;
            const std::string elsewhere = base + "/no such directory/sphere.iv";
            QVERIFY(chdir("models") == 0);
            window->loadModel(elsewhere.c_str());
            QVERIFY(chdir("..") == 0);
            const std::string printed = output.text();
            QVERIFY2(printed.find("could not change to directory " + base + "/no such directory\n") != std::string::npos,
                     printed.c_str());
            QVERIFY2(printed.find("Cannot load " + elsewhere + " ...\n") != std::string::npos, printed.c_str());
            QCOMPARE(currentModel(), model);
        }
        // Not an Inventor file, and an Inventor header over contents that do
        // not parse: both get the box, and the model stays.
        writeFile(base + "/text.iv", "this is not a scene\n");
        writeFile(base + "/broken.iv", "#Inventor V2.1 ascii\nSeparator { Cone { height } NoSuchNode {\n");
        for (const char* name : { "/text.iv", "/broken.iv" }) {
            watcher.boxes.clear();
            OutputCapture errors(2);
            window->loadModel((base + name).c_str());
            // Not Inventor: the mesh reader had its try and says why not.
            const std::string said = errors.text();
            if (std::strcmp(name, "/text.iv") == 0)
                QVERIFY2(said.find("text.iv") != std::string::npos, said.c_str());
            QCOMPARE(currentModel(), model);
            QCOMPARE(int(watcher.boxes.size()), 1);
            QCOMPARE(watcher.boxes[0].title, QStringLiteral("Error"));
            QCOMPARE(watcher.boxes[0].text, QString::fromLatin1(kWrongFileText));
        }
        QCOMPARE(modelGroup()->getNumChildren(), 1);
        QCOMPARE(label("Face Number"), faces);

        // A mesh format Coin does not read: a tetrahedron in OBJ.
        writeFile(base + "/tetrahedron.obj",
                  "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n");
        watcher.boxes.clear();
        window->loadModel((base + "/tetrahedron.obj").c_str());
        QVERIFY(watcher.boxes.empty());
        QVERIFY(currentModel() != model);
        QCOMPARE(labelNumber("Face Number"), 4);
        const WingedEdgeList& built = window->getGenerator()->getOutputList();
        QCOMPARE(built.totalVertexCount(), 4);
        QCOMPARE(built.totalEdgeCount(), 6);
    }

    void pathsWithAndWithoutDirectory(void)
    {
        // No '/': opened in the working directory.
        QVERIFY(chdir("models") == 0);
        window->loadModel("cube.iv");
        QVERIFY(chdir("..") == 0);
        QVERIFY(labelNumber("Face Number") == 12);

        // An absolute path, which leaves the working directory as it was.
        const std::string torus = sourcePath("models/torus.iv");
        window->loadModel(torus.c_str());
        QVERIFY(labelNumber("Face Number") > 12);

        // Files the model refers to by relative names are found beside it,
        // whatever the working directory.
        QTemporaryDir dir;
        const std::string base = dir.path().toStdString();
        QVERIFY(QFile::copy(QString::fromStdString(sourcePath("models/cube.iv")),
                            QString::fromStdString(base + "/part.iv")));
        writeFile(base + "/assembly.iv", "#Inventor V2.1 ascii\nSeparator { File { name \"part.iv\" } }\n");
        window->loadModel((base + "/assembly.iv").c_str());
        QCOMPARE(labelNumber("Face Number"), 12);
    }

    void workingDirectoryThatIsGone(void)
    {
        // getcwd fails once the working directory is removed: the message,
        // and the model still loads by its full path.
        const std::string torus = sourcePath("models/torus.iv");
        {
            QTemporaryDir dir;
            QVERIFY(chdir(dir.path().toLocal8Bit().constData()) == 0);
        }
        OutputCapture errors(2);
        window->loadModel(torus.c_str());
        const std::string printed = errors.text();
        QVERIFY(chdir(startDirectory.c_str()) == 0);
        // getcwd(3): a working directory that has been unlinked gives ENOENT.
        const std::string expected = std::string("_getcwd error: ") + std::strerror(ENOENT) + "\n";
        QVERIFY2(printed.find(expected) == 0, printed.c_str());
        QCOMPARE(labelNumber("Face Number"), coinTriangles(torus).count);
    }

    void openFileThroughTheDialog(void)
    {
        DialogWatcher watcher;
        SoNode* cone = currentModel();

        // Cancelled: nothing changes.
        window->openFile();
        QCOMPARE(currentModel(), cone);
        QCOMPARE(label("Filename"), QStringLiteral("(none)"));

        // A file chosen: its path in the label, the model loaded, the viewer
        // back on the scene.
        const QString chosen = QString::fromStdString(sourcePath("models/two_objects.iv"));
        watcher.onDialog = [&](QDialog* dialog) {
            QFileDialog* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            QCOMPARE(files->nameFilters(),
                     QStringList({ QStringLiteral("*.iv"), QStringLiteral("*.wrl"),
                                  QStringLiteral("Meshes (*.obj *.ply *.stl *.off *.gltf *.glb *.3ds *.dae *.fbx)"),
                                  QStringLiteral("All files (*)") }));
            QCOMPARE(files->selectedNameFilter(), QStringLiteral("*.iv"));
            files->selectFile(chosen);
            static_cast<QDialog*>(files)->accept();
        };
        window->openFile();
        QCOMPARE(label("Filename"), chosen);
        QVERIFY(currentModel() != cone);
        QCOMPARE(window->getViewer()->getSceneGraph(), static_cast<SoNode*>(window->getSceneRoot()));
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("2"));
        QVERIFY(watcher.boxes.empty());
    }

    void frameRateCounter(void)
    {
        FrameRateCounter counter;
        double rate = -1.0;
        // The first frame only starts the clock, however late in the day.
        QVERIFY(!counter.frame(1000.0, rate));
        QCOMPARE(rate, -1.0);
        // Then at most once a second, with the frames after the start of the
        // interval.
        QVERIFY(!counter.frame(1000.5, rate));
        QVERIFY(!counter.frame(1001.0, rate)); // exactly one second is not more
        QVERIFY(counter.frame(1001.25, rate));
        QCOMPARE(rate, 3.0 / 1.25);
        QVERIFY(!counter.frame(1002.0, rate));
        QVERIFY(counter.frame(1003.25, rate));
        QCOMPARE(rate, 2.0 / 2.0);
        // A clock set back starts the interval again instead of waiting.
        QVERIFY(!counter.frame(500.0, rate));
        QVERIFY(!counter.frame(500.5, rate));
        QVERIFY(!counter.frame(501.0, rate));
        QVERIFY(counter.frame(501.6, rate));
        QCOMPARE(rate, 3.0 / 1.6);
    }

    void frameRateLabel(void)
    {
        double now = 0.0;
        PelmoraApplication fresh;
        fresh.setClock([&]() { return now; });
        QLabel* fps = fresh.findChild<QLabel*>(QStringLiteral("FPS Number"));
        QCOMPARE(fps->text(), QStringLiteral("0"));

        SoGLRenderAction render(SbViewportRegion(100, 100));
        SoCallbackAction other;
        now = 50.0;
        PelmoraApplication::frameRateCallback(&fresh, &other); // not a frame
        QCOMPARE(fps->text(), QStringLiteral("0"));
        // The first frame has no interval to measure: the label stays.
        PelmoraApplication::frameRateCallback(&fresh, &render);
        QCOMPARE(fps->text(), QStringLiteral("0"));
        now = 50.6;
        PelmoraApplication::frameRateCallback(&fresh, &render);
        PelmoraApplication::frameRateCallback(&fresh, &other);
        QCOMPARE(fps->text(), QStringLiteral("0"));
        now = 51.5;
        PelmoraApplication::frameRateCallback(&fresh, &render);
        QCOMPARE(fps->text(), QString::number(2.0 / 1.5));
        now = 52.0;
        PelmoraApplication::frameRateCallback(&fresh, &render);
        QCOMPARE(fps->text(), QString::number(2.0 / 1.5));

        // The viewer's own frames go through the counter of the scene root;
        // the clock set back to 1000 starts a new interval there.
        window->setClock([&]() { return now; });
        now = 1000.0;
        window->getViewer()->render();
        const QString before = label("FPS Number");
        now = 1000.5;
        window->getViewer()->render();
        QCOMPARE(label("FPS Number"), before);
        now = 1003.0;
        window->getViewer()->render();
        QCOMPARE(label("FPS Number"), QString::number(2.0 / 3.0));
    }

    void viewerDrawsTheModel(void)
    {
        // Polygon offset is on in the viewer's context, as the entry leaves it.
        QGLWidget* gl = qobject_cast<QGLWidget*>(window->getViewer()->getGLWidget());
        QVERIFY(gl != nullptr);
        gl->makeCurrent();
        QVERIFY(glIsEnabled(GL_POLYGON_OFFSET_FILL));

        // The settings start with a white background and black lines.
        const QRgb background = qRgb(255, 255, 255);
        // The viewer takes its viewport from the resize events that follow
        // the first show; until they are handled it draws into the GL
        // widget's default size.
        window->loadModel("models/sphere.iv");
        QImage sphere;
        QTRY_VERIFY_WITH_TIMEOUT((sphere = viewerFrame(), countDifferent(sphere, background) > 0), 5000);
        if (qEnvironmentVariableIsSet("PELMORA_TEST_FRAMES"))
            sphere.save(qEnvironmentVariable("PELMORA_TEST_FRAMES") + "/sphere.png");
        const int spherePixels = countDifferent(sphere, background);
        // viewAll fits the sphere: a disc around the centre, corners empty.
        QVERIFY2(spherePixels > sphere.width() * sphere.height() / 10, qPrintable(QString::number(spherePixels)));
        const QRgb centre = sphere.pixel(sphere.width() / 2, sphere.height() / 2);
        QVERIFY((centre & 0xffffff) != (background & 0xffffff));
        // Flat shading in the mesh shape's grey.
        QVERIFY2(qAbs(qRed(centre) - qBlue(centre)) < 4 && qRed(centre) > 40, qPrintable(QString::number(centre, 16)));
        QCOMPARE(sphere.pixel(1, 1) & 0xffffff, background & 0xffffff);
        QCOMPARE(sphere.pixel(sphere.width() - 2, sphere.height() - 2) & 0xffffff, background & 0xffffff);

        // What is drawn is the mesh shape's: in the depth-only mode the
        // model, drawn invisible itself, leaves no colour.
        window->getGenerator()->setVisualizationMode(SoWingedEdge::DEPTH_ONLY);
        QCOMPARE(countDifferent(viewerFrame(), background), 0);
        // The wireframe draws black edges on white.
        window->getGenerator()->setVisualizationMode(SoWingedEdge::WIREFRAME);
        const QImage wires = viewerFrame();
        const int wirePixels = countDifferent(wires, background);
        QVERIFY2(wirePixels > 500 && wirePixels < spherePixels, qPrintable(QString::number(wirePixels)));

        // The silhouette switched on: its lines go down the line chain and
        // come out as dark chalk strokes along the sphere's outline, where
        // the flat faces alone leave white background or grey.
        window->getGenerator()->setVisualizationMode(SoWingedEdge::FLAT_SHADING);
        const QImage flat = viewerFrame();
        window->getSilhouette()->doComputation = TRUE;
        const QImage stroked = viewerFrame();
        if (qEnvironmentVariableIsSet("PELMORA_TEST_FRAMES"))
            stroked.save(qEnvironmentVariable("PELMORA_TEST_FRAMES") + "/strokes.png");
        QVERIFY(!window->getSilhouette()->getLastEdges().empty());
        int darkened = 0, darkenedFarFromOutline = 0;
        const QPoint middle(stroked.width() / 2, stroked.height() / 2);
        // The sphere's radius on screen, from the flat frame.
        int radius = 0;
        for (int x = middle.x(); x < flat.width() && (flat.pixel(x, middle.y()) & 0xffffff) != 0xffffff; ++x)
            radius = x - middle.x();
        QVERIFY(radius > 20);
        for (int y = 0; y < stroked.height(); ++y)
            for (int x = 0; x < stroked.width(); ++x) {
                if (qGray(stroked.pixel(x, y)) + 40 >= qGray(flat.pixel(x, y)))
                    continue;
                ++darkened;
                const double r = std::hypot(double(x - middle.x()), double(y - middle.y()));
                if (std::fabs(r - radius) > 8.0)
                    ++darkenedFarFromOutline;
            }
        QVERIFY2(darkened > 2 * radius, qPrintable(QString::number(darkened)));
        QVERIFY2(darkenedFarFromOutline < darkened / 20,
                 qPrintable(QStringLiteral("%1 of %2").arg(darkenedFarFromOutline).arg(darkened)));
        // Self-drawn instead, the outline is black lines of the drawing colour.
        window->getSilhouette()->sendLines = FALSE;
        const QImage outlined = viewerFrame();
        int black = 0;
        for (int y = 0; y < outlined.height(); ++y)
            for (int x = 0; x < outlined.width(); ++x)
                black += qGray(outlined.pixel(x, y)) < 30;
        QVERIFY2(black > radius, qPrintable(QString::number(black)));
        window->getSilhouette()->sendLines = TRUE;
        window->getSilhouette()->doComputation = FALSE;

        // A cone is a mesh like any other shape that makes triangles; lines
        // alone give no mesh: nothing to see, not even the cone drawn last.
        window->getGenerator()->setVisualizationMode(SoWingedEdge::FLAT_SHADING);
        QTemporaryDir dir;
        const std::string cone = dir.path().toStdString() + "/cone.iv";
        writeFile(cone, "#Inventor V2.1 ascii\nSeparator { Cone {} }\n");
        window->loadModel(cone.c_str());
        QVERIFY(countDifferent(viewerFrame(), background) > 0);
        const std::string lines = dir.path().toStdString() + "/lines.iv";
        writeFile(lines, "#Inventor V2.1 ascii\nSeparator { Coordinate3 { point [ 0 0 0, 1 1 1 ] } LineSet { } }\n");
        window->loadModel(lines.c_str());
        QCOMPARE(countDifferent(viewerFrame(), background), 0);
    }

    // The whole chain on a real model: strokes only where the outline is
    // visible. A recorder in front of the stroke shape takes the strips the
    // shape draws; every stroke vertex is compared with the depth buffer the
    // faces left, once with the hidden-line remover and once without.
    void strokesOnlyWhereTheOutlineIsVisible(void)
    {
        const std::string knight = realModelsDirectory() + "/chess/knight.iv";
        if (!QFile::exists(QString::fromStdString(knight)))
            QSKIP("the chess knight of the inventor-data package is not installed");
        window->loadModel(knight.c_str());
        window->getSilhouette()->doComputation = TRUE;
        QTRY_VERIFY_WITH_TIMEOUT(countDifferent(viewerFrame(), qRgb(255, 255, 255)) > 0, 5000);

        registerTestNodes();
        SoGroup* model = static_cast<SoGroup*>(window->getSceneRoot()->getChild(1));
        SoGroup* chain = static_cast<SoGroup*>(model->getChild(model->getNumChildren() - 1));
        LineRecorder* recorder = new LineRecorder;
        chain->insertChild(recorder, chain->findChild(window->getStrokeShape()));

        struct Outcome {
            int vertices = 0;
            int behind = 0;
            double length = 0.0;
            int strips = 0;
        };
        auto measure = [&]() {
            viewerFrame();
            QGLWidget* gl = qobject_cast<QGLWidget*>(window->getViewer()->getGLWidget());
            const int w = gl->width(), h = gl->height();
            std::vector<float> depth(size_t(w) * size_t(h));
            glReadBuffer(GL_BACK);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
            const SbViewVolume volume = window->getViewer()->getCamera()->getViewVolume(float(w) / float(h));
            Outcome out;
            SbVec3f previous;
            bool open = false;
            for (int32_t index : recorder->indices) {
                if (index < 0) {
                    out.strips += open ? 1 : 0;
                    open = false;
                    continue;
                }
                SbVec3f screen;
                volume.projectToScreen(recorder->points[size_t(index)], screen);
                const int px = int(screen[0] * float(w)), py = int(screen[1] * float(h));
                // Hidden: behind every face pixel of a 5 x 5 neighbourhood.
                float nearest = -1.0f;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) {
                        const int x = px + dx, y = py + dy;
                        if (x >= 0 && y >= 0 && x < w && y < h)
                            nearest = std::max(nearest, depth[size_t(y) * size_t(w) + size_t(x)]);
                    }
                ++out.vertices;
                if (screen[2] > nearest + 1e-3f)
                    ++out.behind;
                if (open)
                    out.length += std::hypot(double(screen[0] - previous[0]) * w, double(screen[1] - previous[1]) * h);
                previous = screen;
                open = true;
            }
            return out;
        };

        const Outcome visibleOnly = measure();
        window->getHiddenLineRemover()->active = FALSE;
        const Outcome all = measure();
        window->getHiddenLineRemover()->active = TRUE;
        chain->removeChild(recorder);
        window->getSilhouette()->doComputation = FALSE;

        const QString summary = QStringLiteral("with remover: %1 vertices, %2 behind, length %3, %4 strips; "
                                               "without: %5 vertices, %6 behind, length %7, %8 strips")
                                    .arg(visibleOnly.vertices).arg(visibleOnly.behind).arg(visibleOnly.length)
                                    .arg(visibleOnly.strips).arg(all.vertices).arg(all.behind).arg(all.length)
                                    .arg(all.strips);
        qInfo("%s", qPrintable(summary));
        QVERIFY2(visibleOnly.vertices > 50, qPrintable(summary));
        // Without the remover the lines run behind the knight in places ...
        QVERIFY2(all.behind > all.vertices / 20, qPrintable(summary));
        // ... with it none do, and the strokes are shorter in all.
        QVERIFY2(visibleOnly.behind <= visibleOnly.vertices / 100, qPrintable(summary));
        QVERIFY2(visibleOnly.length < all.length * 0.95, qPrintable(summary));
    }

    // Real models one after another, of one, many and non-manifold parts:
    // each replaces the last without a message box, and the labels show the
    // generator's counts, the face counts being the triangles Coin itself
    // makes of the file.
    // Started as "pelmora models/torus.iv": the torus, seen edge on (its
    // axis is y; 2.7 units across, 0.7 thick), fills the first frame; "Save
    // Image" writes that frame as a PNG file, and says so when it cannot.
    void startedWithAModelSavesItsFrame(void)
    {
        window.reset(PelmoraApplication::createMainWindow(QStringList({ "pelmora", "models/torus.iv" })));
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(label("Filename"), QStringLiteral("models/torus.iv"));
        QCOMPARE(labelNumber("Face Number Orig"), 1024);
        const QRgb background = qRgb(255, 255, 255);
        QImage frame;
        QTRY_VERIFY_WITH_TIMEOUT((frame = viewerFrame(), countDifferent(frame, background) > 0), 5000);
        QRect drawn;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                drawn |= (frame.pixel(x, y) & 0xffffff) != (background & 0xffffff) ? QRect(x, y, 1, 1) : QRect();
        const QString box = QStringLiteral("%1 x %2").arg(drawn.width()).arg(drawn.height());
        QVERIFY2(drawn.width() > frame.width() / 4, qPrintable(box));
        QVERIFY2(std::fabs(double(drawn.width()) / drawn.height() - 2.7 / 0.7) < 0.25, qPrintable(box));

        QTemporaryDir folder;
        QAction* save = nullptr;
        for (QAction* item : window->menuBar()->actions()[0]->menu()->actions())
            if (item->text() == QStringLiteral("Save &Image ..."))
                save = item;
        QVERIFY(save != nullptr);
        DialogWatcher watcher;
        const QString path = folder.filePath("torus.png");
        watcher.answers.push_back(DialogWatcher::chooseFile(path));
        save->trigger();
        QCOMPARE(watcher.dialogs.size(), size_t(1));
        QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ "*.png" }));
        QVERIFY(watcher.dialogs[0].saving);
        QVERIFY(watcher.boxes.empty());
        const QImage saved(path, "PNG");
        QCOMPARE(saved.size(), frame.size());
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), frame.convertToFormat(QImage::Format_RGB32));

        // A folder that is not there: an error box naming the file, and no
        // file.
        const QString nowhere = folder.filePath("missing/torus.png");
        watcher.answers.push_back(DialogWatcher::chooseFile(nowhere));
        OutputCapture printed;
        save->trigger();
        QCOMPARE(watcher.boxes.size(), size_t(1));
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("Error"));
        QVERIFY2(watcher.boxes[0].text.contains(nowhere), qPrintable(watcher.boxes[0].text));
        QVERIFY(!QFile::exists(nowhere));
    }

    // The batch renderer starts from PelmoraScene::applyStartState() instead
    // of the menus: every field of every node agrees with the window's
    // after start-up.
    void startStateWithoutTheMenus(void)
    {
        PelmoraScene scene;
        scene.applyStartState();
        QCOMPARE(scene.getStrokeWidth(), window->getCurrentStrokeWidth());
        int compared = 0;
        std::function<void(SoNode*, SoNode*, const QString&)> compare = [&](SoNode* mine, SoNode* theirs,
                                                                           const QString& where) {
            QCOMPARE(mine->getTypeId(), theirs->getTypeId());
            SoFieldList fields;
            mine->getFields(fields);
            for (int i = 0; i < fields.getLength(); ++i) {
                SbName name;
                mine->getFieldName(fields[i], name);
                SbString a, b;
                fields[i]->get(a);
                theirs->getField(name)->get(b);
                QVERIFY2(a == b, qPrintable(QStringLiteral("%1 %2.%3: %4 here, %5 in the window")
                                                .arg(where, mine->getTypeId().getName().getString(),
                                                     name.getString(), a.getString(), b.getString())));
                ++compared;
            }
            if (!mine->isOfType(SoGroup::getClassTypeId()) || mine->isOfType(SoGenerateWingedEdge::getClassTypeId()))
                return;
            SoGroup* a = static_cast<SoGroup*>(mine);
            SoGroup* b = static_cast<SoGroup*>(theirs);
            QCOMPARE(a->getNumChildren(), b->getNumChildren());
            for (int i = 0; i < a->getNumChildren(); ++i)
                compare(a->getChild(i), b->getChild(i), where + "/" + QString::number(i));
        };
        compare(scene.getRoot(), window->getSceneRoot(), QString());
        QVERIFY2(compared > 80, qPrintable(QString::number(compared)));
    }

    void realModelsLoad(void)
    {
        DialogWatcher watcher;
        int loaded = 0;
        for (const char* relative : { "chess/knight.iv", "chair.iv", "scenes/chesschairs.iv" }) {
            const std::string path = realModelsDirectory() + "/" + relative;
            if (!QFile::exists(QString::fromStdString(path)))
                continue;
            const int triangles = coinTriangles(path).count;
            window->loadModel(path.c_str());
            ++loaded;
            QVERIFY2(watcher.boxes.empty(), relative);
            QCOMPARE(modelGroup()->getNumChildren(), 1);
            QCOMPARE(QString(currentModel()->getName().getString()), QStringLiteral("GeometryNode"));
            const WingedEdgeList& built = window->getGenerator()->getOutputList();
            QVERIFY2(labelNumber("Face Number Orig") == triangles,
                     qPrintable(QStringLiteral("%1: %2 faces shown, Coin makes %3 triangles")
                                    .arg(relative).arg(label("Face Number Orig")).arg(triangles)));
            QCOMPARE(labelNumber("Face Number"), triangles);
            QCOMPARE(window->getModelInfoLabel(0)->text().toInt(), int(built.meshes.size()));
            QCOMPARE(window->getModelInfoLabel(1)->text().toInt(), triangles);
            QCOMPARE(window->getModelInfoLabel(2)->text().toInt(), built.totalEdgeCount());
            QCOMPARE(window->getModelInfoLabel(3)->text().toInt(), built.totalVertexCount());
        }
        if (loaded == 0)
            QSKIP("no models of the inventor-data package installed");
    }
};

QTEST_MAIN(PelmoraApplicationTest)
#include "PelmoraApplicationTest.moc"
