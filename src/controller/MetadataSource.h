#pragma once

#include "engine/analysis/Levels.h"
#include "tags/TrackMetadata.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

// What the metadata scan learns about one file. The application reads the files
// themselves (FileMetadataSource); tests give fakes that count or gate the reads.
//
// Threading: called on the controller's background work only. read() and fileSize()
// one call at a time; detectBPM() and measureLevels() from several threads at once (the
// scan measures on every core but one).
class MetadataSource {
public:
    virtual ~MetadataSource() = default;
    // Tags and technical data; whatever cannot be read stays without value.
    virtual TrackMetadata read(const std::string& path) = 0;
    // The file's size in bytes; none when it cannot be read.
    virtual std::optional<std::uintmax_t> fileSize(const std::string& path) = 0;
    // The tempo in beats per minute, not rounded; none when no beat was found.
    virtual std::optional<double> detectBPM(const std::string& path) = 0;
    // Peak and RMS of the whole file; none when it cannot be measured (or, for a source
    // that does not measure, ever: the tracks are then measured as they are prepared).
    virtual std::optional<AudioLevels> measureLevels(const std::string&) { return std::nullopt; }
};

// The files on disk: MetadataReader, the file system's size and the offline tempo
// detection.
class FileMetadataSource final : public MetadataSource {
public:
    TrackMetadata read(const std::string& path) override;
    std::optional<std::uintmax_t> fileSize(const std::string& path) override;
    std::optional<double> detectBPM(const std::string& path) override;
    std::optional<AudioLevels> measureLevels(const std::string& path) override;
};

} // namespace orvane
