#pragma once

#include "media/AudioFileReader.h"

#include <memory>
#include <string>

namespace orvane {

// Opens `path` for one of the offline analyses; nullptr when it cannot be read. The
// failure goes to the diagnostics once for a file: a preload that cannot queue the
// next track trims and measures it again on every tick, and each analysis of it fails
// alike. Any thread. `decoderThreads` as for AudioFileReader::open.
std::unique_ptr<AudioFileReader> openForAnalysis(const std::string& path, int decoderThreads = 1);

} // namespace orvane
