// The controls of the Pelmora main window under Qt Test, window by window:
// the menus and their checkable items, the Subdivision, Curvature,
// Visualization and Line Style windows, the exports with their dialogs
// answered by a watcher, and a user's session from opening a model to
// changing the stroke texture. Controls are driven through their widgets and
// judged by the fields they set and, where a field proves little, by what
// the nodes then make: face counts, pixels, files that qpdf and Coin read.

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
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
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
#include <tuple>
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

std::string sourcePath(const std::string& relative)
{
    return std::string(QUILLMAP_SOURCE_DIR) + "/" + relative;
}

// Merged output of a program that ended with status 0; "failed: ..." else.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    const QString output = QString::fromLocal8Bit(process.readAll());
    return ran && process.exitCode() == 0 ? output : "failed: " + program + " " + output;
}

// The faces Coin makes of a file it reads; -1 when it cannot read it.
int coinFacesOfFile(const std::string& path)
{
    SoInput input;
    SoSeparator* scene = input.openFile(path.c_str(), TRUE) ? SoDB::readAll(&input) : nullptr;
    if (scene == nullptr)
        return -1;
    scene->ref();
    const int faces = coinFaceCount(coinShapes(scene));
    scene->unref();
    return faces;
}

// Width and height of an SGI image: big-endian shorts at bytes 6 and 8.
QSize sgiImageSize(const std::string& path)
{
    unsigned char header[10] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(header), sizeof header);
    return header[0] == 0x01 && header[1] == 0xda ? QSize(header[6] << 8 | header[7], header[8] << 8 | header[9])
                                                  : QSize();
}

// Whether a frame with strokes is darker at (x, y) than one without.
bool darkened(const QImage& stroked, const QImage& plain, int x, int y)
{
    return x >= 0 && y >= 0 && x < plain.width() && y < plain.height() &&
        qGray(stroked.pixel(x, y)) + 40 < qGray(plain.pixel(x, y));
}

// Whether `hit` holds somewhere in the square of `reach` pixels around p.
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

    QString inFolder(const QString& name) const { return folder.filePath(name); }

    // The menu item at `path`, menu texts separated by '>'.
    QAction* item(const QString& path) const
    {
        QList<QAction*> actions = window->menuBar()->actions();
        QAction* found = nullptr;
        for (const QString& text : path.split('>')) {
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
    void choose(const QString& path)
    {
        QAction* chosen = item(path);
        QVERIFY2(chosen != nullptr, qPrintable(path));
        chosen->trigger();
    }
    int faceLabel(void) const { return window->findChild<QLabel*>(QStringLiteral("Face Number"))->text().toInt(); }
    // The radio button labelled `text` in a settings window.
    static QAbstractButton* radio(QWidget* settings, const QString& text)
    {
        for (QAbstractButton* button : settings->findChild<QButtonGroup*>()->buttons())
            if (button->text() == text)
                return button;
        return nullptr;
    }
    bool loadKnight(void)
    {
        const std::string knight = realModelsDirectory() + "/chess/knight.iv";
        if (!QFile::exists(QString::fromStdString(knight)))
            return false;
        window->loadModel(knight.c_str());
        return true;
    }
    static QString qpdfSays(const QString& path)
    {
        const QString said = run("qpdf", { "--check", path });
        return said.contains("No syntax or stream encoding errors") ? QString() : said;
    }
    // One export through the slot table, its dialogs answered in order.
    void exportThrough(const char* slot, DialogWatcher& watcher, std::vector<DialogWatcher::Answer> answers)
    {
        watcher.dialogs.clear();
        watcher.answers.assign(answers.begin(), answers.end());
        QVERIFY(QMetaObject::invokeMethod(window.get(), slot));
        QVERIFY2(watcher.answers.empty(), slot);
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

    // Every menu item in order, with its shortcut and, in the checkable
    // submenus, its id; the About box.
    void menus(void)
    {
        // "text|shortcut|id", "-" a separator.
        const std::vector<std::pair<QString, QStringList>> menus = {
            { "&File",
              { "&Open Model File|Ctrl+O", "Write Model to &VRML File ...", "Write Model to &IV File ...", "-",
                "Write Lines to &PDF File ...", "Write Lines to &SVG File ...", "-", "Save &Image ...", "-",
                "&Quit|Ctrl+Q" } },
            { "&Model Options",
              { "&Model Information ...", "&Model Settings", "&Curvature Modes ...", "Sub&division ...",
                "&Reset Scene" } },
            { "&Model Settings",
              { "Generate &Winged Edge|Ctrl+W|0", "&Connect Objects|Ctrl+C|1", "Build From &All Shapes||2" } },
            { "View &Options",
              { "&Appearance", "&Property Visualization ...", "&Silhouette", "&Artifacts", "&Line Styles ..." } },
            { "&Appearance",
              { "&Background black/white||0", "Line &Antialiasing||1", "&Fill Line Cracks||2", "&Hide Backfaces||3" } },
            { "&Silhouette", { "Display &Silhouette||0", "Silhouette &Visibility||1", "&Camera Static||2" } },
            { "&Artifacts",
              { "Mesh &Zig-Zag Repair||0", "&Triangle Chunk Repair||1", "&Line Zig-Zag Repair||2",
                "&Short Edges Repair||3", "Sharp &Angles Repair||4" } },
            { "&Help", { "&About" } },
        };
        QStringList bar;
        for (QAction* a : window->menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, QStringList({ "&File", "&Model Options", "View &Options", "&Help" }));
        for (const auto& menu : menus) {
            QMenu* shown = nullptr;
            for (QMenu* m : window->findChildren<QMenu*>())
                shown = m->title() == menu.first ? m : shown;
            QVERIFY2(shown != nullptr, qPrintable(menu.first));
            QStringList items;
            for (QAction* a : shown->actions()) {
                QString entry = a->isSeparator() ? QStringLiteral("-") : a->text();
                if (!a->shortcut().isEmpty() || a->isCheckable())
                    entry += "|" + a->shortcut().toString();
                if (a->isCheckable())
                    entry += "|" + a->data().toString();
                items << entry;
            }
            QCOMPARE(items, menu.second);
            // The checkable submenus, and only they, can be torn off.
            QCOMPARE(shown->isTearOffEnabled(), menu.second[0].count('|') == 2);
        }

        DialogWatcher watcher;
        choose("&Help>&About");
        QCOMPARE(int(watcher.boxes.size()), 1);
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("Pelmora v1.3"));
    }

    // Each checkable item starts in its state, shown by the check mark and
    // held by what it drives; choosing it flips both, and back again.
    void checkableItems(void)
    {
        SoGenerateSilhouette* silhouette = window->getSilhouette();
        SoGenerateWingedEdge* generator = window->getGenerator();
        auto on = [](const SoSFBool& field) { return field.getValue() != FALSE; };
        const std::vector<std::tuple<QString, bool, std::function<bool(void)>>> toggles = {
            { "&Model Options>&Model Settings>Generate &Winged Edge", true,
              [&]() { return on(generator->doBuildWingedEdge); } },
            { "&Model Options>&Model Settings>&Connect Objects", false,
              [&]() { return on(window->getModifier()->connectObjects); } },
            { "&Model Options>&Model Settings>Build From &All Shapes", true,
              [&]() { return on(generator->buildFromAllShapes); } },
            { "View &Options>&Appearance>&Background black/white", false,
              [&]() { return window->getViewer()->getBackgroundColor() == SbColor(0, 0, 0); } },
            { "View &Options>&Appearance>Line &Antialiasing", true, [&]() { return on(silhouette->antialiasing); } },
            { "View &Options>&Appearance>&Fill Line Cracks", true, [&]() { return on(silhouette->fillLineCracks); } },
            { "View &Options>&Appearance>&Hide Backfaces", true,
              [&]() { return on(window->getMeshShape()->hideBackfaces); } },
            { "View &Options>&Silhouette>Display &Silhouette", false, [&]() { return on(silhouette->doComputation); } },
            { "View &Options>&Silhouette>Silhouette &Visibility", true,
              [&]() { return on(silhouette->displaySilhouette); } },
            { "View &Options>&Silhouette>Silhouette &Visibility", true,
              [&]() { return on(window->getHiddenLineRemover()->active); } },
            { "View &Options>&Silhouette>&Camera Static", false,
              []() { return SoGenerateSilhouette::isCameraStatic(); } },
            // A check mark means the repair runs: the class-wide switch is off.
            { "View &Options>&Artifacts>Mesh &Zig-Zag Repair", true,
              []() { return !SoGenerateSilhouette::isZigZagRepairOff(); } },
            { "View &Options>&Artifacts>&Triangle Chunk Repair", true,
              []() { return !SoGenerateSilhouette::isTriangleChunkRepairOff(); } },
            { "View &Options>&Artifacts>&Line Zig-Zag Repair", true,
              [&]() { return on(window->getPurifier(0)->active); } },
            { "View &Options>&Artifacts>&Short Edges Repair", true,
              [&]() { return on(window->getPurifier(1)->active); } },
            { "View &Options>&Artifacts>Sharp &Angles Repair", true,
              [&]() { return on(window->getPurifier(2)->active); } },
        };
        for (const auto& toggle : toggles) {
            QAction* shown = item(std::get<0>(toggle));
            QVERIFY2(shown != nullptr, qPrintable(std::get<0>(toggle)));
            for (bool state : { std::get<1>(toggle), !std::get<1>(toggle), std::get<1>(toggle) }) {
                QVERIFY2(shown->isChecked() == state && std::get<2>(toggle)() == state,
                         qPrintable(std::get<0>(toggle)));
                shown->trigger();
            }
            shown->trigger();
        }

        // Black lines on white at start; the background item turns both
        // around in every node that draws lines, and on the screen.
        QCOMPARE(window->getBaseColor()->rgb[0], SbColor(0, 0, 0));
        choose("View &Options>&Appearance>&Background black/white");
        QCOMPARE(window->getBaseColor()->rgb[0], SbColor(1, 1, 1));
        QCOMPARE(window->getMeshShape()->getLineColor(), SbColor(1, 1, 1));
        QCOMPARE(silhouette->getDrawingColor(), SbColor(1, 1, 1));
        QCOMPARE(viewerFrame(window.get()).pixel(1, 1) & 0xffffff, QRgb(0));

        // The model items on the meshes: the placeholder cone, which has no
        // strip set, makes one only from all shapes; two objects connected
        // are one; without winged edges there is none.
        QVERIFY(faceLabel() > 0);
        choose("&Model Options>&Model Settings>Build From &All Shapes");
        QCOMPARE(faceLabel(), 0);
        choose("&Model Options>&Model Settings>Build From &All Shapes");
        window->loadModel(sourcePath("models/two_objects.iv").c_str());
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("2"));
        choose("&Model Options>&Model Settings>&Connect Objects");
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("1"));
        choose("&Model Options>&Model Settings>Generate &Winged Edge");
        QCOMPARE(window->getModelInfoLabel(0)->text(), QStringLiteral("0"));
    }

    void subdivisionWindow(void)
    {
        choose("&Model Options>Sub&division ...");
        QWidget* settings = window->getSubdivisionWindow();
        QVERIFY(settings->isVisible());
        QCOMPARE(settings->windowTitle(), QStringLiteral("Subdivision Settings"));
        QGridLayout* grid = settings->findChild<QGridLayout*>();
        QCOMPARE(grid->rowCount(), 11);
        auto at = [&](int row) { return grid->itemAtPosition(row, 1)->widget(); };
        SoModifyWingedEdge* modifier = window->getModifier();

        // The steps, 0 at start and at most 99 (the face budget keeps 99
        // steps on the cone short).
        const int64_t budget = SoModifyWingedEdge::getFaceBudget();
        SoModifyWingedEdge::setFaceBudget(1000);
        for (const auto& steps : std::vector<std::pair<int, SoSFInt32*>> { { 0, &modifier->dividingSteps },
                                                                           { 2, &modifier->adaptiveSubdivisionSteps },
                                                                           { 4, &modifier->subdivisionSteps },
                                                                           { 6, &modifier->smoothingSteps } }) {
            QSpinBox* spin = qobject_cast<QSpinBox*>(at(steps.first));
            QCOMPARE(spin->value(), 0);
            spin->setValue(500);
            QCOMPARE(steps.second->getValue(), 99);
            spin->setValue(0);
            QCOMPARE(steps.second->getValue(), 0);
        }
        SoModifyWingedEdge::setFaceBudget(budget);

        // Every entry of the three lists, chosen from the keyboard, selects
        // the scheme it names.
        const std::map<QString, int> codes = {
            { "Loop", 3 }, { "Modified Butterfly", 4 }, { "Catmull-Clark", 2 }, { "Doo-Sabin", 1 }
        };
        const std::vector<std::tuple<int, SoSFInt32*, int>> lists = { { 1, &modifier->dividingMode, 3 },
                                                                      { 3, &modifier->adaptiveSubdivisionMode, 2 },
                                                                      { 5, &modifier->subdivisionMode, 4 } };
        for (const auto& list : lists) {
            QComboBox* combo = qobject_cast<QComboBox*>(at(std::get<0>(list)));
            QCOMPARE(combo->count(), std::get<2>(list));
            for (int i = 1; i <= combo->count(); ++i) {
                QTest::keyClick(combo, i == combo->count() ? Qt::Key_Home : Qt::Key_Down);
                QCOMPARE(std::get<1>(list)->getValue(), codes.at(combo->currentText()));
            }
        }

        // One regular step on the cube of 12 triangles (18 edges, 8
        // corners), the result cut into triangles: Loop and butterfly split
        // each triangle in 4; Catmull-Clark makes 3 quads of 2 triangles of
        // it; Doo-Sabin a triangle per face, a quad per edge and a polygon
        // per corner (valence less 2 triangles: 2 * 18 - 2 * 8 in all).
        window->loadModel(sourcePath("models/cube.iv").c_str());
        qobject_cast<QSpinBox*>(at(4))->setValue(1);
        QComboBox* regular = qobject_cast<QComboBox*>(at(5));
        const int faces[] = { 48, 48, 72, 12 + 2 * 18 + 2 * 18 - 2 * 8 };
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(regular, i == 0 ? Qt::Key_Home : Qt::Key_Down);
            QVERIFY2(faceLabel() == faces[i], qPrintable(regular->currentText() + ": " + QString::number(faceLabel())));
        }

        // The smoothing speed is read on Return; 0 and text that is not a
        // number mean 1.0.
        QLineEdit* speed = qobject_cast<QLineEdit*>(at(7));
        QCOMPARE(speed->text(), QStringLiteral("1.0"));
        for (const auto& entry : std::vector<std::pair<const char*, float>> {
                 { "0.25", 0.25f }, { "0", 1.0f }, { "2.5", 2.5f }, { "abc", 1.0f } }) {
            const float before = modifier->smoothingSpeed.getValue();
            speed->clear();
            QTest::keyClicks(speed, entry.first);
            QCOMPARE(modifier->smoothingSpeed.getValue(), before);
            QTest::keyClick(speed, Qt::Key_Return);
            QVERIFY2(modifier->smoothingSpeed.getValue() == entry.second, entry.first);
        }

        // The sharp angle, 115 at start, into both nodes; the check boxes.
        QCOMPARE(modifier->sharpAngle.getValue(), 115.0f);
        qobject_cast<QSpinBox*>(at(9))->setValue(90);
        QCOMPARE(modifier->sharpAngle.getValue(), 90.0f);
        QCOMPARE(window->getSilhouette()->sharpEdgesAngle.getValue(), 90.0f);
        QVERIFY(!modifier->useSharpAngles.getValue() && !modifier->polygonationMode.getValue());
        qobject_cast<QCheckBox*>(at(8))->click();
        qobject_cast<QCheckBox*>(at(10))->click();
        QVERIFY(modifier->useSharpAngles.getValue() && modifier->polygonationMode.getValue());
    }

    void curvatureAndVisualizationWindows(void)
    {
        choose("&Model Options>&Curvature Modes ...");
        QWidget* curvature = window->getCurvatureWindow();
        QVERIFY(curvature->isVisible());
        const QStringList curvatureModes = { "Est. avg. Curvature", "Min Curvature",      "Max Curvature",
                                             "Mean Curvature",      "Max Abs. Curvature", "Min/Max Seperately",
                                             "Shape Index",         "Fold Index",         "Singularity Index" };
        QVERIFY(radio(curvature, curvatureModes[0])->isChecked());
        // In reverse, so that no mode is left over from the one before.
        for (int i = curvatureModes.size() - 1; i >= 0; --i) {
            radio(curvature, curvatureModes[i])->click();
            QCOMPARE(window->getGenerator()->curvatureMode.getValue(), i + 1);
        }

        choose("View &Options>&Property Visualization ...");
        QWidget* visualization = window->getVisualizationWindow();
        QVERIFY(visualization->isVisible() && radio(visualization, "Flat Shading")->isChecked());
        QCOMPARE(window->getGenerator()->visualizationMode.getValue(), int(SoWingedEdge::FLAT_SHADING));
        window->loadModel(sourcePath("models/sphere.iv").c_str());
        const QRgb white = qRgb(255, 255, 255);
        QTRY_VERIFY_WITH_TIMEOUT(countDifferent(viewerFrame(window.get()), white) > 0, 5000);
        const std::vector<std::pair<const char*, int>> modes = {
            { "Wireframe", SoWingedEdge::WIREFRAME },
            { "Flat Shading", SoWingedEdge::FLAT_SHADING },
            { "Colored Faces", SoWingedEdge::COLORED_FACES },
            { "3-Colored Faces", SoWingedEdge::THREE_COLORED_FACES },
            { "Curvature Directions", SoWingedEdge::CURVATURE_DIRECTIONS },
            { "Nothing", SoWingedEdge::DEPTH_ONLY },
        };
        for (const auto& mode : modes) {
            radio(visualization, mode.first)->click();
            QVERIFY2(window->getGenerator()->getOutputList().getVisualizationMode() == mode.second, mode.first);
            // "Nothing" leaves the white page; every other mode draws.
            QVERIFY2((countDifferent(viewerFrame(window.get()), white) == 0) ==
                         (mode.second == SoWingedEdge::DEPTH_ONLY),
                     mode.first);
        }
    }

    void lineStyleWindow(void)
    {
        choose("View &Options>&Line Styles ...");
        QWidget* styles = window->getLineStyleWindow();
        QVERIFY(styles->isVisible());
        QCOMPARE(styles->objectName(), QStringLiteral("Line Style and Texture Settings"));

        // Line styles: both line sources hand their lines to the chain.
        QCheckBox* lineStyles = styles->findChild<QCheckBox*>("Line Styles");
        for (bool on : { true, false, true }) {
            QVERIFY(lineStyles->isChecked() == on && window->getMeshShape()->sendLines.getValue() == on &&
                    window->getSilhouette()->sendLines.getValue() == on);
            lineStyles->click();
        }
        QCheckBox* strips = styles->findChild<QCheckBox*>("Line Strips");
        for (bool on : { false, true, false }) {
            QVERIFY(strips->isChecked() == on && SoLineShape::isLineStripMode() == on);
            strips->click();
        }

        // Each of the 14 texture buttons loads its file: the texture node
        // holds an image of the size the file's header gives.
        const std::vector<std::pair<const char*, const char*>> textures = {
            { "Chalk", "chalk" },
            { "Chalk (old)", "chalk_old" },
            { "Line1", "line1" },
            { "Line2", "line2" },
            { "Line", "line" },
            { "LineTest", "linetest" },
            { "Oilpaint", "oilpaint" },
            { "Pen", "pen" },
            { "PenSquiggle", "pen_squiggle" },
            { "Pencil", "pencil" },
            { "Teapot", "teapot" },
            { "Test", "test" },
            { "VanGogh", "vangogh" },
            { "Watercolor", "watercolor" },
        };
        QCOMPARE(styles->findChild<QButtonGroup*>()->buttons().size(), int(textures.size()));
        QVERIFY(radio(styles, "Chalk")->isChecked());
        for (size_t i = textures.size(); i-- > 0;) {
            radio(styles, textures[i].first)->click();
            const std::string file = std::string("textures/") + textures[i].second + ".rgb";
            QCOMPARE(std::string(window->getStrokeTexture()->filename.getValue().getString()), file);
            SbVec2s size;
            int components = 0;
            window->getStrokeTexture()->image.getValue(size, components);
            QVERIFY2(sgiImageSize(file).isValid() && QSize(size[0], size[1]) == sgiImageSize(file), textures[i].first);
        }

        // The size: amplitude a tenth of it, silhouette and stroke widths
        // as large, at most 100.
        QSpinBox* size = styles->findChild<QSpinBox*>("Texture Size");
        for (int value : { 2, 7, 100 }) {
            QCOMPARE(size->value(), value);
            QCOMPARE(window->getThickener()->amplitude.getValue(), value * 0.1f);
            QCOMPARE(window->getSilhouette()->lineWidth.getValue(), float(value));
            QCOMPARE(window->getCurrentStrokeWidth(), float(value));
            size->setValue(value == 2 ? 7 : 1000);
        }
    }

    // "Taper Stroke Ends" changes the strokes of the knight and nothing
    // else, and off again gives back the frame it started from. The chair
    // seen as the viewer starts (from the side, 800 x 600 window): the
    // outlines of its slats, back and arms merge into black bars unless the
    // width follows the form; with it, light shows between them.
    void taperAndFormFollowingWidth(void)
    {
        if (!loadKnight())
            QSKIP("the chess knight of the inventor-data package is not installed");
        const QImage bare = viewerFrame(window.get());
        choose("View &Options>&Silhouette>Display &Silhouette");
        QWidget* styles = window->getLineStyleWindow();
        QCheckBox* taper = styles->findChild<QCheckBox*>("Taper Stroke Ends");
        QCheckBox* form = styles->findChild<QCheckBox*>("Form-Following Width");
        QVERIFY(taper != nullptr && form != nullptr);
        QVERIFY(!taper->isChecked() && !form->isChecked());
        const QImage plain = viewerFrame(window.get());
        auto isStroke = [&](int x, int y) { return darkened(plain, bare, x, y); };
        taper->click();
        QVERIFY(window->getStrokeShape()->roundCaps.getValue());
        const QImage tapered = viewerFrame(window.get());
        int changed = 0, elsewhere = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                if (tapered.pixel(x, y) != plain.pixel(x, y)) {
                    ++changed;
                    elsewhere += !near(QPoint(x, y), 4, isStroke);
                }
        QVERIFY2(changed > 100 && elsewhere == 0,
                 qPrintable(QStringLiteral("%1 pixels changed, %2 away from the strokes").arg(changed).arg(elsewhere)));
        taper->click();
        QVERIFY(!window->getStrokeShape()->roundCaps.getValue());
        QVERIFY(viewerFrame(window.get()) == plain);

        const std::string chair = realModelsDirectory() + "/chair.iv";
        window->loadModel(chair.c_str());
        const QImage merged = viewerFrame(window.get());
        form->click();
        QCOMPARE(int(window->getThickener()->thickenMethod.getValue()), int(SoLineThickener::CLEARANCE));
        const QImage apart = viewerFrame(window.get());
        // An outline of its own encloses light pixels (the page, or a lit
        // face) that no other stroke covers: light regions of at least 10
        // pixels that do not reach the frame's edge. Chalk's grain leaves
        // smaller holes in the strokes, and a single scan line would slip
        // in and out of them.
        auto enclosed = [](const QImage& image) {
            std::vector<bool> seen(size_t(image.width() * image.height()), false);
            auto light = [&](int x, int y) { return qGray(image.pixel(x, y)) > 180; };
            int regions = 0;
            for (int y0 = 0; y0 < image.height(); ++y0)
                for (int x0 = 0; x0 < image.width(); ++x0) {
                    if (seen[size_t(y0 * image.width() + x0)] || !light(x0, y0))
                        continue;
                    std::vector<QPoint> open = { QPoint(x0, y0) };
                    seen[size_t(y0 * image.width() + x0)] = true;
                    int size = 0;
                    bool edge = false;
                    while (!open.empty()) {
                        const QPoint p = open.back();
                        open.pop_back();
                        ++size;
                        edge = edge || p.x() == 0 || p.y() == 0 || p.x() == image.width() - 1 ||
                            p.y() == image.height() - 1;
                        for (const QPoint& q : { p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1) }) {
                            if (q.x() < 0 || q.y() < 0 || q.x() >= image.width() || q.y() >= image.height())
                                continue;
                            const size_t at = size_t(q.y() * image.width() + q.x());
                            if (!seen[at] && light(q.x(), q.y())) {
                                seen[at] = true;
                                open.push_back(q);
                            }
                        }
                    }
                    regions += !edge && size >= 10;
                }
            return regions;
        };
        const int separate = enclosed(apart), together = enclosed(merged);
        const QString counts =
            QStringLiteral("%1 enclosed light regions with the form followed, %2 without").arg(separate).arg(together);
        qInfo("%s", qPrintable(counts));
        QVERIFY2(separate >= 12 && 2 * together < separate, qPrintable(counts));
        form->click();
        QVERIFY(viewerFrame(window.get()) == merged);
    }

    // The strokes to PDF through the File menu, and as text through the
    // slot table.
    void lineExports(void)
    {
        if (!loadKnight())
            QSKIP("the chess knight of the inventor-data package is not installed");
        const QImage plain = viewerFrame(window.get());
        choose("View &Options>&Silhouette>Display &Silhouette");
        const QImage stroked = viewerFrame(window.get());
        SoLineOutput* output = window->getLineOutput();
        DialogWatcher watcher;

        // Cancelled: nothing asked of the line output.
        watcher.answers.push_back(DialogWatcher::cancel());
        choose("&File>Write Lines to &PDF File ...");
        QCOMPARE(watcher.dialogs[0].objectName, QStringLiteral("save PDF file dialog"));
        QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ "*.pdf" }));
        QCOMPARE(QString(output->filename.getValue().getString()), QString());

        // With the line styles switched off in the window the PDF still holds
        // the strokes, in the proportions of the screen's; the lines are plain
        // again afterwards.
        QCheckBox* lineStyles = window->getLineStyleWindow()->findChild<QCheckBox*>("Line Styles");
        lineStyles->click();
        window->getLineStyleWindow()->findChild<QSpinBox*>("Texture Size")->setValue(5);
        const QString pdf = inFolder("knight.pdf");
        watcher.answers.push_back(DialogWatcher::chooseFile(pdf));
        choose("&File>Write Lines to &PDF File ...");
        QVERIFY(watcher.boxes.empty() && !window->getSilhouette()->sendLines.getValue());
        QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
        QCOMPARE(output->lineWidth.getValue(), 2.0f);
        QCOMPARE(qpdfSays(pdf), QString());
        const QString raster = run("pdftoppm", { "-r", "40", "-gray", "-singlefile", pdf, inFolder("knight") });
        QVERIFY2(!raster.startsWith("failed"), qPrintable(raster));
        const QImage page(inFolder("knight.pgm"));
        QRect onPage, onScreen;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                onPage |= qGray(page.pixel(x, y)) < 200 ? QRect(x, y, 1, 1) : QRect();
        for (int y = 0; y < stroked.height(); ++y)
            for (int x = 0; x < stroked.width(); ++x)
                onScreen |= darkened(stroked, plain, x, y) ? QRect(x, y, 1, 1) : QRect();
        const QString boxes = QStringLiteral("page %1 x %2, screen %3 x %4")
                                  .arg(onPage.width())
                                  .arg(onPage.height())
                                  .arg(onScreen.width())
                                  .arg(onScreen.height());
        QVERIFY2(onPage.width() > 20 && onScreen.width() > 20, qPrintable(boxes));
        QVERIFY2(std::fabs(double(onPage.width()) * onScreen.height() / (double(onPage.height()) * onScreen.width()) -
                           1.0) < 0.1,
                 qPrintable(boxes));

        // The same strokes as SVG, through the File menu: well-formed XML on
        // the PDF's page.
        const QString svg = inFolder("knight.svg");
        watcher.answers.push_back(DialogWatcher::chooseFile(svg));
        choose("&File>Write Lines to &SVG File ...");
        QCOMPARE(watcher.dialogs.back().objectName, QStringLiteral("save SVG file dialog"));
        QCOMPARE(watcher.dialogs.back().nameFilters, QStringList({ "*.svg" }));
        QCOMPARE(run("xmllint", { "--noout", svg }), QString());
        QFile pdfFile(pdf), svgFile(svg);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly) && svgFile.open(QIODevice::ReadOnly));
        const QRegularExpressionMatch box = QRegularExpression("/MediaBox \\[0 0 (\\d+) (\\d+)\\]").match(pdfFile.readAll());
        QVERIFY(box.hasMatch());
        const QByteArray drawing = svgFile.readAll();
        QVERIFY2(drawing.contains(QStringLiteral("width=\"%1pt\" height=\"%2pt\"").arg(box.captured(1), box.captured(2)).toLatin1()),
                 drawing.left(400).constData());
        QVERIFY(watcher.boxes.empty() && !window->getSilhouette()->sendLines.getValue());

        // Text: a line of two numbers per point, an empty line after each
        // stroke.
        lineStyles->click();
        exportThrough("writeLinesToASCIIFile", watcher, { DialogWatcher::chooseFile(inFolder("knight.txt")) });
        QCOMPARE(watcher.dialogs[0].objectName, QStringLiteral("save ASCII file dialog"));
        std::ifstream text(inFolder("knight.txt").toStdString());
        int points = 0, strokes = 0;
        for (std::string line; std::getline(text, line);) {
            double x = 0, y = 0;
            QVERIFY2(line.empty() || std::sscanf(line.c_str(), "%lf %lf", &x, &y) == 2, line.c_str());
            (line.empty() ? strokes : points) += 1;
        }
        QVERIFY2(strokes > 0 && points > 2 * strokes, qPrintable(QString::number(points)));
        QVERIFY(watcher.boxes.empty() && window->getSilhouette()->sendLines.getValue());
    }

    // A text or an image hidden in the strokes by the slots no menu carries.
    void codeExports(void)
    {
        if (!loadKnight())
            QSKIP("the chess knight of the inventor-data package is not installed");
        choose("View &Options>&Silhouette>Display &Silhouette");
        SoLineOutput* output = window->getLineOutput();
        DialogWatcher watcher;
        for (const char* slot : { "writeStringSteganoLineWidthLinesToPDFFile", "writeStringSteganoLineRatioToPDFFile",
                                  "writeStringSteganoAngledLinesToPDFFile", "writeStringSteganoLineLengthToPDFFile",
                                  "writeStringSteganoLineColorToPDFFile" }) {
            const QString pdf = inFolder(QString(slot) + ".pdf");
            exportThrough(slot, watcher, { DialogWatcher::chooseFile(pdf), DialogWatcher::enterText("Knight") });
            QCOMPARE(watcher.dialogs[1].title, QStringLiteral("Steganography Output to PDF ..."));
            QCOMPARE(watcher.dialogs[1].text.size(), 19);
            QCOMPARE(QString(output->codeString.getValue().getString()), QStringLiteral("Knight"));
            QCOMPARE(output->codeLength.getValue(), 6);
            QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
            QCOMPARE(qpdfSays(pdf), QString());
        }

        // A 3 x 3 image: width, height, then a bit per pixel from the top
        // row down, set where the pixel's blue (the first byte as Qt keeps
        // it) is bright, from the lowest bit up. Bits 1 0 1 1 0 0 0 1 and 1
        // give 0x8d and 0x01; red and green say the opposite, to catch a
        // wrong byte. The same pixels as a bitmap (1 black) are converted.
        const int bright[9] = { 1, 0, 1, 1, 0, 0, 0, 1, 1 };
        std::string ppm = "P6\n3 3\n255\n";
        for (int b : bright)
            ppm += b ? std::string("\x10\x10\xf0", 3) : std::string("\xf0\xf0\x10", 3);
        std::ofstream(inFolder("code.ppm").toStdString(), std::ios::binary) << ppm;
        std::ofstream(inFolder("code.pbm").toStdString()) << "P1\n3 3\n0 1 0\n0 1 1\n1 0 0\n";
        for (const char* image : { "code.ppm", "code.pbm" }) {
            for (const char* slot :
                 { "writeImageSteganoLineWidthLinesToPDFFile", "writeImageSteganoLineRatioLinesToPDFFile" }) {
                const QString pdf = inFolder(QString(slot) + image + ".pdf");
                OutputCapture printed;
                exportThrough(slot, watcher,
                              { DialogWatcher::chooseFile(pdf), DialogWatcher::chooseFile(inFolder(image)) });
                const std::string said = printed.text();
                QCOMPARE(watcher.dialogs[1].objectName, QStringLiteral("open image dialog"));
                QCOMPARE(watcher.dialogs[1].nameFilters, QStringList({ "*.ppm" }));
                QCOMPARE(QByteArray(output->codeString.getValue().getString()), QByteArray("\x03\x03\x8d\x01", 4));
                QCOMPARE(output->codeLength.getValue(), 4);
                QCOMPARE(int(output->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
                QCOMPARE(qpdfSays(pdf), QString());
                QVERIFY2(std::string(image) != "code.ppm" || said.find("240 1 16 0 240 1 \n") != std::string::npos,
                         said.c_str());
            }
        }
        QVERIFY(watcher.boxes.empty());

        // Cancelled at either dialog, no code entered, an image that cannot
        // be read: no file, and the code of the last export stays.
        std::ofstream(inFolder("broken.ppm").toStdString()) << "P6\n3 3\n255\nshort";
        const QString unwritten = inFolder("unwritten.pdf");
        const char* const text = "writeStringSteganoLineWidthLinesToPDFFile";
        const char* const picture = "writeImageSteganoLineRatioLinesToPDFFile";
        exportThrough(text, watcher, { DialogWatcher::cancel() });
        exportThrough(text, watcher, { DialogWatcher::chooseFile(unwritten), DialogWatcher::cancel() });
        exportThrough(text, watcher, { DialogWatcher::chooseFile(unwritten), DialogWatcher::enterText(QString()) });
        exportThrough(picture, watcher, { DialogWatcher::chooseFile(unwritten), DialogWatcher::cancel() });
        exportThrough(picture, watcher,
                      { DialogWatcher::chooseFile(unwritten), DialogWatcher::chooseFile(inFolder("broken.ppm")) });
        QVERIFY(!QFile::exists(unwritten) && watcher.boxes.empty());
        QCOMPARE(output->codeLength.getValue(), 4);
    }

    // The meshes as refined, through the File menu: Coin reads back as many
    // faces as the status row counts. Errors the writers report reach the
    // user in a box, and are still printed.
    void meshExportsAndErrors(void)
    {
        if (!loadKnight())
            QSKIP("the chess knight of the inventor-data package is not installed");
        window->getSubdivisionWindow()->findChild<QSpinBox*>("Subdivision Steps")->setValue(1);
        const int faces = faceLabel();
        DialogWatcher watcher;
        for (const auto& format : std::vector<std::pair<QString, QString>> {
                 { "Write Model to &VRML File ...", "VRML 2.0 Files (*.wrl)" },
                 { "Write Model to &IV File ...", "Inventor 2.1 Files (*.iv)" } }) {
            const QString path = inFolder("knight." + format.second.section("*.", 1).chopped(1));
            watcher.dialogs.clear();
            watcher.answers.push_back(DialogWatcher::chooseFile(path));
            choose("&File>" + format.first);
            QCOMPARE(watcher.dialogs[0].nameFilters, QStringList({ format.second }));
            QVERIFY(!watcher.dialogs[0].hasParent);
            QCOMPARE(coinFacesOfFile(path.toStdString()), faces);
        }
        const QString last = window->getMeshWriter()->filename.getValue().getString();
        watcher.answers.push_back(DialogWatcher::cancel());
        choose("&File>Write Model to &VRML File ...");
        QCOMPARE(QString(window->getMeshWriter()->filename.getValue().getString()), last);
        QVERIFY(watcher.boxes.empty());

        // Below a plain file nothing can be written, not even by root.
        std::ofstream(inFolder("plain").toStdString()) << "x";
        DebugErrorCollector printed;
        choose("View &Options>&Silhouette>Display &Silhouette");
        const QStringList blocked = { inFolder("plain/knight.pdf"), inFolder("plain/knight.wrl") };
        watcher.answers.push_back(DialogWatcher::chooseFile(blocked[0]));
        choose("&File>Write Lines to &PDF File ...");
        watcher.answers.push_back(DialogWatcher::chooseFile(blocked[1]));
        choose("&File>Write Model to &VRML File ...");
        // No silhouette, no lines: the user is told why there is no file.
        choose("View &Options>&Silhouette>Display &Silhouette");
        watcher.answers.push_back(DialogWatcher::chooseFile(inFolder("empty.pdf")));
        choose("&File>Write Lines to &PDF File ...");
        QCOMPARE(int(watcher.boxes.size()), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(watcher.boxes[size_t(i)].title, QStringLiteral("Error"));
            QVERIFY2(watcher.boxes[size_t(i)].text.contains(i < 2 ? blocked[i] : "no lines"),
                     qPrintable(watcher.boxes[size_t(i)].text));
        }
        QVERIFY(printed.messages.size() >= 3 && !QFile::exists(inFolder("empty.pdf")));
        QCOMPARE(int(window->getLineOutput()->steganoMode.getValue()), int(SoLineOutput::NO_STEGANO));
    }

    // As a user: open the chess knight from the File menu, switch the
    // silhouette on in its menu, and chalk strokes run along the outline;
    // "Pencil" in the Line Style window changes the strokes, only them.
    void userSession(void)
    {
        const std::string knight = realModelsDirectory() + "/chess/knight.iv";
        if (!QFile::exists(QString::fromStdString(knight)))
            QSKIP("the chess knight of the inventor-data package is not installed");
        DialogWatcher watcher;
        watcher.answers.push_back(DialogWatcher::chooseFile(QString::fromStdString(knight)));
        choose("&File>&Open Model File");
        const QRgb white = qRgb(255, 255, 255);
        QImage plain;
        QTRY_VERIFY_WITH_TIMEOUT((plain = viewerFrame(window.get()), countDifferent(plain, white) > 0), 5000);
        choose("View &Options>&Silhouette>Display &Silhouette");
        const QImage chalk = viewerFrame(window.get());

        auto isModel = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < plain.width() && y < plain.height() &&
                (plain.pixel(x, y) & 0xffffff) != (white & 0xffffff);
        };
        auto isChalk = [&](int x, int y) { return darkened(chalk, plain, x, y); };
        int outline = 0, covered = 0, strokes = 0, astray = 0, darkest = 255, lightest = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x) {
                // The outline: model pixels beside the white page.
                if (isModel(x, y) &&
                    !(isModel(x - 1, y) && isModel(x + 1, y) && isModel(x, y - 1) && isModel(x, y + 1))) {
                    ++outline;
                    covered += near(QPoint(x, y), 3, isChalk);
                }
                if (!isChalk(x, y))
                    continue;
                ++strokes;
                astray += !near(QPoint(x, y), 6, isModel);
                darkest = std::min(darkest, qGray(chalk.pixel(x, y)));
                lightest = std::max(lightest, qGray(chalk.pixel(x, y)));
            }
        const QString summary =
            QStringLiteral("%1 stroke pixels (greys %2 to %3), %4 of %5 outline pixels covered, %6 astray")
                .arg(strokes)
                .arg(darkest)
                .arg(lightest)
                .arg(covered)
                .arg(outline)
                .arg(astray);
        qInfo("%s", qPrintable(summary));
        QVERIFY2(outline > 200 && covered > outline * 7 / 10 && astray <= strokes / 100, qPrintable(summary));
        // Chalk is grainy: not one flat grey.
        QVERIFY2(lightest - darkest > 60, qPrintable(summary));

        choose("View &Options>&Line Styles ...");
        radio(window->getLineStyleWindow(), "Pencil")->click();
        const QImage pencil = viewerFrame(window.get());
        auto isStroke = [&](int x, int y) { return isChalk(x, y) || darkened(pencil, plain, x, y); };
        int changed = 0, elsewhere = 0;
        for (int y = 0; y < pencil.height(); ++y)
            for (int x = 0; x < pencil.width(); ++x) {
                if (isChalk(x, y))
                    changed += qAbs(qGray(pencil.pixel(x, y)) - qGray(chalk.pixel(x, y))) > 20;
                else if (pencil.pixel(x, y) != chalk.pixel(x, y) && !near(QPoint(x, y), 3, isStroke))
                    ++elsewhere;
            }
        QVERIFY2(changed > strokes / 4 && elsewhere < 50,
                 qPrintable(QStringLiteral("%1 of %2 stroke pixels changed, %3 elsewhere")
                                .arg(changed)
                                .arg(strokes)
                                .arg(elsewhere)));
    }
};

QTEST_MAIN(PelmoraControlsTest)
#include "PelmoraControlsTest.moc"
