// The FLAC tail check on arbitrary bytes: it stays inside them, ends quickly even when
// every position looks like a frame header, and reports only a shorter stream.

#include "FuzzCheck.h"
#include "media/FLACTail.h"

#include <span>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int blockSize = data[0] << 8 | data[1];
    constexpr std::int64_t kTotal = std::int64_t{1} << 40;
    const auto end = media::findFLACCutEnd(std::span(data + 2, size - 2), blockSize, kTotal);
    // Only a shorter stream than the one stated is reported.
    FUZZ_CHECK(!end || (*end >= 0 && *end < kTotal));
    return 0;
}
