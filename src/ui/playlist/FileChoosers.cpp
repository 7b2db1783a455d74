#include "ui/playlist/FileChoosers.h"

#include "model/AudioFiles.h"
#include "ui/playlist/PlaylistTexts.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace orvane {

namespace {

QString audioNameFilter() {
    QStringList patterns;
    for (const auto extension : audioExtensions)
        patterns << QStringLiteral("*.") +
                        QString::fromUtf8(extension.data(),
                                          static_cast<qsizetype>(extension.size()));
    return QStringLiteral("Audio files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

// The paths selected in the dialog's own list, files and folders alike, and failing
// that what the name field holds.
QStringList selectedEntries(QFileDialog& dialog) {
    QStringList paths;
    const auto* model = dialog.findChild<QFileSystemModel*>();
    for (const auto* view : dialog.findChildren<QAbstractItemView*>()) {
        if (view->model() == nullptr || !view->isVisible() || view->selectionModel() == nullptr)
            continue;
        for (const QModelIndex& proxyIndex : view->selectionModel()->selectedRows()) {
            // The views show the file system model through a proxy or directly.
            QModelIndex index = proxyIndex;
            if (model != nullptr && index.model() != model) {
                const QString name = index.data().toString();
                paths << dialog.directory().absoluteFilePath(name);
                continue;
            }
            if (model != nullptr)
                paths << model->filePath(index);
        }
        if (!paths.isEmpty())
            break;
    }
    if (paths.isEmpty())
        paths = dialog.selectedFiles();
    paths.removeDuplicates();
    return paths;
}

} // namespace

std::vector<std::string> chooseMusicToAdd(QWidget* parent) {
    // The platform dialogs choose either files or folders, never both at once; Qt's
    // own dialog can when its "Open" takes the selection as it stands instead of
    // entering a selected folder.
    QFileDialog dialog(parent, QStringLiteral("Add music"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({audioNameFilter(), QStringLiteral("All files (*)")});
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Add"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Choose audio files and/or folders"));
    for (auto* view : dialog.findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);

    QStringList chosen;
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        QObject::disconnect(buttons, &QDialogButtonBox::accepted, &dialog, nullptr);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
            chosen = selectedEntries(dialog);
            if (!chosen.isEmpty())
                static_cast<QDialog&>(dialog).done(QDialog::Accepted);
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (chosen.isEmpty())
        chosen = dialog.selectedFiles();

    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(QFile::encodeName(path).toStdString());
    return paths;
}

std::optional<M3U8Import> choosePlaylistToLoad(QWidget* parent) {
    const QString path =
        QFileDialog::getOpenFileName(parent, QStringLiteral("Load Playlist"), QString(),
                                     QStringLiteral("Playlists (*.m3u8 *.m3u)"));
    if (path.isEmpty())
        return std::nullopt;
    return importM3U8File(QFile::encodeName(path).toStdString());
}

void savePlaylistWithChooser(QWidget* parent, const Playlist& playlist) {
    QFileDialog dialog(parent, QStringLiteral("Save Playlist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Playlists (*.m3u8)"));
    dialog.selectFile(proposedPlaylistFileName(QString::fromStdString(playlist.name)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = playlistSavePath(dialog.selectedFiles().constFirst());
    if (writeM3U8File(playlist, QFile::encodeName(path).toStdString()))
        return;
    // The user asked for this file: a failure is theirs to know about.
    QMessageBox::warning(parent, QStringLiteral("Save Playlist"),
                         QStringLiteral("The playlist could not be saved as \"%1\".")
                             .arg(QDir::toNativeSeparators(path)));
}

} // namespace orvane
