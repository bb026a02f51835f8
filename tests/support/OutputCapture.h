#ifndef QUILLMAP_TESTS_OUTPUTCAPTURE_H
#define QUILLMAP_TESTS_OUTPUTCAPTURE_H

// Captures what the code under test prints, for checking its messages.

#include <unistd.h>

#include <cstdio>
#include <string>

// Everything written to a file descriptor (standard output unless told
// otherwise) between construction and text().
class OutputCapture {
public:
    explicit OutputCapture(int fd = 1)
        : descriptor(fd)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        file = std::tmpfile();
        saved = dup(descriptor);
        dup2(fileno(file), descriptor);
    }
    ~OutputCapture()
    {
        restore();
        std::fclose(file);
    }
    std::string text(void)
    {
        restore();
        std::string out;
        std::rewind(file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            out.append(buffer, n);
        return out;
    }

private:
    void restore(void)
    {
        if (saved < 0)
            return;
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(saved, descriptor);
        close(saved);
        saved = -1;
    }
    int descriptor;
    std::FILE* file = nullptr;
    int saved = -1;
};

#endif // QUILLMAP_TESTS_OUTPUTCAPTURE_H
