#include "media/HeaderFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::media {

std::optional<HeaderFile> HeaderFile::open(const std::string& path) {
    // Non-blocking, so that a named pipe among the files does not wait for a writer;
    // reads of a regular file are not affected.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return HeaderFile(fd, static_cast<std::int64_t>(st.st_size));
}

HeaderFile::HeaderFile(HeaderFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {
}

HeaderFile& HeaderFile::operator=(HeaderFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

HeaderFile::~HeaderFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool HeaderFile::readAt(std::int64_t offset, std::span<std::uint8_t> out) const {
    if (offset < 0 || offset > size_ || static_cast<std::int64_t>(out.size()) > size_ - offset)
        return false;
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::uint8_t> HeaderFile::readUpTo(std::int64_t offset, std::size_t count) const {
    if (offset < 0 || offset >= size_)
        return {};
    const auto available = static_cast<std::size_t>(size_ - offset);
    std::vector<std::uint8_t> bytes(std::min(count, available));
    if (!readAt(offset, bytes))
        return {};
    return bytes;
}

} // namespace orvane::media
