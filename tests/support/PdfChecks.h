#ifndef QUILLMAP_TESTS_PDFCHECKS_H
#define QUILLMAP_TESTS_PDFCHECKS_H

// What the tests of written PDF files share: running a command, reading a
// file, a scratch directory, and the three independent readers every
// written PDF must satisfy (qpdf, poppler's pdftoppm, MuPDF's mutool).

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct ToolRun {
    int status = -1;
    std::string output; // standard output and standard error together
};

inline ToolRun run(const std::string& command)
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

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// A fresh directory below the test's temporary directory, removed with the
// object; `dir` ends with '/', and is empty when none could be made.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* prefix)
    {
        std::string pattern = ::testing::TempDir() + prefix + "XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr)
            dir = pattern + "/";
    }
    ~ScratchDirectory()
    {
        if (!dir.empty())
            run("rm -rf '" + dir + "'");
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // What qpdf, pdftoppm and mutool say against the PDF file; empty when all
    // three take it silently. A missing reader is named with its package.
    std::string pdfComplaints(const std::string& path) const
    {
        const char* tools[3][2] = { { "qpdf", "qpdf" }, { "pdftoppm", "poppler-utils" }, { "mutool", "mupdf-tools" } };
        for (auto& tool : tools)
            if (run(std::string("command -v ") + tool[0]).status != 0)
                return std::string(tool[0]) + " is missing: install the Debian package " + tool[1] +
                       " (listed in .ci/install-deps)";
        std::string said;
        const ToolRun qpdf = run("qpdf --check '" + path + "'");
        if (qpdf.status != 0 || qpdf.output.find("No syntax or stream encoding errors") == std::string::npos ||
            qpdf.output.find("WARNING") != std::string::npos)
            said += "qpdf --check: " + qpdf.output;
        const ToolRun poppler = run("pdftoppm -r 36 -gray '" + path + "' '" + dir + "check'");
        if (poppler.status != 0 || !poppler.output.empty())
            said += "pdftoppm: " + poppler.output;
        ToolRun mupdf = run("mutool draw -q -r 36 -o '" + dir + "check.png' '" + path + "'");
        // Debian's MuPDF, built without colour management, says this of
        // every file that sets a colour; it is no complaint about the file.
        const std::string noIcc = "warning: ICC support is not available\n";
        if (mupdf.output.compare(0, noIcc.size(), noIcc) == 0)
            mupdf.output.erase(0, noIcc.size());
        if (mupdf.status != 0 || !mupdf.output.empty())
            said += "mutool draw: " + mupdf.output;
        return said;
    }

    std::string dir;
};

#endif // QUILLMAP_TESTS_PDFCHECKS_H
