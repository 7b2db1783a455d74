#include "support/ScratchFolder.h"
#include "tags/TagTestSupport.h"
#include "ui/UiTestSupport.h"
#include "ui/tags/GenreField.h"
#include "ui/tags/GenreSuggestions.h"
#include "ui/tags/TagEditorView.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;

// The sheet's text field with this placeholder.
QLineEdit& fieldFor(TagEditorView& sheet, const char* placeholder) {
    for (QLineEdit* field : sheet.findChildren<QLineEdit*>())
        if (field->placeholderText() == QLatin1String(placeholder))
            return *field;
    throw std::logic_error(std::string("no field ") + placeholder);
}

class TagEditorTest : public QtAppTest {
protected:
    void start(std::vector<Track> tracks) {
        PersistedState state = PersistedState::fresh();
        state.playlists.front().tracks = std::move(tracks);
        player = makePlayer(loop, state);
    }
    // Opens the sheet over the stand-in main window.
    TagEditorView& openEditor(const Uuid& trackID) {
        editor = std::make_unique<TagEditorView>(*player, trackID, &mainWindow);
        editor->open();
        return *editor;
    }
    // A writable copy of a tag fixture, as a track record.
    Track copiedTrack(const std::string& fixture) {
        const fs::path copy = files / fixture;
        fs::copy_file(tagtest::fixture(fixture), copy);
        return Track(Uuid::random(), copy.native(), "Old artist", "Old title");
    }
    const Track& track(std::size_t index) const {
        return player->playlists.get().front().tracks.at(index);
    }

    ScratchFolder files;
    ManualMainLoop loop;
    std::unique_ptr<PlayerController> player;
    QWidget mainWindow;
    std::unique_ptr<TagEditorView> editor; // before the window that parents it goes
};

TEST_F(TagEditorTest, TheGenreListShowsWhileTheFieldIsFocusedAndAClickTakesTheGenre) {
    Track song = copiedTrack("v23.mp3");
    start({song});
    TagEditorView& sheet = openEditor(song.id);
    GenreField& genre = sheet.genreField();
    const auto focus = [&](QEvent::Type type, Qt::FocusReason reason) {
        QFocusEvent event(type, reason);
        QApplication::sendEvent(&genre, &event);
    };

    QTest::keyClicks(&genre, QStringLiteral("ro"));
    EXPECT_FALSE(genre.suggestionsShown()) << "not focused";
    focus(QEvent::FocusIn, Qt::MouseFocusReason);
    ASSERT_TRUE(genre.suggestionsShown());
    GenreSuggestions& list = *genre.suggestions();
    EXPECT_EQ(list.genres(), QStringList({QStringLiteral("Rock"), QStringLiteral("Electronic")}));

    focus(QEvent::FocusOut, Qt::ActiveWindowFocusReason); // another window came up
    EXPECT_TRUE(genre.suggestionsShown());
    focus(QEvent::FocusOut, Qt::TabFocusReason);
    EXPECT_FALSE(genre.suggestionsShown());
    focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QTest::keyClick(&genre, Qt::Key_Backspace);
    EXPECT_TRUE(genre.suggestionsShown());
    EXPECT_EQ(list.genres().size(), GenreField::maxMatches) << "\"r\" matches many";

    QTest::keyClick(&genre, Qt::Key_O);
    click(&list, QPointF(list.rowRect(1).center()));
    EXPECT_EQ(genre.text(), QStringLiteral("Electronic"));
    EXPECT_FALSE(genre.isFocused());
    EXPECT_FALSE(genre.suggestionsShown());
    EXPECT_EQ(sheet.editedTags().genre, "Electronic");
}

TEST_F(TagEditorTest, AFailedSaveShowsTheReasonAndKeepsTheSheetAndEditsUntilCancel) {
    Track wavpack = copiedTrack("tagged.wv");
    wavpack.genre = "Folk";
    start({wavpack});
    TagEditorView& sheet = openEditor(wavpack.id);
    EXPECT_FALSE(sheet.errorLabel().isVisible());
    sheet.genreField().setText(QStringLiteral("Jazz"));

    sheet.saveButton().click();
    EXPECT_EQ(sheet.errorText(), QStringLiteral("Tag writing is supported for MP3, FLAC, Ogg "
                                                "Vorbis, Opus and M4A files only"));
    EXPECT_TRUE(sheet.errorLabel().isVisible());
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.genreField().text(), QStringLiteral("Jazz"));

    sheet.cancelButton().click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_EQ(track(0), wavpack);
    EXPECT_FALSE(player->savePending());
}

TEST_F(TagEditorTest, ASavedMP3UpdatesTheRecordAndClosesTheSheet) {
    Track song = copiedTrack("v23.mp3");
    song.album = "Old album";
    song.trackNumber = 4;
    song.discNumber = 1;
    song.discTotal = 2;
    song.duration = 1.0;
    start({song});
    TagEditorView& sheet = openEditor(song.id);
    EXPECT_EQ(sheet.editedTags().title, "Old title"); // what the fields were filled with
    EXPECT_EQ(sheet.trackNumberField().text(), QStringLiteral("4"));

    fieldFor(sheet, "Title").setText(QStringLiteral("  New title ")); // kept as typed
    fieldFor(sheet, "Album").clear();
    sheet.genreField().setText(QStringLiteral("Jazz"));
    sheet.trackNumberField().setText(QStringLiteral("+3"));
    sheet.trackTotalField().setText(QStringLiteral("3 "));
    sheet.discNumberField().setText(QStringLiteral("3a"));

    sheet.saveButton().click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    const Track& saved = track(0);
    EXPECT_EQ(saved.title, "  New title ");
    EXPECT_EQ(saved.genre, "Jazz");
    EXPECT_FALSE(saved.album);
    EXPECT_EQ(saved.trackNumber, 3);
    EXPECT_FALSE(saved.trackTotal);
    EXPECT_FALSE(saved.discNumber);
    EXPECT_EQ(saved.discTotal, 2); // the file follows: the controller's tag saving test
}

TEST_F(TagEditorTest, TheSheetClosesWhenItsTrackLeavesThePlaylists) {
    const Track kept = copiedTrack("v23.mp3");
    const Track removed = copiedTrack("v24.mp3");
    start({kept, removed});
    TagEditorView& sheet = openEditor(removed.id);

    player->playlists.modify([](std::vector<Playlist>& lists) {
        lists.front().tracks.front().title = "Changed"; // another track: the sheet stays
    });
    EXPECT_TRUE(sheet.isVisible());
    player->playlists.modify([](std::vector<Playlist>& lists) { lists.front().tracks.pop_back(); });
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Rejected);

    // Asked for again, a track that is gone opens nothing.
    EXPECT_EQ(TagEditorView::present(*player, removed.id, &mainWindow), nullptr);
    TagEditorView* presented = TagEditorView::present(*player, kept.id, &mainWindow);
    ASSERT_NE(presented, nullptr);
    EXPECT_TRUE(presented->isVisible());
    presented->reject();
}

} // namespace
} // namespace orvane::test
