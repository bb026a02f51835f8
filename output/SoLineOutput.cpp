// The line node that writes the strokes in force to a PDF or SVG drawing or
// a text file, optionally with a code hidden in them.

#include "output/SoLineOutput.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "lines/SoLineCoordinateIndexElement.h"
#include "output/PdfDocument.h"
#include "output/SteganoEncoder.h"
#include "util/FileReplacement.h"

SO_NODE_SOURCE(SoLineOutput);

namespace {

const char* const DEFAULT_CODE = "Owned by a Quillmap user";
const char* const WEB_ADDRESS = "https://quillmap.example.org";
const char* const DRAWING_TITLE = "Vector graphic exported from Quillmap";

enum OutputTypes { PDF_OUTPUT = 1, TEXT_OUTPUT = 2, SVG_OUTPUT = 3 };

// Where the strokes go: the current page of a PDF document, or the lines of
// a text file, one "x y" line per point and an empty line after each stroke.
class StrokeSink {
public:
    virtual ~StrokeSink() = default;
    virtual void moveTo(const PagePoint& p) = 0;
    virtual void lineTo(const PagePoint& p) = 0;
    virtual void stroke(void) = 0;
    virtual void setLineWidth(float width) = 0;
    virtual void setColor(float r, float g, float b) = 0;

    // Each polyline as one stroke, in the colour its value gives if there
    // are values: red for a byte end, from green to blue for bits 0 to 7.
    void strokeAll(const std::vector<Polyline>& lines, const std::vector<int>* values = nullptr)
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].empty())
                continue;
            if (values != nullptr) {
                const int v = (*values)[i];
                if (v < 0)
                    setColor(1.0f, 0.0f, 0.0f);
                else
                    setColor(0.0f, 1.0f - float(v) / 7.0f, float(v) / 7.0f);
            }
            moveTo(lines[i][0]);
            for (size_t k = 1; k < lines[i].size(); ++k)
                lineTo(lines[i][k]);
            stroke();
        }
    }
};

class PdfSink : public StrokeSink {
public:
    explicit PdfSink(PdfDocument& d)
        : document(d)
    {
    }
    void moveTo(const PagePoint& p) override { document.moveTo(p.x, p.y); }
    void lineTo(const PagePoint& p) override { document.lineTo(p.x, p.y); }
    void stroke(void) override { document.stroke(); }
    void setLineWidth(float width) override { document.setLineWidth(width); }
    void setColor(float r, float g, float b) override { document.setRGBStrokeColor(r, g, b); }

private:
    PdfDocument& document;
};

class TextSink : public StrokeSink {
public:
    void moveTo(const PagePoint& p) override { text << p.x << " " << p.y << "\n"; }
    void lineTo(const PagePoint& p) override { moveTo(p); }
    void stroke(void) override { text << "\n"; }
    void setLineWidth(float) override {}
    void setColor(float, float, float) override {}
    std::string contents(void) const { return text.str(); }

private:
    std::ostringstream text;
};


// The page as an SVG document of the PDF's size in points: one path per
// stroke, with the width and colour in force when it was stroked, round caps
// and mitred joins as the PDF sets them, y running down from the top edge.
// A stroke that ends where it began is closed. Numbers are written with
// three decimals, whatever the C locale.
class SvgSink : public StrokeSink {
public:
    SvgSink(int pageWidth, int pageHeight)
        : height(pageHeight)
    {
        body = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
               std::to_string(pageWidth) + "pt\" height=\"" + std::to_string(pageHeight) +
               "pt\" viewBox=\"0 0 " + std::to_string(pageWidth) + " " + std::to_string(pageHeight) + "\">\n" +
               "<title>" + DRAWING_TITLE + "</title>\n<desc>Quillmap Library (" + WEB_ADDRESS + ")</desc>\n" +
               "<g fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"miter\" stroke-miterlimit=\"10\">\n";
    }
    void moveTo(const PagePoint& p) override
    {
        points.clear();
        points.push_back(p);
    }
    void lineTo(const PagePoint& p) override { points.push_back(p); }
    void stroke(void) override
    {
        // A lone point draws nothing in the PDF either.
        if (points.size() >= 2) {
            const bool closed = points.size() > 2 && points.front().x == points.back().x &&
                                points.front().y == points.back().y;
            const size_t last = closed ? points.size() - 1 : points.size();
            body += "<path d=\"";
            for (size_t i = 0; i < last; ++i) {
                body += i == 0 ? "M" : " L";
                number(points[i].x * 72.0, 3);
                body += ' ';
                number(double(height) - points[i].y * 72.0, 3);
            }
            if (closed)
                body += " Z";
            body += "\" stroke=\"" + colour + "\" stroke-width=\"";
            number(width, 4);
            body += "\"/>\n";
        }
        points.clear();
    }
    void setLineWidth(float w) override { width = w; }
    void setColor(float r, float g, float b) override
    {
        char hex[8];
        auto byte = [](float c) { return int(std::min(1.0f, std::max(0.0f, c)) * 255.0f + 0.5f); };
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", byte(r), byte(g), byte(b));
        colour = hex;
    }
    std::string contents(void) const { return body + "</g>\n</svg>\n"; }

private:
    void number(double value, int decimals)
    {
        char text[64];
        const std::to_chars_result end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                                                       decimals);
        body.append(text, end.ptr);
    }

    int height;
    double width = 1.0;
    std::string colour = "#000000";
    Polyline points;
    std::string body;
};

// Window positions of object points under the matrices and viewport of a
// traversal, worked out in double precision.
class WindowProjection {
public:
    WindowProjection(SoState* state)
    {
        const SbMatrix full =
            SoModelMatrixElement::get(state) * SoViewingMatrixElement::get(state) * SoProjectionMatrixElement::get(state);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                m[r][c] = full[r][c];
        const SbViewportRegion& viewport = SoViewportRegionElement::get(state);
        const SbVec2s origin = viewport.getViewportOriginPixels();
        const SbVec2s size = viewport.getViewportSizePixels();
        x0 = origin[0];
        y0 = origin[1];
        w = size[0];
        h = size[1];
    }

    void project(const SbVec3f& p, double& x, double& y) const
    {
        double v[4];
        for (int c = 0; c < 4; ++c)
            v[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
        x = (v[0] / v[3] + 1.0) * w * 0.5 + x0;
        y = (v[1] / v[3] + 1.0) * h * 0.5 + y0;
    }

private:
    double m[4][4];
    double x0, y0, w, h;
};

} // namespace

void SoLineOutput::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineOutput, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoCoordinateElement);
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoCoordinateElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
    // The projection of the screen.
    SO_ENABLE(SoCallbackAction, SoModelMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewingMatrixElement);
    SO_ENABLE(SoCallbackAction, SoProjectionMatrixElement);
    SO_ENABLE(SoCallbackAction, SoViewportRegionElement);
}

SoLineOutput::SoLineOutput(void)
{
    SO_NODE_CONSTRUCTOR(SoLineOutput);
    // File to write; empty means "output.pdf" for PDF and "outFile.txt" for
    // text. Default empty.
    SO_NODE_ADD_FIELD(filename, (""));
    // Compress the PDF content stream. Default FALSE.
    SO_NODE_ADD_FIELD(compression, (FALSE));
    // 1 writes PDF, 2 text, 3 SVG; any other value writes nothing. Default 1.
    SO_NODE_ADD_FIELD(outputType, (1));
    // The code to hide. Default an ownership notice of 24 characters.
    SO_NODE_ADD_FIELD(codeString, (DEFAULT_CODE));
    // Code bytes the width encoding hides; past the end of the code they
    // count as zero bytes. Default 24, the length of the default code.
    SO_NODE_ADD_FIELD(codeLength, (int32_t(std::strlen(DEFAULT_CODE))));
    // PDF stroke width in points. Default 2.
    SO_NODE_ADD_FIELD(lineWidth, (2.0f));
    // What the width encoding adds to the width for a 1 bit. Default 0.1.
    SO_NODE_ADD_FIELD(lineWidthOffset, (0.1f));
    // How the code is hidden, if at all. Default NO_STEGANO.
    SO_NODE_ADD_FIELD(steganoMode, (NO_STEGANO));
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, NO_STEGANO);
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, STEGANO_WIDTH);
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, STEGANO_RATIO);
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, STEGANO_ANGLE);
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, STEGANO_LENGTH);
    SO_NODE_DEFINE_ENUM_VALUE(SteganoModes, STEGANO_COLOR);
    SO_NODE_SET_SF_ENUM_TYPE(steganoMode, SteganoModes);
}

SoLineOutput::~SoLineOutput()
{
}

void SoLineOutput::requestPDFOutput(void)
{
    outputType = PDF_OUTPUT;
    outputDone = false;
}

void SoLineOutput::requestASCIIOutput(void)
{
    outputType = TEXT_OUTPUT;
    outputDone = false;
}

void SoLineOutput::requestSVGOutput(void)
{
    outputType = SVG_OUTPUT;
    outputDone = false;
}

void SoLineOutput::doAction(SoAction* action)
{
    static const char* const where = "SoLineOutput::doAction";
    SoState* state = action->getState();
    int32_t n = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, n);
    if (indices == nullptr)
        n = 0;
    polylineCount = int(std::count(indices, indices + n, -1));

    // One output per request.
    if (outputDone)
        return;
    outputDone = true;
    const int type = outputType.getValue();
    if (type != PDF_OUTPUT && type != TEXT_OUTPUT && type != SVG_OUTPUT)
        return;
    const bool pdf = type == PDF_OUTPUT, svg = type == SVG_OUTPUT;
    std::string path = filename.getValue().getString();
    if (path.empty())
        path = pdf ? "output.pdf" : svg ? "output.svg" : "outFile.txt";

    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    const int32_t pointCount = coordinates->getNum();

    // Window positions of the coordinates the lines name, and their bounds.
    const WindowProjection projection(state);
    std::vector<double> wx(size_t(n), 0.0), wy(size_t(n), 0.0);
    std::vector<bool> named(size_t(n), false);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    int32_t points = 0, badIndices = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t v = indices[i];
        if (v == -1)
            continue;
        if (v < 0 || v >= pointCount) {
            ++badIndices;
            continue;
        }
        projection.project(coordinates->get3(v), wx[size_t(i)], wy[size_t(i)]);
        if (!std::isfinite(wx[size_t(i)]) || !std::isfinite(wy[size_t(i)])) {
            SoDebugError::post(where,
                               "coordinate %d has no place on the screen (it lies in the plane of the eye); "
                               "nothing written to '%s'",
                               int(v), path.c_str());
            return;
        }
        named[size_t(i)] = true;
        if (points++ == 0) {
            minX = maxX = wx[size_t(i)];
            minY = maxY = wy[size_t(i)];
        }
        minX = std::min(minX, wx[size_t(i)]);
        maxX = std::max(maxX, wx[size_t(i)]);
        minY = std::min(minY, wy[size_t(i)]);
        maxY = std::max(maxY, wy[size_t(i)]);
    }
    if (badIndices > 0)
        SoDebugError::post(where, "%d line entries name no coordinate of the %d in force; they are left out",
                           int(badIndices), int(pointCount));
    const double dx = maxX - minX, dy = maxY - minY;
    const double range = std::max(dx, dy);
    if (points == 0 || !(range > 0.0)) {
        SoDebugError::post(where,
                           "%s; a drawing needs lines that cover more than one spot on the screen. Nothing written "
                           "to '%s'",
                           points == 0 ? "there are no lines" : "all line points lie on one spot", path.c_str());
        return;
    }

    // The page: its longer side pageSize inches. A drawing without width or
    // height gets the margins alone on that side.
    double width = dx * pageSize / range, height = dy * pageSize / range;
    if (dy > dx)
        width = dx > 0.0 ? width - pageMargin + dy * pageMargin / dx : 2.0 * pageMargin;
    else
        height = dy > 0.0 ? height - pageMargin + dx * pageMargin / dy : 2.0 * pageMargin;
    const int pageWidth = int(width * 72.0 + 0.5), pageHeight = int(height * 72.0 + 0.5);

    PdfDocument document;
    TextSink text;
    PdfSink page(document);
    SvgSink drawing(pageWidth, pageHeight);
    StrokeSink& out = pdf ? static_cast<StrokeSink&>(page) : svg ? static_cast<StrokeSink&>(drawing) : text;
    const int mode = steganoMode.getValue();
    if (svg) {
        out.setColor(0.0f, 0.0f, 0.0f);
        out.setLineWidth(lineWidth.getValue());
    }
    if (pdf) {
        char box[64];
        std::snprintf(box, sizeof box, "0 0 %i %i", pageWidth, pageHeight);
        document.enableCompression(compression.getValue() != FALSE);
        document.open();
        document.initPage(1, 0, box, box);
        document.setCreator(std::string("Quillmap Library (") + WEB_ADDRESS + ")");
        document.setTitle(DRAWING_TITLE);
        document.setSubject(std::string("Quillmap is developed at ") + WEB_ADDRESS);
        document.setKeywords("Quillmap");
        document.setLineJoin(0);
        document.setLineCap(1);
        document.setRGBStrokeColor(0.0f, 0.0f, 0.0f);
        if (mode != STEGANO_WIDTH)
            document.setLineWidth(lineWidth.getValue());
    }

    const std::string code = codeString.getValue().getString();
    if (mode != NO_STEGANO)
        std::cout << "Steganography Code: " << std::endl;
    if (mode == STEGANO_WIDTH && codeLength.getValue() > int32_t(code.size()))
        SoDebugError::postWarning(where,
                                  "codeLength %d is longer than the code (%d bytes); the bytes past its end are "
                                  "hidden as zero bytes",
                                  int(codeLength.getValue()), int(code.size()));
    WidthBitSource bits(code, codeLength.getValue());

    // The strips as page points, written as they come unless a code is
    // hidden in their geometry.
    const bool direct = mode == NO_STEGANO || mode == STEGANO_WIDTH;
    std::vector<Polyline> strips;
    Polyline strip;
    bool first = true;
    for (int32_t i = 0; i < n; ++i) {
        if (indices[i] == -1) {
            strips.push_back(strip);
            strip.clear();
            if (mode == NO_STEGANO)
                out.stroke();
            first = true;
            continue;
        }
        if (!named[size_t(i)])
            continue;
        const PagePoint p(float((wx[size_t(i)] - minX) * drawingSize / range + pageMargin),
                          float((wy[size_t(i)] - minY) * drawingSize / range + pageMargin));
        strip.push_back(p);
        if (!direct)
            continue;
        if (first) {
            out.moveTo(p);
            first = false;
            continue;
        }
        out.lineTo(p);
        if (mode == STEGANO_WIDTH) {
            out.setLineWidth(bits.next() ? lineWidth.getValue() + lineWidthOffset.getValue() : lineWidth.getValue());
            out.stroke();
            if (i + 1 < n && indices[i + 1] != -1)
                out.moveTo(p);
        }
    }

    SteganoEncoder encoder(strips);
    switch (mode) {
    case STEGANO_RATIO:
        out.strokeAll(encoder.encodeRatio(code));
        break;
    case STEGANO_ANGLE:
        out.strokeAll(encoder.encodeAngle(code));
        break;
    case STEGANO_LENGTH:
        out.strokeAll(encoder.encodeLength(code));
        break;
    case STEGANO_COLOR:
        if (pdf || svg) {
            std::vector<int> values;
            const std::vector<Polyline> lines = encoder.encodeColor(code, values);
            out.strokeAll(lines, &values);
        }
        break;
    case STEGANO_WIDTH:
        std::cout << std::endl
                  << "Wrote " << bits.bytesWritten() << " bytes and " << bits.bitsOfUnfinishedByte()
                  << " bit(s) worth of information and " << double(bits.zeroBits()) * 0.125
                  << " bytes with zeros." << std::endl;
        break;
    default:
        break;
    }

    if (pdf) {
        const bool written = document.finalize() && document.saveToFile(path) == 0;
        document.close();
        if (!written)
            SoDebugError::post(where, "the PDF drawing could not be written to '%s'", path.c_str());
    } else {
        const std::string bytes = svg ? drawing.contents() : text.contents();
        const std::string why = replaceFile(path, [&](std::FILE* file) {
            return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        });
        if (!why.empty())
            SoDebugError::post(where, "the %s file '%s' could not be written (%s)", svg ? "SVG" : "text", path.c_str(),
                               why.c_str());
    }
}
