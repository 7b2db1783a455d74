#include "ui/tags/TagEditorView.h"

#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "ui/style/Theme.h"
#include "ui/tags/GenreField.h"
#include "ui/tags/TagNumberText.h"

#include <exception>
#include <filesystem>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr int sheetWidth = 420;
constexpr int sheetPadding = 20;
constexpr int numberFieldWidth = 40;
constexpr int yearFieldWidth = 110;

QLabel* label(const QString& text, double pixelSize, const QColor& color) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Theme::systemFont(pixelSize));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLineEdit* numberField() {
    auto* field = new QLineEdit;
    field->setFixedWidth(numberFieldWidth);
    return field;
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString text(const std::optional<std::string>& utf8) {
    return utf8 ? QString::fromStdString(*utf8) : QString();
}

// The track in whichever playlist holds it; none when it is gone.
const Track* findTrack(const PlayerController& player, const Uuid& trackID) {
    for (const Playlist& list : player.playlists.get())
        if (const auto index = trackIndex(list.tracks, trackID))
            return &list.tracks[*index];
    return nullptr;
}

std::string utf8(const QLineEdit* field) {
    return field->text().toStdString();
}

} // namespace

TagEditorView::TagEditorView(PlayerController& player, Uuid trackID, QWidget* parent)
    : QDialog(parent), player_(player), trackID_(trackID), genre_(new GenreField),
      year_(new QLineEdit), trackNumber_(numberField()), trackTotal_(numberField()),
      discNumber_(numberField()), discTotal_(numberField()),
      error_(label(QString(), 11, Theme::danger)), fileName_(label(QString(), 10, Theme::textDim)),
      cancel_(new QPushButton(QStringLiteral("Cancel"))),
      save_(new QPushButton(QStringLiteral("Save"))) {
    setWindowTitle(QStringLiteral("Edit Tags"));
    setWindowModality(Qt::WindowModal);
    setPalette(Theme::darkPalette());
    setFixedWidth(sheetWidth);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    stack->setSpacing(12);
    QLabel* heading = label(QStringLiteral("Edit Tags"), 14, Theme::text);
    heading->setFont(Theme::systemFont(14, QFont::Bold));
    stack->addWidget(heading);

    auto* form = new QVBoxLayout;
    form->setSpacing(8);
    title_ = addTextField(form, QStringLiteral("Title"));
    artist_ = addTextField(form, QStringLiteral("Artist"));
    albumArtist_ = addTextField(form, QStringLiteral("Album Artist"));
    album_ = addTextField(form, QStringLiteral("Album"));
    form->addLayout(buildGenreRow());
    form->addLayout(buildNumberRow());
    composer_ = addTextField(form, QStringLiteral("Composer"));
    comment_ = addTextField(form, QStringLiteral("Comment"));
    stack->addLayout(form);

    error_->setWordWrap(true);
    error_->hide();
    stack->addWidget(error_);
    stack->addWidget(fileName_);
    stack->addLayout(buildButtonRow());

    if (const Track* track = findTrack(player_, trackID_))
        fill(*track);

    playlistsWatch_ = player_.playlists.subscribe([this](const std::vector<Playlist>&) {
        if (isVisible() && !findTrack(player_, trackID_))
            reject();
    });
}

TagEditorView::~TagEditorView() = default;

TagEditorView* TagEditorView::present(PlayerController& player, Uuid trackID, QWidget* parent) {
    if (!findTrack(player, trackID))
        return nullptr;
    auto* view = new TagEditorView(player, trackID, parent);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->open();
    return view;
}

void TagEditorView::open() {
    if (!findTrack(player_, trackID_)) {
        reject();
        return;
    }
    QDialog::open();
}

QLineEdit* TagEditorView::addTextField(QVBoxLayout* form, const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setPlaceholderText(placeholder);
    form->addWidget(field);
    return field;
}

QLayout* TagEditorView::buildGenreRow() {
    year_->setPlaceholderText(QStringLiteral("Year"));
    year_->setFixedWidth(yearFieldWidth);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(genre_, 1);
    row->addWidget(year_);
    return row;
}

QLayout* TagEditorView::buildNumberRow() {
    const auto word = [](const QString& text) {
        return label(text, 11, Theme::textDim);
    };
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(word(QStringLiteral("Track")));
    row->addWidget(trackNumber_);
    row->addWidget(word(QStringLiteral("of")));
    row->addWidget(trackTotal_);
    row->addStretch(1);
    row->addWidget(word(QStringLiteral("Disc")));
    row->addWidget(discNumber_);
    row->addWidget(word(QStringLiteral("of")));
    row->addWidget(discTotal_);
    return row;
}

QLayout* TagEditorView::buildButtonRow() {
    save_->setDefault(true);
    // The prominent button: the selection blue, as a confirmed choice looks elsewhere.
    QPalette prominent = save_->palette();
    prominent.setColor(QPalette::Button, Theme::selection);
    prominent.setColor(QPalette::ButtonText, Qt::white);
    save_->setPalette(prominent);
    connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(save_, &QAbstractButton::clicked, this, &TagEditorView::save);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    row->addWidget(cancel_);
    row->addWidget(save_);
    return row;
}

void TagEditorView::fill(const Track& track) {
    title_->setText(text(track.title));
    artist_->setText(text(track.artist));
    album_->setText(text(track.album));
    albumArtist_->setText(text(track.albumArtist));
    genre_->setText(text(track.genre));
    year_->setText(text(track.year));
    trackNumber_->setText(tagNumberText(track.trackNumber));
    trackTotal_->setText(tagNumberText(track.trackTotal));
    discNumber_->setText(tagNumberText(track.discNumber));
    discTotal_->setText(tagNumberText(track.discTotal));
    composer_->setText(text(track.composer));
    comment_->setText(text(track.comment));

    const QString name = QString::fromStdString(std::filesystem::path(track.path).filename());
    fileName_->setToolTip(name);
    fileName_->setText(QFontMetrics(fileName_->font())
                           .elidedText(name, Qt::ElideRight, sheetWidth - 2 * sheetPadding));
}

TagValues TagEditorView::editedTags() const {
    TagValues tags;
    tags.title = utf8(title_);
    tags.artist = utf8(artist_);
    tags.album = utf8(album_);
    tags.albumArtist = utf8(albumArtist_);
    tags.genre = utf8(genre_);
    tags.year = utf8(year_);
    tags.trackNumber = parseTagNumber(trackNumber_->text());
    tags.trackTotal = parseTagNumber(trackTotal_->text());
    tags.discNumber = parseTagNumber(discNumber_->text());
    tags.discTotal = parseTagNumber(discTotal_->text());
    tags.composer = utf8(composer_);
    tags.comment = utf8(comment_);
    return tags;
}

void TagEditorView::save() {
    try {
        player_.saveTags(trackID_, editedTags());
    } catch (const std::exception& error) {
        // Whatever went wrong, the file and the record are as they were: say why and
        // keep the edits so the user can correct them or cancel.
        showError(QString::fromUtf8(error.what()));
        return;
    }
    accept();
}

void TagEditorView::showError(const QString& message) {
    errorText_ = message;
    error_->setText(message);
    error_->show();
    adjustSize(); // grow to hold the message
}

} // namespace orvane
