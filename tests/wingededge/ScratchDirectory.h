#ifndef QUILLMAP_TESTS_SCRATCHDIRECTORY_H
#define QUILLMAP_TESTS_SCRATCHDIRECTORY_H

// A fresh directory for the files one test writes, removed with everything
// in it when the test ends.

#include <stdlib.h>

#include <filesystem>
#include <string>

class ScratchDirectory {
public:
    ScratchDirectory(void)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillmap-test-XXXXXX").string();
        dir = mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

#endif // QUILLMAP_TESTS_SCRATCHDIRECTORY_H
