// The line output node: what it writes for a known line set (paths, page
// size, text lines, the width bits of a one-letter code), what it refuses to
// write, where its strokes land against the rendered frame, and the codes
// read back from a silhouette drawing of the sample torus in every hiding
// mode. Every PDF it writes must pass qpdf, poppler and MuPDF.

#include <Inventor/SbViewVolume.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoVertexProperty.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineConcatenator.h"
#include "lines/SoLineCoordinateOrientation.h"
#include "lines/SoLineParameterization.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineThickener.h"
#include "output/DrawingDecoder.h"
#include "output/SoLineOutput.h"
#include "output/SteganoDecoder.h"
#include "support/DebugErrorCollector.h"
#include "support/GLFixture.h"
#include "support/OutputCapture.h"
#include "support/TestNodes.h"
#include "wingededge/SoGenerateWingedEdge.h"

namespace {

const double MARGIN = 0.0546667;           // inches
const double DRAWING = 8.2 - 2.0 * MARGIN; // inches

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun run(const std::string& command)
{
    ToolRun result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// A scratch directory and the checks every written file goes through.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = ::testing::TempDir() + "lineoutputXXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr)
            dir = pattern + "/";
    }
    ~Scratch() { run("rm -rf '" + dir + "'"); }

    // What qpdf, pdftoppm and mutool say against the file; empty when all
    // three take it silently.
    std::string complaints(const std::string& path) const
    {
        const char* tools[3][2] = { { "qpdf", "qpdf" }, { "pdftoppm", "poppler-utils" }, { "mutool", "mupdf-tools" } };
        for (auto& tool : tools)
            if (run(std::string("command -v ") + tool[0]).status != 0)
                return std::string(tool[0]) + " is missing: install the Debian package " + tool[1];
        std::string said;
        const ToolRun qpdf = run("qpdf --check '" + path + "'");
        if (qpdf.status != 0 || qpdf.output.find("No syntax or stream encoding errors") == std::string::npos ||
            qpdf.output.find("WARNING") != std::string::npos)
            said += "qpdf --check: " + qpdf.output;
        const ToolRun poppler = run("pdftoppm -r 36 -gray '" + path + "' '" + dir + "check'");
        if (poppler.status != 0 || !poppler.output.empty())
            said += "pdftoppm: " + poppler.output;
        ToolRun mupdf = run("mutool draw -q -r 36 -o '" + dir + "check.png' '" + path + "'");
        // Debian's MuPDF says this of every file that sets a colour.
        const std::string noIcc = "warning: ICC support is not available\n";
        if (mupdf.output.compare(0, noIcc.size(), noIcc) == 0)
            mupdf.output.erase(0, noIcc.size());
        if (mupdf.status != 0 || !mupdf.output.empty())
            said += "mutool draw: " + mupdf.output;
        return said;
    }

    // Reads a written PDF back, after the validators have had their say.
    DrawnPage page(const std::string& path) const
    {
        DrawnPage page;
        EXPECT_EQ(complaints(path), "") << path;
        std::string error;
        EXPECT_TRUE(DrawingDecoder::readPdf(path, page, error)) << path << ": " << error;
        return page;
    }

    std::string dir;
};

// Points in page points, to a thousandth as the file holds them.
std::string describe(const std::vector<DrawnStroke>& strokes)
{
    std::ostringstream text;
    for (const DrawnStroke& s : strokes) {
        text << "[";
        for (const PagePoint& p : s.points)
            text << " (" << p.x * 72.0 << ", " << p.y * 72.0 << ")";
        text << " ]";
    }
    return text.str();
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
        lines = new LineSource;
        root->addChild(lines);
        output = new SoLineOutput;
        root->addChild(output);
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

    void traverse(void)
    {
        SoCallbackAction action(SbViewportRegion(200, 200));
        action.apply(root);
    }

    SoSeparator* root = nullptr;
    LineSource* lines = nullptr;
    SoLineOutput* output = nullptr;
    Scratch scratch;
};

// A zig-zag of `segments` segments, a tenth of a unit high.
void zigZag(int segments, std::vector<SbVec3f>& points, std::vector<int32_t>& indices)
{
    points.clear();
    indices.clear();
    for (int i = 0; i <= segments; ++i) {
        points.push_back(SbVec3f(-0.9f + 1.8f * float(i) / float(segments), i % 2 ? 0.1f : 0.0f, 0.0f));
        indices.push_back(i);
    }
    indices.push_back(-1);
}

} // namespace

// The marks of the code "A" (bits 0 and 6, then the byte end) on one segment
// along x, worked out by hand from the step of 0.1.
TEST(SteganoEncoderTest, MarksOfOneLetterOnOneSegment)
{
    const std::vector<Polyline> half = { { PagePoint(0, 0), PagePoint(0.5, 0) } };
    const std::vector<Polyline> quarter = { { PagePoint(0, 0), PagePoint(0.27, 0) } };
    auto xs = [](const Polyline& p) {
        std::vector<double> x;
        for (const PagePoint& q : p)
            x.push_back(q.x);
        return x;
    };
    auto near = [](const std::vector<double>& got, const std::vector<double>& want) {
        if (got.size() != want.size())
            return false;
        for (size_t i = 0; i < got.size(); ++i)
            if (std::fabs(got[i] - want[i]) > 1e-6)
                return false;
        return true;
    };

    // Resampled 0, .1, .2, .3, .4, .5; bit 0 puts a point at the start of
    // its piece, bit 6 at 6/7 of it, the byte end skips a piece.
    const std::vector<Polyline> ratio = SteganoEncoder(half).encodeRatio("A");
    ASSERT_EQ(ratio.size(), 1u);
    EXPECT_TRUE(near(xs(ratio[0]), { 0, .1, 0, .2, .1 + .6 / 7, .3, .4, .3, .5, .4 + .6 / 7 }));

    // Pieces of 1/8, 7/8 and 9/8 steps, until bit 6 no longer fits and 13
    // fillers of 1/32 step run up to 0.49 - 1/8 step.
    SteganoEncoder lengthEncoder({ { PagePoint(0, 0), PagePoint(0.49, 0) } });
    const std::vector<Polyline> length = lengthEncoder.encodeLength("A");
    ASSERT_EQ(length.size(), 1u);
    std::vector<double> expected = { 0, .0125, .1, .2125, .225, .3125, .425, .4375 };
    for (int k = 1; k <= 13; ++k)
        expected.push_back(.4375 + k * .003125);
    EXPECT_TRUE(near(xs(length[0]), expected));

    // Resampled 0, .1, .2, .27: ticks of 0.1 at 80, 74, 81 and 80 degrees.
    const std::vector<Polyline> ticks = SteganoEncoder(quarter).encodeAngle("A");
    const double degrees[4] = { 80, 74, 81, 80 }, at[4] = { 0, .1, .2, .27 };
    ASSERT_EQ(ticks.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const double a = degrees[k] * M_PI / 180.0;
        EXPECT_NEAR(ticks[size_t(k)][0].x, at[k], 1e-6) << "tick " << k;
        EXPECT_NEAR(ticks[size_t(k)][1].x, at[k] + 0.1 * std::cos(a), 1e-6) << "tick " << k;
        EXPECT_NEAR(ticks[size_t(k)][1].y, 0.1 * std::sin(a), 1e-6) << "tick " << k;
    }

    std::vector<int> values;
    const std::vector<Polyline> pieces = SteganoEncoder(quarter).encodeColor("A", values);
    EXPECT_EQ(values, (std::vector<int>{ 0, 6, -1 }));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_TRUE(near(xs(pieces[2]), { .2, .27 }));
}

// Two strips and an unfinished third under the 200-pixel view: the drawing
// is 100 x 50 pixels, so the page is 8.2 inches wide (590 points) and
// 4.1 - m + 2 m inches high (299 points); a point at window x w lies at
// (w - 50) * 8.0906667 / 100 + m inches.
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
        const std::string file = readFile(pdf);
        EXPECT_NE(file.find("/MediaBox [0 0 590 299]"), std::string::npos) << file.substr(0, 600);
        const DrawnPage page = scratch.page(pdf);
        const double lo = MARGIN * 72, right = (DRAWING + MARGIN) * 72, mid = 4.1 * 72;
        const std::vector<std::vector<double>> want = { { lo, lo, right, lo, right, mid },
                                                        { lo, mid, mid, (25 * DRAWING / 100 + MARGIN) * 72 } };
        ASSERT_EQ(page.strokes.size(), want.size()) << describe(page.strokes);
        for (size_t s = 0; s < want.size(); ++s) {
            ASSERT_EQ(page.strokes[s].points.size() * 2, want[s].size()) << describe(page.strokes);
            for (size_t k = 0; k < want[s].size(); ++k) {
                const PagePoint& p = page.strokes[s].points[k / 2];
                EXPECT_NEAR((k % 2 ? p.y : p.x) * 72, want[s][k], 0.0015) << "stroke " << s << " " << describe(page.strokes);
            }
            EXPECT_DOUBLE_EQ(page.strokes[s].width, 2.0);
        }
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
    output->outputType = 3;
    traverse();
    output->outputType = 2;
    traverse();
    EXPECT_FALSE(exists(text));
}

// "A" with codeLength 1: the segments carry 1,0,0,0,0,0,1,0, sixteen 0 bits,
// a 1 bit, and "A" again. Past the end of the code the bytes are zeros.
TEST_F(LineOutputPage, WidthBitsOfOneLetter)
{
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;
    zigZag(30, points, indices);
    setLines(points, indices);
    const std::string pdf = scratch.dir + "width.pdf";
    output->filename = pdf.c_str();
    output->steganoMode = SoLineOutput::STEGANO_WIDTH;
    output->codeString = "A";
    output->codeLength = 1;
    output->requestPDFOutput();
    OutputCapture printed;
    traverse();
    EXPECT_EQ(printed.text(), "Steganography Code: \n\n"
                              "Wrote 1 bytes and 5 bit(s) worth of information and 2 bytes with zeros.\n");
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
    EXPECT_EQ(bitsOf(scratch.page(pdf)), letter + marker + letter.substr(0, 5));

    output->codeLength = 3;
    output->compression = TRUE;
    output->requestPDFOutput();
    DebugErrorCollector errors;
    OutputCapture report;
    traverse();
    EXPECT_NE(report.text().find("Wrote 3 bytes and 0 bit(s) worth of information and 0.75 bytes with zeros."),
              std::string::npos);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("codeLength 3 is longer than the code"), std::string::npos) << errors.messages[0];
    EXPECT_EQ(bitsOf(scratch.page(pdf)), letter + std::string(16, '0') + marker.substr(0, 6));
}

// What cannot be drawn or written is said, and leaves no file: no lines, all
// lines on one spot, a path that cannot be written. Lines without height or
// width get a page as thin as the margins, which every reader accepts. In
// the colour mode a text file is written empty.
TEST_F(LineOutputPage, DegenerateDrawingsAndPaths)
{
    const std::string pdf = scratch.dir + "odd.pdf";
    output->filename = pdf.c_str();
    struct Case {
        std::vector<SbVec3f> points;
        std::vector<int32_t> indices;
        const char* said;
    } refused[] = { { {}, {}, "there are no lines" },
                    { { SbVec3f(0.2f, 0.2f, 0) }, { 0, 0, -1 }, "all line points lie on one spot" } };
    for (const Case& c : refused) {
        setLines(c.points, c.indices);
        for (auto request : { &SoLineOutput::requestPDFOutput, &SoLineOutput::requestASCIIOutput }) {
            (output->*request)();
            DebugErrorCollector errors;
            traverse();
            ASSERT_EQ(errors.messages.size(), 1u) << c.said;
            EXPECT_NE(errors.messages[0].find(c.said), std::string::npos) << errors.messages[0];
            EXPECT_FALSE(exists(pdf)) << c.said;
        }
    }

    const char* boxes[2] = { "/MediaBox [0 0 590 8]", "/MediaBox [0 0 8 590]" };
    for (int vertical = 0; vertical < 2; ++vertical) {
        const SbVec3f a(vertical ? 0.3f : -0.5f, vertical ? -0.5f : 0.3f, 0), b(vertical ? 0.3f : 0.5f, vertical ? 0.5f : 0.3f, 0);
        setLines({ a, b }, { 0, 1, -1 });
        output->requestPDFOutput();
        traverse();
        EXPECT_NE(readFile(pdf).find(boxes[vertical]), std::string::npos) << readFile(pdf).substr(0, 600);
        const DrawnPage page = scratch.page(pdf);
        ASSERT_EQ(page.strokes.size(), 1u);
        EXPECT_NEAR(page.strokes[0].points[0].x, MARGIN, 1e-5);
        EXPECT_NEAR(page.strokes[0].points[0].y, MARGIN, 1e-5);
    }

    // An old file stays as it was when the new one cannot be written.
    std::ofstream(scratch.dir + "keep.txt") << "old\n";
    for (const std::string& path :
         { scratch.dir + "missing/out.pdf", scratch.dir + "missing/out.txt", scratch.dir + "keep.txt/x" }) {
        output->filename = path.c_str();
        if (path.find(".pdf") != std::string::npos)
            output->requestPDFOutput();
        else
            output->requestASCIIOutput();
        DebugErrorCollector errors;
        OutputCapture writerMessages(2);
        traverse();
        writerMessages.text();
        ASSERT_FALSE(errors.messages.empty()) << path;
        EXPECT_NE(errors.messages.back().find("could not be written"), std::string::npos) << errors.messages.back();
        EXPECT_NE(errors.messages.back().find(path), std::string::npos) << errors.messages.back();
        EXPECT_FALSE(exists(path));
    }
    EXPECT_EQ(readFile(scratch.dir + "keep.txt"), "old\n");

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
        ASSERT_EQ(magic, "P5");
        std::vector<unsigned char> gray(size_t(w) * size_t(h));
        in.read(reinterpret_cast<char*>(gray.data()), std::streamsize(gray.size()));
        ASSERT_TRUE(in.good()) << "short PGM from pdftoppm";
        const DrawnPage page = scratch.page(pdf);
        const double pageHeight = page.height / 72.0;

        std::vector<bool> lit(size_t(width()) * size_t(height()), false);
        const std::vector<uint8_t> rgba = readRGBA();
        for (size_t i = 0; i < lit.size(); ++i)
            lit[i] = rgba[4 * i] > 100 || rgba[4 * i + 1] > 100 || rgba[4 * i + 2] > 100;
        std::vector<bool> dark(lit.size(), false);
        int outside = 0;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                if (gray[size_t(j) * size_t(w) + size_t(i)] >= 128)
                    continue;
                const double x = (i + 0.5) / dpi, y = pageHeight - (j + 0.5) / dpi;
                const int wx = int(std::floor((x - MARGIN) * dpi + minX));
                const int wy = int(std::floor((y - MARGIN) * dpi + minY));
                if (wx < 0 || wy < 0 || wx >= width() || wy >= height())
                    ++outside;
                else
                    dark[size_t(wy) * size_t(width()) + size_t(wx)] = true;
            }
        auto share = [&](const std::vector<bool>& from, const std::vector<bool>& to, int& count) {
            int near = 0;
            count = 0;
            for (int y = 0; y < height(); ++y)
                for (int x = 0; x < width(); ++x) {
                    if (!from[size_t(y) * size_t(width()) + size_t(x)])
                        continue;
                    ++count;
                    bool found = false;
                    for (int v = std::max(0, y - 2); v <= std::min(height() - 1, y + 2) && !found; ++v)
                        for (int u = std::max(0, x - 2); u <= std::min(width() - 1, x + 2) && !found; ++u)
                            found = to[size_t(v) * size_t(width()) + size_t(u)];
                    near += found;
                }
            return count > 0 ? double(near) / count : 0.0;
        };
        int drawn = 0, shown = 0;
        const double drawnNear = share(dark, lit, drawn), shownNear = share(lit, dark, shown);
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
    SoSeparator* root = readScene("OrthographicCamera { position 0 0 5 height 2 }\n"
                                  "LightModel { model BASE_COLOR }\n"
                                  "BaseColor { rgb 1 1 1 }\n"
                                  "DrawStyle { lineWidth 1 }\n");
    ASSERT_NE(root, nullptr);
    const std::vector<SbVec3f> points = { SbVec3f(-0.8f, -0.6f, 0), SbVec3f(0.7f, -0.5f, 0), SbVec3f(0.1f, 0.7f, 0),
                                          SbVec3f(-0.6f, 0.2f, 0), SbVec3f(0.6f, 0.3f, 0), SbVec3f(-0.2f, -0.3f, 0) };
    const std::vector<int32_t> indices = { 0, 1, 2, 0, -1, 3, 4, 5, -1 };
    SoVertexProperty* vertices = new SoVertexProperty;
    vertices->vertex.setValues(0, int(points.size()), points.data());
    SoIndexedLineSet* drawn = new SoIndexedLineSet;
    drawn->vertexProperty = vertices;
    drawn->coordIndex.setValues(0, int(indices.size()), indices.data());
    root->addChild(drawn);
    LineSource* lines = new LineSource;
    lines->points.setValues(0, int(points.size()), points.data());
    lines->indices.setValues(0, int(indices.size()), indices.data());
    root->addChild(lines);
    SoLineOutput* output = new SoLineOutput;
    const std::string pdf = scratch.dir + "known.pdf";
    output->filename = pdf.c_str();
    const double range = 128.0 * 1.5; // x from -0.8 to 0.7
    output->lineWidth = float(0.5 * 72.0 * DRAWING / range);
    output->requestPDFOutput();
    root->addChild(output);
    render(root);
    expectStrokesMatch(pdf, 128.0 * 0.2, 128.0 * 0.4, range, "known lines");
    root->unref();
}

namespace {

// The sample torus seen from above and aside, its silhouette run through
// the line chain of the viewer and drawn as thin strokes.
class TorusDrawing : public LineOutputFrame {
protected:
    void SetUp() override
    {
        LineOutputFrame::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SoInput in;
        ASSERT_TRUE(in.openFile(QUILLMAP_SOURCE_DIR "/models/torus.iv"));
        SoSeparator* model = SoDB::readAll(&in);
        ASSERT_NE(model, nullptr);
        root = readScene("LightModel { model BASE_COLOR }\nBaseColor { rgb 1 1 1 }\n");
        ASSERT_NE(root, nullptr);
        camera = new SoPerspectiveCamera;
        camera->position.setValue(0.0f, 2.6f, 2.6f);
        camera->pointAt(SbVec3f(0, 0, 0));
        root->insertChild(camera, 0);
        SoDrawStyle* invisible = new SoDrawStyle;
        invisible->style = SoDrawStyle::INVISIBLE;
        root->addChild(invisible);
        SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
        generator->addChild(model);
        root->addChild(generator);
        SoDrawStyle* filled = new SoDrawStyle;
        root->addChild(filled);
        SoGenerateSilhouette* silhouette = new SoGenerateSilhouette;
        root->addChild(silhouette);
        SoSeparator* chain = new SoSeparator;
        chain->addChild(new SoLineConcatenator);
        chain->addChild(new SoLineParameterization);
        SoLinePurifier* purifiers[3] = { new SoLinePurifier, new SoLinePurifier, new SoLinePurifier };
        purifiers[0]->purifyMethod = SoLinePurifier::ELIMINATE_ZIG_ZAGS;
        purifiers[1]->purifyMethod = SoLinePurifier::ELIMINATE_SHORT_SEGMENTS;
        purifiers[2]->purifyMethod = SoLinePurifier::ELIMINATE_SHARP_ANGLES;
        for (int k : { 0, 1, 2, 0 })
            chain->addChild(purifiers[k]);
        chain->addChild(new SoLineCoordinateOrientation);
        SoLineThickener* thickener = new SoLineThickener;
        thickener->amplitude = 1.0f;
        chain->addChild(thickener);
        recorder = new LineRecorder;
        chain->addChild(recorder);
        output = new SoLineOutput;
        chain->addChild(output);
        chain->addChild(new SoLineShape);
        root->addChild(chain);
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
        double maxX = 0, maxY = 0;
        bool first = true;
        for (int32_t i : recorder->indices) {
            if (i < 0)
                continue;
            SbVec3f s;
            volume.projectToScreen(recorder->points[size_t(i)], s);
            const double x = s[0] * width(), y = s[1] * height();
            minX = first ? x : std::min(minX, x);
            maxX = first ? x : std::max(maxX, x);
            minY = first ? y : std::min(minY, y);
            maxY = first ? y : std::max(maxY, y);
            first = false;
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
        const DrawnPage page = scratch.page(pdf);
        std::string bytes;
        switch (mode) {
        case SoLineOutput::STEGANO_WIDTH:
            bytes = SteganoDecoder::decodeWidth(page.strokes, 2.0, 0.1);
            break;
        case SoLineOutput::STEGANO_RATIO:
            bytes = SteganoDecoder::decodeRatio(page.strokes);
            break;
        case SoLineOutput::STEGANO_ANGLE:
            bytes = SteganoDecoder::decodeAngle(page.strokes);
            break;
        case SoLineOutput::STEGANO_LENGTH:
            bytes = SteganoDecoder::decodeLength(page.strokes);
            break;
        default:
            bytes = SteganoDecoder::decodeColor(page.strokes);
            break;
        }
        std::string repeated;
        while (repeated.size() < bytes.size())
            repeated += code;
        repeated.resize(bytes.size());
        EXPECT_GE(bytes.size(), code.size()) << names[mode];
        EXPECT_EQ(bytes, repeated) << names[mode];
        std::cout << "The torus drawing carries " << bytes.size() << " code bytes in the " << names[mode]
                  << " mode (" << page.strokes.size() << " strokes)" << std::endl;
        RecordProperty(std::string(names[mode]) + "_bytes", int(bytes.size()));
    }
}
