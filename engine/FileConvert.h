#pragma once
// Whole-file conversion: block by block, so files of any size pass through a
// bounded amount of memory, and never at the cost of the user's data.
#include "engine/ConFunc.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessarim {

class FixTables;

// Converts source into destination as the options say, with the target's
// correction table from fixTables (none when null). Failures throw ConvertError.
//
// When both name the same file (as the file system sees it), the file is
// converted in place, keeping its inode, owner, mode, extended attributes and
// hard links. The run holds a lock on the file (a second run on it fails at
// once with a message), saves the original in "~QX<n>.TMP" beside it with the
// file's owner and mode, syncs it to disk and records on it whose original it
// is, and only then writes the file over. A failure or SIGINT, SIGTERM or
// SIGHUP puts the original back byte for byte before the error is raised or
// the signal takes effect. After a crash or SIGKILL the next in-place run of
// that file names the saved original and how to restore it, and converts
// nothing until it is dealt with. Given the file's stamp from when the run
// listed it (options.listed), a file that changed since is left as it is.
//
// A separate destination is written beside itself under a new name (a new one,
// where the file system can, as a file without a name, which nothing can leave
// behind) and takes its place only when complete: a new one with the source's
// mode bits, an existing one keeping its owner and group (refused when they
// cannot be kept), mode without set-ID bits and extended attributes.
//
// Links: a destination (or a file converted in place) reached through a link
// is written only when the link belongs to the user running the program.
// Only regular files are read: another source is not opened ("Cannot open
// file"), and a destination that is a device, FIFO or socket is not replaced
// ("Cannot create file"). A file converted in place that another program
// changes while it is being copied is left as that program made it ("Stream
// read error").
//
// destinationFree: the caller has just found no entry of that name in a
// listing of the destination's folder, which is there. It is then not looked
// up again: among thousands of files written into one folder by several
// workers, each look-up of a missing name waits for the folder another worker
// holds. Should the name be taken meanwhile, the destination is dealt with as
// above.
void ConvertFile(const std::string& source, const std::string& destination,
                 const ConvertOptions& options, FixTables* fixTables, bool destinationFree = false);

// The same for a source the caller has open for reading (`input`, a regular
// file, `status` as fstat told it), read from there rather than opened again.
// The free name taken meanwhile, or the source being the destination, are
// dealt with as above, by name.
void ConvertFile(int input, const struct stat& status, const std::string& source,
                 const std::string& destination, const ConvertOptions& options,
                 FixTables* fixTables, bool destinationFree);

// Converts an open input into an open output, one block of BlockSize bytes at a
// time; bytes a block cannot finish are offered again with the next block.
// size is the number of bytes to read from input; returns the number written.
// Every caller converts in blocks of BlockSize; tests give smaller blocks to put
// many block boundaries into a short text. A block must be even (UTF-16 text is
// read two bytes at a time) and larger than 2 * MaxCarry; other sizes throw
// std::invalid_argument.
std::uint64_t ConvertFileBlocks(std::FILE* input, std::uint64_t size, std::FILE* output,
                                const ConvertOptions& options, FixTables* fixTables,
                                std::size_t blockSize = BlockSize);

// The same for an input read to its end (a pipe, standard input), after the
// bytes start already taken from it (read for detection).
std::uint64_t ConvertOpenStream(std::FILE* input, std::string_view start, std::FILE* output,
                                const ConvertOptions& options, FixTables* fixTables,
                                std::size_t blockSize = BlockSize);

// Creates an empty file folder + "~QX" + n + ".TMP" with the smallest n not yet
// taken and returns its path. folder ends with '/'.
std::string MakeTempFile(const std::string& folder);

// Copies a file with its modification time. A destination that names a folder
// receives the file under the source's name; missing folders are created.
void CopyFileWithDate(const std::string& source, const std::string& destination,
                      bool clearReadOnly);

// Tells how far a file's conversion has come: called on the converting thread
// after each block with the bytes of the source done so far, so that a window
// can show the progress of a large file. Applies to the calling thread only.
using FileProgressHook = std::function<void(std::uint64_t sourceBytesDone)>;
void SetFileProgressHook(FileProgressHook hook);

// Test seam: called before every read and write of the file routines on the
// calling thread with the running number of the operation; returning true
// makes that operation fail. Mark: the record an in-place run puts on its
// saved copy, failing as on a file system without extended attributes.
enum class FileOperation { Read, Write, Mark };
using FileFaultHook = std::function<bool(FileOperation, std::uint64_t index)>;
void SetFileFaultHook(FileFaultHook hook);

} // namespace tessarim
