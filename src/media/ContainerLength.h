#pragma once

#include "media/FileBytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::media {

// The length of a file's audio as its container states it, read from the headers
// without opening a decoder. A metadata scan reads thousands of files; a decoder per
// file costs far more than the few kilobytes of headers that say the same thing.
//
// Whenever a reader here answers, its answer is exactly what AudioFileReader::open
// gives as lengthFrames() and sampleRate() for that file (the listener's timeline:
// encoder delay and padding left out, a file cut short counted as far as it goes).
// Where the headers cannot say that for certain (an unusual layout, a codec whose
// decoder changes the rate, damage), a reader returns nullopt and the caller opens
// the decoder instead.
struct ContainerLength {
    std::int64_t frames = 0;
    int sampleRate = 0;

    friend bool operator==(const ContainerLength&, const ContainerLength&) = default;
};

// Picks the reader by the file's first bytes (not its name). nullopt for any file no
// reader here answers for.
std::optional<ContainerLength> readContainerLength(const std::string& path);
// The same for a file already open, which the scan reads the tags of too.
std::optional<ContainerLength> readContainerLength(const FileBytes& file, const std::string& path);

// The length AudioFileReader::open states as an estimate (isLengthExact() false, until
// a read to the end settles it) where the headers say what that estimate will be:
// Musepack SV8 (its stream header's count, in FFmpeg's whole blocks), short raw ADTS
// AAC (FFmpeg's estimate from the bit rates of the frames it reads at open) and WMA (the
// play duration its ASF header states). The same
// promise as readContainerLength's otherwise: exactly what AudioFileReader::open
// states, or nullopt. Kept apart because those answers are exact and these are not.
std::optional<ContainerLength> readEstimatedLength(const std::string& path);
std::optional<ContainerLength> readEstimatedLength(const FileBytes& file, const std::string& path);

} // namespace orvane::media
