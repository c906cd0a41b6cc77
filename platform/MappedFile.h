#pragma once
// A whole file mapped read-only into memory. Only the pages that are read are
// brought in, and the kernel brings neighbouring pages with them, which costs
// far less than reading the file into fresh memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessarim {

class MappedFile {
public:
    MappedFile() = default;
    // Maps the regular file at path; Valid() tells whether that worked.
    explicit MappedFile(const std::string& path);
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    bool Valid() const { return valid_; }
    std::string_view Text() const { return {static_cast<const char*>(data_), size_}; }

    // What the mapped file was when it was mapped: any write to it, or another
    // file put in its place, changes one of these (to a tick of the file
    // system's clock: times are in nanoseconds, the clock is coarser).
    struct Identity {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0, changed = 0; // nanoseconds since 1970
        bool operator==(const Identity&) const = default;
    };
    const Identity& Stamp() const { return identity_; }
    // Someone other than this process's user may write to the file (it is
    // another user's, or writable by its group or by all).
    bool OthersMayWrite() const { return othersMayWrite_; }

private:
    void Release();

    void* data_ = nullptr;
    std::size_t size_ = 0;
    bool valid_ = false;
    Identity identity_;
    bool othersMayWrite_ = false;
};

} // namespace tessarim
