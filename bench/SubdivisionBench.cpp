// One subdivision step of the winged-edge schemes against OpenMesh's uniform
// subdividers (Loop, Modified Butterfly, Catmull-Clark) on the same generated
// spheres of about 100 thousand and 1 million triangles, and against CGAL's
// Doo-Sabin at 100 thousand.
//
// Time: the step alone (manual timing). Ours: WingedEdgeMesh::triangleStep
// for Loop and butterfly (after beginTriangleSteps, untimed),
// subdivideCatmullClark(true), subdivideDooSabin; the closing triangulation,
// normals and the list's rebuild are not part of the step. OpenMesh: the
// subdivider's operator()(1) on an attached mesh (attach and detach untimed);
// Catmull-Clark runs on a PolyMesh holding the same triangles. CGAL:
// DooSabin_subdivision with one iteration on a Surface_mesh. The input
// mesh is made before the clock starts and destroyed after it stops.
//
// peak_B/face: the rise of the resident set to its high-water mark during
// the step, per face the step made, measured once per benchmark in a child
// forked for just that step: the child resets the kernel's high-water mark
// (/proc/self/clear_refs), notes VmRSS, runs the step and reads VmHWM.
// Page granular. For CGAL the input surface mesh is built inside the
// measured call, so its peak includes the input.
//
// Target: ours at most 1.0 times the peer's time at 1M triangles, and the
// time growing linearly (1M at most about 10 times 100k plus cache effects).

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/CatmullClarkT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/ModifiedButterFlyT.hh>
#pragma GCC diagnostic pop

#include "CgalDooSabinPeer.h"
#include "modify/TriangleSubdivision.h"
#include "support/MeshBuilders.h"
#include "wingededge/FaceCycle.h"
#include "wingededge/WingedEdge.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef OpenMesh::TriMesh_ArrayKernelT<> TriMesh;
typedef OpenMesh::PolyMesh_ArrayKernelT<> PolyMesh;

enum SchemeIndex { LOOP_STEP, BUTTERFLY_STEP, CATMULL_CLARK_STEP, DOO_SABIN_STEP };
const char* const kSchemeNames[] = { "Loop", "Butterfly", "CatmullClark", "DooSabin" };

// The input of one size: the built mesh, and its points and triangles for the peers.
struct Input {
    WingedEdgeList list;
    std::vector<double> points;
    std::vector<int32_t> triangles;
};

// Spheres of 2 * n * (n - 1) triangles: n = 224 gives 99,904, n = 708 1,001,112.
std::unique_ptr<Input> makeInput(int n)
{
    std::unique_ptr<Input> in(new Input);
    WingedEdgeMesh& mesh = buildSingle(in->list, makeSphere(n, n));
    in->points.resize(size_t(mesh.vertexCount) * 3);
    for (const WEVertex& v : mesh.vertices)
        for (int k = 0; k < 3; ++k)
            in->points[size_t(v.id) * 3 + size_t(k)] = v.position[k];
    std::vector<WEEdge*> cycle;
    for (const WEFace& f : mesh.faces) {
        faceCycle(f, cycle);
        for (const WEEdge* e : cycle)
            in->triangles.push_back(startInFace(e, &f)->id);
    }
    return in;
}

const Input& input(int n)
{
    static std::map<int, std::unique_ptr<Input>> made;
    std::unique_ptr<Input>& in = made[n];
    if (!in)
        in = makeInput(n);
    return *in;
}

template <class Mesh>
void fill(Mesh& mesh, const Input& in)
{
    std::vector<typename Mesh::VertexHandle> vertex;
    for (size_t i = 0; i + 2 < in.points.size(); i += 3)
        vertex.push_back(mesh.add_vertex(typename Mesh::Point(float(in.points[i]), float(in.points[i + 1]),
                                                              float(in.points[i + 2]))));
    for (size_t i = 0; i + 2 < in.triangles.size(); i += 3)
        mesh.add_face(vertex[size_t(in.triangles[i])], vertex[size_t(in.triangles[i + 1])],
                      vertex[size_t(in.triangles[i + 2])]);
}

// A prepared step: run() is timed, faces() is what it made.
struct Step {
    virtual ~Step() = default;
    virtual void run(void) = 0;
    virtual int64_t faces(void) const = 0;
};

struct OursStep : Step {
    WingedEdgeList list;
    int scheme;
    OursStep(const Input& in, int s) : list(in.list), scheme(s)
    {
        if (scheme == LOOP_STEP || scheme == BUTTERFLY_STEP)
            beginTriangleSteps(list.meshes[0]);
    }
    void run(void) override
    {
        WingedEdgeMesh& mesh = list.meshes[0];
        switch (scheme) {
        case LOOP_STEP:
            triangleStep(mesh, WingedEdgeMesh::LOOP, true, false, 0, 0, 45.0, nullptr);
            break;
        case BUTTERFLY_STEP:
            triangleStep(mesh, WingedEdgeMesh::BUTTERFLY, true, false, 0, 0, 45.0, nullptr);
            break;
        case CATMULL_CLARK_STEP:
            mesh.subdivideCatmullClark(true);
            break;
        default:
            mesh.subdivideDooSabin();
            break;
        }
    }
    int64_t faces(void) const override { return int64_t(list.meshes[0].faces.size()); }
};

template <class Mesh, class Subdivider>
struct OpenMeshStep : Step {
    Mesh mesh;
    Subdivider subdivider;
    explicit OpenMeshStep(const Input& in) { fill(mesh, in); }
    void run(void) override
    {
        subdivider.attach(mesh);
        subdivider(1);
        subdivider.detach();
    }
    int64_t faces(void) const override { return int64_t(mesh.n_faces()); }
};

std::unique_ptr<Step> makeStep(bool ours, int scheme, const Input& in)
{
    if (ours)
        return std::unique_ptr<Step>(new OursStep(in, scheme));
    switch (scheme) {
    case LOOP_STEP:
        return std::unique_ptr<Step>(new OpenMeshStep<TriMesh, OpenMesh::Subdivider::Uniform::LoopT<TriMesh>>(in));
    case BUTTERFLY_STEP:
        return std::unique_ptr<Step>(
            new OpenMeshStep<TriMesh, OpenMesh::Subdivider::Uniform::ModifiedButterflyT<TriMesh>>(in));
    default:
        return std::unique_ptr<Step>(
            new OpenMeshStep<PolyMesh, OpenMesh::Subdivider::Uniform::CatmullClarkT<PolyMesh>>(in));
    }
}

long statusKilobytes(const char* key)
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, key, length) == 0)
            value = std::atol(line + length);
    std::fclose(status);
    return value;
}

// Peak resident bytes per output face of one step, in a forked child that
// makes its own input and prepares the step (so that no page it writes is
// shared with the parent) before the high-water mark is reset.
double peakPerFace(const std::function<std::function<int64_t(void)>(void)>& prepare)
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1.0;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::function<int64_t(void)> step = prepare();
        malloc_trim(0);
        const int clear = open("/proc/self/clear_refs", O_WRONLY);
        if (clear >= 0) {
            (void)!write(clear, "5", 1);
            close(clear);
        }
        const long before = statusKilobytes("VmRSS:");
        const int64_t faces = step();
        const long peak = statusKilobytes("VmHWM:");
        const double perFace = faces > 0 ? double(peak - before) * 1024.0 / double(faces) : -1.0;
        (void)!write(channel[1], &perFace, sizeof perFace);
        _exit(0);
    }
    close(channel[1]);
    double perFace = -1.0;
    if (child > 0) {
        (void)!read(channel[0], &perFace, sizeof perFace);
        waitpid(child, nullptr, 0);
    }
    close(channel[0]);
    return perFace;
}

void report(benchmark::State& state, int64_t faces, double peak)
{
    state.counters["out_faces"] = double(faces);
    state.counters["peak_B/face"] = peak;
}

// Arguments: side (0 ours, 1 peer), scheme, sphere parameter n.
void BM_Step(benchmark::State& state)
{
    const bool ours = state.range(0) == 0;
    const int scheme = int(state.range(1));
    const int n = int(state.range(2));
    const double peak = peakPerFace([&]() {
        std::shared_ptr<Input> own(makeInput(n).release());
        std::shared_ptr<Step> step(makeStep(ours, scheme, *own).release());
        return std::function<int64_t(void)>([own, step]() {
            step->run();
            return step->faces();
        });
    });
    const Input& in = input(n);
    int64_t faces = 0;
    for (auto _ : state) {
        std::unique_ptr<Step> step = makeStep(ours, scheme, in);
        const auto start = std::chrono::steady_clock::now();
        step->run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        faces = step->faces();
        step.reset();
        malloc_trim(0);
    }
    state.SetLabel(std::string(ours ? "ours " : "OpenMesh ") + kSchemeNames[scheme]);
    report(state, faces, peak);
}

void BM_CgalDooSabin(benchmark::State& state)
{
    const int n = int(state.range(0));
    // The surface mesh is built inside the call: the peak includes it.
    const double peak = peakPerFace([&]() {
        std::shared_ptr<Input> own(makeInput(n).release());
        return std::function<int64_t(void)>([own]() {
            int64_t made = 0;
            cgalDooSabinStep(own->points, own->triangles, made);
            return made;
        });
    });
    const Input& in = input(n);
    int64_t faces = 0;
    for (auto _ : state) {
        state.SetIterationTime(cgalDooSabinStep(in.points, in.triangles, faces));
        malloc_trim(0);
    }
    state.SetLabel("CGAL DooSabin");
    report(state, faces, peak);
}

} // namespace

BENCHMARK(BM_Step)
    ->ArgNames({ "peer", "scheme", "n" })
    ->ArgsProduct({ { 0, 1 }, { LOOP_STEP, BUTTERFLY_STEP, CATMULL_CLARK_STEP }, { 224, 708 } })
    ->Args({ 0, DOO_SABIN_STEP, 224 })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CgalDooSabin)->ArgNames({ "n" })->Arg(224)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
