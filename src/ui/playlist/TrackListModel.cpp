#include "ui/playlist/TrackListModel.h"

#include "model/Formatters.h"
#include "ui/player/PanelTexts.h"

#include <algorithm>
#include <limits>

namespace orvane {

TrackListModel::TrackListModel(QObject* parent) : QAbstractListModel(parent) {
}

void TrackListModel::setTracks(const std::vector<Track>* tracks, std::uint64_t revision) {
    if (tracks == tracks_ && revision == revision_)
        return;
    beginResetModel();
    tracks_ = tracks;
    revision_ = revision;
    playingRow_ = playingID_ ? rowOf(*playingID_) : std::nullopt;
    endResetModel();
}

void TrackListModel::setPlayingTrackID(const std::optional<Uuid>& trackID) {
    if (trackID == playingID_)
        return;
    const std::optional<int> oldRow = playingRow_;
    playingID_ = trackID;
    playingRow_ = trackID ? rowOf(*trackID) : std::nullopt;
    refreshRow(oldRow);
    refreshRow(playingRow_);
}

void TrackListModel::setSelection(const std::set<Uuid>* selection) {
    selection_ = selection;
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {IsSelectedRole});
}

const Track* TrackListModel::trackAt(int row) const {
    if (tracks_ == nullptr || row < 0 || static_cast<std::size_t>(row) >= tracks_->size())
        return nullptr;
    return &(*tracks_)[static_cast<std::size_t>(row)];
}

std::optional<int> TrackListModel::rowOf(const Uuid& trackID) const {
    if (tracks_ == nullptr)
        return std::nullopt;
    for (std::size_t i = 0; i < tracks_->size(); ++i) {
        if ((*tracks_)[i].id == trackID)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

bool TrackListModel::isPlaying(int row) const {
    return playingRow_ && *playingRow_ == row;
}

bool TrackListModel::isSelected(int row) const {
    const Track* track = trackAt(row);
    return track != nullptr && selection_ != nullptr && selection_->count(track->id) != 0;
}

int TrackListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || tracks_ == nullptr)
        return 0;
    // A list view counts rows in int; longer lists show their first INT_MAX rows.
    constexpr auto maxRows = static_cast<std::size_t>(std::numeric_limits<int>::max());
    return static_cast<int>(std::min(tracks_->size(), maxRows));
}

QVariant TrackListModel::data(const QModelIndex& index, int role) const {
    const Track* track = trackAt(index.row());
    if (track == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return trackDisplayName(*track);
    case TrackIDRole:
        return QString::fromStdString(track->id.toString());
    case NumberRole:
        return QString::number(index.row() + 1) + QLatin1Char('.');
    case DurationTextRole:
        return QString::fromStdString(formatTime(track->duration));
    case IsPlayingRole:
        return isPlaying(index.row());
    case IsSelectedRole:
        return isSelected(index.row());
    default:
        return {};
    }
}

void TrackListModel::refreshRow(std::optional<int> row) {
    if (row && *row < rowCount())
        emit dataChanged(index(*row), index(*row));
}

} // namespace orvane
