// Pelmora: a viewer that draws polygonal models with the Quillmap line
// rendering nodes. The program takes no options of its own; the arguments go
// to Qt.

#include <Inventor/Qt/SoQt.h>

#include <QApplication>

#include <cstdio>

#include "PelmoraApplication.h"

int main(int argc, char** argv)
{
    // Progress lines reach a pipe as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QApplication* application = new QApplication(argc, argv);
    PelmoraApplication* window = PelmoraApplication::createMainWindow();
    SoQt::mainLoop();
    delete window;
    delete application;
    return 0;
}
