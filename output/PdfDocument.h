#ifndef QUILLMAP_PDFDOCUMENT_H
#define QUILLMAP_PDFDOCUMENT_H

// A small PDF writer for vector drawings: it holds one document, collects
// each page's content stream in memory (optionally compressed with zlib's
// FlateDecode), writes the whole file into memory on finalize() and saves it
// to a file. Coordinates are inches, mapped to page points through the
// page's plot domain (72 points per inch over the media box).
//
// Errors go to the document's error handler with a status, a source and a
// message. A negative status abandons the document: every later call does
// nothing, finalize() and saveToFile() fail, and no file is written. The
// program itself always goes on.
//
// Calling order: construct, enableCompression, open, initPage, set the
// Info strings and draw, finalize, saveToFile, close (or destroy).

#include "output/PdfMemoryStream.h"

#include <functional>
#include <string>
#include <vector>

class PdfDocument {
public:
    // Capacities of one document.
    static const int MAX_PAGES = 100;
    static const int MAX_FONTS = 100;
    static const int MAX_IMAGES = 100;
    static const int MAX_ANNOTATIONS = 100;
    static const int MAX_OBJECTS = 5000;

    // Longest Info strings and box texts, in bytes (before escaping).
    static const size_t MAX_INFO_LENGTH = 62;
    static const size_t MAX_KEYWORDS_LENGTH = 126;
    static const size_t MAX_AUTHOR_LENGTH = 60;
    static const size_t MAX_BOX_LENGTH = 62;
    static const size_t MAX_FILENAME_LENGTH = 1022;

    // status, source, message.
    typedef std::function<void(int, const char*, const char*)> ErrorHandler;

    // A new document with the default Info strings and the default error
    // handler (printError).
    PdfDocument();
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // Prints "source: message.\n" to standard error; never ends the program.
    static void printError(int status, const char* source, const char* message);
    void setErrorHandler(ErrorHandler handler);

    // Off: content streams are written as they are (version 1.1). On: they
    // are compressed and the version is raised to at least 1.2.
    void enableCompression(bool on);
    bool compressionEnabled() const { return compress_; }
    int versionMajor() const { return versionMajor_; }
    int versionMinor() const { return versionMinor_; }

    // Must be the first call after construction (enableCompression and the
    // Info setters may come before it); sets the author to "Quillmap User".
    bool open();

    // Starts page `pageNumber` (1 or greater, below MAX_PAGES) and makes it
    // current, with its default plot domain over the media box. Rotation
    // code 2 gives 90 degrees, 1 gives 270, anything else 0. The boxes are
    // "llx lly urx ury" in points and must describe a finite, non-empty
    // rectangle. A page initialised twice is reported and made current.
    bool initPage(int pageNumber, int rotation, const std::string& mediaBox, const std::string& cropBox);

    // Info strings; the text is copied, truncated to the lengths above, and
    // written as an escaped PDF literal string.
    void setCreator(const std::string& text);
    void setTitle(const std::string& text);
    void setSubject(const std::string& text);
    void setKeywords(const std::string& text);
    const std::string& creator() const { return creator_; }
    const std::string& title() const { return title_; }
    const std::string& subject() const { return subject_; }
    const std::string& keywords() const { return keywords_; }
    const std::string& author() const { return author_; }

    // Content operators of the current page.
    void setLineJoin(int join);
    void setLineCap(int cap);
    void setRGBStrokeColor(float r, float g, float b);
    void setLineWidth(float width);
    // Coordinates in inches, mapped through the current plot domain.
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void stroke();

    // Maps user coordinates [xMin, xMax] x [yMin, yMax] linearly onto the
    // rectangle of the current page starting at (originX, originY) points
    // with the given size in points. initPage sets the default domain.
    bool setPlotDomain(double xMin, double xMax, double yMin, double yMax,
                       double originX, double originY, double widthPoints, double heightPoints);

    // Writes the whole file into the output stream. Runs once; fails when
    // the document was abandoned or has no page.
    bool finalize();
    const PdfMemoryStream& output() const { return output_; }

    // Writes the finished file; "-" means standard output. Every write is
    // checked, and a file that could not be written completely is removed.
    // Returns 0, or -1 after reporting why; a failed save leaves the
    // document intact, so another name can be tried.
    int saveToFile(const std::string& fileName);

    // Releases everything; the document accepts no further calls.
    void close();

    // Whether an error with a negative status abandoned the document.
    bool failed() const { return failed_; }

private:
    struct PlotDomain {
        bool set = false;
        double xMin = 0, yMin = 0;
        double xScale = 1, yScale = 1;
        double originX = 0, originY = 0;
    };
    struct Page {
        int number = -1; // -1 while the page is not initialised
        int rotation = 0;
        std::string mediaBox, cropBox;
        PdfMemoryStream content;
        PlotDomain domain;
        std::vector<unsigned char> compressed;
        bool isCompressed = false;
    };

    void error(int status, const char* source, const char* format, ...);
    bool ready();
    Page* currentPage(const char* operation);
    void emit(const char* text, size_t length);
    void emitNumbers(const double* values, int count, int decimals, const char* op);
    void drawTo(double x, double y, const char* op);
    bool finishPage(Page& page);
    bool writeFile();

    enum State { CREATED, OPENED, FINALIZED, CLOSED };
    State state_;
    bool failed_;
    bool compress_;
    int versionMajor_, versionMinor_;
    std::string creator_, title_, subject_, keywords_, author_;
    std::vector<Page> pages_; // initialised pages, in the order of their numbers
    int current_;             // index of the current page in pages_, or -1
    PdfMemoryStream output_;
    std::vector<long> offsets_;
    std::string fileName_;
    ErrorHandler handler_;
};

#endif // QUILLMAP_PDFDOCUMENT_H
