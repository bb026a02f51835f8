#ifndef PELMORA_TESTS_VIEWERFRAMES_H
#define PELMORA_TESTS_VIEWERFRAMES_H

// What the Pelmora viewer shows, read back from its GL widget.

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>

#include <QGLWidget>
#include <QImage>

#include <GL/gl.h>

#include "PelmoraApplication.h"

// The viewer's frame as a fresh render leaves it in the back buffer.
inline QImage viewerFrame(PelmoraApplication* window)
{
    window->getViewer()->render();
    QGLWidget* gl = qobject_cast<QGLWidget*>(window->getViewer()->getGLWidget());
    if (gl == nullptr)
        return QImage();
    gl->makeCurrent();
    const int w = gl->width() * gl->devicePixelRatio(), h = gl->height() * gl->devicePixelRatio();
    QImage image(w, h, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored();
}

// Pixels whose colour is not `background`.
inline int countDifferent(const QImage& image, QRgb background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xffffff) != (background & 0xffffff);
    return n;
}

#endif // PELMORA_TESTS_VIEWERFRAMES_H
