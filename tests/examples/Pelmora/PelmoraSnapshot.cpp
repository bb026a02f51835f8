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
#include <QImage>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "PelmoraApplication.h"
#include "ViewerFrames.h"
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

    // Two frames: the first builds what the second draws from caches.
    window->getViewer()->render();
    const QImage image = viewerFrame(window.get());
    if (image.isNull())
        return 1;
    if (!image.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
