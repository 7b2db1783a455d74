#include "tags/CoverArt.h"

#include "model/AtomicFileWrite.h"
#include "runtime/Diagnostics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace orvane {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kFolderCovers = {"cover.jpg", "cover.png", "folder.jpg",
                                                           "front.jpg"};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool startsWith(const std::vector<std::uint8_t>& data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), data.begin(),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// Image viewers go by the name, and tags often state the wrong type: the bytes decide.
std::string_view extensionFor(const EmbeddedPicture& picture) {
    if (startsWith(picture.data, "\xFF\xD8\xFF"))
        return ".jpg";
    if (startsWith(picture.data, "\x89PNG"))
        return ".png";
    if (startsWith(picture.data, "GIF8"))
        return ".gif";
    if (startsWith(picture.data, "RIFF") && picture.data.size() >= 12 &&
        std::string_view(reinterpret_cast<const char*>(picture.data.data()) + 8, 4) == "WEBP")
        return ".webp";
    const std::string mime = lower(picture.mimeType);
    if (mime == "image/png")
        return ".png";
    if (mime == "image/gif")
        return ".gif";
    return ".jpg";
}

// FNV-1a, 64 bits: a cache key, not a defence against forged files.
std::uint64_t contentHash(const std::vector<std::uint8_t>& data) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const std::uint8_t byte : data) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::optional<fs::path> cached(const EmbeddedPicture& picture, const fs::path& folder) {
    const fs::path file = folder / CoverArt::cacheName(picture);
    std::error_code error;
    if (fs::file_size(file, error) == picture.data.size() && !error)
        return file;
    fs::create_directories(folder, error);
    const std::string_view bytes(reinterpret_cast<const char*>(picture.data.data()),
                                 picture.data.size());
    if (error || !writeFileAtomically(file.string(), bytes)) {
        reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::warning,
                         "cannot keep a cover picture in " + folder.string() +
                             (error ? ": " + error.message() : std::string()));
        return std::nullopt;
    }
    return file;
}

} // namespace

std::string CoverArt::cacheName(const EmbeddedPicture& picture) {
    char name[48];
    std::snprintf(name, sizeof name, "%016llx-%zx",
                  static_cast<unsigned long long>(contentHash(picture.data)), picture.data.size());
    return std::string(name) + std::string(extensionFor(picture));
}

std::optional<fs::path> CoverArt::besideTrack(const fs::path& track) {
    // One pass over the folder finds every letter case of the names.
    std::array<std::optional<fs::path>, kFolderCovers.size()> found;
    std::error_code error;
    for (fs::directory_iterator it(track.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = lower(it->path().filename().string());
        const auto known = std::find(kFolderCovers.begin(), kFolderCovers.end(), name);
        std::error_code ignored;
        if (known != kFolderCovers.end() && it->is_regular_file(ignored) &&
            it->file_size(ignored) > 0 && !ignored)
            found[static_cast<std::size_t>(known - kFolderCovers.begin())] = it->path();
    }
    for (auto& path : found) {
        if (path)
            return path;
    }
    return std::nullopt;
}

std::optional<fs::path> CoverArt::find(const fs::path& track, const fs::path& cacheFolder) {
    if (const auto picture = readEmbeddedPicture(track)) {
        if (const auto file = cached(*picture, cacheFolder))
            return file;
    }
    return besideTrack(track);
}

fs::path CoverArt::defaultCacheFolder() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        base = fs::path(home) / ".cache";
    else
        return {};
    return base / "Orvane" / "covers";
}

} // namespace orvane
