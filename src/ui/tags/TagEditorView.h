#pragma once

#include "model/Uuid.h"
#include "runtime/Observable.h"
#include "tags/TagValues.h"

#include <optional>

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace orvane {

class GenreField;
class PlayerController;
struct Track;

// The "Edit Tags" sheet: a track's tag values as editable text, saved into its file
// through the player. A failed save shows the reason in red and leaves the sheet open
// with the edits; "Cancel" closes it without writing. The sheet closes itself as soon as
// its track is no longer in any playlist.
//
// Window-modal over `parent` (normally the main window); show it with open(), or use
// present(). The player must outlive the sheet. GUI thread only.
class TagEditorView : public QDialog {
    Q_OBJECT
public:
    TagEditorView(PlayerController& player, Uuid trackID, QWidget* parent);
    ~TagEditorView() override;

    // Opens an editor for the track over `parent` that deletes itself once closed; none,
    // and nothing shown, when no playlist holds the track.
    static TagEditorView* present(PlayerController& player, Uuid trackID, QWidget* parent);

    const Uuid& trackID() const { return trackID_; }
    // The values Save hands to the player: the texts as typed, the numbers parsed.
    TagValues editedTags() const;
    // The message of the last failed save, shown in red; none before one.
    const std::optional<QString>& errorText() const { return errorText_; }

    // Parts, for tests.
    GenreField& genreField() { return *genre_; }
    QLineEdit& trackNumberField() { return *trackNumber_; }
    QLineEdit& trackTotalField() { return *trackTotal_; }
    QLineEdit& discNumberField() { return *discNumber_; }
    QLineEdit& discTotalField() { return *discTotal_; }
    const QLabel& errorLabel() const { return *error_; }
    QPushButton& saveButton() { return *save_; }
    QPushButton& cancelButton() { return *cancel_; }

public slots:
    // Closes at once, without showing, when the track is gone meanwhile.
    void open() override;

private:
    QLineEdit* addTextField(QVBoxLayout* form, const QString& placeholder);
    QLayout* buildGenreRow();
    QLayout* buildNumberRow();
    QLayout* buildButtonRow();
    void fill(const Track& track);
    void save();
    void showError(const QString& message);

    PlayerController& player_;
    Uuid trackID_;
    std::optional<QString> errorText_;

    QLineEdit* title_;
    QLineEdit* artist_;
    QLineEdit* albumArtist_;
    QLineEdit* album_;
    GenreField* genre_;
    QLineEdit* year_;
    QLineEdit* trackNumber_;
    QLineEdit* trackTotal_;
    QLineEdit* discNumber_;
    QLineEdit* discTotal_;
    QLineEdit* composer_;
    QLineEdit* comment_;
    QLabel* error_;
    QLabel* fileName_;
    QPushButton* cancel_;
    QPushButton* save_;

    // Last: gone first, so no notification reaches a half-destroyed sheet.
    Subscription playlistsWatch_;
};

} // namespace orvane
