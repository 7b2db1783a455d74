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
    const auto copyFrom = [&](const Window& window) {
        out.setData(reinterpret_cast<const char*>(window.bytes.data() + (position_ - window.start)),
                    static_cast<unsigned int>(count));
        position_ += static_cast<std::int64_t>(count);
        return out;
    };
    if (headLoaded_ && head_.holds(position_, count))
        return copyFrom(head_);
    if (otherLoaded_ && other_.holds(position_, count))
        return copyFrom(other_);
    if (count <= kWindowBytes) {
        // The start of the file stays at hand; elsewhere a window reaching to the end of
        // the file where that is near (footers, then the last frames read backwards).
        constexpr auto kWindow = static_cast<std::int64_t>(kWindowBytes);
        const bool atHead = position_ + static_cast<std::int64_t>(count) <= kWindow;
        Window& window = atHead ? head_ : other_;
        const std::int64_t tailStart = std::max<std::int64_t>(size - kWindow, 0);
        window.start = atHead ? 0 : (position_ >= tailStart ? tailStart : position_);
        window.filled = file_.read(window.start, window.bytes).size();
        (atHead ? headLoaded_ : otherLoaded_) = true;
        if (window.holds(position_, count))
            return copyFrom(window);
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
