// The program's entry: a command-line run when any argument is a switch,
// otherwise the desktop program.
#include "app/CommandLine.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tessarim::RunProgram(args);
}
