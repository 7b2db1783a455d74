#include "tags/MetadataReader.h"

#include "media/AudioFileReader.h"
#include "runtime/Diagnostics.h"
#include "tags/ContainerTags.h"

#include <string>

namespace orvane {

namespace {

// Length and rate from the decoder's header information; opening decodes at most a
// packet or two. A file the decoder cannot open leaves both fields empty.
void readStreamInfo(const std::filesystem::path& path, TrackMetadata& meta) {
    std::string why;
    const auto reader = AudioFileReader::open(path.string(), &why);
    if (!reader) {
        // The track then shows no length; the reason is the decoder's.
        reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::warning,
                         "cannot read the length of " + path.string() + ": " + why);
        return;
    }
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
