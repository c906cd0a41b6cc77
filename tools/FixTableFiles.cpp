#include "tools/FixTableFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarim {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

std::string FixTablePath(FixTableMode mode, const std::string& folder) {
    const std::string name = mode == FixTableMode::ToBig5 ? "b5fix.dat" : "gbfix.dat";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (SameIgnoringCase(entry.path().filename().string(), name)) return entry.path().string();
    return folder + name;
}

std::optional<std::vector<FixEntry>> ReadFixTableFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt; // a folder by that name
    }
    if (in.bad()) return std::nullopt;
    return ReadFixTableText(text).entries;
}

bool ReplaceFixTableFile(const std::string& path, std::string_view text) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) return false;
    std::string temporary = path + ".~XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, exists ? status.st_mode & 07777 : 0644) == 0;
    for (std::string_view rest = text; ok && !rest.empty();) {
        const ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) rest.remove_prefix(static_cast<std::size_t>(written));
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

} // namespace tessarim
