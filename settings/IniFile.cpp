#include "settings/IniFile.h"

#include "common/AsciiText.h"
#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessarim {

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// Bytes of a line looked at: a key, its '=' and a value as long as one read
// returns, with room for blanks and quotes around it. Lines run on as long as
// they like; what stands beyond this is never read into memory.
constexpr std::size_t LineKept = 2 * IniValueLimit + 256;

// One line of the file: its text without the line break (cut to LineKept
// bytes), and where in the file it begins, ends and the next one begins.
struct Line {
    std::string_view text;
    std::uint64_t begin;
    std::uint64_t end;
    std::uint64_t next;
    bool broken; // a line feed ends it
};

// The lines of a file read piece by piece, or of a text in memory, one after
// another: memory stays bounded by the piece, however long the file.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}
    explicit LineReader(std::string_view text) : buffer_(text), done_(true) {}

    // The next line; false at the end or on a read error (see Failed).
    bool Next(Line& line) {
        if (offset_ == 0 && !started_) {
            started_ = true;
            // A byte-order mark in front of the first section is no part of its line.
            if (Fill(3) && std::string_view(Data(), Available()).starts_with("\xEF\xBB\xBF"))
                Skip(3);
        }
        current_.clear();
        line.begin = offset_;
        bool truncated = false;
        bool broken = false;
        for (;;) {
            if (Available() == 0 && !Fill(1)) {
                if (offset_ == line.begin) return false; // nothing after the last break
                break;
            }
            const std::string_view piece(Data(), Available());
            const std::size_t newline = piece.find('\n');
            const std::size_t take = newline == std::string_view::npos ? piece.size() : newline;
            if (!truncated) {
                const std::size_t room = LineKept - current_.size();
                current_.append(piece.substr(0, std::min(take, room)));
                truncated = take > room;
            }
            Skip(take);
            if (newline != std::string_view::npos) {
                broken = true;
                break;
            }
        }
        line.end = offset_;
        // A CR before the break, or at the very end, is no part of the line.
        if (offset_ > line.begin && lastByte_ == '\r') {
            --line.end;
            if (current_.size() == line.end + 1 - line.begin) current_.pop_back();
        }
        if (broken) Skip(1);
        line.next = offset_;
        line.broken = broken;
        line.text = current_;
        return true;
    }

    bool Failed() const { return failed_; }

private:
    const char* Data() const { return buffer_.data() + position_; }
    std::size_t Available() const { return buffer_.size() - position_; }
    void Skip(std::size_t count) {
        lastByte_ = count > 0 ? Data()[count - 1] : lastByte_;
        position_ += count;
        offset_ += count;
    }

    // At least want bytes available, unless the file ends first.
    bool Fill(std::size_t want) {
        while (Available() < want && !done_) {
            storage_.erase(0, position_);
            const std::size_t kept = storage_.size();
            storage_.resize(kept + piece_);
            ssize_t got;
            do {
                got = ::read(fd_, storage_.data() + kept, piece_);
            } while (got < 0 && errno == EINTR);
            // Pieces grow while reads fill them: a settings file of a few
            // hundred bytes, read for every value asked, costs no 64 KiB
            // buffer cleared each time.
            if (got == static_cast<ssize_t>(piece_)) piece_ = std::min(2 * piece_, Piece);
            failed_ = got < 0;
            done_ = got <= 0;
            storage_.resize(kept + static_cast<std::size_t>(got > 0 ? got : 0));
            buffer_ = storage_;
            position_ = 0;
        }
        return Available() >= want;
    }

    static constexpr std::size_t Piece = 64 * 1024;
    std::size_t piece_ = 1024;
    int fd_ = -1;
    std::string storage_;
    std::string_view buffer_;
    std::size_t position_ = 0;
    std::uint64_t offset_ = 0;
    std::string current_;
    char lastByte_ = 0;
    bool started_ = false;
    bool done_ = false;
    bool failed_ = false;
};

// The section a line opens, if it is a section line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimSpaces(line);
    if (!line.starts_with('[')) return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimSpaces(line.substr(1, close - 1));
}

struct Lookup {
    // The key's line and the offset of its '=' in the file.
    std::optional<Line> key;
    std::uint64_t equals = 0;
    std::string value; // its value as read, when found
    // Where the line after the last line with text in the first matching
    // section (or its heading) begins, and whether that line had a break.
    std::optional<std::uint64_t> sectionEnd;
    bool sectionEndBroken = true;
    std::uint64_t size = 0; // of the whole text, when the key was not found
    bool empty = true;      // the text has no lines
    bool crlf = false;      // the first line ends in CR LF
};

// Finds the first "key=" line inside any section of the name; sections of the
// same name count as one, and of duplicate keys the first wins.
Lookup Find(LineReader& reader, std::string_view section, std::string_view key) {
    Lookup result;
    bool inSection = false;
    bool firstSectionOpen = false;
    Line line{};
    const auto markEnd = [&] {
        result.sectionEnd = line.next;
        result.sectionEndBroken = line.broken;
    };
    for (bool first = true; reader.Next(line); first = false) {
        if (first) result.crlf = line.next > line.end + 1;
        result.empty = false;
        result.size = line.next;
        if (const auto name = SectionName(line.text)) {
            inSection = EqualIgnoringAsciiCase(*name, section);
            firstSectionOpen = inSection && !result.sectionEnd;
            if (firstSectionOpen) markEnd();
            continue;
        }
        if (!inSection) continue;
        if (firstSectionOpen && !TrimSpaces(line.text).empty()) markEnd();
        const std::size_t equals = line.text.find('=');
        if (equals == std::string_view::npos) continue;
        if (EqualIgnoringAsciiCase(TrimSpaces(line.text.substr(0, equals)), key)) {
            std::string_view value = TrimSpaces(line.text.substr(equals + 1));
            if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            result.value = std::string(value.substr(0, IniValueLimit));
            result.key = line;
            result.equals = line.begin + equals;
            return result;
        }
    }
    return result;
}

// Opens the settings file for reading when it is a regular file: a FIFO in its
// place is not waited on, a folder not read.
int OpenSettings(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path) {
    const int fd = OpenSettings(path);
    if (fd < 0) return std::nullopt;
    std::string text;
    std::array<char, 64 * 1024> piece;
    ssize_t got;
    while ((got = ::read(fd, piece.data(), piece.size())) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        text.append(piece.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::optional<std::string> FindValue(const std::string& path, std::string_view section,
                                     std::string_view key) {
    const int fd = OpenSettings(path);
    if (fd < 0) return std::nullopt;
    LineReader reader(fd);
    Lookup found = Find(reader, section, key);
    ::close(fd);
    if (!found.key) return std::nullopt;
    return std::move(found.value);
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
    LineReader reader(text);
    const Lookup found = Find(reader, section, key);
    const std::string stored = StoredValue(value);
    if (found.key) return text.substr(0, found.equals + 1) + stored + text.substr(found.key->end);
    const std::string_view lineBreak = found.crlf ? "\r\n" : "\n";
    std::string entry(key);
    entry += '=';
    entry += stored;
    entry += lineBreak;
    if (found.sectionEnd) {
        const std::size_t at = *found.sectionEnd;
        std::string out = text.substr(0, at);
        if (!found.sectionEndBroken) out += lineBreak;
        return out + entry + text.substr(at);
    }
    std::string out = text;
    if (!found.empty) {
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
    // A link is written through only when it is the user's own: one another
    // user planted may lead to any file of the user running the program.
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (link.st_uid != ::geteuid()) return false;
        target = fs::weakly_canonical(target, error);
        if (error) return false;
    }
    struct stat status {};
    const bool exists = ::lstat(target.c_str(), &status) == 0;
    if (exists) {
        // Read-only means the owner's write bit is clear, even for root.
        if (!S_ISREG(status.st_mode) || !(status.st_mode & S_IWUSR)) return false;
        if (::access(target.c_str(), W_OK) != 0) return false;
    } else if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) return false;
    }
    // A name no one can foresee, created exclusively: nothing planted under it
    // is ever opened.
    std::string temp = target.string() + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    mode_t mode = status.st_mode & 0777;
    if (!exists) mode = 0666 & ~static_cast<mode_t>(FileCreationMask());
    // The file stays its owner's, or is not written.
    bool ok = !exists || (status.st_uid == ::geteuid() && status.st_gid == ::getegid()) ||
              ::fchown(fd, status.st_uid, status.st_gid) == 0;
    ok = ok && ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
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
    if (std::filesystem::exists(std::filesystem::symlink_status(path_, error))) {
        auto current = ReadFile(path_);
        if (!current) throw IniWriteError("Unable to write to " + path_);
        text = std::move(*current);
    }
    std::string edited = Edit(text, section, key, value);
    // The value stands already: a window saving all its settings on closing
    // would otherwise rewrite and flush the file once for each of them.
    if (!text.empty() && edited == text) return;
    if (!ReplaceFile(path_, edited)) throw IniWriteError("Unable to write to " + path_);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int64_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace tessarim
