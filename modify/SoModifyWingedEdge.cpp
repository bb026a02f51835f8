// Applies the mesh modifications selected by its fields to the published
// winged-edge list, once per refresh of that list.

#include "modify/SoModifyWingedEdge.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoPickAction.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/misc/SoState.h>

#include <string>

#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

SO_NODE_SOURCE(SoModifyWingedEdge);

int64_t SoModifyWingedEdge::faceBudget = SoModifyWingedEdge::kDefaultFaceBudget;

namespace {

// Dihedral angle in degrees within which neighbouring faces are merged into
// one polygon.
const double kCoplanarAngle = 0.2;

// Says which operation stopped short of its steps, for the one line that
// reports it.
void noteStopped(std::string& note, const char* operation, int mode, int run, int steps)
{
    if (run >= steps)
        return;
    if (!note.empty())
        note += "; ";
    note += std::string(operation) + " (mode " + std::to_string(mode) + "): " + std::to_string(run) + " of " +
            std::to_string(steps) + " steps applied";
}

} // namespace

void SoModifyWingedEdge::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    SO_NODE_INIT_CLASS(SoModifyWingedEdge, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoGLRenderAction, SoViewVolumeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoViewVolumeElement);
    // The list is modified by whichever action reaches the node first.
    SO_ENABLE(SoGetBoundingBoxAction, SoWingedEdgeElement);
    SO_ENABLE(SoPickAction, SoWingedEdgeElement);
}

SoModifyWingedEdge::SoModifyWingedEdge(void)
{
    SO_NODE_CONSTRUCTOR(SoModifyWingedEdge);
    // TRUE merges all meshes into one and welds their coincident vertices. Default FALSE.
    SO_NODE_ADD_FIELD(connectObjects, (FALSE));
    // Dividing scheme: 2 Catmull-Clark split, 3 Loop split, 4 butterfly
    // split, all without smoothing; other values nothing. Default 3.
    SO_NODE_ADD_FIELD(dividingMode, (3));
    // Number of dividing steps; 0 disables dividing. Default 0.
    SO_NODE_ADD_FIELD(dividingSteps, (0));
    // TRUE merges nearly coplanar neighbouring faces into large faces. Default FALSE.
    SO_NODE_ADD_FIELD(polygonationMode, (FALSE));
    // Dihedral angle in degrees below which an edge counts as sharp. Default 115.
    SO_NODE_ADD_FIELD(sharpAngle, (115.0f));
    // Step factor of each smoothing iteration. Default 1.
    SO_NODE_ADD_FIELD(smoothingSpeed, (1.0f));
    // Number of smoothing iterations; 0 disables smoothing. Default 0.
    SO_NODE_ADD_FIELD(smoothingSteps, (0));
    // Subdivision scheme: 1 Doo-Sabin, 2 Catmull-Clark, 3 Loop, 4 Modified
    // Butterfly; other values nothing. Default 3.
    SO_NODE_ADD_FIELD(subdivisionMode, (3));
    // Number of subdivision steps; 0 disables subdivision. Default 0.
    SO_NODE_ADD_FIELD(subdivisionSteps, (0));
    // Number of adaptive subdivision steps; 0 disables it. Default 0.
    SO_NODE_ADD_FIELD(adaptiveSubdivisionSteps, (0));
    // Adaptive scheme: 3 Loop, 4 Modified Butterfly; other values nothing. Default 3.
    SO_NODE_ADD_FIELD(adaptiveSubdivisionMode, (3));
    // TRUE marks sharp edges before dividing, subdivision and smoothing. Default FALSE.
    SO_NODE_ADD_FIELD(useSharpAngles, (FALSE));
}

SoModifyWingedEdge::~SoModifyWingedEdge()
{
}

void SoModifyWingedEdge::setFaceBudget(int64_t faces)
{
    faceBudget = faces;
}

int64_t SoModifyWingedEdge::getFaceBudget(void)
{
    return faceBudget;
}

void SoModifyWingedEdge::doAction(SoAction* action)
{
    SoState* state = action->getState();
    if (!state->isElementEnabled(SoWingedEdgeElement::getClassStackIndex()))
        return;
    WingedEdgeList* list = SoWingedEdgeElement::get(state);
    lastList = list;
    if (list == nullptr || list->modificationsApplied || list->meshes.empty())
        return;
    modify(*list);
}

void SoModifyWingedEdge::modify(WingedEdgeList& list)
{
    if (connectObjects.getValue())
        list.connectMeshes();
    if (polygonationMode.getValue())
        list.mergeCoplanarFaces(kCoplanarAngle);
    if (useSharpAngles.getValue())
        list.markSharpEdges(sharpAngle.getValue());

    std::string stopped;
    int mode = dividingMode.getValue(), steps = dividingSteps.getValue();
    noteStopped(stopped, "dividing", mode, list.divide(mode, steps, faceBudget), steps);
    mode = adaptiveSubdivisionMode.getValue();
    steps = adaptiveSubdivisionSteps.getValue();
    noteStopped(stopped, "adaptive subdivision", mode, list.subdivideAdaptively(mode, steps, faceBudget), steps);
    mode = subdivisionMode.getValue();
    steps = subdivisionSteps.getValue();
    noteStopped(stopped, "subdivision", mode, list.subdivide(mode, steps, faceBudget), steps);
    if (!stopped.empty())
        SoDebugError::postWarning("SoModifyWingedEdge::doAction",
                                  "%s; the next step would make more than the face budget of %lld faces "
                                  "(SoModifyWingedEdge::setFaceBudget), so the remaining steps were skipped",
                                  stopped.c_str(), static_cast<long long>(faceBudget));

    list.smooth(smoothingSteps.getValue(), smoothingSpeed.getValue());
    for (WingedEdgeMesh& mesh : list.meshes)
        mesh.clearMarks();
    list.modificationsApplied = 1;
    // The records changed in place: caches made for them before no longer hold.
    list.classified = 0;
    list.renderCacheValid = 0;
    list.renewGeneration();
}

void SoModifyWingedEdge::GLRender(SoGLRenderAction* action)
{
    doAction(action);
    inherited::GLRender(action);
}

void SoModifyWingedEdge::callback(SoCallbackAction* action)
{
    doAction(action);
    inherited::callback(action);
}

void SoModifyWingedEdge::getBoundingBox(SoGetBoundingBoxAction* action)
{
    doAction(action);
    inherited::getBoundingBox(action);
}

void SoModifyWingedEdge::pick(SoPickAction* action)
{
    doAction(action);
    inherited::pick(action);
}

void SoModifyWingedEdge::invalidate(void)
{
    if (lastList == nullptr)
        return;
    lastList->modificationsApplied = 0;
    lastList->upToDate = 0;
}

int SoModifyWingedEdge::getNumObjects(void) const
{
    return lastList != nullptr ? int(lastList->meshes.size()) : 0;
}

int SoModifyWingedEdge::getNumFaces(void) const
{
    return lastList != nullptr ? lastList->totalFaceCount() : 0;
}

int SoModifyWingedEdge::getNumEdges(void) const
{
    return lastList != nullptr ? lastList->totalEdgeCount() : 0;
}

int SoModifyWingedEdge::getNumVertices(void) const
{
    return lastList != nullptr ? lastList->totalVertexCount() : 0;
}
