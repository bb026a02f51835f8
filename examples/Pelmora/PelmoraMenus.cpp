// The menus and settings windows of the Pelmora main window, built in the
// order the window constructor needs them.

#include "PelmoraApplication.h"

#include <QBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

void PelmoraApplication::buildMenus(void)
{
    buildFileMenu();
    buildModelInformationWindow();
}

void PelmoraApplication::buildFileMenu(void)
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open Model File"), this, SLOT(openFile()), QKeySequence(Qt::CTRL + Qt::Key_O));
    file->addAction(QStringLiteral("&Quit"), this, SLOT(close()), QKeySequence(Qt::CTRL + Qt::Key_Q));
}

void PelmoraApplication::buildModelInformationWindow(void)
{
    modelInformationWindow = new QMainWindow(this, Qt::Window);
    modelInformationWindow->setObjectName(QStringLiteral("Model Information"));
    modelInformationWindow->setWindowTitle(QStringLiteral("Model Information"));

    QWidget* box = new QWidget(modelInformationWindow);
    QVBoxLayout* rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    modelInformationWindow->setCentralWidget(box);

    auto addRow = [&](const char* caption) {
        QWidget* row = new QWidget(box);
        QHBoxLayout* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new QLabel(QString::fromLatin1(caption), row));
        QLabel* value = new QLabel(QStringLiteral("0"), row);
        layout->addWidget(value);
        rows->addWidget(row);
        return value;
    };
    objectNumberLabel = addRow("Object Number: ");
    modelFaceNumberLabel = addRow("Face Number: ");
    edgeNumberLabel = addRow("Edge Number: ");
    vertexNumberLabel = addRow("Vertex Number: ");
}
