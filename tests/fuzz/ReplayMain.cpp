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

namespace {

namespace fs = std::filesystem;

void Replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    // A check that fails aborts the process; this line names the input that did it.
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path path = argv[i];
        if (fs::is_directory(path)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files)
                Replay(file);
            replayed += files.size();
        } else if (fs::is_regular_file(path)) {
            Replay(path);
            ++replayed;
        } else {
            std::fprintf(stderr, "no such input: %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    // Replaying nothing would pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
