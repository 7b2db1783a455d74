#include "tags/MetadataReader.h"

#include "media/AudioFileReader.h"
#include "runtime/Diagnostics.h"
#include "tags/ContainerTags.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace orvane {

namespace {

// Length and rate from the decoder's header information; opening decodes at most a
// packet or two. A file the decoder cannot open leaves both fields empty. The reader
// is returned for the container's own tags.
std::unique_ptr<AudioFileReader> readStreamInfo(const std::filesystem::path& path,
                                                TrackMetadata& meta) {
    std::string why;
    auto reader = AudioFileReader::open(path.string(), &why);
    if (!reader) {
        // The track then shows no length; the reason is the decoder's.
        reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::warning,
                         "cannot read the length of " + path.string() + ": " + why);
        return nullptr;
    }
    const double rate = reader->sampleRate();
    if (rate > 0) {
        meta.duration = static_cast<double>(reader->lengthFrames()) / rate;
        meta.sampleRateHz = static_cast<int>(rate);
    }
    return reader;
}

// Title, artist and album the tag library left empty, from the decoder's view of the
// container: Matroska files, and TTA files whose tags are APEv2.
void fillFromContainer(const AudioFileReader& reader, TrackMetadata& meta) {
    const auto take = [&reader](std::optional<std::string>& field, const char* key) {
        if (field)
            return;
        if (std::string text = reader.containerTag(key); !text.empty())
            field = std::move(text);
    };
    take(meta.title, "title");
    take(meta.artist, "artist");
    take(meta.album, "album");
}

} // namespace

TrackMetadata MetadataReader::read(const std::filesystem::path& path) {
    TrackMetadata meta;
    const auto reader = readStreamInfo(path, meta);
    readContainerTags(path, meta);
    // Without the decoder, only the tag library's fields.
    if (reader)
        fillFromContainer(*reader, meta);
    return meta;
}

} // namespace orvane
