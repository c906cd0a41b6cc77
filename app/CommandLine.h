#pragma once
// The program's entry decisions and the command-line converter.
#include "engine/ConFunc.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

enum class RunMode { CommandLine = 0, Windowed = 1, FileWindow = 2 };

// Exit statuses of a command-line run.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// The switch syntax: "/" + one letter + ":" (for example "/o:GBK"). Everything
// else, absolute paths included, is a file name.
bool IsSwitch(std::string_view argument);

// args are the arguments after the program's own path. A switch or a long option
// ("--help") makes a command-line run.
RunMode DetectRunMode(const std::vector<std::string>& args);

struct CommandLineArgs {
    std::string FileIn;
    std::string FileOut;
    // No output name was given: every file is converted in place, under its own
    // name (also where FileIn lists several patterns).
    bool InPlace = false;
    Code CodeIn = Undetermined;
    Code CodeOut = Undetermined;
    Face face = FaceD;
    bool AutoDetectInput = false;
    bool faceGiven = false;

    // What the run does instead of converting, when an option asks for it.
    enum class Task { Convert, Help, Version, ListCodes, Detect };
    Task task = Task::Convert;
    // Per-run choices over the settings file's: a byte-order mark on UTF-8
    // output, decoding numeric references, the correction tables.
    std::optional<bool> bom;
    std::optional<bool> references;
    bool fixTables = true;
    bool strict = false;    // a replaced character fails its file
    bool recursive = false; // patterns look into subfolders
    bool quiet = false;     // errors only
    bool verbose = false;   // a line for every file
    // The names a detection run looks at (the shell may expand many).
    std::vector<std::string> names;

    // Why the arguments were refused, in the user's words; empty when the
    // usage text is the answer.
    std::string problem;
};

// The code a name stands for on the command line (ULE, UBE, UTF8, GBK, BIG5 and
// their aliases UTF-16LE, UTF-16BE, UTF-8, GB2312, CP936, CP950), in any letter
// case; Undetermined for any other name.
Code CodeByName(std::string_view name);

// The name the command line gives a code: "ULE", "UBE", "UTF8", "GBK", "BIG5".
std::string_view CodeKeyword(Code code);

// Parses "[CodeIn] <CodeOut> [Face] <FileIn> [FileOut]", switches and names in any
// order, and the long options (--help, --strict, ...) anywhere. False means the
// run ends with the problem, or the usage text when there is none.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLineArgs& parsed);

extern const char* const UsageText;
// The usage text and the long options, for --help.
extern const char* const HelpText;

// The whole command-line run; returns the exit status.
int RunCommandLine(const std::vector<std::string>& args);

// The desktop program, found beside the command-line program.
inline constexpr const char* DesktopProgramName = "tessarim-desktop";

// The entry: a command-line run, or the desktop program started in this
// process's place with the same arguments.
int RunProgram(const std::vector<std::string>& args);

} // namespace tessarim
