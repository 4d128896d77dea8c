// Replays fuzz inputs through a fuzz target without libFuzzer, so every build configuration runs the
// corpus. Arguments are files or folders (every regular file inside, sorted). A missing path fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int runOne(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int failures = 0;
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        fs::path path(argv[i]);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::vector<fs::path> files;
            for (const auto& e : fs::directory_iterator(path))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto& f : files) { failures += runOne(f); ++count; }
        } else if (fs::is_regular_file(path, ec)) {
            failures += runOne(path);
            ++count;
        } else {
            std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
            ++failures;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return failures == 0 && count > 0 ? 0 : 1;
}
