#include "tags/FileBytesStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvane {

FileBytesStream::FileBytesStream(std::string path, media::FileBytes file)
    : path_(std::move(path)), file_(std::move(file)) {
}

TagLib::ByteVector FileBytesStream::readBlock(unsigned long length) {
    const std::int64_t size = file_.size();
    const auto count = static_cast<std::size_t>(std::clamp<std::int64_t>(
        size - position_, 0, static_cast<std::int64_t>(std::min<unsigned long>(length, 1u << 30))));
    TagLib::ByteVector out;
    if (count == 0)
        return out;
    const auto take = [&](std::span<const std::uint8_t> bytes) {
        out.setData(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<unsigned int>(bytes.size()));
        position_ += static_cast<std::int64_t>(bytes.size());
        return out;
    };
    const auto fromWindow = [&] {
        return take(std::span<const std::uint8_t>(window_.bytes)
                        .subspan(static_cast<std::size_t>(position_ - window_.start), count));
    };
    // The file's start and end, read when it was opened, hold most of what is asked.
    if (const auto held = file_.cached(position_, count))
        return take(*held);
    if (windowLoaded_ && window_.holds(position_, count))
        return fromWindow();
    if (count <= kWindowBytes) {
        // Elsewhere a window, reaching to the end of the file where that is near (the
        // last frames read backwards).
        constexpr auto kWindow = static_cast<std::int64_t>(kWindowBytes);
        const std::int64_t tailStart = std::max<std::int64_t>(size - kWindow, 0);
        window_.start = position_ >= tailStart ? tailStart : position_;
        window_.filled = file_.read(window_.start, window_.bytes).size();
        windowLoaded_ = true;
        if (window_.holds(position_, count))
            return fromWindow();
        return out; // the file could not be read
    }
    out.resize(static_cast<unsigned int>(count));
    const auto got = file_.read(
        position_, {reinterpret_cast<std::uint8_t*>(out.data()), static_cast<std::size_t>(count)});
    out.resize(static_cast<unsigned int>(got.size()));
    position_ += static_cast<std::int64_t>(got.size());
    return out;
}

void FileBytesStream::seek(long offset, Position p) {
    std::int64_t base = 0;
    if (p == Current)
        base = position_;
    else if (p == End)
        base = file_.size();
    position_ = std::max<std::int64_t>(base + offset, 0);
}

} // namespace orvane
