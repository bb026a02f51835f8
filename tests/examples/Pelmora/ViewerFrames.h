#ifndef PELMORA_TESTS_VIEWERFRAMES_H
#define PELMORA_TESTS_VIEWERFRAMES_H

// What the Pelmora viewer shows, read back from its GL widget.

#include <QImage>

#include "PelmoraApplication.h"

// The viewer's frame as a fresh render leaves it in the back buffer.
inline QImage viewerFrame(PelmoraApplication* window)
{
    return window->grabFrame();
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
