// Writes an Orvane state file holding a demo library, for screenshots and benchmarks:
//
//   orvane_demo_library STATE_FILE [--media DIR] [--tracks N] [--playlists K]
//                       [--hide-playlist] [--font-size PT] [--visualization MODE]
//
// The first playlist holds the audio files found in DIR (read like Orvane reads them,
// so they play), then invented entries up to N tracks in all, each with its technical
// data and tempo already known so that no background scan starts for them. Further
// playlists (K in all) hold a few invented entries each.

#include "model/AudioFiles.h"
#include "model/Enums.h"
#include "model/PersistedState.h"
#include "model/Persistence.h"
#include "tags/MetadataReader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace {

using orvane::Track;

constexpr std::array kArtists{"Aurora Fields", "The Low Hum",     "Mara Kessel", "Northbound",
                              "Quiet Engine",  "Saltwater Choir", "Tomas Brel",  "Velvet Static"};
constexpr std::array kWords{"Amber", "Lantern", "Harbour", "Echoes", "Midnight", "Paper",
                            "River", "Signal",  "Winter",  "Glass",  "Orbit",    "Hollow"};
constexpr std::array kAlbums{"Long Distance", "Small Hours", "Open Water", "Field Notes"};

Track inventedTrack(std::mt19937& random, std::size_t number) {
    const auto pick = [&random](const auto& list) {
        return std::string(list[random() % list.size()]);
    };
    Track track(orvane::Uuid::random(), "/srv/music/demo/" + std::to_string(number) + ".mp3",
                pick(kArtists), pick(kWords) + " " + pick(kWords));
    track.album = pick(kAlbums);
    track.duration = 120.0 + static_cast<double>(random() % 300);
    track.bitrateKbps = 320;
    track.sampleRateHz = 44100;
    track.bpm = 80 + static_cast<int>(random() % 80);
    track.trackNumber = static_cast<int>(number % 12) + 1;
    return track;
}

Track readTrack(const std::string& path, std::size_t number) {
    Track track = Track::fromPath(path);
    const orvane::TrackMetadata data = orvane::MetadataReader::read(path);
    if (data.artist)
        track.artist = *data.artist;
    if (data.title)
        track.title = *data.title;
    track.album = data.album;
    track.duration = data.duration;
    track.bitrateKbps = data.bitrateKbps.value_or(320);
    track.sampleRateHz = data.sampleRateHz;
    track.bpm = 120;
    track.trackNumber = static_cast<int>(number) + 1;
    return track;
}

int usage() {
    std::fputs("usage: orvane_demo_library STATE_FILE [--media DIR] [--tracks N] "
               "[--playlists K] [--hide-playlist] [--font-size PT] [--visualization MODE]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2)
        return usage();
    const std::string stateFile = argv[1];
    std::string media;
    std::size_t trackCount = 0;
    std::size_t playlistCount = 1;
    bool hidePlaylist = false;
    double fontSize = 0.0;
    std::optional<orvane::VisualizationMode> visualization;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--media" && hasValue)
            media = argv[++i];
        else if (arg == "--tracks" && hasValue)
            trackCount = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--playlists" && hasValue)
            playlistCount = std::max<std::size_t>(1, std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--font-size" && hasValue)
            fontSize = std::strtod(argv[++i], nullptr);
        else if (arg == "--visualization" && hasValue)
            visualization = orvane::visualizationModeFromRaw(argv[++i]);
        else if (arg == "--hide-playlist")
            hidePlaylist = true;
        else
            return usage();
    }

    std::mt19937 random(20261206);
    orvane::PersistedState state = orvane::PersistedState::fresh();
    state.playlists.front().name = "Library";
    auto& tracks = state.playlists.front().tracks;
    if (!media.empty()) {
        for (const std::string& path : orvane::collectAudioFiles({media}))
            tracks.push_back(readTrack(path, tracks.size()));
    }
    while (tracks.size() < trackCount)
        tracks.push_back(inventedTrack(random, tracks.size() + 1));
    for (std::size_t p = 1; p < playlistCount; ++p) {
        orvane::Playlist extra(orvane::Uuid::random(), "Mix " + std::to_string(p));
        for (std::size_t t = 0; t < 5; ++t)
            extra.tracks.push_back(inventedTrack(random, t + 1));
        state.playlists.push_back(std::move(extra));
    }
    state.activePlaylistID = state.playlists.front().id;
    state.settings.showPlaylist = !hidePlaylist;
    if (visualization)
        state.settings.visualization = *visualization;
    if (fontSize > 0.0)
        state.settings.playlistFontSize = fontSize;

    if (!orvane::Persistence(stateFile).save(state)) {
        std::fprintf(stderr, "could not write %s\n", stateFile.c_str());
        return 1;
    }
    // `tracks` may dangle here: adding the other playlists can move the first one.
    std::printf("%s: %zu tracks in %zu playlists\n", stateFile.c_str(),
                state.playlists.front().tracks.size(), state.playlists.size());
    return 0;
}
