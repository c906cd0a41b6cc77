// The argument parser and the path operations of the command line on any
// arguments: an accepted conversion always names an output code, an input
// file and an output file, with a typeface Big5 output can carry; a detection
// run names its files; the run mode follows the switches and options; output names built from
// patterns keep the pattern's folder; path parts put together give the path back.
//
// Input: arguments separated by 0 bytes.
#include "app/CommandLine.h"
#include "core/FileJob.h"
#include "core/FindFiles.h"
#include "core/MasksEx.h"
#include "core/Paths.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

using namespace tessarim;

bool IsOption(const std::string& a) {
    return a.starts_with("--") || a == "/?" || a == "-h" || a == "-l" || a == "-r" || a == "-q" ||
           a == "-v";
}

void CheckParse(const std::vector<std::string>& args) {
    using Task = CommandLineArgs::Task;
    CommandLineArgs parsed;
    const bool accepted = ParseCommandLine(args, parsed);
    const bool anySwitch = std::any_of(
        args.begin(), args.end(), [](const std::string& a) { return IsSwitch(a) || IsOption(a); });
    FUZZ_CHECK((DetectRunMode(args) == RunMode::CommandLine) == anySwitch);
    if (!accepted) return;
    FUZZ_CHECK(parsed.problem.empty());
    // The names: what is neither a switch nor an option ("--" ends the options).
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (const std::string& a : args) {
        if (!optionsEnded && a == "--")
            optionsEnded = true;
        else if (!IsSwitch(a) && (optionsEnded || !IsOption(a)))
            names.push_back(a);
    }
    if (parsed.task == Task::Detect) FUZZ_CHECK(!names.empty() && parsed.names == names);
    if (parsed.task != Task::Convert) return;
    FUZZ_CHECK(anySwitch);
    FUZZ_CHECK(parsed.CodeOut <= BIG5 && (parsed.CodeIn <= BIG5 || parsed.CodeIn == Undetermined));
    FUZZ_CHECK(parsed.AutoDetectInput == (parsed.CodeIn == Undetermined));
    FUZZ_CHECK(parsed.face <= FaceD && !(parsed.CodeOut == BIG5 && parsed.face == FaceS));
    FUZZ_CHECK(!names.empty() && names.size() <= 2);
    FUZZ_CHECK(parsed.FileIn == names[0] && parsed.FileOut == names.back());
}

void CheckPaths(const std::string& path, const std::string& pattern) {
    FUZZ_CHECK(ExtractFilePath(path) + ExtractFileName(path) == path);
    FUZZ_CHECK(StripExtension(path) + ExtractFileExt(path) == path);
    const std::string output = BuildOutputName(path, pattern);
    FUZZ_CHECK(output.starts_with(ExtractFilePath(pattern)));
    if (!HasWildcards(ExtractFileName(pattern))) FUZZ_CHECK(output == pattern);
    (void)IsValidFileName(path);
    (void)MatchesWildcard(pattern, path);
    (void)IsInsideFolder(path, pattern);

    try {
        (void)MaskList(pattern).Matches(path);
    } catch (const EMaskError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    std::vector<std::string> args;
    while (!input.rest.empty() && args.size() < 7)
        args.emplace_back(input.Until('\0'));
    CheckParse(args);
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        CheckPaths(args[i], args[i + 1]);
    return 0;
}
