#include "app/CommandLine.h"

#include "app/FileRun.h"
#include "core/FileJob.h"
#include "data/Version.h"
#include "platform/Message.h"
#include "platform/ProgramDir.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iostream>
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
    "[Face] (optional, default is T from GBK to Big5, S from Big5 to GBK, D otherwise)\r\n"
    "  /f:x    where 'x' is the typeface of output file\r\n"
    "  * Valid values of 'x' are: T (traditional), S (simplified), D (default)\r\n\r\n"
    "<FileIn> \r\n"
    "  Input Filename\r\n\r\n"
    "[FileOut] (optional, FileIn will be overwritten if this param is omitted)\r\n"
    "  Output Filename.\r\n\r\n"
    "Example: tessarim /i:big5 /o:ule /f:s test.txt\r\n"
    "  (This will convert test.txt from Big5 to Unicode-LE in Simplified Chinese)";

const char* const HelpText =
    "\r\n\r\n"
    "FileIn and FileOut may be \"-\" for standard input and output; FileIn may be a\r\n"
    "pattern ('*.txt', several joined by \";\"), FileOut a pattern too ('out/*.b5').\r\n\r\n"
    "Options:\r\n"
    "  --bom, --no-bom          a byte-order mark on UTF-8 output, or none\r\n"
    "  --refs, --no-refs        decode numeric references (&#20013;) or leave them\r\n"
    "  --no-fix-tables          leave the correction tables out\r\n"
    "  --strict                 a character the target code lacks fails the file\r\n"
    "                           and leaves its destination as it was\r\n"
    "  -r, --recursive          patterns look into subfolders too\r\n"
    "  --detect                 print the detected code of each file, convert nothing\r\n"
    "  -q, --quiet              errors only\r\n"
    "  -v, --verbose            a line for every file\r\n"
    "  -l, --list-codes         the codes and the other names they take\r\n"
    "  -h, --help               this text\r\n"
    "      --version            the version and the settings folder\r\n\r\n"
    "Exit status: 0 when every file was converted or skipped by rule, 1 when a\r\n"
    "file failed or a file named alone was skipped, 2 for a command line refused.";

namespace {

struct CodeName {
    std::string_view name;
    Code code;
};

// The described keywords first: they are what the command line writes.
constexpr std::array<CodeName, 14> CodeNames = {{
    {"ULE", ULE},
    {"UBE", UBE},
    {"UTF8", UTF8},
    {"GBK", GBK},
    {"BIG5", BIG5},
    {"UTF-16LE", ULE},
    {"UTF16LE", ULE},
    {"UTF-16BE", UBE},
    {"UTF16BE", UBE},
    {"UTF-8", UTF8},
    {"GB2312", GBK},
    {"CP936", GBK},
    {"CP950", BIG5},
    {"BIG-5", BIG5},
}};

std::string CodeListText() {
    std::string text;
    for (const Code code : {ULE, UBE, UTF8, GBK, BIG5}) {
        text += CodeKeyword(code);
        const char* separator = "\t";
        for (const CodeName& alias : CodeNames) {
            if (alias.code != code || alias.name == CodeKeyword(code)) continue;
            text += separator;
            text += alias.name;
            separator = ", ";
        }
        text += '\n';
    }
    return text;
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

// "/i:" and "/o:": a known code, not given before.
bool TakeCode(std::string_view argument, Code& code, std::string& problem) {
    if (code != Undetermined) {
        problem = "The code " + Quoted(argument) + " is given twice.";
        return false;
    }
    code = CodeByName(argument.substr(3));
    if (code != Undetermined) return true;
    problem = "Unknown code " + Quoted(argument.substr(3)) + " in " + Quoted(argument) +
              ". Codes: ULE, UBE, UTF8, GBK, BIG5 (tessarim --list-codes names the others).";
    return false;
}

bool TakeFace(std::string_view argument, Face& face, std::string& problem) {
    if (argument.size() == 4) {
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
            break;
        }
    }
    problem = "Unknown typeface in " + Quoted(argument) +
              ". Typefaces: T (Traditional), S (Simplified), D (unchanged).";
    return false;
}

// A long option, or one of the short ones; false for none of them.
bool TakeOption(std::string_view option, CommandLineArgs& parsed) {
    using Task = CommandLineArgs::Task;
    if (option == "--help" || option == "-h" || option == "/?")
        parsed.task = Task::Help;
    else if (option == "--version")
        parsed.task = Task::Version;
    else if (option == "--list-codes" || option == "-l")
        parsed.task = Task::ListCodes;
    else if (option == "--detect")
        parsed.task = Task::Detect;
    else if (option == "--bom" || option == "--no-bom")
        parsed.bom = option == "--bom";
    else if (option == "--refs" || option == "--no-refs")
        parsed.references = option == "--refs";
    else if (option == "--fix-tables" || option == "--no-fix-tables")
        parsed.fixTables = option == "--fix-tables";
    else if (option == "--strict")
        parsed.strict = true;
    else if (option == "--recursive" || option == "-r")
        parsed.recursive = true;
    else if (option == "--quiet" || option == "-q")
        parsed.quiet = true;
    else if (option == "--verbose" || option == "-v")
        parsed.verbose = true;
    else
        return false;
    return true;
}

// "/?" is how users of the other system ask for help; a path it is not.
bool IsOption(std::string_view argument) {
    return argument.starts_with("--") || argument == "/?" ||
           (argument.size() == 2 && argument[0] == '-' &&
            std::string_view("hlrqv").find(argument[1]) != std::string_view::npos);
}

void ShowError(const std::string& text) {
    ShowMessage(MessageKind::Error, text);
}

} // namespace

Code CodeByName(std::string_view name) {
    for (const CodeName& known : CodeNames) {
        if (std::equal(
                name.begin(), name.end(), known.name.begin(), known.name.end(),
                [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }))
            return known.code;
    }
    return Undetermined;
}

std::string_view CodeKeyword(Code code) {
    return code <= BIG5 ? CodeNames[static_cast<std::size_t>(code)].name : "?";
}

bool IsSwitch(std::string_view argument) {
    return argument.size() >= 3 && argument[0] == '/' &&
           std::isalpha(static_cast<unsigned char>(argument[1])) && argument[2] == ':';
}

RunMode DetectRunMode(const std::vector<std::string>& args) {
    if (std::any_of(args.begin(), args.end(),
                    [](const std::string& a) { return IsSwitch(a) || IsOption(a); }))
        return RunMode::CommandLine;
    return args.empty() ? RunMode::Windowed : RunMode::FileWindow;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLineArgs& parsed) {
    using Task = CommandLineArgs::Task;
    parsed = CommandLineArgs{};
    std::vector<std::string> described;
    bool optionsEnded = false; // after "--" every argument is a name or switch
    for (const std::string& argument : args) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && IsOption(argument)) {
            if (!TakeOption(argument, parsed)) {
                parsed.problem = "Unknown option " + Quoted(argument) + ". Try tessarim --help.";
                return false;
            }
        } else {
            described.push_back(argument);
        }
    }
    if (parsed.task == Task::Help || parsed.task == Task::Version || parsed.task == Task::ListCodes)
        return true;
    if (parsed.task == Task::Detect) {
        for (const std::string& argument : described) {
            if (IsSwitch(argument)) {
                parsed.problem = "--detect takes file names only, not " + Quoted(argument) + ".";
                return false;
            }
            parsed.names.push_back(argument);
        }
        return !parsed.names.empty();
    }

    if (described.size() < 2 || described.size() > 5) return false;
    // Every name takes its place, an empty one too: an empty output name (an unset
    // variable in a script) must not turn into converting the input in place.
    int names = 0;
    for (const std::string& argument : described) {
        if (!IsSwitch(argument)) {
            if (names == 2) return false;
            (names++ == 0 ? parsed.FileIn : parsed.FileOut) = argument;
            continue;
        }
        bool taken = false;
        switch (argument[1]) {
        case 'i':
        case 'I':
            taken = TakeCode(argument, parsed.CodeIn, parsed.problem);
            break;
        case 'o':
        case 'O':
            taken = TakeCode(argument, parsed.CodeOut, parsed.problem);
            break;
        case 'f':
        case 'F':
            taken = TakeFace(argument, parsed.face, parsed.problem);
            parsed.faceGiven = true;
            break;
        default:
            parsed.problem =
                "Unknown switch " + Quoted(argument) + ". Switches: /i:, /o:, /f: (see --help).";
            break;
        }
        if (!taken) return false;
    }
    if (!parsed.faceGiven) parsed.face = DefaultFace(parsed.CodeIn, parsed.CodeOut);
    parsed.AutoDetectInput = parsed.CodeIn == Undetermined;
    if (parsed.CodeOut == Undetermined || parsed.FileIn.empty()) return false;
    if (parsed.CodeOut == BIG5 && parsed.face == FaceS) parsed.face = FaceD;
    parsed.InPlace = names == 1;
    if (parsed.InPlace) parsed.FileOut = parsed.FileIn;
    return true;
}

int RunCommandLine(const std::vector<std::string>& args) {
    using Task = CommandLineArgs::Task;
    CommandLineArgs parsed;
    if (!ParseCommandLine(args, parsed)) {
        ShowError(parsed.problem.empty() ? UsageText : parsed.problem);
        return ExitUsage;
    }
    switch (parsed.task) {
    case Task::Help:
        std::cout << TerminalText(UsageText) << TerminalText(HelpText) << '\n';
        return ExitSuccess;
    case Task::Version:
        std::cout << "tessarim " << VersionString() << "\nSettings folder: " << ProgramDir()
                  << '\n';
        return ExitSuccess;
    case Task::ListCodes:
        std::cout << CodeListText();
        return ExitSuccess;
    default:
        break;
    }
    try {
        return parsed.task == Task::Detect ? DetectAll(parsed) : ConvertAll(parsed);
    } catch (const std::exception& error) {
        // Engine, settings and mask failures carry the user's words already.
        ShowError(error.what());
    }
    return ExitFailure;
}

int RunProgram(const std::vector<std::string>& args) {
    if (DetectRunMode(args) == RunMode::CommandLine) return RunCommandLine(args);
    // The windows are a program of their own beside this one.
    if (const std::string& folder = ExecutableFolder(); !folder.empty()) {
        const std::string desktop = folder + DesktopProgramName;
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
