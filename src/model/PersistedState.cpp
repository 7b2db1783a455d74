#include "model/PersistedState.h"

namespace orvane {

PersistedState PersistedState::fresh() {
    PersistedState state;
    state.playlists.emplace_back(Uuid::random(), "Playlist 1");
    state.activePlaylistID = state.playlists.front().id;
    return state;
}

} // namespace orvane
