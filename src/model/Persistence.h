#pragma once

#include "model/PersistedState.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace orvane {

// Orvane's state file: reading it once at start and replacing it atomically on every
// save.
//
// A file that exists but cannot be read or decoded is not silently thrown away: the
// first save after such a load first keeps its bytes beside the new file as
// "<name>.unreadable" (replacing an older such copy), so a damaged or newer-format file
// can still be recovered by hand. The folder holds a state file all the while, except
// when the file can be neither linked nor copied (another user's file that this one may
// not read, a full disk): it is then renamed to that name just before the new file takes
// its place. Keeping it never blocks saving: when even the rename fails, the save
// replaces the file.
//
// Threading: an object is used from one thread at a time (the controller's main
// thread). Distinct objects on distinct files are independent.
class Persistence {
public:
    // $XDG_DATA_HOME/Orvane/orvane-data.json when XDG_DATA_HOME is an absolute path,
    // else ~/.local/share/Orvane/orvane-data.json (the home folder from $HOME, else the
    // password database; relative to the working folder when neither gives one). The
    // folder is created, with its parents, on every call; failures are left for the
    // following read or write to meet.
    static std::filesystem::path dataURL();

    explicit Persistence(std::filesystem::path file = dataURL());

    const std::filesystem::path& file() const { return file_; }
    // Where the bytes of an unreadable file are kept: the file's path + ".unreadable".
    std::filesystem::path unreadableCopyPath() const;
    // The resume file beside the state file: "orvane-resume.json" in the same folder.
    std::filesystem::path resumeFile() const;

    // The state to start with. A missing, unreadable or undecodable file, or one without
    // playlists, gives PersistedState::fresh(); a missing active playlist id becomes the
    // first playlist's id. Creates the file's folder first, and removes the temporary
    // files of saves that a crash cut short. The resume fields come from the resume
    // file instead when it is readable and not older than the state file.
    PersistedState load();

    // True when the last load() met a file that exists but could not be read or decoded.
    bool foundUnreadableFile() const { return foundUnreadable_; }

    // Encodes `state` and replaces the file: a complete temporary file is written and
    // synced beside it, then renamed over it, and the folder is synced. Returns false,
    // leaving the previous file as it was, when encoding fails (a non-finite double) or
    // any step of the write fails. Creates the file's folder first. The diagnostics hear
    // of a run of failed saves when it starts and when it ends.
    bool save(const PersistedState& state);

    // Replaces the resume file (atomically, as the state file) with `point`: a few
    // hundred bytes instead of the whole library. False, the file as it was, on failure.
    bool saveResume(const ResumePoint& point);

private:
    void keepUnreadableFile() const;
    bool keepUnreadableCopy() const;
    void noteSave(bool saved, std::error_code error, const std::filesystem::path& target);
    void applyNewerResumePoint(PersistedState& state, const struct stat& stateInfo) const;

    std::filesystem::path file_;
    bool foundUnreadable_ = false;
    bool copyPending_ = false; // the unreadable file's bytes are still to be kept
    bool saveFailing_ = false; // the last save failed, and was reported
};

} // namespace orvane
