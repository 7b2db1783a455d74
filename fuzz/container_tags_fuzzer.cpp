// The cover search and the FLAC, Ogg and MP4 tag writer on arbitrary files: no crash, no
// hang, a chosen picture within its bound, and a rewritten file the writer takes again.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "tags/ContainerTagWriter.h"
#include "tags/CoverArt.h"
#include "tags/EmbeddedPicture.h"

#include <optional>

using namespace orvane;

namespace {

std::optional<ContainerTagWriter::Format> formatOf(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    if (ext == ".flac")
        return ContainerTagWriter::Format::flac;
    if (ext == ".ogg")
        return ContainerTagWriter::Format::oggVorbis;
    if (ext == ".opus")
        return ContainerTagWriter::Format::opus;
    if (ext == ".m4a")
        return ContainerTagWriter::Format::mp4;
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz::writeAudioInput(data, size);
    if (!path)
        return 0;
    if (const auto picture = readEmbeddedPicture(*path)) {
        FUZZ_CHECK(!picture->data.empty() && picture->data.size() <= kMaxEmbeddedPictureBytes);
        FUZZ_CHECK(!CoverArt::cacheName(*picture).empty());
    }

    const auto format = formatOf(*path);
    if (!format)
        return 0;
    const TagValues tags{.title = "Tïtle",
                         .artist = "Артист",
                         .year = "2024",
                         .trackNumber = 5,
                         .trackTotal = 12,
                         .comment = "note"};
    std::vector<std::uint8_t> written;
    try {
        written = ContainerTagWriter::rewrite({data + 1, size - 1}, *format, tags);
    } catch (const TagWriteError&) {
        return 0;
    }
    // What the writer made, it can open and write again.
    try {
        (void)ContainerTagWriter::rewrite(written, *format, tags);
    } catch (const TagWriteError& error) {
        std::fprintf(stderr, "the written file is refused: %s\n", error.what());
        FUZZ_CHECK(false);
    }
    return 0;
}
