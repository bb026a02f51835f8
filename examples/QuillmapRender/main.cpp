// quillmap-render: draws models as Pelmora does, in a batch and without a
// window, and writes the frame as PNG and the strokes as PDF, SVG or text.
// See `quillmap-render --help`.

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTransformSeparator.h>

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "HeadlessContext.h"
#include "PelmoraScene.h"
#include "PngFile.h"
#include "Quillmap.h"
#include "RenderOptions.h"
#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineThickener.h"
#include "modify/SoModifyWingedEdge.h"
#include "output/SoLineOutput.h"
#include "wingededge/SoGenerateWingedEdge.h"

#ifndef QUILLMAP_TEXTURE_DIRS
#define QUILLMAP_TEXTURE_DIRS ""
#endif

namespace {

const char* const kProgram = "quillmap-render";

// What the line output reports while one file is written, for the model's
// line; everything else Coin says goes on to standard error as usual,
// except the note Coin's GL glue makes about GLX when the context is EGL's.
struct Messages {
    std::vector<std::string> outputErrors;

    static void handle(const SoError* error, void* data)
    {
        Messages* self = static_cast<Messages*>(data);
        const std::string text = error->getDebugString().getString();
        if (text.find("SoLineOutput::") != std::string::npos) {
            const std::string::size_type colon = text.find("): ");
            self->outputErrors.push_back(colon == std::string::npos ? text : text.substr(colon + 3));
            return;
        }
        if (text.find("glxglue") != std::string::npos || text.find("GLX") != std::string::npos)
            return;
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

bool isFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The model's file name without its directory and its last extension.
std::string baseName(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

// The directory of the stroke textures: the one given, textures/ in the
// working directory, or the first of the installed and built-in places
// that holds them. Empty when none does.
std::string findTextureDirectory(const RenderOptions& options)
{
    std::vector<std::string> candidates;
    if (!options.textureDir.empty())
        return options.textureDir;
    candidates.push_back("textures");
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        std::string dir(self);
        dir.resize(dir.rfind('/'));
        candidates.push_back(dir + "/../share/quillmap/textures");
    }
    const std::string builtIn = QUILLMAP_TEXTURE_DIRS;
    if (!builtIn.empty())
        candidates.push_back(builtIn);
    for (const std::string& dir : candidates)
        if (isFile(dir + "/" + baseName(PelmoraScene::textureFile(0)) + ".rgb"))
            return dir;
    return std::string();
}

// The scene of the viewer under a camera and a headlight of our own.
class Renderer {
public:
    Renderer(const RenderOptions& options, const std::string& textureDir, const HeadlessContext& context)
        : options(options), context(context), viewport(short(options.width), short(options.height)), action(viewport)
    {
        scene.applyStartState();
        scene.getSilhouette()->doComputation = TRUE;
        // Strokes alone: the faces only hide what lies behind them.
        scene.setVisualization(options.shaded ? 1 : 5);
        scene.setStrokeWidth(options.strokeWidth);
        SoLineOutput* output = scene.getLineOutput();
        output->lineWidth = scene.getDrawingLineWidth();
        if (options.texture >= 0) {
            scene.setStrokeTexture(options.texture);
            scene.getStrokeTexture()->filename =
                (textureDir + "/" + baseName(PelmoraScene::textureFile(options.texture)) + ".rgb").c_str();
        } else {
            // Without a texture the width cannot follow its height: strokes
            // reach half the width to each side, two screen units a pixel.
            scene.getStrokeTexture()->filename = "";
            scene.getThickener()->thickenMethod = SoLineThickener::CONSTANT;
            scene.getThickener()->amplitude = options.strokeWidth;
        }
        scene.setTaperedStrokes(options.taper);
        if (options.formWidth)
            scene.setFormFollowingWidth(true);
        scene.setSharpEdgesAngle(options.sharpAngle);
        scene.getSilhouette()->displaySharpEdges = options.sharpEdges;
        if (options.subdivision >= 0) {
            scene.getModifier()->subdivisionMode = PelmoraScene::schemeCode(options.subdivision);
            scene.getModifier()->subdivisionSteps = 1;
            scene.getModifier()->invalidate();
        }

        root = new SoSeparator;
        root->ref();
        if (options.perspective)
            camera = new SoPerspectiveCamera;
        else
            camera = new SoOrthographicCamera;
        root->addChild(camera);
        // The headlight turns with the camera, as the viewer's does.
        SoTransformSeparator* headlight = new SoTransformSeparator;
        headlightTurn = new SoRotation;
        headlight->addChild(headlightTurn);
        SoDirectionalLight* light = new SoDirectionalLight;
        light->direction = SbVec3f(1.0f, -1.0f, -10.0f);
        headlight->addChild(light);
        root->addChild(headlight);
        root->addChild(scene.getRoot());

        action.setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());
        // Filled polygons sit a little behind lines drawn over the same
        // surface, as in the viewer.
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 1.0f);
    }
    ~Renderer() { root->unref(); }

    // Draws the model at `path` and writes its files; false, with the
    // reasons printed, when any of them is missing.
    bool renderModel(const std::string& path, Messages& messages);

private:
    void frame(void)
    {
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        action.apply(root);
        glFinish();
    }
    void aimCamera(void)
    {
        const float degrees = float(M_PI) / 180.0f;
        camera->orientation = SbRotation(SbVec3f(1.0f, 0.0f, 0.0f), -float(options.elevation) * degrees) *
                              SbRotation(SbVec3f(0.0f, 1.0f, 0.0f), float(options.azimuth) * degrees);
        headlightTurn->rotation = camera->orientation.getValue();
        camera->viewAll(scene.getRoot(), viewport);
    }

    const RenderOptions& options;
    const HeadlessContext& context;
    PelmoraScene scene;
    SbViewportRegion viewport;
    SoGLRenderAction action;
    SoSeparator* root = nullptr;
    SoCamera* camera = nullptr;
    SoRotation* headlightTurn = nullptr;
    std::map<std::string, int> namesUsed;
};

bool Renderer::renderModel(const std::string& path, Messages& messages)
{
    const auto start = std::chrono::steady_clock::now();
    auto fail = [&](const std::string& why) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), why.c_str());
        return false;
    };
    if (!isFile(path))
        return fail(access(path.c_str(), F_OK) == 0 ? "not a file" : std::string("cannot read it: ") +
                                                                        std::strerror(errno));
    const PelmoraScene::ModelFile file = PelmoraScene::readModelFile(path.c_str(), false);
    if (file.outcome == PelmoraScene::ModelFile::CANNOT_OPEN)
        return fail("cannot open it");
    if (file.outcome == PelmoraScene::ModelFile::NOT_A_MODEL)
        return fail("not a model file (neither Coin nor Assimp reads it)");
    scene.setModel(file.model);
    scene.setBuildWingedEdge(true);
    aimCamera();

    // The first frame builds the meshes and settles the silhouette.
    frame();
    const int faces = scene.getModifier()->getNumFaces();
    if (scene.getGenerator()->getOriginalFaceCount() == 0)
        return fail("no shape in it makes triangles, so there are no meshes to draw");

    // A second model of the same name (from another directory) does not
    // replace the first one's files: it gets "-2", and so on.
    std::string name = baseName(path);
    const int seen = ++namesUsed[name];
    if (seen > 1)
        name += "-" + std::to_string(seen);
    const std::string stem = options.outDir + "/" + name;
    std::vector<std::string> written;
    bool ok = true;
    SoLineOutput* output = scene.getLineOutput();
    struct Vector {
        bool wanted;
        const char* suffix;
        int type;
    } vectors[] = { { options.pdf, ".pdf", 1 }, { options.svg, ".svg", 3 }, { options.txt, ".txt", 2 } };
    for (const Vector& v : vectors) {
        if (!v.wanted)
            continue;
        const std::string target = stem + v.suffix;
        output->filename = target.c_str();
        if (v.type == 1)
            output->requestPDFOutput();
        else if (v.type == 2)
            output->requestASCIIOutput();
        else
            output->requestSVGOutput();
        messages.outputErrors.clear();
        frame();
        if (!messages.outputErrors.empty() || !isFile(target)) {
            ok = false;
            fail("no " + target + ": " +
                 (messages.outputErrors.empty() ? std::string("the line output wrote nothing")
                                                : messages.outputErrors.back()));
        } else {
            written.push_back(target);
        }
    }
    if (options.png) {
        // The frame of the last render, as every vector file saw it.
        if (!options.pdf && !options.svg && !options.txt)
            frame();
        const std::string target = stem + ".png";
        const std::string why = writePngFile(target, options.width, options.height, context.readPixels());
        if (!why.empty()) {
            ok = false;
            fail("no " + target + ": " + why);
        } else {
            written.push_back(target);
        }
    }
    const long milliseconds = long(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    std::string files;
    for (const std::string& name : written)
        files += " " + name;
    std::printf("%s: %d faces, %d strokes, %ld ms ->%s\n", path.c_str(), faces, output->getPolylineCount(),
                milliseconds, files.empty() ? " nothing written" : files.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    // Progress lines reach a pipe as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    RenderOptions options;
    const std::string wrong = parseRenderOptions(argc, argv, options);
    if (options.help) {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }
    if (!wrong.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, wrong.c_str(), kProgram);
        return 2;
    }
    const std::string textureDir = findTextureDirectory(options);
    if (options.texture >= 0 && textureDir.empty()) {
        std::fprintf(stderr,
                     "%s: cannot find the stroke textures (textures/chalk.rgb and the others); run from the top of the "
                     "source tree, name their directory with --textures DIR, or draw plain strokes with --texture "
                     "none\n",
                     kProgram);
        return 2;
    }
    if (!isDirectory(options.outDir) && mkdir(options.outDir.c_str(), 0777) != 0)
        std::fprintf(stderr, "%s: cannot make the output directory %s: %s\n", kProgram, options.outDir.c_str(),
                     std::strerror(errno));

    HeadlessContext gl;
    const std::string noContext = gl.open(options.width, options.height);
    if (!noContext.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, noContext.c_str());
        return 3;
    }

    SoDB::init();
    Quillmap::init();
    Messages messages;
    SoDebugError::setHandlerCallback(Messages::handle, &messages);

    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    std::vector<std::string> failed;
    {
        Renderer renderer(options, textureDir, gl);
        for (const std::string& model : options.models) {
            if (renderer.renderModel(model, messages))
                ++done;
            else
                failed.push_back(model);
        }
    }
    const double seconds =
        std::chrono::duration_cast<std::chrono::duration<double>>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d of %zu models drawn in %.2f s with %s", done, options.models.size(), seconds,
                gl.describe().c_str());
    if (!failed.empty()) {
        std::printf("; failed:");
        for (const std::string& model : failed)
            std::printf(" %s", model.c_str());
    }
    std::printf("\n");
    return failed.empty() ? 0 : 1;
}
