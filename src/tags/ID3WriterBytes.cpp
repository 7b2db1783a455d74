// The byte side of the tag writer: the new ID3v2.3 tag and the frames kept from the
// old one.

#include "tags/ID3Writer.h"
#include "tags/ID3v2Frames.h"
#include "tags/ID3v2Text.h"

#include <array>
#include <string_view>

namespace orvane {

namespace {

using id3v2::Bytes;

// Ids whose meaning the writer's values carry; old frames with them never survive a
// write. The date parts and the v2.4 recording time are the year under other names,
// and "ASPI" and "SEEK" hold byte offsets that a new tag of another size makes wrong.
constexpr std::array<std::string_view, 14> kReplacedIds = {"TIT2", "TPE1", "TALB", "TPE2", "TCON",
                                                           "TYER", "TDRC", "TDAT", "TIME", "TCOM",
                                                           "TRCK", "TPOS", "ASPI", "SEEK"};

void appendFrameHeader(Bytes& out, std::string_view id, std::size_t payloadSize) {
    out.insert(out.end(), id.begin(), id.end());
    id3v2::appendBigEndian32(out, static_cast<std::uint32_t>(payloadSize));
    out.insert(out.end(), {0, 0});
}

void appendTextFrame(Bytes& out, std::string_view id, const std::string& text) {
    if (text.empty())
        return;
    Bytes payload{0x01};
    const Bytes utf16 = id3v2::utf16LeWithBom(text);
    payload.insert(payload.end(), utf16.begin(), utf16.end());
    appendFrameHeader(out, id, payload.size());
    out.insert(out.end(), payload.begin(), payload.end());
}

void appendCommentFrame(Bytes& out, const std::string& text) {
    if (text.empty())
        return;
    // Encoding, language, an empty description with its terminator, the text.
    Bytes payload{0x01, 'e', 'n', 'g', 0xFF, 0xFE, 0x00, 0x00};
    const Bytes utf16 = id3v2::utf16LeWithBom(text);
    payload.insert(payload.end(), utf16.begin(), utf16.end());
    appendFrameHeader(out, "COMM", payload.size());
    out.insert(out.end(), payload.begin(), payload.end());
}

std::string numberPair(const std::optional<int>& number, const std::optional<int>& total) {
    if (!number)
        return {};
    std::string text = std::to_string(*number);
    if (total)
        text += "/" + std::to_string(*total);
    return text;
}

// A frame of the old tag survives unless the new values replace it, it asks to be
// dropped when the tag changes, or it cannot be stated in v2.3.
bool keep(const id3v2::Frame& frame) {
    for (const std::string_view id : kReplacedIds) {
        if (frame.id == id)
            return false;
    }
    if (frame.discardOnTagAlter || frame.data.empty())
        return false;
    // v2.3 needs the decompressed size of a compressed frame.
    if (frame.compressed && !frame.decompressedSize)
        return false;
    if (frame.id == "COMM" && frame.isPlain()) {
        // A comment without description is what the new comment replaces; comments
        // with one (other languages' notes, player data) stay.
        const auto comment = id3v2::commentFrameValue(frame.data);
        return comment && !comment->description.empty();
    }
    return true;
}

Bytes keptFrames(std::span<const std::uint8_t> file) {
    Bytes out;
    const auto tag = id3v2::parseTag(file);
    // A damaged frame list is not trusted: the old tag is then replaced whole.
    if (!tag || !tag->complete)
        return out;
    for (id3v2::Frame frame : tag->frames) {
        if (!keep(frame))
            continue;
        id3v2::recodeForV23(frame);
        id3v2::appendFrameV23(out, frame);
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> ID3Writer::rewrite(std::span<const std::uint8_t> file, const Tags& tags) {
    Bytes frames;
    appendTextFrame(frames, "TIT2", tags.title);
    appendTextFrame(frames, "TPE1", tags.artist);
    appendTextFrame(frames, "TALB", tags.album);
    appendTextFrame(frames, "TPE2", tags.albumArtist);
    appendTextFrame(frames, "TCON", tags.genre);
    appendTextFrame(frames, "TYER", tags.year);
    appendTextFrame(frames, "TCOM", tags.composer);
    appendCommentFrame(frames, tags.comment);
    appendTextFrame(frames, "TRCK", numberPair(tags.trackNumber, tags.trackTotal));
    appendTextFrame(frames, "TPOS", numberPair(tags.discNumber, tags.discTotal));
    const Bytes kept = keptFrames(file);
    frames.insert(frames.end(), kept.begin(), kept.end());

    if (frames.size() > id3v2::kMaxSyncsafe)
        throw TagWriteError(TagWriteError::Code::tagTooLarge,
                            "The tags are too large to be written.");

    const std::size_t audio = id3v2::audioStart(file);
    Bytes out{'I', 'D', '3', 0x03, 0x00, 0x00};
    id3v2::appendSyncsafe(out, static_cast<std::uint32_t>(frames.size()));
    out.reserve(out.size() + frames.size() + file.size() - audio);
    out.insert(out.end(), frames.begin(), frames.end());
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(audio), file.end());
    return out;
}

} // namespace orvane
