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

// The part of `bytes`, read from `start`, that holds the file's bytes from `offset` to
// `end`, if it holds all of them.
std::optional<std::span<const std::uint8_t>> within(std::span<const std::uint8_t> bytes,
                                                    std::int64_t start, std::int64_t offset,
                                                    std::int64_t end) {
    if (bytes.empty() || offset < start || end > start + static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    return bytes.subspan(static_cast<std::size_t>(offset - start),
                         static_cast<std::size_t>(end - offset));
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
    const auto size = static_cast<std::uint64_t>(open->size);
    const bool whole = size <= kHeadBytes + kTailBytes;
    const std::size_t headBytes = whole ? static_cast<std::size_t>(size) : kHeadBytes;
    const std::size_t tailBytes = whole ? 0 : kTailBytes;
    open->bytes = std::make_unique_for_overwrite<std::uint8_t[]>(headBytes + tailBytes);
    const std::span<std::uint8_t> head(open->bytes.get(), headBytes);
    const std::span<std::uint8_t> tail(open->bytes.get() + headBytes, tailBytes);
    // Anything short of what the file's size promises (the file shrank, or a read failed)
    // leaves the windows empty: every read then goes to the file and meets that itself.
    bool failed = false;
    if (readFromFile(fd, 0, head, &failed) == headBytes && !failed &&
        (tailBytes == 0 || readFromFile(fd, static_cast<std::int64_t>(size - tailBytes), tail,
                                        &failed) == tailBytes) &&
        !failed) {
        open->head = head;
        open->tail = tail;
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

std::optional<std::span<const std::uint8_t>> FileBytes::cached(std::int64_t offset,
                                                               std::size_t count) const {
    if (!open_ || offset < 0 || offset >= open_->size)
        return std::nullopt;
    const std::int64_t size = open_->size;
    const std::int64_t end = count >= static_cast<std::uint64_t>(size - offset)
                                 ? size
                                 : offset + static_cast<std::int64_t>(count);
    if (auto bytes = within(open_->head, 0, offset, end))
        return bytes;
    return within(open_->tail, size - static_cast<std::int64_t>(open_->tail.size()), offset, end);
}

std::span<const std::uint8_t> FileBytes::read(std::int64_t offset,
                                              std::span<std::uint8_t> buffer) const {
    if (!open_ || offset < 0 || offset >= open_->size)
        return {};
    if (const auto bytes = cached(offset, buffer.size())) {
        if (!bytes->empty()) // an empty buffer may have no storage to copy to
            std::memcpy(buffer.data(), bytes->data(), bytes->size());
        return buffer.first(bytes->size());
    }
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
