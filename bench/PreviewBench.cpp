// The file window's preview of a selected file: the first 15,360 bytes read,
// their code detected, shown and converted with the shipped correction tables.
// The target is under 30 ms per selection.
//
//   preview_bench [--benchmark_filter=...]
#include "engine/ConvertStream.h"
#include "engine/FixTableIndex.h"
#include "filewin/FileCon.h"
#include "filewin/Preview.h"
#include "platform/CodePage.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using namespace tessarim;

const fs::path Root = fs::temp_directory_path() / "tessarim-preview-bench";

class NoStamps : public FixStampStore {
public:
    std::string ReadVersion(FixTableId) const override { return {}; }
    void Write(FixTableId, const FixTableStamp&) override {}
};

FixTables& Tables() {
    static FixTables tables;
    static const bool loaded = [] {
        NoStamps stamps;
        const std::string folder = (Root / "tables").string() + "/";
        return LoadFixTableWithDefault(tables, FixTableId::Big5, folder, stamps) &&
               LoadFixTableWithDefault(tables, FixTableId::Gbk, folder, stamps);
    }();
    if (!loaded) std::abort();
    return tables;
}

// 20 KB of Chinese prose in the code, so the preview cuts it.
std::string Sample(Code code) {
    std::ifstream in(std::string(TESSARIM_SOURCE_DIR) + "/bench/corpus/debian-faq.zh-cn.txt",
                     std::ios::binary);
    Bytes text(std::istreambuf_iterator<char>(in), {});
    text.resize(30000);
    ConvertStream(text, {.source = UTF8, .target = code, .face = FaceD}, WholeText, nullptr);
    text.resize(20000);
    const fs::path path = Root / (code == UTF8 ? "utf8.txt" : "gbk.txt");
    fs::create_directories(Root);
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

void Preview(benchmark::State& state, Code code, SimpleMode mode) {
    const std::string path = Sample(code);
    FileCon con{{.defaultFolder = Root.string(), .defaultTarget = GBK, .defaultFace = FaceT}};
    con.Mode.ClickSimple(mode);
    const PreviewOptions options{.systemCodePage = CodePageUtf8, .fixTables = &Tables()};
    for (auto _ : state) {
        const PreviewContent panes = PreviewFile(con, path, options);
        benchmark::DoNotOptimize(panes.result.text.data());
    }
}

void BM_PreviewGbkToBig5(benchmark::State& state) {
    Preview(state, GBK, SimpleMode::GbToBig5);
}
void BM_PreviewUtf8ToTraditional(benchmark::State& state) {
    Preview(state, UTF8, SimpleMode::GbToBig5); // the mode follows the detected UTF-8
}

} // namespace

BENCHMARK(BM_PreviewGbkToBig5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewUtf8ToTraditional)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
