#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace orvane::media {

// Where the samples of one decoded frame go on the listener's timeline.
struct Placement {
    std::int64_t silence = 0; // zero frames to deliver first (a gap in the stream)
    std::int64_t skip = 0;    // frames at the start of the decoded frame to drop
    std::int64_t take = 0;    // frames after those to deliver
    bool late = false;        // the first frame after a sync starts after the target
    bool unknown = false;     // the first frame after a sync carried no timestamp
};

// Lays decoded frames on the timeline [0, end) and keeps it gap-free. Decoders deliver
// frames with the timestamps of their packets; this decides which samples are heard:
//   - Samples before the delivery cursor next() are dropped: the encoder's priming,
//     the preroll decoded before a seek target, overlaps in a broken stream.
//   - Samples at or after end() are dropped: encoder padding.
//   - A frame is normally contiguous with the previous one. When its timestamp lies
//     ahead (the decoder rejected a packet), the gap is delivered as silence; when it
//     lies behind, the overlap is dropped. Differences of a frame or two are timestamp
//     rounding, and jumps beyond `maxJump` are not trusted: both count as contiguous.
// After sync() the first frame's timestamp is trusted as it is, so that a seek lands on
// the exact sample; a frame that starts after the target is reported as late.
//
// Pure arithmetic on frame counts; not thread-safe.
class FramePlacer {
public:
    static constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();
    // Timestamp rounding that still counts as contiguous.
    static constexpr std::int64_t kTolerance = 2;

    explicit FramePlacer(std::int64_t maxJump = 0) : maxJump_(maxJump) {}

    void setMaxJump(std::int64_t maxJump) { maxJump_ = maxJump; }
    // Widens the rounding that counts as contiguous, for containers whose timestamps are
    // coarser than a frame (Matroska counts milliseconds, about 44 frames at 44.1 kHz).
    void setTolerance(std::int64_t tolerance) { tolerance_ = std::max(tolerance, kTolerance); }
    // The next frame delivered must be `next`; the following decoded frame resyncs.
    void sync(std::int64_t next) {
        next_ = next;
        expected_.reset();
        dataEnd_.reset();
    }
    // Nothing at or after `end` is delivered. Lowering the end below next() pulls
    // next() back to it; the caller trims what it already holds.
    void setEnd(std::int64_t end) {
        end_ = end;
        next_ = std::min(next_, end_);
        if (dataEnd_)
            dataEnd_ = std::min(*dataEnd_, end_);
    }
    std::int64_t end() const { return end_; }
    // Position right after the last sample placed (delivered or deliberately dropped).
    std::int64_t next() const { return next_; }
    bool atEnd() const { return next_ >= end_; }
    // The end of the last frame decoded since sync(), whether delivered or dropped
    // (capped at end()); none if no frame was decoded. At the end of the stream this
    // is where the data truly ends.
    std::optional<std::int64_t> dataEnd() const { return dataEnd_; }

    // `position` is the frame's timeline position from its timestamp, if it had one.
    Placement place(std::optional<std::int64_t> position, std::int64_t frames);

private:
    std::int64_t maxJump_;
    std::int64_t tolerance_ = kTolerance;
    std::int64_t next_ = 0;
    std::int64_t end_ = kNoEnd;
    std::optional<std::int64_t> expected_; // end of the previous frame since sync()
    std::optional<std::int64_t> dataEnd_;
};

} // namespace orvane::media
