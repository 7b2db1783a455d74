#pragma once

#include "tags/TrackMetadata.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The keys under which a tag format keeps the fields beyond title, artist and album,
// each list first choice first. Formats name them differently (Vorbis comments, the tag
// library's property names for MP4, APE and ASF, FFmpeg's container metadata), so one
// filling rule serves them all.
struct NamedFieldKeys {
    std::initializer_list<const char*> albumArtist;
    std::initializer_list<const char*> genre;
    std::initializer_list<const char*> year;
    std::initializer_list<const char*> track; // "5" or "5/12"
    std::initializer_list<const char*> trackTotal;
    std::initializer_list<const char*> disc;
    std::initializer_list<const char*> discTotal;
    std::initializer_list<const char*> composer;
    std::initializer_list<const char*> comment;
};

// The tag library's property names (Vorbis comments as stored, MP4 atoms, APE items and
// ASF attributes mapped to them).
extern const NamedFieldKeys kPropertyKeys;
// FFmpeg's container metadata (ADTS with ID3, CAF, Matroska, TTA's APEv2).
extern const NamedFieldKeys kFfmpegKeys;

// The text under a key; nothing or an empty text when the file has none.
using FieldLookup = std::function<std::optional<std::string>(const char* key)>;

// Fills album artist, genre, year, track and disc numbers and totals, composer and
// comment of `meta` that are still empty, from the first key of each list that holds a
// text. Texts pass through `fixMojibake`; numbers follow `parseNumberSlash`, and a total
// stored on its own counts only when the number's text has none.
void applyNamedFields(const FieldLookup& lookup, const NamedFieldKeys& keys, TrackMetadata& meta);

} // namespace orvane
