// Construction of the winged-edge mesh against OpenMesh's half-edge mesh
// (TriMesh_ArrayKernelT with default traits), both fed the same triangles of a
// generated sphere at about 10 thousand, 100 thousand and 1 million triangles.
//
// What the numbers mean (all memory figures are divided by the triangle count):
//
//  Time (the benchmark's own column, manual timing): wall-clock time of the
//      build alone. The strips are generated once per size before anything is
//      measured, and the mesh is destroyed after the clock has stopped. Each
//      iteration ends with malloc_trim, so every one starts from the same heap
//      state. Two heap states are measured (second argument):
//        after_teardown:0  the build gets fresh memory, handed out in address
//                          order;
//        after_teardown:1  a mesh of the same size has just been built and
//                          destroyed (untimed), and the build reuses its freed
//                          memory, as when a scene's mesh is regenerated.
//      Node-based records are sensitive to the difference: list walks over
//      nodes scattered through reused memory miss the cache far more often.
//
//  retained_B/tri: glibc heap in use (mallinfo2: uordblks + hblkhd) plus the
//      blocks of the mesh record pools, right after the build minus right
//      before it, taken in the timed runs. This is
//      what the finished mesh keeps: records, their edge vectors, unused vector
//      capacity and the allocator's per-block overhead.
//
//  peak_B/tri: the true high-water mark of the build. Measured once per side
//      and size, before the timed runs, in a child forked for just that build:
//      the child trims the heap, resets the kernel's resident-set high-water
//      mark (/proc/self/clear_refs), notes VmRSS, builds, and reads VmHWM. The
//      difference is the most memory the build ever had resident, temporary
//      tables and not yet released records included. Page granular, and the
//      code pages the build first touches count too (a few hundred kilobytes,
//      which only shows at the smallest size).
//
//  heap_peak_B/tri: in the same child, the largest increase of live heap
//      reached during the build, counted by the replacement operator
//      new/delete below (usable block size plus one header word per block).
//      The record pools' blocks (mapped, not allocated by operator new) are
//      added at their final size, which is also their largest. Not page
//      granular and blind to other direct malloc calls; a cross-check of
//      peak_B/tri.
//
// After the benchmarks a summary table repeats the figures side by side, adds
// the time ratios, and checks the winged-edge build against its targets, for
// both heap states where time is concerned:
//  - at 1M triangles, at most 1.5 times OpenMesh's build time;
//  - at most 400 bytes per triangle at the peak;
//  - build time at 1M at most 12 times the time at 100k.
//
// Unusual input of the largest size, built by the winged-edge side only (fresh
// heap, time only), its time set against the sphere's in the summary; each
// may be slower than the sphere, but at most 3 times:
//  - one point: the sphere's strips with every coordinate at the same
//    position, so every face has zero area and no normal;
//  - separate at one point: every triangle a strip of its own with three
//    coordinate indices of its own, all at the same position (three times the
//    vertices and twice the edges of the sphere, all of them border edges);
//  - fan: a closed fan of separate triangles around one centre, whose vertex
//    joins every face and every one of the pairs merged.
//
// Extra flag (before or among the benchmark flags): --no_peak skips the forked
// peak measurements, e.g. when running under a profiler.

// OpenMesh comes first: its Vec3f leaves its components uninitialised by
// design, and once PropertyT<Vec3f>::push_back is inlined GCC reports that
// from inside the standard library headers. The diagnostic state that applies
// there is the one in force where those headers are first read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#pragma GCC diagnostic pop

#include "support/MeshBuilders.h"
#include "wingededge/RecordPool.h"
#include "wingededge/WingedEdge.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

// --- heap tracking -------------------------------------------------------------
//
// Replacement global operator new/delete. They forward to malloc/free; only
// while tracking is switched on (in the forked peak children) do they keep a
// running total of live bytes and its maximum. In the timed runs the cost is
// one predictable branch.

namespace {

struct HeapTracker {
    bool on;
    long long live;
    long long peak;
};

HeapTracker heapTracker = { false, 0, 0 };

inline void trackAllocation(void* p)
{
    if (!heapTracker.on || p == nullptr)
        return;
    heapTracker.live += (long long)(malloc_usable_size(p) + sizeof(size_t));
    heapTracker.peak = std::max(heapTracker.peak, heapTracker.live);
}

inline void trackRelease(void* p)
{
    if (heapTracker.on && p != nullptr)
        heapTracker.live -= (long long)(malloc_usable_size(p) + sizeof(size_t));
}

void* allocate(size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    trackAllocation(p);
    return p;
}

void release(void* p) noexcept
{
    trackRelease(p);
    std::free(p);
}

} // namespace

void* operator new(size_t size)
{
    return allocate(size);
}

void* operator new[](size_t size)
{
    return allocate(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept
{
    release(p);
}

void operator delete[](void* p) noexcept
{
    release(p);
}

void operator delete(void* p, size_t) noexcept
{
    release(p);
}

void operator delete[](void* p, size_t) noexcept
{
    release(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    release(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    release(p);
}

namespace {

// --- inputs ----------------------------------------------------------------------

struct SphereSize {
    int64_t triangles; // 2 * columns * (rows - 1)
    int rows;
    int columns;
};

const SphereSize sphereSizes[] = {
    { 10000, 51, 100 },
    { 100000, 201, 250 },
    { 1000000, 501, 1000 },
};

// One input per size, generated before any measurement and shared by both sides.
const StripInput& sphereInput(int64_t triangles)
{
    static std::map<int64_t, StripInput> inputs;
    auto found = inputs.find(triangles);
    if (found != inputs.end())
        return found->second;
    for (const SphereSize& s : sphereSizes)
        if (s.triangles == triangles)
            return inputs.emplace(triangles, makeSphere(s.rows, s.columns, 1.0f)).first->second;
    std::fprintf(stderr, "no sphere with %lld triangles\n", (long long)triangles);
    std::exit(2);
}

enum Unusual { ONE_POINT = 0, SEPARATE_AT_ONE_POINT = 1, FAN = 2, UNUSUAL_KINDS = 3 };
const char* const unusualNames[UNUSUAL_KINDS] = { "one point", "separate at one point", "fan" };
const int64_t kUnusualTriangles = 1000000;

const StripInput& unusualInput(int kind)
{
    static std::map<int, StripInput> inputs;
    auto found = inputs.find(kind);
    if (found != inputs.end())
        return found->second;
    StripInput in;
    const SbVec3f point(0.5f, 0.25f, 1.0f);
    if (kind == ONE_POINT) {
        in = sphereInput(kUnusualTriangles);
        std::fill(in.coordinates.begin(), in.coordinates.end(), point);
    } else if (kind == SEPARATE_AT_ONE_POINT) {
        in.coordinates.assign(size_t(3 * kUnusualTriangles), point);
        in.normals.assign(1, SbVec3f(0.0f, 0.0f, 0.0f));
        in.normalIndex.assign(in.coordinates.size(), 0);
        in.stripLengths.assign(size_t(kUnusualTriangles), 3);
        for (int32_t i = 0; i < int32_t(in.coordinates.size()); ++i)
            in.coordIndex.push_back(i);
    } else {
        std::vector<SbVec3f> ring;
        const double step = 2.0 * std::acos(-1.0) / double(kUnusualTriangles);
        for (int64_t i = 0; i < kUnusualTriangles; ++i)
            ring.emplace_back(float(std::cos(step * double(i))), float(std::sin(step * double(i))), 0.0f);
        in = makeFan(SbVec3f(0.0f, 0.0f, 0.5f), ring, true);
    }
    return inputs.emplace(kind, std::move(in)).first->second;
}

// --- the two builds ------------------------------------------------------------------

typedef OpenMesh::TriMesh_ArrayKernelT<> OpenMeshTriMesh;

// Returns the number of triangles the builder dropped (expected 0).
int buildWingedEdge(WingedEdgeList& list, const StripInput& in)
{
    return WingedEdgeMesh::buildFromStrips(list, 0, in);
}

// Every coordinate becomes a vertex (handle i for coordinate i), every
// non-degenerate strip triangle a face, in the usual strip order so that all
// faces come out consistently oriented: triangle k of a strip is
// (c[k], c[k+1], c[k+2]) for even k and (c[k+1], c[k], c[k+2]) for odd k.
// Returns the number of faces add_face rejected (expected 0).
int buildOpenMesh(OpenMeshTriMesh& mesh, const StripInput& in)
{
    for (const SbVec3f& p : in.coordinates)
        mesh.add_vertex(OpenMeshTriMesh::Point(p[0], p[1], p[2]));
    int rejected = 0;
    size_t start = 0;
    for (int32_t length : in.stripLengths) {
        for (int32_t j = 2; j < length; ++j) {
            int32_t a = in.coordIndex[start + size_t(j) - 2];
            int32_t b = in.coordIndex[start + size_t(j) - 1];
            const int32_t c = in.coordIndex[start + size_t(j)];
            if (a == b || b == c || a == c)
                continue;
            if (j % 2 == 1)
                std::swap(a, b);
            const OpenMeshTriMesh::FaceHandle face = mesh.add_face(
                OpenMeshTriMesh::VertexHandle(a), OpenMeshTriMesh::VertexHandle(b), OpenMeshTriMesh::VertexHandle(c));
            if (!face.is_valid())
                ++rejected;
        }
        start += size_t(std::max(length, 0));
    }
    return rejected;
}

// --- memory probes --------------------------------------------------------------------

// The glibc heap plus the blocks of the mesh record pools, which map their
// blocks directly and so are not part of the heap.
long long heapInUse(void)
{
    const struct mallinfo2 info = mallinfo2();
    return (long long)(info.uordblks + info.hblkhd + RecordPool::totalBlockBytes());
}

// A "VmXXX:  123 kB" line of /proc/self/status, in bytes; -1 if missing.
long long statusBytes(const char* key)
{
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr)
        return -1;
    char line[256];
    long long value = -1;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            value = std::atoll(line + keyLength + 1) * 1024;
            break;
        }
    }
    std::fclose(file);
    return value;
}

// Sets VmHWM back to the current VmRSS (Linux 4.0 and later).
bool resetResidentHighWaterMark(void)
{
    const int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = write(fd, "5", 1) == 1;
    close(fd);
    return ok;
}

struct PeakSample {
    bool valid = false;
    bool exact = false;      // the high-water mark belongs to the build alone
    double residentPeak = 0; // bytes, VmHWM after minus VmRSS before
    double heapPeak = 0;     // bytes, tracked operator new high-water mark
    int problems = 0;        // dropped or rejected triangles
};

// Runs build() in a forked child and returns its peak figures. build() must
// leave what it built alive; the child exits without tearing it down.
template <class Build>
PeakSample measurePeakInChild(Build build)
{
    PeakSample sample;
    int fds[2];
    if (pipe(fds) != 0)
        return sample;
    std::fflush(stdout);
    std::fflush(stderr);
    // Free memory the parent still holds would otherwise be reused by the
    // child's build without showing up in its resident set.
    malloc_trim(0);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return sample;
    }
    if (pid == 0) {
        close(fds[0]);
        PeakSample result;
        const bool reset = resetResidentHighWaterMark();
        const long long residentBefore = statusBytes("VmRSS");
        const long long markBefore = statusBytes("VmHWM");
        heapTracker.live = heapTracker.peak = 0;
        heapTracker.on = true;
        result.problems = build();
        heapTracker.on = false;
        const long long markAfter = statusBytes("VmHWM");
        result.valid = residentBefore > 0 && markAfter > 0;
        // Without the reset the mark may still date from before the build;
        // it is the build's own only if the build pushed it higher.
        result.exact = reset || markAfter > markBefore;
        result.residentPeak = double(markAfter - residentBefore);
        // The record pools only grow while a build runs, so their final size
        // is their peak; adding it to the heap's peak gives an upper bound.
        result.heapPeak = double(heapTracker.peak) + double(RecordPool::totalBlockBytes());
        const ssize_t written = write(fds[1], &result, sizeof result);
        _exit(written == ssize_t(sizeof result) ? 0 : 1);
    }
    close(fds[1]);
    PeakSample received;
    const ssize_t got = read(fds[0], &received, sizeof received);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got == ssize_t(sizeof received) && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        sample = received;
    return sample;
}

enum Side { WINGED_EDGE = 0, OPEN_MESH = 1 };
const char* const sideNames[2] = { "winged-edge", "OpenMesh" };
const char* const benchmarkNames[2] = { "BM_WingedEdgeBuild", "BM_OpenMeshBuild" };

std::map<std::pair<int, int64_t>, PeakSample> peaks;

void measurePeaks(void)
{
    for (const SphereSize& s : sphereSizes) {
        const StripInput& in = sphereInput(s.triangles);
        peaks[{ WINGED_EDGE, s.triangles }] = measurePeakInChild([&in] {
            WingedEdgeList* list = new WingedEdgeList;
            return buildWingedEdge(*list, in);
        });
        peaks[{ OPEN_MESH, s.triangles }] = measurePeakInChild([&in] {
            OpenMeshTriMesh* mesh = new OpenMeshTriMesh;
            return buildOpenMesh(*mesh, in);
        });
    }
}

void setPeakCounters(benchmark::State& state, Side side, double triangles)
{
    auto found = peaks.find({ int(side), int64_t(triangles) });
    if (found == peaks.end() || !found->second.valid)
        return;
    state.counters["peak_B/tri"] = found->second.residentPeak / triangles;
    state.counters["heap_peak_B/tri"] = found->second.heapPeak / triangles;
}

// --- benchmarks -------------------------------------------------------------------------

typedef std::chrono::steady_clock Clock;

struct WingedEdgeSide {
    typedef WingedEdgeList Mesh;
    static int build(Mesh& list, const StripInput& in) { return buildWingedEdge(list, in); }
    static size_t faces(const Mesh& list) { return size_t(list.meshes.back().faceCount); }
};

struct OpenMeshSide {
    typedef OpenMeshTriMesh Mesh;
    static int build(Mesh& mesh, const StripInput& in) { return buildOpenMesh(mesh, in); }
    static size_t faces(const Mesh& mesh) { return mesh.n_faces(); }
};

// The peak figures measured for this input are attached to the fresh-heap
// runs of the spheres.
template <class S>
void runBuild(benchmark::State& state, Side side, const StripInput& in, bool afterTeardown, bool withPeaks = true)
{
    const double triangles = double(countNonDegenerateTriangles(in));
    long long retained = 0;
    int problems = 0;
    size_t faces = 0;
    for (auto _ : state) {
        if (afterTeardown) {
            typename S::Mesh* previous = new typename S::Mesh;
            S::build(*previous, in);
            delete previous;
        }
        typename S::Mesh* mesh = new typename S::Mesh;
        const long long before = heapInUse();
        const Clock::time_point start = Clock::now();
        problems = S::build(*mesh, in);
        const Clock::time_point stop = Clock::now();
        benchmark::DoNotOptimize(mesh);
        retained = heapInUse() - before;
        faces = S::faces(*mesh);
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        delete mesh;
        malloc_trim(0);
    }
    if (faces + size_t(problems) != size_t(triangles))
        state.SkipWithError("the mesh does not have one face per triangle");
    state.counters["triangles"] = triangles;
    state.counters[side == WINGED_EDGE ? "dropped" : "rejected"] = problems;
    state.counters["retained_B/tri"] = double(retained) / triangles;
    if (withPeaks && !afterTeardown)
        setPeakCounters(state, side, triangles);
}

// Arguments: triangle count, after_teardown (0 or 1).
void BM_WingedEdgeBuild(benchmark::State& state)
{
    runBuild<WingedEdgeSide>(state, WINGED_EDGE, sphereInput(state.range(0)), state.range(1) != 0);
}

void BM_OpenMeshBuild(benchmark::State& state)
{
    runBuild<OpenMeshSide>(state, OPEN_MESH, sphereInput(state.range(0)), state.range(1) != 0);
}

// Argument: the kind of unusual input.
void BM_WingedEdgeBuildUnusual(benchmark::State& state)
{
    runBuild<WingedEdgeSide>(state, WINGED_EDGE, unusualInput(int(state.range(0))), false, false);
}

void registerBenchmarks(void)
{
    benchmark::internal::Benchmark* families[2] = {
        benchmark::RegisterBenchmark(benchmarkNames[WINGED_EDGE], BM_WingedEdgeBuild),
        benchmark::RegisterBenchmark(benchmarkNames[OPEN_MESH], BM_OpenMeshBuild),
    };
    for (benchmark::internal::Benchmark* family : families) {
        family->ArgNames({ "triangles", "after_teardown" });
        for (int afterTeardown = 0; afterTeardown < 2; ++afterTeardown)
            for (const SphereSize& s : sphereSizes)
                family->Args({ s.triangles, afterTeardown });
        family->UseManualTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::internal::Benchmark* unusual =
        benchmark::RegisterBenchmark("BM_WingedEdgeBuildUnusual", BM_WingedEdgeBuildUnusual);
    unusual->ArgName("input")->DenseRange(0, UNUSUAL_KINDS - 1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// --- summary ---------------------------------------------------------------------------------

// Console output as usual, while keeping every run's time (milliseconds) and
// counters for the summary. With repetitions the median is used; it also
// works with --benchmark_report_aggregates_only.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    // A reporter handed to RunSpecifiedBenchmarks does not see
    // --benchmark_color; colour only goes to a terminal.
    CollectingReporter(void)
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
    {
    }

    struct Result {
        double timeSum = 0.0;
        int timeCount = 0;
        double median = -1.0;
        benchmark::UserCounters counters;

        double time(void) const { return median >= 0.0 ? median : timeCount > 0 ? timeSum / timeCount : -1.0; }
    };

    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.time_unit != benchmark::kMillisecond)
                continue;
            Result& result = results[run.run_name.function_name + "/" + run.run_name.args];
            if (run.run_type == Run::RT_Iteration) {
                result.timeSum += run.GetAdjustedRealTime();
                ++result.timeCount;
                result.counters = run.counters;
            } else if (run.aggregate_name == "median") {
                result.median = run.GetAdjustedRealTime();
                result.counters = run.counters;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const Result* find(Side side, int64_t triangles, bool afterTeardown) const
    {
        auto found = results.find(std::string(benchmarkNames[side]) + "/triangles:" + std::to_string(triangles) +
                                  "/after_teardown:" + (afterTeardown ? "1" : "0"));
        return found == results.end() || found->second.time() < 0.0 ? nullptr : &found->second;
    }
};

std::string formatNumber(double value, const char* format)
{
    if (!std::isfinite(value))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double counter(const CollectingReporter::Result* result, const char* name)
{
    if (result == nullptr)
        return NAN;
    auto found = result->counters.find(name);
    return found == result->counters.end() ? NAN : double(found->second.value);
}

const char* verdict(double value, double limit)
{
    return !std::isfinite(value) ? "not measured" : value <= limit ? "MET" : "MISSED";
}

double timeOf(const CollectingReporter::Result* result)
{
    return result != nullptr ? result->time() : NAN;
}

void printSummary(const CollectingReporter& reporter, bool peaksMeasured)
{
    std::printf("\nSummary (time in ms; memory in bytes per triangle)\n");
    std::printf("%-12s %9s %10s %8s %14s %8s %8s %10s %6s %9s\n", "", "", "fresh heap", "", "after teardown", "", "", "",
                "", "");
    std::printf("%-12s %9s %10s %8s %14s %8s %8s %10s %6s %9s\n", "side", "triangles", "time", "vs OM", "time", "vs OM",
                "retained", "peak (RSS)", "exact", "peak heap");
    for (const SphereSize& s : sphereSizes) {
        const double omFresh = timeOf(reporter.find(OPEN_MESH, s.triangles, false));
        const double omReused = timeOf(reporter.find(OPEN_MESH, s.triangles, true));
        for (int side = 0; side < 2; ++side) {
            const CollectingReporter::Result* fresh = reporter.find(Side(side), s.triangles, false);
            const double timeFresh = timeOf(fresh);
            const double timeReused = timeOf(reporter.find(Side(side), s.triangles, true));
            auto peak = peaks.find({ side, s.triangles });
            const bool havePeak = peak != peaks.end() && peak->second.valid;
            const double triangles = double(s.triangles);
            std::printf("%-12s %9lld %10s %8s %14s %8s %8s %10s %6s %9s\n", sideNames[side], (long long)s.triangles,
                        formatNumber(timeFresh, "%.2f").c_str(), formatNumber(timeFresh / omFresh, "%.2fx").c_str(),
                        formatNumber(timeReused, "%.2f").c_str(), formatNumber(timeReused / omReused, "%.2fx").c_str(),
                        formatNumber(counter(fresh, "retained_B/tri"), "%.1f").c_str(),
                        formatNumber(havePeak ? peak->second.residentPeak / triangles : NAN, "%.1f").c_str(),
                        havePeak ? (peak->second.exact ? "yes" : "no") : "n/a",
                        formatNumber(havePeak ? peak->second.heapPeak / triangles : NAN, "%.1f").c_str());
            if (havePeak && peak->second.problems != 0)
                std::printf("  (%d triangles dropped or rejected in the peak run)\n", peak->second.problems);
        }
    }

    double worstPeak = peaksMeasured ? 0.0 : NAN, worstHeapPeak = peaksMeasured ? 0.0 : NAN;
    for (const SphereSize& s : sphereSizes) {
        auto peak = peaks.find({ WINGED_EDGE, s.triangles });
        if (peak == peaks.end() || !peak->second.valid) {
            worstPeak = worstHeapPeak = NAN;
            break;
        }
        worstPeak = std::max(worstPeak, peak->second.residentPeak / double(s.triangles));
        worstHeapPeak = std::max(worstHeapPeak, peak->second.heapPeak / double(s.triangles));
    }

    std::printf("\nWinged-edge build targets\n");
    for (int afterTeardown = 0; afterTeardown < 2; ++afterTeardown) {
        const char* state = afterTeardown ? "after teardown" : "fresh heap";
        const double we100k = timeOf(reporter.find(WINGED_EDGE, 100000, afterTeardown));
        const double we1m = timeOf(reporter.find(WINGED_EDGE, 1000000, afterTeardown));
        const double om1m = timeOf(reporter.find(OPEN_MESH, 1000000, afterTeardown));
        std::printf("  %-14s time at 1M / OpenMesh time at 1M   %8s  (at most 1.5)  %s\n", state,
                    formatNumber(we1m / om1m, "%.2f").c_str(), verdict(we1m / om1m, 1.5));
        std::printf("  %-14s time at 1M / time at 100k          %8s  (at most 12)   %s\n", state,
                    formatNumber(we1m / we100k, "%.2f").c_str(), verdict(we1m / we100k, 12.0));
    }
    const double sphere = timeOf(reporter.find(WINGED_EDGE, kUnusualTriangles, false));
    for (int kind = 0; kind < UNUSUAL_KINDS; ++kind) {
        auto found = reporter.results.find("BM_WingedEdgeBuildUnusual/input:" + std::to_string(kind));
        const double time = found != reporter.results.end() ? found->second.time() : NAN;
        std::printf("  %-22s time at 1M / sphere time at 1M    %8s  (at most 3)    %s  (%s ms)\n",
                    unusualNames[kind], formatNumber(time / sphere, "%.2f").c_str(), verdict(time / sphere, 3.0),
                    formatNumber(time, "%.1f").c_str());
    }
    std::printf("  peak bytes per triangle (RSS), largest of the sizes   %8s  (at most 400)  %s\n",
                formatNumber(worstPeak, "%.1f").c_str(), verdict(worstPeak, 400.0));
    std::printf("  peak bytes per triangle (heap), largest of the sizes  %8s  (at most 400)  %s\n",
                formatNumber(worstHeapPeak, "%.1f").c_str(), verdict(worstHeapPeak, 400.0));
}

} // namespace

int main(int argc, char** argv)
{
    bool measurePeak = true;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no_peak") == 0)
            measurePeak = false;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    for (const SphereSize& s : sphereSizes)
        sphereInput(s.triangles);
    for (int kind = 0; kind < UNUSUAL_KINDS; ++kind)
        unusualInput(kind);
    if (measurePeak)
        measurePeaks();

    registerBenchmarks();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter, measurePeak);
    benchmark::Shutdown();
    return 0;
}
