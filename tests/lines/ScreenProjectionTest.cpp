// Screen-space measuring of the line nodes: SoLineModifier's static
// operations on the state of a callback traversal under a real camera, and
// ScreenProjection against a double-precision reference of its definition.

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>

#include "lines/ScreenProjection.h"
#include "lines/SoLineModifier.h"

namespace {

// Runs `check` with the state that a node below `camera` (and an optional
// transform) sees in a 640 x 480 window.
void withState(SoCamera* camera, SoTransform* transform, const std::function<void(SoState*)>& check)
{
    SoSeparator* root = new SoSeparator;
    root->ref();
    root->addChild(camera);
    if (transform != nullptr)
        root->addChild(transform);
    SoCallback* probe = new SoCallback;
    bool ran = false;
    struct Data {
        const std::function<void(SoState*)>* check;
        bool* ran;
    } data{ &check, &ran };
    probe->setCallback(
        [](void* d, SoAction* action) {
            if (!action->isOfType(SoCallbackAction::getClassTypeId()))
                return;
            Data* data = static_cast<Data*>(d);
            *data->ran = true;
            (*data->check)(action->getState());
        },
        &data);
    root->addChild(probe);
    SoCallbackAction action(SbViewportRegion(640, 480));
    action.apply(root);
    EXPECT_TRUE(ran) << "the probe was not reached";
    root->unref();
}

SoOrthographicCamera* orthographic(void)
{
    SoOrthographicCamera* camera = new SoOrthographicCamera;
    camera->position.setValue(0, 0, 5);
    camera->height = 2.0f;
    camera->nearDistance = 1.0f;
    camera->farDistance = 10.0f;
    return camera;
}

SoPerspectiveCamera* perspective(void)
{
    SoPerspectiveCamera* camera = new SoPerspectiveCamera;
    camera->position.setValue(1, 2, 8);
    camera->pointAt(SbVec3f(0, 0, 0));
    camera->nearDistance = 2.0f;
    camera->farDistance = 20.0f;
    return camera;
}

TEST(ScreenProjectionTest, OperationsOnTheTraversalState)
{
    withState(orthographic(), nullptr, [](SoState* state) {
        // The window is 640 wide and the view 2 * 640/480 units wide, so one
        // pixel to the right is 2 screen units.
        const float pixel = 2.0f * 640.0f / 480.0f / 640.0f;
        const SbVec3f a(0.1f, 0.2f, 0.0f), b(0.1f + pixel, 0.2f, 0.0f);
        EXPECT_NEAR(SoLineModifier::screenDistance(state, a, b), 2.0f, 1e-4f);
        const SbVec2f difference = SoLineModifier::screenDifference(state, a, b);
        EXPECT_NEAR(difference[0], 2.0f, 1e-4f);
        EXPECT_NEAR(difference[1], 0.0f, 1e-5f);
        // The centre of the view is the screen origin; its edges are at +-W, +-H.
        const SbVec2f centre = SoLineModifier::projectToScreen(state, SbVec3f(0, 0, 0));
        EXPECT_NEAR(centre[0], 0.0f, 1e-4f);
        EXPECT_NEAR(centre[1], 0.0f, 1e-4f);
        const SbVec2f corner = SoLineModifier::projectToScreen(state, SbVec3f(640.0f / 480.0f, 1.0f, 0.0f));
        EXPECT_NEAR(corner[0], 640.0f, 1e-2f);
        EXPECT_NEAR(corner[1], 480.0f, 1e-2f);

        // The normal of a rightward segment points up.
        const SbVec2f normal = SoLineModifier::screenNormal(state, a, b);
        EXPECT_NEAR(normal[0], 0.0f, 1e-5f);
        EXPECT_NEAR(normal[1], 2.0f, 1e-4f);

        // Depths: the camera is at z = 5, near 1, far 10.
        EXPECT_NEAR(SoLineModifier::eyeDepth(state, SbVec3f(0, 0, 0)), 5.0f, 1e-5f);
        EXPECT_NEAR(SoLineModifier::normalizedDepth(state, SbVec3f(0.3f, -0.2f, 4.0f)), 0.0f, 1e-6f);
        EXPECT_NEAR(SoLineModifier::normalizedDepth(state, SbVec3f(0, 0, -5.0f)), 1.0f, 1e-6f);
        EXPECT_NEAR(SoLineModifier::normalizedDepth(state, SbVec3f(0, 0, 0)), 4.0f / 9.0f, 1e-6f);
    });

    const SbVec2f turned = SoLineModifier::perpendicular(SbVec2f(1, 0));
    EXPECT_NEAR(turned[0], 0.0f, 1e-6f);
    EXPECT_NEAR(turned[1], 1.0f, 1e-6f);
    const SbVec2f back = SoLineModifier::perpendicular(SbVec2f(-3, 4));
    EXPECT_NEAR(back[0], -4.0f, 1e-5f);
    EXPECT_NEAR(back[1], -3.0f, 1e-5f);
}

TEST(ScreenProjectionTest, OffsetInScreenRoundTrips)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-1.5f, 1.5f), shift(-40.0f, 40.0f);
    SoTransform* transform = new SoTransform;
    transform->translation.setValue(0.2f, -0.1f, 0.3f);
    transform->rotation.setValue(SbVec3f(1, 1, 0), 0.4f);
    transform->scaleFactor.setValue(1.5f, 0.8f, 1.2f);
    transform->ref(); // shared by the scenes of both cameras
    for (SoCamera* camera : { static_cast<SoCamera*>(orthographic()), static_cast<SoCamera*>(perspective()) }) {
        withState(camera, transform, [&](SoState* state) {
            for (int i = 0; i < 200; ++i) {
                const SbVec3f p(coordinate(random), coordinate(random), coordinate(random));
                const float dx = shift(random), dy = shift(random);
                const SbVec3f moved = SoLineModifier::offsetInScreen(state, p, dx, dy);
                const SbVec2f before = SoLineModifier::projectToScreen(state, p);
                const SbVec2f after = SoLineModifier::projectToScreen(state, moved);
                EXPECT_NEAR(after[0] - before[0], dx, 0.02f) << camera->getTypeId().getName().getString() << " point " << i;
                EXPECT_NEAR(after[1] - before[1], dy, 0.02f) << camera->getTypeId().getName().getString() << " point " << i;
                // The depth on screen is kept: for the orthographic camera the
                // eye depth too.
                if (camera->isOfType(SoOrthographicCamera::getClassTypeId())) {
                    EXPECT_NEAR(SoLineModifier::eyeDepth(state, moved), SoLineModifier::eyeDepth(state, p), 1e-3f)
                        << "point " << i;
                }
                EXPECT_NEAR(SoLineModifier::screenDistance(state, p, moved), std::hypot(dx, dy), 0.03f) << "point " << i;
            }
        });
    }
    transform->unref();
}

// p * M with the homogeneous divide, in double precision.
std::array<double, 3> transformPoint(const SbMatrix& m, const SbVec3f& p)
{
    double out[4];
    for (int c = 0; c < 4; ++c)
        out[c] = double(p[0]) * m[0][c] + double(p[1]) * m[1][c] + double(p[2]) * m[2][c] + m[3][c];
    return { out[0] / out[3], out[1] / out[3], out[2] / out[3] };
}

TEST(ScreenProjectionTest, MatchesItsDefinitionAndStaysFiniteOnDegenerateViews)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int trial = 0; trial < 20; ++trial) {
        SbMatrix model;
        model.setTransform(SbVec3f(unit(random), unit(random), unit(random)),
                           SbRotation(SbVec3f(unit(random), unit(random), 1.0f), unit(random)),
                           SbVec3f(1.0f + 0.5f * unit(random), 1.0f + 0.5f * unit(random), 1.0f));
        SbViewVolume volume;
        volume.perspective(0.8f, 1.25f, 1.0f, 30.0f);
        volume.translateCamera(SbVec3f(0.0f, 0.0f, 6.0f));
        SbMatrix viewing, projection;
        volume.getMatrices(viewing, projection);
        const SbVec2s window(500, 400);
        const ScreenProjection screen(model, viewing, projection, window, volume.getNearDist(), volume.getDepth());

        SbMatrix full = model;
        full.multRight(viewing);
        full.multRight(projection);
        SbMatrix modelView = model;
        modelView.multRight(viewing);
        for (int i = 0; i < 20; ++i) {
            const SbVec3f p(unit(random), unit(random), unit(random));
            const std::array<double, 3> ndc = transformPoint(full, p);
            const SbVec2f s = screen.project(p);
            EXPECT_NEAR(s[0], 500.0 * ndc[0], 1e-2) << "trial " << trial << " point " << i;
            EXPECT_NEAR(s[1], 400.0 * ndc[1], 1e-2) << "trial " << trial << " point " << i;
            const double eye = -transformPoint(modelView, p)[2];
            EXPECT_NEAR(screen.eyeDepth(p), eye, 1e-4) << "trial " << trial << " point " << i;
            EXPECT_NEAR(screen.normalizedDepth(p), (eye - 1.0) / 29.0, 1e-5) << "trial " << trial << " point " << i;
        }
    }

    // A window without area and a projection that flattens everything leave
    // a point where it is instead of producing NaN.
    const SbVec3f p(0.3f, 0.4f, 0.5f);
    const ScreenProjection noWindow(SbMatrix::identity(), SbMatrix::identity(), SbMatrix::identity(), SbVec2s(0, 0), 1.0f, 1.0f);
    EXPECT_EQ(noWindow.offset(p, 3.0f, 4.0f), p);
    SbMatrix flat = SbMatrix::identity();
    flat[2][2] = 0.0f;
    const ScreenProjection flattened(SbMatrix::identity(), SbMatrix::identity(), flat, SbVec2s(100, 100), 1.0f, 1.0f);
    EXPECT_EQ(flattened.offset(p, 3.0f, 4.0f), p);
    // A view volume without depth gives depth 0.
    const ScreenProjection noDepth(SbMatrix::identity(), SbMatrix::identity(), SbMatrix::identity(), SbVec2s(100, 100), 1.0f, 0.0f);
    EXPECT_EQ(noDepth.normalizedDepth(p), 0.0f);
    EXPECT_TRUE(std::isfinite(noWindow.project(p)[0]));
}

} // namespace
