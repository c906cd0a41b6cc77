// Runs a fuzz target's entry on saved inputs without libFuzzer, so the seed corpus
// and the crash regressions are replayed by every build's tests, under any
// compiler and sanitizer. Each argument is a file or a folder of files.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_regular_file(argv[i])) files.emplace_back(argv[i]);
        // A missing folder would replay nothing from it and pass; the iterator throws.
        for (const auto& entry : fs::is_regular_file(argv[i]) ? fs::directory_iterator()
                                                              : fs::directory_iterator(argv[i]))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        // A check that fails aborts the process; this line names the input that did it.
        std::fprintf(stderr, "replaying %s\n", file.c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    // Replaying nothing would pass without testing anything.
    return files.empty() ? 1 : 0;
}
