// Curvature of every vertex of a winged-edge mesh (the quadratic patch fit of
// modify/Curvature.h) against CGAL's jet fitting (Monge_via_jet_fitting,
// degree 2 jet, degree 2 Monge form) on the same vertices, on generated
// spheres and tori of about 10 thousand and 1 million vertices.
//
// What runs:
//  BM_QuillmapCurvature/surface:S/mode:4  curvatureValues(mesh, 4, ...): the
//      mean curvature of every vertex, one patch fit each.
//  BM_QuillmapCurvature/surface:S/mode:9  curvatureValues(mesh, 9, -1): the
//      singularity index, which fits every vertex once and then interpolates
//      at four probes per vertex.
//  BM_CgalJetFitting/surface:S  for every vertex, the vertex and its one-ring
//      neighbours (the far ends of its edges, the vertex first) handed to
//      CGAL's fit; kmax and kmin stored per vertex id. A degree 2 jet needs
//      at least six points: a vertex with fewer than five neighbours is not
//      fitted and counted as skipped (the generated surfaces have none).
//  Surfaces (S): 0 sphere ~10k, 1 torus ~10k, 2 sphere ~1M, 3 torus ~1M
//      vertices; the sphere is the latitude-longitude sphere of radius 1 that
//      the tests use (a ring of thin triangles at each pole), the torus has
//      tube radius 0.4 around a circle of radius 1.
//
// Time is the whole pass over the mesh (the benchmark's own clock); the
// summary divides it by the vertex count. Both sides read the same meshes;
// building them is not timed.
//
// Error measure. For a vertex with estimated (kmax, kmin) and analytic
// (Kmax, Kmin):
//      error = max(|kmax - Kmax|, |kmin - Kmin|) / max(|Kmax|, |Kmin|),
// the worse of the two principal curvature errors in units of the local
// curvature scale. A plain relative error of kmin is useless on the torus,
// where Kmin = cos v / (1 + 0.4 cos v) passes through 0 on two circles; the
// scale there is the tube curvature 1/0.4, never small. On the sphere the
// measure is the relative error of the worse principal curvature. The
// summary gives the mean (and the largest) over the vertices both sides
// fitted. Analytic values: sphere 1 and 1; torus 2.5 and cos v / (1 + 0.4
// cos v), v the angle around the tube, from the vertex position.
//
// Targets checked in the summary: the patch fit (mode 4) takes no more time
// per vertex than CGAL, and its mean error on the sphere is at most 1.5 times
// CGAL's.

#include "CgalJetFitting.h"
#include "modify/Curvature.h"
#include "support/MeshBuilders.h"
#include "wingededge/WingedEdge.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

enum Kind { SPHERE, TORUS };

struct Surface {
    const char* name;
    Kind kind;
    int a, b; // sphere: rows, columns; torus: segments around the axis, around the tube
};

const Surface surfaces[] = {
    { "sphere", SPHERE, 71, 142 },   // 2 + 70 * 142 = 9942 vertices
    { "torus", TORUS, 158, 63 },     // 9954 vertices
    { "sphere", SPHERE, 708, 1414 }, // 999700 vertices
    { "torus", TORUS, 1580, 633 },   // 1000140 vertices
};
const int SURFACE_COUNT = int(sizeof surfaces / sizeof surfaces[0]);
const float TORUS_MAJOR = 1.0f, TORUS_MINOR = 0.4f;

// The analytic principal curvatures at a vertex (outward normals).
void analytic(const Surface& s, const SbVec3f& p, double& kmax, double& kmin)
{
    if (s.kind == SPHERE) {
        kmax = kmin = 1.0;
        return;
    }
    const double x = p[0], y = p[1], z = p[2];
    const double v = std::atan2(z, std::sqrt(x * x + y * y) - TORUS_MAJOR);
    kmax = 1.0 / TORUS_MINOR;
    kmin = std::cos(v) / (TORUS_MAJOR + TORUS_MINOR * std::cos(v));
}

double vertexError(double kmax, double kmin, double wantMax, double wantMin)
{
    return std::max(std::fabs(kmax - wantMax), std::fabs(kmin - wantMin)) /
           std::max(std::fabs(wantMax), std::fabs(wantMin));
}

// One mesh at a time: the benchmarks are registered surface by surface, and a
// 1M-vertex mesh is large.
struct Prepared {
    int surface = -1;
    std::unique_ptr<WingedEdgeList> list;
    size_t idCount = 0;
};
Prepared prepared;

const WingedEdgeMesh& meshFor(int surface)
{
    if (prepared.surface != surface) {
        prepared.list.reset();
        prepared.list.reset(new WingedEdgeList);
        const Surface& s = surfaces[surface];
        const StripInput in = s.kind == SPHERE ? makeSphere(s.a, s.b, 1.0f)
                                               : makeTorus(s.a, s.b, TORUS_MAJOR, TORUS_MINOR);
        WingedEdgeMesh::buildFromStrips(*prepared.list, 0, in);
        prepared.surface = surface;
        prepared.idCount = size_t(prepared.list->meshes.back().vertexCount);
    }
    return prepared.list->meshes.back();
}

// Results of the last CGAL pass per surface, for the error summary.
struct Accuracy {
    double vertices = 0;
    double skipped = NAN;
    double oursMean = NAN, oursMax = NAN, cgalMean = NAN, cgalMax = NAN;
};
std::map<int, Accuracy> accuracy;

// Errors of both sides over the vertices both fitted.
void measureAccuracy(int surface, const WingedEdgeMesh& mesh, const std::vector<double>& cgalMax,
                     const std::vector<double>& cgalMin, const std::vector<char>& fitted)
{
    const Surface& s = surfaces[surface];
    Accuracy a;
    a.skipped = 0;
    double oursSum = 0.0, cgalSum = 0.0, counted = 0.0;
    a.oursMax = a.cgalMax = 0.0;
    for (const WEVertex& v : mesh.vertices) {
        ++a.vertices;
        if (!fitted[size_t(v.id)]) {
            ++a.skipped;
            continue;
        }
        double wantMax, wantMin;
        analytic(s, v.position, wantMax, wantMin);
        const PrincipalCurvatures k = estimatePrincipalCurvatures(v);
        const double ours = vertexError(k.kmax, k.kmin, wantMax, wantMin);
        const double theirs = vertexError(cgalMax[size_t(v.id)], cgalMin[size_t(v.id)], wantMax, wantMin);
        oursSum += ours;
        cgalSum += theirs;
        a.oursMax = std::max(a.oursMax, ours);
        a.cgalMax = std::max(a.cgalMax, theirs);
        ++counted;
    }
    a.oursMean = oursSum / counted;
    a.cgalMean = cgalSum / counted;
    accuracy[surface] = a;
}

void BM_QuillmapCurvature(benchmark::State& state)
{
    const int surface = int(state.range(0));
    const int mode = int(state.range(1));
    const WingedEdgeMesh& mesh = meshFor(surface);
    size_t produced = 0;
    for (auto _ : state) {
        const auto values = curvatureValues(mesh, mode, -1.0);
        produced = values ? values->size() : 0;
        benchmark::DoNotOptimize(values);
    }
    if (produced != prepared.idCount)
        state.SkipWithError("no value for every vertex");
    state.counters["vertices"] = double(mesh.vertices.size());
}

void BM_CgalJetFitting(benchmark::State& state)
{
    const int surface = int(state.range(0));
    const WingedEdgeMesh& mesh = meshFor(surface);
    std::vector<double> kmax(prepared.idCount, 0.0), kmin(prepared.idCount, 0.0);
    std::vector<char> fitted(prepared.idCount, 0);
    std::vector<double> points;
    for (auto _ : state) {
        for (const WEVertex& v : mesh.vertices) {
            points.clear();
            points.insert(points.end(), { double(v.position[0]), double(v.position[1]), double(v.position[2]) });
            for (const WEEdge* e : v.edges) {
                const SbVec3f& q = e->otherVertex(&v)->position;
                points.insert(points.end(), { double(q[0]), double(q[1]), double(q[2]) });
            }
            const double normal[3] = { v.normal[0], v.normal[1], v.normal[2] };
            fitted[size_t(v.id)] = jetPrincipalCurvatures(points.data(), points.size() / 3, normal,
                                                          kmax[size_t(v.id)], kmin[size_t(v.id)]);
        }
        benchmark::DoNotOptimize(kmax.data());
    }
    measureAccuracy(surface, mesh, kmax, kmin, fitted);
    state.counters["vertices"] = double(mesh.vertices.size());
    state.counters["skipped"] = accuracy[surface].skipped;
}

void registerBenchmarks(void)
{
    for (int surface = 0; surface < SURFACE_COUNT; ++surface) {
        for (int mode : { 4, 9 })
            benchmark::RegisterBenchmark("BM_QuillmapCurvature", BM_QuillmapCurvature)
                ->ArgNames({ "surface", "mode" })
                ->Args({ surface, mode })
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_CgalJetFitting", BM_CgalJetFitting)
            ->ArgNames({ "surface" })
            ->Args({ surface })
            ->Unit(benchmark::kMillisecond);
    }
}

// --- summary ---------------------------------------------------------------------------------

// Console output as usual, while keeping every run's time (milliseconds) for
// the summary. With repetitions the median is used.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter(void)
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
    {
    }

    struct Result {
        double timeSum = 0.0;
        int timeCount = 0;
        double median = -1.0;

        double time(void) const { return median >= 0.0 ? median : timeCount > 0 ? timeSum / timeCount : NAN; }
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
            } else if (run.aggregate_name == "median") {
                result.median = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double time(const std::string& name) const
    {
        auto found = results.find(name);
        return found == results.end() ? NAN : found->second.time();
    }
};

std::string format(double value, const char* pattern)
{
    if (!std::isfinite(value))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

const char* verdict(bool measured, bool met)
{
    return !measured ? "not measured" : met ? "MET" : "MISSED";
}

double vertexCount(const Surface& s)
{
    return s.kind == SPHERE ? 2.0 + double(s.a - 1) * s.b : double(s.a) * s.b;
}

void printSummary(const CollectingReporter& reporter)
{
    std::printf("\nSummary (time per vertex in ns; error as defined in the header, mean and largest)\n");
    std::printf("%-7s %9s %9s %9s %9s %8s %11s %11s %7s %11s %11s %7s\n", "surface", "vertices", "mode 4", "mode 9",
                "CGAL", "CGAL/m4", "err mean", "CGAL mean", "ratio", "err max", "CGAL max", "skipped");
    bool speedMeasured = true, speedMet = true, errorMeasured = true, errorMet = true;
    for (int s = 0; s < SURFACE_COUNT; ++s) {
        const std::string surface = "surface:" + std::to_string(s);
        const double n = vertexCount(surfaces[s]);
        const double mode4 = reporter.time("BM_QuillmapCurvature/" + surface + "/mode:4") * 1e6 / n;
        const double mode9 = reporter.time("BM_QuillmapCurvature/" + surface + "/mode:9") * 1e6 / n;
        const double cgal = reporter.time("BM_CgalJetFitting/" + surface) * 1e6 / n;
        auto found = accuracy.find(s);
        const Accuracy a = found != accuracy.end() ? found->second : Accuracy();
        std::printf("%-7s %9.0f %9s %9s %9s %8s %11s %11s %7s %11s %11s %7s\n", surfaces[s].name, n,
                    format(mode4, "%.0f").c_str(), format(mode9, "%.0f").c_str(), format(cgal, "%.0f").c_str(),
                    format(cgal / mode4, "%.1fx").c_str(), format(a.oursMean, "%.2e").c_str(),
                    format(a.cgalMean, "%.2e").c_str(), format(a.oursMean / a.cgalMean, "%.2f").c_str(),
                    format(a.oursMax, "%.2e").c_str(), format(a.cgalMax, "%.2e").c_str(),
                    format(a.skipped, "%.0f").c_str());
        if (!std::isfinite(mode4) || !std::isfinite(cgal))
            speedMeasured = false;
        else
            speedMet = speedMet && mode4 <= cgal;
        if (surfaces[s].kind == SPHERE) {
            if (!std::isfinite(a.oursMean) || !std::isfinite(a.cgalMean))
                errorMeasured = false;
            else
                errorMet = errorMet && a.oursMean <= 1.5 * a.cgalMean;
        }
    }
    std::printf("\nPatch fit targets\n");
    std::printf("  time per vertex (mode 4) at most CGAL's, every surface        %s\n",
                verdict(speedMeasured, speedMet));
    std::printf("  mean error on the sphere at most 1.5 times CGAL's, both sizes  %s\n",
                verdict(errorMeasured, errorMet));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerBenchmarks();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    prepared.list.reset();
    return 0;
}
