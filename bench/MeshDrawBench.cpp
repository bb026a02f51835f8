// Frame time of the mesh shape node in flat shading (visualization mode 2)
// against Coin's own SoIndexedTriangleStripSet drawing the same triangles,
// both in one offscreen GL context (GLX pbuffer; run under xvfb-run).
//
// The mesh is a generated sphere of about 100 thousand and 1 million
// triangles. Our scene is the one the viewer uses: an invisible draw style,
// SoGenerateWingedEdge over the strip set, then SoWingedEdge, which draws the
// published meshes from its display list. Coin's scene holds the same strip
// set (coordinates, normals per vertex) drawn as it is. Each side renders one
// untimed frame first (our display list is recorded there, Coin sets up its
// caches or buffer objects), then every timed iteration is one whole
// SoGLRenderAction traversal of the scene followed by glFinish, so the GL
// work is inside the time.
//
// Column: Time is the wall-clock time per frame. The summary after the table
// prints both sides per size and the ratio ours / Coin's; the target is a
// ratio of at most 1.0.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Quillmap.h"
#include "StripSetNodes.h"
#include "support/MeshBuilders.h"
#include "support/OffscreenContext.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"

namespace {

const int kSize = 512;

uint32_t gCacheContext = 0;

// Rows and columns of a sphere with about `triangles` triangles.
StripInput sphereOf(int triangles)
{
    // 2 * columns * (rows - 1) triangles with rows = columns.
    int n = 2;
    while (2 * n * (n - 1) < triangles)
        ++n;
    return makeSphere(n, n);
}

SoSeparator* sceneFrame(void)
{
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoOrthographicCamera* camera = new SoOrthographicCamera;
    camera->position.setValue(0.0f, 0.0f, 5.0f);
    camera->height = 2.2f;
    root->addChild(camera);
    SoDirectionalLight* light = new SoDirectionalLight;
    light->direction.setValue(-0.3f, -0.2f, -1.0f);
    root->addChild(light);
    return root;
}

// The viewer's arrangement: the model invisible below the generator, the
// published meshes drawn by the shape node.
SoSeparator* ourScene(const StripInput& in)
{
    SoSeparator* root = sceneFrame();
    SoDrawStyle* invisible = new SoDrawStyle;
    invisible->style = SoDrawStyle::INVISIBLE;
    root->addChild(invisible);
    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    root->addChild(generator);
    SoSeparator* model = new SoSeparator;
    generator->addChild(model);
    addStripSet(in, model);
    SoDrawStyle* filled = new SoDrawStyle;
    root->addChild(filled);
    root->addChild(new SoWingedEdge);
    return root;
}

SoSeparator* coinScene(const StripInput& in)
{
    SoSeparator* root = sceneFrame();
    addStripSet(in, root);
    return root;
}

void renderFrame(SoGLRenderAction& action, SoNode* root)
{
    glViewport(0, 0, kSize, kSize);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    action.apply(root);
    glFinish();
}

// Median frame times in ms, by side and triangle count, for the summary.
std::map<std::string, std::map<int, double>> gFrames;

void drawBenchmark(benchmark::State& state, bool ours)
{
    const int triangles = int(state.range(0));
    const StripInput in = sphereOf(triangles);
    SoSeparator* root = ours ? ourScene(in) : coinScene(in);
    SoGLRenderAction action(SbViewportRegion(kSize, kSize));
    action.setCacheContext(gCacheContext);
    renderFrame(action, root); // first frame: display lists, caches, buffers
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        renderFrame(action, root);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        times.push_back(seconds * 1e3);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        gFrames[ours ? "SoWingedEdge" : "SoIndexedTriangleStripSet"][triangles] = times[times.size() / 2];
    state.counters["triangles"] = double(countNonDegenerateTriangles(in));
    root->unref();
}

void BM_DrawWingedEdgeMode2(benchmark::State& state)
{
    drawBenchmark(state, true);
}

void BM_DrawCoinStripSet(benchmark::State& state)
{
    drawBenchmark(state, false);
}

BENCHMARK(BM_DrawWingedEdgeMode2)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawCoinStripSet)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

void printSummary(void)
{
    std::printf("\nSummary (median frame time in ms, %d x %d pixels)\n", kSize, kSize);
    std::printf("%12s %14s %14s %8s %s\n", "triangles", "SoWingedEdge", "Coin's ITSS", "ratio", "target <= 1.0");
    for (const auto& entry : gFrames["SoWingedEdge"]) {
        const auto coin = gFrames["SoIndexedTriangleStripSet"].find(entry.first);
        if (coin == gFrames["SoIndexedTriangleStripSet"].end())
            continue;
        const double ratio = entry.second / coin->second;
        std::printf("%12d %14.2f %14.2f %8.2f %s\n", entry.first, entry.second, coin->second, ratio,
                    ratio <= 1.0 ? "met" : "missed");
    }
}

} // namespace

int main(int argc, char** argv)
{
    Quillmap::init();
    OffscreenContext context;
    const std::string unavailable = context.open(kSize, kSize);
    if (!unavailable.empty()) {
        std::fprintf(stderr, "%s\n", unavailable.c_str());
        return 1;
    }
    gCacheContext = SoGLCacheContextElement::getUniqueCacheContext();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
