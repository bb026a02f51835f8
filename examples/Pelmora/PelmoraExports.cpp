// The exports of the Pelmora main window: the strokes as a PDF drawing or a
// text file, with a text or an image hidden in them, and the meshes as VRML
// 2.0 or Open Inventor 2.1. The slots set the fields of the line output or
// the mesh writer and render once; the node writes during that traversal.

#include "PelmoraApplication.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/errors/SoDebugError.h>

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGLWidget>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "output/SoLineOutput.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace {

// The code offered when a text is to be hidden in the strokes.
const char kDefaultCode[] = "(c) a Pelmora user.";
static_assert(sizeof kDefaultCode - 1 == 19, "the offered code is 19 characters long");

// While it lives, collects what the nodes of one class post through
// SoDebugError, and still hands every message on to be printed.
class ExportMessages {
public:
    explicit ExportMessages(SoType exporter)
        : className(exporter.getName().getString()), previous(SoDebugError::getHandlerCallback()),
          previousData(SoDebugError::getHandlerData())
    {
        SoDebugError::setHandlerCallback(collect, this);
    }
    ~ExportMessages() { SoDebugError::setHandlerCallback(previous, previousData); }
    ExportMessages(const ExportMessages&) = delete;
    ExportMessages& operator=(const ExportMessages&) = delete;

    QStringList messages;
    bool failed = false;

private:
    static void collect(const SoError* error, void* data)
    {
        ExportMessages* self = static_cast<ExportMessages*>(data);
        if (self->previous != nullptr)
            self->previous(error, self->previousData);
        else
            std::fprintf(stderr, "%s\n", error->getDebugString().getString());
        // "Coin error in SoLineOutput::doAction(): why": the why, when it is
        // the exporter's.
        const std::string text = error->getDebugString().getString();
        const std::string::size_type source = text.find(" in " + self->className + "::");
        if (source == std::string::npos)
            return;
        const std::string::size_type colon = text.find("): ", source);
        self->messages << QString::fromLocal8Bit(text.substr(colon == std::string::npos ? 0 : colon + 3).c_str());
        if (static_cast<const SoDebugError*>(error)->getSeverity() == SoDebugError::ERROR)
            self->failed = true;
    }

    const std::string className;
    SoErrorCB* previous;
    void* previousData;
};

} // namespace

// --- strokes -------------------------------------------------------------------

void PelmoraApplication::writeLinesToPDFFile(void)
{
    const QString path = askForDrawingFile(PDF_DRAWING);
    if (!path.isEmpty())
        writeLines(path, PDF_DRAWING, SoLineOutput::NO_STEGANO, QByteArray());
}

void PelmoraApplication::writeLinesToASCIIFile(void)
{
    const QString path = askForDrawingFile(TEXT_DRAWING);
    if (!path.isEmpty())
        writeLines(path, TEXT_DRAWING, SoLineOutput::NO_STEGANO, QByteArray());
}

void PelmoraApplication::writeLinesToSVGFile(void)
{
    const QString path = askForDrawingFile(SVG_DRAWING);
    if (!path.isEmpty())
        writeLines(path, SVG_DRAWING, SoLineOutput::NO_STEGANO, QByteArray());
}

void PelmoraApplication::writeStringSteganoLineWidthLinesToPDFFile(void)
{
    writeCodeToPDFFile(SoLineOutput::STEGANO_WIDTH);
}

void PelmoraApplication::writeStringSteganoLineRatioToPDFFile(void)
{
    writeCodeToPDFFile(SoLineOutput::STEGANO_RATIO);
}

void PelmoraApplication::writeStringSteganoAngledLinesToPDFFile(void)
{
    writeCodeToPDFFile(SoLineOutput::STEGANO_ANGLE);
}

void PelmoraApplication::writeStringSteganoLineLengthToPDFFile(void)
{
    writeCodeToPDFFile(SoLineOutput::STEGANO_LENGTH);
}

void PelmoraApplication::writeStringSteganoLineColorToPDFFile(void)
{
    writeCodeToPDFFile(SoLineOutput::STEGANO_COLOR);
}

void PelmoraApplication::writeImageSteganoLineWidthLinesToPDFFile(void)
{
    writeImageCodeToPDFFile(SoLineOutput::STEGANO_WIDTH);
}

void PelmoraApplication::writeImageSteganoLineRatioLinesToPDFFile(void)
{
    writeImageCodeToPDFFile(SoLineOutput::STEGANO_RATIO);
}

QString PelmoraApplication::askForDrawingFile(DrawingFormat format)
{
    // Caption, filter and object name of the save dialog, by format.
    static const char* const kDialogs[3][3] = {
        { "Choose a PDF file to save vector graphic to ...", "*.pdf", "save PDF file dialog" },
        { "Choose a TXT file to save vector graphic to ...", "*.txt", "save ASCII file dialog" },
        { "Choose an SVG file to save vector graphic to ...", "*.svg", "save SVG file dialog" },
    };
    const char* const* texts = kDialogs[format];
    QFileDialog dialog(this, QString::fromLatin1(texts[0]), QString(), QString::fromLatin1(texts[1]));
    dialog.setObjectName(QString::fromLatin1(texts[2]));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void PelmoraApplication::writeLines(const QString& path, DrawingFormat format, int mode, const QByteArray& code)
{
    // The strokes are what the line styles make of the lines, whether or
    // not the screen shows them styled.
    changeLineStyleMode(true);
    getLineOutput()->filename = QFile::encodeName(path).constData();
    getLineOutput()->steganoMode = mode;
    if (mode != SoLineOutput::NO_STEGANO) {
        // The code may hold zero bytes; the node is told its whole length.
        getLineOutput()->codeString = code.constData();
        getLineOutput()->codeLength = code.size();
    }
    getLineOutput()->lineWidth = scene->getDrawingLineWidth();
    if (format == PDF_DRAWING)
        getLineOutput()->requestPDFOutput();
    else if (format == SVG_DRAWING)
        getLineOutput()->requestSVGOutput();
    else
        getLineOutput()->requestASCIIOutput();
    renderExport(getLineOutput());
    getLineOutput()->steganoMode = SoLineOutput::NO_STEGANO;
    changeLineStyleMode(lineStyleCheck->isChecked());
}

void PelmoraApplication::writeCodeToPDFFile(int mode)
{
    const QString path = askForDrawingFile(PDF_DRAWING);
    if (path.isEmpty())
        return;
    bool ok = false;
    const QString code =
        QInputDialog::getText(this, QStringLiteral("Steganography Output to PDF ..."),
                              QStringLiteral("Enter the steganography code:"), QLineEdit::Normal,
                              QString::fromLatin1(kDefaultCode), &ok);
    if (!ok || code.isEmpty())
        return;
    writeLines(path, PDF_DRAWING, mode, code.toLocal8Bit());
}

void PelmoraApplication::writeImageCodeToPDFFile(int mode)
{
    const QString path = askForDrawingFile(PDF_DRAWING);
    if (path.isEmpty())
        return;
    QFileDialog dialog(this, QStringLiteral("Choose an image that is to be encoded in the PDF file ..."), QString(),
                       QStringLiteral("*.ppm"));
    dialog.setObjectName(QStringLiteral("open image dialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QImage image;
    if (!image.load(dialog.selectedFiles().first()))
        return;
    // A bitmap has no byte per pixel to read.
    if (image.depth() < 8)
        image = image.convertToFormat(QImage::Format_RGB32);

    // The width and height (their low bytes), then one bit per pixel, row by
    // row from the top, set where the first byte of the pixel (the blue of
    // a 32-bit pixel) is bright; bits fill each byte from the lowest.
    QByteArray code;
    code.append(char(image.width() & 0xff));
    code.append(char(image.height() & 0xff));
    const int bytesPerPixel = image.depth() / 8;
    unsigned char byte = 0;
    int bits = 0;
    std::string shown;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const unsigned value = row[x * bytesPerPixel];
            shown += std::to_string(value) + (value > 127 ? " 1 " : " 0 ");
            if (value > 127)
                byte |= (unsigned char)(1u << bits);
            if (++bits == 8) {
                code.append(char(byte));
                byte = 0;
                bits = 0;
            }
        }
        shown += "\n";
    }
    shown += "\n";
    std::fputs(shown.c_str(), stdout);
    if (bits > 0)
        code.append(char(byte));
    writeLines(path, PDF_DRAWING, mode, code);
}

// --- meshes --------------------------------------------------------------------

void PelmoraApplication::writeWingedEdgeToVRMLFile(void)
{
    writeMeshes(true);
}

void PelmoraApplication::writeWingedEdgeToIVFile(void)
{
    writeMeshes(false);
}

void PelmoraApplication::writeMeshes(bool vrml)
{
    const QString path = QFileDialog::getSaveFileName(
        nullptr, QString(), QString(),
        vrml ? QStringLiteral("VRML 2.0 Files (*.wrl)") : QStringLiteral("Inventor 2.1 Files (*.iv)"));
    if (path.isEmpty())
        return;
    getMeshWriter()->filename = QFile::encodeName(path).constData();
    if (vrml)
        getMeshWriter()->requestVRMLOutput();
    else
        getMeshWriter()->requestInventorOutput();
    renderExport(getMeshWriter());
}

// --- the view ------------------------------------------------------------------

void PelmoraApplication::saveImage(void)
{
    QFileDialog dialog(this, QStringLiteral("Choose a PNG file to save the view to ..."), QString(),
                       QStringLiteral("*.png"));
    dialog.setObjectName(QStringLiteral("save image dialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    const QImage frame = grabFrame();
    // PNG whatever the name ends in: that is what the dialog offered.
    if (frame.isNull() || !frame.save(path, "PNG")) {
        const QString why = frame.isNull() ? QStringLiteral("the view could not be read back")
                                           : QStringLiteral("the file could not be written");
        std::printf("Cannot save the image to %s: %s\n", QFile::encodeName(path).constData(),
                    why.toLocal8Bit().constData());
        QMessageBox::warning(this, QStringLiteral("Error"),
                             QStringLiteral("Cannot save the image to %1: %2").arg(path, why));
    }
}

QImage PelmoraApplication::grabFrame(void)
{
    QGLWidget* gl = qobject_cast<QGLWidget*>(viewer->getGLWidget());
    if (gl == nullptr)
        return QImage();
    // A fresh frame, read from the back buffer it was drawn into: under
    // Mesa the front buffer reads back black.
    viewer->render();
    gl->makeCurrent();
    const int w = gl->width() * gl->devicePixelRatio(), h = gl->height() * gl->devicePixelRatio();
    QImage image(w, h, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // GL rows run bottom-up; the frame has no transparency.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

// --- reports -------------------------------------------------------------------

void PelmoraApplication::renderExport(SoNode* exporter)
{
    QStringList said;
    bool failed = false;
    {
        ExportMessages messages(exporter->getTypeId());
        viewer->render();
        said = messages.messages;
        failed = messages.failed;
    }
    // The console is not where a desktop user looks.
    if (!said.isEmpty())
        QMessageBox::warning(this, failed ? QStringLiteral("Error") : QStringLiteral("Warning"),
                             said.join(QStringLiteral("\n")));
}
