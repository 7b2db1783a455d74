#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane::media {

// A file opened for a few reads at known offsets, as the header and tag readers need
// them: no stream buffer to fill and no seek between reads.
//
// Nearly every read of a header or a tag falls near the start or the end of the file,
// and the readers of one file each read the same places again (the length reader, the
// tag library, the check for tags the tag library missed). So the first and the last
// few kilobytes are read once, when the file is opened (a small file whole, in one
// call), and reads inside them are served from memory; other reads go to the file.
// A scan of thousands of files spends much of its time in these system calls.
//
// Threading: the object is not shared between threads, but duplicates are independent
// and may be used on other threads: what they share is only read.
class FileBytes {
public:
    // nullopt when `path` is not a regular file that can be opened for reading.
    static std::optional<FileBytes> open(const std::string& path);

    FileBytes(FileBytes&& other) noexcept = default;
    FileBytes& operator=(FileBytes&& other) noexcept = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() = default;

    std::int64_t size() const { return open_ ? open_->size : 0; }

    // Another handle on the same open file, for a reader that keeps its own: it shares
    // the descriptor and the bytes read at the open, so costs no system call. The file
    // stays open until the last handle is gone. nullopt for a moved-from object.
    std::optional<FileBytes> duplicate() const;

    // Reads up to buffer.size() bytes from `offset` into `buffer` and returns the part
    // filled: shorter at the end of the file, empty past it or on a read error.
    std::span<const std::uint8_t> read(std::int64_t offset, std::span<std::uint8_t> buffer) const;

    // Up to `count` bytes from `offset` (fewer at the end of the file) where the bytes
    // read at the open hold them, without a copy; nullopt otherwise, and past the end.
    std::optional<std::span<const std::uint8_t>> cached(std::int64_t offset,
                                                        std::size_t count) const;

    // Fills `out` from `offset`; false unless every byte was there.
    bool readExactly(std::int64_t offset, std::span<std::uint8_t> out) const;

    // Up to `count` bytes from `offset` (fewer at the end of the file); empty on failure.
    std::vector<std::uint8_t> readUpTo(std::int64_t offset, std::size_t count) const;

    // How much of the file's start and end are read at the open; a file of at most
    // both together is read whole.
    static constexpr std::size_t kHeadBytes = 16 * 1024;
    static constexpr std::size_t kTailBytes = 8 * 1024;

private:
    // The descriptor, closed with the last handle, and the bytes read at the open.
    struct Open {
        Open(int descriptor, std::int64_t fileSize) : fd(descriptor), size(fileSize) {}
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;
        ~Open();

        int fd;
        std::int64_t size;
        // One buffer, not cleared before the reads fill it: the head, then the tail.
        std::unique_ptr<std::uint8_t[]> bytes;
        std::span<const std::uint8_t> head; // from offset 0
        std::span<const std::uint8_t> tail; // ending at `size`; empty when `head` holds it
    };

    explicit FileBytes(std::shared_ptr<const Open> open) : open_(std::move(open)) {}

    // Reads from the file itself, whatever has been read at the open.
    static std::size_t readFromFile(int fd, std::int64_t offset, std::span<std::uint8_t> buffer,
                                    bool* failed);

    std::shared_ptr<const Open> open_;
};

} // namespace orvane::media
