// Loading and applying fix tables: a user table of 20,000 random entries and
// the shipped default b5fix.dat, each with an up-to-date index, rebuilt from
// the table file, and applied to one conversion block.
#include "engine/FixTableIndex.h"
#include "engine/TableConvert.h"
#include "tests/engine/MemoryStamps.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessarim;

constexpr int TableEntries = 20000;

// Characters with lead bytes A4-C6, the frequent ones; keys are made of these.
std::string RandomBig5Text(std::mt19937& random, int characters, int firstLead = 0xA4,
                           int lastLead = 0xC6) {
    std::uniform_int_distribution<int> lead(firstLead, lastLead);
    std::uniform_int_distribution<int> trail(0, 156);
    std::string text;
    for (int i = 0; i < characters; ++i) {
        const int t = trail(random);
        text += static_cast<char>(lead(random));
        text += static_cast<char>(t < 63 ? 0x40 + t : 0xA1 + (t - 63));
    }
    return text;
}

// A folder with a b5fix.dat of TableEntries words of two to four characters,
// or a copy of the shipped table.
class TableFolder {
public:
    explicit TableFolder(bool shipped = false) {
        folder_ = fs::temp_directory_path() /
                  ("tessarim-bench-" + std::to_string(::getpid()) + (shipped ? "-shipped" : ""));
        fs::create_directories(folder_);
        if (shipped) {
            fs::copy_file(TESSARIM_SOURCE_DIR "/data/b5fix.dat", folder_ / "b5fix.dat",
                          fs::copy_options::overwrite_existing);
            Settle();
            return;
        }
        std::mt19937 random(20240601);
        std::uniform_int_distribution<int> length(2, 4);
        std::set<std::string> keys;
        while (keys.size() < TableEntries)
            keys.insert(RandomBig5Text(random, length(random)));
        std::ofstream out(folder_ / "b5fix.dat", std::ios::binary);
        out << "-1,-1,-1,-1,-1,-1\r\nSearch,\"Replace with\"\r\n";
        for (const std::string& key : keys)
            out << key << ',' << RandomBig5Text(random, 2) << "\r\n";
        out.close();
        Settle();
    }
    ~TableFolder() {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    std::string Dir() const { return folder_.string() + "/"; }
    fs::path Index() const { return folder_ / "key1.ndx"; }
    test::MemoryStamps stamps;

private:
    // A table written moments ago is indexed again at each load; these stand
    // as a user's table does.
    void Settle() {
        fs::last_write_time(folder_ / "b5fix.dat",
                            fs::file_time_type::clock::now() - std::chrono::minutes(1));
    }

    fs::path folder_;
};

TableFolder& Folder() {
    static TableFolder folder;
    return folder;
}

TableFolder& ShippedFolder() {
    static TableFolder folder(true);
    return folder;
}

using FolderOf = TableFolder& (*)();

FixTables& Tables() {
    static FixTables tables;
    return tables;
}

bool Load(TableFolder& folder) {
    return LoadFixTable(Tables(), FixTableId::Big5, folder.Dir(), folder.stamps);
}

void LoadCurrentIndex(benchmark::State& state, FolderOf folder) {
    Load(folder());
    for (auto _ : state)
        Load(folder());
    state.counters["entries"] = static_cast<double>(Tables().EntryCount(FixTableId::Big5));
}
BENCHMARK_CAPTURE(LoadCurrentIndex, Random20k, &Folder)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadCurrentIndex, Shipped, &ShippedFolder)->Unit(benchmark::kMillisecond);

void Rebuild(benchmark::State& state, FolderOf folder) {
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(folder().Index());
        state.ResumeTiming();
        Load(folder());
    }
}
BENCHMARK_CAPTURE(Rebuild, Random20k, &Folder)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rebuild, Shipped, &ShippedFolder)->Unit(benchmark::kMillisecond);

void ApplyToBlock(benchmark::State& state, const std::string& block) {
    std::string text;
    for (auto _ : state) {
        text = block;
        Tables().Apply(text, GbToBig5);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}

// Argument 1: text of the characters the keys begin with, so nearly every
// character has keys to try; argument 0: characters no key begins with.
void ApplyToOneBlock(benchmark::State& state) {
    Load(Folder());
    std::mt19937 random(7);
    const int characters = static_cast<int>(BlockSize / 2);
    ApplyToBlock(state, state.range(0) ? RandomBig5Text(random, characters)
                                       : RandomBig5Text(random, characters, 0xC7, 0xF9));
}
BENCHMARK(ApplyToOneBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

std::string BundledSample() {
    std::ifstream in(TESSARIM_SOURCE_DIR "/samples/sample_gbk.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A small file's work: the shipped table loaded afresh, then applied to the
// bundled 2 KB sample converted to Big5.
void ShippedLoadAndApplyToSample(benchmark::State& state) {
    Load(ShippedFolder());
    std::string sample = BundledSample();
    StreamConvert(sample, GbToBig5);
    for (auto _ : state) {
        FixTables tables;
        LoadFixTable(tables, FixTableId::Big5, ShippedFolder().Dir(), ShippedFolder().stamps);
        std::string text = sample;
        tables.Apply(text, GbToBig5);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(ShippedLoadAndApplyToSample)->Unit(benchmark::kMicrosecond);

// The bundled Simplified sample, converted to Big5 by the character tables and
// repeated to a block, through the shipped table.
void ShippedApplyToOneBlock(benchmark::State& state) {
    Load(ShippedFolder());
    const std::string sample = BundledSample();
    std::string block;
    while (block.size() + sample.size() <= BlockSize)
        block += sample;
    StreamConvert(block, GbToBig5);
    ApplyToBlock(state, block);
}
BENCHMARK(ShippedApplyToOneBlock)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
