// The file window with many files, as a user meets it, drawn off screen:
// opening on a folder of 10,000 files and Add All; Add All with sub-folders over
// 50,000 files in 2,000 folders; and a run over 1,000 small files beside the
// command line converting the same files; and the run over 2,000 files of
// 20 KB with the shipped tables, which compare.py also times held to one core.
//
//   filewin_bench [--benchmark_filter=...]   (the tessarim program beside it in the build)
#include "core/Paths.h"
#include "core/TableLoader.h"
#include "engine/FixTables.h"
#include "filewin/BatchRun.h"
#include "filewin/FileConForm.h"
#include "platform/Sound.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tessarim;

const fs::path Root = fs::temp_directory_path() / "tessarim-filewin-bench";

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// 你好, 中文 in GBK, a line of a short letter.
const std::string SmallText = "\xC4\xE3\xBA\xC3\xA3\xAC\xD6\xD0\xCE\xC4 text\n";

fs::path FlatFolder() {
    const fs::path folder = Root / "flat";
    if (!fs::exists(folder / "f09999.txt")) {
        fs::create_directories(folder);
        for (int i = 0; i < 10000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%05d.txt", i);
            Write(folder / name, SmallText);
        }
    }
    return folder;
}

fs::path TreeFolder() {
    const fs::path folder = Root / "tree";
    if (!fs::exists(folder / "d0000" / "d1999" / "f24.txt")) {
        for (int d = 0; d < 2000; ++d) {
            char sub[32];
            std::snprintf(sub, sizeof sub, "d%04d", d);
            // Folders two deep, as a real tree has them.
            const fs::path dir = d < 40 ? folder / sub : folder / "d0000" / sub;
            fs::create_directories(dir);
            for (int f = 0; f < 25; ++f) {
                char name[16];
                std::snprintf(name, sizeof name, "f%02d.txt", f);
                Write(dir / name, SmallText);
            }
        }
    }
    return folder;
}

fs::path RunFolder() {
    const fs::path folder = Root / "run";
    if (!fs::exists(folder / "f0999.txt")) {
        fs::create_directories(folder);
        for (int i = 0; i < 1000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%04d.txt", i);
            Write(folder / name, SmallText);
        }
    }
    return folder;
}

fs::path ManyFolder() {
    const fs::path folder = Root / "many";
    if (!fs::exists(folder / "f1999.txt")) {
        fs::create_directories(folder);
        std::string text;
        while (text.size() < 20000)
            text += SmallText;
        for (int i = 0; i < 2000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%04d.txt", i);
            Write(folder / name, text);
        }
    }
    return folder;
}

class Silent : public Sound {
    void MessageBeep() override {}
    bool PlayWaveFile(const std::string&) override { return true; }
};

RunSettings Quiet() {
    RunSettings settings;
    settings.cfmOverwrite = false;
    settings.sound = false;
    settings.msgFinished = false;
    return settings;
}

std::unique_ptr<TForm1> OpenOn(const fs::path& folder, Silent& sound, FixTables* tables = nullptr,
                               const fs::path& out = Root / "out") {
    fs::create_directories(fs::path(SettingsPath()).parent_path());
    // The folders only: the rest of the settings stays, as a user's does, so
    // the fix-table index built by the first run is not built again by each.
    IniFile settings(SettingsPath());
    settings.WriteString("Data", "SrcDir", folder.string());
    settings.WriteString("Data", "DestDir", out.string());
    auto form = std::make_unique<TForm1>(
        FileCon::Environment{.defaultFolder = Root.string()}, Quiet(),
        TForm1::Services{.sound = sound, .help = nullptr, .options = {}, .fixTables = tables});
    form->show();
    return form;
}

void Click(TForm1& form, const char* name) {
    form.findChild<QAbstractButton*>(name)->click();
    QApplication::processEvents();
}

// The window opened on the folder (which lists it) and Add All pressed.
void BM_OpenOn10000FilesAndAddAll(benchmark::State& state) {
    const fs::path folder = FlatFolder();
    Silent sound;
    for (auto _ : state) {
        auto form = OpenOn(folder, sound);
        Click(*form, "AddAllBtn");
        if (form->Logic().JobFiles.size() != 10000) state.SkipWithError("not all files added");
    }
}
BENCHMARK(BM_OpenOn10000FilesAndAddAll)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AddAllWithSubFolders50000Files(benchmark::State& state) {
    const fs::path folder = TreeFolder();
    Silent sound;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = OpenOn(folder, sound);
        state.ResumeTiming();
        Click(*form, "AddAllSubBtn");
        if (form->Logic().JobFiles.size() != 50000) state.SkipWithError("not all files added");
    }
}
BENCHMARK(BM_AddAllWithSubFolders50000Files)->Unit(benchmark::kMillisecond)->Iterations(3);

// The run as the window makes it: each file on the worker thread, the window
// answering in between.
void BM_WindowRunOver1000SmallFiles(benchmark::State& state) {
    const fs::path folder = RunFolder();
    Silent sound;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(Root / "out");
        fs::create_directories(Root / "out");
        auto form = OpenOn(folder, sound);
        Click(*form, "AddAllBtn");
        state.ResumeTiming();
        Click(*form, "ConvertBtn");
        if (!form->Logic().JobFiles.empty()) state.SkipWithError("files left");
    }
    state.counters["per_file"] = benchmark::Counter(
        1000, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WindowRunOver1000SmallFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

// As a user runs it: the shipped tables on, every file worth a worker. Each run
// writes into a new folder: creating files where as many were just deleted
// times ext4's search past the freed inodes, not the run. For the same reason
// the folders stay when TESSARIM_BENCH_KEEP is set (compare.py, which runs
// this again and again, removes them at its end).
void BM_WindowRunOver2000FilesOf20KB(benchmark::State& state) {
    const fs::path folder = ManyFolder();
    Silent sound;
    FixTables& tables = ProgramFixTables();
    LoadFixTableForUse(tables, FixTableId::Big5);
    const bool keep = !qEnvironmentVariableIsEmpty("TESSARIM_BENCH_KEEP");
    const std::string prefix = "many-out-" + std::to_string(::getpid()) + "-";
    int run = 0;
    std::unique_ptr<TForm1> form; // closed outside the timing
    for (auto _ : state) {
        state.PauseTiming();
        form.reset();
        const fs::path out = Root / (prefix + std::to_string(++run));
        fs::remove_all(out);
        fs::create_directories(out);
        form = OpenOn(folder, sound, &tables, out);
        Click(*form, "AddAllBtn");
        state.ResumeTiming();
        Click(*form, "ConvertBtn");
        if (!form->Logic().JobFiles.empty()) state.SkipWithError("files left");
    }
    form.reset();
    if (keep) return;
    for (int made = 1; made <= run; ++made)
        fs::remove_all(Root / (prefix + std::to_string(made)));
}
BENCHMARK(BM_WindowRunOver2000FilesOf20KB)->Unit(benchmark::kMillisecond)->Iterations(5);

// The command line over the same files, one process for all of them.
void BM_CommandLineOver1000SmallFiles(benchmark::State& state) {
    const fs::path folder = RunFolder();
    const std::string program = (fs::path(TESSARIM_BINARY_DIR) / "tessarim").string();
    const std::string command = program + " /i:gbk /o:big5 '" + (folder / "*.txt").string() +
                                "' '" + (Root / "out" / "*.txt").string() + "'";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(Root / "out");
        fs::create_directories(Root / "out");
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("the command line failed");
    }
    state.counters["per_file"] = benchmark::Counter(
        1000, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CommandLineOver1000SmallFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TESSARIM_HOME"))
        qputenv("TESSARIM_HOME", (Root / "home").string().c_str());
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
