// The line output node: what it writes for a known line set (paths, page
// size, text lines, the width bits of a one-letter code), what it refuses to
// write, where its strokes land against the rendered frame, and the codes
// read back from a silhouette drawing of the sample torus in every hiding
// mode, whose SVG drawing holds the same strokes. Every PDF it writes must
// pass qpdf, poppler and MuPDF.

#include <Inventor/SbViewVolume.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "output/DrawingDecoder.h"
#include "output/SoLineOutput.h"
#include "output/SteganoDecoder.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "support/PdfChecks.h"
#include "support/TestNodes.h"

namespace {

const double MARGIN = 0.0546667;           // inches
const double DRAWING = 8.2 - 2.0 * MARGIN; // inches

// A scratch directory and the checks every written file goes through.
class Scratch : public ScratchDirectory {
public:
    Scratch() : ScratchDirectory("lineoutput") {}
    std::string complaints(const std::string& path) const { return pdfComplaints(path); }

    // Reads a written PDF back, after the validators have had their say.
    DrawnPage page(const std::string& path) const
    {
        DrawnPage page;
        EXPECT_EQ(complaints(path), "") << path;
        std::string error;
        EXPECT_TRUE(DrawingDecoder::readPdf(path, page, error)) << path << ": " << error;
        return page;
    }

};

// The strokes of a page in points, three decimals as the file has them.
std::string describe(const DrawnPage& page)
{
    std::string text;
    char number[32];
    for (const DrawnStroke& s : page.strokes) {
        text += "[";
        for (const PagePoint& p : s.points) {
            std::snprintf(number, sizeof number, " %.3f %.3f", p.x * 72.0, p.y * 72.0);
            text += number;
        }
        text += " ]";
    }
    return text;
}

// A line set under an orthographic camera whose view is 2 units high on a
// square window of 200 pixels: window x = 100 (x + 1), and the same for y.
class LineOutputPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerTestNodes();
        root = readScene("OrthographicCamera { position 0 0 5 height 2 }\n");
        ASSERT_NE(root, nullptr);
        root->addChild(lines = new LineSource);
        root->addChild(output = new SoLineOutput);
        ASSERT_FALSE(scratch.dir.empty());
    }
    void TearDown() override
    {
        if (root != nullptr)
            root->unref();
    }
    void setLines(const std::vector<SbVec3f>& points, const std::vector<int32_t>& indices)
    {
        lines->points.setValues(0, int(points.size()), points.data());
        lines->points.setNum(int(points.size()));
        lines->indices.setValues(0, int(indices.size()), indices.data());
        lines->indices.setNum(int(indices.size()));
    }
    void traverse(void) { SoCallbackAction(SbViewportRegion(200, 200)).apply(root); }

    SoSeparator* root = nullptr;
    LineSource* lines = nullptr;
    SoLineOutput* output = nullptr;
    Scratch scratch;
};

} // namespace

// The marks of the code "A" (bits 0 and 6, then the byte end) on one segment
// along x, worked out by hand from the step of 0.1.
TEST(SteganoEncoderTest, MarksOfOneLetterOnOneSegment)
{
    auto expectXs = [](const Polyline& p, const std::vector<double>& want, const char* what) {
        ASSERT_EQ(p.size(), want.size()) << what;
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(p[i].x, want[i], 1e-6) << what << ", point " << i;
    };
    // Resampled 0, .1, .2, .3, .4, .5; bit 0 puts a point at the start of
    // its piece, bit 6 at 6/7 of it, the byte end skips a piece.
    const std::vector<Polyline> ratio = SteganoEncoder({ { PagePoint(0, 0), PagePoint(0.5, 0) } }).encodeRatio("A");
    ASSERT_EQ(ratio.size(), 1u);
    expectXs(ratio[0], { 0, .1, 0, .2, .1 + .6 / 7, .3, .4, .3, .5, .4 + .6 / 7 }, "ratio");

    // Pieces of 1/8, 7/8 and 9/8 steps, until bit 6 no longer fits and 13
    // fillers of 1/32 step run up to 0.49 - 1/8 step.
    const std::vector<Polyline> length = SteganoEncoder({ { PagePoint(0, 0), PagePoint(0.49, 0) } }).encodeLength("A");
    ASSERT_EQ(length.size(), 1u);
    std::vector<double> expected = { 0, .0125, .1, .2125, .225, .3125, .425, .4375 };
    for (int k = 1; k <= 13; ++k)
        expected.push_back(.4375 + k * .003125);
    expectXs(length[0], expected, "length");

    // Resampled 0, .1, .2, .27: ticks of 0.1 at 80, 74, 81 and 80 degrees,
    // and three pieces.
    const std::vector<Polyline> quarter = { { PagePoint(0, 0), PagePoint(0.27, 0) } };
    const std::vector<Polyline> ticks = SteganoEncoder(quarter).encodeAngle("A");
    const double degrees[4] = { 80, 74, 81, 80 }, at[4] = { 0, .1, .2, .27 };
    ASSERT_EQ(ticks.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const double a = degrees[k] * M_PI / 180.0;
        expectXs(ticks[k], { at[k], at[k] + 0.1 * std::cos(a) }, "tick");
        EXPECT_NEAR(ticks[k][1].y, 0.1 * std::sin(a), 1e-6) << "tick " << k;
    }
    std::vector<int> values;
    const std::vector<Polyline> pieces = SteganoEncoder(quarter).encodeColor("A", values);
    EXPECT_EQ(values, (std::vector<int>{ 0, 6, -1 }));
    ASSERT_EQ(pieces.size(), 3u);
    expectXs(pieces[2], { .2, .27 }, "last piece");
}

// Two strips and an unfinished third under the 200-pixel view: the drawing
// is 100 x 50 pixels, so the page is 8.2 inches wide (590 points) and
// 4.1 - m + 2 m inches high (299 points); a point at window x w lies at
// (w - 50) * 8.0906667 / 100 + m inches, m = 0.0546667 (3.936 points).
TEST_F(LineOutputPage, OneFilePerRequestOnePathPerPolyline)
{
    setLines({ SbVec3f(-0.5f, -0.25f, 0), SbVec3f(0.5f, -0.25f, 0), SbVec3f(0.5f, 0.25f, 0), SbVec3f(-0.5f, 0.25f, 0),
               SbVec3f(0, 0, 0), SbVec3f(0.25f, 0, 0), SbVec3f(-0.25f, 0.1f, 0) },
             { 0, 1, 2, -1, 3, 4, -1, 5, 6 });
    const std::string pdf = scratch.dir + "lines.pdf";
    output->filename = pdf.c_str();
    traverse();
    EXPECT_FALSE(exists(pdf)) << "written without a request";
    output->requestPDFOutput();
    traverse();
    ASSERT_TRUE(exists(pdf));
    std::remove(pdf.c_str());
    traverse();
    EXPECT_FALSE(exists(pdf)) << "a second file for one request";

    for (bool compressed : { false, true }) {
        output->compression = compressed;
        output->requestPDFOutput();
        traverse();
        EXPECT_NE(readFile(pdf).find("/MediaBox [0 0 590 299]"), std::string::npos) << readFile(pdf).substr(0, 600);
        const DrawnPage page = scratch.page(pdf);
        EXPECT_EQ(describe(page), "[ 3.936 3.936 586.464 3.936 586.464 295.200 ][ 3.936 295.200 295.200 149.568 ]");
        for (const DrawnStroke& s : page.strokes)
            EXPECT_DOUBLE_EQ(s.width, 2.0);
    }

    // The text file: one line per point, six digits, an empty line after
    // each strip; the unfinished strip has its points but no empty line.
    const std::string text = scratch.dir + "lines.txt";
    output->filename = text.c_str();
    output->requestASCIIOutput();
    traverse();
    EXPECT_EQ(readFile(text), "0.0546667 0.0546667\n8.14533 0.0546667\n8.14533 4.1\n\n"
                              "0.0546667 4.1\n4.1 2.07733\n\n"
                              "6.12267 2.07733\n2.07733 2.8864\n");

    // Another output type consumes the request without writing.
    std::remove(text.c_str());
    output->requestASCIIOutput();
    output->outputType = 4;
    traverse();
    output->outputType = 2;
    traverse();
    EXPECT_FALSE(exists(text));
}

// The same page as SVG: a closed strip and an open one on a page of 590 x 299
// points, y measured down from the top edge: the window y of 75 lies at
// 3.936 points from the bottom, 295.064 from the top.
TEST_F(LineOutputPage, SvgPageClosesWhatEndsWhereItBegan)
{
    setLines({ SbVec3f(-0.5f, -0.25f, 0), SbVec3f(0.5f, -0.25f, 0), SbVec3f(0.5f, 0.25f, 0), SbVec3f(-0.5f, 0.25f, 0) },
             { 0, 1, 2, 3, 0, -1, 0, 2, -1 });
    const std::string svg = scratch.dir + "lines.svg";
    output->filename = svg.c_str();
    output->requestSVGOutput();
    traverse();
    const std::string text = readFile(svg);
    const ToolRun lint = run("xmllint --noout '" + svg + "'");
    EXPECT_EQ(lint.status, 0) << lint.output;
    EXPECT_NE(text.find("width=\"590pt\" height=\"299pt\" viewBox=\"0 0 590 299\""), std::string::npos) << text;
    EXPECT_NE(text.find("stroke-linecap=\"round\" stroke-linejoin=\"miter\""), std::string::npos) << text;
    EXPECT_NE(text.find("<path d=\"M3.936 295.064 L586.464 295.064 L586.464 3.800 L3.936 3.800 Z\" stroke=\"#000000\" "
                        "stroke-width=\"2.0000\"/>\n<path d=\"M3.936 295.064 L586.464 3.800\" "),
              std::string::npos)
        << text;
    EXPECT_EQ(output->getPolylineCount(), 2);
}

// "A" with codeLength 1 on a zig-zag of 30 segments: they carry
// 1,0,0,0,0,0,1,0, sixteen 0 bits, a 1 bit, and "A" again. Past the end of
// the code the bytes are zeros.
TEST_F(LineOutputPage, WidthBitsOfOneLetter)
{
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    for (int i = 0; i <= 30; ++i) {
        points.push_back(SbVec3f(-0.9f + 0.06f * float(i), i % 2 ? 0.1f : 0.0f, 0.0f));
        indices.push_back(i);
    }
    indices.push_back(-1);
    setLines(points, indices);
    const std::string pdf = scratch.dir + "width.pdf";
    output->filename = pdf.c_str();
    output->steganoMode = SoLineOutput::STEGANO_WIDTH;
    output->codeString = "A";
    const std::string letter = "10000010", marker = "00000000000000001";
    auto bitsOf = [&](const DrawnPage& page) {
        std::string bits;
        for (const DrawnStroke& s : page.strokes) {
            EXPECT_EQ(s.points.size(), 2u) << "one stroke per segment";
            EXPECT_TRUE(std::fabs(s.width - 2.0) < 1e-4 || std::fabs(s.width - 2.1) < 1e-4) << s.width;
            bits += s.width > 2.05 ? '1' : '0';
        }
        return bits;
    };
    for (int length : { 1, 3 }) {
        output->codeLength = length;
        output->compression = length > 1;
        output->requestPDFOutput();
        DebugErrorCollector errors;
        OutputCapture printed;
        traverse();
        if (length == 1) {
            EXPECT_EQ(printed.text(), "Steganography Code: \n\n"
                                      "Wrote 1 bytes and 5 bit(s) worth of information and 2 bytes with zeros.\n");
            EXPECT_TRUE(errors.messages.empty());
            EXPECT_EQ(bitsOf(scratch.page(pdf)), letter + marker + letter.substr(0, 5));
        } else {
            EXPECT_NE(printed.text().find("Wrote 3 bytes and 0 bit(s) worth of information and 0.75 bytes with zeros."),
                      std::string::npos);
            ASSERT_EQ(errors.messages.size(), 1u);
            EXPECT_NE(errors.messages[0].find("codeLength 3 is longer than the code"), std::string::npos)
                << errors.messages[0];
            EXPECT_EQ(bitsOf(scratch.page(pdf)), letter + std::string(16, '0') + marker.substr(0, 6));
        }
    }
}

// What cannot be drawn or written is said and leaves no file: no lines, all
// lines on one spot, a folder that does not exist. Lines without height or
// width get a page as thin as the margins, which every reader accepts. In
// the colour mode a text file is written empty.
TEST_F(LineOutputPage, DegenerateDrawingsAndPaths)
{
    const std::string pdf = scratch.dir + "odd.pdf";
    const std::string missing[3] = { scratch.dir + "missing/out.pdf", scratch.dir + "missing/out.txt",
                                     scratch.dir + "missing/out.svg" };
    struct Case {
        std::vector<SbVec3f> points;
        std::vector<int32_t> indices;
        const std::string& path;
        const char* said;
    } refused[] = { { {}, {}, pdf, "there are no lines" },
                    { { SbVec3f(0.2f, 0.2f, 0) }, { 0, 0, -1 }, pdf, "all line points lie on one spot" },
                    { { SbVec3f(0, 0, 0), SbVec3f(0.5f, 0.5f, 0) }, { 0, 1, -1 }, missing[0], "could not be written" },
                    { { SbVec3f(0, 0, 0), SbVec3f(0.5f, 0.5f, 0) }, { 0, 1, -1 }, missing[1], "could not be written" },
                    { { SbVec3f(0, 0, 0), SbVec3f(0.5f, 0.5f, 0) }, { 0, 1, -1 }, missing[2], "could not be written" } };
    for (const Case& c : refused) {
        setLines(c.points, c.indices);
        output->filename = c.path.c_str();
        // Plain calls, not member pointers: GCC 12's vptr check of a call
        // through a member pointer reads an unset stack slot under the
        // sanitizers.
        for (int type = 1; type <= 3; ++type) {
            if (type == 1)
                output->requestPDFOutput();
            else if (type == 2)
                output->requestASCIIOutput();
            else
                output->requestSVGOutput();
            DebugErrorCollector errors;
            OutputCapture writerMessages(2);
            traverse();
            writerMessages.text();
            ASSERT_FALSE(errors.messages.empty()) << c.said;
            EXPECT_NE(errors.messages.back().find(c.said), std::string::npos) << errors.messages.back();
            EXPECT_NE(errors.messages.back().find(c.path), std::string::npos) << errors.messages.back();
            EXPECT_FALSE(exists(c.path)) << c.said;
        }
    }

    output->filename = pdf.c_str();
    const char* boxes[2] = { "/MediaBox [0 0 590 8]", "/MediaBox [0 0 8 590]" };
    for (int vertical = 0; vertical < 2; ++vertical) {
        const SbVec3f a(vertical ? 0.3f : -0.5f, vertical ? -0.5f : 0.3f, 0);
        const SbVec3f b(vertical ? 0.3f : 0.5f, vertical ? 0.5f : 0.3f, 0);
        setLines({ a, b }, { 0, 1, -1 });
        output->requestPDFOutput();
        traverse();
        EXPECT_NE(readFile(pdf).find(boxes[vertical]), std::string::npos) << readFile(pdf).substr(0, 600);
        EXPECT_EQ(describe(scratch.page(pdf)), vertical ? "[ 3.936 3.936 3.936 586.464 ]" : "[ 3.936 3.936 586.464 3.936 ]");
    }

    const std::string text = scratch.dir + "colour.txt";
    output->filename = text.c_str();
    output->steganoMode = SoLineOutput::STEGANO_COLOR;
    output->requestASCIIOutput();
    OutputCapture printed;
    traverse();
    ASSERT_TRUE(exists(text));
    EXPECT_EQ(readFile(text), "");
}

namespace {

// Pixels within two pixels of a set pixel of `mask` (w x h).
std::vector<bool> widened(const std::vector<bool>& mask, int w, int h)
{
    std::vector<bool> out(mask.size(), false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mask[size_t(y * w + x)])
                for (int v = std::max(0, y - 2); v <= std::min(h - 1, y + 2); ++v)
                    for (int u = std::max(0, x - 2); u <= std::min(w - 1, x + 2); ++u)
                        out[size_t(v * w + u)] = true;
    return out;
}

// Share of the set pixels of `from` that are set in `to`, and their number.
double share(const std::vector<bool>& from, const std::vector<bool>& to, int& count)
{
    int inside = 0;
    count = 0;
    for (size_t i = 0; i < from.size(); ++i)
        if (from[i]) {
            ++count;
            inside += to[i];
        }
    return count > 0 ? double(inside) / count : 0.0;
}

// The frame and a PDF drawing of it, compared pixel by pixel.
class LineOutputFrame : public GLFixture {
protected:
    LineOutputFrame() { setSize(256, 256); }

    void SetUp() override
    {
        GLFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerTestNodes();
        ASSERT_FALSE(scratch.dir.empty());
    }

    // Rasterizes the PDF at the resolution that gives its drawing the size
    // it has on screen, and checks that at least 95% of its dark pixels lie
    // within two pixels of a lit pixel of the frame, and the other way
    // round. (minX, minY) and range are the lower left corner and the longer
    // side of the lines' window bounds, worked out by the caller.
    void expectStrokesMatch(const std::string& pdf, double minX, double minY, double range, const char* what)
    {
        const double dpi = range / DRAWING;
        const std::string base = scratch.dir + "raster";
        const ToolRun r = run("pdftoppm -r " + std::to_string(dpi) + " -gray -aa no -aaVector no -singlefile '" +
                              pdf + "' '" + base + "'");
        ASSERT_EQ(r.status, 0) << r.output;
        std::ifstream in(base + ".pgm", std::ios::binary);
        std::string magic;
        int w = 0, h = 0, maxValue = 0;
        in >> magic >> w >> h >> maxValue;
        in.get();
        std::vector<unsigned char> gray(size_t(w) * size_t(h));
        in.read(reinterpret_cast<char*>(gray.data()), std::streamsize(gray.size()));
        ASSERT_TRUE(magic == "P5" && in.good()) << "unreadable PGM from pdftoppm";
        const double pageHeight = scratch.page(pdf).height / 72.0;

        const int fw = width(), fh = height();
        std::vector<bool> lit(size_t(fw * fh)), dark(size_t(fw * fh), false);
        const std::vector<uint8_t> rgba = readRGBA();
        for (size_t i = 0; i < lit.size(); ++i)
            lit[i] = rgba[4 * i] > 100 || rgba[4 * i + 1] > 100 || rgba[4 * i + 2] > 100;
        int outside = 0;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                if (gray[size_t(j * w + i)] >= 128)
                    continue;
                const double x = (i + 0.5) / dpi, y = pageHeight - (j + 0.5) / dpi;
                const int wx = int(std::floor((x - MARGIN) * dpi + minX));
                const int wy = int(std::floor((y - MARGIN) * dpi + minY));
                if (wx < 0 || wy < 0 || wx >= fw || wy >= fh)
                    ++outside;
                else
                    dark[size_t(wy * fw + wx)] = true;
            }
        int drawn = 0, shown = 0;
        const double drawnNear = share(dark, widened(lit, fw, fh), drawn);
        const double shownNear = share(lit, widened(dark, fw, fh), shown);
        EXPECT_EQ(outside, 0) << what << ": PDF pixels off the frame";
        EXPECT_GT(drawn, 100) << what;
        EXPECT_GE(drawnNear, 0.95) << what << ": of " << drawn << " PDF pixels";
        EXPECT_GE(shownNear, 0.95) << what << ": of " << shown << " frame pixels";
    }

    Scratch scratch;
};

} // namespace

// A known line set, drawn by Coin as a line set and written beside it: the
// view is 2 units high on 256 pixels, so window x = 128 (x + 1).
TEST_F(LineOutputFrame, KnownLinesLandWhereTheFrameShowsThem)
{
    const std::string lines = "-0.8 -0.6 0, 0.7 -0.5 0, 0.1 0.7 0, -0.6 0.2 0, 0.6 0.3 0, -0.2 -0.3 0";
    const std::string strips = "0, 1, 2, 0, -1, 3, 4, 5, -1";
    SoSeparator* root = readScene(("OrthographicCamera { position 0 0 5 height 2 }\n"
                                   "LightModel { model BASE_COLOR }\nBaseColor { rgb 1 1 1 }\n"
                                   "IndexedLineSet { vertexProperty VertexProperty { vertex [" + lines +
                                   "] } coordIndex [" + strips + "] }\n"
                                   "LineSource { points [" + lines + "] indices [" + strips + "] }\n"
                                   "DEF output SoLineOutput {}\n").c_str());
    ASSERT_NE(root, nullptr);
    SoLineOutput* output = static_cast<SoLineOutput*>(SoNode::getByName("output"));
    const std::string pdf = scratch.dir + "known.pdf";
    output->filename = pdf.c_str();
    const double range = 128.0 * 1.5; // x from -0.8 to 0.7
    output->lineWidth = float(0.5 * 72.0 * DRAWING / range);
    output->requestPDFOutput();
    render(root);
    expectStrokesMatch(pdf, 128.0 * 0.2, 128.0 * 0.4, range, "known lines");
    root->unref();
}

namespace {

// The paths of an SVG drawing the line output wrote, as page points in
// inches from the lower left corner of a page `height` points high.
std::vector<DrawnStroke> svgStrokes(const std::string& path, double height)
{
    std::vector<DrawnStroke> strokes;
    const std::string text = readFile(path);
    for (size_t at = text.find("<path d=\""); at != std::string::npos; at = text.find("<path d=\"", at + 1)) {
        DrawnStroke stroke;
        std::istringstream d(text.substr(at + 9, text.find('"', at + 9) - at - 9));
        std::string word;
        while (d >> word) {
            if (word == "Z") {
                stroke.points.push_back(stroke.points.front());
                continue;
            }
            double y = 0;
            d >> y;
            stroke.points.push_back(PagePoint(std::stod(word.substr(1)) / 72.0, (height - y) / 72.0));
        }
        const size_t colour = text.find("stroke=\"#", at) + 9;
        const unsigned rgb = unsigned(std::stoul(text.substr(colour, 6), nullptr, 16));
        stroke.red = (rgb >> 16) / 255.0;
        stroke.green = ((rgb >> 8) & 0xff) / 255.0;
        stroke.blue = (rgb & 0xff) / 255.0;
        stroke.width = std::stod(text.substr(text.find("stroke-width=\"", at) + 14));
        strokes.push_back(stroke);
    }
    return strokes;
}

// Strokes alike to the precision the files have: a thousandth of a point,
// a 255th of a colour step.
void expectSameStrokes(const std::vector<DrawnStroke>& svg, const std::vector<DrawnStroke>& pdf, const char* what)
{
    ASSERT_EQ(svg.size(), pdf.size()) << what;
    for (size_t i = 0; i < svg.size(); ++i) {
        ASSERT_EQ(svg[i].points.size(), pdf[i].points.size()) << what << ", stroke " << i;
        for (size_t k = 0; k < svg[i].points.size(); ++k) {
            EXPECT_NEAR(svg[i].points[k].x * 72.0, pdf[i].points[k].x * 72.0, 1.5e-3) << what << ", stroke " << i;
            EXPECT_NEAR(svg[i].points[k].y * 72.0, pdf[i].points[k].y * 72.0, 1.5e-3) << what << ", stroke " << i;
        }
        EXPECT_NEAR(svg[i].width, pdf[i].width, 1e-4) << what << ", stroke " << i;
        EXPECT_NEAR(svg[i].red, pdf[i].red, 0.5 / 255.0) << what << ", stroke " << i;
        EXPECT_NEAR(svg[i].green, pdf[i].green, 0.5 / 255.0) << what << ", stroke " << i;
        EXPECT_NEAR(svg[i].blue, pdf[i].blue, 0.5 / 255.0) << what << ", stroke " << i;
    }
}

// The sample torus seen from above and aside, its silhouette run through
// the line chain of the viewer and drawn as thin strokes.
class TorusDrawing : public LineOutputFrame {
protected:
    void SetUp() override
    {
        LineOutputFrame::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        root = readScene("DEF camera PerspectiveCamera { position 0 2.6 2.6 orientation 1 0 0 -0.785398 }\n"
                         "LightModel { model BASE_COLOR }\nBaseColor { rgb 1 1 1 }\n"
                         "DrawStyle { style INVISIBLE }\n"
                         "SoGenerateWingedEdge { File { name \"" QUILLMAP_SOURCE_DIR "/models/torus.iv\" } }\n"
                         "DrawStyle {}\n"
                         "SoGenerateSilhouette {}\n"
                         "Separator {\n"
                         "  SoLineConcatenator {} SoLineParameterization {}\n"
                         "  DEF zigZags SoLinePurifier { purifyMethod ELIMINATE_ZIG_ZAGS }\n"
                         "  SoLinePurifier { purifyMethod ELIMINATE_SHORT_SEGMENTS }\n"
                         "  SoLinePurifier { purifyMethod ELIMINATE_SHARP_ANGLES }\n"
                         "  USE zigZags\n"
                         "  SoLineCoordinateOrientation {} SoLineThickener {}\n"
                         "  DEF recorder LineRecorder {} DEF output SoLineOutput {} SoLineShape {}\n"
                         "}\n");
        ASSERT_NE(root, nullptr);
        camera = static_cast<SoPerspectiveCamera*>(SoNode::getByName("camera"));
        recorder = static_cast<LineRecorder*>(SoNode::getByName("recorder"));
        output = static_cast<SoLineOutput*>(SoNode::getByName("output"));
    }
    void TearDown() override
    {
        if (root != nullptr)
            root->unref();
        LineOutputFrame::TearDown();
    }

    // The window bounds of the lines in force at the output, through Coin's
    // own view volume.
    void windowBounds(double& minX, double& minY, double& range)
    {
        const SbViewVolume volume = camera->getViewVolume(float(width()) / float(height()));
        double maxX = -1e30, maxY = -1e30;
        minX = minY = 1e30;
        for (int32_t i : recorder->indices) {
            if (i < 0)
                continue;
            SbVec3f s;
            volume.projectToScreen(recorder->points[size_t(i)], s);
            minX = std::min(minX, double(s[0]) * width());
            maxX = std::max(maxX, double(s[0]) * width());
            minY = std::min(minY, double(s[1]) * height());
            maxY = std::max(maxY, double(s[1]) * height());
        }
        range = std::max(maxX - minX, maxY - minY);
    }

    SoSeparator* root = nullptr;
    SoPerspectiveCamera* camera = nullptr;
    LineRecorder* recorder = nullptr;
    SoLineOutput* output = nullptr;
};

} // namespace

TEST_F(TorusDrawing, SilhouetteStrokesLandWhereTheFrameShowsThem)
{
    const std::string pdf = scratch.dir + "torus.pdf";
    output->filename = pdf.c_str();
    output->compression = TRUE;
    render(root); // the silhouette settles on the first frame
    double minX = 0, minY = 0, range = 0;
    windowBounds(minX, minY, range);
    ASSERT_GT(range, 100.0) << "the torus should fill most of the frame";
    output->lineWidth = float(0.5 * 72.0 * DRAWING / range);
    output->requestPDFOutput();
    render(root);
    windowBounds(minX, minY, range);
    expectStrokesMatch(pdf, minX, minY, range, "torus silhouette");
}

// Each hiding mode on the torus drawing: the decoder reads the code back
// from the written file, repeated for as long as the strokes last. The code
// is short enough for the width mode, which needs 8 segments a byte and 17
// for each marker, to carry it whole at least once.
TEST_F(TorusDrawing, EveryHidingModeReadsBack)
{
    const std::string code = "Quill";
    output->codeString = code.c_str();
    output->codeLength = int(code.size());
    render(root);
    const char* names[6] = { "", "width", "ratio", "angle", "length", "colour" };
    for (int mode = SoLineOutput::STEGANO_WIDTH; mode <= SoLineOutput::STEGANO_COLOR; ++mode) {
        const std::string pdf = scratch.dir + names[mode] + ".pdf";
        output->filename = pdf.c_str();
        output->steganoMode = mode;
        output->compression = mode % 2 == 0;
        output->requestPDFOutput();
        {
            OutputCapture printed;
            render(root);
        }
        const std::vector<DrawnStroke> strokes = scratch.page(pdf).strokes;
        const std::string bytes = mode == SoLineOutput::STEGANO_WIDTH ? SteganoDecoder::decodeWidth(strokes, 2.0, 0.1)
                                  : mode == SoLineOutput::STEGANO_RATIO ? SteganoDecoder::decodeRatio(strokes)
                                  : mode == SoLineOutput::STEGANO_ANGLE ? SteganoDecoder::decodeAngle(strokes)
                                  : mode == SoLineOutput::STEGANO_LENGTH ? SteganoDecoder::decodeLength(strokes)
                                                                         : SteganoDecoder::decodeColor(strokes);
        std::string repeated;
        while (repeated.size() < bytes.size())
            repeated += code;
        repeated.resize(bytes.size());
        EXPECT_GE(bytes.size(), code.size()) << names[mode];
        EXPECT_EQ(bytes, repeated) << names[mode];
        // The SVG drawing carries the same strokes, widths and colours.
        const std::string svg = scratch.dir + names[mode] + ".svg";
        output->filename = svg.c_str();
        output->requestSVGOutput();
        {
            OutputCapture printed;
            render(root);
        }
        expectSameStrokes(svgStrokes(svg, scratch.page(pdf).height), strokes, names[mode]);
        std::cout << "The torus drawing carries " << bytes.size() << " code bytes in the " << names[mode]
                  << " mode (" << strokes.size() << " strokes)" << std::endl;
        RecordProperty(std::string(names[mode]) + "_bytes", int(bytes.size()));
    }
}
