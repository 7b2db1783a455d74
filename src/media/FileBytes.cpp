#include "media/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::media {

std::optional<FileBytes> FileBytes::open(const std::string& path) {
    // Non-blocking, so that a named pipe among the files does not wait for a writer;
    // reads of a regular file are not affected.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return FileBytes(fd, static_cast<std::int64_t>(info.st_size));
}

std::optional<FileBytes> FileBytes::duplicate() const {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    return FileBytes(fd, size_);
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

FileBytes::~FileBytes() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::span<const std::uint8_t> FileBytes::read(std::int64_t offset,
                                              std::span<std::uint8_t> buffer) const {
    if (fd_ < 0 || offset < 0 || offset >= size_)
        return {};
    std::size_t filled = 0;
    // A regular file returns short counts only at its end, or when a signal interrupts.
    while (filled < buffer.size()) {
        const ssize_t got = ::pread(fd_, buffer.data() + filled, buffer.size() - filled,
                                    static_cast<off_t>(offset) + static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return buffer.first(filled);
}

bool FileBytes::readExactly(std::int64_t offset, std::span<std::uint8_t> out) const {
    if (offset < 0 || offset > size_ || static_cast<std::int64_t>(out.size()) > size_ - offset)
        return false;
    return read(offset, out).size() == out.size();
}

std::vector<std::uint8_t> FileBytes::readUpTo(std::int64_t offset, std::size_t count) const {
    if (offset < 0 || offset >= size_)
        return {};
    std::vector<std::uint8_t> bytes(std::min(count, static_cast<std::size_t>(size_ - offset)));
    if (!readExactly(offset, bytes))
        return {};
    return bytes;
}

} // namespace orvane::media
