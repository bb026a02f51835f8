// quillmap-render run as a user runs it, from the top of the source tree and
// with no DISPLAY: the files it writes for the sample torus and the chess
// knight against qpdf, xmllint, poppler and librsvg and against the torus's
// own geometry, and what it says and leaves undone for bad input.

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/PdfChecks.h"

namespace {

const std::string kKnight = "/usr/share/inventor/data/models/chess/knight.iv";

// The program's run: status, standard output and standard error apart.
struct RenderRun {
    int status = -1;
    std::string out;
    std::string err;
};

RenderRun render(const std::string& arguments, const std::string& environment = "")
{
    ScratchDirectory logs("renderlog");
    const ToolRun r = run("(cd '" QUILLMAP_SOURCE_DIR "' && env -u DISPLAY " + environment + " '" QUILLMAP_RENDER "' " +
                          arguments + " >'" + logs.dir + "out' 2>'" + logs.dir + "err')");
    return { r.status, readFile(logs.dir + "out"), readFile(logs.dir + "err") };
}

// Dark pixels of an image, row by row.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<bool> dark;
    int count(void) const { return int(std::count(dark.begin(), dark.end(), true)); }
};

Mask darkPixels(const std::string& path)
{
    Mask mask;
    QImage image(QString::fromStdString(path));
    if (image.isNull())
        return mask;
    image = image.convertToFormat(QImage::Format_ARGB32);
    mask.width = image.width();
    mask.height = image.height();
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const QRgb p = image.pixel(x, y);
            // Transparent pixels are the page.
            mask.dark.push_back(qAlpha(p) > 128 && qGray(p) < 128);
        }
    return mask;
}

// Share of the dark pixels of `from` that lie within two pixels of a dark
// pixel of `to` (same size).
double nearShare(const Mask& from, const Mask& to)
{
    int near = 0, all = 0;
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < from.width; ++x) {
            if (!from.dark[size_t(y * from.width + x)])
                continue;
            ++all;
            bool found = false;
            for (int v = std::max(0, y - 2); v <= std::min(to.height - 1, y + 2) && !found; ++v)
                for (int u = std::max(0, x - 2); u <= std::min(to.width - 1, x + 2) && !found; ++u)
                    found = to.dark[size_t(v * to.width + u)];
            near += found;
        }
    return all > 0 ? double(near) / all : 0.0;
}

class QuillmapRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scratch.dir.empty());
        for (const char* tool : { "xmllint", "rsvg-convert" })
            ASSERT_EQ(run(std::string("command -v ") + tool).status, 0)
                << tool << " is missing: install libxml2-utils and librsvg2-bin (listed in .ci/install-deps)";
    }
    ScratchDirectory scratch{ "render" };
};

} // namespace

// Both models in every format, the torus seen down its axis (y): its
// outline is two circles about the centre of the frame, of radii 1.35 and
// 0.65 in the model. The SVG drawing, rasterized by librsvg, covers what
// poppler makes of the PDF drawing.
TEST_F(QuillmapRenderTest, TorusAndKnightInEveryFormat)
{
    if (!exists(kKnight))
        GTEST_SKIP() << "the chess knight of the inventor-data package is not installed";
    const RenderRun r =
        render("--png --pdf --svg --txt --elevation 90 --size 400x300 --out '" + scratch.dir + "' models/torus.iv " + kKnight);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("models/torus.iv: 1024 faces, "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 of 2 models drawn"), std::string::npos) << r.out;

    for (const char* name : { "torus", "knight" }) {
        const std::string base = scratch.dir + name;
        EXPECT_EQ(scratch.pdfComplaints(base + ".pdf"), "") << name;
        const ToolRun lint = run("xmllint --noout '" + base + ".svg'");
        EXPECT_EQ(lint.status, 0) << name << ": " << lint.output;

        // One point and one stroke per page unit alike: 72 dots per inch.
        ASSERT_EQ(run("pdftoppm -r 72 -gray -aa no -aaVector no -singlefile '" + base + ".pdf' '" + base + "-pdf'").status, 0);
        const ToolRun svgRaster =
            run("rsvg-convert --dpi-x 72 --dpi-y 72 -b white -o '" + base + "-svg.png' '" + base + ".svg'");
        ASSERT_EQ(svgRaster.status, 0) << svgRaster.output;
        const Mask pdf = darkPixels(base + "-pdf.pgm"), svg = darkPixels(base + "-svg.png");
        ASSERT_EQ(pdf.width, svg.width) << name;
        ASSERT_EQ(pdf.height, svg.height) << name;
        EXPECT_GT(pdf.count(), 200) << name;
        EXPECT_GE(nearShare(svg, pdf), 0.95) << name << ": of " << svg.count() << " SVG pixels";
        EXPECT_GE(nearShare(pdf, svg), 0.95) << name << ": of " << pdf.count() << " PDF pixels";

        // The text: as many polylines (ended by empty lines) as paths.
        const std::string text = readFile(base + ".txt"), drawing = readFile(base + ".svg");
        size_t polylines = 0, paths = 0;
        for (size_t at = text.find("\n\n"); at != std::string::npos; at = text.find("\n\n", at + 1))
            ++polylines;
        for (size_t at = drawing.find("<path "); at != std::string::npos; at = drawing.find("<path ", at + 1))
            ++paths;
        EXPECT_EQ(polylines, paths) << name;
        EXPECT_GT(paths, 0u) << name;
    }

    // The torus frame: every stroke pixel near one of the two circles, and
    // both circles drawn all round.
    const Mask png = darkPixels(scratch.dir + "torus.png");
    ASSERT_EQ(png.width, 400);
    ASSERT_EQ(png.height, 300);
    const double cx = png.width / 2.0, cy = png.height / 2.0;
    double outer = 0.0;
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x)
            if (png.dark[size_t(y * png.width + x)])
                outer = std::max(outer, std::hypot(x + 0.5 - cx, y + 0.5 - cy));
    ASSERT_GT(outer, 50.0) << "the torus should fill much of the frame";
    // The middle of the outer stroke: the mean radius of the pixels on the
    // outer half of the picture's radii.
    double sum = 0.0;
    int onOuter = 0;
    std::string histogram;
    std::vector<int> byRadius(size_t(outer) + 1, 0);
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x)
            if (png.dark[size_t(y * png.width + x)]) {
                const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                ++byRadius[size_t(r)];
                if (r > 0.75 * outer) {
                    sum += r;
                    ++onOuter;
                }
            }
    for (size_t r = 0; r < byRadius.size(); ++r)
        if (byRadius[r] > 0)
            histogram += " " + std::to_string(r) + ":" + std::to_string(byRadius[r]);
    outer = sum / onOuter;
    const double inner = outer * 0.65 / 1.35;
    int far = 0;
    std::vector<int> outerBins(36, 0), innerBins(36, 0);
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            if (!png.dark[size_t(y * png.width + x)])
                continue;
            const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            const int bin = int((std::atan2(y + 0.5 - cy, x + 0.5 - cx) + M_PI) / (2.0 * M_PI) * 36.0) % 36;
            if (std::fabs(r - outer) <= 4.0)
                ++outerBins[size_t(bin)];
            else if (std::fabs(r - inner) <= 4.0)
                ++innerBins[size_t(bin)];
            else
                ++far;
        }
    EXPECT_EQ(far, 0) << "stroke pixels away from the outline, of " << png.count() << "; pixels by radius:" << histogram;
    EXPECT_EQ(std::count(outerBins.begin(), outerBins.end(), 0), 0) << "gaps in the outer circle";
    EXPECT_EQ(std::count(innerBins.begin(), innerBins.end(), 0), 0) << "gaps in the inner circle";
}

// --taper draws the knight's open strokes tapered and capped: the PNG
// differs from the plain one, and only where there are strokes.
TEST_F(QuillmapRenderTest, TaperChangesOnlyTheStrokes)
{
    if (!exists(kKnight))
        GTEST_SKIP() << "the chess knight of the inventor-data package is not installed";
    const std::string plainDir = scratch.dir + "plain", taperDir = scratch.dir + "taper";
    RenderRun r = render("--size 400x300 --out '" + plainDir + "' " + kKnight);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = render("--taper --size 400x300 --out '" + taperDir + "' " + kKnight);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Mask plain = darkPixels(plainDir + "/knight.png"), tapered = darkPixels(taperDir + "/knight.png");
    ASSERT_EQ(plain.width, 400);
    ASSERT_EQ(tapered.width, 400);
    int changed = 0, astray = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            const size_t at = size_t(y * plain.width + x);
            if (plain.dark[at] == tapered.dark[at])
                continue;
            ++changed;
            bool nearStroke = false;
            for (int v = std::max(0, y - 4); v <= std::min(plain.height - 1, y + 4); ++v)
                for (int u = std::max(0, x - 4); u <= std::min(plain.width - 1, x + 4); ++u)
                    nearStroke = nearStroke || plain.dark[size_t(v * plain.width + u)];
            astray += !nearStroke;
        }
    EXPECT_GT(changed, 50) << "of " << plain.count() << " dark pixels";
    EXPECT_EQ(astray, 0) << "of " << changed << " changed pixels";
}

// A missing file, a text file, a model without triangles and a folder that
// cannot be written: each named with its reason, the status not 0, and the
// good model still written. Without any GL the program says what to do.
TEST_F(QuillmapRenderTest, BadInputIsNamedAndTheRestWritten)
{
    const std::string notes = scratch.dir + "notes.txt", lines = scratch.dir + "lines.iv";
    std::FILE* f = std::fopen(notes.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("These are notes, not a model.\n", f);
    std::fclose(f);
    f = std::fopen(lines.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("#Inventor V2.1 ascii\nSeparator { Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
               "  IndexedLineSet { coordIndex [ 0, 1, 2, -1 ] } }\n",
               f);
    std::fclose(f);
    const std::string gone = scratch.dir + "gone.iv";
    const std::string out = scratch.dir + "out";

    RenderRun r = render("--svg --png --out '" + out + "' '" + gone + "' '" + notes + "' models/torus.iv '" + lines + "'");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find(gone + ": cannot read it: No such file or directory"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(notes + ": not a model file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(lines + ": no shape in it makes triangles"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("1 of 4 models drawn"), std::string::npos) << r.out;
    EXPECT_EQ(readFile(out + "/torus.svg").find("<path "), readFile(out + "/torus.svg").find("<path d=\"M"));
    EXPECT_FALSE(darkPixels(out + "/torus.png").dark.empty());
    for (const char* left : { "/gone.svg", "/notes.svg", "/lines.svg", "/lines.png" })
        EXPECT_FALSE(exists(out + left)) << left;

    // A folder below a file cannot be made, root or not.
    const std::string blocked = notes + "/out";
    r = render("--svg --png --out '" + blocked + "' models/torus.iv");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("cannot make the output directory " + blocked + ": Not a directory"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no " + blocked + "/torus.svg: the SVG file '" + blocked + "/torus.svg' could not be written"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("no " + blocked + "/torus.png: cannot be created"), std::string::npos) << r.err;

    // The command line itself.
    r = render("--colour red models/torus.iv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--colour'"), std::string::npos) << r.err;
    r = render("--taper=yes models/torus.iv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--taper takes no value"), std::string::npos) << r.err;
    r = render("--texture Crayon models/torus.iv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("knows no texture 'Crayon'; the textures are Chalk, "), std::string::npos) << r.err;

    // No EGL vendor and no display: no context, and a way out.
    r = render("--out '" + out + "' models/torus.iv", "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("no OpenGL context: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("run under an X server"), std::string::npos) << r.err;
}
