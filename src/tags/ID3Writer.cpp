// The file side of the tag writer: read, write a temporary file, swap it in.

#include "tags/ID3Writer.h"

#include "model/Uuid.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closing reports the last write errors of some file systems, so it is checked.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::string quoted(const fs::path& path) {
    return "\u201C" + path.filename().string() + "\u201D";
}

struct FileContent {
    std::vector<std::uint8_t> bytes;
    mode_t mode = 0;
};

FileContent readWholeFile(const fs::path& path) {
    auto fail = [&](std::error_code cause) {
        return TagWriteError(TagWriteError::ReadFailed,
                             "The file " + quoted(path) + " could not be read: " + cause.message(),
                             cause);
    };
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0)
        throw fail(lastError());
    if (!S_ISREG(info.st_mode))
        throw fail(std::make_error_code(std::errc::invalid_argument));
    FileContent content;
    content.mode = info.st_mode & 07777;
    content.bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (true) {
        if (done == content.bytes.size())
            content.bytes.resize(done + 65536); // the file grew while being read
        const ssize_t n =
            ::read(file.get(), content.bytes.data() + done, content.bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fail(lastError());
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    content.bytes.resize(done);
    return content;
}

// Writes, sets the permissions and flushes to the disk; on failure the error.
std::error_code writeDurably(const fs::path& path, std::span<const std::uint8_t> bytes,
                             mode_t mode) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return lastError();
    while (!bytes.empty()) {
        const ssize_t n = ::write(file.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    // The new file takes the old one's permissions. A file system that keeps none
    // (such as FAT) refuses; that is no reason to fail.
    (void)::fchmod(file.get(), mode);
    if (::fsync(file.get()) != 0 || !file.close())
        return lastError();
    return {};
}

// Makes the rename itself durable. Failing that loses nothing already written.
void syncFolder(const fs::path& folder) {
    Descriptor dir(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
}

bool isMp3(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mp3";
}

} // namespace

void ID3Writer::writeTags(const fs::path& path, const Tags& tags) {
    if (!isMp3(path))
        throw TagWriteError(TagWriteError::NotMp3, "Tag writing is supported for MP3 files only");

    // Through a symbolic link the file it points to is rewritten, and the link stays.
    fs::path target = path;
    std::error_code linkError;
    if (fs::is_symlink(path, linkError)) {
        const fs::path resolved = fs::canonical(path, linkError);
        if (!linkError)
            target = resolved;
    }

    const FileContent old = readWholeFile(target);
    const std::vector<std::uint8_t> content = rewrite(old.bytes, tags);

    const fs::path folder = target.parent_path();
    const fs::path temporary = folder / (".orvane-tmp-" + Uuid::random().toString() + ".mp3");
    if (const std::error_code error = writeDurably(temporary, content, old.mode)) {
        ::unlink(temporary.c_str());
        throw TagWriteError(TagWriteError::WriteFailed,
                            "The new tags for " + quoted(target) +
                                " could not be written: " + error.message(),
                            error);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::error_code error = lastError();
        ::unlink(temporary.c_str());
        throw TagWriteError(
            TagWriteError::ReplaceFailed,
            "The file " + quoted(target) + " could not be replaced: " + error.message(), error);
    }
    syncFolder(folder);
}

} // namespace orvane
