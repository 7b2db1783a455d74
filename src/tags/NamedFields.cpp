#include "tags/NamedFields.h"

#include "tags/TagText.h"

#include <tuple>
#include <utility>

namespace orvane {

// clang-format off
const NamedFieldKeys kPropertyKeys{
    // FFmpeg writes an APE tag's album artist as "album_artist", which the tag library
    // leaves unmapped.
    .albumArtist = {"ALBUMARTIST", "ALBUM ARTIST", "ALBUM_ARTIST"},
    .genre = {"GENRE"},
    .year = {"DATE", "YEAR"},
    .track = {"TRACKNUMBER"},
    .trackTotal = {"TRACKTOTAL", "TOTALTRACKS"},
    .disc = {"DISCNUMBER"},
    .discTotal = {"DISCTOTAL", "TOTALDISCS"},
    .composer = {"COMPOSER"},
    // FFmpeg stores a Vorbis comment's comment as DESCRIPTION.
    .comment = {"COMMENT", "DESCRIPTION"},
};

const NamedFieldKeys kFfmpegKeys{
    .albumArtist = {"album_artist", "album artist"},
    .genre = {"genre"},
    .year = {"date", "year"},
    .track = {"track", "track number"},
    .trackTotal = {"tracktotal", "totaltracks"},
    .disc = {"disc"},
    .discTotal = {"disctotal", "totaldiscs"},
    .composer = {"composer"},
    .comment = {"comment", "comments"},
};
// clang-format on

namespace {

std::optional<std::string> firstText(const FieldLookup& lookup,
                                     std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (auto text = lookup(key); text && !text->empty())
            return tagtext::fixMojibake(std::move(text));
    }
    return std::nullopt;
}

void fillText(std::optional<std::string>& field, const FieldLookup& lookup,
              std::initializer_list<const char*> keys) {
    if (!field)
        field = firstText(lookup, keys);
}

void fillNumber(std::optional<int>& number, std::optional<int>& total, const FieldLookup& lookup,
                std::initializer_list<const char*> numberKeys,
                std::initializer_list<const char*> totalKeys) {
    if (number || total)
        return;
    std::tie(number, total) = tagtext::parseNumberSlash(firstText(lookup, numberKeys));
    if (!total)
        total = tagtext::parseNumberSlash(firstText(lookup, totalKeys)).first;
}

} // namespace

void applyNamedFields(const FieldLookup& lookup, const NamedFieldKeys& keys, TrackMetadata& meta) {
    fillText(meta.albumArtist, lookup, keys.albumArtist);
    fillText(meta.genre, lookup, keys.genre);
    fillText(meta.year, lookup, keys.year);
    fillNumber(meta.trackNumber, meta.trackTotal, lookup, keys.track, keys.trackTotal);
    fillNumber(meta.discNumber, meta.discTotal, lookup, keys.disc, keys.discTotal);
    fillText(meta.composer, lookup, keys.composer);
    fillText(meta.comment, lookup, keys.comment);
}

} // namespace orvane
