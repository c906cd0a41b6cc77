// The correction-table editor on the shipped b5fix.dat (23,694 entries):
// opening the window, searching both columns, and saving with the index
// rebuilt, as OK does.
#include "engine/FixTableIndex.h"
#include "platform/Help.h"
#include "tests/engine/MemoryStamps.h"
#include "tools/B5fix.h"
#include "tools/FixTableFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessarim;

class NoHelp : public HelpViewer {
public:
    void ShowContext(int) override {}
};

// A program folder holding a copy of the shipped table.
struct Folder {
    fs::path path = fs::temp_directory_path() / ("tessarim-bench-" + std::to_string(::getpid()));
    Folder() {
        fs::create_directories(path);
        fs::copy_file(TESSARIM_SOURCE_DIR "/data/b5fix.dat", path / "b5fix.dat",
                      fs::copy_options::overwrite_existing);
    }
    ~Folder() { fs::remove_all(path); }
    std::string Dir() const { return path.string() + "/"; }
};

FixTableEditorPlace Place(const Folder& folder) {
    return {folder.Dir(), 0, 0, 1252, {}};
}

void OpenEditor(benchmark::State& state) {
    const Folder folder;
    NoHelp help;
    for (auto _ : state) {
        TFormB5fix form(FixTableMode::ToBig5, Place(folder), help);
        form.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(form.Editor().RowCount());
    }
}
BENCHMARK(OpenEditor)->Unit(benchmark::kMillisecond);

// "發" stands in about 600 entries, in either column.
void SearchBothColumns(benchmark::State& state) {
    const Folder folder;
    NoHelp help;
    TFormB5fix form(FixTableMode::ToBig5, Place(folder), help);
    form.show();
    form.findChild<QLineEdit*>("Edit3")->setText("發");
    form.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(2);
    for (auto _ : state) {
        form.SearchClick();
        QApplication::processEvents();
    }
    state.counters["found"] = static_cast<double>(form.Editor().RecordCount());
}
BENCHMARK(SearchBothColumns)->Unit(benchmark::kMillisecond);

void SaveAndReindex(benchmark::State& state) {
    const Folder folder;
    const std::string path = folder.Dir() + "b5fix.dat";
    FixTableEditor editor(FixTableMode::ToBig5);
    editor.Load(*ReadFixTableFile(path));
    test::MemoryStamps stamps;
    FixTables tables;
    int round = 0;
    for (auto _ : state) {
        editor.Add(u"測試" + std::u16string(1, static_cast<char16_t>(u'一' + round++)), u"x");
        if (!ReplaceFixTableFile(path, editor.FileText(u"Search", u"Replace with")) ||
            !LoadFixTable(tables, FixTableId::Big5, folder.Dir(), stamps))
            state.SkipWithError("the table was not saved and indexed");
    }
    state.counters["entries"] = static_cast<double>(tables.EntryCount(FixTableId::Big5));
}
BENCHMARK(SaveAndReindex)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
