#include "model/AtomicFileWrite.h"

#include "model/FileDescriptor.h"
#include "model/Uuid.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// A hidden name unique to this write. The target's name is shortened so that the
// temporary name stays within the file system's limit; appended piece by piece, which
// also spares GCC 12 at -O3 a false -Wrestrict alarm about chained string additions.
constexpr std::string_view kHiddenSuffix = ".tmp";
constexpr std::size_t kUuidLength = 36;

// ".<target name, at most 100 bytes>." : what every hidden name for `target` starts with.
std::string hiddenPrefixFor(const fs::path& target) {
    std::string prefix;
    prefix.reserve(110);
    prefix.push_back('.');
    prefix.append(target.filename().native(), 0, 100);
    prefix.push_back('.');
    return prefix;
}

std::string hiddenNameFor(const fs::path& target) {
    std::string hidden = hiddenPrefixFor(target);
    hidden.append(Uuid::random().toString());
    hidden.append(kHiddenSuffix);
    return hidden;
}

bool isHiddenNameFor(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kUuidLength + kHiddenSuffix.size() ||
        !name.starts_with(prefix) || !name.ends_with(kHiddenSuffix))
        return false;
    return Uuid::parse(name.substr(prefix.size(), kUuidLength)).has_value();
}

} // namespace

AtomicFileWrite::AtomicFileWrite(fs::path target, Options options)
    : target_(std::move(target)), folder_(target_.parent_path()), mode_(options.mode) {
    if (folder_.empty())
        folder_ = ".";
    if (target_.filename().empty()) {
        error_ = std::make_error_code(std::errc::is_a_directory);
        return;
    }
    temporary_ =
        (folder_ / (options.temporaryName.empty() ? hiddenNameFor(target_) : options.temporaryName))
            .native();
    // Without a mode the umask decides, as for any newly created file; with one the file
    // starts private and gets its mode once complete.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_ ? 0600 : 0666);
    if (fd_ < 0)
        fail();
    else
        pending_ = true;
}

AtomicFileWrite::~AtomicFileWrite() {
    if (fd_ >= 0)
        ::close(fd_);
    if (pending_)
        ::unlink(temporary_.c_str());
}

int AtomicFileWrite::removeAbandoned(const fs::path& target,
                                     fs::file_time_type::duration minimumAge) {
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string prefix = hiddenPrefixFor(target);
    const auto now = fs::file_time_type::clock::now();
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!isHiddenNameFor(it->path().filename().native(), prefix) ||
            !it->is_regular_file(ignored))
            continue;
        const auto modified = it->last_write_time(ignored);
        if (!ignored && now - modified >= minimumAge && fs::remove(it->path(), ignored))
            ++removed;
    }
    return removed;
}

bool AtomicFileWrite::fail() {
    if (!error_)
        error_ = {errno, std::generic_category()};
    return false;
}

bool AtomicFileWrite::write(std::string_view bytes) {
    if (error_ || fd_ < 0)
        return false;
    const off_t start = written_;
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return fail();
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
        written_ += static_cast<off_t>(count);
    }
    // Start writing these bytes to the disk now, while the caller prepares the next
    // ones, so that the final fsync has little left to wait for. Only a hint: errors
    // surface at fsync.
    ::sync_file_range(fd_, start, written_ - start, SYNC_FILE_RANGE_WRITE);
    return true;
}

bool AtomicFileWrite::finish() {
    if (error_ || fd_ < 0)
        return false;
    if (mode_)
        (void)::fchmod(fd_, *mode_); // FAT and the like keep no permissions
    if (::fsync(fd_) != 0)
        return fail();
    // Closing reports the last write errors of some file systems, so it is checked.
    if (::close(std::exchange(fd_, -1)) != 0)
        return fail();
    return true;
}

bool AtomicFileWrite::replaceTarget() {
    if (error_ || fd_ >= 0 || !pending_)
        return false;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail();
    pending_ = false;
    const FileDescriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        (void)::fsync(folder.get());
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view contents) {
    AtomicFileWrite file{fs::path(path)};
    return file.write(contents) && file.finish() && file.replaceTarget();
}

} // namespace orvane
