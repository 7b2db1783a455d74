#include "tags/TagFileRewrite.h"

#include "model/AtomicFileWrite.h"
#include "model/FileDescriptor.h"
#include "model/Uuid.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

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
        return TagWriteError(TagWriteError::Code::readFailed,
                             "The file " + quoted(path) + " could not be read: " + cause.message(),
                             cause);
    };
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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

} // namespace

void rewriteTagFile(const fs::path& path, const TagFileEdit& edit) {
    // Through a symbolic link the file it points to is rewritten, and the link stays.
    fs::path target = path;
    std::error_code linkError;
    if (fs::is_symlink(path, linkError)) {
        const fs::path resolved = fs::canonical(path, linkError);
        if (!linkError)
            target = resolved;
    }

    const FileContent old = readWholeFile(target);
    const std::vector<std::uint8_t> content = edit(old.bytes);

    // The file's own extension, so that nothing taking a look meanwhile mistakes its type.
    AtomicFileWrite file(target, {.temporaryName = ".orvane-tmp-" + Uuid::random().toString() +
                                                   target.extension().string(),
                                  .mode = old.mode});
    const std::string_view bytes(reinterpret_cast<const char*>(content.data()), content.size());
    if (!file.write(bytes) || !file.finish())
        throw TagWriteError(TagWriteError::Code::writeFailed,
                            "The new tags for " + quoted(target) +
                                " could not be written: " + file.error().message(),
                            file.error());
    if (!file.replaceTarget())
        throw TagWriteError(TagWriteError::Code::replaceFailed,
                            "The file " + quoted(target) +
                                " could not be replaced: " + file.error().message(),
                            file.error());
}

} // namespace orvane
