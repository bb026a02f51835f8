// A small PDF writer for one vector drawing per document.

#include "output/PdfDocument.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace {

const char* const SOURCE = "PDFWriter";
const char* const FILTER = "/FlateDecode";
const char* const PRODUCER_NAME = "Quillmap PDF Writer";
const char* const PRODUCER_VERSION = "1.0";
const char* const PRODUCER_PLATFORM = "Linux";

// Second header line: bytes above 127 tell transfer programs the file is
// binary. It is written as a comment ("%" first): MuPDF reads a bare line of
// them as a broken object.
const unsigned char BINARY_MARK[23] = {0x7a, 0x47, 0x5f, 0xd5, 0xf9, 0xdf, 0x4a, 0xa4, 0x18, 0xb7, 0xb0, 0x23,
                                       0x73, 0x36, 0x1f, 0xa6, 0x64, 0x52, 0x20, 0x4c, 0x84, 0x73, 0x1f};

// Object numbers before the pages: catalog, outline root, page tree, procedure set.
const int CATALOG_OBJECT = 1;
const int OUTLINES_OBJECT = 2;
const int PAGES_OBJECT = 3;
const int PROCSET_OBJECT = 4;
const int FIRST_PAGE_OBJECT = 5;

std::string truncated(const std::string& text, size_t length)
{
    return text.size() <= length ? text : text.substr(0, length);
}

// The text as the inside of a PDF literal string: parentheses and backslashes
// are escaped, and so are control bytes, which readers would otherwise
// normalise or take as line ends.
std::string escapedLiteral(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7f) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        } else {
            out += char(c);
        }
    }
    return out;
}

// Parses "llx lly urx ury": four finite numbers, nothing else, with a
// positive width and height.
bool parseBox(const std::string& text, double box[4])
{
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 4; ++i) {
        while (p < end && *p == ' ')
            ++p;
        std::from_chars_result r = std::from_chars(p, end, box[i]);
        if (r.ec != std::errc() || !std::isfinite(box[i]))
            return false;
        p = r.ptr;
    }
    while (p < end && *p == ' ')
        ++p;
    return p == end && box[2] > box[0] && box[3] > box[1];
}

} // namespace

PdfDocument::PdfDocument()
    : state_(CREATED), failed_(false), compress_(false), versionMajor_(1), versionMinor_(1),
      creator_("A Quillmap PDF program"), title_("No Title"), subject_("None"), keywords_("QuillmapPDF"),
      current_(-1), handler_(&PdfDocument::printError)
{
}

PdfDocument::~PdfDocument()
{
    close();
}

void PdfDocument::printError(int, const char* source, const char* message)
{
    std::fprintf(stderr, "%s: %s.\n", source, message);
}

void PdfDocument::setErrorHandler(ErrorHandler handler)
{
    handler_ = handler ? std::move(handler) : ErrorHandler(&PdfDocument::printError);
}

void PdfDocument::error(int status, const char* source, const char* format, ...)
{
    char message[1200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (status < 0)
        failed_ = true;
    handler_(status, source, message);
}

void PdfDocument::enableCompression(bool on)
{
    compress_ = on;
    if (on && versionMinor_ < 2)
        versionMinor_ = 2;
}

bool PdfDocument::open()
{
    if (state_ != CREATED)
        return state_ == OPENED && !failed_;
    state_ = OPENED;
    author_ = truncated("Quillmap User", MAX_AUTHOR_LENGTH);
    return true;
}

// Whether the document takes drawing and page calls now.
bool PdfDocument::ready()
{
    if (failed_)
        return false;
    switch (state_) {
    case OPENED:
        return true;
    case CREATED:
        error(-1, SOURCE, "open() has not been called.");
        return false;
    case FINALIZED:
        error(1, SOURCE, "The document is already finalized");
        return false;
    case CLOSED:
        error(1, SOURCE, "The document is closed");
        return false;
    }
    return false;
}

bool PdfDocument::initPage(int pageNumber, int rotation, const std::string& mediaBox, const std::string& cropBox)
{
    if (!ready())
        return false;
    if (pageNumber < 1) {
        error(1, SOURCE, "Page number must be 1 or greater");
        return false;
    }
    if (pageNumber >= MAX_PAGES) {
        error(1, SOURCE, "Too many pages: %d. Increase the page limit of the document", pageNumber);
        return false;
    }
    auto at = std::lower_bound(pages_.begin(), pages_.end(), pageNumber,
                               [](const Page& page, int number) { return page.number < number; });
    if (at != pages_.end() && at->number == pageNumber) {
        error(1, SOURCE, "Page %d is already initialized", pageNumber);
        current_ = int(at - pages_.begin());
        return true;
    }
    double media[4], crop[4];
    if (mediaBox.size() > MAX_BOX_LENGTH || !parseBox(mediaBox, media)) {
        error(-1, SOURCE, "Page %d: media box \"%.80s\" is not a finite, non-empty rectangle", pageNumber,
              mediaBox.c_str());
        return false;
    }
    if (cropBox.size() > MAX_BOX_LENGTH || !parseBox(cropBox, crop)) {
        error(-1, SOURCE, "Page %d: crop box \"%.80s\" is not a finite, non-empty rectangle", pageNumber,
              cropBox.c_str());
        return false;
    }
    Page page;
    if (!page.content.isValid()) {
        error(-1, SOURCE, "Out of memory for the content of page %d", pageNumber);
        return false;
    }
    page.number = pageNumber;
    page.rotation = rotation == 2 ? 90 : rotation == 1 ? 270 : 0;
    page.mediaBox = mediaBox;
    page.cropBox = cropBox;
    at = pages_.insert(at, std::move(page));
    current_ = int(at - pages_.begin());
    // The default plot domain: inches over the media box, 72 points each.
    const double width = media[2] - media[0], height = media[3] - media[1];
    return setPlotDomain(0, width / 72, 0, height / 72, media[0], media[1], width, height);
}

bool PdfDocument::setPlotDomain(double xMin, double xMax, double yMin, double yMax, double originX,
                                double originY, double widthPoints, double heightPoints)
{
    Page* page = currentPage("setPlotDomain()");
    if (!page)
        return false;
    const double xScale = widthPoints / (xMax - xMin), yScale = heightPoints / (yMax - yMin);
    if (!(xMax > xMin) || !(yMax > yMin) || !std::isfinite(xScale) || !std::isfinite(yScale) ||
        !std::isfinite(xMin) || !std::isfinite(yMin) || !std::isfinite(originX) || !std::isfinite(originY)) {
        error(1, SOURCE, "Plot domain must be a finite, non-empty range");
        return false;
    }
    page->domain.set = true;
    page->domain.xMin = xMin;
    page->domain.yMin = yMin;
    page->domain.xScale = xScale;
    page->domain.yScale = yScale;
    page->domain.originX = originX;
    page->domain.originY = originY;
    return true;
}

void PdfDocument::setCreator(const std::string& text)
{
    creator_ = truncated(text, MAX_INFO_LENGTH);
}

void PdfDocument::setTitle(const std::string& text)
{
    title_ = truncated(text, MAX_INFO_LENGTH);
}

void PdfDocument::setSubject(const std::string& text)
{
    subject_ = truncated(text, MAX_INFO_LENGTH);
}

void PdfDocument::setKeywords(const std::string& text)
{
    keywords_ = truncated(text, MAX_KEYWORDS_LENGTH);
}

PdfDocument::Page* PdfDocument::currentPage(const char* operation)
{
    if (!ready())
        return nullptr;
    if (current_ < 0) {
        error(1, SOURCE, "%s: no page has been initialized", operation);
        return nullptr;
    }
    return &pages_[current_];
}

void PdfDocument::emit(const char* text, size_t length)
{
    Page* page = currentPage("content");
    if (page && !page->content.append(text, length))
        error(-1, SOURCE, "Out of memory for the content of page %d", page->number);
}

// Writes "v1 v2 ... op\n" with each value in fixed notation. Numbers are
// formatted without the C locale, so a decimal comma can never reach the file.
void PdfDocument::emitNumbers(const double* values, int count, int decimals, const char* op)
{
    char line[512];
    char* p = line;
    char* const end = line + sizeof line;
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            error(-1, SOURCE, "Operator %s: value %d is not a finite number", op, i + 1);
            return;
        }
        std::to_chars_result r = std::to_chars(p, end - 8, values[i], std::chars_format::fixed, decimals);
        if (r.ec != std::errc()) {
            error(-1, SOURCE, "Operator %s: value %d is too large", op, i + 1);
            return;
        }
        p = r.ptr;
        *p++ = ' ';
    }
    const size_t opLength = std::strlen(op);
    std::memcpy(p, op, opLength);
    p += opLength;
    *p++ = '\n';
    emit(line, size_t(p - line));
}

void PdfDocument::setLineJoin(int join)
{
    char line[24];
    emit(line, size_t(std::snprintf(line, sizeof line, "%d j\n", join)));
}

void PdfDocument::setLineCap(int cap)
{
    char line[24];
    emit(line, size_t(std::snprintf(line, sizeof line, "%d J\n", cap)));
}

void PdfDocument::setRGBStrokeColor(float r, float g, float b)
{
    const double rgb[3] = {r, g, b};
    emitNumbers(rgb, 3, 4, "RG");
}

void PdfDocument::setLineWidth(float width)
{
    const double w = width;
    emitNumbers(&w, 1, 4, "w");
}

void PdfDocument::drawTo(double x, double y, const char* op)
{
    Page* page = currentPage(op);
    if (!page)
        return;
    double xy[2] = {0, 0};
    if (page->domain.set) {
        xy[0] = page->domain.originX + (x - page->domain.xMin) * page->domain.xScale;
        xy[1] = page->domain.originY + (y - page->domain.yMin) * page->domain.yScale;
    } else {
        error(2, SOURCE, "Plot domain has not been set. See setPlotDomain()");
        error(1, SOURCE, "Plot domain has not been set. See setPlotDomain()");
    }
    emitNumbers(xy, 2, 3, op);
}

void PdfDocument::moveTo(double x, double y)
{
    drawTo(x, y, "m");
}

void PdfDocument::lineTo(double x, double y)
{
    drawTo(x, y, "l");
}

void PdfDocument::stroke()
{
    emit("S\n", 2);
}

// Compresses the page's content when compression is on.
bool PdfDocument::finishPage(Page& page)
{
    if (!page.content.isValid()) {
        error(-1, SOURCE, "The content stream of page %d is damaged", page.number);
        return false;
    }
    if (!compress_)
        return true;
    const uLong length = uLong(page.content.size());
    uLongf room = std::max<uLongf>(uLongf(length * 0.001 + 16 + length), compressBound(length));
    try {
        page.compressed.resize(room);
    } catch (const std::bad_alloc&) {
        error(-1, SOURCE, "Out of memory compressing page %d", page.number);
        return false;
    }
    const int code = compress(page.compressed.data(), &room,
                              reinterpret_cast<const Bytef*>(page.content.data()), length);
    if (code != Z_OK) {
        error(-1, "ZLIB compress", "code=%d", code);
        return false;
    }
    page.compressed.resize(room);
    page.isCompressed = true;
    return true;
}

namespace {

// Appends formatted text to the output; remembers a failure to append.
class Writer {
public:
    explicit Writer(PdfMemoryStream& out) : out_(out) {}
    void put(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        char text[2048];
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        if (length < 0 || size_t(length) >= sizeof text)
            ok_ = false;
        else
            bytes(text, size_t(length));
    }
    void bytes(const void* data, size_t count)
    {
        if (ok_ && !out_.append(static_cast<const char*>(data), count))
            ok_ = false;
    }
    long offset() const { return long(out_.size()); }
    bool ok() const { return ok_; }

private:
    PdfMemoryStream& out_;
    bool ok_ = true;
};

std::string creationDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

} // namespace

bool PdfDocument::finalize()
{
    if (state_ == FINALIZED && !failed_)
        return true;
    if (!ready())
        return false;
    if (pages_.empty()) {
        error(-1, SOURCE, "No page has been initialized; there is nothing to write");
        return false;
    }
    for (Page& page : pages_)
        if (!finishPage(page))
            return false;
    if (!output_.isValid()) {
        error(-1, SOURCE, "The output stream is damaged");
        return false;
    }
    output_.clear();
    if (!writeFile()) {
        error(-1, SOURCE, "Out of memory writing the document");
        return false;
    }
    state_ = FINALIZED;
    return true;
}

bool PdfDocument::writeFile()
{
    const int pageCount = int(pages_.size());
    const int infoObject = FIRST_PAGE_OBJECT + 2 * pageCount;
    const int objectCount = infoObject + 1;
    offsets_.assign(size_t(objectCount), 0);
    Writer w(output_);

    w.put("%%PDF-%d.%d\n%%", versionMajor_, versionMinor_);
    w.bytes(BINARY_MARK, sizeof BINARY_MARK);
    w.bytes("\n", 1);

    offsets_[CATALOG_OBJECT] = w.offset();
    w.put("%d 0 obj\n<<\n/Type /Catalog\n/Pages %d 0 R\n/Outlines %d 0 R\n>>\nendobj\n", CATALOG_OBJECT,
          PAGES_OBJECT, OUTLINES_OBJECT);

    offsets_[OUTLINES_OBJECT] = w.offset();
    w.put("%d 0 obj\n<<\n/Type /Outlines\n/Count %d\n>>\nendobj\n", OUTLINES_OBJECT, 0);

    offsets_[PAGES_OBJECT] = w.offset();
    w.put("%d 0 obj\n<<\n/Type /Pages\n/Count %d\n/Kids [ ", PAGES_OBJECT, pageCount);
    for (int k = 0; k < pageCount; ++k)
        w.put("%d 0 R ", FIRST_PAGE_OBJECT + 2 * k);
    w.put("]\n>>\nendobj\n");

    offsets_[PROCSET_OBJECT] = w.offset();
    w.put("%d 0 obj\n[/PDF /Text]\nendobj\n", PROCSET_OBJECT);

    for (int k = 0; k < pageCount; ++k) {
        const Page& page = pages_[size_t(k)];
        const int pageObject = FIRST_PAGE_OBJECT + 2 * k, contentObject = pageObject + 1;
        offsets_[size_t(pageObject)] = w.offset();
        w.put("%d 0 obj\n<<\n/Type /Page\n/Parent %d 0 R\n/Resources <<\n/ProcSet %d 0 R >>\n"
              "/MediaBox [%s]\n/CropBox [%s]\n/Rotate %d\n/Contents %d 0 R\n>>\nendobj\n",
              pageObject, PAGES_OBJECT, PROCSET_OBJECT, page.mediaBox.c_str(), page.cropBox.c_str(),
              page.rotation, contentObject);

        offsets_[size_t(contentObject)] = w.offset();
        w.put("%d 0 obj\n", contentObject);
        if (page.isCompressed) {
            w.put("<<\n/Length %ld\n/Filter [%s]\n>>\nstream\n", long(page.compressed.size()), FILTER);
            w.bytes(page.compressed.data(), page.compressed.size());
        } else {
            w.put("<</Length %d>>\nstream\n", int(page.content.size()));
            w.bytes(page.content.data(), page.content.size());
        }
        w.put("\nendstream\nendobj\n");
    }

    offsets_[size_t(infoObject)] = w.offset();
    w.put("%d 0 obj\n<<\n", infoObject);
    w.put("/Creator (%s)\n", escapedLiteral(creator_).c_str());
    w.put("/CreationDate (D:%s)\n", creationDate().c_str());
    w.put("/Producer ([%s %s] %s)\n", PRODUCER_NAME, PRODUCER_VERSION, PRODUCER_PLATFORM);
    w.put("/Author (User: %s)\n", escapedLiteral(author_).c_str());
    w.put("/Title (%s)\n", escapedLiteral(title_).c_str());
    w.put("/Subject (%s)\n", escapedLiteral(subject_).c_str());
    w.put("/Keywords (%s)\n", escapedLiteral(keywords_).c_str());
    w.put(">>\nendobj\n");

    const long xref = w.offset();
    w.put("xref\n0 %d\n0000000000 65535 f \n", objectCount);
    for (int object = 1; object < objectCount; ++object)
        w.put("%010ld 00000 n \n", offsets_[size_t(object)]);
    w.put("trailer\n<<\n/Size %d\n/Root %d 0 R\n/Info %d 0 R\n>>\nstartxref\n%ld\n", objectCount,
          CATALOG_OBJECT, infoObject, xref);
    w.put("%%%%EOF\n");
    return w.ok();
}

int PdfDocument::saveToFile(const std::string& fileName)
{
    if (fileName.empty() || fileName.size() > MAX_FILENAME_LENGTH) {
        error(1, SOURCE, "Cannot save: the file name is empty or longer than %d characters",
              int(MAX_FILENAME_LENGTH));
        return -1;
    }
    if (failed_ || state_ != FINALIZED) {
        error(1, SOURCE, "Cannot save %.1022s: the document %s", fileName.c_str(),
              failed_ ? "was abandoned after an error" : "has not been finalized");
        return -1;
    }
    fileName_ = fileName;
    if (fileName == "-") {
        const size_t written = std::fwrite(output_.data(), 1, output_.size(), stdout);
        if (written != output_.size() || std::fflush(stdout) != 0) {
            error(1, SOURCE, "Cannot write the document to standard output: %s", std::strerror(errno));
            return -1;
        }
        return 0;
    }
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) {
        error(1, SOURCE, "Cannot open %.1022s for writing: %s", fileName.c_str(), std::strerror(errno));
        return -1;
    }
    const size_t written = std::fwrite(output_.data(), 1, output_.size(), file);
    int writeErrno = written == output_.size() ? 0 : (errno ? errno : EIO);
    if (std::fclose(file) != 0 && writeErrno == 0)
        writeErrno = errno ? errno : EIO;
    if (writeErrno != 0) {
        // An incomplete file would pass for a drawing; a device stays as it is.
        struct stat info;
        if (stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            std::remove(fileName.c_str());
        error(1, SOURCE, "Cannot write %.1022s: %s", fileName.c_str(), std::strerror(writeErrno));
        return -1;
    }
    return 0;
}

void PdfDocument::close()
{
    pages_.clear();
    offsets_.clear();
    output_.release();
    current_ = -1;
    state_ = CLOSED;
}
