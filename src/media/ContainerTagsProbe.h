#pragma once

#include <memory>
#include <optional>
#include <string>

struct AVFormatContext;

namespace orvane::media {

// The text tags of a file's container as FFmpeg's demuxer reads them (Matroska's tags,
// TTA's APEv2 tags, the INFO list of a WAV, whatever the tag library left empty), with
// only the demuxer opened: no decoder, no stream probing. For the metadata scan when
// the length came from the headers and no AudioFileReader was opened.
//
// Threading: one object per thread; any number may be open at once.
class ContainerTagsProbe {
public:
    // nullopt when FFmpeg cannot open the file; `error`, when given, then receives a
    // short English reason for diagnostics.
    static std::optional<ContainerTagsProbe> open(const std::string& path,
                                                  std::string* error = nullptr);

    // The tag `key` ("title", "artist", "album", any letter case) from the file's
    // metadata or else its first audio stream's, as AudioFileReader::containerTag gives
    // it; empty when absent.
    std::string tag(const char* key) const;

private:
    struct Closer {
        void operator()(AVFormatContext* context) const noexcept;
    };
    explicit ContainerTagsProbe(AVFormatContext* context) : context_(context) {}

    std::unique_ptr<AVFormatContext, Closer> context_;
};

} // namespace orvane::media
