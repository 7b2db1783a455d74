#include "tags/ID3Fields.h"

#include "tags/ID3v2Text.h"
#include "tags/TagText.h"

#include <tuple>

namespace orvane {

namespace {

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
    if (text && text->empty())
        return std::nullopt;
    return text;
}

// Players keep machine data in described comments: loudness (iTunNORM), gapless
// lengths (iTunSMPB, iTunPGAP), disc ids (iTunes_CDDB_IDs). Shown, it is hex noise, and
// a save from the tag editor would write it back as the track's comment.
bool isMachineData(const std::string& description) {
    return description.starts_with("iTun");
}

} // namespace

void applyID3Frames(const std::vector<id3v2::Frame>& frames, TrackMetadata& meta) {
    std::optional<std::string> trackText;
    std::optional<std::string> discText;
    std::optional<std::optional<std::string>> plainComment; // from a COMM without description
    std::optional<std::optional<std::string>> describedComment;

    for (const id3v2::Frame& frame : frames) {
        // Compressed and encrypted frames cannot be read without their keys or zlib.
        if (!frame.isPlain())
            continue;
        const std::string& id = frame.id;
        if (id == "COMM") {
            const auto comment = id3v2::commentFrameValue(frame.data);
            std::optional<std::string> text;
            if (comment)
                text = nonEmpty(tagtext::fixMojibake(comment->text));
            if (!comment || comment->description.empty())
                plainComment = text;
            else if (!isMachineData(comment->description))
                describedComment = text;
            continue;
        }
        std::optional<std::string>* field = nullptr;
        if (id == "TPE2")
            field = &meta.albumArtist;
        else if (id == "TCON")
            field = &meta.genre;
        else if (id == "TYER" || id == "TDRC")
            field = &meta.year;
        else if (id == "TCOM")
            field = &meta.composer;
        else if (id == "TRCK")
            field = &trackText;
        else if (id == "TPOS")
            field = &discText;
        if (field == nullptr)
            continue;
        *field = nonEmpty(tagtext::fixMojibake(id3v2::textFrameValue(frame.data)));
    }

    if (plainComment)
        meta.comment = *plainComment;
    else if (describedComment)
        meta.comment = *describedComment;
    std::tie(meta.trackNumber, meta.trackTotal) = tagtext::parseNumberSlash(trackText);
    std::tie(meta.discNumber, meta.discTotal) = tagtext::parseNumberSlash(discText);
}

} // namespace orvane
