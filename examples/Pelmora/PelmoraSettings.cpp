// The five settings windows of the Pelmora main window and the slots their
// controls call. Each window is a top-level child of the main window, built
// once and shown by its menu item.

#include "PelmoraApplication.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/nodes/SoTexture2.h>

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include <vector>

#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineThickener.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"

namespace {

QMainWindow* newSettingsWindow(QMainWindow* parent, const char* objectName, const char* caption)
{
    QMainWindow* window = new QMainWindow(parent, Qt::Window);
    window->setObjectName(QString::fromLatin1(objectName));
    window->setWindowTitle(QString::fromLatin1(caption));
    return window;
}

// A row of a box: widgets laid out left to right.
QWidget* newRow(QWidget* parent)
{
    QWidget* row = new QWidget(parent);
    QHBoxLayout* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    parent->layout()->addWidget(row);
    return row;
}

// A titled group of radio buttons, one under the other, with ids 0, 1, ...
// in the order of `labels` in `group`; `checked` is selected.
QGroupBox* newRadioGroup(QWidget* parent, const char* title, const char* const* labels, int count, int checked,
                         QButtonGroup*& group)
{
    QGroupBox* box = new QGroupBox(QString::fromLatin1(title), parent);
    QVBoxLayout* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < count; ++i) {
        QRadioButton* button = new QRadioButton(QString::fromLatin1(labels[i]), box);
        layout->addWidget(button);
        group->addButton(button, i);
    }
    group->button(checked)->setChecked(true);
    return box;
}

QSpinBox* newSpinBox(QWidget* parent, const char* objectName, int maximum)
{
    QSpinBox* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(objectName));
    spin->setRange(0, maximum);
    spin->setSingleStep(1);
    return spin;
}

QComboBox* newComboBox(QWidget* parent, const char* objectName, const char* const* items, int count)
{
    QComboBox* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(objectName));
    for (int i = 0; i < count; ++i)
        combo->addItem(QString::fromLatin1(items[i]));
    combo->setCurrentIndex(0);
    return combo;
}

} // namespace

// --- windows -----------------------------------------------------------------

void PelmoraApplication::buildModelInformationWindow(void)
{
    modelInformationWindow = newSettingsWindow(this, "Model Information", "Model Information");
    QWidget* box = new QWidget(modelInformationWindow);
    QVBoxLayout* rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    modelInformationWindow->setCentralWidget(box);

    auto addRow = [&](const char* caption) {
        QWidget* row = newRow(box);
        row->layout()->addWidget(new QLabel(QString::fromLatin1(caption), row));
        QLabel* value = new QLabel(QStringLiteral("0"), row);
        row->layout()->addWidget(value);
        return value;
    };
    objectNumberLabel = addRow("Object Number: ");
    modelFaceNumberLabel = addRow("Face Number: ");
    edgeNumberLabel = addRow("Edge Number: ");
    vertexNumberLabel = addRow("Vertex Number: ");
}

void PelmoraApplication::buildSubdivisionWindow(void)
{
    subdivisionWindow = newSettingsWindow(this, "Subdivision Settings", "Subdivision Settings");
    subdivisionWindow->resize(250, 100);
    QWidget* page = new QWidget(subdivisionWindow);
    subdivisionWindow->setCentralWidget(page);
    QGridLayout* grid = new QGridLayout(page);
    grid->setContentsMargins(5, 5, 5, 5);
    int row = 0;
    auto addRow = [&](const char* label, QWidget* control) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), page), row, 0);
        grid->addWidget(control, row, 1);
        ++row;
    };
    const char* const schemes[] = { "Loop", "Modified Butterfly", "Catmull-Clark", "Doo-Sabin" };

    QSpinBox* dividingSteps = newSpinBox(page, "Dividing Steps", 99);
    connect(dividingSteps, SIGNAL(valueChanged(int)), this, SLOT(changeDividingSteps(int)));
    addRow("Dividing Steps:", dividingSteps);
    QComboBox* dividing = newComboBox(page, "Subdivision Algorithm", schemes, 3);
    connect(dividing, SIGNAL(activated(int)), this, SLOT(changeDividingMode(int)));
    addRow("Dividing Algorithm:", dividing);

    QSpinBox* adaptiveSteps = newSpinBox(page, "Adaptive Loop Subdivision Steps", 99);
    connect(adaptiveSteps, SIGNAL(valueChanged(int)), this, SLOT(changeAdaptiveSubdivisionSteps(int)));
    addRow("Adaptive Subdivision Steps:", adaptiveSteps);
    QComboBox* adaptive = newComboBox(page, "Adaptive Subdivision Algorithm", schemes, 2);
    connect(adaptive, SIGNAL(activated(int)), this, SLOT(changeAdaptiveSubdivisionMode(int)));
    addRow("Adaptive Subdivision Algorithm:", adaptive);

    QSpinBox* subdivisionSteps = newSpinBox(page, "Subdivision Steps", 99);
    connect(subdivisionSteps, SIGNAL(valueChanged(int)), this, SLOT(changeSubdivisionSteps(int)));
    addRow("Regular Subdivision Steps:", subdivisionSteps);
    QComboBox* regular = newComboBox(page, "Subdivision Algorithm", schemes, 4);
    connect(regular, SIGNAL(activated(int)), this, SLOT(changeSubdivisionMode(int)));
    addRow("Regular Subdivision Algorithm:", regular);

    QSpinBox* smoothingSteps = newSpinBox(page, "Smoothing Steps", 99);
    connect(smoothingSteps, SIGNAL(valueChanged(int)), this, SLOT(changeSmoothingSteps(int)));
    addRow("Smoothing Steps:", smoothingSteps);
    smoothingSpeedEdit = new QLineEdit(QStringLiteral("1.0"), page);
    smoothingSpeedEdit->setObjectName(QStringLiteral("Smoothing Speed"));
    connect(smoothingSpeedEdit, SIGNAL(returnPressed()), this, SLOT(changeSmoothingSpeed()));
    addRow("Smoothing Speed:", smoothingSpeedEdit);

    QCheckBox* sharpAngles = new QCheckBox(page);
    sharpAngles->setObjectName(QStringLiteral("Sharp Angles Check"));
    sharpAngles->setChecked(false);
    connect(sharpAngles, SIGNAL(toggled(bool)), this, SLOT(changeSharpAngleMode(bool)));
    changeSharpAngleMode(false);
    addRow("Sharp Angles:", sharpAngles);

    QSpinBox* sharpAngle = newSpinBox(page, "Sharp Angle", 360);
    connect(sharpAngle, SIGNAL(valueChanged(int)), this, SLOT(changeSharpEdgesAngle(int)));
    sharpAngle->setValue(115);
    addRow("Sharp Angle:", sharpAngle);

    QCheckBox* largeFaces = new QCheckBox(page);
    largeFaces->setObjectName(QStringLiteral("Large Faces Check"));
    largeFaces->setChecked(false);
    connect(largeFaces, SIGNAL(toggled(bool)), this, SLOT(changePolygonationMode(bool)));
    changePolygonationMode(false);
    addRow("Large Faces:", largeFaces);
}

void PelmoraApplication::buildCurvatureWindow(void)
{
    curvatureWindow = newSettingsWindow(this, "Curvature Mode Settings", "Curvature Mode Settings");
    const char* const modes[] = { "Est. avg. Curvature", "Min Curvature",      "Max Curvature",
                                  "Mean Curvature",      "Max Abs. Curvature", "Min/Max Seperately",
                                  "Shape Index",         "Fold Index",         "Singularity Index" };
    QButtonGroup* group = nullptr;
    curvatureWindow->setCentralWidget(newRadioGroup(curvatureWindow, "Choose Curvature Mode", modes, 9, 0, group));
    connect(group, SIGNAL(idClicked(int)), this, SLOT(changeCurvatureMode(int)));
}

void PelmoraApplication::buildLineStyleWindow(void)
{
    lineStyleWindow = newSettingsWindow(this, "Line Style and Texture Settings", "Line Texture Settings");
    QWidget* box = new QWidget(lineStyleWindow);
    new QVBoxLayout(box);
    lineStyleWindow->setCentralWidget(box);

    QWidget* styles = newRow(box);
    styles->layout()->addWidget(new QLabel(QStringLiteral("Line Styles "), styles));
    lineStyleCheck = new QCheckBox(styles);
    lineStyleCheck->setObjectName(QStringLiteral("Line Styles"));
    styles->layout()->addWidget(lineStyleCheck);
    connect(lineStyleCheck, SIGNAL(toggled(bool)), this, SLOT(changeLineStyleMode(bool)));
    lineStyleCheck->setChecked(true);
    changeLineStyleMode(true);

    QWidget* strips = newRow(box);
    strips->layout()->addWidget(new QLabel(QStringLiteral("Show Line Strips "), strips));
    QCheckBox* stripCheck = new QCheckBox(strips);
    stripCheck->setObjectName(QStringLiteral("Line Strips"));
    strips->layout()->addWidget(stripCheck);
    connect(stripCheck, SIGNAL(toggled(bool)), this, SLOT(changeLineStripMode(bool)));
    stripCheck->setChecked(false);
    changeLineStripMode(false);

    // How the strokes are drawn: both off at start, so that the first frame
    // is the plain one.
    const struct {
        const char* label;
        const char* slot;
    } strokeChecks[] = { { "Taper Stroke Ends", SLOT(changeStrokeTaperMode(bool)) },
                         { "Form-Following Width", SLOT(changeFormFollowingWidthMode(bool)) } };
    for (const auto& check : strokeChecks) {
        QWidget* row = newRow(box);
        row->layout()->addWidget(new QLabel(QString::fromLatin1(check.label) + " ", row));
        QCheckBox* stroke = new QCheckBox(row);
        stroke->setObjectName(QString::fromLatin1(check.label));
        row->layout()->addWidget(stroke);
        connect(stroke, SIGNAL(toggled(bool)), this, check.slot);
    }
    scene->setTaperedStrokes(false);
    scene->setFormFollowingWidth(false);

    QButtonGroup* textures = nullptr;
    std::vector<const char*> textureNames;
    for (int i = 0; i < PelmoraScene::textureCount(); ++i)
        textureNames.push_back(PelmoraScene::textureName(i));
    box->layout()->addWidget(
        newRadioGroup(box, "Choose Line Texture", textureNames.data(), int(textureNames.size()), 0, textures));
    connect(textures, SIGNAL(idClicked(int)), this, SLOT(changeLineTextureMode(int)));

    QWidget* size = newRow(box);
    size->layout()->addWidget(new QLabel(QStringLiteral("Line Texture Size: "), size));
    QSpinBox* sizeSpin = newSpinBox(size, "Texture Size", 100);
    size->layout()->addWidget(sizeSpin);
    connect(sizeSpin, SIGNAL(valueChanged(int)), this, SLOT(changeLineTextureSizeMode(int)));
    sizeSpin->setValue(2);
}

void PelmoraApplication::buildVisualizationWindow(void)
{
    visualizationWindow = newSettingsWindow(this, "Visualization Mode Settings", "Visualization Mode Settings");
    const char* const modes[] = { "Wireframe",       "Flat Shading",         "Colored Faces",
                                  "3-Colored Faces", "Curvature Directions", "Nothing" };
    QButtonGroup* group = nullptr;
    visualizationWindow->setCentralWidget(
        newRadioGroup(visualizationWindow, "Choose Visialuzation Mode", modes, 6, 1, group));
    connect(group, SIGNAL(idClicked(int)), this, SLOT(changeVisualizationMode(int)));
    changeVisualizationMode(1);
}

// --- slots ---------------------------------------------------------------------

void PelmoraApplication::remodify(bool show)
{
    getModifier()->invalidate();
    if (!show)
        return;
    viewer->render();
    updateModelInfo();
}

void PelmoraApplication::changeLineStyleMode(bool on)
{
    scene->setLineStyles(on);
}

void PelmoraApplication::changeLineStripMode(bool on)
{
    SoLineShape::setLineStripMode(on);
    viewer->render();
}

void PelmoraApplication::changeStrokeTaperMode(bool on)
{
    scene->setTaperedStrokes(on);
    viewer->render();
}

void PelmoraApplication::changeFormFollowingWidthMode(bool on)
{
    scene->setFormFollowingWidth(on);
    viewer->render();
}

void PelmoraApplication::changeAdaptiveSubdivisionSteps(int steps)
{
    getModifier()->adaptiveSubdivisionSteps = steps;
    remodify(true);
}

void PelmoraApplication::changeAdaptiveSubdivisionMode(int index)
{
    // Adaptive subdivision knows the two triangle schemes only.
    if (index >= 0 && index < 2)
        getModifier()->adaptiveSubdivisionMode = PelmoraScene::schemeCode(index);
    remodify(true);
}

void PelmoraApplication::changeSubdivisionSteps(int steps)
{
    getModifier()->subdivisionSteps = steps;
    remodify(true);
}

void PelmoraApplication::changeSubdivisionMode(int index)
{
    if (index >= 0 && index < 4)
        getModifier()->subdivisionMode = PelmoraScene::schemeCode(index);
    remodify(true);
}

void PelmoraApplication::changeDividingSteps(int steps)
{
    getModifier()->dividingSteps = steps;
    remodify(true);
}

void PelmoraApplication::changeDividingMode(int index)
{
    // Dividing has no Doo-Sabin step.
    if (index >= 0 && index < 3)
        getModifier()->dividingMode = PelmoraScene::schemeCode(index);
    remodify(true);
}

void PelmoraApplication::changeSmoothingSteps(int steps)
{
    getModifier()->smoothingSteps = steps;
    remodify(false);
}

void PelmoraApplication::changeSmoothingSpeed(void)
{
    // Text that is not a number reads as 0, and a speed of 0 would not move
    // anything: both mean the usual speed.
    float speed = smoothingSpeedEdit->text().toFloat();
    if (speed == 0.0f)
        speed = 1.0f;
    getModifier()->smoothingSpeed = speed;
    remodify(false);
}

void PelmoraApplication::changeSharpEdgesAngle(int degrees)
{
    scene->setSharpEdgesAngle(float(degrees));
}

void PelmoraApplication::changeSharpAngleMode(bool on)
{
    getModifier()->useSharpAngles = on;
    remodify(true);
}

void PelmoraApplication::changePolygonationMode(bool on)
{
    getModifier()->polygonationMode = on;
    remodify(true);
}

void PelmoraApplication::changeLineTextureMode(int index)
{
    scene->setStrokeTexture(index);
    viewer->render();
}

void PelmoraApplication::changeLineTextureSizeMode(int size)
{
    scene->setStrokeWidth(float(size));
    viewer->render();
}

void PelmoraApplication::changeVisualizationMode(int index)
{
    scene->setVisualization(index);
    viewer->render();
}

void PelmoraApplication::changeCurvatureMode(int index)
{
    if (index >= 0 && index < 9)
        getGenerator()->curvatureMode = index + 1;
    getGenerator()->invalidateList();
    viewer->render();
}
