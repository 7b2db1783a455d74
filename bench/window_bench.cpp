// The main window with a library of 100,000 tracks: the time from the start of the
// application (state file read, controller, window) to the first painted track list,
// and the time to paint one frame of the list while scrolling a page at a time.
//
// Run under the platform the figures are for: `QT_QPA_PLATFORM=offscreen` (the smoke
// test) or an X server (xvfb-run).

#include "app/Application.h"
#include "model/PersistedState.h"
#include "model/Persistence.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/playlist/TrackListView.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;
constexpr int kTracks = 100000;

// A data folder holding a state file of kTracks tracks whose technical data is known,
// so that no background scan starts.
class LargeLibrary {
public:
    LargeLibrary()
        : root_(fs::temp_directory_path() / ("orvane-window-bench-" + std::to_string(::getpid()))) {
        orvane::PersistedState state = orvane::PersistedState::fresh();
        auto& tracks = state.playlists.front().tracks;
        tracks.reserve(kTracks);
        for (int i = 0; i < kTracks; ++i) {
            orvane::Track track(orvane::Uuid::random(), "/srv/music/" + std::to_string(i) + ".mp3",
                                "Artist " + std::to_string(i % 97), "Title " + std::to_string(i));
            track.album = "Album " + std::to_string(i % 301);
            track.duration = 180.0 + (i % 120);
            track.bitrateKbps = 320;
            track.sampleRateHz = 44100;
            track.bpm = 120;
            tracks.push_back(std::move(track));
        }
        orvane::Persistence(root_ / "Orvane" / "orvane-data.json").save(state);
        setenv("XDG_DATA_HOME", root_.c_str(), 1);
    }
    ~LargeLibrary() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

private:
    fs::path root_;
};

LargeLibrary& library() {
    static LargeLibrary instance;
    return instance;
}

// Counts paints of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void BM_StartToFirstPaint(benchmark::State& state) {
    library();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto app = std::make_unique<orvane::Application>();
        auto& list = app->mainWindow().content().trackList();
        PaintCounter counter;
        list.viewport()->installEventFilter(&counter);
        app->show();
        while (counter.paints == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        list.viewport()->removeEventFilter(&counter);
        app.reset();
    }
    state.counters["tracks"] = kTracks;
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ListScrollFrame(benchmark::State& state) {
    library();
    orvane::Application app;
    app.show();
    QCoreApplication::processEvents();
    auto& list = app.mainWindow().content().trackList();
    QScrollBar* bar = list.verticalScrollBar();
    for (auto _ : state) {
        int next = bar->value() + bar->pageStep();
        if (next >= bar->maximum())
            next = 0;
        QElapsedTimer timer;
        timer.start();
        bar->setValue(next);
        list.viewport()->repaint(); // paints now, as a frame would
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_ListScrollFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
