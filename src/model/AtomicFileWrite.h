#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

namespace orvane {

// A new version of a file, written so that readers see either the old file or the
// complete new one, never a part: the bytes go to a hidden temporary file in the
// target's folder, are flushed to the disk, and the temporary file is then renamed over
// the target. A temporary file that never got that far is removed when the object goes,
// so a failure anywhere leaves the target as it was.
//
// Use: write() the bytes, finish(), then replaceTarget(). Every step after a failure
// fails too; error() tells the first cause.
//
// Threading: an object is used from one thread at a time. Concurrent writers to one
// path end with one complete version.
class AtomicFileWrite {
public:
    struct Options {
        // The temporary file's name in the target's folder; empty: a hidden name made
        // of the target's name and a fresh UUID.
        std::string temporaryName;
        // The new file's permissions; none: those of any newly created file (umask).
        // A file system that keeps no permissions refuses them, which is not a failure.
        std::optional<mode_t> mode;
    };

    explicit AtomicFileWrite(std::filesystem::path target)
        : AtomicFileWrite(std::move(target), {}) {}
    AtomicFileWrite(std::filesystem::path target, Options options);
    ~AtomicFileWrite();
    AtomicFileWrite(const AtomicFileWrite&) = delete;
    AtomicFileWrite& operator=(const AtomicFileWrite&) = delete;

    // Appends `bytes` to the temporary file.
    bool write(std::string_view bytes);
    // Sets the permissions, flushes the bytes to the disk and closes the file.
    bool finish();
    // Renames the finished file over the target and makes the rename durable. Failing
    // that last sync loses nothing already written, so it is not reported.
    bool replaceTarget();

    // The first failure so far; empty while everything worked.
    std::error_code error() const { return error_; }

    // Removes the hidden temporary files of writes to `target` that were cut short by a
    // crash or a kill (a process that ends normally removes its own) and are older than
    // `minimumAge`, so that a write still under way elsewhere keeps its file. Only names
    // this class makes are touched. Returns how many were removed.
    static int removeAbandoned(const std::filesystem::path& target,
                               std::filesystem::file_time_type::duration minimumAge);

private:
    bool fail();

    std::filesystem::path target_;
    std::filesystem::path folder_;
    std::string temporary_;
    std::optional<mode_t> mode_;
    int fd_ = -1;
    bool pending_ = false; // the temporary file exists and is still ours to remove
    off_t written_ = 0;
    std::error_code error_;
};

// The whole of `contents` as the new file at `path`, with AtomicFileWrite. False, with
// `path` left as it was, on failure. Safe from any thread.
bool writeFileAtomically(const std::string& path, std::string_view contents);

} // namespace orvane
