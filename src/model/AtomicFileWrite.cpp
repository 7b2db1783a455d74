#include "model/AtomicFileWrite.h"

#include "model/Uuid.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor on every way out of the writer.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool writeAndSync(const std::string& temporary, std::string_view contents) {
    // 0666 lets the umask decide the permissions, as for any newly created file.
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return false;
    bool ok = writeAll(file.get(), contents) && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    return ok;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view contents) {
    const fs::path target(path);
    const std::string name = target.filename().native();
    if (name.empty())
        return false;
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // A hidden name unique to this write; the target's name is shortened so that the
    // temporary name stays within the file system's limit.
    const std::string temporary =
        (folder / ("." + name.substr(0, 100) + "." + Uuid::random().toString() + ".tmp")).native();
    if (!writeAndSync(temporary, contents) || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; failing that is no reason to report failure.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        ::fsync(directory.get());
    return true;
}

} // namespace orvane
