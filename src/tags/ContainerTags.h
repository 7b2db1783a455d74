#pragma once

#include "media/FileBytes.h"
#include "tags/TrackMetadata.h"

#include <filesystem>

namespace orvane {

// The tag library's part of the metadata read: title, artist and album from the common
// tags of any container; the other fields from the ID3v2 frames of MP3 files (and the
// ID3 chunks of AIFF and WAV files), or from the Vorbis comments, MP4 atoms, APE items
// or ASF attributes of the other formats; and the bit rate. The file is opened once.
// Fields that cannot be read are left as they are. Returns whether the tag library
// reads this kind of file's tags at all; when it does not (ADTS, CAF, Matroska, TTA),
// the decoder's view of the container must fill in. Safe from any thread.
bool readContainerTags(const std::filesystem::path& path, TrackMetadata& meta);
// The same through a file the caller has open already (the scan's length readers).
bool readContainerTags(const std::filesystem::path& path, const media::FileBytes& file,
                       TrackMetadata& meta);

} // namespace orvane
