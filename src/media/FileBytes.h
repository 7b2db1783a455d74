#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane::media {

// A file opened for a few reads at known offsets, as the header readers need them: no
// stream buffer to fill and no seek between reads, so reading a header costs a system
// call or two. Move-only; the descriptor is closed with the object.
//
// Threading: one object per thread; reads do not move a shared position, so concurrent
// readers of the same file are independent.
class FileBytes {
public:
    // nullopt when `path` is not a regular file that can be opened for reading.
    static std::optional<FileBytes> open(const std::string& path);

    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    std::int64_t size() const { return size_; }

    // Another handle on the same open file, for a reader that keeps its own: cheaper than
    // opening the path again, and certain to be the same file. nullopt when the system
    // has no descriptor to spare.
    std::optional<FileBytes> duplicate() const;

    // Reads up to buffer.size() bytes from `offset` into `buffer` and returns the part
    // filled: shorter at the end of the file, empty past it or on a read error.
    std::span<const std::uint8_t> read(std::int64_t offset, std::span<std::uint8_t> buffer) const;

    // Fills `out` from `offset`; false unless every byte was there.
    bool readExactly(std::int64_t offset, std::span<std::uint8_t> out) const;

    // Up to `count` bytes from `offset` (fewer at the end of the file); empty on failure.
    std::vector<std::uint8_t> readUpTo(std::int64_t offset, std::size_t count) const;

private:
    FileBytes(int fd, std::int64_t size) : fd_(fd), size_(size) {}

    int fd_ = -1;
    std::int64_t size_ = 0;
};

} // namespace orvane::media
