// The scene of Pelmora without the window: the fixed graph, its settings and
// reading a model into it.

#include "PelmoraScene.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCone.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTransformSeparator.h>

#include <strings.h>
#include <unistd.h>

#include <cstdio>

#include "Quillmap.h"
#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineConcatenator.h"
#include "lines/SoLineCoordinateOrientation.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLineParameterization.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineTaper.h"
#include "lines/SoLineThickener.h"
#include "modify/SoModifyWingedEdge.h"
#include "output/SoLineOutput.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace {

const char* const kTextureNames[] = { "Chalk",  "Chalk (old)", "Line1", "Line2", "Line",    "LineTest",  "Oilpaint",
                                      "Pen",    "PenSquiggle", "Pencil", "Teapot", "Test", "VanGogh", "Watercolor" };
const char* const kTextureFiles[] = { "textures/chalk.rgb",     "textures/chalk_old.rgb", "textures/line1.rgb",
                                      "textures/line2.rgb",     "textures/line.rgb",      "textures/linetest.rgb",
                                      "textures/oilpaint.rgb",  "textures/pen.rgb",       "textures/pen_squiggle.rgb",
                                      "textures/pencil.rgb",    "textures/teapot.rgb",    "textures/test.rgb",
                                      "textures/vangogh.rgb",   "textures/watercolor.rgb" };
const int kTextureCount = int(sizeof kTextureFiles / sizeof kTextureFiles[0]);
static_assert(sizeof kTextureNames == sizeof kTextureFiles, "one file per texture button");

const int kSchemeCodes[] = { 3, 4, 2, 1 };

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

} // namespace

PelmoraScene::PelmoraScene(SoCallbackCB* frameCallback, void* callbackData)
{
    createScene(frameCallback, callbackData);
}

PelmoraScene::~PelmoraScene()
{
    root->unref();
}

// The one scene graph, built once: the frame callback, then under
// "ModelNode" the model with the mesh generator above it, the mesh shape,
// the silhouette generator and the line chain that turns lines into
// strokes. Loading replaces only the model; the settings change the fields.
void PelmoraScene::createScene(SoCallbackCB* frameCallback, void* callbackData)
{
    root = new SoSeparator;
    root->ref();
    SoCallback* frameNode = new SoCallback;
    if (frameCallback != nullptr)
        frameNode->setCallback(frameCallback, callbackData);
    root->addChild(frameNode);

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
    // meshes for the current view, handed to the line chain.
    silhouette = new SoGenerateSilhouette;
    modelNode->addChild(silhouette);

    // The nodes of the line chain, with the values the scene starts from.
    strokeTexture = new SoTexture2;
    strokeTexture->filename = kTextureFiles[0];
    strokeTexture->model = SoTexture2::MODULATE;
    thickener = new SoLineThickener;
    thickener->amplitude = 0.001f;
    thickener->thickenMethod = SoLineThickener::CONSTANT_TEXTURE_HEIGHT;
    SoLineCoordinateOrientation* orientation = new SoLineCoordinateOrientation;
    taper = new SoLineTaper;
    taperSwitch = new SoSwitch;
    taperSwitch->addChild(taper);
    taperSwitch->whichChild = SO_SWITCH_NONE;
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
    // The widths tapered towards the strokes' ends, when switched on.
    lineSeparator->addChild(taperSwitch);
    // Writes the strokes to a file when an export asks for it.
    lineSeparator->addChild(lineOutput);
    lineSeparator->addChild(strokeShape);
    modelNode->addChild(lineSeparator);
}

void PelmoraScene::applyStartState(void)
{
    generator->buildFromAllShapes = TRUE;
    setBuildWingedEdge(true);
    modifier->connectObjects = FALSE;
    modifier->useSharpAngles = FALSE;
    modifier->polygonationMode = FALSE;
    modifier->invalidate();
    setBlackBackground(false);
    silhouette->antialiasing = TRUE;
    silhouette->fillLineCracks = TRUE;
    meshShape->hideBackfaces = TRUE;
    silhouette->doComputation = FALSE;
    silhouette->displaySilhouette = TRUE;
    hiddenLineRemover->active = TRUE;
    SoGenerateSilhouette::setCameraStatic(false);
    SoGenerateSilhouette::setZigZagRepairOff(false);
    SoGenerateSilhouette::setTriangleChunkRepairOff(false);
    for (SoLinePurifier* purifier : purifiers)
        purifier->active = TRUE;
    setSharpEdgesAngle(115.0f);
    setLineStyles(true);
    SoLineShape::setLineStripMode(false);
    setStrokeTexture(0);
    setStrokeWidth(2.0f);
    setTaperedStrokes(false);
    setFormFollowingWidth(false);
    setVisualization(1);
}

// --- settings ------------------------------------------------------------------

void PelmoraScene::setBlackBackground(bool black)
{
    const float line = black ? 1.0f : 0.0f;
    silhouette->setDrawingColor(SbColor(line, line, line));
    baseColor->rgb.setValue(line, line, line);
    meshShape->setLineColor(line, line, line);
    generator->invalidateRenderCache();
}

void PelmoraScene::setStrokeWidth(float pixels)
{
    thickener->amplitude = pixels * 0.1f;
    silhouette->lineWidth = pixels;
    strokeWidth = pixels;
}

void PelmoraScene::setLineStyles(bool on)
{
    meshShape->sendLines = on;
    silhouette->sendLines = on;
    generator->invalidateRenderCache();
}

void PelmoraScene::setTaperedStrokes(bool on)
{
    taperSwitch->whichChild = on ? 0 : SO_SWITCH_NONE;
    // A tapered end is a point; a cap rounds it off instead of cutting it.
    strokeShape->roundCaps = on;
}

bool PelmoraScene::hasTaperedStrokes(void) const
{
    return taperSwitch->whichChild.getValue() == 0;
}

void PelmoraScene::setFormFollowingWidth(bool on)
{
    // Under CLEARANCE the width is the texture height's as well, where no
    // other line runs close.
    if (on)
        thickener->thickenMethod = SoLineThickener::CLEARANCE;
    else if (hasFormFollowingWidth())
        thickener->thickenMethod = SoLineThickener::CONSTANT_TEXTURE_HEIGHT;
}

bool PelmoraScene::hasFormFollowingWidth(void) const
{
    return thickener->thickenMethod.getValue() == SoLineThickener::CLEARANCE;
}

void PelmoraScene::setSharpEdgesAngle(float degrees)
{
    silhouette->sharpEdgesAngle = degrees;
    modifier->sharpAngle = degrees;
    modifier->invalidate();
}

void PelmoraScene::setVisualization(int index)
{
    // Wireframe, flat shading, coloured faces, three-coloured faces,
    // curvature directions, and nothing but the depth of the faces.
    static const int kModes[] = { SoWingedEdge::WIREFRAME,            SoWingedEdge::FLAT_SHADING,
                                  SoWingedEdge::COLORED_FACES,        SoWingedEdge::THREE_COLORED_FACES,
                                  SoWingedEdge::CURVATURE_DIRECTIONS, SoWingedEdge::DEPTH_ONLY };
    const int previous = generator->visualizationMode.getValue();
    if (index >= 0 && index < 6)
        generator->setVisualizationMode(kModes[index]);
    // Into or out of the wireframe, the mesh shape starts again from a fresh
    // copy of the meshes as built.
    if (previous == SoWingedEdge::WIREFRAME || index == 0)
        generator->invalidateList();
}

bool PelmoraScene::setStrokeTexture(int index)
{
    if (index < 0 || index >= kTextureCount)
        return false;
    strokeTexture->filename = kTextureFiles[index];
    return true;
}

void PelmoraScene::setBuildWingedEdge(bool on)
{
    generator->doBuildWingedEdge = on;
    generator->requestRebuild();
}

int PelmoraScene::textureCount(void)
{
    return kTextureCount;
}

const char* PelmoraScene::textureName(int index)
{
    return index >= 0 && index < kTextureCount ? kTextureNames[index] : nullptr;
}

const char* PelmoraScene::textureFile(int index)
{
    return index >= 0 && index < kTextureCount ? kTextureFiles[index] : nullptr;
}

int PelmoraScene::findTexture(const std::string& name)
{
    for (int i = 0; i < kTextureCount; ++i)
        if (strcasecmp(name.c_str(), kTextureNames[i]) == 0)
            return i;
    return -1;
}

int PelmoraScene::schemeCode(int index)
{
    return index >= 0 && index < 4 ? kSchemeCodes[index] : -1;
}

// --- the model -------------------------------------------------------------------

PelmoraScene::ModelFile PelmoraScene::readModelFile(const char* path, bool report)
{
    ModelFile result;
    char savedDirectory[1024];
    const bool directorySaved = getcwd(savedDirectory, sizeof savedDirectory) != nullptr;
    if (!directorySaved && report)
        std::perror("_getcwd error");
    if (report)
        std::printf("Reading file %s ... \n", path);

    // Without a way back to the working directory, or without a way into
    // the model's, the path is opened as given: never a file of the same
    // name in the wrong directory.
    const std::string fullPath(path);
    const std::string::size_type slash = fullPath.rfind('/');
    std::string fileName = fullPath;
    bool directoryChanged = false;
    if (slash != std::string::npos && directorySaved) {
        const std::string directory = slash == 0 ? std::string("/") : fullPath.substr(0, slash);
        if (chdir(directory.c_str()) == 0) {
            directoryChanged = true;
            fileName = fullPath.substr(slash + 1);
        } else if (report) {
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
        if (report)
            std::printf("Cannot load %s ...\n", path);
        changeBack();
        result.outcome = ModelFile::CANNOT_OPEN;
        return result;
    }
    // Inventor and VRML files are read by Coin; any other file is handed to
    // the library's reader, which says on standard error why it cannot read
    // it.
    const bool inventor = input.isValidFile();
    result.model = inventor ? SoDB::readAll(&input) : nullptr;
    input.closeFile();
    if (!inventor)
        result.model = Quillmap::readModel(fileName.c_str());
    changeBack();
    result.outcome = result.model != nullptr ? ModelFile::READ : ModelFile::NOT_A_MODEL;
    return result;
}

void PelmoraScene::setModel(SoNode* model)
{
    SoGroup* group = generator;
    SoNode* oldModel = getModel();
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
}

SoNode* PelmoraScene::getModel(void) const
{
    return findNamed(root, "GeometryNode");
}
