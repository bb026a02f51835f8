// Pelmora: a viewer that draws polygonal models with the Quillmap line
// rendering nodes. The arguments go to Qt; the first one Qt leaves, if any,
// is a model file to open at start.

#include <Inventor/Qt/SoQt.h>

#include <QApplication>

#include <cstdio>

#include "PelmoraApplication.h"

int main(int argc, char** argv)
{
    // Progress lines reach a pipe as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QApplication* application = new QApplication(argc, argv);
    PelmoraApplication* window = PelmoraApplication::createMainWindow(QApplication::arguments());
    SoQt::mainLoop();
    delete window;
    delete application;
    return 0;
}
