#pragma once

#include <QString>
#include <QWidget>

namespace orvane {

class SearchBox;
class ToolbarButton;

// The row above the track list: Add, Remove (or Undo after a removal), Load, Save,
// Clear and the search box. Every button only reports the request. GUI thread only.
class PlaylistToolbar : public QWidget {
    Q_OBJECT
public:
    explicit PlaylistToolbar(QWidget* parent = nullptr);

    // While a removal can be undone, Undo stands where Remove was.
    void setUndoAvailable(bool available);
    bool isUndoShown() const;
    void setSearchText(const QString& text);
    SearchBox& searchBox() { return *search_; }

signals:
    void addRequested();
    void removeRequested();
    void undoRequested();
    void loadRequested();
    void saveRequested();
    void clearRequested();
    void searchTextEdited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ToolbarButton* remove_;
    ToolbarButton* undo_;
    SearchBox* search_;
};

} // namespace orvane
