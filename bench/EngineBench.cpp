// Throughput of the engine's block conversion on ordinary prose, per road.
#include "data/EmbeddedData.h"
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/Replacements.h"
#include "engine/Utf8.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace tessarim {
namespace {

// One block of the GBK sample, repeated.
const Bytes& GbkBlock() {
    static const Bytes block = [] {
        std::ifstream in(TESSARIM_SOURCE_DIR "/samples/sample_gbk.txt", std::ios::binary);
        const Bytes sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        Bytes out;
        while (out.size() + sample.size() <= BlockSize)
            out += sample;
        return out;
    }();
    return block;
}

const Bytes& Utf8Block() {
    static const Bytes block = WideToUtf8(AnsiToWide(GbkBlock(), CodePageGbk));
    return block;
}

void Convert(benchmark::State& state, const Bytes& input, Code from, Code to, Face face) {
    Bytes text;
    for (auto _ : state) {
        text = input;
        ConvertStream(text, {from, to, face});
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void GbkToBig5Table(benchmark::State& state) {
    Convert(state, GbkBlock(), GBK, BIG5, FaceT);
}
void GbkToUtf8(benchmark::State& state) {
    Convert(state, GbkBlock(), GBK, UTF8, FaceD);
}
void Utf8ToTraditionalUtf8(benchmark::State& state) {
    Convert(state, Utf8Block(), UTF8, UTF8, FaceT);
}
void GbkToBig5Simplified(benchmark::State& state) {
    Convert(state, GbkBlock(), GBK, BIG5, FaceD);
}

// The copy every conversion benchmark starts with, to subtract.
void CopyBlock(benchmark::State& state) {
    Bytes text;
    for (auto _ : state) {
        text = GbkBlock();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * GbkBlock().size()));
}

// The count of replacement marks a file conversion runs over each block
// before and after converting it.
void CountMarks(benchmark::State& state, const Bytes& block, Code code) {
    for (auto _ : state)
        benchmark::DoNotOptimize(CountReplacementMarks(block, code));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
void CountMarksGbk(benchmark::State& state) {
    CountMarks(state, GbkBlock(), GBK);
}
void CountMarksUtf8(benchmark::State& state) {
    CountMarks(state, Utf8Block(), UTF8);
}

void LoadTables(benchmark::State& state) {
    auto tables = std::make_unique<CodeTableSet>();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseCodeTables(data::StrTbl(), *tables));
}

BENCHMARK(LoadTables)->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(GbkToBig5Table)->Unit(benchmark::kMicrosecond);
BENCHMARK(GbkToUtf8)->Unit(benchmark::kMicrosecond);
BENCHMARK(Utf8ToTraditionalUtf8)->Unit(benchmark::kMicrosecond);
BENCHMARK(GbkToBig5Simplified)->Unit(benchmark::kMicrosecond);
BENCHMARK(CountMarksGbk)->Unit(benchmark::kMicrosecond);
BENCHMARK(CountMarksUtf8)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tessarim

BENCHMARK_MAIN();
