#include "tests/support/TestSupport.h"

#include <algorithm>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tessarim::test {

std::string FromHex(std::string_view hex) {
    std::string digits;
    for (const char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2) throw std::invalid_argument("odd number of hex digits");
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string ToHex(std::string_view bytes) {
    std::string out;
    for (const unsigned char b : bytes) {
        out += "0123456789abcdef"[b >> 4];
        out += "0123456789abcdef"[b & 15];
    }
    return out;
}

TempFolder::TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "tessarim-test-XXXXXX").string();
    if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = name;
    // Open to others as folders usually are: some tests act as another user.
    std::filesystem::permissions(path_, std::filesystem::perms(0755));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

CapturedMessages::CapturedMessages()
    : previous_(SetMessageHandler([this](MessageKind kind, std::string_view text) {
          messages_.emplace_back(kind, std::string(text));
      })) {}

CapturedMessages::~CapturedMessages() {
    SetMessageHandler(std::move(previous_));
}

std::string CapturedMessages::texts() const {
    std::string out;
    for (const auto& [kind, text] : messages_) {
        if (!out.empty()) out += '|';
        out += text;
    }
    return out;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder, const std::vector<std::string>& environment,
                         int timeoutSeconds) {
    int pipeEnds[2];
    // Both ends close on exec; the child's standard error stays.
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipeEnds[1], 2);
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        for (const std::string& variable : environment)
            ::putenv(const_cast<char*>(variable.c_str()));
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        // The alarm outlives exec: a program still running then is ended by it.
        ::alarm(static_cast<unsigned>(timeoutSeconds));
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    ProcessResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) result.errorOutput.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

} // namespace tessarim::test
