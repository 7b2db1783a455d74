#pragma once

#include "model/Track.h"
#include "model/Uuid.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include <QAbstractListModel>

namespace orvane {

// The shown tracks of the active playlist as a flat list model, without copying them.
// The model reads the caller's vector in place: it must stay alive and unchanged until
// the next setTracks() call (the caller bumps `revision` whenever the content changes,
// even when the vector itself is the same object). Likewise for the selection set.
// GUI thread only.
class TrackListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        TrackIDRole = Qt::UserRole + 1, // QString, the track's UUID
        NumberRole,                     // QString, "7."
        DurationTextRole,               // QString, formatTime(duration)
        IsPlayingRole,                  // bool
        IsSelectedRole,                 // bool
    };

    explicit TrackListModel(QObject* parent = nullptr);

    // Shows `tracks` (none: an empty list). A call with the same vector and revision
    // changes nothing.
    void setTracks(const std::vector<Track>* tracks, std::uint64_t revision);
    // The playing track of the playing playlist, when that playlist is the one shown.
    void setPlayingTrackID(const std::optional<Uuid>& trackID);
    // The selected track ids (none: nothing selected). Repaints every row.
    void setSelection(const std::set<Uuid>* selection);

    const Track* trackAt(int row) const;
    std::optional<int> rowOf(const Uuid& trackID) const;
    bool isPlaying(int row) const;
    bool isSelected(int row) const;
    std::size_t trackCount() const { return tracks_ ? tracks_->size() : 0; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void refreshRow(std::optional<int> row);

    const std::vector<Track>* tracks_ = nullptr;
    std::uint64_t revision_ = 0;
    const std::set<Uuid>* selection_ = nullptr;
    std::optional<Uuid> playingID_;
    std::optional<int> playingRow_; // cached place of playingID_
};

} // namespace orvane
