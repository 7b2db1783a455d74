#include "controller/RemovalUndoStack.h"

#include <algorithm>
#include <utility>

namespace orvane {

Removal Removal::of(const Playlist& playlist, const std::set<Uuid>& chosen) {
    Removal removal{playlist.id, {}};
    for (std::size_t i = 0; i < playlist.tracks.size(); ++i)
        if (chosen.count(playlist.tracks[i].id) != 0)
            removal.items.push_back({i, playlist.tracks[i]});
    return removal;
}

std::unordered_set<Uuid, UuidHash> Removal::ids() const {
    std::unordered_set<Uuid, UuidHash> ids;
    ids.reserve(items.size());
    for (const auto& item : items)
        ids.insert(item.track.id);
    return ids;
}

std::size_t Removal::countBefore(std::size_t index) const {
    return static_cast<std::size_t>(std::count_if(
        items.begin(), items.end(), [index](const Item& item) { return item.index < index; }));
}

std::set<Uuid> Removal::restoreInto(std::vector<Track>& tracks) && {
    // Lowest index first: each track then lands where it was, the ones before it being
    // back already.
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.index < b.index; });
    std::set<Uuid> restored;
    for (auto& item : items) {
        const auto at = std::min(item.index, tracks.size());
        restored.insert(item.track.id);
        tracks.insert(tracks.begin() + static_cast<std::ptrdiff_t>(at), std::move(item.track));
    }
    return restored;
}

std::optional<Removal> RemovalUndoStack::pop() {
    if (entries_.empty())
        return std::nullopt;
    Removal removal = std::move(entries_.back());
    entries_.pop_back();
    return removal;
}

} // namespace orvane
