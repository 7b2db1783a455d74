#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane::media {

// A file opened to read a few of its header bytes by offset: one open, a few preads,
// no stream buffering. The container length readers use it, and a scan opens thousands.
class HeaderFile {
public:
    // nullopt when the path cannot be opened or is not a regular file.
    static std::optional<HeaderFile> open(const std::string& path);

    HeaderFile(HeaderFile&& other) noexcept;
    HeaderFile& operator=(HeaderFile&& other) noexcept;
    HeaderFile(const HeaderFile&) = delete;
    HeaderFile& operator=(const HeaderFile&) = delete;
    ~HeaderFile();

    std::int64_t size() const { return size_; }

    // Fills `out` from `offset`; false unless every byte was there.
    bool readAt(std::int64_t offset, std::span<std::uint8_t> out) const;

    // Up to `count` bytes from `offset` (fewer at the end of the file); empty on failure.
    std::vector<std::uint8_t> readUpTo(std::int64_t offset, std::size_t count) const;

private:
    HeaderFile(int fd, std::int64_t size) : fd_(fd), size_(size) {}

    int fd_ = -1;
    std::int64_t size_ = 0;
};

} // namespace orvane::media
