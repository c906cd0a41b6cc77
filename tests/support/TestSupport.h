#pragma once
// Small helpers shared by the tests: hex text, temporary folders, captured messages.
#include "platform/Message.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessarim::test {

// "c4e3 41" -> the bytes C4 E3 41 (blanks are ignored).
std::string FromHex(std::string_view hex);
std::string ToHex(std::string_view bytes);

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return path_; }
    // The folder with a trailing '/', as the program folder is given.
    std::string Dir() const { return path_.string() + "/"; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

// Sets (or, with nullptr, removes) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    const char* name_;
    std::optional<std::string> old_;
};

// What a finished child process left behind.
struct ProcessResult {
    int status = -1; // exit status, -1 when it did not exit normally
    std::string errorOutput;
};

// Runs program with the arguments in folder, with extra environment variables
// ("NAME=value") added to this process's own, and waits for it; when
// timeoutSeconds is not 0, a program still running then is ended.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder,
                         const std::vector<std::string>& environment = {}, int timeoutSeconds = 0);

// Collects every message shown while it lives, instead of printing them.
class CapturedMessages {
public:
    CapturedMessages();
    ~CapturedMessages();
    const std::vector<std::pair<MessageKind, std::string>>& messages() const { return messages_; }
    // The texts only, joined by "|".
    std::string texts() const;

private:
    std::vector<std::pair<MessageKind, std::string>> messages_;
    MessageHandler previous_;
};

} // namespace tessarim::test
