// The playlist file reader: no crash on any bytes, and the entries it reads, written
// out again as a playlist, read back as the same locations.

#include "FuzzCheck.h"
#include "model/M3U8.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string listPath = "/music/lists/list.m3u8";
    const std::optional<M3U8Import> read = parseM3U8(bytes, listPath);
    if (!read)
        return 0;
    FUZZ_CHECK(read->name == "list");

    Playlist playlist;
    for (const std::string& path : read->paths) {
        FUZZ_CHECK(!path.empty());
        auto [artist, title] = Track::parse(path);
        playlist.tracks.emplace_back(Uuid(), path, std::move(artist), std::move(title));
    }
    const std::optional<M3U8Import> again = parseM3U8(m3u8Text(playlist), listPath);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->paths == read->paths);
    return 0;
}
