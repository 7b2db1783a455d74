#include "controller/RemovalUndoStack.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

std::vector<Uuid> idsOf(const std::vector<Track>& tracks) {
    std::vector<Uuid> ids;
    for (const auto& track : tracks)
        ids.push_back(track.id);
    return ids;
}

TEST(RemovalUndoStackTest, ARemovalKnowsItsPlacesAndPutsTracksBackThere) {
    Playlist list(Uuid::random(), "List");
    for (int i = 0; i < 6; ++i)
        list.tracks.emplace_back(Uuid::random(), "/music/" + std::to_string(i) + ".wav", "", "");
    const auto original = idsOf(list.tracks);
    Removal removal = Removal::of(list, {original[4], original[1], Uuid::random()});
    ASSERT_EQ(removal.items.size(), 2u);
    EXPECT_EQ(removal.items[0].index, 1u);
    EXPECT_EQ(removal.countBefore(1), 0u);
    EXPECT_EQ(removal.countBefore(5), 2u);

    std::erase_if(list.tracks, [&](const Track& t) { return removal.ids().count(t.id) != 0; });
    std::swap(removal.items[0], removal.items[1]); // the order of the entries does not matter
    EXPECT_EQ(Removal(removal).restoreInto(list.tracks),
              (std::set<Uuid>{original[1], original[4]}));
    EXPECT_EQ(idsOf(list.tracks), original);

    // A playlist shorter now than the old places takes the tracks at its end.
    list.tracks.resize(2);
    std::move(removal).restoreInto(list.tracks);
    EXPECT_EQ(idsOf(list.tracks),
              (std::vector<Uuid>{original[0], original[1], original[1], original[4]}));
}

TEST(RemovalUndoStackTest, TheMostRecentRemovalComesOffFirst) {
    RemovalUndoStack stack;
    EXPECT_FALSE(stack.pop());
    const Uuid first = Uuid::random(), second = Uuid::random();
    stack.push({first, {}});
    stack.push({second, {}});
    EXPECT_EQ(stack.pop()->playlistID, second);
    EXPECT_FALSE(stack.empty());
    EXPECT_EQ(stack.pop()->playlistID, first);
    EXPECT_TRUE(stack.empty());
}

} // namespace
} // namespace orvane::test
