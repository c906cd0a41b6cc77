#include "engine/FileConvert.h"

#include "engine/ConvertStream.h"
#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace tessarim {

namespace {

constexpr std::size_t CopyBufferSize = 8192;

struct FaultState {
    FileFaultHook hook;
    std::uint64_t count = 0;
};

FaultState& Faults() {
    // Per thread, so a test's faults never reach a conversion running beside it.
    thread_local FaultState state;
    return state;
}

bool Injected(FileOperation operation) {
    FaultState& state = Faults();
    return state.hook && state.hook(operation, state.count++);
}

// An open file that is closed on every path.
class File {
public:
    File(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    File(File&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File& operator=(File&&) = delete;
    ~File() {
        if (file_) std::fclose(file_);
    }
    explicit operator bool() const { return file_ != nullptr; }
    std::FILE* get() const { return file_; }
    // Closes now and reports whether everything written reached the file.
    bool Close() {
        std::FILE* file = std::exchange(file_, nullptr);
        return file && std::fclose(file) == 0;
    }

private:
    std::FILE* file_;
};

void ReadExactly(std::FILE* input, char* data, std::size_t count) {
    if (Injected(FileOperation::Read) || std::fread(data, 1, count, input) != count)
        throw ConvertError("Stream read error");
}

void WriteAll(std::FILE* output, const char* data, std::size_t count) {
    if (Injected(FileOperation::Write) || std::fwrite(data, 1, count, output) != count)
        throw ConvertError("Stream write error");
}

std::string FolderOf(const std::string& path) {
    std::string folder = fs::path(path).parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::uint64_t SizeOf(std::FILE* file, const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || std::fseek(file, 0, SEEK_SET) != 0) throw ConvertError("Stream read error");
    return size;
}

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Stream write error";
    }
}

// A new file "~QX<n>.TMP" in the folder, created and kept open for writing.
// Creating it exclusively and writing the same handle means it is never
// truncated: on ext4 a truncated file is flushed to disk when closed.
std::pair<std::string, File> CreateTempFile(const std::string& folder) {
    for (unsigned long n = 1;; ++n) {
        std::string name = folder + "~QX" + std::to_string(n) + ".TMP";
        File file(name, "wbx");
        if (file) return {std::move(name), std::move(file)};
        std::error_code error;
        if (!fs::exists(fs::symlink_status(name, error)))
            throw ConvertError("Cannot create file " + name);
    }
}

void CopyContents(std::FILE* input, std::FILE* output) {
    std::array<char, CopyBufferSize> buffer;
    for (;;) {
        if (Injected(FileOperation::Read)) throw ConvertError("Stream read error");
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), input);
        if (std::ferror(input)) throw ConvertError("Stream read error");
        WriteAll(output, buffer.data(), got);
        if (got < buffer.size()) return;
    }
}

// Cuts the file to the length written through its open handle.
void CutAt(File& file, const std::string& path, std::uint64_t length) {
    if (std::fflush(file.get()) != 0) throw ConvertError("Stream write error");
    std::error_code error;
    fs::resize_file(path, length, error);
    if (error) throw ConvertError("Stream write error");
}

// Writes the saved copy back over the file; false when that failed too.
bool Restore(const std::string& copy, const std::string& path) {
    try {
        File input(copy, "rb");
        File output(path, "r+b");
        if (!input || !output) return false;
        CopyContents(input.get(), output.get());
        CutAt(output, path, fs::file_size(copy));
        return output.Close();
    } catch (const std::exception&) {
        return false;
    }
}

// What tells whether another program changed a file: its size and modification time.
struct FileState {
    std::uintmax_t size;
    fs::file_time_type modified;
    bool operator==(const FileState&) const = default;
};

std::optional<FileState> StateOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) return std::nullopt;
    const fs::file_time_type modified = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    return FileState{size, modified};
}

void ConvertInPlace(const std::string& path, const ConvertOptions& options, FixTables* fixTables) {
    const std::optional<FileState> before = StateOf(path);
    auto [temp, copy] = CreateTempFile(FolderOf(path));
    struct RemoveTemp {
        const std::string& path;
        bool keep = false;
        ~RemoveTemp() {
            std::error_code ignored;
            if (!keep) fs::remove(path, ignored);
        }
    } cleanup{temp};

    {
        File source(path, "rb");
        if (!source) throw ConvertError("Cannot open file " + path);
        CopyContents(source.get(), copy.get());
        if (!copy.Close()) throw ConvertError("Stream write error");
    }
    // A file another program grows, shrinks or rewrites meanwhile is left to it:
    // writing the converted copy over it would lose what the other program wrote.
    const std::optional<FileState> after = StateOf(path);
    std::error_code error;
    if (!before || before != after || fs::file_size(temp, error) != before->size)
        throw ConvertError("Stream read error");
    File input(temp, "rb");
    if (!input) throw ConvertError("Cannot open file " + temp);
    // The file is written over from its start and cut to length at the end, so a
    // failure to open it leaves it as it was.
    File output(path, "r+b");
    if (!output) throw ConvertError("Cannot create file " + path);

    try {
        const std::uint64_t written = ConvertFileBlocks(input.get(), SizeOf(input.get(), temp),
                                                        output.get(), options, fixTables);
        CutAt(output, path, written);
        if (!output.Close()) throw ConvertError("Stream write error");
    } catch (...) {
        output.Close();
        if (!Restore(temp, path) && fs::exists(temp, error)) {
            cleanup.keep = true;
            throw ConvertError(CurrentErrorText() + "\r\nThe original content of " + path +
                               " is kept in " + temp);
        }
        throw;
    }
}

// A new destination is written where it stands and removed again on failure; an
// existing one is replaced only when its successor beside it is complete.
void ConvertToSeparate(const std::string& source, const std::string& destination,
                       const ConvertOptions& options, FixTables* fixTables) {
    File input(source, "rb");
    if (!input) throw ConvertError("Cannot open file " + source);
    const std::uint64_t size = SizeOf(input.get(), source);
    const auto convert = [&](File& output, const std::string& path) {
        ConvertFileBlocks(input.get(), size, output.get(), options, fixTables);
        // A folder removed while the file is written takes the file with it, and
        // the writes still succeed: only the name tells.
        if (!NamesOpenFile(path, output.get()))
            throw ConvertError("Cannot create file " + destination);
        if (!output.Close()) throw ConvertError("Stream write error");
    };

    std::error_code error;
    std::string target = destination;
    if (fs::is_symlink(destination, error))
        target = fs::weakly_canonical(destination, error).string();

    if (!fs::exists(target, error)) {
        File output(target, "wbx");
        if (!output) throw ConvertError("Cannot create file " + destination);
        try {
            convert(output, target);
        } catch (...) {
            fs::remove(target, error);
            throw;
        }
        return;
    }

    std::optional<std::pair<std::string, File>> temp;
    try {
        temp.emplace(CreateTempFile(FolderOf(target)));
    } catch (const ConvertError&) {
        // No room beside the destination (a folder we may not write to): write
        // the destination itself, as a plain copy would.
        File output(target, "wb");
        if (!output) throw ConvertError("Cannot create file " + destination);
        convert(output, target);
        return;
    }
    const std::string& tempPath = temp->first;
    try {
        convert(temp->second, tempPath);
        fs::permissions(tempPath, fs::status(target).permissions());
        fs::rename(tempPath, target);
    } catch (const fs::filesystem_error&) {
        fs::remove(tempPath, error);
        throw ConvertError("Cannot create file " + destination);
    } catch (...) {
        fs::remove(tempPath, error);
        throw;
    }
}

} // namespace

namespace {
FileProgressHook& Progress() {
    thread_local FileProgressHook hook;
    return hook;
}
} // namespace

void SetFileProgressHook(FileProgressHook hook) {
    Progress() = std::move(hook);
}

void SetFileFaultHook(FileFaultHook hook) {
    Faults().hook = std::move(hook);
    Faults().count = 0;
}

std::uint64_t ConvertFileBlocks(std::FILE* input, std::uint64_t size, std::FILE* output,
                                const ConvertOptions& options, FixTables* fixTables,
                                std::size_t blockSize) {
    if (blockSize % 2 != 0 || blockSize <= 2 * MaxCarry)
        throw std::invalid_argument("block size " + std::to_string(blockSize));
    Bytes block;
    Bytes pending; // bytes the previous block handed on
    std::array<char, MaxCarry> tail;
    std::uint64_t left = size;
    std::uint64_t written = 0;
    bool first = true;
    while (left > 0) {
        const std::size_t fresh =
            static_cast<std::size_t>(std::min<std::uint64_t>(blockSize - pending.size(), left));
        // Resizing the previous block's buffer mostly keeps its size, so the bytes
        // about to be read over are not cleared first.
        block.resize(pending.size() + fresh);
        std::copy(pending.begin(), pending.end(), block.begin());
        ReadExactly(input, block.data() + pending.size(), fresh);
        left -= fresh;

        const std::size_t kept = std::min(block.size(), tail.size());
        std::copy(block.end() - static_cast<std::ptrdiff_t>(kept), block.end(), tail.begin());
        const std::size_t carry =
            ConvertStream(block, options, BlockPosition{first, left == 0}, fixTables);
        WriteAll(output, block.data(), block.size());
        written += block.size();
        first = false;
        if (carry > kept) throw ConvertError("Stream read error");
        pending.assign(tail.data() + kept - carry, carry);
        if (const FileProgressHook& progress = Progress()) progress(size - left);
    }
    return written;
}

std::string MakeTempFile(const std::string& folder) {
    return CreateTempFile(folder).first;
}

void CopyFileWithDate(const std::string& source, const std::string& destination,
                      bool clearReadOnly) {
    std::error_code error;
    std::string target = destination;
    if (fs::is_directory(target, error))
        target = (fs::path(target) / fs::path(source).filename()).string();

    File input(source, "rb");
    if (!input) throw ConvertError("Cannot open file " + source);
    const fs::path folder = fs::path(target).parent_path();
    if (!folder.empty()) fs::create_directories(folder, error);
    if (clearReadOnly && fs::exists(target, error))
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, error);
    File output(target, "wb");
    if (!output) throw ConvertError("Cannot create file " + target);
    CopyContents(input.get(), output.get());
    if (!output.Close()) throw ConvertError("Stream write error");
    const fs::file_time_type written = fs::last_write_time(source, error);
    if (!error) fs::last_write_time(target, written, error);
}

void ConvertFile(const std::string& source, const std::string& destination,
                 const ConvertOptions& options, FixTables* fixTables) {
    const std::string from = FullPath(source);
    const std::string to = FullPath(destination);
    // A device, FIFO or socket is never opened (a FIFO would wait for a writer)
    // nor replaced by a file (a device node is part of the system).
    if (QueryFileKind(from) != FileKind::Regular) throw ConvertError("Cannot open file " + from);
    if (QueryFileKind(to) == FileKind::System) throw ConvertError("Cannot create file " + to);
    if (SameFile(from, to))
        ConvertInPlace(from, options, fixTables);
    else
        ConvertToSeparate(from, to, options, fixTables);
}

} // namespace tessarim
