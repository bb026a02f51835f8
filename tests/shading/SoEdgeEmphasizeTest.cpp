// The edge emphasis separator on the offscreen buffer: the ring of outline
// lines around a sphere, the single pass without width, the outline colour
// against the materials and caches below, and the outlined chess knight.

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/PngPicture.h"
#include "shading/SoEdgeEmphasize.h"
#include "support/GLFixture.h"
#include "support/RealModels.h"
#include "util/InventorRoundTrip.h"

namespace {

void countRender(void* data, SoAction* action)
{
    if (action->isOfType(SoGLRenderAction::getClassTypeId()))
        ++*static_cast<int*>(data);
}

// Where the pixels of one colour lie around the buffer's centre.
struct Ring {
    int pixels = 0;
    double nearest = 1e9;
    double farthest = 0.0;
};

// A unit sphere, red, 32 pixels to the unit: its silhouette is the circle of
// radius 32 around the centre of the 128 x 128 buffer.
class EdgeEmphasizeGL : public GLFixture {
protected:
    static constexpr double kRadius = 32.0;

    SoSeparator* sphereScene(const std::string& emphasize, int* renders = nullptr)
    {
        SoSeparator* root = readScene(("OrthographicCamera { position 0 0 5 height 4 }\n"
                                       "DirectionalLight { direction 0 0 -1 }\n"
                                       "SoEdgeEmphasize { renderCaching ON " + emphasize + "\n"
                                       "  Separator { renderCaching ON Material { diffuseColor 1 0 0 } "
                                       "Complexity { value 1 } Sphere {} } }\n")
                                          .c_str());
        if (root != nullptr && renders != nullptr) {
            SoCallback* counter = new SoCallback;
            counter->setCallback(countRender, renders);
            static_cast<SoGroup*>(root->getChild(2))->addChild(counter);
        }
        return root;
    }

    Ring ring(const PixelRGBA& colour) const
    {
        const std::vector<uint8_t> frame = readRGBA();
        Ring out;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) {
                const uint8_t* p = &frame[size_t(4 * (y * width() + x))];
                if (p[0] != colour.r || p[1] != colour.g || p[2] != colour.b)
                    continue;
                const double r = std::hypot(x + 0.5 - width() / 2.0, y + 0.5 - height() / 2.0);
                ++out.pixels;
                out.nearest = std::min(out.nearest, r);
                out.farthest = std::max(out.farthest, r);
            }
        return out;
    }

    // Expects a ring along the silhouette, 1.5 pixels wide give or take
    // half, and nothing inside it.
    void expectRing(const PixelRGBA& colour, const char* what)
    {
        const Ring found = ring(colour);
        const double circumference = 2.0 * M_PI * kRadius;
        EXPECT_GT(found.pixels, 0.75 * circumference) << what;
        EXPECT_LT(found.pixels, 2.25 * circumference) << what;
        EXPECT_GT(found.nearest, kRadius - 3.0) << what << ": outline across the front";
        EXPECT_LT(found.farthest, kRadius + 2.0) << what;
    }
};

TEST_F(EdgeEmphasizeGL, RingAlongTheSilhouette)
{
    int renders = 0;
    SoSeparator* root = sphereScene("", &renders);
    ASSERT_NE(root, nullptr);
    const SbColor white(1, 1, 1);
    render(root, white);
    EXPECT_EQ(renders, 2) << "the children and their outline";
    expectRing(PixelRGBA{ 0, 0, 0, 255 }, "black outline");
    EXPECT_GT(countPixels([](const PixelRGBA& p) { return p.r > 80 && p.g == p.b && p.g < 20; }), 2500)
        << "the sphere's front stays red";
    // A width of 4 makes a wider ring (the lines' inner half lies behind
    // the sphere).
    const int thin = ring(PixelRGBA{ 0, 0, 0, 255 }).pixels;
    SoEdgeEmphasize* emphasize = static_cast<SoEdgeEmphasize*>(root->getChild(2));
    emphasize->outlineWidth = 4.0f;
    render(root, white);
    EXPECT_GT(ring(PixelRGBA{ 0, 0, 0, 255 }).pixels, 3 * thin / 2);

    // The red material below does not colour the outline, in this frame nor
    // in the next ones, when the separators have render caches of the first
    // pass.
    emphasize->outlineWidth = 1.5f;
    emphasize->outlineColor.setValue(0, 0, 1);
    for (int frame = 0; frame < 3; ++frame) {
        render(root, white);
        expectRing(PixelRGBA{ 0, 0, 255, 255 }, frame == 0 ? "blue outline" : "blue outline, cached frame");
        EXPECT_EQ(ring(PixelRGBA{ 0, 0, 0, 255 }).pixels, 0) << "frame " << frame;
    }

    renders = 0;
    emphasize->outlineWidth = 0.0f;
    render(root, white);
    EXPECT_EQ(renders, 1) << "no width, no second pass";
    EXPECT_EQ(ring(PixelRGBA{ 0, 0, 255, 255 }).pixels, 0);
    root->unref();
}

// The triangles of a model as Coin makes them, in a face set, without those of
// zero area: the knight's strips are joined by 18 such triangles, and drawn as
// lines they would cross the model from one strip to the next.
struct Faces {
    std::vector<SbVec3f> points;
    std::vector<SbVec3f> normals;
};

void collectFace(void* data, SoCallbackAction* action, const SoPrimitiveVertex* a, const SoPrimitiveVertex* b,
                 const SoPrimitiveVertex* c)
{
    Faces* faces = static_cast<Faces*>(data);
    const SbMatrix& toWorld = action->getModelMatrix();
    SbVec3f p[3];
    for (int i = 0; i < 3; ++i)
        toWorld.multVecMatrix((i == 0 ? a : i == 1 ? b : c)->getPoint(), p[i]);
    if ((p[1] - p[0]).cross(p[2] - p[0]).length() < 1e-12f)
        return;
    for (int i = 0; i < 3; ++i) {
        SbVec3f n;
        toWorld.multDirMatrix((i == 0 ? a : i == 1 ? b : c)->getNormal(), n);
        faces->points.push_back(p[i]);
        faces->normals.push_back(n);
    }
}

SoSeparator* facesWithArea(SoNode* model)
{
    Faces faces;
    SoCallbackAction collect;
    collect.addTriangleCallback(SoShape::getClassTypeId(), collectFace, &faces);
    collect.apply(model);
    SoSeparator* out = readScene("ShapeHints { vertexOrdering COUNTERCLOCKWISE shapeType SOLID }\n"
                                 "Coordinate3 {} Normal {} NormalBinding { value PER_VERTEX } FaceSet {}\n");
    if (out == nullptr)
        return nullptr;
    const int n = int(faces.points.size());
    static_cast<SoCoordinate3*>(out->getChild(1))->point.setValues(0, n, faces.points.data());
    static_cast<SoNormal*>(out->getChild(2))->vector.setValues(0, n, faces.normals.data());
    SoFaceSet* set = static_cast<SoFaceSet*>(out->getChild(4));
    set->numVertices.setNum(n / 3);
    for (int i = 0; i < n / 3; ++i)
        set->numVertices.set1Value(i, 3);
    return out;
}

TEST_F(EdgeEmphasizeGL, ReadmeKnightPicture)
{
    ASSERT_TRUE(setSize(256, 256));
    const std::string path = realModelsDirectory() + "/chess/knight.iv";
    std::ifstream file(path);
    if (!file)
        GTEST_SKIP() << path << " is not installed";
    std::stringstream stream;
    stream << file.rdbuf();
    const std::string text = stream.str();
    SoInput input;
    input.setBuffer(text.data(), text.size());
    SoSeparator* model = SoDB::readAll(&input);
    ASSERT_NE(model, nullptr) << path;
    model->ref();
    SoSeparator* knight = facesWithArea(model);
    model->unref();
    ASSERT_NE(knight, nullptr);
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoPerspectiveCamera* camera = new SoPerspectiveCamera;
    camera->orientation.setValue(SbRotation(SbVec3f(0, 1, 0), -0.6f));
    root->addChild(camera);
    SoSeparator* scene = readScene("DirectionalLight { direction 0.3 -0.3 -1 }\n"
                                   "Material { diffuseColor 0.85 0.8 0.7 }\n");
    ASSERT_NE(scene, nullptr);
    SoEdgeEmphasize* emphasize = new SoEdgeEmphasize;
    emphasize->outlineWidth = 3.0f;
    emphasize->addChild(knight);
    knight->unref();
    for (int i = 0; i < scene->getNumChildren(); ++i)
        root->addChild(scene->getChild(i));
    scene->unref();
    root->addChild(emphasize);
    camera->viewAll(root, renderAction()->getViewportRegion());

    const auto dark = [](const PixelRGBA& p) { return p.r < 40 && p.g < 40 && p.b < 40; };
    emphasize->outlineWidth = 0.0f;
    render(root, SbColor(1, 1, 1));
    const int plain = countPixels(dark);
    emphasize->outlineWidth = 3.0f;
    render(root, SbColor(1, 1, 1));
    const int outlined = countPixels(dark);
    EXPECT_GT(outlined, plain + 500) << "the outline adds dark pixels around the knight";
    if (!picturePath().empty()) {
        EXPECT_TRUE(writePngPicture(picturePath(), width(), height(), readRGBA())) << picturePath();
    }
    root->unref();
}

TEST(EdgeEmphasize, FieldsAndFiles)
{
    const std::vector<std::string> fields = fieldsWithValues("SoEdgeEmphasize");
    ASSERT_GE(fields.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(fields.end() - 4, fields.end()),
              std::vector<std::string>({ "outlineColor 0 0 0", "outlineWidth 1.5", "polygonOffsetFactor 1",
                                         "polygonOffsetUnits -1" }));
    EXPECT_EQ(SoType::fromName("SoEdgeEmphasize").getParent(), SoSeparator::getClassTypeId());
    expectRoundTrip("SoEdgeEmphasize { outlineColor 1 0 0 outlineWidth 3 polygonOffsetFactor 2 "
                    "polygonOffsetUnits -4 Cube {} Sphere {} }");
}

} // namespace
