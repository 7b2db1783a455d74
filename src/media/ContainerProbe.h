#pragma once

#include "media/ContainerLength.h"

#include <memory>
#include <optional>
#include <string>

struct AVFormatContext;

namespace orvane::media {

// What FFmpeg's demuxer alone says about a file, with no decoder opened: the text tags
// of its container (Matroska's tags, TTA's APEv2 tags, the INFO list of a WAV, whatever
// the tag library left empty) and, for the codecs whose length AudioFileReader takes
// from the container as it stands, that length. For the metadata scan, which reads
// thousands of files: a decoder costs far more than the demuxer.
//
// Threading: one object per thread; any number may be open at once.
class ContainerProbe {
public:
    // Which files are opened. FFmpeg's probe runs every demuxer's test over the file's
    // start, which costs more than the rest of the open, so the demuxer is named from
    // the first bytes wherever Orvane knows them. `lengthStating` opens only the
    // containers in which statedLength() may find a length (ASF, Matroska, Musepack SV8,
    // and WAV, which may hold WMA): for any other the open could not answer.
    enum class Containers { any, lengthStating };

    // nullopt when FFmpeg cannot open the file (or, with `lengthStating`, when its
    // container is not one of those); `error`, when given, then receives a short English
    // reason for diagnostics.
    static std::optional<ContainerProbe> open(const std::string& path,
                                              Containers containers = Containers::any,
                                              std::string* error = nullptr);
    // The same for a file already open at `path`, whose first bytes name the demuxer
    // (FFmpeg still opens the path itself).
    static std::optional<ContainerProbe> open(const FileBytes& file, const std::string& path,
                                              Containers containers = Containers::any,
                                              std::string* error = nullptr);

    // The tag `key` ("title", "artist", "album", any letter case) from the file's
    // metadata or else its first audio stream's, as AudioFileReader::containerTag gives
    // it; empty when absent.
    std::string tag(const char* key) const;

    // The length and rate AudioFileReader::open states for this file, where the
    // container alone decides them: WMA, Musepack, and FLAC or Vorbis in Matroska, whose
    // decoders keep the container's rate and whose lengths the reader takes from the
    // container unchanged (an estimate it settles only by reading to the end).
    // nullopt for every other file: the decoder must be opened to know.
    std::optional<ContainerLength> statedLength() const;

private:
    // `file` may be null when the path could not be opened: FFmpeg's probe then decides.
    static std::optional<ContainerProbe> open(const FileBytes* file, const std::string& path,
                                              Containers containers, std::string* error);

    struct Closer {
        void operator()(AVFormatContext* context) const noexcept;
    };
    explicit ContainerProbe(AVFormatContext* context) : context_(context) {}

    std::unique_ptr<AVFormatContext, Closer> context_;
};

} // namespace orvane::media
