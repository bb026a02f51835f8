// Writing meshes to model files: MeshFileWriter (the writer behind
// SoWingedEdgeOutput) against Coin's own SoWriteAction, the same triangles in
// the same run, with the file size beside the time.
//
// The mesh: the generated sphere of the mesh benchmarks, built into one
// winged-edge mesh, at about 100 thousand and 1 million triangles.
//
//   BM_MeshWriter/<faces>/<format>   MeshFileWriter::writeFile, format 1 VRML
//                                    2.0, 2 Open Inventor 2.1: positions,
//                                    vertex normals, coordinate and normal
//                                    indices, through a temporary file renamed
//                                    into place
//   BM_CoinWriteAction/<faces>       SoWriteAction on a separator holding an
//                                    SoCoordinate3, an SoNormal and an
//                                    SoIndexedFaceSet (per-vertex indexed
//                                    normals) of the same triangles, written
//                                    as Inventor ASCII by SoOutput::openFile
//
// Both write into the same directory (TMPDIR, else /tmp), and the time ends
// when the file is closed. `bytes` is the size of the file written.

#include <benchmark/benchmark.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoOutput.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/MeshBuilders.h"
#include "wingededge/FaceCycle.h"
#include "wingededge/MeshFileWriter.h"
#include "wingededge/WingedEdge.h"

namespace {

// Rows and columns of the sphere: 2 * columns * (rows - 1) triangles.
int sphereSide(int faces)
{
    return faces <= 100000 ? 224 : 708;
}

const WingedEdgeList& sphere(int faces)
{
    static std::map<int, WingedEdgeList> built;
    WingedEdgeList& list = built[faces];
    if (list.meshes.empty()) {
        const int side = sphereSide(faces);
        WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(side, side));
    }
    return list;
}

std::string outputPath(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr && *dir != 0 ? dir : "/tmp") + "/" + name + "-" + std::to_string(getpid());
}

long fileSize(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? long(info.st_size) : -1;
}

// The same triangles as Coin nodes: the mesh's positions and vertex normals,
// one face of three indices per winged-edge face, in the writer's order.
SoSeparator* coinScene(const WingedEdgeMesh& mesh)
{
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoCoordinate3* coordinates = new SoCoordinate3;
    SoNormal* normals = new SoNormal;
    coordinates->point.setNum(int(mesh.vertices.size()));
    normals->vector.setNum(int(mesh.vertices.size()));
    SbVec3f* point = coordinates->point.startEditing();
    SbVec3f* vector = normals->vector.startEditing();
    for (const WEVertex& v : mesh.vertices) {
        point[v.id] = v.position;
        vector[v.id] = v.normal;
    }
    coordinates->point.finishEditing();
    normals->vector.finishEditing();

    SoIndexedFaceSet* faces = new SoIndexedFaceSet;
    faces->coordIndex.setNum(4 * int(mesh.faces.size()));
    int32_t* index = faces->coordIndex.startEditing();
    for (const WEFace& face : mesh.faces) {
        const WEEdge* e = face.edges[0];
        for (int k = 0; k < 3; ++k) {
            *index++ = startInFace(e, &face)->id;
            e = prevInFace(e, &face);
        }
        *index++ = -1;
    }
    faces->coordIndex.finishEditing();
    faces->normalIndex = faces->coordIndex;
    SoNormalBinding* binding = new SoNormalBinding;
    binding->value = SoNormalBinding::PER_VERTEX_INDEXED;

    root->addChild(coordinates);
    root->addChild(normals);
    root->addChild(binding);
    root->addChild(faces);
    return root;
}

void BM_MeshWriter(benchmark::State& state)
{
    const WingedEdgeList& list = sphere(int(state.range(0)));
    const MeshFileWriter::Format format = MeshFileWriter::Format(state.range(1));
    const std::string path = outputPath(format == MeshFileWriter::VRML_2_0 ? "writer.wrl" : "writer.iv");
    for (auto _ : state) {
        MeshFileWriter::Report report;
        const std::string failure = MeshFileWriter::writeFile(path, list.meshes, format, report);
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
    }
    state.counters["faces"] = double(list.totalFaceCount());
    state.counters["bytes"] = double(fileSize(path));
    std::remove(path.c_str());
}

void BM_CoinWriteAction(benchmark::State& state)
{
    const WingedEdgeList& list = sphere(int(state.range(0)));
    SoSeparator* root = coinScene(list.meshes[0]);
    const std::string path = outputPath("coin.iv");
    for (auto _ : state) {
        SoOutput out;
        if (!out.openFile(path.c_str())) {
            state.SkipWithError("SoOutput cannot open the file");
            break;
        }
        SoWriteAction write(&out);
        write.apply(root);
        out.closeFile();
    }
    state.counters["faces"] = double(list.totalFaceCount());
    state.counters["bytes"] = double(fileSize(path));
    std::remove(path.c_str());
    root->unref();
}

} // namespace

BENCHMARK(BM_MeshWriter)
    ->Args({ 100000, MeshFileWriter::VRML_2_0 })
    ->Args({ 100000, MeshFileWriter::INVENTOR_2_1 })
    ->Args({ 1000000, MeshFileWriter::VRML_2_0 })
    ->Args({ 1000000, MeshFileWriter::INVENTOR_2_1 })
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoinWriteAction)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    SoDB::init();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
