#include "controller/RemovalUndoStack.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// Beyond EditingTest's undo: entries in any order, and places past a shrunk playlist's end.
TEST(RemovalUndoStackTest, ARemovalPutsTracksBackAtTheirPlacesInAnyOrder) {
    std::vector<Track> original;
    for (int i = 0; i < 6; ++i)
        original.emplace_back(Uuid::random(), "/music/" + std::to_string(i) + ".wav", "", "");
    std::vector<Track> tracks{original[0], original[2], original[3], original[5]};
    const Removal removal{Uuid::random(), {{4, original[4]}, {1, original[1]}}};
    EXPECT_EQ(Removal(removal).restoreInto(tracks),
              (std::set<Uuid>{original[1].id, original[4].id}));
    EXPECT_EQ(tracks, original);

    tracks.resize(2);
    Removal(removal).restoreInto(tracks);
    EXPECT_EQ(tracks, (std::vector<Track>{original[0], original[1], original[1], original[4]}));
}

} // namespace
} // namespace orvane::test
