#include "media/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::media {

namespace {

// `bytes`, read from `start`, narrowed to `buffer` at `offset` when it holds every byte
// of the file the read asks for; `end` is the end of the read, the file's end included.
std::optional<std::span<const std::uint8_t>> copyFromWindow(const std::vector<std::uint8_t>& bytes,
                                                            std::int64_t start, std::int64_t offset,
                                                            std::int64_t end,
                                                            std::span<std::uint8_t> buffer) {
    if (bytes.empty() || offset < start || end > start + static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    const auto count = static_cast<std::size_t>(end - offset);
    std::memcpy(buffer.data(), bytes.data() + (offset - start), count);
    return buffer.first(count);
}

} // namespace

FileBytes::Open::~Open() {
    ::close(fd);
}

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
    auto open = std::make_shared<Open>(fd, static_cast<std::int64_t>(info.st_size));
    // A read that fails here leaves the windows empty: every read then goes to the file
    // and meets the failure itself.
    const auto size = static_cast<std::uint64_t>(open->size);
    const bool whole = size <= kHeadBytes + kTailBytes;
    bool failed = false;
    open->head.resize(whole ? size : kHeadBytes);
    open->head.resize(readFromFile(fd, 0, open->head, &failed));
    if (!whole && !failed) {
        open->tail.resize(kTailBytes);
        const auto tailStart = static_cast<std::int64_t>(size - kTailBytes);
        open->tail.resize(readFromFile(fd, tailStart, open->tail, &failed));
    }
    if (failed || open->head.size() != (whole ? size : kHeadBytes) ||
        (!whole && open->tail.size() != kTailBytes)) {
        // Shorter than stated (the file shrank, or a read failed): trust nothing read.
        open->head.clear();
        open->tail.clear();
    }
    return FileBytes(std::move(open));
}

std::optional<FileBytes> FileBytes::duplicate() const {
    if (!open_)
        return std::nullopt;
    return FileBytes(open_);
}

std::size_t FileBytes::readFromFile(int fd, std::int64_t offset, std::span<std::uint8_t> buffer,
                                    bool* failed) {
    std::size_t filled = 0;
    // A regular file returns short counts only at its end, or when a signal interrupts.
    while (filled < buffer.size()) {
        const ssize_t got = ::pread(fd, buffer.data() + filled, buffer.size() - filled,
                                    static_cast<off_t>(offset) + static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *failed = true;
            return 0;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

std::span<const std::uint8_t> FileBytes::read(std::int64_t offset,
                                              std::span<std::uint8_t> buffer) const {
    if (!open_ || offset < 0 || offset >= open_->size)
        return {};
    const std::int64_t size = open_->size;
    const std::int64_t end = buffer.size() >= static_cast<std::uint64_t>(size - offset)
                                 ? size
                                 : offset + static_cast<std::int64_t>(buffer.size());
    if (auto served = copyFromWindow(open_->head, 0, offset, end, buffer))
        return *served;
    const std::int64_t tailStart = size - static_cast<std::int64_t>(open_->tail.size());
    if (auto served = copyFromWindow(open_->tail, tailStart, offset, end, buffer))
        return *served;
    bool failed = false;
    const std::size_t filled = readFromFile(open_->fd, offset, buffer, &failed);
    if (failed)
        return {};
    return buffer.first(filled);
}

bool FileBytes::readExactly(std::int64_t offset, std::span<std::uint8_t> out) const {
    const std::int64_t size = this->size();
    if (offset < 0 || offset > size || static_cast<std::int64_t>(out.size()) > size - offset)
        return false;
    return read(offset, out).size() == out.size();
}

std::vector<std::uint8_t> FileBytes::readUpTo(std::int64_t offset, std::size_t count) const {
    const std::int64_t size = this->size();
    if (offset < 0 || offset >= size)
        return {};
    std::vector<std::uint8_t> bytes(std::min(count, static_cast<std::size_t>(size - offset)));
    if (!readExactly(offset, bytes))
        return {};
    return bytes;
}

} // namespace orvane::media
