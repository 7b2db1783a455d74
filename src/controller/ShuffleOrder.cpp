#include "controller/ShuffleOrder.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace orvane {

namespace {

std::unordered_set<Uuid, UuidHash> idSet(const std::vector<Track>& tracks) {
    std::unordered_set<Uuid, UuidHash> ids;
    ids.reserve(tracks.size());
    for (const auto& track : tracks)
        ids.insert(track.id);
    return ids;
}

} // namespace

std::vector<Uuid> ShuffleOrder::shuffledIDs(const std::vector<Track>& tracks) {
    std::vector<Uuid> ids;
    ids.reserve(tracks.size());
    for (const auto& track : tracks)
        ids.push_back(track.id);
    std::shuffle(ids.begin(), ids.end(), random_); // Fisher-Yates, uniform
    return ids;
}

void ShuffleOrder::start(const std::vector<Track>& tracks, const std::optional<Uuid>& startingWith,
                         const Uuid& playlistID) {
    auto order = shuffledIDs(tracks);
    bool found = false;
    if (startingWith) {
        if (auto it = std::find(order.begin(), order.end(), *startingWith); it != order.end()) {
            std::rotate(order.begin(), it, it + 1); // to the front, the rest in order
            found = true;
        }
    }
    order_ = std::move(order);
    position_ = found ? 0 : -1;
    playlistID_ = playlistID;
}

std::optional<ShuffleOrder::Step> ShuffleOrder::peekNext(const std::vector<Track>& tracks,
                                                         const Uuid& playlistID, bool wrap) {
    if (tracks.empty())
        return std::nullopt;
    Step step;
    std::ptrdiff_t pos = -1;
    if (playlistID_ == playlistID && !order_.empty()) {
        step.order = order_;
        pos = position_;
    } else {
        step.order = shuffledIDs(tracks);
        step.newPass = true;
    }
    const auto valid = idSet(tracks);
    for (std::size_t attempt = 0; attempt < 4 * tracks.size(); ++attempt) {
        auto j = pos + 1;
        if (j < 0)
            j = 0;
        if (static_cast<std::size_t>(j) >= step.order.size()) {
            if (!wrap)
                return std::nullopt;
            // A new pass; the track just heard never opens it.
            const std::optional<Uuid> last =
                step.order.empty() ? std::nullopt : std::optional<Uuid>(step.order.back());
            step.order = shuffledIDs(tracks);
            step.newPass = true;
            if (step.order.size() >= 2 && step.order.front() == last)
                std::swap(step.order[0], step.order[1]);
            j = 0;
        }
        pos = j;
        const Uuid& candidate = step.order[static_cast<std::size_t>(j)];
        if (valid.count(candidate) != 0) {
            step.id = candidate;
            step.position = j;
            return step;
        }
    }
    return std::nullopt;
}

std::optional<Uuid> ShuffleOrder::advance(const std::vector<Track>& tracks, const Uuid& playlistID,
                                          bool wrap) {
    auto step = peekNext(tracks, playlistID, wrap);
    if (!step)
        return std::nullopt;
    order_ = std::move(step->order);
    position_ = step->position;
    playlistID_ = playlistID;
    return step->id;
}

void ShuffleOrder::commitProvisionally(Step step, const Uuid& playlistID) {
    Snapshot before{position_, std::nullopt, std::nullopt};
    if (step.newPass) {
        before.order = order_;
        before.playlistID = playlistID_;
    }
    beforeProvisional_ = std::move(before);
    order_ = std::move(step.order);
    position_ = step.position;
    playlistID_ = playlistID;
}

bool ShuffleOrder::rollBack() {
    if (!beforeProvisional_)
        return false;
    auto before = std::move(*std::exchange(beforeProvisional_, std::nullopt));
    position_ = before.position;
    // The next pass must be made afresh, and checked against the track that really
    // ends the old one.
    if (before.order) {
        order_ = std::move(*before.order);
        playlistID_ = before.playlistID;
    }
    return true;
}

void ShuffleOrder::keepProvisional() {
    beforeProvisional_.reset();
}

std::optional<Uuid> ShuffleOrder::previous(const std::vector<Track>& tracks) {
    if (order_.empty())
        return std::nullopt;
    const auto valid = idSet(tracks);
    const auto top =
        std::min<std::ptrdiff_t>(position_, static_cast<std::ptrdiff_t>(order_.size()));
    for (std::ptrdiff_t p = top; p >= 1; --p) {
        const Uuid& candidate = order_[static_cast<std::size_t>(p - 1)];
        if (valid.count(candidate) != 0) {
            position_ = p - 1;
            return candidate;
        }
    }
    return std::nullopt;
}

void ShuffleOrder::insert(const std::vector<Uuid>& newIDs, const Uuid& playlistID) {
    if (playlistID_ != playlistID || order_.empty() || newIDs.empty())
        return;
    for (const auto& id : newIDs) {
        const auto lo = static_cast<std::size_t>(std::max<std::ptrdiff_t>(position_ + 1, 0));
        if (lo > order_.size()) {
            order_.push_back(id);
            continue;
        }
        std::uniform_int_distribution<std::size_t> where(lo, order_.size());
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(where(random_)), id);
    }
}

} // namespace orvane
