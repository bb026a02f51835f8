// Writes the winged-edge meshes in force to a model file when asked to.

#include "wingededge/SoWingedEdgeOutput.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/misc/SoState.h>

#include <string>
#include <vector>

#include "wingededge/MeshFileWriter.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/WingedEdge.h"

SO_NODE_SOURCE(SoWingedEdgeOutput);

namespace {

const char* const kWhere = "SoWingedEdgeOutput::write";

// Whether the mesh's counts match its lists and its vertex ids are their
// positions in the list, which the face lines rely on.
bool numbered(const WingedEdgeMesh& mesh)
{
    if (size_t(mesh.vertexCount) != mesh.vertices.size() || size_t(mesh.faceCount) != mesh.faces.size() ||
        size_t(mesh.edgeCount) != mesh.edges.size())
        return false;
    int32_t expected = 0;
    for (const WEVertex& v : mesh.vertices)
        if (v.id != expected++)
            return false;
    return true;
}

} // namespace

void SoWingedEdgeOutput::initClass(void)
{
    if (SoWingedEdgeElement::getClassTypeId() == SoType::badType())
        SoWingedEdgeElement::initClass();
    SO_NODE_INIT_CLASS(SoWingedEdgeOutput, SoNode, "Node");
    SO_ENABLE(SoGLRenderAction, SoWingedEdgeElement);
    SO_ENABLE(SoCallbackAction, SoWingedEdgeElement);
}

SoWingedEdgeOutput::SoWingedEdgeOutput(void)
{
    SO_NODE_CONSTRUCTOR(SoWingedEdgeOutput);
    // Path of the file to write; empty writes "output.wrl" in the working
    // directory. Default empty.
    SO_NODE_ADD_FIELD(filename, (""));
}

SoWingedEdgeOutput::~SoWingedEdgeOutput()
{
}

void SoWingedEdgeOutput::requestVRMLOutput(void)
{
    written = false;
    format = MeshFileWriter::VRML_2_0;
}

void SoWingedEdgeOutput::requestInventorOutput(void)
{
    written = false;
    format = MeshFileWriter::INVENTOR_2_1;
}

void SoWingedEdgeOutput::GLRender(SoGLRenderAction* action)
{
    SoWingedEdgeOutput::doAction(action);
}

void SoWingedEdgeOutput::callback(SoCallbackAction* action)
{
    SoWingedEdgeOutput::doAction(action);
}

void SoWingedEdgeOutput::doAction(SoAction* action)
{
    if (written)
        return;
    written = true;

    SoState* state = action->getState();
    WingedEdgeList* list = state->isElementEnabled(SoWingedEdgeElement::getClassStackIndex())
                               ? SoWingedEdgeElement::get(state)
                               : nullptr;
    const std::string path = filename.getValue().getLength() > 0 ? filename.getValue().getString() : "output.wrl";

    static const std::vector<WingedEdgeMesh> none;
    if (list != nullptr) {
        // The face lines name vertices by id. Renumbering changes the ids
        // that the other nodes' caches may hold, so the list says so.
        bool renumbered = false;
        for (WingedEdgeMesh& mesh : list->meshes) {
            if (!numbered(mesh)) {
                mesh.renumber();
                renumbered = true;
            }
        }
        if (renumbered) {
            list->renewGeneration();
            list->renderCacheValid = 0;
        }
    }

    MeshFileWriter::Report report;
    const std::string failure = MeshFileWriter::writeFile(path, list != nullptr ? list->meshes : none,
                                          MeshFileWriter::Format(format), report);
    if (!failure.empty()) {
        SoDebugError::post(kWhere, "the mesh file '%s' %s; nothing was exported", path.c_str(), failure.c_str());
        return;
    }
    if (list == nullptr)
        SoDebugError::postWarning(kWhere, "no winged-edge meshes are in force here; '%s' holds no mesh",
                                  path.c_str());
    if (report.meshesLeftOut > 0)
        SoDebugError::postWarning(kWhere, "%d of %d meshes have no vertices or no faces and were left out of '%s'",
                                  report.meshesLeftOut,
                                  report.meshesLeftOut + report.meshesNotFinite + report.meshesWritten, path.c_str());
    if (report.meshesNotFinite > 0)
        SoDebugError::postWarning(kWhere, "%d meshes have positions that are infinite or not a number and were left "
                                  "out of '%s'",
                                  report.meshesNotFinite, path.c_str());
    if (report.normalsZeroed > 0)
        SoDebugError::postWarning(kWhere, "%d vertex normals that are infinite or not a number were written as "
                                  "(0, 0, 0) to '%s'",
                                  report.normalsZeroed, path.c_str());
    if (report.facesLeftOut > 0)
        SoDebugError::postWarning(kWhere, "%d faces whose edge cycle ends before a third vertex were left out of '%s'",
                                  report.facesLeftOut, path.c_str());
}
