#pragma once

// The field lists of the records in the state file, shared by its writer and its reader
// (internal to src/model). Each record names its fields once, in the order they are
// written; the writer and the reader both walk this list, so the two can never disagree
// about a key.

#include "model/AppSettings.h"
#include "model/PersistedState.h"
#include "model/Playlist.h"
#include "model/Track.h"

#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace orvane::statefile {

template <typename Record>
struct Fields;

template <>
struct Fields<Track> {
    static constexpr bool everyKeyOptional = false; // id, path, artist, title are required
    static constexpr bool badValueKeepsDefault = false;
    template <typename Self, typename Visit>
    static void visit(Self& t, Visit&& field) {
        field("id", t.id);
        field("path", t.path);
        field("artist", t.artist);
        field("title", t.title);
        field("duration", t.duration);
        field("album", t.album);
        field("albumArtist", t.albumArtist);
        field("genre", t.genre);
        field("year", t.year);
        field("trackNumber", t.trackNumber);
        field("trackTotal", t.trackTotal);
        field("discNumber", t.discNumber);
        field("discTotal", t.discTotal);
        field("composer", t.composer);
        field("comment", t.comment);
        field("bitrateKbps", t.bitrateKbps);
        field("sampleRateHz", t.sampleRateHz);
        field("bpm", t.bpm);
        field("peakLinear", t.peakLinear);
        field("rmsLinear", t.rmsLinear);
        field("trimStart", t.trimStart);
        field("trimEnd", t.trimEnd);
    }
};

template <>
struct Fields<Playlist> {
    static constexpr bool everyKeyOptional = false;
    static constexpr bool badValueKeepsDefault = false;
    template <typename Self, typename Visit>
    static void visit(Self& p, Visit&& field) {
        field("id", p.id);
        field("name", p.name);
        field("tracks", p.tracks);
    }
};

// Settings are read key by key over the defaults so that an older or partial file loads,
// and a value this version cannot take (a newer version's mode, a wrong type) costs only
// its own setting; the writing order is not the declaration order (`loudness` and
// `outputDeviceUID` sit after `charIntensity`).
template <>
struct Fields<AppSettings> {
    static constexpr bool everyKeyOptional = true;
    static constexpr bool badValueKeepsDefault = true;
    template <typename Self, typename Visit>
    static void visit(Self& s, Visit&& field) {
        field("volume", s.volume);
        field("pan", s.pan);
        field("isMuted", s.isMuted);
        field("pbMode", s.pbMode);
        field("shuffle", s.shuffle);
        field("eqOn", s.eqOn);
        field("eqGains", s.eqGains);
        field("eqPreset", s.eqPreset);
        field("customEQPresets", s.customEQPresets);
        field("showRemainingTime", s.showRemainingTime);
        field("playlistFontSize", s.playlistFontSize);
        field("alwaysOnTop", s.alwaysOnTop);
        field("resumeOnStartup", s.resumeOnStartup);
        field("quitOnClose", s.quitOnClose);
        field("visualization", s.visualization);
        field("ledBrightness", s.ledBrightness);
        field("showWordmarkIcon", s.showWordmarkIcon);
        field("showPlaylist", s.showPlaylist);
        field("gapless", s.gapless);
        field("trimSilence", s.trimSilence);
        field("trimThresholdDb", s.trimThresholdDb);
        field("trimMaxSec", s.trimMaxSec);
        field("fadePlayOn", s.fadePlayOn);
        field("fadePlayMs", s.fadePlayMs);
        field("fadePauseOn", s.fadePauseOn);
        field("fadePauseMs", s.fadePauseMs);
        field("fadeStopOn", s.fadeStopOn);
        field("fadeStopMs", s.fadeStopMs);
        field("fadeChangeOn", s.fadeChangeOn);
        field("fadeChangeMs", s.fadeChangeMs);
        field("normalize", s.normalize);
        field("compOn", s.compOn);
        field("compAmount", s.compAmount);
        field("compPreset", s.compPreset);
        field("charFx", s.charFx);
        field("charIntensity", s.charIntensity);
        field("loudness", s.loudness);
        field("outputDeviceUID", s.outputDeviceUID);
        field("vinylCrackle", s.vinylCrackle);
        field("tapeType", s.tapeType);
        field("tapeCompression", s.tapeCompression);
        field("tapeWear", s.tapeWear);
        field("mechNoise", s.mechNoise);
        field("mechNoiseLevel", s.mechNoiseLevel);
    }
};

template <>
struct Fields<PersistedState> {
    static constexpr bool everyKeyOptional = false; // playlists and settings are required
    static constexpr bool badValueKeepsDefault = false;
    template <typename Self, typename Visit>
    static void visit(Self& st, Visit&& field) {
        field("playlists", st.playlists);
        field("activePlaylistID", st.activePlaylistID);
        field("settings", st.settings);
        field("resumePlaylistID", st.resumePlaylistID);
        field("resumeTrackID", st.resumeTrackID);
        field("resumePosition", st.resumePosition);
    }
};

// The resume file holds the state's resume fields under the same keys.
template <>
struct Fields<ResumePoint> {
    static constexpr bool everyKeyOptional = true;
    static constexpr bool badValueKeepsDefault = false;
    template <typename Self, typename Visit>
    static void visit(Self& point, Visit&& field) {
        field("resumePlaylistID", point.playlistID);
        field("resumeTrackID", point.trackID);
        field("resumePosition", point.position);
    }
};

template <typename T>
inline constexpr bool isRecord =
    std::is_same_v<T, Track> || std::is_same_v<T, Playlist> || std::is_same_v<T, AppSettings> ||
    std::is_same_v<T, PersistedState> || std::is_same_v<T, ResumePoint>;

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};
template <>
struct IsOptional<OptionalDouble> : std::true_type {};
template <>
struct IsOptional<OptionalText> : std::true_type {};

template <typename T>
struct IsVector : std::false_type {};
template <typename T>
struct IsVector<std::vector<T>> : std::true_type {};

using PresetMap = std::map<std::string, std::vector<double>>;

} // namespace orvane::statefile
