// Plays a folder of tracks on PulseAudio, in a loop, and after a few seconds adds a
// large library folder to a second playlist, so that the background metadata scan
// (durations, then tempos) runs while the music plays. At the end it prints how often
// the sound server ran dry, when the scan reached its stages, how many tracks played
// through and how much CPU the process and each of its threads used.
//
//   orvane_underflow_probe --play FOLDER [--add FOLDER] [--seconds 600] [--add-after 5]
//                          [--play-added]
//
// With --play-added, normalisation is on and the first track of the added folder starts
// as soon as the folder is listed: the probe then also reports when that track's
// normalisation was heard and when every added track had its level measured.
//
// The pieces are built as the application builds them: Qt's event loop as the main
// loop, the PulseAudio output, the state file behind the background writer (in a
// temporary data folder), the PulseAudio device list. No window is shown, so the main
// thread does less than in the application (no painting).
//
// Two counters are read: the output's underflows (the server found the stream's
// buffer empty: an audible gap) and the engine's ring underruns (the decoder had not
// filled the ring in time; the output then plays silence, which the server does not
// see as an underflow).

#include "controller/BackgroundStateStorage.h"
#include "controller/PlayerController.h"
#include "platform/PulseOutput.h"
#include "platform/QtMainLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace orvane;

namespace {

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds used so far by each thread of the process, by thread id.
struct ThreadCpu {
    std::string name;
    double seconds = 0.0;
};
std::map<int, ThreadCpu> threadCpu() {
    std::map<int, ThreadCpu> threads;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/task", error)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // "tid (name) state ..." - the name may hold spaces, so split at the last ')'.
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        std::vector<std::string> fields;
        while (rest >> field)
            fields.push_back(field);
        if (fields.size() < 13)
            continue;
        // Fields 14 and 15 of stat (utime, stime) are 12 and 13 after the name.
        threads[std::stoi(line.substr(0, open))] = {
            line.substr(open + 1, close - open - 1),
            (std::stod(fields[11]) + std::stod(fields[12])) / tick};
    }
    return threads;
}

// The machine's load average over the last minute: underflows on a machine busy with
// other work say little about Orvane.
double loadAverage() {
    double load = 0.0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

std::size_t tracksWithDuration(const Playlist& list) {
    return static_cast<std::size_t>(std::count_if(list.tracks.begin(), list.tracks.end(),
                                                  [](const Track& t) { return t.duration; }));
}

struct Options {
    std::string play;
    std::string add;
    double seconds = 600.0;
    double addAfter = 5.0;
    bool playAdded = false;
};

std::size_t tracksWithLevels(const Playlist& list) {
    return static_cast<std::size_t>(
        std::count_if(list.tracks.begin(), list.tracks.end(),
                      [](const Track& t) { return t.peakLinear && t.rmsLinear; }));
}

std::optional<Options> parseOptions(const QCoreApplication& app) {
    Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription("Counts PulseAudio underflows while a library is scanned.");
    parser.addHelpOption();
    parser.addOption({"play", "Folder of tracks played in a loop.", "folder"});
    parser.addOption(
        {"add", "Folder added once playback runs (none: nothing is added).", "folder"});
    parser.addOption({"seconds", "Length of the run from the start of playback.", "s", "600"});
    parser.addOption({"add-after", "Seconds of playback before the folder is added.", "s", "5"});
    parser.addOption({"play-added", "Normalise, and play the added folder once it is listed."});
    parser.process(app);
    options.playAdded = parser.isSet("play-added");
    options.play = parser.value("play").toStdString();
    options.add = parser.value("add").toStdString();
    bool secondsOk = false;
    bool addAfterOk = false;
    options.seconds = parser.value("seconds").toDouble(&secondsOk);
    options.addAfter = parser.value("add-after").toDouble(&addAfterOk);
    if (options.play.empty() || !secondsOk || !addAfterOk || !(options.seconds > 0.0) ||
        options.addAfter < 0.0) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return std::nullopt;
    }
    return options;
}

// What happens during the run, as times in seconds from the start of playback.
struct Timeline {
    double addedAt = -1.0;     // addFiles called on the library folder
    double listedAt = -1.0;    // addFiles returned: every track listed
    double durationsAt = -1.0; // every library track has its duration
    double scanDoneAt = -1.0;  // the scan (tempos included) finished
    double normHeardAt = -1.0; // --play-added: the added track heard at its own gain
    double levelsAt = -1.0;    // --play-added: every added track has its level
    std::size_t libraryTracks = 0;
    int tracksCompleted = 0;
    std::uint64_t underflows = 0;
    std::uint64_t ringUnderruns = 0;
};

const char* phaseAt(const Timeline& t, double at) {
    if (t.addedAt < 0.0 || at < t.addedAt)
        return "before the scan";
    if (t.durationsAt < 0.0 || at < t.durationsAt)
        return "durations";
    if (t.scanDoneAt < 0.0 || at < t.scanDoneAt)
        return "tempos";
    return "after the scan";
}

std::string stamp(double seconds) {
    if (seconds < 0.0)
        return "not reached";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto options = parseOptions(app);
    if (!options)
        return 2;
    QTemporaryDir data;
    if (!data.isValid()) {
        std::fprintf(stderr, "no temporary data folder\n");
        return 1;
    }

    QtMainLoop loop;
    auto output = std::make_unique<PulseOutput>();
    PulseOutput& pulse = *output;
    PlayerControllerServices services;
    services.output = std::move(output);
    services.storage = std::make_unique<BackgroundStateStorage>(std::make_unique<FileStateStorage>(
        fs::path(data.path().toStdString()) / "orvane-data.json"));
    PlayerController player(loop, std::move(services));

    // Round and round the played folder, as a listener who leaves it running would.
    AppSettings settings = player.settings.get();
    settings.pbMode = PlaybackMode::all;
    settings.normalize = options->playAdded;
    player.settings.set(settings);
    player.addFiles({options->play});
    const Playlist* played = player.activePlaylist();
    if (!played || played->tracks.empty()) {
        std::fprintf(stderr, "no audio files in %s\n", options->play.c_str());
        return 1;
    }
    player.play(played->tracks.front().id);
    // The output connects on its own control thread; the engine takes it up on a tick.
    QElapsedTimer waited;
    waited.start();
    while ((!pulse.isRunning() || player.engine().host().onFallback()) && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    if (!pulse.isRunning() || player.engine().host().onFallback()) {
        std::fprintf(stderr, "the PulseAudio output did not start\n");
        return 1;
    }

    const double origin = loop.now();
    const auto now = [&] {
        return loop.now() - origin;
    };
    const double cpuAtStart = processCpuSeconds();
    const auto threadsAtStart = threadCpu();
    double cpuAtAdd = cpuAtStart;
    double cpuAtScanDone = -1.0;
    Timeline t;
    const std::uint64_t underflowsAtStart = pulse.underflowCount();
    const std::uint64_t underrunsAtStart = player.engine().host().underrunCount();

    // A change from one track to another is a track that played to its end: nothing
    // else changes tracks here.
    std::optional<Uuid> lastTrack = player.playingTrackID.get();
    auto trackChanges = player.playingTrackID.subscribe([&](const std::optional<Uuid>& id) {
        if (lastTrack && id && *id != *lastTrack)
            ++t.tracksCompleted;
        lastTrack = id;
    });

    // Durations come first (batches of 100), tempos after (batches of 40); the time the
    // last duration arrived is when the batch that brought it was merged.
    std::optional<Uuid> libraryID;
    auto progress = player.metadataScanProgress.subscribe([&](const MetadataScanProgress&) {
        if (!libraryID || t.durationsAt >= 0.0)
            return;
        const auto index = player.playlistIndex(libraryID);
        if (index && tracksWithDuration(player.playlists.get()[*index]) == t.libraryTracks)
            t.durationsAt = now();
    });

    QTimer addTimer;
    addTimer.setSingleShot(true);
    QObject::connect(&addTimer, &QTimer::timeout, [&] {
        if (options->add.empty())
            return;
        t.addedAt = now();
        cpuAtAdd = processCpuSeconds();
        player.addPlaylist("Library");
        player.addFiles({options->add});
        t.listedAt = now();
        const Playlist* library = player.activePlaylist();
        t.libraryTracks = library ? library->tracks.size() : 0;
        libraryID = player.activePlaylistID.get();
        std::printf("%7.1f s  %zu tracks listed in %.2f s\n", t.listedAt, t.libraryTracks,
                    t.listedAt - t.addedAt);
        std::fflush(stdout);
        if (options->playAdded && library && !library->tracks.empty())
            player.play(library->tracks.front().id);
    });
    addTimer.start(static_cast<int>(options->addAfter * 1000.0));

    // Each new underflow or ring underrun is printed with the stage the scan was in.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::uint64_t underflows = pulse.underflowCount() - underflowsAtStart;
        const std::uint64_t underruns = player.engine().host().underrunCount() - underrunsAtStart;
        if (underflows != t.underflows || underruns != t.ringUnderruns) {
            const double at = now();
            std::printf("%7.1f s  underflows %llu, ring underruns %llu (%s, load %.1f)\n", at,
                        static_cast<unsigned long long>(underflows),
                        static_cast<unsigned long long>(underruns), phaseAt(t, at), loadAverage());
            std::fflush(stdout);
        }
        t.underflows = underflows;
        t.ringUnderruns = underruns;
        const auto index = player.playlistIndex(libraryID);
        if (options->playAdded && index) {
            const Playlist& library = player.playlists.get()[*index];
            const Track* playing = player.playingTrack();
            // Heard: the gain reached, and then what the output still held played out.
            if (t.normHeardAt < 0.0 && playing && playing->rmsLinear &&
                std::abs(player.engine().normGain() -
                         static_cast<float>(normalizationGain(*playing->rmsLinear))) < 1e-4f &&
                !player.engine().normBypassed())
                t.normHeardAt = now() + 0.2 +
                                static_cast<double>(player.engine().host().latencyFrames()) /
                                    player.engine().host().sampleRate();
            if (t.levelsAt < 0.0 && tracksWithLevels(library) == t.libraryTracks)
                t.levelsAt = now();
        }
        // A scan still running when the folder was added goes straight on with the new
        // tracks, so the scan is over only once nothing is in progress.
        if (t.addedAt >= 0.0 && t.scanDoneAt < 0.0 && !player.metadataScanInProgress()) {
            t.scanDoneAt = now();
            cpuAtScanDone = processCpuSeconds();
            std::printf("%7.1f s  scan done\n", t.scanDoneAt);
        }
        if (!pulse.isRunning()) {
            std::printf("%7.1f s  the output stopped running\n", now());
            QCoreApplication::exit(1);
        }
    });
    watch.start(100);

    // A line a minute, to see the run progress.
    QTimer status;
    QObject::connect(&status, &QTimer::timeout, [&] {
        const MetadataScanProgress p = player.metadataScanProgress.get();
        std::printf("%7.1f s  scan %zu/%zu, %d tracks completed, CPU %.1f %% of one core, "
                    "load %.1f\n",
                    now(), p.done, p.total, t.tracksCompleted,
                    100.0 * (processCpuSeconds() - cpuAtStart) / now(), loadAverage());
        std::fflush(stdout);
    });
    status.start(60'000);

    QTimer::singleShot(static_cast<int>(options->seconds * 1000.0), &app,
                       [] { QCoreApplication::quit(); });
    const int exitCode = QCoreApplication::exec();
    watch.stop();

    const double runSeconds = now();
    const double cpuAtEnd = processCpuSeconds();
    const auto percent = [](double cpu, double seconds) {
        return seconds > 0.0 ? 100.0 * cpu / seconds : 0.0;
    };
    const MetadataScanProgress p = player.metadataScanProgress.get();
    std::printf("\n--- %.0f s of playback ---\n", runSeconds);
    std::printf("underflows:        %llu (PulseAudio)\n",
                static_cast<unsigned long long>(pulse.underflowCount() - underflowsAtStart));
    std::printf(
        "ring underruns:    %llu (decoder behind)\n",
        static_cast<unsigned long long>(player.engine().host().underrunCount() - underrunsAtStart));
    std::printf("tracks completed:  %d, still playing: %s\n", t.tracksCompleted,
                player.engine().isPlaying.get() ? "yes" : "no");
    if (t.addedAt >= 0.0) {
        std::printf("library:           %zu tracks, added at %s\n", t.libraryTracks,
                    stamp(t.addedAt).c_str());
        std::printf("  listed after     %s\n", stamp(t.listedAt - t.addedAt).c_str());
        if (const auto index = player.playlistIndex(libraryID))
            std::printf("  with a duration  %zu\n",
                        tracksWithDuration(player.playlists.get()[*index]));
        std::printf("  durations after  %s\n",
                    stamp(t.durationsAt < 0.0 ? -1.0 : t.durationsAt - t.addedAt).c_str());
        if (options->playAdded) {
            std::printf("  its first track at its own gain after %s\n",
                        stamp(t.normHeardAt < 0.0 ? -1.0 : t.normHeardAt - t.addedAt).c_str());
            std::printf("  every level after %s\n",
                        stamp(t.levelsAt < 0.0 ? -1.0 : t.levelsAt - t.addedAt).c_str());
        }
        std::printf("  scan done after  %s",
                    stamp(t.scanDoneAt < 0.0 ? -1.0 : t.scanDoneAt - t.addedAt).c_str());
        if (t.scanDoneAt < 0.0)
            std::printf(" (%zu of %zu items)", p.done, p.total);
        std::printf("\n");
    }
    std::printf("CPU, %% of one core: %.1f over the run",
                percent(cpuAtEnd - cpuAtStart, runSeconds));
    if (t.addedAt >= 0.0) {
        const double scanEnd = t.scanDoneAt >= 0.0 ? t.scanDoneAt : runSeconds;
        const double cpuScanEnd = cpuAtScanDone >= 0.0 ? cpuAtScanDone : cpuAtEnd;
        std::printf(", %.1f before the scan, %.1f during it",
                    percent(cpuAtAdd - cpuAtStart, t.addedAt),
                    percent(cpuScanEnd - cpuAtAdd, scanEnd - t.addedAt));
        if (t.scanDoneAt >= 0.0)
            std::printf(", %.1f after it",
                        percent(cpuAtEnd - cpuAtScanDone, runSeconds - t.scanDoneAt));
    }
    std::printf("\nCPU by thread, %% of one core over the run:\n");
    for (const auto& [tid, thread] : threadCpu()) {
        const auto before = threadsAtStart.find(tid);
        const double used =
            thread.seconds - (before != threadsAtStart.end() ? before->second.seconds : 0.0);
        std::printf("  %-16s %6.1f\n", thread.name.c_str(), percent(used, runSeconds));
    }
    std::fflush(stdout);

    progress.reset();
    trackChanges.reset();
    player.flushPendingSave();
    return exitCode;
}
