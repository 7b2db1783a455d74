// Saving and loading the state file of a large library: 100,000 tracks with every field
// set, written through Persistence::save (fsync included) and read back through
// Persistence::load.

#include "model/Persistence.h"
#include "model/StateCodec.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

namespace {

using namespace orvane;
namespace fs = std::filesystem;

constexpr int trackCount = 100'000;
constexpr int tracksPerPlaylist = 10'000;

Track makeTrack(int n) {
    const std::string number = std::to_string(n);
    const std::string artist = "Artist Name " + std::to_string(n % 997);
    const std::string album = "Album Title Number " + std::to_string(n % 8191);
    Track t(Uuid::random(),
            "/home/listener/Music/Library/" + artist + "/" + album + "/" +
                std::to_string(n % 20 + 1) + " - Track Title " + number + ".flac",
            artist, "Track Title " + number);
    t.duration = 180.0 + (n % 600) * 0.37;
    t.album = album;
    t.albumArtist = artist;
    t.genre = "Electronic";
    t.year = std::to_string(1960 + n % 60);
    t.trackNumber = n % 20 + 1;
    t.trackTotal = 20;
    t.discNumber = 1;
    t.discTotal = 2;
    t.composer = "Composer " + std::to_string(n % 313);
    t.comment = "Ripped with care, take " + number;
    t.bitrateKbps = 900 + n % 200;
    t.sampleRateHz = 44100;
    t.bpm = 80 + n % 90;
    t.peakLinear = 0.5 + (n % 1000) / 2000.0;
    t.rmsLinear = 0.05 + (n % 777) / 7770.0;
    t.trimStart = (n % 50) / 100.0;
    t.trimEnd = *t.duration - (n % 30) / 10.0;
    return t;
}

// Built once: the benchmark also runs as a quick smoke test.
const PersistedState& largeState() {
    static const PersistedState state = [] {
        PersistedState s;
        for (int p = 0; p < trackCount / tracksPerPlaylist; ++p) {
            Playlist playlist(Uuid::random(), "Playlist " + std::to_string(p + 1));
            playlist.tracks.reserve(tracksPerPlaylist);
            for (int i = 0; i < tracksPerPlaylist; ++i)
                playlist.tracks.push_back(makeTrack(p * tracksPerPlaylist + i));
            s.playlists.push_back(std::move(playlist));
        }
        s.activePlaylistID = s.playlists[3].id;
        s.settings.outputDeviceUID = "alsa_output.pci-0000_00_1f.3.analog-stereo";
        s.settings.customEQPresets["Late night"] = {3, 2, 1, 0, 0, 0, 0, 1, 2, 3};
        s.resumePlaylistID = s.playlists[3].id;
        s.resumeTrackID = s.playlists[3].tracks[42].id;
        s.resumePosition = 93.25;
        return s;
    }();
    return state;
}

// A scratch folder for the state file, removed at exit.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path file() const { return path_ / "orvane-data.json"; }

private:
    fs::path path_;
};

const ScratchFolder& scratch() {
    static const ScratchFolder folder;
    return folder;
}

void BM_SaveState(benchmark::State& bench) {
    const PersistedState& state = largeState();
    Persistence persistence(scratch().file());
    for (auto _ : bench)
        if (!persistence.save(state))
            bench.SkipWithError("save failed");
    bench.counters["bytes"] = static_cast<double>(fs::file_size(scratch().file()));
}
BENCHMARK(BM_SaveState)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadState(benchmark::State& bench) {
    Persistence persistence(scratch().file());
    if (!persistence.save(largeState())) {
        bench.SkipWithError("save failed");
        return;
    }
    std::size_t tracks = 0;
    for (auto _ : bench) {
        const PersistedState loaded = persistence.load();
        tracks = 0;
        for (const auto& playlist : loaded.playlists)
            tracks += playlist.tracks.size();
        benchmark::DoNotOptimize(tracks);
    }
    if (tracks != trackCount)
        bench.SkipWithError("load did not return every track");
}
BENCHMARK(BM_LoadState)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
