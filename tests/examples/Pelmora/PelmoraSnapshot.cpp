// Saves what Pelmora shows of a model with its silhouette switched on, for
// the pictures of the README:
//
//     xvfb-run -a ./build/tests/pelmora_snapshot MODEL OUT.png [AZIMUTH ELEVATION]
//
// The camera turns by the azimuth about the vertical and then looks down by
// the elevation (degrees) before it is fitted to the model.
//
// Run from the top of the repository, as the viewer is, so that the stroke
// textures are found.

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/nodes/SoCamera.h>

#include <QApplication>
#include <QGLWidget>
#include <QImage>
#include <QTest>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "PelmoraApplication.h"
#include "lines/SoGenerateSilhouette.h"

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s MODEL OUT.png [AZIMUTH ELEVATION]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    std::unique_ptr<PelmoraApplication> window(PelmoraApplication::createMainWindow());
    if (!QTest::qWaitForWindowExposed(window.get())) {
        std::fprintf(stderr, "%s: the window was never shown\n", argv[0]);
        return 1;
    }
    window->loadModel(argv[1]);
    window->getSilhouette()->doComputation = TRUE;
    if (argc == 5) {
        const float degrees = float(M_PI) / 180.0f;
        SoCamera* camera = window->getViewer()->getCamera();
        camera->orientation = SbRotation(SbVec3f(1.0f, 0.0f, 0.0f), -float(std::atof(argv[4])) * degrees) *
                              SbRotation(SbVec3f(0.0f, 1.0f, 0.0f), float(std::atof(argv[3])) * degrees);
        window->getViewer()->viewAll();
    }

    QGLWidget* gl = qobject_cast<QGLWidget*>(window->getViewer()->getGLWidget());
    if (gl == nullptr)
        return 1;
    // Two frames: the first builds what the second draws from caches.
    window->getViewer()->render();
    window->getViewer()->render();
    gl->makeCurrent();
    const int w = gl->width() * gl->devicePixelRatio(), h = gl->height() * gl->devicePixelRatio();
    QImage image(w, h, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    if (!image.mirrored().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
