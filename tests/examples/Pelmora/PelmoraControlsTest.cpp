// The controls of the Pelmora main window under Qt Test, window by window:
// the menu bar and its checkable items, the Subdivision, Curvature,
// Visualization and Line Style windows, the exports with the dialogs they
// open answered by a watcher, and a user's session from opening a model to
// changing the stroke texture.
//
// Every control is driven through its widget (menu item, spin box, combo
// box, line edit, check box, radio button) and judged by the node fields it
// changes and, where a field alone proves little, by what the nodes then
// make: face counts, rendered pixels, files that qpdf and Coin read.

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest/QtTest>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DialogWatcher.h"
#include "PelmoraApplication.h"
#include "ViewerFrames.h"
#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineThickener.h"
#include "modify/SoModifyWingedEdge.h"
#include "output/SoLineOutput.h"
#include "support/CoinShapes.h"
#include "support/DebugErrorCollector.h"
#include "support/OutputCapture.h"
#include "support/RealModels.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace {

std::string sourcePath(const std::string& relative) { return std::string(QUILLMAP_SOURCE_DIR) + "/" + relative; }

std::string knightPath(void) { return realModelsDirectory() + "/chess/knight.iv"; }

// Exit status and output (both channels) of a program; status -1 when it
// did not run.
struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.output = process.readAll().toStdString();
    return result;
}

// The faces Coin makes of a file it reads; -1 when it cannot read it.
int coinFacesOfFile(const std::string& path)
{
    SoInput input;
    if (!input.openFile(path.c_str(), TRUE))
        return -1;
    SoSeparator* scene = SoDB::readAll(&input);
    if (scene == nullptr)
        return -1;
    scene->ref();
    const int faces = coinFaceCount(coinShapes(scene));
    scene->unref();
    return faces;
}

// Width and height of an SGI image, from its header (big-endian shorts at
// bytes 6 and 8).
QSize sgiImageSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[12] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 0x01 || header[1] != 0xda)
        return QSize();
    return QSize(header[6] << 8 | header[7], header[8] << 8 | header[9]);
}

// The box around the pixels of `image` darker than `limit`.
QRect darkBox(const QImage& image, int limit)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < limit)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The pixels a render with strokes has darkened against one without.
std::vector<QPoint> darkened(const QImage& stroked, const QImage& plain)
{
    std::vector<QPoint> points;
    for (int y = 0; y < stroked.height(); ++y)
        for (int x = 0; x < stroked.width(); ++x)
            if (qGray(stroked.pixel(x, y)) + 40 < qGray(plain.pixel(x, y)))
                points.push_back(QPoint(x, y));
    return points;
}

// A set of pixels of an image, looked up by position.
class PixelMask {
public:
    PixelMask(const QSize& size, const std::vector<QPoint>& points)
        : w(size.width()), h(size.height()), bits(size_t(w) * size_t(h), 0)
    {
        for (const QPoint& p : points)
            bits[size_t(p.y()) * size_t(w) + size_t(p.x())] = 1;
    }
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && bits[size_t(y) * size_t(w) + size_t(x)]; }

private:
    int w, h;
    std::vector<char> bits;
};

// Whether `hit` holds within `reach` pixels of `p` (a square around it).
bool near(const QPoint& p, int reach, const std::function<bool(int, int)>& hit)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (hit(p.x() + dx, p.y() + dy))
                return true;
    return false;
}

} // namespace

class PelmoraControlsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PelmoraApplication> window;
    QTemporaryDir folder;

    std::string inFolder(const char* name) const { return folder.path().toStdString() + "/" + name; }

    // The menu item reached through the texts of `path` from the menu bar.
    QAction* item(const QStringList& path) const
    {
        QList<QAction*> actions = window->menuBar()->actions();
        QAction* found = nullptr;
        for (const QString& text : path) {
            found = nullptr;
            for (QAction* a : actions)
                if (a->text() == text)
                    found = a;
            if (found == nullptr)
                return nullptr;
            actions = found->menu() != nullptr ? found->menu()->actions() : QList<QAction*>();
        }
        return found;
    }
    void choose(const QStringList& path)
    {
        QAction* chosen = item(path);
        QVERIFY2(chosen != nullptr, qPrintable(path.join(" / ")));
        chosen->trigger();
    }
    int faceLabel(void) const { return window->findChild<QLabel*>(QStringLiteral("Face Number"))->text().toInt(); }
    template <typename T>
    T* control(QWidget* in, const char* name) const
    {
        T* found = in->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qWarning("no control named %s", name);
        return found;
    }
    // The button of `window`'s radio group labelled `text`.
    static QAbstractButton* radio(QWidget* settings, const QString& text)
    {
        QButtonGroup* group = settings->findChild<QButtonGroup*>();
        for (QAbstractButton* button : group != nullptr ? group->buttons() : QList<QAbstractButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    // The knight loaded and its silhouette switched on through the menu.
    bool loadKnightWithSilhouette(void)
    {
        if (!QFile::exists(QString::fromStdString(knightPath())))
            return false;
        window->loadModel(knightPath().c_str());
        choose({ "View &Options", "&Silhouette", "Display &Silhouette" });
        return true;
    }

    // What qpdf says against a PDF file; empty when it passes.
    static std::string qpdfComplaints(const std::string& path)
    {
        const ToolRun check = run("qpdf", { "--check", QString::fromStdString(path) });
        if (check.status == 0 && check.output.find("No syntax or stream encoding errors") != std::string::npos)
            return std::string();
        return check.output.empty() ? std::string("qpdf did not run") : check.output;
    }

private slots:
    void initTestCase(void)
    {
        // The stroke textures are found from the top of the source tree.
        QVERIFY(chdir(sourcePath("").c_str()) == 0);
        QVERIFY(folder.isValid());
    }

    void init(void)
    {
        window.reset(PelmoraApplication::createMainWindow());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup(void) { window.reset(); }

    // The four menus, every item in order with its shortcut and id, the
    // slot table, and the About box.
    void menuBar(void)
    {
        struct Item {
            const char* text; // nullptr: a separator
            QKeySequence shortcut;
            int id;           // -1: none
        };
        const QKeySequence none;
        const std::vector<std::pair<const char*, std::vector<Item>>> menus = {
            { "&File",
              { { "&Open Model File", QKeySequence(Qt::CTRL + Qt::Key_O), -1 },
                { "Write Model to &VRML File ...", none, -1 },
                { "Write Model to &IV File ...", none, -1 },
                { nullptr, none, -1 },
                { "Write Lines to &PDF File ...", none, -1 },
                { nullptr, none, -1 },
                { "&Quit", QKeySequence(Qt::CTRL + Qt::Key_Q), -1 } } },
            { "&Model Options",
              { { "&Model Information ...", none, -1 },
                { "&Model Settings", none, -1 },
                { "&Curvature Modes ...", none, -1 },
                { "Sub&division ...", none, -1 },
                { "&Reset Scene", none, -1 } } },
            { "&Model Settings",
              { { "Generate &Winged Edge", QKeySequence(Qt::CTRL + Qt::Key_W), 0 },
                { "&Connect Objects", QKeySequence(Qt::CTRL + Qt::Key_C), 1 },
                { "Build From &All Shapes", none, 2 } } },
            { "View &Options",
              { { "&Appearance", none, -1 },
                { "&Property Visualization ...", none, -1 },
                { "&Silhouette", none, -1 },
                { "&Artifacts", none, -1 },
                { "&Line Styles ...", none, -1 } } },
            { "&Appearance",
              { { "&Background black/white", none, 0 },
                { "Line &Antialiasing", none, 1 },
                { "&Fill Line Cracks", none, 2 },
                { "&Hide Backfaces", none, 3 } } },
            { "&Silhouette",
              { { "Display &Silhouette", none, 0 }, { "Silhouette &Visibility", none, 1 }, { "&Camera Static", none, 2 } } },
            { "&Artifacts",
              { { "Mesh &Zig-Zag Repair", none, 0 },
                { "&Triangle Chunk Repair", none, 1 },
                { "&Line Zig-Zag Repair", none, 2 },
                { "&Short Edges Repair", none, 3 },
                { "Sharp &Angles Repair", none, 4 } } },
            { "&Help", { { "&About", none, -1 } } },
        };
        QStringList top;
        for (QAction* a : window->menuBar()->actions())
            top << a->text();
        QCOMPARE(top, QStringList({ "&File", "&Model Options", "View &Options", "&Help" }));
        for (const auto& menu : menus) {
            QMenu* shown = nullptr;
            for (QMenu* m : window->findChildren<QMenu*>())
                if (m->title() == QString::fromLatin1(menu.first))
                    shown = m;
            QVERIFY2(shown != nullptr, menu.first);
            const bool checkable = menu.second[0].id >= 0;
            QCOMPARE(shown->isTearOffEnabled(), checkable);
            const QList<QAction*> items = shown->actions();
            QCOMPARE(items.size(), int(menu.second.size()));
            for (int i = 0; i < items.size(); ++i) {
                const Item& expected = menu.second[size_t(i)];
                const QByteArray where = QByteArray(menu.first) + " item " + QByteArray::number(i);
                QVERIFY2(items[i]->isSeparator() == (expected.text == nullptr), where);
                if (expected.text == nullptr)
                    continue;
                QCOMPARE(items[i]->text(), QString::fromLatin1(expected.text));
                QCOMPARE(items[i]->shortcut(), expected.shortcut);
                QCOMPARE(items[i]->isCheckable(), checkable);
                if (checkable)
                    QCOMPARE(items[i]->data().toInt(), expected.id);
            }
        }

        // The slot table, in declaration order; the one slot added since
        // comes after it.
        const QStringList expectedSlots = {
            "about()", "openFile()", "resetScene()", "generateWingedEdge(int)", "connectObjects(int)",
            "changeBackgroundMode(int)", "changeAntialiasingMode(int)", "changeLineCrackMode(int)",
            "changeBackfacesMode(int)", "changeSilhouetteMode(int)", "changeSilhouetteVisibilityMode(int)",
            "changeCameraStaticMode(int)", "changeMeshZigZagMode(int)", "changeTriagleChunkMode(int)",
            "changeLineZigZagMode(int)", "changeShortEdgesMode(int)", "changeSharpAnglesMode(int)",
            "changeLineStyleMode(bool)", "changeLineStripMode(bool)", "changeAdaptiveSubdivisionSteps(int)",
            "changeAdaptiveSubdivisionMode(int)", "changeSubdivisionSteps(int)", "changeSubdivisionMode(int)",
            "changeDividingSteps(int)", "changeDividingMode(int)", "changeSmoothingSteps(int)",
            "changeSmoothingSpeed()", "changeSharpEdgesAngle(int)", "changeSharpAngleMode(bool)",
            "changePolygonationMode(bool)", "changeLineTextureMode(int)", "changeLineTextureSizeMode(int)",
            "changeVisualizationMode(int)", "changeCurvatureMode(int)", "writeLinesToPDFFile()",
            "writeLinesToASCIIFile()", "writeStringSteganoLineWidthLinesToPDFFile()",
            "writeStringSteganoLineRatioToPDFFile()", "writeStringSteganoAngledLinesToPDFFile()",
            "writeStringSteganoLineLengthToPDFFile()", "writeStringSteganoLineColorToPDFFile()",
            "writeImageSteganoLineWidthLinesToPDFFile()", "writeImageSteganoLineRatioLinesToPDFFile()",
            "writeWingedEdgeToVRMLFile()", "writeWingedEdgeToIVFile()", "changeBuildFromAllShapesMode(int)"
        };
        const QMetaObject* meta = window->metaObject();
        QStringList declared;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            if (meta->method(i).methodType() == QMetaMethod::Slot)
                declared << QString::fromLatin1(meta->method(i).methodSignature());
        QCOMPARE(declared, expectedSlots);

        DialogWatcher watcher;
        choose({ "&Help", "&About" });
        QCOMPARE(int(watcher.boxes.size()), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("Pelmora v1.3"));
        QVERIFY(watcher.boxes[0].text.contains("Quillmap") && watcher.boxes[0].text.contains("VRML 2.0"));
    }

    // Every checkable item: the state it starts in, shown by its check mark
    // and held by the field it drives; choosing it flips both, choosing it
    // again brings them back.
    void checkableItems(void)
    {
        struct Toggle {
            QStringList path;
            bool startsOn;
            // 1 on, 0 off, -1 when the fields it drives disagree.
            std::function<int(void)> applied;
        };
        SoGenerateSilhouette* silhouette = window->getSilhouette();
        SoGenerateWingedEdge* generator = window->getGenerator();
        const std::vector<Toggle> toggles = {
            { { "&Model Options", "&Model Settings", "Generate &Winged Edge" }, true,
              [&]() { return generator->doBuildWingedEdge.getValue() != FALSE; } },
            { { "&Model Options", "&Model Settings", "&Connect Objects" }, false,
              [&]() { return window->getModifier()->connectObjects.getValue() != FALSE; } },
            { { "&Model Options", "&Model Settings", "Build From &All Shapes" }, true,
              [&]() { return generator->buildFromAllShapes.getValue() != FALSE; } },
            { { "View &Options", "&Appearance", "&Background black/white" }, false,
              [&]() { return window->getViewer()->getBackgroundColor() == SbColor(0, 0, 0); } },
            { { "View &Options", "&Appearance", "Line &Antialiasing" }, true,
              [&]() { return silhouette->antialiasing.getValue() != FALSE; } },
            { { "View &Options", "&Appearance", "&Fill Line Cracks" }, true,
              [&]() { return silhouette->fillLineCracks.getValue() != FALSE; } },
            { { "View &Options", "&Appearance", "&Hide Backfaces" }, true,
              [&]() { return window->getMeshShape()->hideBackfaces.getValue() != FALSE; } },
            { { "View &Options", "&Silhouette", "Display &Silhouette" }, false,
              [&]() { return silhouette->doComputation.getValue() != FALSE; } },
            { { "View &Options", "&Silhouette", "Silhouette &Visibility" }, true,
              [&]() {
                  const bool shown = silhouette->displaySilhouette.getValue() != FALSE;
                  return shown == (window->getHiddenLineRemover()->active.getValue() != FALSE) ? int(shown) : -1;
              } },
            { { "View &Options", "&Silhouette", "&Camera Static" }, false,
              []() { return SoGenerateSilhouette::isCameraStatic(); } },
            // A check mark means the repair runs: the class-wide switch is off.
            { { "View &Options", "&Artifacts", "Mesh &Zig-Zag Repair" }, true,
              []() { return !SoGenerateSilhouette::isZigZagRepairOff(); } },
            { { "View &Options", "&Artifacts", "&Triangle Chunk Repair" }, true,
              []() { return !SoGenerateSilhouette::isTriangleChunkRepairOff(); } },
            { { "View &Options", "&Artifacts", "&Line Zig-Zag Repair" }, true,
              [&]() { return window->getPurifier(0)->active.getValue() != FALSE; } },
            { { "View &Options", "&Artifacts", "&Short Edges Repair" }, true,
              [&]() { return window->getPurifier(1)->active.getValue() != FALSE; } },
            { { "View &Options", "&Artifacts", "Sharp &Angles Repair" }, true,
              [&]() { return window->getPurifier(2)->active.getValue() != FALSE; } },
        };
        for (const Toggle& toggle : toggles) {
            const QByteArray name = toggle.path.last().toLatin1();
            QAction* shown = item(toggle.path);
            QVERIFY2(shown != nullptr, name);
            for (bool on : { toggle.startsOn, !toggle.startsOn, toggle.startsOn }) {
                QVERIFY2(shown->isChecked() == on, name);
                QVERIFY2(toggle.applied() == int(on), name);
                shown->trigger();
            }
            shown->trigger();
        }

        // White background and black lines at start; the background item
        // turns both around, in every node that draws lines.
        QCOMPARE(window->getBaseColor()->rgb[0], SbColor(0, 0, 0));
        QCOMPARE(window->getMeshShape()->getLineColor(), SbColor(0, 0, 0));
        QCOMPARE(silhouette->getDrawingColor(), SbColor(0, 0, 0));
        choose({ "View &Options", "&Appearance", "&Background black/white" });
        QCOMPARE(window->getBaseColor()->rgb[0], SbColor(1, 1, 1));
        QCOMPARE(window->getMeshShape()->getLineColor(), SbColor(1, 1, 1));
        QCOMPARE(silhouette->getDrawingColor(), SbColor(1, 1, 1));
        QCOMPARE(viewerFrame(window.get()).pixel(1, 1) & 0xffffff, QRgb(0));

        // What the model items do to the meshes: the placeholder cone, which
        // has no strip set, makes a mesh only from all shapes; two objects
        // connected are one; no mesh at all without winged edges.
        QVERIFY(faceLabel() > 0);
        choose({ "&Model Options", "&Model Settings", "Build From &All Shapes" });
        QCOMPARE(faceLabel(), 0);
        choose({ "&Model Options", "&Model Settings", "Build From &All Shapes" });
        QVERIFY(faceLabel() > 0);
        window->loadModel(sourcePath("models/two_objects.iv").c_str());
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("2"));
        choose({ "&Model Options", "&Model Settings", "&Connect Objects" });
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("1"));
        choose({ "&Model Options", "&Model Settings", "Generate &Winged Edge" });
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("0"));
        choose({ "&Model Options", "&Model Settings", "Generate &Winged Edge" });
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("1"));
    }

    void subdivisionWindow(void)
    {
        choose({ "&Model Options", "Sub&division ..." });
        QWidget* settings = window->getSubdivisionWindow();
        QVERIFY(settings->isVisible() && settings->isWindow());
        QCOMPARE(settings->objectName(), QStringLiteral("Subdivision Settings"));
        QCOMPARE(settings->windowTitle(), QStringLiteral("Subdivision Settings"));
        QGridLayout* grid = settings->findChild<QGridLayout*>();
        QVERIFY(grid != nullptr);
        const char* const labels[] = { "Dividing Steps:", "Dividing Algorithm:", "Adaptive Subdivision Steps:",
                                       "Adaptive Subdivision Algorithm:", "Regular Subdivision Steps:",
                                       "Regular Subdivision Algorithm:", "Smoothing Steps:", "Smoothing Speed:",
                                       "Sharp Angles:", "Sharp Angle:", "Large Faces:" };
        QCOMPARE(grid->rowCount(), 11);
        QCOMPARE(grid->columnCount(), 2);
        for (int row = 0; row < 11; ++row)
            QCOMPARE(qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget())->text(),
                     QString::fromLatin1(labels[row]));
        auto at = [&](int row) { return grid->itemAtPosition(row, 1)->widget(); };

        // The start: no steps, Loop everywhere, speed 1.0, sharp angle 115
        // in both nodes, sharp angles and large faces off.
        SoModifyWingedEdge* modifier = window->getModifier();
        QCOMPARE(modifier->sharpAngle.getValue(), 115.0f);
        QCOMPARE(window->getSilhouette()->sharpEdgesAngle.getValue(), 115.0f);
        QVERIFY(!modifier->useSharpAngles.getValue() && !modifier->polygonationMode.getValue());

        // The steps spin boxes, a value past the range held at 99. The face
        // budget keeps 99 steps on the cone short.
        struct BudgetGuard {
            const int64_t saved = SoModifyWingedEdge::getFaceBudget();
            ~BudgetGuard() { SoModifyWingedEdge::setFaceBudget(saved); }
        } budget;
        SoModifyWingedEdge::setFaceBudget(1000);
        const std::vector<std::pair<int, SoSFInt32*>> steps = { { 0, &modifier->dividingSteps },
                                                               { 2, &modifier->adaptiveSubdivisionSteps },
                                                               { 4, &modifier->subdivisionSteps },
                                                               { 6, &modifier->smoothingSteps } };
        for (const auto& s : steps) {
            QSpinBox* spin = qobject_cast<QSpinBox*>(at(s.first));
            QCOMPARE(spin->value(), 0);
            spin->setValue(3);
            QCOMPARE(s.second->getValue(), 3);
            spin->setValue(500);
            QCOMPARE(s.second->getValue(), 99);
            spin->setValue(0);
            QCOMPARE(s.second->getValue(), 0);
        }

        // Every entry of the three lists selects the scheme it names, chosen
        // from the keyboard as a user would.
        const std::map<QString, int> schemeCodes = {
            { "Loop", 3 }, { "Modified Butterfly", 4 }, { "Catmull-Clark", 2 }, { "Doo-Sabin", 1 }
        };
        const std::vector<std::pair<int, SoSFInt32*>> lists = { { 1, &modifier->dividingMode },
                                                               { 3, &modifier->adaptiveSubdivisionMode },
                                                               { 5, &modifier->subdivisionMode } };
        const int entries[] = { 3, 2, 4 };
        for (size_t l = 0; l < lists.size(); ++l) {
            QComboBox* combo = qobject_cast<QComboBox*>(at(lists[l].first));
            QCOMPARE(combo->count(), entries[l]);
            QCOMPARE(combo->currentIndex(), 0);
            combo->setFocus();
            for (int i = 1; i <= combo->count(); ++i) {
                const int index = i % combo->count();
                QTest::keyClick(combo, index == 0 ? Qt::Key_Home : Qt::Key_Down);
                QCOMPARE(combo->currentIndex(), index);
                QCOMPARE(lists[l].second->getValue(), schemeCodes.at(combo->itemText(index)));
            }
        }
        QCOMPARE(qobject_cast<QComboBox*>(at(1))->objectName(), QStringLiteral("Subdivision Algorithm"));

        // One regular step on the cube of 12 triangles (18 edges, 8 corners),
        // every result cut into triangles: Loop and butterfly split each
        // triangle into 4; Catmull-Clark makes 3 quads of it, 2 triangles
        // each; Doo-Sabin a triangle per face, a quad (2 triangles) per edge
        // and a polygon of as many corners as edges meet at each vertex (its
        // valence less 2 triangles: 2 * 18 - 2 * 8 in all).
        window->loadModel(sourcePath("models/cube.iv").c_str());
        QCOMPARE(faceLabel(), 12);
        qobject_cast<QSpinBox*>(at(4))->setValue(1);
        QComboBox* regular = qobject_cast<QComboBox*>(at(5));
        const int faces[] = { 48, 48, 72, 12 + 2 * 18 + 2 * 18 - 2 * 8 };
        for (int i = 0; i < 4; ++i) {
            regular->setCurrentIndex(i);
            emit regular->activated(i);
            QVERIFY2(faceLabel() == faces[i], qPrintable(regular->itemText(i) + ": " + QString::number(faceLabel())));
        }

        // The smoothing speed is read when Return is pressed; 0 and text
        // that is not a number mean 1.0.
        QLineEdit* speed = qobject_cast<QLineEdit*>(at(7));
        QCOMPARE(speed->text(), QStringLiteral("1.0"));
        for (const auto& entry : std::vector<std::pair<const char*, float>>{ { "0.25", 0.25f }, { "0", 1.0f },
                                                                             { "2.5", 2.5f }, { "abc", 1.0f } }) {
            speed->clear();
            const float before = modifier->smoothingSpeed.getValue();
            QTest::keyClicks(speed, entry.first);
            QCOMPARE(modifier->smoothingSpeed.getValue(), before);
            QTest::keyClick(speed, Qt::Key_Return);
            QVERIFY2(modifier->smoothingSpeed.getValue() == entry.second, entry.first);
        }

        // Sharp angle into both nodes, within 0 to 360; the check boxes.
        QSpinBox* angle = qobject_cast<QSpinBox*>(at(9));
        QCOMPARE(angle->maximum(), 360);
        angle->setValue(90);
        QCOMPARE(modifier->sharpAngle.getValue(), 90.0f);
        QCOMPARE(window->getSilhouette()->sharpEdgesAngle.getValue(), 90.0f);
        qobject_cast<QCheckBox*>(at(8))->click();
        QVERIFY(modifier->useSharpAngles.getValue());
        qobject_cast<QCheckBox*>(at(10))->click();
        QVERIFY(modifier->polygonationMode.getValue());
    }

    void curvatureAndVisualizationWindows(void)
    {
        choose({ "&Model Options", "&Curvature Modes ..." });
        QWidget* curvature = window->getCurvatureWindow();
        QVERIFY(curvature->isVisible());
        QCOMPARE(curvature->objectName(), QStringLiteral("Curvature Mode Settings"));
        QCOMPARE(curvature->windowTitle(), QStringLiteral("Curvature Mode Settings"));
        const QStringList curvatureModes = { "Est. avg. Curvature", "Min Curvature", "Max Curvature",
                                             "Mean Curvature", "Max Abs. Curvature", "Min/Max Seperately",
                                             "Shape Index", "Fold Index", "Singularity Index" };
        QVERIFY(radio(curvature, curvatureModes[0])->isChecked());
        QCOMPARE(window->getGenerator()->curvatureMode.getValue(), 1);
        // Clicked in reverse, so that no mode is left over from the last.
        for (int i = curvatureModes.size() - 1; i >= 0; --i) {
            QAbstractButton* button = radio(curvature, curvatureModes[i]);
            QVERIFY2(button != nullptr, qPrintable(curvatureModes[i]));
            button->click();
            QCOMPARE(window->getGenerator()->curvatureMode.getValue(), i + 1);
        }

        choose({ "View &Options", "&Property Visualization ..." });
        QWidget* visualization = window->getVisualizationWindow();
        QVERIFY(visualization->isVisible());
        QCOMPARE(visualization->windowTitle(), QStringLiteral("Visualization Mode Settings"));
        const std::vector<std::pair<const char*, int>> modes = {
            { "Wireframe", SoWingedEdge::WIREFRAME },
            { "Flat Shading", SoWingedEdge::FLAT_SHADING },
            { "Colored Faces", SoWingedEdge::COLORED_FACES },
            { "3-Colored Faces", SoWingedEdge::THREE_COLORED_FACES },
            { "Curvature Directions", SoWingedEdge::CURVATURE_DIRECTIONS },
            { "Nothing", SoWingedEdge::DEPTH_ONLY },
        };
        QVERIFY(radio(visualization, "Flat Shading")->isChecked());
        QCOMPARE(window->getGenerator()->visualizationMode.getValue(), int(SoWingedEdge::FLAT_SHADING));
        window->loadModel(sourcePath("models/sphere.iv").c_str());
        const QRgb white = qRgb(255, 255, 255);
        QTRY_VERIFY_WITH_TIMEOUT(countDifferent(viewerFrame(window.get()), white) > 0, 5000);
        for (const auto& mode : modes) {
            QAbstractButton* button = radio(visualization, mode.first);
            QVERIFY2(button != nullptr, mode.first);
            button->click();
            QVERIFY2(window->getGenerator()->visualizationMode.getValue() == mode.second, mode.first);
            QVERIFY2(window->getGenerator()->getOutputList().getVisualizationMode() == mode.second, mode.first);
            // "Nothing" leaves the white page; every other mode draws.
            const int drawn = countDifferent(viewerFrame(window.get()), white);
            QVERIFY2((drawn == 0) == (mode.second == SoWingedEdge::DEPTH_ONLY),
                     qPrintable(QStringLiteral("%1: %2 pixels drawn").arg(mode.first).arg(drawn)));
        }
    }

    void lineStyleWindow(void)
    {
        choose({ "View &Options", "&Line Styles ..." });
        QWidget* styles = window->getLineStyleWindow();
        QVERIFY(styles->isVisible());
        QCOMPARE(styles->objectName(), QStringLiteral("Line Style and Texture Settings"));
        QCOMPARE(styles->windowTitle(), QStringLiteral("Line Texture Settings"));

        // Line styles on: both line sources hand their lines to the chain.
        QCheckBox* lineStyles = control<QCheckBox>(styles, "Line Styles");
        QVERIFY(lineStyles->isChecked());
        QVERIFY(window->getMeshShape()->sendLines.getValue() && window->getSilhouette()->sendLines.getValue());
        lineStyles->click();
        QVERIFY(!window->getMeshShape()->sendLines.getValue() && !window->getSilhouette()->sendLines.getValue());
        lineStyles->click();
        QVERIFY(window->getMeshShape()->sendLines.getValue() && window->getSilhouette()->sendLines.getValue());

        QCheckBox* strips = control<QCheckBox>(styles, "Line Strips");
        QVERIFY(!strips->isChecked() && !SoLineShape::isLineStripMode());
        strips->click();
        QVERIFY(SoLineShape::isLineStripMode());
        strips->click();
        QVERIFY(!SoLineShape::isLineStripMode());

        // The 14 texture buttons, each loading its file: the texture node
        // holds an image of the size the file's header gives.
        const std::vector<std::pair<const char*, const char*>> textures = {
            { "Chalk", "chalk" },         { "Chalk (old)", "chalk_old" }, { "Line1", "line1" },
            { "Line2", "line2" },         { "Line", "line" },             { "LineTest", "linetest" },
            { "Oilpaint", "oilpaint" },   { "Pen", "pen" },               { "PenSquiggle", "pen_squiggle" },
            { "Pencil", "pencil" },       { "Teapot", "teapot" },         { "Test", "test" },
            { "VanGogh", "vangogh" },     { "Watercolor", "watercolor" },
        };
        QCOMPARE(styles->findChild<QButtonGroup*>()->buttons().size(), int(textures.size()));
        QVERIFY(radio(styles, "Chalk")->isChecked());
        SoTexture2* texture = window->getStrokeTexture();
        for (size_t i = textures.size(); i-- > 0;) {
            QAbstractButton* button = radio(styles, textures[i].first);
            QVERIFY2(button != nullptr, textures[i].first);
            button->click();
            const std::string file = std::string("textures/") + textures[i].second + ".rgb";
            QCOMPARE(std::string(texture->filename.getValue().getString()), file);
            SbVec2s size;
            int components = 0;
            texture->image.getValue(size, components);
            const QSize expected = sgiImageSize(file);
            QVERIFY2(expected.isValid() && QSize(size[0], size[1]) == expected,
                     qPrintable(QStringLiteral("%1: %2 x %3 loaded").arg(textures[i].first).arg(size[0]).arg(size[1])));
        }

        // The texture size: amplitude a tenth of it, silhouette lines and
        // strokes as wide as it, at most 100.
        QSpinBox* size = control<QSpinBox>(styles, "Texture Size");
        QCOMPARE(size->value(), 2);
        QCOMPARE(window->getThickener()->amplitude.getValue(), 0.2f);
        QCOMPARE(window->getSilhouette()->lineWidth.getValue(), 2.0f);
        QCOMPARE(window->getCurrentStrokeWidth(), 2.0f);
        size->setValue(7);
        QCOMPARE(window->getThickener()->amplitude.getValue(), 0.7f);
        QCOMPARE(window->getSilhouette()->lineWidth.getValue(), 7.0f);
        QCOMPARE(window->getCurrentStrokeWidth(), 7.0f);
        size->setValue(1000);
        QCOMPARE(window->getSilhouette()->lineWidth.getValue(), 100.0f);
    }

    // The PDF and text exports of the strokes, through the File menu and
    // the slot table, with the dialogs answered.
    void lineExports(void)
    {
        if (!loadKnightWithSilhouette())
            QSKIP("the chess knight of the inventor-data package is not installed");
        SoLineOutput* output = window->getLineOutput();
        DialogWatcher watcher;

        // Cancelled: nothing asked of the line output.
        watcher.answers.push_back(DialogWatcher::cancel());
        choose({ "&File", "Write Lines to &PDF File ..." });
        QCOMPARE(int(watcher.dialogs.size()), 1);
        QCOMPARE(watcher.dialogs[0].objectName, QStringLiteral("save PDF file dialog"));
        QCOMPARE(watcher.dialogs[0].title, QStringLiteral("Choose a PDF file to save vector graphic to ..."));
        QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ "*.pdf" }));
        QVERIFY(watcher.dialogs[0].saving && watcher.dialogs[0].hasParent);
        QCOMPARE(QString(output->filename.getValue().getString()), QString());

        // With line styles switched off in the window: the PDF still holds
        // the strokes, and the lines are plain again afterwards. The page
        // shows the drawing of the screen: the same proportions.
        const QImage stroked = viewerFrame(window.get());
        choose({ "View &Options", "&Silhouette", "Display &Silhouette" });
        const QImage plain = viewerFrame(window.get());
        choose({ "View &Options", "&Silhouette", "Display &Silhouette" });
        QCheckBox* lineStyles = control<QCheckBox>(window->getLineStyleWindow(), "Line Styles");
        lineStyles->click();
        control<QSpinBox>(window->getLineStyleWindow(), "Texture Size")->setValue(5);
        const std::string pdf = inFolder("knight.pdf");
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(pdf)));
        choose({ "&File", "Write Lines to &PDF File ..." });
        QVERIFY(watcher.boxes.empty());
        QVERIFY(!window->getSilhouette()->sendLines.getValue());
        QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
        QCOMPARE(output->lineWidth.getValue(), 2.0f);
        const std::string complaints = qpdfComplaints(pdf);
        QVERIFY2(complaints.empty(), complaints.c_str());
        const ToolRun raster = run("pdftoppm", { "-r", "40", "-gray", "-singlefile", QString::fromStdString(pdf),
                                                 QString::fromStdString(inFolder("knight")) });
        QVERIFY2(raster.status == 0, raster.output.c_str());
        const QImage page(QString::fromStdString(inFolder("knight.pgm")));
        const QRect onPage = darkBox(page, 200);
        QRect onScreen;
        for (const QPoint& p : darkened(stroked, plain))
            onScreen |= QRect(p, QSize(1, 1));
        QVERIFY2(!onPage.isEmpty() && onScreen.width() > 20, "no strokes on the page or on the screen");
        const double pageRatio = double(onPage.width()) / onPage.height();
        const double screenRatio = double(onScreen.width()) / onScreen.height();
        QVERIFY2(std::fabs(pageRatio / screenRatio - 1.0) < 0.1,
                 qPrintable(QStringLiteral("page %1 x %2, screen %3 x %4").arg(onPage.width()).arg(onPage.height())
                                .arg(onScreen.width()).arg(onScreen.height())));

        // The text file through the slot table: a line per point, an empty
        // line after each stroke.
        lineStyles->click();
        const std::string text = inFolder("knight.txt");
        watcher.dialogs.clear();
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(text)));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "writeLinesToASCIIFile"));
        QCOMPARE(watcher.dialogs[0].objectName, QStringLiteral("save ASCII file dialog"));
        QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ "*.txt" }));
        std::ifstream in(text);
        std::string line;
        int points = 0, strokes = 0;
        while (std::getline(in, line)) {
            double x = 0, y = 0;
            if (line.empty())
                ++strokes;
            else
                QVERIFY2(std::sscanf(line.c_str(), "%lf %lf", &x, &y) == 2, line.c_str());
            points += line.empty() ? 0 : 1;
        }
        QVERIFY2(strokes > 0 && points > 2 * strokes, qPrintable(QStringLiteral("%1 points, %2 strokes").arg(points).arg(strokes)));
        QVERIFY(window->getSilhouette()->sendLines.getValue());
        QVERIFY(watcher.boxes.empty());
    }

    // A text hidden in the strokes, by each of the five code slots; cancels
    // and empty codes change nothing.
    void codeExports(void)
    {
        if (!loadKnightWithSilhouette())
            QSKIP("the chess knight of the inventor-data package is not installed");
        SoLineOutput* output = window->getLineOutput();
        DialogWatcher watcher;
        const char* const codeSlots[] = { "writeStringSteganoLineWidthLinesToPDFFile",
                                      "writeStringSteganoLineRatioToPDFFile",
                                      "writeStringSteganoAngledLinesToPDFFile",
                                      "writeStringSteganoLineLengthToPDFFile",
                                      "writeStringSteganoLineColorToPDFFile" };
        for (const char* slot : codeSlots) {
            const std::string pdf = inFolder(slot) + ".pdf";
            watcher.dialogs.clear();
            watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(pdf)));
            watcher.answers.push_back(DialogWatcher::enterText(QStringLiteral("Knight")));
            QVERIFY(QMetaObject::invokeMethod(window.get(), slot));
            QCOMPARE(int(watcher.dialogs.size()), 2);
            QCOMPARE(watcher.dialogs[1].title, QStringLiteral("Steganography Output to PDF ..."));
            QCOMPARE(watcher.dialogs[1].label, QStringLiteral("Enter the steganography code:"));
            QCOMPARE(watcher.dialogs[1].text.size(), 19);
            QCOMPARE(QString(output->codeString.getValue().getString()), QStringLiteral("Knight"));
            QCOMPARE(output->codeLength.getValue(), 6);
            QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
            QVERIFY(window->getSilhouette()->sendLines.getValue());
            const std::string complaints = qpdfComplaints(pdf);
            QVERIFY2(complaints.empty(), (std::string(slot) + ": " + complaints).c_str());
        }
        QVERIFY(watcher.boxes.empty());

        // Cancelled at either dialog, or no code entered: no file.
        const std::string unwritten = inFolder("unwritten.pdf");
        const std::vector<std::vector<DialogWatcher::Answer>> refusals = {
            { DialogWatcher::cancel() },
            { DialogWatcher::chooseFile(QString::fromStdString(unwritten)), DialogWatcher::cancel() },
            { DialogWatcher::chooseFile(QString::fromStdString(unwritten)), DialogWatcher::enterText(QString()) },
        };
        for (const auto& answers : refusals) {
            watcher.answers.assign(answers.begin(), answers.end());
            QVERIFY(QMetaObject::invokeMethod(window.get(), codeSlots[0]));
            QVERIFY(watcher.answers.empty());
            QVERIFY(!QFile::exists(QString::fromStdString(unwritten)));
            QCOMPARE(QString(output->codeString.getValue().getString()), QStringLiteral("Knight"));
        }
    }

    // An image hidden in the strokes: the size, then a bit per pixel from
    // the top row down, bright pixels 1, eight to a byte from the lowest bit.
    void imageExports(void)
    {
        if (!loadKnightWithSilhouette())
            QSKIP("the chess knight of the inventor-data package is not installed");
        SoLineOutput* output = window->getLineOutput();
        DialogWatcher watcher;

        // Blue, the first byte of a pixel as Qt keeps it, decides; red and
        // green say the opposite to catch a wrong byte. Bits 1 0 1 1 0 0 0 1
        // and 1: bytes 0x8d and 0x01.
        const int bright[9] = { 1, 0, 1, 1, 0, 0, 0, 1, 1 };
        std::string ppm = "P6\n3 3\n255\n";
        for (int b : bright)
            ppm += b ? std::string("\x10\x10\xf0", 3) : std::string("\xf0\xf0\x10", 3);
        const std::string image = inFolder("code.ppm");
        std::ofstream(image, std::ios::binary) << ppm;
        // A bitmap of the same pixels (1 is black): converted, not refused.
        const std::string bitmap = inFolder("code.pbm");
        std::ofstream(bitmap, std::ios::binary) << "P1\n3 3\n0 1 0\n0 1 1\n1 0 0\n";
        const QByteArray expected("\x03\x03\x8d\x01", 4);

        for (const std::string& source : { image, bitmap }) {
            for (const char* slot : { "writeImageSteganoLineWidthLinesToPDFFile", "writeImageSteganoLineRatioLinesToPDFFile" }) {
                const std::string pdf = inFolder(slot) + ".pdf";
                watcher.dialogs.clear();
                watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(pdf)));
                watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(source)));
                OutputCapture printed;
                QVERIFY(QMetaObject::invokeMethod(window.get(), slot));
                const std::string said = printed.text();
                QCOMPARE(int(watcher.dialogs.size()), 2);
                QCOMPARE(watcher.dialogs[1].objectName, QStringLiteral("open image dialog"));
                QCOMPARE(watcher.dialogs[1].title, QStringLiteral("Choose an image that is to be encoded in the PDF file ..."));
                QCOMPARE(watcher.dialogs[1].nameFilters, QStringList({ "*.ppm" }));
                QCOMPARE(output->codeLength.getValue(), 4);
                QCOMPARE(QByteArray(output->codeString.getValue().getString()), expected);
                QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
                const std::string complaints = qpdfComplaints(pdf);
                QVERIFY2(complaints.empty(), complaints.c_str());
                if (source == image)
                    QVERIFY2(said.find("240 1 16 0 240 1 \n") != std::string::npos, said.c_str());
                QFile::remove(QString::fromStdString(pdf));
            }
        }

        // An image that cannot be read ends the export silently.
        const std::string broken = inFolder("broken.ppm");
        std::ofstream(broken) << "P6\n3 3\n255\nshort";
        const std::string pdf = inFolder("broken.pdf");
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(pdf)));
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(broken)));
        output->codeLength = 77;
        QVERIFY(QMetaObject::invokeMethod(window.get(), "writeImageSteganoLineRatioLinesToPDFFile"));
        QVERIFY(watcher.answers.empty());
        QVERIFY(!QFile::exists(QString::fromStdString(pdf)));
        QCOMPARE(output->codeLength.getValue(), 77);
        QVERIFY(watcher.boxes.empty());
    }

    // The meshes as refined, through the File menu: Coin reads back as many
    // faces as the status row counts.
    void meshExports(void)
    {
        if (!QFile::exists(QString::fromStdString(knightPath())))
            QSKIP("the chess knight of the inventor-data package is not installed");
        window->loadModel(knightPath().c_str());
        choose({ "&Model Options", "Sub&division ..." });
        qobject_cast<QSpinBox*>(window->getSubdivisionWindow()->findChild<QSpinBox*>("Subdivision Steps"))->setValue(1);
        const int faces = faceLabel();
        QVERIFY(faces > 0);
        DialogWatcher watcher;
        struct Format {
            const char* item;
            const char* filter;
            const char* file;
        };
        const Format formats[] = {
            { "Write Model to &VRML File ...", "VRML 2.0 Files (*.wrl)", "knight.wrl" },
            { "Write Model to &IV File ...", "Inventor 2.1 Files (*.iv)", "knight.iv" },
        };
        for (const Format& format : formats) {
            const std::string path = inFolder(format.file);
            watcher.dialogs.clear();
            watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(path)));
            choose({ "&File", format.item });
            QCOMPARE(int(watcher.dialogs.size()), 1);
            QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ format.filter }));
            QVERIFY(!watcher.dialogs[0].hasParent);
            QCOMPARE(coinFacesOfFile(path), faces);
            QVERIFY(std::ifstream(path).peek() == '#');
        }
        // Cancelled: the writer keeps its file name and writes nothing.
        const QString last = window->getMeshWriter()->filename.getValue().getString();
        watcher.answers.push_back(DialogWatcher::cancel());
        choose({ "&File", "Write Model to &VRML File ..." });
        QVERIFY(watcher.answers.empty());
        QCOMPARE(QString(window->getMeshWriter()->filename.getValue().getString()), last);
        QVERIFY(watcher.boxes.empty());
    }

    // What the export nodes report reaches the user in a message box and
    // is still printed; nothing is left behind.
    void exportErrorsAreShown(void)
    {
        if (!loadKnightWithSilhouette())
            QSKIP("the chess knight of the inventor-data package is not installed");
        // A folder that is a file: no one can write below it.
        const std::string blocked = inFolder("plain-file");
        std::ofstream(blocked) << "x";
        DialogWatcher watcher;
        DebugErrorCollector printed;

        const std::string pdf = blocked + "/knight.pdf";
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(pdf)));
        choose({ "&File", "Write Lines to &PDF File ..." });
        QCOMPARE(int(watcher.boxes.size()), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("Error"));
        QVERIFY2(watcher.boxes[0].text.contains(QString::fromStdString(pdf)), qPrintable(watcher.boxes[0].text));
        QVERIFY(!printed.messages.empty());
        QCOMPARE(int(window->getLineOutput()->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));

        const std::string wrl = blocked + "/knight.wrl";
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(wrl)));
        choose({ "&File", "Write Model to &VRML File ..." });
        QCOMPARE(int(watcher.boxes.size()), 2);
        QCOMPARE(watcher.boxes[1].title, QStringLiteral("Error"));
        QVERIFY2(watcher.boxes[1].text.contains(QString::fromStdString(wrl)), qPrintable(watcher.boxes[1].text));

        // No silhouette, no lines: the user is told why the file is missing.
        choose({ "View &Options", "&Silhouette", "Display &Silhouette" });
        const std::string empty = inFolder("empty.pdf");
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(empty)));
        choose({ "&File", "Write Lines to &PDF File ..." });
        QCOMPARE(int(watcher.boxes.size()), 3);
        QVERIFY2(watcher.boxes[2].text.contains("no lines"), qPrintable(watcher.boxes[2].text));
        QVERIFY(!QFile::exists(QString::fromStdString(empty)));
        QCOMPARE(QFileInfo(QString::fromStdString(blocked)).size(), qint64(1));
    }

    // As a user: open the chess knight from the File menu, switch the
    // silhouette on in the menu, and chalk strokes run along the outline;
    // pencil from the Line Style window changes the strokes.
    void userSession(void)
    {
        if (!QFile::exists(QString::fromStdString(knightPath())))
            QSKIP("the chess knight of the inventor-data package is not installed");
        DialogWatcher watcher;
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(knightPath())));
        choose({ "&File", "&Open Model File" });
        QVERIFY(watcher.answers.empty());
        const QRgb white = qRgb(255, 255, 255);
        QImage plain;
        QTRY_VERIFY_WITH_TIMEOUT((plain = viewerFrame(window.get()), countDifferent(plain, white) > 0), 5000);

        choose({ "View &Options", "&Silhouette", "Display &Silhouette" });
        const QImage chalk = viewerFrame(window.get());
        const std::vector<QPoint> strokes = darkened(chalk, plain);

        // The outline: model pixels next to the white page.
        auto isModel = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < plain.width() && y < plain.height() &&
                   (plain.pixel(x, y) & 0xffffff) != (white & 0xffffff);
        };
        std::vector<QPoint> outline;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                if (isModel(x, y) && (!isModel(x - 1, y) || !isModel(x + 1, y) || !isModel(x, y - 1) || !isModel(x, y + 1)))
                    outline.push_back(QPoint(x, y));
        const PixelMask strokeMask(chalk.size(), strokes);
        auto isStroke = [&](int x, int y) { return strokeMask.at(x, y); };
        int covered = 0, strayed = 0;
        for (const QPoint& p : outline)
            covered += near(p, 3, isStroke);
        for (const QPoint& p : strokes)
            strayed += !near(p, 6, isModel);
        const QString summary = QStringLiteral("%1 stroke pixels, %2 of %3 outline pixels covered, %4 astray")
                                    .arg(strokes.size()).arg(covered).arg(outline.size()).arg(strayed);
        qInfo("%s", qPrintable(summary));
        QVERIFY2(outline.size() > 200 && covered > int(outline.size()) * 7 / 10, qPrintable(summary));
        QVERIFY2(strayed <= int(strokes.size()) / 100, qPrintable(summary));
        // Chalk is grainy: the strokes are not one flat grey.
        int darkest = 255, lightest = 0;
        for (const QPoint& p : strokes) {
            darkest = std::min(darkest, qGray(chalk.pixel(p)));
            lightest = std::max(lightest, qGray(chalk.pixel(p)));
        }
        QVERIFY2(lightest - darkest > 60, qPrintable(QStringLiteral("greys %1 to %2").arg(darkest).arg(lightest)));

        choose({ "View &Options", "&Line Styles ..." });
        radio(window->getLineStyleWindow(), "Pencil")->click();
        const QImage pencil = viewerFrame(window.get());
        int changed = 0;
        for (const QPoint& p : strokes)
            changed += qAbs(qGray(pencil.pixel(p)) - qGray(chalk.pixel(p))) > 20;
        QVERIFY2(changed > int(strokes.size()) / 4,
                 qPrintable(QStringLiteral("%1 of %2 stroke pixels changed").arg(changed).arg(strokes.size())));
        // Only the strokes change: away from the chalk and the pencil strokes
        // the frame stays as it was.
        const PixelMask pencilMask(pencil.size(), darkened(pencil, plain));
        auto isEitherStroke = [&](int x, int y) { return strokeMask.at(x, y) || pencilMask.at(x, y); };
        int elsewhere = 0;
        for (int y = 0; y < pencil.height(); ++y)
            for (int x = 0; x < pencil.width(); ++x)
                if (pencil.pixel(x, y) != chalk.pixel(x, y) && !near(QPoint(x, y), 3, isEitherStroke))
                    ++elsewhere;
        QVERIFY2(elsewhere < 50, qPrintable(QString::number(elsewhere)));
    }
};

QTEST_MAIN(PelmoraControlsTest)
#include "PelmoraControlsTest.moc"
