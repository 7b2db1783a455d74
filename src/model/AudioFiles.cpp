#include "model/AudioFiles.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <system_error>
#include <unordered_set>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace orvane {

namespace fs = std::filesystem;

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isHidden(const fs::path& entry) {
    const fs::path name = entry.filename();
    return !name.empty() && name.native().front() == '.';
}

// A regular file, or a symbolic link to one. Special files (pipes, devices) named like
// audio are refused: opening one could block or read without end.
bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::status(path, ec));
}

// Appends the audio files below `folder`, depth first in directory order. Every folder
// is opened on its own, so one that cannot be read is skipped and the walk goes on
// (a recursive_directory_iterator would end the whole walk at the first such error).
void walkFolder(const fs::path& folder, std::vector<std::string>& found) {
    std::vector<fs::directory_iterator> open;
    std::error_code ec;
    open.emplace_back(folder, ec);
    if (ec)
        return;
    while (!open.empty()) {
        fs::directory_iterator& current = open.back();
        if (current == fs::directory_iterator()) {
            open.pop_back();
            continue;
        }
        const fs::directory_entry entry = *current;
        current.increment(ec);
        if (ec)
            current = fs::directory_iterator(); // unreadable from here on: leave it
        if (isHidden(entry.path()))
            continue;
        // Symbolic links to folders are not entered: they can form cycles.
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            fs::directory_iterator inside(entry.path(), ec);
            if (!ec)
                open.push_back(std::move(inside));
            continue;
        }
        if (isAudioFile(entry.path().native()) && entry.is_regular_file(ec))
            found.push_back(entry.path().native());
    }
}

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using CollatorPointer = std::unique_ptr<UCollator, CollatorCloser>;

// The root collation with numeric digit runs, ignoring case but not accents.
CollatorPointer openPathCollator() {
    UErrorCode status = U_ZERO_ERROR;
    CollatorPointer collator(ucol_open("", &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setStrength(collator.get(), UCOL_SECONDARY);
    if (U_FAILURE(status))
        return nullptr;
    return collator;
}

// The collation sort key of one path: byte-wise comparison of keys equals collator
// comparison of the texts. Bytes that are not UTF-8 take part as U+FFFD.
std::string sortKey(const UCollator* collator, const std::string& path, std::vector<UChar>& utf16) {
    if (path.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2))
        return path; // unreachable for real paths; keeps the conversion below in range
    const auto length = static_cast<std::int32_t>(path.size());
    // UTF-16 never needs more units than UTF-8 has bytes.
    utf16.resize(path.size() + 1);
    std::int32_t utf16Length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16.data(), static_cast<std::int32_t>(utf16.size()), &utf16Length,
                         path.data(), length, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return path;
    std::string key(64 + path.size(), '\0');
    for (;;) {
        const std::int32_t needed = ucol_getSortKey(collator, utf16.data(), utf16Length,
                                                    reinterpret_cast<std::uint8_t*>(key.data()),
                                                    static_cast<std::int32_t>(key.size()));
        if (needed <= 0)
            return path;
        if (static_cast<std::size_t>(needed) <= key.size()) {
            key.resize(static_cast<std::size_t>(needed));
            return key;
        }
        key.resize(static_cast<std::size_t>(needed));
    }
}

} // namespace

std::string_view fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::size_t extensionDot(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == 0 ? std::string_view::npos : dot;
}

bool isAudioFile(std::string_view path) {
    const std::string_view name = fileNameOf(path);
    const std::size_t dot = extensionDot(name);
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    return std::any_of(audioExtensions.begin(), audioExtensions.end(), [&](std::string_view known) {
        return known.size() == extension.size() &&
               std::equal(known.begin(), known.end(), extension.begin(),
                          [](char k, char e) { return k == asciiLower(e); });
    });
}

void sortPathsNaturally(std::vector<std::string>& paths) {
    const CollatorPointer collator = openPathCollator();
    if (!collator) {
        std::stable_sort(paths.begin(), paths.end());
        return;
    }
    // One sort key per path, then a plain byte-wise sort: far cheaper than asking the
    // collator on each of the n log n comparisons.
    std::vector<std::string> keys;
    keys.reserve(paths.size());
    std::vector<UChar> utf16;
    for (const std::string& path : paths)
        keys.push_back(sortKey(collator.get(), path, utf16));
    std::vector<std::size_t> order(paths.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(paths.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(paths[index]));
    paths = std::move(sorted);
}

std::vector<std::string> collectAudioFiles(const std::vector<std::string>& items) {
    std::vector<std::string> found;
    for (const std::string& item : items) {
        if (item.empty())
            continue;
        std::error_code ec;
        const fs::path path = fs::absolute(item, ec).lexically_normal();
        if (ec)
            continue;
        const fs::file_status status = fs::status(path, ec); // follows symbolic links
        if (ec || !fs::exists(status))
            continue;
        if (fs::is_directory(status))
            walkFolder(path, found);
        else if (isAudioFile(path.native()) && isRegularFile(path))
            found.push_back(path.native());
    }

    // First occurrence of each exact path text wins. The set views the strings in
    // `found`, so nothing is moved out of it until every path has been looked at.
    std::vector<bool> keep(found.size());
    {
        std::unordered_set<std::string_view> seen;
        for (std::size_t i = 0; i < found.size(); ++i)
            keep[i] = seen.insert(found[i]).second;
    }
    std::vector<std::string> unique;
    unique.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        if (keep[i])
            unique.push_back(std::move(found[i]));
    sortPathsNaturally(unique);
    return unique;
}

} // namespace orvane
