// The state file decoder: whatever it accepts must encode, and the encoding must decode
// to the same state. The streaming decoders must agree with the whole-text one.

#include "FuzzCheck.h"
#include "model/StateCodec.h"

#include <algorithm>
#include <cstring>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<PersistedState> state = fromJson<PersistedState>(text);

    // Small pieces, so that tokens straddle the boundaries between them.
    std::size_t offset = 0;
    const std::optional<PersistedState> streamed =
        readJson([&](char* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            const std::size_t n = std::min({capacity, std::size_t{7}, size - offset});
            std::memcpy(buffer, text.data() + offset, n);
            offset += n;
            return n;
        });
    FUZZ_CHECK(state == streamed);

    // The read shared by two threads, the second one starting from a third of the text.
    const std::optional<PersistedState> shared = readJsonFile(
        [&](char* buffer, std::size_t capacity, std::size_t at) -> std::optional<std::size_t> {
            const std::size_t n = std::min(capacity, size - std::min(at, size));
            std::memcpy(buffer, text.data() + at, n);
            return n;
        },
        size, SplitReading{.aboveBytes = 0, .near = size / 3});
    FUZZ_CHECK(state == shared);
    if (!state)
        return 0;

    const std::optional<std::string> encoded = toJson(*state);
    FUZZ_CHECK(encoded.has_value()); // a decoded state holds only finite numbers
    const std::optional<PersistedState> again = fromJson<PersistedState>(*encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *state);
    return 0;
}
