#include "core/Paths.h"

#include "common/AsciiText.h"
#include "engine/ConFunc.h"
#include "engine/SafeWrite.h"
#include "platform/Files.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tessarim {

namespace {

constexpr char Separator = '/';
constexpr std::size_t Nowhere = std::string_view::npos;
constexpr std::array<unsigned char, 8> CompoundSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                            0xA1, 0xB1, 0x1A, 0xE1};

// Position just after the last separator (0 when there is none).
std::size_t NameStart(std::string_view path) {
    const std::size_t slash = path.rfind(Separator);
    return slash == Nowhere ? 0 : slash + 1;
}

// One part (base name or extension) of an output name, appended to out: the
// pattern's characters, "*" taking the rest of the input's part from the same
// position and ending the walk, "?" taking the input's character at the same
// position. Positions count characters, not bytes.
void AppendPattern(std::string& out, std::string_view pattern, std::string_view input) {
    if (pattern.find_first_of("*?") == Nowhere) {
        out += pattern;
        return;
    }
    std::size_t in = 0; // byte offset of the input character at the current position
    for (std::size_t p = 0; p < pattern.size();) {
        const std::size_t patternLength = CharLengthAt(pattern, p);
        const std::size_t inputLength = CharLengthAt(input, in);
        if (pattern[p] == '*') {
            out += input.substr(in);
            break;
        }
        if (pattern[p] == '?')
            out += input.substr(in, inputLength);
        else
            out += pattern.substr(p, patternLength);
        p += patternLength;
        in += inputLength;
    }
}

// The extension with its dot, or nothing; the name without it. Views into the
// path: output names are made for thousands of files at a time.
std::string_view ExtensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == Nowhere || dot < NameStart(path)) return {};
    return path.substr(dot);
}

std::string_view WithoutExtension(std::string_view name) {
    return name.substr(0, name.size() - ExtensionOf(name).size());
}

} // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (pos + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
    return length;
}

std::string ExtractFileName(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string ExtractFilePath(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string ExtractFileDir(std::string_view path) {
    const std::string folderPart = ExtractFilePath(path);
    return folderPart == "/" ? folderPart : RemoveTrailingBackslash(folderPart);
}

std::string ExtractFileExt(std::string_view path) {
    return std::string(ExtensionOf(path));
}

std::string StripExtension(std::string_view name) {
    return std::string(WithoutExtension(name));
}

std::string AddTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != Separator) out += Separator;
    return out;
}

std::string RemoveTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == Separator) path.remove_suffix(1);
    return std::string(path);
}

bool IsDriveRoot(std::string_view path) {
    return path == "/";
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
    const std::string inner = RemoveTrailingBackslash(path);
    const std::string outer = RemoveTrailingBackslash(folder);
    return inner.size() > outer.size() && inner.starts_with(outer) &&
           inner[outer.size()] == Separator;
}

bool DirExists(const std::string& path) {
    return QueryFileKind(path) == FileKind::Folder;
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) throw ConvertError("Cannot create dir: " + folder);
    // A run of separators is one separator to the file system; dropping them all
    // keeps the parent strictly shorter, so the walk up always ends.
    std::string name = folder;
    while (!name.empty() && name.back() == Separator)
        name.pop_back();
    if (name.empty() || DirExists(name)) return true; // the root, or nothing to do
    const std::string parent = ExtractFilePath(name);
    if (!parent.empty() && !ForceDirectories(parent)) return false;
    std::error_code error;
    std::filesystem::create_directory(name, error);
    // Someone else may have created it meanwhile; what counts is that it is there.
    return DirExists(name);
}

std::string BuildOutputName(std::string_view inputPath, std::string_view patternPath) {
    const std::string_view inputName = inputPath.substr(NameStart(inputPath));
    const std::size_t patternStart = NameStart(patternPath);
    const std::string_view patternName = patternPath.substr(patternStart);
    // A lone "*" keeps the input's extension, whatever it is.
    const std::string_view patternExt = patternName == "*" ? ".*" : ExtensionOf(patternName);
    std::string out;
    out.reserve(patternPath.size() + inputName.size());
    out += patternPath.substr(0, patternStart);
    AppendPattern(out, WithoutExtension(patternName), WithoutExtension(inputName));
    AppendPattern(out, patternExt, ExtensionOf(inputName));
    return out;
}

void SplitMaskList(std::vector<std::string>& list, std::string_view text, char separator) {
    list.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != separator) continue;
        list.push_back(LowerCaseAscii(text.substr(start, i - start)));
        start = i + 1;
    }
    if (start < text.size()) list.push_back(LowerCaseAscii(text.substr(start)));
}

MaskList::MaskList(std::string_view text) {
    std::vector<std::string> pieces;
    SplitMaskList(pieces, text, ',');
    masks_.reserve(pieces.size());
    for (const std::string& piece : pieces) {
        try {
            masks_.emplace_back(TMaskEx(Trim(piece)));
        } catch (const EMaskError&) {
            masks_.emplace_back(std::nullopt);
        }
    }
}

bool MaskList::Matches(std::string_view subject) const {
    const std::string lowered = LowerCaseAscii(subject);
    for (const std::optional<TMaskEx>& mask : masks_) {
        if (!mask) throw EMaskError();
        if (mask->Matches(lowered)) return true;
    }
    return false;
}

bool IsIgnoredFile(const MaskList& ignore, std::string_view name) {
    return ignore.Matches(name);
}

bool IsHtmlTypeFile(const MaskList& htmlTypes, const std::string& path) {
    const FileKind kind = QueryFileKind(path);
    if (kind == FileKind::Missing || kind == FileKind::Folder) return false;
    return htmlTypes.Matches(ExtractFileName(path));
}

bool IsCompoundDocument(const std::string& path) {
    switch (QueryFileKind(path)) {
    case FileKind::Regular:
        break;
    // Opening a FIFO would wait for a writer; none of these holds a document.
    case FileKind::System:
        return false;
    default:
        throw ConvertError("Cannot open file " + path);
    }
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file) throw ConvertError("Cannot open file " + path);
    return HasCompoundSignature(file.get());
}

bool HasCompoundSignature(int fd) {
    std::array<unsigned char, CompoundSignature.size()> head{};
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t read =
            ::pread(fd, head.data() + got, head.size() - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) break;
        got += static_cast<std::size_t>(read);
    }
    return got == head.size() && head == CompoundSignature;
}

} // namespace tessarim
