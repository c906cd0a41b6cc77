#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessarim {

MappedFile::MappedFile(const std::string& path) {
    // Not blocking, so a FIFO planted in place of the file is refused, not waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto nanoseconds = [](const timespec& time) {
            return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
        };
        identity_ = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim),
                     nanoseconds(info.st_ctim)};
        othersMayWrite_ = info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        size_ = static_cast<std::size_t>(info.st_size);
        if (size_ == 0) {
            valid_ = true; // nothing to map
        } else {
            void* data = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                data_ = data;
                valid_ = true;
            } else {
                size_ = 0;
            }
        }
    }
    ::close(fd);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      valid_(std::exchange(other.valid_, false)), identity_(std::exchange(other.identity_, {})),
      othersMayWrite_(std::exchange(other.othersMayWrite_, false)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        valid_ = std::exchange(other.valid_, false);
        identity_ = std::exchange(other.identity_, {});
        othersMayWrite_ = std::exchange(other.othersMayWrite_, false);
    }
    return *this;
}

MappedFile::~MappedFile() {
    Release();
}

void MappedFile::Release() {
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    valid_ = false;
    identity_ = {};
    othersMayWrite_ = false;
}

} // namespace tessarim
