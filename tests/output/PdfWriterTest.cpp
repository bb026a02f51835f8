// The PDF writer: files are checked by qpdf, rendered by poppler and MuPDF,
// their cross-reference table is parsed here, and compressed content is
// inflated with zlib and compared with the plain content.

#include <gtest/gtest.h>

#include "output/PdfDocument.h"
#include "support/PdfChecks.h"

#include <zlib.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class PdfWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.empty()); }

    std::string validate(const std::string& path) { return scratch.pdfComplaints(path); }

    ScratchDirectory scratch{ "pdfwriter" };
    const std::string& dir = scratch.dir;
};

// A page of 4 x 2 inches with a horizontal stroke at 1 inch height from 1 to
// 3 inches and a vertical one at half an inch from 0.25 to 1.75 inches.
void drawSample(PdfDocument& pdf, bool compress)
{
    pdf.enableCompression(compress);
    ASSERT_TRUE(pdf.open());
    ASSERT_TRUE(pdf.initPage(1, 0, "0 0 288 144", "0 0 288 144"));
    pdf.setLineJoin(0);
    pdf.setLineCap(1);
    pdf.setRGBStrokeColor(0, 0, 0);
    pdf.setLineWidth(2);
    pdf.moveTo(1, 1);
    pdf.lineTo(3, 1);
    pdf.stroke();
    pdf.moveTo(0.5, 0.25);
    pdf.lineTo(0.5, 1.75);
    pdf.stroke();
}

// The bytes of the stream of object `object`, checked to end where its
// /Length says.
std::string streamOf(const std::string& file, int object)
{
    const size_t start = file.find("\n" + std::to_string(object) + " 0 obj\n");
    const size_t lengthAt = file.find("/Length ", start);
    const size_t data = file.find("stream\n", lengthAt);
    if (start == std::string::npos || lengthAt == std::string::npos || data == std::string::npos)
        return "<no stream>";
    const size_t length = std::stoul(file.substr(lengthAt + 8));
    if (file.compare(data + 7 + length, 11, "\nendstream\n") != 0)
        return "<length does not end the stream>";
    return file.substr(data + 7, length);
}

} // namespace

TEST_F(PdfWriterTest, OnePageFileIsValidAndItsCrossReferencesPointAtTheObjects)
{
    for (bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        const std::string path = dir + (compress ? "packed.pdf" : "plain.pdf");
        PdfDocument pdf;
        drawSample(pdf, compress);
        ASSERT_TRUE(pdf.finalize());
        ASSERT_EQ(pdf.saveToFile(path), 0);
        EXPECT_EQ(validate(path), "");

        const std::string file = readFile(path);
        EXPECT_EQ(file.substr(0, 9), compress ? "%PDF-1.2\n" : "%PDF-1.1\n");
        EXPECT_EQ(file.find("/Filter [/FlateDecode]") != std::string::npos, compress);

        // Catalog, outlines, page tree, procedure set, page, content, Info.
        size_t objects = 0;
        for (size_t at = file.find(" 0 obj\n"); at != std::string::npos; at = file.find(" 0 obj\n", at + 1))
            ++objects;
        EXPECT_EQ(objects, 7u);
        EXPECT_NE(file.find("trailer\n<<\n/Size 8\n/Root 1 0 R\n/Info 7 0 R\n>>\n"), std::string::npos);

        const size_t startxref = file.rfind("startxref\n");
        ASSERT_NE(startxref, std::string::npos);
        const size_t xref = std::stoul(file.substr(startxref + 10));
        ASSERT_EQ(file.compare(xref, 5, "xref\n"), 0) << "startxref " << xref;
        std::istringstream table(file.substr(xref + 5));
        int first = -1, count = -1;
        table >> first >> count;
        EXPECT_EQ(first, 0);
        ASSERT_EQ(count, 8);
        table.get();
        std::string entry(20, ' ');
        table.read(entry.data(), 20);
        EXPECT_EQ(entry, "0000000000 65535 f \n");
        for (int object = 1; object < count; ++object) {
            table.read(entry.data(), 20);
            ASSERT_EQ(entry.substr(10), " 00000 n \n") << "object " << object;
            const size_t offset = std::stoul(entry.substr(0, 10));
            const std::string head = std::to_string(object) + " 0 obj\n";
            EXPECT_EQ(file.compare(offset, head.size(), head), 0) << "object " << object << " at " << offset;
        }
        EXPECT_EQ(file.substr(file.size() - 6), "%%EOF\n");
    }
}

TEST_F(PdfWriterTest, ContentIsInPointsAndCompressionInflatesToTheSameBytes)
{
    std::string plainStream;
    for (bool compress : {false, true}) {
        PdfDocument pdf;
        drawSample(pdf, compress);
        ASSERT_TRUE(pdf.finalize());
        const std::string file(pdf.output().data(), pdf.output().size());
        std::string stream = streamOf(file, 6);
        if (!compress) {
            // One inch is 72 points, written with three decimals.
            EXPECT_EQ(stream, "0 j\n1 J\n0.0000 0.0000 0.0000 RG\n2.0000 w\n"
                              "72.000 72.000 m\n216.000 72.000 l\nS\n36.000 18.000 m\n36.000 126.000 l\nS\n");
            plainStream = stream;
            continue;
        }
        std::string inflated(plainStream.size() + 64, '\0');
        uLongf length = uLongf(inflated.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &length,
                             reinterpret_cast<const Bytef*>(stream.data()), uLong(stream.size())),
                  Z_OK);
        inflated.resize(length);
        EXPECT_EQ(inflated, plainStream);
    }
}

TEST_F(PdfWriterTest, InfoStringsAreEscapedAndTruncated)
{
    ASSERT_EQ(run("command -v pdfinfo").status, 0) << "pdfinfo is missing: install the Debian package poppler-utils";
    const std::string title = "Lines (draft \\ 2)) (";
    const std::string subject(70, 's');
    PdfDocument pdf;
    drawSample(pdf, false);
    pdf.setTitle(title);
    pdf.setSubject(subject);
    pdf.setKeywords("a\\b");
    ASSERT_TRUE(pdf.finalize());
    const std::string path = dir + "info.pdf";
    ASSERT_EQ(pdf.saveToFile(path), 0);
    EXPECT_EQ(validate(path), "");
    const std::string info = run("pdfinfo '" + path + "'").output;
    EXPECT_NE(info.find("Title:           " + title + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Subject:         " + subject.substr(0, 62) + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Keywords:        a\\b\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Author:          User: Quillmap User\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         A Quillmap PDF program\n"), std::string::npos) << info;
}

TEST_F(PdfWriterTest, ErrorsAreReportedAndAbandonTheDocumentButNotTheProgram)
{
    struct Report {
        int status;
        std::string source, message;
    };
    std::vector<Report> reports;
    auto collect = [&](PdfDocument& pdf) {
        pdf.setErrorHandler([&](int status, const char* source, const char* message) {
            reports.push_back({status, source, message});
        });
    };

    // The default handler prints and returns.
    {
        PdfDocument pdf;
        ::testing::internal::CaptureStderr();
        pdf.moveTo(1, 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "PDFWriter: open() has not been called..\n");
        EXPECT_TRUE(pdf.failed());
        EXPECT_FALSE(pdf.finalize());
        EXPECT_EQ(pdf.saveToFile(dir + "unopened.pdf"), -1);
        EXPECT_FALSE(exists(dir + "unopened.pdf"));
    }

    // Page numbers: recoverable, the document goes on.
    {
        PdfDocument pdf;
        collect(pdf);
        pdf.open();
        EXPECT_FALSE(pdf.initPage(0, 0, "0 0 72 72", "0 0 72 72"));
        EXPECT_FALSE(pdf.initPage(100, 0, "0 0 72 72", "0 0 72 72"));
        EXPECT_TRUE(pdf.initPage(1, 2, "0 0 72 72", "0 0 72 72"));
        EXPECT_TRUE(pdf.initPage(1, 0, "0 0 72 72", "0 0 72 72"));
        ASSERT_EQ(reports.size(), 3u);
        EXPECT_EQ(reports[0].message, "Page number must be 1 or greater");
        EXPECT_EQ(reports[1].message, "Too many pages: 100. Increase the page limit of the document");
        EXPECT_EQ(reports[2].message, "Page 1 is already initialized");
        for (const Report& r : reports)
            EXPECT_EQ(r.status, 1) << r.message;
        EXPECT_FALSE(pdf.failed());
        EXPECT_TRUE(pdf.finalize());
        const std::string file(pdf.output().data(), pdf.output().size());
        EXPECT_NE(file.find("/Rotate 90\n"), std::string::npos);
        reports.clear();
    }

    // Degenerate boxes and non-finite numbers leave no file behind.
    const char* badBoxes[] = {"0 0 0 590", "0 0 590 nan", "0 0 590 inf", "0 0 590", "0 0 590 590 ]"};
    for (const char* box : badBoxes) {
        PdfDocument pdf;
        collect(pdf);
        pdf.open();
        EXPECT_FALSE(pdf.initPage(1, 0, box, box)) << box;
        EXPECT_FALSE(pdf.finalize()) << box;
        EXPECT_EQ(pdf.saveToFile(dir + "box.pdf"), -1) << box;
        EXPECT_FALSE(exists(dir + "box.pdf")) << box;
        ASSERT_FALSE(reports.empty()) << box;
        EXPECT_EQ(reports[0].status, -1) << box;
        EXPECT_NE(reports[0].message.find("media box"), std::string::npos) << reports[0].message;
        reports.clear();
    }
    for (double bad : {double(NAN), double(INFINITY), 1e308}) {
        PdfDocument pdf;
        collect(pdf);
        drawSample(pdf, false);
        pdf.lineTo(bad, 1);
        pdf.stroke();
        EXPECT_TRUE(pdf.failed()) << bad;
        EXPECT_FALSE(pdf.finalize()) << bad;
        EXPECT_FALSE(exists(dir + "nan.pdf"));
        ASSERT_FALSE(reports.empty()) << bad;
        EXPECT_EQ(reports[0].status, -1);
        reports.clear();
    }
}

TEST_F(PdfWriterTest, SaveFailuresAreReportedAndTheDocumentCanBeSavedElsewhere)
{
    std::vector<std::string> messages;
    PdfDocument pdf;
    pdf.setErrorHandler([&](int, const char*, const char* message) { messages.push_back(message); });
    drawSample(pdf, false);
    ASSERT_TRUE(pdf.finalize());

    const std::string missing = dir + "no/such/folder/out.pdf";
    EXPECT_EQ(pdf.saveToFile(missing), -1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(missing), std::string::npos) << messages[0];

    // A device that takes no data: the write itself fails, not the open.
    if (exists("/dev/full")) {
        EXPECT_EQ(pdf.saveToFile("/dev/full"), -1);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_NE(messages[1].find("/dev/full"), std::string::npos) << messages[1];
        EXPECT_TRUE(exists("/dev/full"));
    }

    const std::string good = dir + "good.pdf";
    EXPECT_EQ(pdf.saveToFile(good), 0);
    EXPECT_EQ(readFile(good), std::string(pdf.output().data(), pdf.output().size()));
}

TEST(PdfMemoryStreamTest, GrowsByDoublingThenBySixtyFourKilobytesAndStaysTerminated)
{
    PdfMemoryStream stream;
    std::vector<size_t> capacities{stream.capacity()};
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        const char c = char('a' + i % 26);
        ASSERT_TRUE(stream.append(&c, 1));
        expected += c;
        if (stream.capacity() != capacities.back())
            capacities.push_back(stream.capacity());
    }
    const std::vector<size_t> worked{256, 512, 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 196608, 262144};
    EXPECT_EQ(capacities, worked);
    ASSERT_EQ(stream.size(), expected.size());
    EXPECT_EQ(std::string(stream.data()), expected); // the zero byte ends the text exactly

    stream.release();
    EXPECT_FALSE(stream.isValid());
    EXPECT_FALSE(stream.append("x"));
}
