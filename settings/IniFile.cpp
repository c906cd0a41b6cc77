#include "settings/IniFile.h"

#include "common/AsciiText.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessarim {

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// One line of the file: [begin, end) is its text without the line break, next
// is where the following line starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    // A byte-order mark in front of the first section is no part of its line.
    if (text.starts_with("\xEF\xBB\xBF")) begin = 3;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        const std::size_t next = newline == std::string::npos ? text.size() : newline + 1;
        std::size_t end = newline == std::string::npos ? text.size() : newline;
        if (end > begin && text[end - 1] == '\r') --end;
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

// The section a line opens, if it is a section line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimSpaces(line);
    if (!line.starts_with('[')) return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimSpaces(line.substr(1, close - 1));
}

// Where the file holds a key: the line, and the offset of its '=' in the file.
struct KeyPlace {
    std::size_t line;
    std::size_t equals;
};

struct Lookup {
    std::optional<KeyPlace> key;
    // The last line with text in the first matching section, or its heading.
    std::optional<std::size_t> sectionEnd;
};

// Finds the first "key=" line inside any section of the name; sections of the
// same name count as one, and of duplicate keys the first wins.
Lookup Find(const std::string& text, const std::vector<Line>& lines, std::string_view section,
            std::string_view key) {
    Lookup result;
    bool inSection = false;
    bool firstSectionOpen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line(text.data() + lines[i].begin, lines[i].end - lines[i].begin);
        if (const auto name = SectionName(line)) {
            inSection = EqualIgnoringAsciiCase(*name, section);
            firstSectionOpen = inSection && !result.sectionEnd;
            if (firstSectionOpen) result.sectionEnd = i;
            continue;
        }
        if (!inSection) continue;
        if (firstSectionOpen && !TrimSpaces(line).empty()) result.sectionEnd = i;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (EqualIgnoringAsciiCase(TrimSpaces(line.substr(0, equals)), key)) {
            result.key = KeyPlace{i, lines[i].begin + equals};
            return result;
        }
    }
    return result;
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

std::optional<std::string> FindValue(const std::string& path, std::string_view section,
                                     std::string_view key) {
    const auto text = ReadFile(path);
    if (!text) return std::nullopt;
    const std::vector<Line> lines = SplitLines(*text);
    const Lookup found = Find(*text, lines, section, key);
    if (!found.key) return std::nullopt;
    const Line& line = lines[found.key->line];
    std::string_view value(text->data() + found.key->equals + 1, line.end - found.key->equals - 1);
    value = TrimSpaces(value);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, IniValueLimit));
}

// The value as it goes into the file: only its first line, and quoted when the
// reader would otherwise lose blanks or quotes at its ends.
std::string StoredValue(std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const bool blankAtEnd = !value.empty() && (IsSpace(value.front()) || IsSpace(value.back()));
    const bool quoted =
        value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (!blankAtEnd && !quoted) return std::string(value);
    std::string stored = "\"";
    stored += value;
    stored += '"';
    return stored;
}

std::string Edit(const std::string& text, std::string_view section, std::string_view key,
                 std::string_view value) {
    const std::vector<Line> lines = SplitLines(text);
    const Lookup found = Find(text, lines, section, key);
    const std::string stored = StoredValue(value);
    if (found.key) {
        const Line& line = lines[found.key->line];
        return text.substr(0, found.key->equals + 1) + stored + text.substr(line.end);
    }
    const std::size_t firstBreak = text.find('\n');
    const bool crlf =
        firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
    const std::string_view lineBreak = crlf ? "\r\n" : "\n";
    std::string entry(key);
    entry += '=';
    entry += stored;
    entry += lineBreak;
    if (found.sectionEnd) {
        const std::size_t at = lines[*found.sectionEnd].next;
        std::string out = text.substr(0, at);
        if (!out.empty() && out.back() != '\n') out += lineBreak;
        return out + entry + text.substr(at);
    }
    std::string out = text;
    if (!lines.empty()) {
        if (out.back() != '\n') out += lineBreak;
        out += lineBreak;
    }
    out += '[';
    out += section;
    out += ']';
    out += lineBreak;
    return out + entry;
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Puts the new contents in place of the file through a temporary file beside
// it, so the file is always either the old or the new one.
bool ReplaceFile(const std::string& path, const std::string& contents) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target = path;
    // Through a symbolic link the file it names is replaced, not the link.
    if (fs::symlink_status(target, error).type() == fs::file_type::symlink) {
        target = fs::weakly_canonical(target, error);
        if (error) return false;
    }
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists) {
        // Read-only means the owner's write bit is clear, even for root.
        if (!S_ISREG(status.st_mode) || !(status.st_mode & S_IWUSR)) return false;
        if (::access(target.c_str(), W_OK) != 0) return false;
    } else if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) return false;
    }
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp =
            target.string() + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = (!exists || ::fchmod(fd, status.st_mode & 07777) == 0) && WriteAll(fd, contents) &&
              ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

} // namespace

std::optional<std::int64_t> ParseIniInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // from_chars would accept a second sign; only digits may follow here.
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    std::uint64_t magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, magnitude, base);
    if (error != std::errc() || ptr != end) return std::nullopt;
    constexpr std::uint64_t largest = 0x7FFFFFFFFFFFFFFF;
    if (magnitude > largest + (negative ? 1 : 0)) return std::nullopt;
    if (!negative) return static_cast<std::int64_t>(magnitude);
    return magnitude == largest + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    if (auto value = FindValue(path_, section, key)) return std::move(*value);
    return std::string(def);
}

std::int64_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int64_t def) const {
    const auto value = FindValue(path_, section, key);
    if (!value) return def;
    return ParseIniInteger(*value).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string text;
    std::error_code error;
    if (std::filesystem::exists(path_, error)) {
        auto current = ReadFile(path_);
        if (!current) throw IniWriteError("Unable to write to " + path_);
        text = std::move(*current);
    }
    if (!ReplaceFile(path_, Edit(text, section, key, value)))
        throw IniWriteError("Unable to write to " + path_);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int64_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace tessarim
