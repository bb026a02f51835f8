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
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

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
    const QString path = askForDrawingFile(true);
    if (!path.isEmpty())
        writeLines(path, true, SoLineOutput::NO_STEGANO, QByteArray());
}

void PelmoraApplication::writeLinesToASCIIFile(void)
{
    const QString path = askForDrawingFile(false);
    if (!path.isEmpty())
        writeLines(path, false, SoLineOutput::NO_STEGANO, QByteArray());
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

QString PelmoraApplication::askForDrawingFile(bool pdf)
{
    QFileDialog dialog(this,
                       pdf ? QStringLiteral("Choose a PDF file to save vector graphic to ...")
                           : QStringLiteral("Choose a TXT file to save vector graphic to ..."),
                       QString(), pdf ? QStringLiteral("*.pdf") : QStringLiteral("*.txt"));
    dialog.setObjectName(pdf ? QStringLiteral("save PDF file dialog") : QStringLiteral("save ASCII file dialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void PelmoraApplication::writeLines(const QString& path, bool pdf, int mode, const QByteArray& code)
{
    // The strokes are what the line styles make of the lines, whether or
    // not the screen shows them styled.
    changeLineStyleMode(true);
    lineOutput->filename = QFile::encodeName(path).constData();
    lineOutput->steganoMode = mode;
    if (mode != SoLineOutput::NO_STEGANO) {
        // The code may hold zero bytes; the node is told its whole length.
        lineOutput->codeString = code.constData();
        lineOutput->codeLength = code.size();
    }
    if (pdf) {
        lineOutput->lineWidth = currentStrokeWidth * 0.4f;
        lineOutput->requestPDFOutput();
    } else {
        lineOutput->requestASCIIOutput();
    }
    renderExport(lineOutput);
    lineOutput->steganoMode = SoLineOutput::NO_STEGANO;
    changeLineStyleMode(lineStyleCheck->isChecked());
}

void PelmoraApplication::writeCodeToPDFFile(int mode)
{
    const QString path = askForDrawingFile(true);
    if (path.isEmpty())
        return;
    bool ok = false;
    const QString code =
        QInputDialog::getText(this, QStringLiteral("Steganography Output to PDF ..."),
                              QStringLiteral("Enter the steganography code:"), QLineEdit::Normal,
                              QString::fromLatin1(kDefaultCode), &ok);
    if (!ok || code.isEmpty())
        return;
    writeLines(path, true, mode, code.toLocal8Bit());
}

void PelmoraApplication::writeImageCodeToPDFFile(int mode)
{
    const QString path = askForDrawingFile(true);
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
    writeLines(path, true, mode, code);
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
    meshWriter->filename = QFile::encodeName(path).constData();
    if (vrml)
        meshWriter->requestVRMLOutput();
    else
        meshWriter->requestInventorOutput();
    renderExport(meshWriter);
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
