#pragma once

#include "model/Track.h"
#include "model/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace orvane {

// The order shuffle plays one playlist in: a pass over its tracks in random order and
// the place of the playing track in it. A pass holds ids, not tracks: tracks removed
// since it was made are passed over, and the controller adds new ones (insert()).
//
// A track queued ahead for a gapless hand-off moves the order on when it is queued,
// since the engine may hand over without asking again; the engine can still drop it,
// so that step is provisional and can be rolled back until it is kept.
class ShuffleOrder {
public:
    // The result of looking one step ahead: the track, and the order and place it has
    // (a fresh pass when the current one is used up or belongs to another playlist).
    struct Step {
        Uuid id;
        std::vector<Uuid> order;
        std::ptrdiff_t position = -1;
        bool newPass = false;
    };

    // The same seed gives the same passes (tests rely on it).
    explicit ShuffleOrder(std::uint64_t seed) : random_(seed) {}

    // A new pass over `tracks`; `startingWith`, when among them, opens it as the track
    // playing, else nothing of the pass has played yet.
    void start(const std::vector<Track>& tracks, const std::optional<Uuid>& startingWith,
               const Uuid& playlistID);
    // The track after the playing one, skipping ids no longer in `tracks`. At the end
    // of the pass a new one follows when `wrap` (repeat all), else nothing does.
    std::optional<Step> peekNext(const std::vector<Track>& tracks, const Uuid& playlistID,
                                 bool wrap);
    // peekNext, and moves there for good.
    std::optional<Uuid> advance(const std::vector<Track>& tracks, const Uuid& playlistID,
                                bool wrap);
    // Moves to a step peeked for a queued track, remembering where the order was.
    void commitProvisionally(Step step, const Uuid& playlistID);
    // Puts the order back as it was before the provisional step; false when there was
    // none.
    bool rollBack();
    // The queued track started or was dropped another way: its step stands.
    void keepProvisional();
    // Steps back to the track played before the playing one, skipping removed ones;
    // none at the start of the pass (the position then stays).
    std::optional<Uuid> previous(const std::vector<Track>& tracks);
    // New tracks of `playlistID` go at random places in the part of the pass not yet
    // played, so that they are heard in it. Ignored for another playlist's tracks.
    void insert(const std::vector<Uuid>& newIDs, const Uuid& playlistID);

    const std::vector<Uuid>& order() const { return order_; }
    // Index in order() of the track playing; -1: before the first.
    std::ptrdiff_t position() const { return position_; }
    const std::optional<Uuid>& playlistID() const { return playlistID_; }

private:
    std::vector<Uuid> shuffledIDs(const std::vector<Track>& tracks);

    std::mt19937_64 random_;
    std::vector<Uuid> order_;
    std::ptrdiff_t position_ = -1;
    std::optional<Uuid> playlistID_;
    // Where the order was before a provisional step; the pass and its playlist only
    // when that step began a new pass, since the position belongs to the old one.
    struct Snapshot {
        std::ptrdiff_t position = -1;
        std::optional<std::vector<Uuid>> order;
        std::optional<Uuid> playlistID;
    };
    std::optional<Snapshot> beforeProvisional_;
};

} // namespace orvane
