// The metadata reader on arbitrary files: no crash, no hang, and the numbers it gives
// are ones the state file can store.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "tags/MetadataReader.h"

#include <cmath>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz::writeAudioInput(data, size);
    if (!path)
        return 0;
    const TrackMetadata meta = MetadataReader::read(*path);
    FUZZ_CHECK(!meta.duration || (std::isfinite(*meta.duration) && *meta.duration >= 0));
    FUZZ_CHECK(!meta.sampleRateHz || *meta.sampleRateHz > 0);
    FUZZ_CHECK(!meta.bitrateKbps || *meta.bitrateKbps >= 0);
    return 0;
}
