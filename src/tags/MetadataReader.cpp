#include "tags/MetadataReader.h"

#include "media/AudioFileReader.h"
#include "media/ContainerLength.h"
#include "media/ContainerProbe.h"
#include "media/FileBytes.h"
#include "runtime/Diagnostics.h"
#include "tags/ContainerTags.h"
#include "tags/DemuxerTags.h"
#include "tags/NamedFields.h"
#include "tags/TagText.h"

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

// Fields the tag library left empty, from the decoder's view of the container: title,
// artist and album of any file, and the other fields of the files whose tags the tag
// library cannot read (ADTS and CAF files, Matroska, TTA's APEv2 tags).
// `containerTag` gives the container's tag for a key, empty when absent.
template <class ContainerTag>
void fillFromContainer(const ContainerTag& containerTag, bool allFields, TrackMetadata& meta) {
    const auto lookup = [&containerTag](const char* key) -> std::optional<std::string> {
        return containerTag(key);
    };
    const auto take = [&lookup](std::optional<std::string>& field, const char* key) {
        if (field)
            return;
        if (auto text = lookup(key); !text->empty())
            field = tagtext::fixMojibake(text);
    };
    take(meta.title, "title");
    take(meta.artist, "artist");
    take(meta.album, "album");
    if (allFields)
        applyNamedFields(lookup, kFfmpegKeys, meta);
}

// The length from the container's headers, where they state it as the decoder would
// (its exact length, or the estimate it keeps for Musepack and short ADTS files), then
// the tags; FFmpeg's demuxer alone fills what the tag library left empty. Most files
// are read this way, at a fraction of a decoder's cost.
bool readWithoutDecoder(const std::filesystem::path& path, const media::FileBytes& file,
                        TrackMetadata& meta) {
    auto length = media::readContainerLength(file, path.string());
    if (!length)
        length = media::readEstimatedLength(file, path.string());
    if (!length)
        return false;
    meta.duration = static_cast<double>(length->frames) / length->sampleRate;
    meta.sampleRateHz = length->sampleRate;
    const bool tagLibraryRead = readContainerTags(path, file, meta);
    if (tagLibraryRead &&
        ((meta.title && meta.artist && meta.album) || !demuxerMayFillCommonTags(path, file, meta)))
        return true;
    std::string why;
    const auto probe = media::ContainerProbe::open(file, path.string(),
                                                   media::ContainerProbe::Containers::any, &why);
    if (!probe) {
        // The length stands; only the tags FFmpeg alone would have found stay empty.
        reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::warning,
                         "cannot read the container tags of " + path.string() + ": " + why);
        return true;
    }
    fillFromContainer([&probe](const char* key) { return probe->tag(key); }, !tagLibraryRead, meta);
    return true;
}

// The containers whose length only the demuxer states (WMA, Musepack, Matroska): the
// demuxer gives the length and the tags the tag library leaves empty in one open.
bool readFromDemuxer(const std::filesystem::path& path, const media::FileBytes& file,
                     TrackMetadata& meta) {
    const auto probe = media::ContainerProbe::open(
        file, path.string(), media::ContainerProbe::Containers::lengthStating);
    if (!probe)
        return false;
    const auto length = probe->statedLength();
    if (!length)
        return false;
    meta.duration = static_cast<double>(length->frames) / length->sampleRate;
    meta.sampleRateHz = length->sampleRate;
    const bool tagLibraryRead = readContainerTags(path, file, meta);
    fillFromContainer([&probe](const char* key) { return probe->tag(key); }, !tagLibraryRead, meta);
    return true;
}

} // namespace

TrackMetadata MetadataReader::read(const std::filesystem::path& path) {
    TrackMetadata meta;
    // One open for all the header and tag reads: a scan opens thousands of files.
    const auto file = media::FileBytes::open(path.string());
    if (file && (readWithoutDecoder(path, *file, meta) || readFromDemuxer(path, *file, meta)))
        return meta;
    const auto reader = readStreamInfo(path, meta);
    const bool tagLibraryRead =
        file ? readContainerTags(path, *file, meta) : readContainerTags(path, meta);
    // Without the decoder, only the tag library's fields.
    if (reader) {
        fillFromContainer([&reader](const char* key) { return reader->containerTag(key); },
                          !tagLibraryRead, meta);
    }
    return meta;
}

} // namespace orvane
