#include "app/CommandLine.h"

#include "core/FileJob.h"
#include "core/FileRun.h"
#include "core/FindFiles.h"
#include "core/TableLoader.h"
#include "platform/Files.h"
#include "platform/Message.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <unistd.h>

namespace tessarim {

const char* const UsageText =
    "Syntax: Tessarim [CodeIn] <CodeOut> [Face] <FileIn> [FileOut]\r\n\r\n"
    "<CodeIn> (optional, auto-detect if omitted)\r\n"
    "  /i:xxx    where 'xxx' is the coding method of the input file\r\n"
    "  * Valid values of 'xxx' are: ULE, UBE, UTF8, GBK, BIG5\r\n\r\n"
    "<CodeOut>\r\n"
    "  /o:xxx   where 'xxx' is the coding method of the output file\r\n"
    "  * Valid values of 'xxx' are: ULE, UBE, UTF8, GBK, BIG5\r\n\r\n"
    "[Face] (optional, default is /f:D)\r\n"
    "  /f:x    where 'x' is the typeface of output file\r\n"
    "  * Valid values of 'x' are: T (traditional), S (simplified), D (default)\r\n\r\n"
    "<FileIn> \r\n"
    "  Input Filename\r\n\r\n"
    "[FileOut] (optional, FileIn will be overwritten if this param is omitted)\r\n"
    "  Output Filename.\r\n\r\n"
    "Example: tessarim /i:big5 /o:ule /f:s test.txt\r\n"
    "  (This will convert test.txt from Big5 to Unicode-LE in Simplified Chinese)";

namespace {

constexpr std::array<std::string_view, 5> CodeKeywords = {"ULE", "UBE", "UTF8", "GBK", "BIG5"};

// A code switch's value, or Undetermined when it names no code.
Code CodeKeyword(std::string_view value) {
    std::string upper(value);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < CodeKeywords.size(); ++i)
        if (upper == CodeKeywords[i]) return static_cast<Code>(i);
    return Undetermined;
}

// "/i:" and "/o:": a value of 3 or 4 characters, and the code not given before.
bool TakeCode(std::string_view argument, Code& code) {
    if (argument.size() < 6 || argument.size() > 7 || code != Undetermined) return false;
    code = CodeKeyword(argument.substr(3));
    return true;
}

bool TakeFace(std::string_view argument, Face& face) {
    if (argument.size() != 4) return false;
    switch (std::toupper(static_cast<unsigned char>(argument[3]))) {
    case 'T':
        face = FaceT;
        return true;
    case 'S':
        face = FaceS;
        return true;
    case 'D':
        face = FaceD;
        return true;
    default:
        return false;
    }
}

// A name given in double quotes loses them; one that only begins with one loses that.
void RemoveQuotes(std::string& name) {
    if (name.empty() || name.front() != '"') return;
    name.erase(0, 1);
    if (!name.empty() && name.back() == '"') name.pop_back();
}

void ShowError(const std::string& text) {
    ShowMessage(MessageKind::Error, text);
}

// Bare name when the file is in the current folder, else the full path.
std::string NameForMessage(const std::string& path) {
    std::error_code error;
    const std::string here = AddTrailingBackslash(std::filesystem::current_path(error).string());
    return ExtractFilePath(path) == here ? ExtractFileName(path) : path;
}

int ConvertAll(CommandLineArgs& args) {
    RemoveQuotes(args.FileIn);
    RemoveQuotes(args.FileOut);
    if (!IsValidFileName(args.FileIn)) {
        ShowError("Invalid input filename.");
        return ExitFailure;
    }
    const std::string fullIn = FullPath(args.FileIn);
    const bool pattern = HasWildcards(args.FileIn);
    std::vector<std::string> inputs;
    if (pattern) {
        inputs = ListMatchingFiles(ExtractFilePath(fullIn), ExtractFileName(fullIn));
    } else {
        const FileKind kind = QueryFileKind(fullIn);
        if (kind != FileKind::Regular && kind != FileKind::System) {
            ShowError("** \"" + args.FileIn + "\" not found.");
            return ExitFailure;
        }
        inputs.push_back(fullIn);
    }

    const FileRules rules = ReadFileRules(IniFile(SettingsPath()), args.CodeOut);
    if (!pattern &&
        (IsIgnoredFile(rules.ignore, ExtractFileName(fullIn)) || IsCompoundDocument(fullIn)))
        return ExitSuccess;

    FixTables fixTables;
    LoadTablesForFace(fixTables, args.face);

    const FileRequest request{args.AutoDetectInput ? Undetermined : args.CodeIn, args.CodeOut,
                              args.face};
    std::vector<FileTask> tasks;
    for (const std::string& input : inputs) {
        // An in-place run keeps each name: building it from the input pattern would
        // turn "*" into "name." for a name without extension, and a list of patterns
        // ("b*;*.txt") into names of other files.
        tasks.push_back({input, args.InPlace ? input
                                : HasWildcards(args.FileOut)
                                    ? BuildOutputName(input, FullPath(args.FileOut))
                                    : FullPath(args.FileOut)});
    }
    int status = ExitSuccess;
    // The index files are current by now: a worker's own tables only map them.
    const auto load = [&](FixTables& own) { LoadTablesForFaceAgain(own, args.face); };
    ConvertFiles(tasks, request, rules, fixTables, load, pattern ? WorkersPerCore() : 1,
                 [&](const FileResult& result) {
                     if (result.outcome != FileOutcome::Failed) return true;
                     if (result.failure != FailureKind::ReadOnlyTarget) {
                         if (!result.message.empty()) ShowError(result.message);
                         status = ExitFailure;
                         return false;
                     }
                     ShowError(NameForMessage(result.path) + " cannot be replaced (ReadOnly)");
                     status = ExitFailure;
                     return pattern;
                 });
    return status;
}

} // namespace

bool IsSwitch(std::string_view argument) {
    return argument.size() >= 3 && argument[0] == '/' &&
           std::isalpha(static_cast<unsigned char>(argument[1])) && argument[2] == ':';
}

RunMode DetectRunMode(const std::vector<std::string>& args) {
    if (std::any_of(args.begin(), args.end(), [](const std::string& a) { return IsSwitch(a); }))
        return RunMode::CommandLine;
    return args.empty() ? RunMode::Windowed : RunMode::FileWindow;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLineArgs& parsed) {
    if (args.size() < 2 || args.size() > 5) return false;
    parsed = CommandLineArgs{};
    bool faceGiven = false;
    // Every name takes its place, an empty one too: an empty output name (an unset
    // variable in a script) must not turn into converting the input in place.
    int names = 0;
    for (const std::string& argument : args) {
        if (!IsSwitch(argument)) {
            if (names == 2) return false;
            (names++ == 0 ? parsed.FileIn : parsed.FileOut) = argument;
            continue;
        }
        switch (argument[1]) {
        case 'i':
        case 'I':
            if (!TakeCode(argument, parsed.CodeIn)) return false;
            break;
        case 'o':
        case 'O':
            if (!TakeCode(argument, parsed.CodeOut)) return false;
            break;
        case 'f':
        case 'F':
            if (!TakeFace(argument, parsed.face)) return false;
            faceGiven = true;
            break;
        default:
            return false;
        }
    }
    if (!faceGiven) {
        if (parsed.CodeIn == GBK && parsed.CodeOut == BIG5)
            parsed.face = FaceT;
        else if (parsed.CodeIn == BIG5 && parsed.CodeOut == GBK)
            parsed.face = FaceS;
        else
            parsed.face = FaceD;
    }
    parsed.AutoDetectInput = parsed.CodeIn == Undetermined;
    if (parsed.CodeOut == Undetermined || parsed.FileIn.empty()) return false;
    if (parsed.CodeOut == BIG5 && parsed.face == FaceS) parsed.face = FaceD;
    parsed.InPlace = names == 1;
    if (parsed.InPlace) parsed.FileOut = parsed.FileIn;
    return true;
}

int RunCommandLine(const std::vector<std::string>& args) {
    CommandLineArgs parsed;
    if (!ParseCommandLine(args, parsed)) {
        ShowError(UsageText);
        return ExitUsage;
    }
    try {
        return ConvertAll(parsed);
    } catch (const std::exception& error) {
        // Engine, settings and mask failures carry the user's words already.
        ShowError(error.what());
    }
    return ExitFailure;
}

int RunProgram(const std::vector<std::string>& args) {
    if (DetectRunMode(args) == RunMode::CommandLine) return RunCommandLine(args);
    // The windows are a program of their own beside this one.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::string desktop = (self.parent_path() / DesktopProgramName).string();
        std::vector<char*> argv{const_cast<char*>(desktop.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(desktop.c_str(), argv.data()); // returns only when it could not start
    }
    ShowError("This build of Tessarim has no desktop program; convert files with switches, "
              "for example: tessarim /i:gbk /o:big5 old.txt new.txt");
    return ExitFailure;
}

} // namespace tessarim
