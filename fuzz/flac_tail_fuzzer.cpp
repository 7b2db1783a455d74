// The FLAC tail check on arbitrary bytes: it stays inside them, ends quickly even when
// every position looks like a frame header, and what it reports holds together.

#include "FuzzCheck.h"
#include "media/FlacTail.h"

#include <span>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int blockSize = data[0] << 8 | data[1];
    const auto end = media::findFlacTailEnd(std::span(data + 2, size - 2), blockSize);
    if (!end)
        return 0;
    // A frame holds at most 65,536 samples.
    FUZZ_CHECK(end->end >= end->lastFrameStart);
    FUZZ_CHECK(end->end - end->lastFrameStart <= 65536);
    return 0;
}
