#include "media/FramePlacer.h"

#include <algorithm>

namespace orvane::media {

Placement FramePlacer::place(std::optional<std::int64_t> position, std::int64_t frames) {
    Placement out;
    if (frames <= 0)
        return out;

    // Where this frame starts: its timestamp, unless the timestamp is a rounding away
    // from the end of the previous frame or an implausible jump.
    std::int64_t pos = expected_.value_or(next_);
    if (!expected_) {
        if (!position)
            out.unknown = true;
        else if (*position - next_ <= maxJump_)
            pos = *position;
        out.late = position && *position > next_;
    } else if (position) {
        const std::int64_t drift = *position - *expected_;
        const bool small = drift >= -tolerance_ && drift <= tolerance_;
        if (!small && drift >= -maxJump_ && drift <= maxJump_)
            pos = *position;
    }
    expected_ = pos + frames;

    if (pos > next_)
        out.silence = std::max<std::int64_t>(std::min(pos, end_) - next_, 0);

    const std::int64_t first = std::max(pos, next_);
    const std::int64_t last = pos > end_ - frames ? end_ : pos + frames; // overflow-safe min
    out.skip = std::min(first - pos, frames);
    out.take = std::max<std::int64_t>(last - first, 0);
    next_ = out.take > 0 ? first + out.take : next_ + out.silence;
    dataEnd_ = std::max(dataEnd_.value_or(last), last);
    return out;
}

} // namespace orvane::media
