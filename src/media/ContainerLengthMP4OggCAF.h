#pragma once

#include "media/ContainerLength.h"

#include <optional>
#include <string>

namespace orvane::media {

// The container length readers for MP4, Ogg and CAF (see ContainerLength.h for what an
// answer promises). Each checks the file's own first bytes and returns nullopt for any
// other kind of file, and for any layout it cannot vouch for.

// MP4/M4A/M4B holding AAC-LC or ALAC: the sample tables and the edit list, and a file cut
// short ends at its first sample whose bytes are not all there.
std::optional<ContainerLength> readMP4Length(const std::string& path);

// Ogg Vorbis and Ogg Opus with one stream that ends on its end-of-stream page: the last
// granule position (less Opus's pre-skip).
std::optional<ContainerLength> readOggLength(const std::string& path);

// CAF holding linear PCM (the whole frames of its data) or ALAC (its packet table).
std::optional<ContainerLength> readCAFLength(const std::string& path);

} // namespace orvane::media
