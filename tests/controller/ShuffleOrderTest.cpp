#include "controller/ShuffleOrder.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

const Uuid kList = Uuid::random();

std::vector<Track> someTracks(int count) {
    std::vector<Track> tracks;
    for (int i = 0; i < count; ++i)
        tracks.emplace_back(Uuid::random(), "/music/" + std::to_string(i) + ".wav", "", "");
    return tracks;
}

std::vector<Track> without(std::vector<Track> tracks, const Uuid& id) {
    std::erase_if(tracks, [&](const Track& t) { return t.id == id; });
    return tracks;
}

TEST(ShuffleOrderTest, APassStartsWithTheChosenTrackAndPeekingDoesNotMove) {
    const auto tracks = someTracks(5);
    ShuffleOrder order(7);
    order.start(tracks, tracks[2].id, kList);
    const auto pass = order.order();
    ASSERT_EQ(pass.size(), 5u);
    EXPECT_EQ(pass[0], tracks[2].id);
    EXPECT_EQ(order.position(), 0);
    ShuffleOrder same(7);
    same.start(tracks, tracks[2].id, kList);
    EXPECT_EQ(same.order(), pass); // a seed replays its passes

    const auto step = order.peekNext(tracks, kList, false);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->id, pass[1]);
    EXPECT_FALSE(step->newPass);
    EXPECT_EQ(order.position(), 0);
    EXPECT_TRUE(order.peekNext(tracks, Uuid::random(), false)->newPass); // another playlist

    // A removed track is passed over; without repeat the pass ends with its last track.
    const auto remaining = without(tracks, pass[1]);
    for (std::size_t i = 2; i < pass.size(); ++i)
        EXPECT_EQ(order.advance(remaining, kList, false), pass[i]);
    EXPECT_FALSE(order.advance(remaining, kList, false));
    EXPECT_EQ(order.position(), 4);
}

TEST(ShuffleOrderTest, ANewPassNeverOpensWithTheTrackJustHeard) {
    const auto tracks = someTracks(2);
    for (std::uint64_t seed = 0; seed < 32; ++seed) {
        ShuffleOrder order(seed);
        order.start(tracks, std::nullopt, kList);
        EXPECT_EQ(order.position(), -1);
        order.advance(tracks, kList, true);
        const auto last = order.advance(tracks, kList, true);
        const auto step = order.peekNext(tracks, kList, true);
        ASSERT_TRUE(step && step->newPass);
        EXPECT_NE(step->id, last);
    }
}

// A preload's step is undone when the engine drops the queued track: within the pass
// only the position goes back; a step into a new pass brings the old pass back.
TEST(ShuffleOrderTest, AProvisionalStepRollsBackUntilItIsKept) {
    const auto tracks = someTracks(3);
    ShuffleOrder order(3);
    order.start(tracks, tracks[0].id, kList);
    const auto pass = order.order();
    order.commitProvisionally(*order.peekNext(tracks, kList, true), kList);
    EXPECT_EQ(order.position(), 1);
    EXPECT_TRUE(order.rollBack());
    EXPECT_EQ(order.position(), 0);
    EXPECT_FALSE(order.rollBack());

    order.commitProvisionally(*order.peekNext(tracks, kList, true), kList);
    order.keepProvisional();
    EXPECT_FALSE(order.rollBack());
    order.advance(tracks, kList, true);
    order.commitProvisionally(*order.peekNext(tracks, kList, true), kList);
    EXPECT_EQ(order.position(), 0);
    EXPECT_TRUE(order.rollBack());
    EXPECT_EQ(order.order(), pass);
    EXPECT_EQ(order.position(), 2);

    const Uuid other = Uuid::random();
    order.commitProvisionally(*order.peekNext(tracks, other, true), other);
    EXPECT_TRUE(order.rollBack());
    EXPECT_EQ(order.playlistID(), kList);
    EXPECT_EQ(order.order(), pass);
}

TEST(ShuffleOrderTest, PreviousStepsBackOverRemovedTracksAndStopsAtTheStart) {
    const auto tracks = someTracks(4);
    ShuffleOrder order(5);
    order.start(tracks, tracks[0].id, kList);
    const auto pass = order.order();
    for (int i = 0; i < 3; ++i)
        order.advance(tracks, kList, false);
    const auto remaining = without(tracks, pass[2]);
    EXPECT_EQ(order.previous(remaining), pass[1]);
    EXPECT_EQ(order.previous(remaining), pass[0]);
    EXPECT_FALSE(order.previous(remaining));
    EXPECT_EQ(order.position(), 0);
}

TEST(ShuffleOrderTest, NewTracksGoIntoTheUnplayedPartOfTheirPlaylistsPass) {
    const auto tracks = someTracks(10);
    const std::vector<Uuid> added{Uuid::random(), Uuid::random(), Uuid::random()};
    ShuffleOrder none(1);
    none.insert(added, kList); // no pass yet: nothing to insert into
    EXPECT_TRUE(none.order().empty());

    ShuffleOrder order(1);
    order.start(tracks, tracks[0].id, kList);
    for (int i = 0; i < 4; ++i)
        order.advance(tracks, kList, false);
    const auto pass = order.order();
    order.insert(added, Uuid::random());
    EXPECT_EQ(order.order(), pass);
    order.insert(added, kList);
    ASSERT_EQ(order.order().size(), 13u);
    EXPECT_TRUE(std::equal(pass.begin(), pass.begin() + 5, order.order().begin()));
    for (const auto& id : added)
        EXPECT_GT(std::find(order.order().begin(), order.order().end(), id) - order.order().begin(),
                  4);
}

} // namespace
} // namespace orvane::test
