// Inputs built to cost time or memory: a settings file of 20 MB of blank lines
// read for every key a command-line run reads, and 36 MB of HTML made of
// charset declarations converted block by block with the charset rewritten.
// The peak resident size is reported beside the time.
#include "engine/ConvertStream.h"
#include "settings/IniFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessarim;

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BlankSettingsFile(benchmark::State& state) {
    const fs::path path =
        fs::temp_directory_path() / ("tessarim-bench-" + std::to_string(::getpid()) + ".ini");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string lines(1 << 20, '\n');
        for (int i = 0; i < 20; ++i)
            out << lines;
        out << "[Data]\nFix_UNN=0\n";
    }
    const IniFile ini(path.string());
    for (auto _ : state) {
        benchmark::DoNotOptimize(ini.ReadString("Data", "Ignore", "*.exe"));
        benchmark::DoNotOptimize(ini.ReadString("Data", "HtmlType", "*.htm"));
        benchmark::DoNotOptimize(ini.ReadBool("Data", "FixHtmlCharset", true));
        benchmark::DoNotOptimize(ini.ReadBool("Data", "AddBOMtoUTF8", false));
        benchmark::DoNotOptimize(ini.ReadBool("Data", "Fix_UNN", true));
    }
    state.counters["peak_MB"] = PeakMegabytes();
    fs::remove(path);
}

// 36 blocks of the conversion routine's size, as a 36 MB file passes.
void CharsetDeclarations(benchmark::State& state, Code target) {
    const std::string declaration = "<meta charset=gbk>";
    std::string block;
    while (block.size() + declaration.size() <= BlockSize)
        block += declaration;
    const ConvertOptions options{GBK, target, FaceD, true, false, false};
    for (auto _ : state) {
        for (int i = 0; i < 36; ++i) {
            Bytes text = block;
            ConvertStream(text, options, BlockPosition{i == 0, i == 35}, nullptr);
            benchmark::DoNotOptimize(text.data());
        }
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

void CharsetDeclarationsToBig5(benchmark::State& state) {
    CharsetDeclarations(state, BIG5);
}
void CharsetDeclarationsToUtf8(benchmark::State& state) {
    CharsetDeclarations(state, UTF8);
}

} // namespace

BENCHMARK(BlankSettingsFile)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(CharsetDeclarationsToBig5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(CharsetDeclarationsToUtf8)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
