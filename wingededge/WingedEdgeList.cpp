// Deep copy of meshes and lists, and the operations on a whole list.

#include "wingededge/WingedEdge.h"

#include <unordered_map>

namespace {

// Resolves a handle into a source list to the record at the same place in a
// copy of that list. Ids are used as the key when they are unique and dense,
// which is the case after renumbering; otherwise the record's address is.
template <class T>
class HandleMap {
public:
    HandleMap(const std::list<T, RecordAllocator<T>>& source, std::list<T, RecordAllocator<T>>& copy)
    {
        byId.assign(source.size(), nullptr);
        auto target = copy.begin();
        for (const T& record : source) {
            T* to = &*target++;
            if (record.id < 0 || size_t(record.id) >= byId.size() || byId[size_t(record.id)] != nullptr) {
                dense = false;
                break;
            }
            byId[size_t(record.id)] = to;
        }
        if (dense)
            return;
        byId.clear();
        target = copy.begin();
        for (const T& record : source)
            byAddress.emplace(&record, &*target++);
    }

    T* operator()(const T* handle) const
    {
        if (handle == nullptr)
            return nullptr;
        if (dense)
            return handle->id >= 0 && size_t(handle->id) < byId.size() ? byId[size_t(handle->id)] : nullptr;
        auto found = byAddress.find(handle);
        return found == byAddress.end() ? nullptr : found->second;
    }

private:
    bool dense = true;
    std::vector<T*> byId;
    std::unordered_map<const T*, T*> byAddress;
};

} // namespace

WingedEdgeMesh::WingedEdgeMesh(const WingedEdgeMesh& other)
{
    copyFrom(other);
}

WingedEdgeMesh& WingedEdgeMesh::operator=(const WingedEdgeMesh& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

void WingedEdgeMesh::copyFrom(const WingedEdgeMesh& other)
{
    vertexCount = other.vertexCount;
    edgeCount = other.edgeCount;
    faceCount = other.faceCount;
    objectIndex = other.objectIndex;
    nextEdgeId = other.nextEdgeId;
    nextFaceId = other.nextFaceId;
    vertices = other.vertices;
    edges = other.edges;
    faces = other.faces;

    const HandleMap<WEVertex> vertex(other.vertices, vertices);
    const HandleMap<WEEdge> edge(other.edges, edges);
    const HandleMap<WEFace> face(other.faces, faces);
    for (WEVertex& v : vertices)
        for (WEEdge*& e : v.edges)
            e = edge(e);
    for (WEFace& f : faces)
        for (WEEdge*& e : f.edges)
            e = edge(e);
    for (WEEdge& e : edges) {
        e.leftNext = edge(e.leftNext);
        e.leftPrev = edge(e.leftPrev);
        e.rightNext = edge(e.rightNext);
        e.rightPrev = edge(e.rightPrev);
        e.startVertex = vertex(e.startVertex);
        e.endVertex = vertex(e.endVertex);
        e.leftFace = face(e.leftFace);
        e.rightFace = face(e.rightFace);
        e.spare = 0;
    }
}

// The copy takes the settings, upToDate and modificationsApplied; classified
// and renderCacheValid describe caches of the target and are left as they are.
WingedEdgeList::WingedEdgeList(const WingedEdgeList& other)
{
    *this = other;
}

WingedEdgeList& WingedEdgeList::operator=(const WingedEdgeList& other)
{
    if (this == &other)
        return *this;
    curvatureMode = other.curvatureMode;
    threshold = other.threshold;
    visualizationMode = other.visualizationMode;
    upToDate = other.upToDate;
    modificationsApplied = other.modificationsApplied;
    meshes = other.meshes;
    renewGeneration();
    return *this;
}

uint64_t WingedEdgeList::nextGeneration(void)
{
    static uint64_t last = 0;
    return ++last;
}

void WingedEdgeList::renewGeneration(void)
{
    generation = nextGeneration();
}

void WingedEdgeList::setVisualizationMode(int32_t mode)
{
    visualizationMode = mode;
    renderCacheValid = 0;
}

void WingedEdgeList::clear(void)
{
    *this = WingedEdgeList(); // takes a new generation
    classified = 0;
    renderCacheValid = 0;
}

void WingedEdgeList::renumber(void)
{
    for (WingedEdgeMesh& mesh : meshes)
        mesh.renumber();
}

void WingedEdgeList::connectObjects(void)
{
    if (meshes.empty())
        return;
    WingedEdgeMesh& first = meshes.front();
    first.renumber();
    int32_t vertexTotal = first.vertexCount, edgeTotal = first.edgeCount, faceTotal = first.faceCount;
    for (size_t m = 1; m < meshes.size(); ++m) {
        WingedEdgeMesh& mesh = meshes[m];
        for (WEVertex& v : mesh.vertices)
            v.id = vertexTotal++;
        for (WEEdge& e : mesh.edges)
            e.id = edgeTotal++;
        for (WEFace& f : mesh.faces)
            f.id = faceTotal++;
        first.vertices.splice(first.vertices.end(), mesh.vertices);
        first.edges.splice(first.edges.end(), mesh.edges);
        first.faces.splice(first.faces.end(), mesh.faces);
    }
    meshes.resize(1);
    first.renumber();
    first.setObjectIndex();
    renewGeneration();
}

int32_t WingedEdgeList::totalVertexCount(void) const
{
    int32_t total = 0;
    for (const WingedEdgeMesh& mesh : meshes)
        total += int32_t(mesh.vertices.size());
    return total;
}

int32_t WingedEdgeList::totalEdgeCount(void) const
{
    int32_t total = 0;
    for (const WingedEdgeMesh& mesh : meshes)
        total += int32_t(mesh.edges.size());
    return total;
}

int32_t WingedEdgeList::totalFaceCount(void) const
{
    int32_t total = 0;
    for (const WingedEdgeMesh& mesh : meshes)
        total += int32_t(mesh.faces.size());
    return total;
}
