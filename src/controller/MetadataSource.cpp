#include "controller/MetadataSource.h"

#include "engine/analysis/TempoDetection.h"
#include "tags/MetadataReader.h"

#include <filesystem>
#include <system_error>

namespace orvane {

TrackMetadata FileMetadataSource::read(const std::string& path) {
    return MetadataReader::read(path);
}

std::optional<std::uintmax_t> FileMetadataSource::fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    return size;
}

std::optional<double> FileMetadataSource::detectBPM(const std::string& path) {
    return orvane::detectBPM(path);
}

std::optional<AudioLevels> FileMetadataSource::measureLevels(const std::string& path) {
    return computeLevels(path);
}

} // namespace orvane
