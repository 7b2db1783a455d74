#include "tags/MetadataReader.h"

#include "media/AudioFileReader.h"
#include "tags/ContainerTags.h"

namespace orvane {

namespace {

// Length and rate from the decoder's header information; opening decodes at most a
// packet or two. A file the decoder cannot open leaves both fields empty.
void readStreamInfo(const std::filesystem::path& path, TrackMetadata& meta) {
    const auto reader = AudioFileReader::open(path.string());
    if (!reader)
        return;
    const double rate = reader->sampleRate();
    if (!(rate > 0))
        return;
    meta.duration = static_cast<double>(reader->lengthFrames()) / rate;
    meta.sampleRateHz = static_cast<int>(rate);
}

} // namespace

TrackMetadata MetadataReader::read(const std::filesystem::path& path) {
    TrackMetadata meta;
    readStreamInfo(path, meta);
    readContainerTags(path, meta);
    return meta;
}

} // namespace orvane
