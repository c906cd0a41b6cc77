#pragma once
// The settings file format: sections in brackets, "key=value" lines, sections and
// keys matched without regard to ASCII case. Every call opens the file by path,
// reads or rewrites it and closes it again, so no stale copy is ever kept.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessarim {

// A write the file system refused; the text is "Unable to write to <path>".
class IniWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Longest value one read returns, in bytes; longer values are cut.
inline constexpr std::size_t IniValueLimit = 2047;

// Reads an integer as a settings value: optional sign, then decimal digits or
// "0x"/"0X" and hexadecimal digits, nothing else. Empty when the text is not such
// a number or does not fit.
std::optional<std::int64_t> ParseIniInteger(std::string_view text);

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // The value of the first matching key: the text after the first '=' without
    // the blanks around it and without one pair of enclosing quotes (' or "),
    // cut to IniValueLimit bytes. Bytes pass through unchanged. The default
    // when the file, the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // The default also when the value is not a number (see ParseIniInteger).
    std::int64_t ReadInteger(std::string_view section, std::string_view key,
                             std::int64_t def) const;
    // Any integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Replaces the value of the first matching key in place, or adds the key at
    // the end of its section, or adds the section at the end of the file; every
    // other line stays as it was. The file is replaced as a whole, so a failed
    // write leaves the old file. A value is written in quotes when the reader
    // would otherwise strip blanks or quotes from it; it ends at a line break.
    // Throws IniWriteError when the file or its folder cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    std::string path_;
};

} // namespace tessarim
