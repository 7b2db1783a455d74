#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane::media {

// Fixed-width fields of container headers, read from a span with the bounds checked:
// nullopt when the field does not lie wholly inside it.

inline std::optional<std::uint64_t> readBE(std::span<const std::uint8_t> bytes, std::size_t at,
                                           std::size_t width) {
    if (at > bytes.size() || width > bytes.size() - at || width > 8)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

inline std::optional<std::uint64_t> readLE(std::span<const std::uint8_t> bytes, std::size_t at,
                                           std::size_t width) {
    if (at > bytes.size() || width > bytes.size() - at || width > 8)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = width; i > 0; --i)
        value = value << 8 | bytes[at + i - 1];
    return value;
}

// a * b / c rounded to the nearest integer, halves away from zero: FFmpeg's av_rescale
// (and av_rescale_q between 1/c and 1/b time bases), which the decoder path uses for
// every length, so answers given without it round alike. nullopt unless b >= 0, c > 0
// and the result fits.
inline std::optional<std::int64_t> rescaleNearest(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (b < 0 || c <= 0)
        return std::nullopt;
    __extension__ typedef __int128 Wide;
    const bool negative = a < 0;
    const Wide magnitude = negative ? -static_cast<Wide>(a) : static_cast<Wide>(a);
    const Wide scaled = (magnitude * b + c / 2) / c;
    if (scaled > INT64_MAX)
        return std::nullopt;
    return static_cast<std::int64_t>(negative ? -scaled : scaled);
}

} // namespace orvane::media
