#pragma once

#include "model/Playlist.h"
#include "model/Track.h"
#include "model/Uuid.h"

#include <cstddef>
#include <optional>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

namespace orvane {

// The tracks one removal took out of a playlist, each with the index it had there.
struct Removal {
    struct Item {
        std::size_t index;
        Track track;
    };
    Uuid playlistID;
    std::vector<Item> items; // by index

    // The tracks of `playlist` that `chosen` names; no items when it names none.
    static Removal of(const Playlist& playlist, const std::set<Uuid>& chosen);
    // The removed tracks' ids: a playlist of thousands is checked against them track
    // by track.
    std::unordered_set<Uuid, UuidHash> ids() const;
    // How many of the removed tracks stood before `index`.
    std::size_t countBefore(std::size_t index) const;
    // Puts the tracks back into `tracks` at their old indices (past the end: appended)
    // and returns their ids.
    std::set<Uuid> restoreInto(std::vector<Track>& tracks) &&;
};

// The removals undo can put back, the most recent on top. There is no limit: an entry
// holds only the removed tracks' records, and the stack lasts until the program ends.
class RemovalUndoStack {
public:
    void push(Removal removal) { entries_.push_back(std::move(removal)); }
    // The most recent removal, taken off the stack; none when it is empty.
    std::optional<Removal> pop();
    bool empty() const { return entries_.empty(); }

private:
    std::vector<Removal> entries_;
};

} // namespace orvane
