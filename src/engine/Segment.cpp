#include "engine/Segment.h"

#include "engine/EngineError.h"
#include "media/AudioFileReader.h"

#include <cmath>

namespace orvane {

namespace {

// Seconds to a frame count, truncated toward zero and kept inside [0, limit].
std::int64_t framesAt(double seconds, double sampleRate, std::int64_t limit) {
    const double frames = std::trunc(seconds * sampleRate);
    if (!(frames > 0.0))
        return 0;
    if (frames >= static_cast<double>(limit))
        return limit;
    return static_cast<std::int64_t>(frames);
}

} // namespace

std::optional<FrameRange> trimmedRange(double sampleRate, std::int64_t length, double trimStart,
                                       std::optional<double> trimEnd) {
    if (!(sampleRate > 0.0) || length <= 0)
        return std::nullopt;
    FrameRange range;
    range.t0 = framesAt(std::isfinite(trimStart) ? trimStart : 0.0, sampleRate, length);
    range.t1 = (trimEnd && !std::isnan(*trimEnd)) ? framesAt(*trimEnd, sampleRate, length) : length;
    if (range.t1 <= range.t0)
        return std::nullopt;
    return range;
}

std::shared_ptr<AudioFileReader> openSegmentFile(const std::string& path) {
    std::string reason;
    auto reader = AudioFileReader::open(path, &reason);
    if (!reader)
        throw EngineError(EngineError::Code::unreadableFile, "cannot open " + path + ": " + reason);
    if (!(reader->sampleRate() > 0.0) || reader->channelCount() <= 0)
        throw EngineError(EngineError::Code::unreadableFile, "no playable audio in " + path);
    return std::shared_ptr<AudioFileReader>(std::move(reader));
}

} // namespace orvane
