#include "model/Track.h"

#include "model/AudioFiles.h"
#include "model/TextUtil.h"

#include <cstdint>
#include <memory>
#include <string_view>

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace orvane {

namespace {

// A leading track number: optional white space, digits, then at least one separator.
// \s and \d take their Unicode meanings.
const icu::RegexPattern* trackNumberPattern() {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexPattern> compiled(
            icu::RegexPattern::compile(icu::UnicodeString(u"^\\s*\\d+[\\s.\\-_]+"), 0, status));
        return U_SUCCESS(status) ? std::move(compiled) : nullptr;
    }();
    return pattern.get();
}

struct UTextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

// Byte length of the leading track number of `name`, or 0 when it has none. The match
// runs over the UTF-8 bytes themselves, so the returned offset cuts the original text
// exactly, even where it holds bytes that are not UTF-8.
std::size_t trackNumberLength(std::string_view name) {
    const icu::RegexPattern* pattern = trackNumberPattern();
    if (!pattern || name.empty())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, UTextCloser> text(
        utext_openUTF8(nullptr, name.data(), static_cast<std::int64_t>(name.size()), &status));
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
    if (U_FAILURE(status))
        return 0;
    matcher->reset(text.get());
    if (!matcher->lookingAt(status) || U_FAILURE(status))
        return 0;
    const std::int64_t end = matcher->end64(status);
    if (U_FAILURE(status) || end <= 0 || static_cast<std::uint64_t>(end) > name.size())
        return 0;
    return static_cast<std::size_t>(end);
}

} // namespace

std::pair<std::string, std::string> Track::parse(const std::string& path) {
    std::string_view name = fileNameOf(path);
    name = name.substr(0, extensionDot(name));

    // A name that is nothing but a number and separators keeps its number.
    const std::size_t number = trackNumberLength(name);
    if (number > 0 && number < name.size())
        name.remove_prefix(number);

    static constexpr std::string_view separator = " - ";
    const std::size_t split = name.find(separator);
    if (split != std::string_view::npos) {
        const std::string_view artist = trimBlanksAndTabs(name.substr(0, split));
        const std::string_view title = trimBlanksAndTabs(name.substr(split + separator.size()));
        if (!artist.empty() && !title.empty())
            return {std::string(artist), std::string(title)};
    }
    return {std::string(), std::string(trimBlanksAndTabs(name))};
}

Track Track::fromPath(std::string path) {
    auto [artist, title] = parse(path);
    return Track(Uuid::random(), std::move(path), std::move(artist), std::move(title));
}

} // namespace orvane
