#pragma once

#include "tags/TrackMetadata.h"

#include <filesystem>

namespace orvane {

// The tag library's part of the metadata read: title, artist and album from the common
// tags of any container, the ID3v2 frame fields where the file carries an ID3v2 tag
// (MP3) or ID3 chunk (AIFF, WAV), and the bit rate. The file is opened once. Fields
// that cannot be read are left as they are. Safe from any thread.
void readContainerTags(const std::filesystem::path& path, TrackMetadata& meta);

} // namespace orvane
