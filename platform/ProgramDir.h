#pragma once
// The folder that holds Tessarim.ini, the fix tables and their index files.
#include <string>
#include <string_view>

namespace tessarim {

// What the choice of the program folder depends on, gathered so the rule can be
// checked without touching the process environment.
struct ProgramDirInputs {
    std::string exeFolder;     // folder of the running executable
    bool exeFolderWritable;    // this user may create files there
    std::string tessarimHome;  // $TESSARIM_HOME, empty when unset
    std::string xdgConfigHome; // $XDG_CONFIG_HOME, empty when unset
    std::string home;          // the user's home folder
    bool installed = false;    // the executable stands in an installed layout (see below)
};

// $TESSARIM_HOME when set; else the executable's folder when it is writable and
// not installed (a build folder, a copy unpacked by the user); else the per-user
// configuration folder "$XDG_CONFIG_HOME/tessarim/". An installed copy never
// writes beside itself, even when run by root. The result ends in '/'.
std::string ResolveProgramDir(const ProgramDirInputs& inputs);

// The program folder of this process, worked out on first use and kept. The
// configuration folder may not exist yet: writers create missing folders.
const std::string& ProgramDir();

// The folder of the running executable, ending in '/' (empty when unknown).
const std::string& ExecutableFolder();

// The installed data folder ("share/tessarim/" of the prefix the executable was
// installed to, found relative to it), ending in '/'; empty when the executable
// does not stand in an installed layout.
const std::string& InstalledDataFolder();

// The user's home folder, from $HOME (empty when unset).
std::string HomeFolder();

} // namespace tessarim
