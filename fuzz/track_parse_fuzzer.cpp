// The file name parser: no crash, and artist and title are pieces of the name with the
// artist never standing alone.

#include "FuzzCheck.h"
#include "model/Track.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const auto [artist, title] = Track::parse(path);
    FUZZ_CHECK(artist.empty() || !title.empty());
    FUZZ_CHECK(path.find(artist) != std::string::npos);
    FUZZ_CHECK(path.find(title) != std::string::npos);
    return 0;
}
