// Runs a fuzz harness once over given input files and directories (every
// regular file in them), without libFuzzer: the committed corpus then runs
// as an ordinary test in every build, and with a coverage build it measures
// which lines the corpus reaches.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int a = 1; a < argc; ++a) {
        std::error_code error;
        const fs::path path(argv[a]);
        if (fs::is_directory(path, error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::is_regular_file(path, error)) {
            inputs.push_back(path);
        }
        if (error || !fs::exists(path)) {
            std::fprintf(stderr, "%s: cannot read %s%s%s\n", argv[0], argv[a], error ? ": " : " (no such file)",
                         error ? error.message().c_str() : "");
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "%s: no input files in the given paths\n", argv[0]);
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());

    LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!file.good() && !file.eof()) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], path.c_str());
            return 2;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs ran through the harness\n", inputs.size());
    return 0;
}
