#pragma once

#include "media/FileBytes.h"

#include <array>
#include <cstdint>
#include <string>

#include <tiostream.h>

namespace orvane {

// A read-only TagLib stream over a file read by offset, for the metadata scan. The tag
// library reads in many small steps (a header here, a footer there, a frame header
// after a seek); its own file stream makes each a seek and a read of the system, which
// in a scan of thousands of files costs more than the parsing. This one reads from the
// file's start and end that FileBytes read at the open, and keeps one window of the
// rest, so most reads cost nothing. Writes are refused: the tag writers use their own
// streams.
//
// Threading: one object per thread.
class FileBytesStream : public TagLib::IOStream {
public:
    FileBytesStream(std::string path, media::FileBytes file);

    TagLib::FileName name() const override { return path_.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override;
    long tell() const override { return static_cast<long>(position_); }
    long length() override { return static_cast<long>(file_.size()); }
    void truncate(long) override {}

private:
    static constexpr std::size_t kWindowBytes = 8192;

    struct Window {
        std::array<std::uint8_t, kWindowBytes> bytes; // only `filled` bytes are used
        std::int64_t start = 0;
        std::size_t filled = 0;
        bool holds(std::int64_t from, std::size_t count) const {
            return from >= start && from + static_cast<std::int64_t>(count) <=
                                        start + static_cast<std::int64_t>(filled);
        }
    };

    std::string path_;
    media::FileBytes file_;
    std::int64_t position_ = 0;
    Window window_;
    bool windowLoaded_ = false;
};

} // namespace orvane
