#pragma once

#include <cstdint>
#include <span>

namespace orvane::media {

// The CRC-32 of an Ogg page (polynomial 0x04c11db7, not reflected, starting at zero),
// computed with the page's own CRC field taken as zero, so that it can be compared with
// that field. Eight bytes a step: a length scan checks a few pages of up to 64 KiB.
std::uint32_t oggPageCRC(std::span<const std::uint8_t> page);

} // namespace orvane::media
