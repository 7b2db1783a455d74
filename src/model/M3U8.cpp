#include "model/M3U8.h"

#include "model/AtomicFileWrite.h"
#include "model/AudioFiles.h"
#include "model/TextUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// ---- Writing ----

std::string durationText(const std::optional<double>& duration) {
    if (!duration || !std::isfinite(*duration))
        return "-1";
    // Cut toward zero; the clamp keeps the conversion defined for absurd values.
    const double seconds = std::clamp(std::trunc(*duration), -1e15, 1e15);
    return std::to_string(static_cast<long long>(seconds));
}

// `text` as one well-formed line: line breaks become blanks, ill-formed bytes U+FFFD.
std::string singleLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const DecodedChar d = decodeUtf8At(text, i);
        if (d.codePoint < 0)
            out += "\uFFFD";
        else if (isLineBreak(static_cast<char32_t>(d.codePoint)))
            out.push_back(' ');
        else
            out.append(text.substr(i, d.length));
        i += d.length;
    }
    return out;
}

bool hasLineBreak(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const DecodedChar d = decodeUtf8At(text, i);
        if (d.codePoint >= 0 && isLineBreak(static_cast<char32_t>(d.codePoint)))
            return true;
        i += d.length;
    }
    return false;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string fileUrl(std::string_view absolutePath) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char byte : absolutePath) {
        const auto c = static_cast<unsigned char>(byte);
        if (isUnreserved(c) || c == '/') {
            url.push_back(byte);
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 0x0F]);
        }
    }
    return url;
}

// The path line of a track. A path that the reader would not get back verbatim (line
// breaks would split it, trimming would cut its ends, ill-formed bytes would make the
// whole file unreadable) is written as a file URL.
std::string pathLine(const std::string& path) {
    const bool verbatim =
        isValidUtf8(path) && !hasLineBreak(path) && trimBlanksAndTabs(path).size() == path.size();
    if (verbatim)
        return path;
    if (!path.empty() && path.front() == '/')
        return fileUrl(path);
    return singleLine(path);
}

// ---- Reading ----

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Characters that may stand for themselves in the path, query or fragment of a URL.
// Non-ASCII characters are accepted as in internationalised addresses.
bool isUrlCharacter(unsigned char c) {
    static constexpr std::string_view others = "!$&'()*+,;=:@/?";
    return c >= 0x80 || isUnreserved(c) || others.find(static_cast<char>(c)) != others.npos;
}

// Checks `part` and decodes its percent escapes. Nothing when it holds a character a
// URL may not contain, a broken escape, or an escaped NUL (no file path can hold one).
std::optional<std::string> percentDecoded(std::string_view part) {
    std::string out;
    out.reserve(part.size());
    for (std::size_t i = 0; i < part.size(); ++i) {
        const char c = part[i];
        if (c == '%') {
            if (i + 2 >= part.size())
                return std::nullopt;
            const int high = hexValue(part[i + 1]);
            const int low = hexValue(part[i + 2]);
            if (high < 0 || low < 0 || (high == 0 && low == 0))
                return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (isUrlCharacter(static_cast<unsigned char>(c))) {
            out.push_back(c);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// The local path a "file://" URL names, or nothing when the text is not a well-formed
// URL for a file on this machine.
std::optional<std::string> filePathOfUrl(std::string_view url) {
    std::string_view rest = url.substr(7); // after "file://"
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !equalsIgnoringAsciiCase(host, "localhost"))
        return std::nullopt;
    rest.remove_prefix(slash);
    const std::size_t hash = rest.find('#');
    if (hash != std::string_view::npos) {
        const std::string_view fragment = rest.substr(hash + 1);
        if (fragment.find('#') != std::string_view::npos || !percentDecoded(fragment))
            return std::nullopt;
        rest = rest.substr(0, hash);
    }
    const std::size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        if (!percentDecoded(rest.substr(question + 1)))
            return std::nullopt;
        rest = rest.substr(0, question);
    }
    return percentDecoded(rest);
}

// Line-break characters in UTF-8: LF, VT, FF, CR, then U+0085, U+2028 and U+2029. The
// text is known to be well-formed, so a byte match cannot fall inside another character.
std::size_t lineBreakLength(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x0A && c <= 0x0D)
        return 1;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85)
        return 2;
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
        const auto third = static_cast<unsigned char>(text[i + 2]);
        if (third == 0xA8 || third == 0xA9)
            return 3;
    }
    return 0;
}

std::string locationOf(std::string_view entry, const fs::path& baseFolder) {
    if (entry.starts_with("file://"))
        if (const std::optional<std::string> path = filePathOfUrl(entry))
            return fs::path(*path).lexically_normal().native();
    if (entry.front() == '/')
        return fs::path(entry).lexically_normal().native();
    return (baseFolder / fs::path(entry)).lexically_normal().native();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::optional<std::string> readWholeFile(const std::string& path) {
    std::error_code ec;
    // Only regular files: reading a pipe or a device could block or never end.
    if (!fs::is_regular_file(fs::status(path, ec)))
        return std::nullopt;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::string contents;
    char buffer[65536];
    for (;;) {
        const std::size_t read = std::fread(buffer, 1, sizeof buffer, file.get());
        contents.append(buffer, read);
        if (read < sizeof buffer)
            break;
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return contents;
}

} // namespace

std::string m3u8Text(const Playlist& playlist) {
    std::string text = "#EXTM3U\n";
    for (const Track& track : playlist.tracks) {
        const std::string name =
            track.artist.empty() ? track.title : track.artist + " - " + track.title;
        text += "#EXTINF:" + durationText(track.duration) + "," + singleLine(name) + "\n";
        text += pathLine(track.path) + "\n";
    }
    return text;
}

std::optional<M3U8Import> parseM3U8(std::string_view bytes, const std::string& playlistFilePath) {
    if (!isValidUtf8(bytes))
        return std::nullopt;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);

    std::error_code ec;
    fs::path baseFolder = fs::absolute(playlistFilePath, ec);
    if (ec)
        baseFolder = playlistFilePath;
    baseFolder = baseFolder.parent_path();

    M3U8Import result;
    const std::string_view fileName = fileNameOf(playlistFilePath);
    result.name = std::string(fileName.substr(0, extensionDot(fileName)));

    std::size_t lineStart = 0;
    const auto takeLine = [&](std::size_t lineEnd) {
        const std::string_view entry =
            trimBlanksAndTabs(bytes.substr(lineStart, lineEnd - lineStart));
        if (!entry.empty() && entry.front() != '#')
            result.paths.push_back(locationOf(entry, baseFolder));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t breakLength = lineBreakLength(bytes, i);
        if (breakLength == 0) {
            ++i;
            continue;
        }
        takeLine(i);
        i += breakLength;
        lineStart = i;
    }
    takeLine(bytes.size());
    return result;
}

std::optional<M3U8Import> importM3U8File(const std::string& path) {
    const std::optional<std::string> contents = readWholeFile(path);
    if (!contents)
        return std::nullopt;
    std::optional<M3U8Import> parsed = parseM3U8(*contents, path);
    if (!parsed)
        return std::nullopt;
    std::erase_if(parsed->paths, [](const std::string& location) {
        std::error_code ec;
        return !isAudioFile(location) || !fs::is_regular_file(fs::status(location, ec));
    });
    return parsed;
}

bool writeM3U8File(const Playlist& playlist, const std::string& path) {
    return writeFileAtomically(path, m3u8Text(playlist));
}

} // namespace orvane
