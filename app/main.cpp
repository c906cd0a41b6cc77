// The program's entry: a command-line run when any argument is a switch,
// otherwise the desktop program.
#include "app/CommandLine.h"
#include "data/Version.h"
#include "platform/ProgramDir.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("tessarim %s\nSettings folder: %s\n", tessarim::VersionString(),
                    tessarim::ProgramDir().c_str());
        return tessarim::ExitSuccess;
    }
    return tessarim::RunProgram(args);
}
