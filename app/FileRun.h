#pragma once
// The files of a command-line run: each one converted (or its code detected)
// under the user's rules, with what became of it reported on standard error.
#include "app/CommandLine.h"

namespace tessarim {

// Converts FileIn into FileOut as the arguments say: a named file, a pattern
// of files, or standard input and output ("-"). Returns the exit status.
int ConvertAll(CommandLineArgs& args);

// Prints each named file's detected code on standard output, one
// "name: code" line each ("ASCII" when no byte is above 0x7F). Returns the exit
// status.
int DetectAll(const CommandLineArgs& args);

} // namespace tessarim
