#include "ControllerTestSupport.h"
#include "support/CapturedDiagnostics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;

// A skipped track, a failed save and a preload refused on every tick each leave one
// line that says why; a save that works again says so once.
TEST(DiagnosticsTest, EachFailureIsReportedOnceWithItsReason) {
    CapturedDiagnostics diagnostics;
    TempFolder files;
    const fs::path folder = files.root() / "data";
    AppSettings settings;
    settings.normalize = true; // measures the queued track too, on every preload tick
    ASSERT_TRUE(Persistence(folder / "orvane-data.json")
                    .save(stateWith({makeTrack(files.path("gone.wav"), "Gone"),
                                     makeTrack(files.dc("y.wav", 3.0), "Y"),
                                     makeTrack(files.path("next.wav"), "Next")},
                                    settings)));
    ControllerRig::Options options;
    options.storage = std::make_unique<FileStateStorage>(folder / "orvane-data.json");
    ControllerRig rig(PersistedState{}, std::move(options));
    // A file where the data folder was: every save from now on fails.
    fs::remove_all(folder);
    std::ofstream(folder) << "not a folder";

    rig->play(rig.id(0));
    EXPECT_EQ(rig.playing(), rig.id(1));
    rig.run(1.0); // the start's save, and five tries to queue "next.wav"
    rig->setVolume(0.4);
    rig.run(1.0);
    rig.settle();

    const auto controller = diagnostics.lines(DiagnosticArea::controller);
    ASSERT_EQ(controller.size(), 1u);
    EXPECT_THAT(controller[0], HasSubstr("gone.wav: No such file or directory"));
    auto state = diagnostics.lines(DiagnosticArea::state);
    ASSERT_EQ(state.size(), 1u);
    // The first write of the run is the resume point of the start.
    EXPECT_THAT(state[0], HasSubstr("orvane-resume.json: Not a directory"));
    std::vector<std::string> aboutNext;
    for (const auto& line : diagnostics.lines(DiagnosticArea::engine))
        if (line.find("next.wav") != std::string::npos)
            aboutNext.push_back(line);
    ASSERT_EQ(aboutNext.size(), 2u);
    EXPECT_THAT(aboutNext[0] + aboutNext[1],
                AllOf(HasSubstr("cannot queue the next track"), HasSubstr("cannot analyse")));

    fs::remove(folder);
    rig->setVolume(0.5);
    rig.run(1.0);
    state = diagnostics.lines(DiagnosticArea::state);
    ASSERT_EQ(state.size(), 2u);
    EXPECT_THAT(state[1], HasSubstr("saved again"));
}

} // namespace
} // namespace orvane::test
