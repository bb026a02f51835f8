// Finding the real models of the Inventor data set.

#include "support/RealModels.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string realModelsDirectory(void)
{
    const char* dir = std::getenv("QUILLMAP_MODELS");
    return dir != nullptr ? std::string(dir) : std::string("/usr/share/inventor/data/models");
}

std::vector<std::string> discoverRealModels(void)
{
    std::vector<std::string> found;
    const std::string dir = realModelsDirectory();
    std::error_code error;
    if (dir.empty() || !fs::is_directory(dir, error))
        return found;
    for (fs::recursive_directory_iterator it(dir, fs::directory_options::follow_directory_symlink, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code entryError; // a dangling link is passed over, not the end of the walk
        if (!it->is_regular_file(entryError) || it->path().extension() != ".iv")
            continue;
        found.push_back(it->path().lexically_relative(dir).generic_string());
    }
    std::sort(found.begin(), found.end());
    return found;
}
