#include "model/Persistence.h"

#include "model/AtomicFileWrite.h"
#include "model/FileDescriptor.h"
#include "model/StateCodec.h"
#include "runtime/Diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

fs::path folderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

void createFolder(const fs::path& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
}

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr)
        return result->pw_dir;
    return {};
}

// Up to `capacity` further bytes of an open file (0 at its end), retrying a read that a
// signal cut short; nothing when reading failed.
std::optional<std::size_t> readSome(int fd, char* into, std::size_t capacity) {
    for (;;) {
        const ssize_t count = ::read(fd, into, capacity);
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            return std::nullopt;
    }
}

// Up to `capacity` bytes of an open file from `offset` on (0 at its end), retrying a read
// that a signal cut short; nothing when reading failed.
std::optional<std::size_t> readAt(int fd, char* into, std::size_t capacity, std::size_t offset) {
    for (;;) {
        const ssize_t count = ::pread(fd, into, capacity, static_cast<off_t>(offset));
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            return std::nullopt;
    }
}

// Decodes the state from an open file, reading it a piece at a time (a large one on two
// threads).
std::optional<PersistedState> decodeFile(int fd, std::size_t size) {
    return readJsonFile([fd](char* into, std::size_t capacity,
                             std::size_t offset) { return readAt(fd, into, capacity, offset); },
                        size);
}

// Flushes a file that is already complete to the disk.
bool syncFile(const fs::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

// Makes a rename in `folder` durable. Failure only weakens durability, so it is ignored.
void syncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

void reportState(DiagnosticLevel level, const std::string& line) {
    reportDiagnostic(DiagnosticArea::state, level, line);
}

} // namespace

fs::path Persistence::dataURL() {
    fs::path base;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME");
        dataHome != nullptr && dataHome[0] == '/')
        base = dataHome;
    else
        base = homeFolder() / ".local" / "share";
    const fs::path folder = base / "Orvane";
    createFolder(folder);
    return folder / "orvane-data.json";
}

Persistence::Persistence(fs::path file) : file_(std::move(file)) {
}

fs::path Persistence::resumeFile() const {
    return folderOf(file_) / "orvane-resume.json";
}

fs::path Persistence::unreadableCopyPath() const {
    fs::path copy = file_;
    copy += ".unreadable";
    return copy;
}

PersistedState Persistence::load() {
    foundUnreadable_ = false;
    copyPending_ = false;
    createFolder(folderOf(file_));
    // A save killed half way leaves its temporary file behind (as large as the state);
    // one more than a minute old belongs to no save still running.
    AtomicFileWrite::removeAbandoned(file_, std::chrono::minutes(1));
    AtomicFileWrite::removeAbandoned(resumeFile(), std::chrono::minutes(1));

    // O_NONBLOCK so that a FIFO put in the file's place cannot hang the start.
    FileDescriptor fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid() && (errno == ENOENT || errno == ENOTDIR))
        return PersistedState::fresh(); // the first start
    const std::string openError = fd.valid() ? "" : std::generic_category().message(errno);
    struct stat info {};
    const bool regular = fd.valid() && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    std::optional<PersistedState> state;
    if (regular)
        state = decodeFile(fd.get(), static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
    if (!state) {
        foundUnreadable_ = true;
        // An empty file holds nothing worth keeping, and must not displace an older copy.
        copyPending_ = !(regular && info.st_size == 0);
        const std::string why = !openError.empty() ? openError
                                : !regular         ? "not a regular file"
                                                   : "damaged, or written by a newer Orvane";
        reportState(
            DiagnosticLevel::warning,
            "state file " + file_.string() + " cannot be read (" + why + "); starting afresh" +
                (copyPending_ ? ", and the first save keeps it as " + unreadableCopyPath().string()
                              : std::string()));
        return PersistedState::fresh();
    }
    if (state->playlists.empty())
        return PersistedState::fresh();
    if (!state->activePlaylistID)
        state->activePlaylistID = state->playlists.front().id;
    applyNewerResumePoint(*state, info);
    return std::move(*state);
}

void Persistence::applyNewerResumePoint(PersistedState& state, const struct stat& stateInfo) const {
    FileDescriptor fd(::open(resumeFile().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    // A state saved after the last resume point carries a newer one itself.
    const auto older = [](const timespec& a, const timespec& b) {
        return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
    };
    if (older(info.st_mtim, stateInfo.st_mtim))
        return;
    // The file is a few hundred bytes; anything much larger is not ours.
    constexpr std::size_t limit = 64 * 1024;
    std::string text(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), limit), '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const auto count = readSome(fd.get(), text.data() + filled, text.size() - filled);
        if (!count || *count == 0)
            break;
        filled += *count;
    }
    text.resize(filled);
    if (const auto point = fromJson<ResumePoint>(text))
        state.setResumePoint(*point);
    else
        reportState(DiagnosticLevel::warning,
                    "resume file " + resumeFile().string() + " cannot be read; ignoring it");
}

bool Persistence::saveResume(const ResumePoint& point) {
    const std::optional<std::string> text = toJson(point);
    AtomicFileWrite file(resumeFile(), {.temporaryName = {}, .mode = 0600});
    const bool saved = text && file.write(*text) && file.finish() && file.replaceTarget();
    noteSave(saved, file.error(), resumeFile());
    return saved;
}

bool Persistence::save(const PersistedState& state) {
    createFolder(folderOf(file_));
    // The state file stays private to its user, as a file made by mkstemp would be.
    AtomicFileWrite file(file_, {.temporaryName = {}, .mode = 0600});
    bool saved = writeJson(state, [&](std::string_view piece) { return file.write(piece); }) &&
                 file.finish();
    if (saved && copyPending_) {
        keepUnreadableFile();
        copyPending_ = false;
    }
    saved = saved && file.replaceTarget();
    noteSave(saved, file.error(), file_);
    return saved;
}

void Persistence::noteSave(bool saved, std::error_code error, const fs::path& target) {
    // Every change saves again, so a full disk would otherwise fill the log too: a run
    // of failures (of the state file and the resume file alike) is reported when it
    // starts and when it ends.
    if (saveFailing_ == !saved)
        return;
    saveFailing_ = !saved;
    if (saved) {
        reportState(DiagnosticLevel::info, "state saved again to " + target.string());
        return;
    }
    // Without a system error the state itself could not be encoded.
    reportState(DiagnosticLevel::warning,
                "state not saved to " + target.string() + ": " +
                    (error ? error.message() : "it holds a number that cannot be written"));
}

void Persistence::keepUnreadableFile() const {
    if (keepUnreadableCopy())
        return;
    // No link and no copy: a file of another user that this one may not read, a full
    // disk. The file itself moves aside instead (made durable by the save's own rename);
    // the folder then holds no state file until that rename, and a crash in between
    // starts Orvane afresh with the bytes still kept. When even the move fails the save
    // goes ahead and replaces the file: the bytes are lost rather than every save of the
    // session.
    if (::rename(file_.c_str(), unreadableCopyPath().c_str()) != 0)
        reportState(DiagnosticLevel::warning,
                    "the unreadable state file " + file_.string() + " cannot be kept (" +
                        std::generic_category().message(errno) + "); the save replaces it");
}

bool Persistence::keepUnreadableCopy() const {
    // The bytes get a second name first, which then moves over the older copy in one
    // step: the state file itself never disappears, and the older copy goes only once
    // the new one is complete.
    const fs::path copy = unreadableCopyPath();
    fs::path staging = copy;
    staging += ".part";
    ::unlink(staging.c_str());
    if (::link(file_.c_str(), staging.c_str()) != 0) {
        if (errno == ENOENT)
            return true; // the file has gone since it was read: nothing is left to keep
        // File systems without hard links: copy the bytes instead.
        std::error_code error;
        if (!fs::copy_file(file_, staging, fs::copy_options::overwrite_existing, error) ||
            !syncFile(staging)) {
            ::unlink(staging.c_str());
            return error == std::errc::no_such_file_or_directory;
        }
    }
    if (::rename(staging.c_str(), copy.c_str()) != 0) {
        ::unlink(staging.c_str());
        return false;
    }
    syncFolder(folderOf(file_));
    return true;
}

} // namespace orvane
