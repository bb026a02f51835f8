#ifndef QUILLMAP_TESTS_WRITTENFILES_H
#define QUILLMAP_TESTS_WRITTENFILES_H

// For tests that write files: a scratch directory removed with everything in
// it when the test ends, reading a file back, and tovrmlx3d's opinion of a
// VRML file.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

inline std::string fileContents(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> fileLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// What tovrmlx3d (Debian package view3dscene) says on standard error when it
// reads the file, and its exit status when not 0: empty when it read the
// file cleanly.
inline std::string tovrmlx3dComplaints(const std::string& path)
{
    const std::string errors = path + ".stderr";
    const int status = std::system(("tovrmlx3d '" + path + "' > /dev/null 2> '" + errors + "'").c_str());
    std::string text = fileContents(errors);
    std::remove(errors.c_str());
    if (status != 0)
        text += "exit status " + std::to_string(status) + (status == 127 << 8 ? " (tovrmlx3d not installed?)" : "");
    return text;
}

#endif // QUILLMAP_TESTS_WRITTENFILES_H
