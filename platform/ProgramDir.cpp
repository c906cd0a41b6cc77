#include "platform/ProgramDir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tessarim {

namespace {

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string ResolveProgramDir(const ProgramDirInputs& inputs) {
    if (!inputs.tessarimHome.empty()) return WithTrailingSlash(inputs.tessarimHome);
    if (inputs.exeFolderWritable && !inputs.installed && !inputs.exeFolder.empty())
        return WithTrailingSlash(inputs.exeFolder);
    // A relative $XDG_CONFIG_HOME is invalid and to be ignored.
    std::string config = inputs.xdgConfigHome;
    if (config.empty() || config.front() != '/') {
        // Without any home folder the executable's folder is the only place left.
        if (inputs.home.empty()) return WithTrailingSlash(inputs.exeFolder);
        config = WithTrailingSlash(inputs.home) + ".config";
    }
    return WithTrailingSlash(config) + "tessarim/";
}

// $HOME only: the command line is linked statically, where the password
// database cannot be read, and a session without $HOME is rare enough to fall
// back to the executable's folder.
std::string HomeFolder() {
    return Env("HOME");
}

const std::string& ExecutableFolder() {
    static const std::string folder = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string() : WithTrailingSlash(exe.parent_path().string());
    }();
    return folder;
}

const std::string& InstalledDataFolder() {
    static const std::string folder = [] {
        if (ExecutableFolder().empty()) return std::string();
        // The build places the data folder relative to the programs' folder.
        const std::filesystem::path data =
            (std::filesystem::path(ExecutableFolder()) / TESSARIM_DATA_FROM_BIN).lexically_normal();
        std::error_code error;
        return std::filesystem::is_directory(data, error) ? WithTrailingSlash(data.string())
                                                          : std::string();
    }();
    return folder;
}

const std::string& ProgramDir() {
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        ProgramDirInputs inputs;
        std::error_code error;
        inputs.exeFolder = ExecutableFolder();
        if (inputs.exeFolder.size() > 1) inputs.exeFolder.pop_back();
        inputs.installed = !InstalledDataFolder().empty();
        inputs.exeFolderWritable =
            !inputs.exeFolder.empty() && access(inputs.exeFolder.c_str(), W_OK) == 0;
        inputs.tessarimHome = Env("TESSARIM_HOME");
        if (!inputs.tessarimHome.empty()) {
            // Kept absolute so a later change of the working folder cannot move it.
            const fs::path absolute = fs::absolute(inputs.tessarimHome, error);
            if (!error) inputs.tessarimHome = absolute.lexically_normal().string();
        }
        inputs.xdgConfigHome = Env("XDG_CONFIG_HOME");
        inputs.home = HomeFolder();
        return ResolveProgramDir(inputs);
    }();
    return folder;
}

} // namespace tessarim
