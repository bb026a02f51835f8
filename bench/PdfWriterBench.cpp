// Writing a line drawing to PDF: PdfDocument against cairo's PDF surface,
// the same polylines in the same run, with the file size beside the time.
//
// The drawing: closed wavy loops of 100 segments each, scattered over a
// page of 8.2 x 6 inches, 10 thousand and 100 thousand segments in all; each
// loop is one path (moveto, linetos, stroke) with round caps, width 2.
//
//   BM_PdfDocument/<segments>/<compressed>   finalize into memory; the file
//                                             size is the finished output
//   BM_Cairo/<segments>                      cairo_pdf_surface_create_for_stream
//                                             into memory, surface finished
//
// cairo always compresses its content streams; for the uncompressed
// comparison of size, cairo_inflated_bytes is the size of cairo's file with
// its streams inflated by qpdf (--stream-data=uncompress), when qpdf is there.

#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include "output/PdfDocument.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const double PAGE_WIDTH = 8.2, PAGE_HEIGHT = 6.0; // inches
const int SEGMENTS_PER_LOOP = 100;

struct Point {
    double x, y;
};
typedef std::vector<Point> Polyline;

// Loops of SEGMENTS_PER_LOOP segments at seeded random places and sizes.
std::vector<Polyline> makeDrawing(int segments)
{
    std::vector<Polyline> drawing;
    uint32_t seed = 12345;
    auto uniform = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / double(1u << 24);
    };
    for (int done = 0; done < segments; done += SEGMENTS_PER_LOOP) {
        const double radius = 0.1 + 0.6 * uniform();
        const double cx = radius + (PAGE_WIDTH - 2 * radius) * uniform();
        const double cy = radius + (PAGE_HEIGHT - 2 * radius) * uniform();
        const double waves = 2 + std::floor(6 * uniform()), phase = 6.2832 * uniform();
        Polyline loop;
        for (int i = 0; i <= SEGMENTS_PER_LOOP; ++i) {
            const double a = 6.283185307179586 * i / SEGMENTS_PER_LOOP;
            const double r = radius * (1 + 0.15 * std::sin(waves * a + phase));
            loop.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
        }
        drawing.push_back(std::move(loop));
    }
    return drawing;
}

const std::vector<Polyline>& drawing(int segments)
{
    static std::vector<Polyline> small = makeDrawing(10000), large = makeDrawing(100000);
    return segments <= 10000 ? small : large;
}

size_t writeWithPdfDocument(const std::vector<Polyline>& lines, bool compress)
{
    PdfDocument pdf;
    pdf.enableCompression(compress);
    pdf.open();
    pdf.initPage(1, 0, "0 0 590 432", "0 0 590 432");
    pdf.setTitle("Vector graphic exported from Quillmap");
    pdf.setLineJoin(0);
    pdf.setLineCap(1);
    pdf.setRGBStrokeColor(0, 0, 0);
    pdf.setLineWidth(2);
    for (const Polyline& line : lines) {
        pdf.moveTo(line[0].x, line[0].y);
        for (size_t i = 1; i < line.size(); ++i)
            pdf.lineTo(line[i].x, line[i].y);
        pdf.stroke();
    }
    if (!pdf.finalize())
        return 0;
    return pdf.output().size();
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The same page in points, y downwards as cairo has it.
std::string writeWithCairo(const std::vector<Polyline>& lines)
{
    std::string file;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(appendBytes, &file, 590, 432);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Vector graphic exported from Quillmap");
    cairo_t* cr = cairo_create(surface);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 2);
    for (const Polyline& line : lines) {
        cairo_move_to(cr, line[0].x * 72, 432 - line[0].y * 72);
        for (size_t i = 1; i < line.size(); ++i)
            cairo_line_to(cr, line[i].x * 72, 432 - line[i].y * 72);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return file;
}

// Size of cairo's file with its streams inflated, or -1 without qpdf.
double inflatedSize(const std::string& file)
{
    char dir[] = "/tmp/pdfbenchXXXXXX";
    if (!mkdtemp(dir))
        return -1;
    const std::string in = std::string(dir) + "/cairo.pdf", out = std::string(dir) + "/inflated.pdf";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    double size = -1;
    if (f && std::fwrite(file.data(), 1, file.size(), f) == file.size() && std::fclose(f) == 0) {
        const std::string command =
            "qpdf --stream-data=uncompress --object-streams=disable '" + in + "' '" + out + "' 2>/dev/null";
        struct stat info;
        if (std::system(command.c_str()) == 0 && stat(out.c_str(), &info) == 0)
            size = double(info.st_size);
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(dir);
    return size;
}

void BM_PdfDocument(benchmark::State& state)
{
    const std::vector<Polyline>& lines = drawing(int(state.range(0)));
    const bool compress = state.range(1) != 0;
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = writeWithPdfDocument(lines, compress);
        benchmark::DoNotOptimize(bytes);
    }
    if (bytes == 0)
        state.SkipWithError("the writer reported an error");
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_PdfDocument)
    ->ArgNames({"segments", "compressed"})
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_Cairo(benchmark::State& state)
{
    const std::vector<Polyline>& lines = drawing(int(state.range(0)));
    std::string file;
    for (auto _ : state) {
        file = writeWithCairo(lines);
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_bytes"] = double(file.size());
    state.counters["cairo_inflated_bytes"] = inflatedSize(file);
}
BENCHMARK(BM_Cairo)->ArgNames({"segments"})->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
