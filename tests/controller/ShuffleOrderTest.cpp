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

TEST(ShuffleOrderTest, APassStartsWithTheChosenTrackAndPassesOverRemovedOnes) {
    const auto tracks = someTracks(5);
    ShuffleOrder order(7), same(7);
    order.start(tracks, tracks[2].id, kList);
    same.start(tracks, tracks[2].id, kList);
    const auto pass = order.order();
    EXPECT_EQ(same.order(), pass); // a seed replays its passes
    ASSERT_EQ(pass.size(), 5u);
    EXPECT_EQ(pass[0], tracks[2].id);
    EXPECT_EQ(order.peekNext(tracks, kList, false)->id, pass[1]);
    EXPECT_EQ(order.position(), 0); // peeking does not move

    auto remaining = tracks;
    std::erase_if(remaining, [&](const Track& t) { return t.id == pass[1]; });
    for (std::size_t i = 2; i < pass.size(); ++i)
        EXPECT_EQ(order.advance(remaining, kList, false), pass[i]);
    EXPECT_FALSE(order.advance(remaining, kList, false)); // no repeat: the pass ends
    for (const std::size_t i : {3u, 2u, 0u})
        EXPECT_EQ(order.previous(remaining), pass[i]);
    EXPECT_FALSE(order.previous(remaining));
    EXPECT_EQ(order.position(), 0);
}

TEST(ShuffleOrderTest, ANewPassNeverOpensWithTheTrackJustHeard) {
    const auto tracks = someTracks(2);
    for (std::uint64_t seed = 0; seed < 32; ++seed) {
        ShuffleOrder order(seed);
        order.start(tracks, tracks[0].id, kList);
        const auto last = order.advance(tracks, kList, true); // the end of the pass
        EXPECT_NE(order.peekNext(tracks, kList, true)->id, last);
    }
}

// Within the pass only the position goes back; a new pass brings the old one back.
TEST(ShuffleOrderTest, AProvisionalStepRollsBackUntilItIsKept) {
    const auto tracks = someTracks(3);
    ShuffleOrder order(3);
    order.start(tracks, tracks[0].id, kList);
    const auto pass = order.order();
    order.commitProvisionally(*order.peekNext(tracks, kList, true), kList);
    EXPECT_TRUE(order.rollBack());
    EXPECT_EQ(order.position(), 0);
    order.commitProvisionally(*order.peekNext(tracks, kList, true), kList);
    order.keepProvisional();
    EXPECT_FALSE(order.rollBack());

    order.advance(tracks, kList, true);
    const Uuid other = Uuid::random();
    order.commitProvisionally(*order.peekNext(tracks, other, true), other);
    EXPECT_TRUE(order.rollBack());
    EXPECT_EQ(order.order(), pass);
    EXPECT_EQ(order.position(), 2);
    EXPECT_EQ(order.playlistID(), kList);
}

TEST(ShuffleOrderTest, NewTracksGoIntoTheUnplayedPartOfTheirPlaylistsPass) {
    const auto tracks = someTracks(10);
    const std::vector<Uuid> added{Uuid::random(), Uuid::random(), Uuid::random()};
    ShuffleOrder order(1);
    order.start(tracks, tracks[0].id, kList);
    for (int i = 0; i < 4; ++i)
        order.advance(tracks, kList, false);
    const auto pass = order.order();
    order.insert(added, kList);
    const auto& now = order.order();
    ASSERT_EQ(now.size(), 13u);
    EXPECT_TRUE(std::equal(pass.begin(), pass.begin() + 5, now.begin()));
    for (const auto& id : added)
        EXPECT_GT(std::find(now.begin(), now.end(), id) - now.begin(), 4);
}

} // namespace
} // namespace orvane::test
