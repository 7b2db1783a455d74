#pragma once

#include "tags/EmbeddedPicture.h"

#include <filesystem>
#include <optional>
#include <string>

namespace orvane {

// Where the desktop's now-playing display finds a track's cover: an image file. An
// embedded picture is written once into a cache folder under a name made from its
// content, so that every track of an album shares one file; without one, a cover image
// beside the track (cover.jpg, cover.png, folder.jpg, front.jpg, in that order and any
// letter case) is named as it is. Blocking file work: call it on a background thread.
// Independent calls may run on different threads.
class CoverArt {
public:
    CoverArt() = delete;

    // The image for the track at `track`, writing an embedded picture into
    // `cacheFolder` (made when missing) unless it is there already; none when the track
    // has no cover or the cache cannot be written (one diagnostic line). Never throws.
    static std::optional<std::filesystem::path> find(const std::filesystem::path& track,
                                                     const std::filesystem::path& cacheFolder);

    // $XDG_CACHE_HOME/Orvane/covers, or ~/.cache/Orvane/covers when XDG_CACHE_HOME is
    // unset or not absolute; empty when neither is known.
    static std::filesystem::path defaultCacheFolder();

    // The cache file name of a picture: a hash of its bytes and their count, and the
    // extension its first bytes (else its MIME type) call for.
    static std::string cacheName(const EmbeddedPicture& picture);

    // The cover image beside the track, if any.
    static std::optional<std::filesystem::path> besideTrack(const std::filesystem::path& track);
};

} // namespace orvane
