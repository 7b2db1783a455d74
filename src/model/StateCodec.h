#pragma once

#include "model/AppSettings.h"
#include "model/PersistedState.h"
#include "model/Playlist.h"
#include "model/Track.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The JSON form of Orvane's records, as the state file holds them.
//
// Encoding writes one compact line: keys in the records' own order, optional fields
// left out when they have no value, UUIDs in upper case, every '/' inside a string as
// "\/", integers as integers and doubles in a form that reads back to the same value.
// It fails (nothing is produced) when any double is NaN or infinite, since JSON has no
// number for those.
//
// Decoding is strict about shape and lenient about absence: a value of the wrong JSON
// type, a missing required key or a malformed UUID fails the whole document, while a
// missing or null optional key means "no value". The settings are the exception: each
// of their keys that is missing or null, or whose value this version cannot take (the
// wrong type, anywhere inside it, or an unknown enumeration text such as a newer
// version's mode), keeps that one setting's default. Unknown keys are ignored. Text that
// is not JSON, a number too large for a double, anything after the object but white
// space, a top level that is not an object, or a NUL byte fails the whole document.
// Texts are kept as the bytes they are, so a file name that is not valid UTF-8 survives
// a round trip.
//
// All functions are pure and may be called from any thread.

std::optional<std::string> toJson(const Track& track);
std::optional<std::string> toJson(const Playlist& playlist);
std::optional<std::string> toJson(const AppSettings& settings);
std::optional<std::string> toJson(const PersistedState& state);
std::optional<std::string> toJson(const ResumePoint& point);

// Receives encoded text piece by piece; returning false stops the encoding.
using JsonSink = std::function<bool(std::string_view piece)>;

// Streams the JSON form of `state` to `sink` in pieces of about a megabyte, for writing a
// large library without building the whole text in memory. Returns false when a double
// is not finite (then the sink has received nothing) or when the sink refused a piece.
bool writeJson(const PersistedState& state, const JsonSink& sink);

// Decodes one JSON object into a record of type T (Track, Playlist, AppSettings,
// PersistedState or ResumePoint).
template <typename T>
std::optional<T> fromJson(std::string_view json);

extern template std::optional<Track> fromJson<Track>(std::string_view json);
extern template std::optional<Playlist> fromJson<Playlist>(std::string_view json);
extern template std::optional<AppSettings> fromJson<AppSettings>(std::string_view json);
extern template std::optional<PersistedState> fromJson<PersistedState>(std::string_view json);
extern template std::optional<ResumePoint> fromJson<ResumePoint>(std::string_view json);

// Fills `buffer` with up to `capacity` further bytes of JSON text and returns how many it
// placed, 0 at the end of the text, or nothing when reading failed.
using JsonSource = std::function<std::optional<std::size_t>(char* buffer, std::size_t capacity)>;

// Decodes a PersistedState while pulling its text from `source` a piece at a time, so
// that a large file is never held in memory whole. A failing source fails the decoding.
// `expectedBytes`, the text's length where known (0: unknown), lets a long track list
// grow once to about its final size instead of doubling its way there.
std::optional<PersistedState> readJson(const JsonSource& source, std::size_t expectedBytes = 0);

// Fills `buffer` with up to `capacity` bytes of JSON text from byte `offset` on and returns
// how many it placed, 0 at the end of the text, or nothing when reading failed. Called
// from two threads at once.
using JsonFileSource = std::function<std::optional<std::size_t>(char* buffer, std::size_t capacity,
                                                                std::size_t offset)>;

// When readJsonFile shares the reading between two threads.
struct SplitReading {
    // Texts of at most this many bytes are read by one thread alone: a state file only
    // grows this large with tens of thousands of tracks, whose reading the wait at start
    // is about.
    std::size_t aboveBytes = std::size_t{4} << 20;
    // Where the second thread looks for a track list to start in; nothing: the middle.
    std::optional<std::size_t> near;
};

// How a readJsonFile went, for tests and measurements.
struct SplitReadReport {
    std::size_t handedOver = 0; // track lists, or their second parts, read by the second thread
    bool readAgain = false;     // the shared read was not trusted and the text was read alone
};

// Decodes a PersistedState from text that can be read at any offset, with exactly the
// result readJson gives for the same bytes. A long text is read by two threads: this one
// reads it from the start while a second one decodes the track lists of its second half,
// from the first track element it finds near the middle (in JSON, an element's start
// `{"id":"<uuid>","path":` cannot lie inside a string). This thread leaves out each
// such list and takes its tracks over where the list closes. A list it does not close
// exactly there (text written by hand that only looks like a track list, or is not JSON)
// makes it read the whole text again alone. Returns once the second thread has ended.
// `expectedBytes` is the text's length, as for readJson.
std::optional<PersistedState> readJsonFile(const JsonFileSource& source, std::size_t expectedBytes,
                                           const SplitReading& split = {},
                                           SplitReadReport* report = nullptr);

} // namespace orvane
