#pragma once
// The program's entry decisions and the command-line converter.
#include "engine/ConFunc.h"

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

// args are the arguments after the program's own path.
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
};

// Parses "[CodeIn] <CodeOut> [Face] <FileIn> [FileOut]", switches and names in any
// order. False means the usage text is to be shown.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLineArgs& parsed);

extern const char* const UsageText;

// The whole command-line run; returns the exit status.
int RunCommandLine(const std::vector<std::string>& args);

// The desktop program, found beside the command-line program.
inline constexpr const char* DesktopProgramName = "tessarim-desktop";

// The entry: a command-line run, or the desktop program started in this
// process's place with the same arguments.
int RunProgram(const std::vector<std::string>& args);

} // namespace tessarim
