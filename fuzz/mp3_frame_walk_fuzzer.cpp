// The MPEG frame walk on arbitrary bytes: it stays inside them and ends, what it reports
// holds together, and walking the same bytes from a file (read a window at a time) finds
// the same.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "media/MP3FrameWalk.h"

#include <span>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto walk = media::walkMP3Frames(std::span(data, size));
    const auto path = fuzz::writeTempFile("walk.mp3", data, size);
    const auto fromFile = media::walkMP3Frames(path.string());
    FUZZ_CHECK(walk.has_value() == fromFile.has_value());
    if (!walk)
        return 0;
    FUZZ_CHECK(walk->audioFrames == fromFile->audioFrames);
    FUZZ_CHECK(walk->firstFrame == fromFile->firstFrame && walk->audioEnd == fromFile->audioEnd);

    const auto spf = walk->samplesPerFrame;
    FUZZ_CHECK(spf == 384 || spf == 576 || spf == 1152);
    FUZZ_CHECK(walk->sampleRate >= 8000 && walk->sampleRate <= 48000);
    // The first frame is followed by another, and every frame has its header inside.
    FUZZ_CHECK(walk->audioFrames >= 2);
    FUZZ_CHECK(walk->firstFrame >= 0 && walk->firstFrame < walk->audioEnd);
    FUZZ_CHECK(walk->audioEnd <= static_cast<std::int64_t>(size));
    FUZZ_CHECK(walk->skippedBytes + 4 * walk->audioFrames <= walk->audioEnd - walk->firstFrame);
    FUZZ_CHECK(walk->samples() == walk->audioFrames * spf);
    return 0;
}
