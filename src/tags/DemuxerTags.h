#pragma once

#include "media/FileBytes.h"
#include "tags/TrackMetadata.h"

#include <filesystem>

namespace orvane {

// Whether FFmpeg's demuxer could give an MP3 file a title, artist or album that `meta`
// (as the tag library read it) lacks. Opening the demuxer to find out costs several
// times the tag library's read, and most MP3 files it would be opened for simply have
// no such field: their one ID3v2 tag lacks the frames, and no ID3v1 or APE tag follows
// the audio. True whenever that cannot be told from the tags' bytes (other kinds of
// file, an ID3v2.2 tag, a damaged one, user text frames, which FFmpeg names by their
// description). Safe from any thread.
bool demuxerMayFillCommonTags(const std::filesystem::path& path, const media::FileBytes& file,
                              const TrackMetadata& meta);

} // namespace orvane
