#include "engine/FileConvert.h"

#include "engine/Replacements.h"

#include "engine/ConvertStream.h"
#include "engine/SafeWrite.h"
#include "platform/Files.h"
#include "platform/Interrupts.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <stdexcept>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>
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

// Set while a file is half written on this thread: the signals held back then.
thread_local const DeferredInterrupts* interrupts = nullptr;

// A signal held back ends the conversion as a failure would, so the file is put
// right before the signal takes effect.
void StopIfInterrupted() {
    if (interrupts && interrupts->Pending()) throw ConvertError("Interrupted");
}

void ReadExactly(std::FILE* input, char* data, std::size_t count) {
    StopIfInterrupted();
    if (Injected(FileOperation::Read) || std::fread(data, 1, count, input) != count)
        throw ConvertError("Stream read error");
}

// Reads count bytes of the file at the offset; fewer means the file changed.
void ReadExactly(int fd, char* data, std::size_t count, off_t at) {
    StopIfInterrupted();
    if (Injected(FileOperation::Read)) throw ConvertError("Stream read error");
    while (count > 0) {
        const ssize_t got = ::pread(fd, data, count, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw ConvertError("Stream read error");
        data += got;
        count -= static_cast<std::size_t>(got);
        at += got;
    }
}

void WriteAll(std::FILE* output, const char* data, std::size_t count) {
    if (Injected(FileOperation::Write) || std::fwrite(data, 1, count, output) != count)
        throw ConvertError("Stream write error");
}

void WriteAll(int fd, const char* data, std::size_t count, off_t at) {
    if (Injected(FileOperation::Write)) throw ConvertError("Stream write error");
    while (count > 0) {
        const ssize_t done = ::pwrite(fd, data, count, at);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) throw ConvertError("Stream write error");
        data += done;
        count -= static_cast<std::size_t>(done);
        at += done;
    }
}

std::string FolderOf(const std::string& path) {
    std::string folder = fs::path(path).parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
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

// Copies the whole of one open file into another from their starts; returns the
// number of bytes.
std::uint64_t CopyContents(int input, int output) {
    std::array<char, CopyBufferSize> buffer;
    off_t at = 0;
    for (;;) {
        StopIfInterrupted();
        if (Injected(FileOperation::Read)) throw ConvertError("Stream read error");
        const ssize_t got = ::pread(input, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw ConvertError("Stream read error");
        if (got == 0) return static_cast<std::uint64_t>(at);
        WriteAll(output, buffer.data(), static_cast<std::size_t>(got), at);
        at += got;
    }
}

FileProgressHook& Progress() {
    thread_local FileProgressHook hook;
    return hook;
}

// What one read of the block loop gives: the bytes read, and whether the input
// ends with them.
struct Filled {
    std::size_t count;
    bool last;
};

// A cache line: the span within which a read's placement matters.
constexpr std::size_t ReadAlignment = 64;

constexpr std::uint64_t UnknownSize = std::numeric_limits<std::uint64_t>::max();

// The block loop of both kinds of input. fill(data, count) reads up to count
// bytes; inputSize, where known, keeps the buffer of a small file small (a
// block's worth of zeros written for a 2 KB file would cost more than its
// conversion).
template <typename Fill, typename Write>
std::uint64_t ConvertBlocks(Fill fill, std::uint64_t inputSize, Write write,
                            const ConvertOptions& options, FixTables* fixTables,
                            std::size_t blockSize) {
    if (blockSize % 2 != 0 || blockSize <= 2 * MaxCarry)
        throw std::invalid_argument("block size " + std::to_string(blockSize));
    Bytes block;
    Bytes pending; // bytes the previous block handed on
    std::array<char, MaxCarry> tail;
    std::uint64_t written = 0;
    std::uint64_t consumed = 0; // input bytes read, for the progress hook
    bool first = true;
    bool last = false;
    while (!last) {
        const auto wanted = static_cast<std::size_t>(
            std::min<std::uint64_t>(blockSize - pending.size(), inputSize - consumed));
        // Resizing the previous block's buffer mostly keeps its size, so the bytes
        // about to be read over are not cleared first.
        block.resize(ReadAlignment + pending.size() + wanted);
        // The kernel copies a read several times slower when the bytes land a
        // little after where they stand in the page cache (a carried byte puts
        // every later block there), so the block is read in at the place that
        // matches its offset in the file, then moved to the buffer's start.
        const std::size_t shift =
            (consumed - reinterpret_cast<std::uintptr_t>(block.data() + pending.size())) %
            ReadAlignment;
        std::copy(pending.begin(), pending.end(),
                  block.begin() + static_cast<std::ptrdiff_t>(shift));
        const Filled filled = fill(block.data() + shift + pending.size(), wanted);
        last = filled.last;
        consumed += filled.count;
        block.resize(shift + pending.size() + filled.count);
        block.erase(0, shift);

        const std::size_t kept = std::min(block.size(), tail.size());
        std::copy(block.end() - static_cast<std::ptrdiff_t>(kept), block.end(), tail.begin());
        const bool counting = options.replaced || options.failOnReplacement;
        const std::size_t marksIn = counting ? CountReplacementMarks(block, options.source) : 0;
        const std::size_t carry =
            ConvertStream(block, options, BlockPosition{first, last}, fixTables);
        if (carry > kept) throw ConvertError("Stream read error");
        pending.assign(tail.data() + kept - carry, carry);
        if (counting) {
            // The bytes handed on are counted again with the next block.
            const std::size_t marksOut = CountReplacementMarks(block, options.target) +
                                         CountReplacementMarks(pending, options.source);
            const std::size_t replaced = marksOut > marksIn ? marksOut - marksIn : 0;
            if (replaced > 0 && options.failOnReplacement)
                throw LossyConversion("Characters the target code lacks would be replaced");
            if (options.replaced) *options.replaced += replaced;
        }
        write(block.data(), block.size());
        written += block.size();
        first = false;
        if (const FileProgressHook& progress = Progress()) progress(consumed);
    }
    // What the last block handed on has no block to go to.
    if (options.leftOut) *options.leftOut += pending.size();
    return written;
}

// Converts from one descriptor into another, both from their starts; returns
// the number of bytes written. cut: the output held bytes before (a file
// converted in place) and is cut to what was written; else it is a new,
// empty file.
std::uint64_t ConvertBetween(int input, std::uint64_t size, int output, bool cut,
                             const ConvertOptions& options, FixTables* fixTables) {
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    // A new file of a block or more is given the input's size on disk before
    // it is written: the file system then finds its blocks at once rather
    // than page by page as the writes come (a seventh of a large
    // conversion's time on ext4). It is cut to what was written afterwards,
    // which may be less; so too where the reservation failed part way.
    if (!cut && size >= BlockSize) {
        ::fallocate(output, 0, 0, static_cast<off_t>(size));
        cut = true;
    }
    // An empty file stays empty, without a byte-order mark.
    if (size > 0)
        ConvertBlocks(
            [&](char* data, std::size_t count) {
                const auto fresh =
                    static_cast<std::size_t>(std::min<std::uint64_t>(count, size - read));
                ReadExactly(input, data, fresh, static_cast<off_t>(read));
                read += fresh;
                return Filled{fresh, read == size};
            },
            size,
            [&](const char* data, std::size_t count) {
                WriteAll(output, data, count, static_cast<off_t>(written));
                written += count;
            },
            options, fixTables, BlockSize);
    if (cut && ::ftruncate(output, static_cast<off_t>(written)) != 0)
        throw ConvertError("Stream write error");
    return written;
}

// Writes the saved copy back over the file; false when that failed too.
bool Restore(int copy, int file) {
    try {
        const std::uint64_t size = CopyContents(copy, file);
        return ::ftruncate(file, static_cast<off_t>(size)) == 0 && ::fsync(file) == 0;
    } catch (const ConvertError&) {
        return false;
    }
}

struct stat StatusOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) throw ConvertError("Stream read error");
    return status;
}

// A file another program grows, shrinks or rewrites meanwhile is left to it.
bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Opens the file to convert in place, held for this run alone.
UniqueFd OpenForInPlace(const std::string& path) {
    UniqueFd file(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file) throw ConvertError("Cannot open file " + path);
    if (!S_ISREG(StatusOf(file.get()).st_mode)) throw ConvertError("Cannot open file " + path);
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        throw ConvertError(errno == EWOULDBLOCK
                               ? path +
                                     " is being converted by another run; it is left to that one."
                               : "Cannot open file " + path);
    return file;
}

bool ConvertToSeparate(const std::string& source, const std::string& named,
                       const ConvertOptions& options, FixTables* fixTables, bool nameFree);

// Converts the open file in place, its original saved beside it until it is
// whole again. False, having changed nothing, when the saved copy cannot carry
// the record that lets a later run recognise it.
bool ConvertThroughCopy(int file, const std::string& path, const std::string& folder,
                        const struct stat& before, const ConvertOptions& options,
                        FixTables* fixTables) {
    // Signals wait until the file is whole again; declared first, so they take
    // effect only after the copy is gone.
    const DeferredInterrupts held;
    interrupts = &held;
    struct Finish {
        std::string copy;
        bool keep = false;
        ~Finish() {
            interrupts = nullptr;
            if (!keep && !copy.empty()) ::unlink(copy.c_str());
        }
    } finish;
    if (Injected(FileOperation::Mark)) return false;
    std::optional<TempFile> made = CreateCopyBeside(folder, before, path);
    if (!made) return false;
    TempFile& copy = *made;
    finish.copy = copy.path;
    const std::uint64_t size = CopyContents(file, copy.fd.get());
    if (!SameState(before, StatusOf(file)) || size != static_cast<std::uint64_t>(before.st_size))
        throw ConvertError("Stream read error");
    // The copy carries the file's owner and mode and is on disk, marked whole,
    // before the first byte of the file changes: after a crash from here on it
    // is the original, and the next run names it.
    if (::fchown(copy.fd.get(), before.st_uid, before.st_gid) != 0 && ::geteuid() == 0)
        throw ConvertError("Cannot create file " + copy.path);
    // The bytes reach the disk before the mark that says they are all there.
    if (::fchmod(copy.fd.get(), before.st_mode & 0777) != 0 || ::fdatasync(copy.fd.get()) != 0)
        throw ConvertError("Stream write error");
    if (!MarkCopyOf(copy.fd.get(), before, path, true) || ::fsync(copy.fd.get()) != 0)
        throw ConvertError("Stream write error");
    SyncFolder(folder);

    try {
        ConvertBetween(copy.fd.get(), size, file, true, options, fixTables);
        // A signal that came with the last bytes still undoes the conversion.
        StopIfInterrupted();
        if (::fsync(file) != 0) throw ConvertError("Stream write error");
    } catch (...) {
        // Putting the original back is not interrupted; a signal waits for it.
        interrupts = nullptr;
        if (!Restore(copy.fd.get(), file)) {
            finish.keep = true;
            throw ConvertError(CurrentErrorText() + "\r\nThe original content of " + path +
                               " is kept in " + copy.path);
        }
        throw;
    }
    return true;
}

void ConvertInPlace(const std::string& named, const ConvertOptions& options, FixTables* fixTables) {
    const std::string path = ResolveForWriting(named);
    UniqueFd file = OpenForInPlace(path);
    const std::string folder = FolderOf(path);
    const struct stat before = StatusOf(file.get());
    if (const std::optional<std::string> copy = LeftoverCopyOf(folder, before))
        throw ConvertError("The original of " + path + " is kept in " + *copy +
                           " since a conversion of it was interrupted; " + path +
                           " is not converted again until that copy is dealt with. Restore it "
                           "with\r\n  cp '" +
                           *copy + "' '" + path + "' && rm '" + *copy + "'\r\nor, when " + path +
                           " is as it should be, remove the copy.");
    // Checked under the lock: a run that converted it first has let it go.
    if (options.listed && *options.listed != StampOfStatus(before))
        throw ConvertError(path +
                           " changed after this run listed it (another run may have converted "
                           "it already); it is left as it is.");
    // Where the copy can carry no record, a run killed while writing the file
    // over would leave it half converted, its original in a copy no later run
    // recognises. The converted text is then written beside the file and
    // takes its place when complete: never half written, though it becomes
    // a new file (another hard link to it keeps the original).
    if (!ConvertThroughCopy(file.get(), path, folder, before, options, fixTables))
        ConvertToSeparate(path, path, options, fixTables, false);
}

// The mode of a new destination: the source's, as the user's file mask allows,
// without set-ID bits.
mode_t NewFileMode(mode_t source) {
    return source & 0777 & ~static_cast<mode_t>(FileCreationMask());
}

// Gives the finished new file what the file it replaces had: owner and group
// (refused when they cannot be kept), extended attributes, and the mode without
// set-ID bits.
void TakeOverFrom(const std::string& destination, const struct stat& old, int fd) {
    const struct stat mine = StatusOf(fd);
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0)
        throw ConvertError("Cannot create file " + destination +
                           ": it belongs to another user, who would lose it");
    const UniqueFd previous(
        ::open(destination.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (previous) CopyExtendedAttributes(previous.get(), fd);
    if (::fchmod(fd, old.st_mode & 0777) != 0) throw ConvertError("Stream write error");
}

// The destination is written beside itself under a name of its own and takes
// its place only when complete, so it is never seen half written: an existing
// one stays as it was until then, a new one does not exist until then.
// False, having written nothing, when `nameFree` said the name was free and it
// was taken by the time the new file was to be named.
// `input` is the source, open for reading, a regular file of `sourceStatus`.
bool ConvertToSeparate(int input, const struct stat& sourceStatus, const std::string& named,
                       const ConvertOptions& options, FixTables* fixTables, bool nameFree) {
    std::optional<struct stat> there;
    const std::string destination = nameFree ? named : ResolveForWriting(named, &there);
    const bool exists = there.has_value();
    // The name was free when listed and is taken now: the caller looks again.
    const auto taken = [nameFree](int error) { return nameFree && error == EEXIST; };
    if (exists && !S_ISREG(there->st_mode)) throw ConvertError("Cannot create file " + named);

    const DeferredInterrupts held;
    interrupts = &held;
    struct Finish {
        std::string temp;
        ~Finish() {
            interrupts = nullptr;
            if (!temp.empty()) ::unlink(temp.c_str());
        }
    } finish;
    // A new destination is written as a file without a name, which vanishes by
    // itself whatever stops the run, and is named when complete. Its inode is
    // made without holding the folder, which other workers write into too; a
    // named temporary file and its rename take the folder's lock twice.
    if (!exists)
        if (const UniqueFd unnamed = CreateUnnamedBeside(FolderOf(destination))) {
            ConvertBetween(input, static_cast<std::uint64_t>(sourceStatus.st_size), unnamed.get(),
                           false, options, fixTables);
            StopIfInterrupted();
            if (::fchmod(unnamed.get(), NewFileMode(sourceStatus.st_mode)) != 0)
                throw ConvertError("Stream write error");
            // Whatever appeared under the name meanwhile (a link planted by
            // someone else) is not replaced.
            if (NameUnnamed(unnamed.get(), destination)) return true;
            if (taken(errno)) return false;
            throw ConvertError("Cannot create file " + named);
        }
    // An existing destination is replaced by a file made without a name too,
    // named beside it only when complete: a run stopped before leaves nothing.
    TempFile temp;
    if (exists) temp.fd = CreateUnnamedBeside(FolderOf(destination));
    if (!temp.fd) {
        try {
            temp = CreateTempBeside(FolderOf(destination));
        } catch (const ConvertError&) {
            if (!exists) throw ConvertError("Cannot create file " + named);
            // No room beside the destination (a folder we may not write to): write
            // the destination itself, as a plain copy would.
            const UniqueFd output(
                ::open(destination.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (!output) throw ConvertError("Cannot create file " + named);
            ConvertBetween(input, static_cast<std::uint64_t>(sourceStatus.st_size), output.get(),
                           true, options, fixTables);
            return true;
        }
    }
    finish.temp = temp.path; // empty while the file has no name
    // The temporary file is new and empty: nothing to cut.
    ConvertBetween(input, static_cast<std::uint64_t>(sourceStatus.st_size), temp.fd.get(), false,
                   options, fixTables);
    StopIfInterrupted();
    if (exists)
        TakeOverFrom(destination, *there, temp.fd.get());
    else if (::fchmod(temp.fd.get(), NewFileMode(sourceStatus.st_mode)) != 0)
        throw ConvertError("Stream write error");
    // The old destination is given up only for new contents already on disk;
    // a new one costs nothing to lose.
    if (exists && ::fsync(temp.fd.get()) != 0) throw ConvertError("Stream write error");
    if (temp.path.empty()) {
        std::optional<std::string> name = NameUnnamedBeside(FolderOf(destination), temp.fd.get());
        if (!name) throw ConvertError("Cannot create file " + named);
        temp.path = std::move(*name);
        finish.temp = temp.path;
    }
    if (!temp.fd.Close()) throw ConvertError("Stream write error");
    // A new destination takes a free name only: whatever appeared there
    // meanwhile (a link planted by someone else) is not replaced.
    const int refused = exists ? (::rename(temp.path.c_str(), destination.c_str()) == 0 ? 0 : errno)
                               : RenameNoReplace(temp.path, destination);
    if (refused != 0) {
        if (taken(refused)) return false;
        throw ConvertError("Cannot create file " + named);
    }
    finish.temp.clear();
    return true;
}

bool ConvertToSeparate(const std::string& source, const std::string& named,
                       const ConvertOptions& options, FixTables* fixTables, bool nameFree) {
    const UniqueFd input(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!input) throw ConvertError("Cannot open file " + source);
    const struct stat status = StatusOf(input.get());
    if (!S_ISREG(status.st_mode)) throw ConvertError("Cannot open file " + source);
    return ConvertToSeparate(input.get(), status, named, options, fixTables, nameFree);
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
    if (size == 0) return 0;
    std::uint64_t left = size;
    return ConvertBlocks(
        [&](char* data, std::size_t count) {
            const auto fresh = static_cast<std::size_t>(std::min<std::uint64_t>(count, left));
            ReadExactly(input, data, fresh);
            left -= fresh;
            return Filled{fresh, left == 0};
        },
        size, [&](const char* data, std::size_t count) { WriteAll(output, data, count); }, options,
        fixTables, blockSize);
}

std::uint64_t ConvertOpenStream(std::FILE* input, std::string_view start, std::FILE* output,
                                const ConvertOptions& options, FixTables* fixTables,
                                std::size_t blockSize) {
    return ConvertBlocks(
        [&](char* data, std::size_t count) {
            const std::size_t given = std::min(count, start.size());
            std::copy(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(given), data);
            start.remove_prefix(given);
            std::size_t got = given;
            while (got < count) {
                StopIfInterrupted();
                const std::size_t read = std::fread(data + got, 1, count - got, input);
                got += read;
                if (read == 0) {
                    if (std::ferror(input)) throw ConvertError("Stream read error");
                    return Filled{got, true};
                }
            }
            return Filled{got, false};
        },
        UnknownSize, [&](const char* data, std::size_t count) { WriteAll(output, data, count); },
        options, fixTables, blockSize);
}

std::string MakeTempFile(const std::string& folder) {
    return CreateTempBeside(folder).path;
}

void CopyFileWithDate(const std::string& source, const std::string& destination,
                      bool clearReadOnly) {
    std::error_code error;
    std::string target = destination;
    if (fs::is_directory(target, error))
        target = (fs::path(target) / fs::path(source).filename()).string();

    const UniqueFd input(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!input || !S_ISREG(StatusOf(input.get()).st_mode))
        throw ConvertError("Cannot open file " + source);
    const struct stat status = StatusOf(input.get());
    const fs::path folder = fs::path(target).parent_path();
    if (!folder.empty()) fs::create_directories(folder, error);
    target = ResolveForWriting(target);
    if (clearReadOnly && fs::exists(target, error))
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, error);
    const bool fresh = !fs::exists(fs::symlink_status(target, error));
    UniqueFd output(::open(
        target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!output || !S_ISREG(StatusOf(output.get()).st_mode))
        throw ConvertError("Cannot create file " + target);
    CopyContents(input.get(), output.get());
    if (fresh) ::fchmod(output.get(), NewFileMode(status.st_mode));
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ::futimens(output.get(), times);
    if (!output.Close()) throw ConvertError("Stream write error");
}

void ConvertFile(const std::string& source, const std::string& destination,
                 const ConvertOptions& options, FixTables* fixTables, bool destinationFree) {
    const std::string from = FullPath(source);
    const std::string to = FullPath(destination);
    // A device, FIFO or socket is never opened (a FIFO would wait for a writer)
    // nor replaced by a file (a device node is part of the system). One look at
    // each path (links followed) tells that and whether both are one file.
    struct stat in {
    }, out{};
    if (::stat(from.c_str(), &in) != 0 || !S_ISREG(in.st_mode))
        throw ConvertError("Cannot open file " + from);
    if (destinationFree && from != to && ConvertToSeparate(from, to, options, fixTables, true))
        return;
    // Whether both are one file is asked of the destination as it would be
    // written: a link another user made there is not followed, so it cannot
    // turn a run into one over its source in place.
    const std::string written = ResolveForWriting(to);
    const bool outExists = ::stat(written.c_str(), &out) == 0;
    if (outExists && !S_ISREG(out.st_mode) && !S_ISDIR(out.st_mode))
        throw ConvertError("Cannot create file " + to);
    if (outExists ? in.st_dev == out.st_dev && in.st_ino == out.st_ino : from == written)
        ConvertInPlace(from, options, fixTables);
    else
        ConvertToSeparate(from, to, options, fixTables, false);
}

void ConvertFile(int input, const struct stat& status, const std::string& source,
                 const std::string& destination, const ConvertOptions& options,
                 FixTables* fixTables, bool destinationFree) {
    const std::string to = FullPath(destination);
    if (destinationFree && FullPath(source) != to &&
        ConvertToSeparate(input, status, to, options, fixTables, true))
        return;
    ConvertFile(source, destination, options, fixTables);
}

} // namespace tessarim
