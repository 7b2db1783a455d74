#pragma once

#include "tags/ID3v2Frames.h"
#include "tags/TrackMetadata.h"

#include <vector>

namespace orvane {

// Fills album artist, genre, year, track and disc numbers, composer and comment of
// `meta` from the frames of an ID3v2.3 or v2.4 tag, in frame order: a later frame with
// the same meaning wins ("TYER" and "TDRC" both give the year), and a frame without
// text clears its field. The comment comes from the last "COMM" frame without a
// content description; only when there is none does the last described one count, and
// never one whose description starts with "iTun" (iTunNORM, iTunSMPB and the like are
// player data, not words for the listener). Every text passes through
// `fixMojibake`. Title, artist and album are not touched: they come from the
// container's common tags.
void applyID3Frames(const std::vector<id3v2::Frame>& frames, TrackMetadata& meta);

} // namespace orvane
