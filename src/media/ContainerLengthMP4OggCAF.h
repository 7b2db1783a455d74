#pragma once

#include "media/ContainerLength.h"
#include "media/FileBytes.h"

#include <optional>
#include <string>

namespace orvane::media {

// The container length readers for MP4, Ogg and CAF (see ContainerLength.h for what an
// answer promises). Each checks the file's own first bytes and returns nullopt for any
// other kind of file, and for any layout it cannot vouch for. Each takes a path or a file
// already open (the scan opens each file once for all of its headers).

// MP4/M4A/M4B holding AAC-LC or ALAC: the sample tables and the edit list, and a file cut
// short ends at its first sample whose bytes are not all there.
std::optional<ContainerLength> readMP4Length(const std::string& path);
std::optional<ContainerLength> readMP4Length(const FileBytes& file);

// Ogg Vorbis and Ogg Opus with one stream that ends on its end-of-stream page: the last
// granule position (less Opus's pre-skip).
std::optional<ContainerLength> readOggLength(const std::string& path);
std::optional<ContainerLength> readOggLength(const FileBytes& file);

// CAF holding linear PCM (the whole frames of its data) or ALAC (its packet table).
std::optional<ContainerLength> readCAFLength(const std::string& path);
std::optional<ContainerLength> readCAFLength(const FileBytes& file);

} // namespace orvane::media
