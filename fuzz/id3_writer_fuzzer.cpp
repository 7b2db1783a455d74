// The tag writer on arbitrary .mp3 files: it either throws its own error or leaves a
// file that starts with a well-formed ID3v2.3 tag (new frames first) followed by exactly
// the bytes that followed the old tag.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "tags/ID3Writer.h"
#include "tags/ID3v2Frames.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

using namespace orvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Checks the tag at the start of `file` and returns its length with the header.
std::size_t checkTag(const Bytes& file) {
    FUZZ_CHECK(file.size() >= 10);
    FUZZ_CHECK(std::equal(file.begin(), file.begin() + 6, Bytes{'I', 'D', '3', 3, 0, 0}.begin()));
    FUZZ_CHECK(
        std::all_of(file.begin() + 6, file.begin() + 10, [](std::uint8_t b) { return b < 0x80; }));
    const std::size_t end = 10 + std::size_t{id3v2::readSyncsafe(&file[6])};
    FUZZ_CHECK(end <= file.size());

    std::size_t pos = 10;
    while (pos < end && file[pos] != 0) {
        FUZZ_CHECK(pos + 10 <= end);
        FUZZ_CHECK(std::all_of(&file[pos], &file[pos + 4], [](std::uint8_t c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        }));
        const std::size_t length = std::size_t{file[pos + 4]} << 24 |
                                   std::size_t{file[pos + 5]} << 16 |
                                   std::size_t{file[pos + 6]} << 8 | file[pos + 7];
        FUZZ_CHECK(length <= end - pos - 10);
        pos += 10 + length;
    }
    FUZZ_CHECK(std::all_of(file.begin() + static_cast<std::ptrdiff_t>(pos),
                           file.begin() + static_cast<std::ptrdiff_t>(end),
                           [](std::uint8_t b) { return b == 0; }));
    return end;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz::writeTempFile("input.mp3", data, size);
    const ID3Writer::Tags tags{.title = "Tïtle",
                               .artist = "Артист",
                               .year = "2024",
                               .trackNumber = 5,
                               .trackTotal = 12,
                               .comment = "note"};
    try {
        ID3Writer::writeTags(path, tags);
    } catch (const TagWriteError&) {
        return 0;
    }
    const Bytes written = readFile(path);
    const std::size_t tagEnd = checkTag(written);
    // The first frame is the new title.
    FUZZ_CHECK(tagEnd >= 14 && std::equal(&written[10], &written[14], "TIT2"));

    const std::size_t audio = id3v2::audioStart({data, size});
    FUZZ_CHECK(written.size() - tagEnd == size - audio);
    FUZZ_CHECK(std::equal(written.begin() + static_cast<std::ptrdiff_t>(tagEnd), written.end(),
                          data + audio));
    return 0;
}
