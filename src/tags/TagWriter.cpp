#include "tags/TagWriter.h"

#include "tags/ContainerTagWriter.h"
#include "tags/ID3Writer.h"
#include "tags/TagFileRewrite.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace orvane {

namespace {

enum class Writer { id3, container };

struct Kind {
    Writer writer;
    ContainerTagWriter::Format format = ContainerTagWriter::Format::flac;
};

std::optional<Kind> kindOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    using Format = ContainerTagWriter::Format;
    if (ext == ".mp3")
        return Kind{Writer::id3};
    if (ext == ".flac")
        return Kind{Writer::container, Format::flac};
    if (ext == ".ogg")
        return Kind{Writer::container, Format::oggVorbis};
    if (ext == ".opus")
        return Kind{Writer::container, Format::opus};
    if (ext == ".m4a" || ext == ".m4b")
        return Kind{Writer::container, Format::mp4};
    return std::nullopt;
}

} // namespace

void TagWriter::writeTags(const std::filesystem::path& path, const TagValues& tags) {
    const auto kind = kindOf(path);
    if (!kind)
        throw TagWriteError(TagWriteError::Code::unsupportedFormat,
                            "Tag writing is supported for MP3, FLAC, Ogg Vorbis, Opus and "
                            "M4A files only");
    if (kind->writer == Writer::id3) {
        ID3Writer::writeTags(path, tags);
        return;
    }
    rewriteTagFile(path, [&](std::span<const std::uint8_t> file) {
        return ContainerTagWriter::rewrite(file, kind->format, tags);
    });
}

} // namespace orvane
