// Per-frame cost of the silhouette node on meshes of a million faces, side by
// side with a brute-force facing loop over compact arrays, and the cost of
// the whole line chain over the flat-shaded frame in Pelmora's own scene
// (800 x 600 pixels, offscreen GLX pbuffer; run under xvfb-run).
//
// Models: a sphere (long strips, records in order) and a torus whose
// triangles are each a strip of their own (records scattered by pairing),
// both of about one million faces. Every timed frame moves the camera a
// little along an orbit, so that each frame has a new silhouette.
//
//   BM_SilhouetteNode    SoGenerateSilhouette alone in a render traversal
//                        (sending its lines, sharp edges on as the viewer
//                        starts), perspective and parallel view, frame by
//                        frame alternating with a brute-force loop for the
//                        same eye: every face's facing from the eye, then
//                        every two-sided edge between faces of different
//                        facing, over face normals, corners and edge-to-face
//                        indices in plain arrays made once (the least any
//                        per-face method must do)
//   BM_PelmoraFrame      whole frames of Pelmora's scene, alternating: flat
//                        shading with the silhouette off (as it starts), with
//                        the silhouette on and its lines through the whole
//                        chain to the stroke shape, and the same with tapered
//                        strokes and the form-following width
//
// The summary after the table lists the median times and the targets: in
// perspective the node at most 1.5 times the brute-force loop; in parallel
// views at least 5 times faster than it; the whole chain at most 15% over
// the flat-shaded frame in both projections; tapering and the
// form-following width at most 5% over the frame with the whole chain.

#include <Inventor/SbRotation.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <QApplication>
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PelmoraApplication.h"
#include "Quillmap.h"
#include "StripSetNodes.h"
#include "lines/SoGenerateSilhouette.h"
#include "support/MeshBuilders.h"
#include "support/OffscreenContext.h"
#include "wingededge/SoGenerateWingedEdge.h"

namespace {

const int kWidth = 800, kHeight = 600;
const char* const kModels[] = { "sphere", "torus" };
const char* const kProjections[] = { "perspective", "parallel" };

uint32_t gCacheContext = 0;
PelmoraApplication* gWindow = nullptr;

const StripInput& modelInput(int model)
{
    static std::map<int, StripInput> inputs;
    auto found = inputs.find(model);
    if (found == inputs.end())
        found = inputs.emplace(model, model == 0 ? makeSphere(708, 708) : makeTorus(1000, 500, 1.0f, 0.35f)).first;
    return found->second;
}

// The eye of frame k: an orbit around the origin at distance 4, tilted so
// that it passes over the torus's hole as well as its side.
SbVec3f eyeOfFrame(long k)
{
    const SbRotation turn(SbVec3f(0.3f, 1.0f, 0.2f), 0.012f * float(k % 524));
    SbVec3f eye;
    turn.multVec(SbVec3f(0.4f, 1.3f, 3.7f), eye);
    return eye;
}

SoCamera* newCamera(int projection)
{
    if (projection == 0)
        return new SoPerspectiveCamera;
    SoOrthographicCamera* camera = new SoOrthographicCamera;
    camera->height = 3.2f;
    return camera;
}

void aim(SoCamera* camera, long k)
{
    camera->position = eyeOfFrame(k);
    camera->pointAt(SbVec3f(0.0f, 0.0f, 0.0f));
    camera->nearDistance = 1.0f;
    camera->farDistance = 8.0f;
}

double milliseconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Median times in ms by benchmark, for the summary.
std::map<std::string, double> gMedians;

double median(const std::string& name)
{
    const auto found = gMedians.find(name);
    return found == gMedians.end() ? -1.0 : found->second;
}

void recordMedian(const std::string& name, std::vector<double>& times)
{
    std::sort(times.begin(), times.end());
    if (!times.empty())
        gMedians[name] = times[times.size() / 2];
}

std::string key(const char* what, int model, int projection)
{
    return std::string(what) + "/" + kModels[model] + "/" + kProjections[projection];
}

// --- brute force -----------------------------------------------------------

struct CompactMesh {
    std::vector<SbVec3f> normal; // by face id
    std::vector<SbVec3f> corner; // by face id
    std::vector<int32_t> left, right; // two-sided edges: face ids
    std::vector<int32_t> edge;        // and edge ids
};

CompactMesh compactMesh(const WingedEdgeMesh& mesh)
{
    CompactMesh c;
    c.normal.resize(mesh.faces.size());
    c.corner.resize(mesh.faces.size());
    for (const WEFace& f : mesh.faces) {
        c.normal[size_t(f.id)] = f.normal;
        c.corner[size_t(f.id)] = f.edges[0]->startVertex->position;
    }
    for (const WEEdge& e : mesh.edges) {
        if (e.leftFace == nullptr || e.rightFace == nullptr)
            continue;
        c.left.push_back(e.leftFace->id);
        c.right.push_back(e.rightFace->id);
        c.edge.push_back(e.id);
    }
    return c;
}

// The brute-force loop for the eye of frame k; returns its time in ms.
class BruteForce {
public:
    explicit BruteForce(int model)
    {
        WingedEdgeList list;
        WingedEdgeMesh::buildFromStrips(list, 0, modelInput(model));
        c = compactMesh(list.meshes[0]);
        facing.resize(c.normal.size());
    }

    double frame(long k)
    {
        const SbVec3f eye = eyeOfFrame(k);
        const auto start = std::chrono::steady_clock::now();
        for (size_t f = 0; f < c.normal.size(); ++f)
            facing[f] = c.normal[f].dot(eye - c.corner[f]) > 0.0f;
        found.clear();
        for (size_t e = 0; e < c.edge.size(); ++e)
            if (facing[size_t(c.left[e])] != facing[size_t(c.right[e])])
                found.push_back(c.edge[e]);
        benchmark::DoNotOptimize(found.data());
        return milliseconds(start);
    }

private:
    CompactMesh c;
    std::vector<uint8_t> facing;
    std::vector<int32_t> found;
};

// --- the node alone ----------------------------------------------------------

void clearFrame(void)
{
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
}

// Times frames of `root`, the camera a step further along its orbit for
// each. Every iteration renders one frame per name, each after prepare(i, k)
// for the name's index i and the frame number k; the iteration time is
// their mean, and the median of each name's frames is kept for the summary.
// A frame is the render traversal and the GL work it causes (glFinish);
// clearing the buffers before it is not counted, so that the node's own time
// is not hidden by it. One untimed round comes first (the meshes are built,
// the edges classified, display lists recorded).
void timeFrames(benchmark::State& state, SoNode* root, SoCamera* camera, const std::vector<std::string>& names,
                const std::function<void(size_t, long)>& prepare)
{
    SoGLRenderAction action(SbViewportRegion(kWidth, kHeight));
    action.setCacheContext(gCacheContext);
    long k = 0;
    std::vector<std::vector<double>> times(names.size());
    auto round = [&](bool timed) {
        double sum = 0.0;
        for (size_t i = 0; i < names.size(); ++i) {
            prepare(i, k);
            aim(camera, k++);
            clearFrame();
            const auto start = std::chrono::steady_clock::now();
            action.apply(root);
            glFinish();
            const double ms = milliseconds(start);
            sum += ms;
            if (timed)
                times[i].push_back(ms);
        }
        return sum / double(names.size());
    };
    round(false);
    for (auto _ : state)
        state.SetIterationTime(round(true) * 1e-3);
    for (size_t i = 0; i < names.size(); ++i)
        recordMedian(names[i], times[i]);
}

// The node alone and the brute-force loop, alternating frame by frame for
// the same eyes, so that both see the same conditions.
void BM_SilhouetteNode(benchmark::State& state, int model, int projection)
{
    BruteForce brute(model);
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoCamera* camera = newCamera(projection);
    root->addChild(camera);
    SoDrawStyle* invisible = new SoDrawStyle;
    invisible->style = SoDrawStyle::INVISIBLE;
    root->addChild(invisible);
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    root->addChild(generator);
    SoSeparator* shape = new SoSeparator;
    generator->addChild(shape);
    addStripSet(modelInput(model), shape);
    SoGenerateSilhouette* silhouette = new SoGenerateSilhouette;
    root->addChild(silhouette);

    std::vector<double> bruteTimes;
    timeFrames(state, root, camera, { key("node", model, projection) },
               [&](size_t, long k) { bruteTimes.push_back(brute.frame(k)); });
    bruteTimes.erase(bruteTimes.begin()); // the untimed round's
    recordMedian(key("brute", model, projection), bruteTimes);
    state.counters["edges"] = double(silhouette->getLastEdges().size());
    state.counters["node_ms"] = median(key("node", model, projection));
    state.counters["brute_ms"] = median(key("brute", model, projection));
    root->unref();
}

// --- Pelmora's frame ---------------------------------------------------------------

// Pelmora's frame with the silhouette off (flat shading, as the viewer
// starts), on (its lines through the whole chain), and on with tapered
// strokes and the form-following width, alternating.
void BM_PelmoraFrame(benchmark::State& state, int model, int projection)
{
    // The window's scene under a camera and a light of our own; the model
    // takes the place of the loaded one.
    SoGenerateWingedEdge* generator = gWindow->getGenerator();
    SoSeparator* shape = new SoSeparator;
    shape->setName("GeometryNode");
    addStripSet(modelInput(model), shape);
    generator->replaceChild(0, shape);
    generator->requestRebuild();

    SoSeparator* root = new SoSeparator;
    root->ref();
    SoCamera* camera = newCamera(projection);
    root->addChild(camera);
    root->addChild(new SoDirectionalLight);
    root->addChild(gWindow->getSceneRoot());

    SoGenerateSilhouette* silhouette = gWindow->getSilhouette();
    PelmoraScene* scene = gWindow->getScene();
    timeFrames(state, root, camera,
               { key("flat", model, projection), key("chain", model, projection), key("styled", model, projection) },
               [silhouette, scene](size_t kind, long) {
                   silhouette->doComputation = kind != 0 ? TRUE : FALSE;
                   scene->setTaperedStrokes(kind == 2);
                   scene->setFormFollowingWidth(kind == 2);
               });
    state.counters["edges"] = double(silhouette->getLastEdges().size());
    state.counters["flat_ms"] = median(key("flat", model, projection));
    state.counters["lines_ms"] = median(key("chain", model, projection));
    state.counters["styled_ms"] = median(key("styled", model, projection));
    silhouette->doComputation = FALSE;
    scene->setTaperedStrokes(false);
    scene->setFormFollowingWidth(false);
    root->unref();
}

void registerBenchmarks(void)
{
    auto timed = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
    };
    for (int model = 0; model < 2; ++model) {
        const std::string name = kModels[model];
        for (int projection = 0; projection < 2; ++projection) {
            const std::string view = name + "/" + kProjections[projection];
            timed(benchmark::RegisterBenchmark(("BM_SilhouetteNode/" + view).c_str(), BM_SilhouetteNode, model,
                                               projection));
            timed(benchmark::RegisterBenchmark(("BM_PelmoraFrame/" + view).c_str(), BM_PelmoraFrame, model,
                                               projection));
        }
    }
}

void printSummary(void)
{
    std::printf("\nSummary: median ms per frame, about 1M faces, %d x %d pixels\n", kWidth, kHeight);
    std::printf("%-8s %-12s %8s %8s %10s %-22s %8s %8s %10s %-14s %8s %10s %s\n", "model", "projection", "brute",
                "node", "ratio", "target", "flat", "lines", "overhead", "target <= 15%", "styled", "overhead",
                "target <= 5%");
    for (int model = 0; model < 2; ++model)
        for (int projection = 0; projection < 2; ++projection) {
            const double brute = median(key("brute", model, projection));
            const double node = median(key("node", model, projection));
            const double flat = median(key("flat", model, projection));
            const double lines = median(key("chain", model, projection));
            const double styled = median(key("styled", model, projection));
            char ratio[32] = "-", target[48] = "-", overhead[32] = "-", chainTarget[16] = "-";
            char styleOverhead[32] = "-", styleTarget[16] = "-";
            if (brute > 0.0 && node > 0.0) {
                if (projection == 0) {
                    std::snprintf(ratio, sizeof ratio, "%.2fx", node / brute);
                    std::snprintf(target, sizeof target, "node <= 1.5x brute: %s",
                                  node <= 1.5 * brute ? "met" : "missed");
                } else {
                    std::snprintf(ratio, sizeof ratio, "%.1fx", brute / node);
                    std::snprintf(target, sizeof target, "brute >= 5x node: %s", brute >= 5.0 * node ? "met" : "missed");
                }
            }
            if (flat > 0.0 && lines > 0.0) {
                const double extra = (lines - flat) / flat;
                std::snprintf(overhead, sizeof overhead, "%+.1f%%", extra * 100.0);
                std::snprintf(chainTarget, sizeof chainTarget, "%s", extra <= 0.15 ? "met" : "missed");
            }
            if (lines > 0.0 && styled > 0.0) {
                const double extra = (styled - lines) / lines;
                std::snprintf(styleOverhead, sizeof styleOverhead, "%+.1f%%", extra * 100.0);
                std::snprintf(styleTarget, sizeof styleTarget, "%s", extra <= 0.05 ? "met" : "missed");
            }
            std::printf("%-8s %-12s %8.2f %8.2f %10s %-22s %8.2f %8.2f %10s %-14s %8.2f %10s %s\n", kModels[model],
                        kProjections[projection], brute, node, ratio, target, flat, lines, overhead, chainTarget,
                        styled, styleOverhead, styleTarget);
        }
}

} // namespace

int main(int argc, char** argv)
{
    // The stroke textures are found relative to the top of the repository,
    // as when Pelmora runs from there.
    if (chdir(QUILLMAP_SOURCE_DIR) != 0)
        std::perror(QUILLMAP_SOURCE_DIR);
    QApplication application(argc, argv);
    gWindow = PelmoraApplication::createMainWindow();

    OffscreenContext context;
    const std::string unavailable = context.open(kWidth, kHeight);
    if (!unavailable.empty()) {
        std::fprintf(stderr, "%s\n", unavailable.c_str());
        return 1;
    }
    // As the viewer's context has it: filled polygons a little behind lines.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    gCacheContext = SoGLCacheContextElement::getUniqueCacheContext();

    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    delete gWindow;
    return 0;
}
