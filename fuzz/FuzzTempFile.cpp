#include "FuzzTempFile.h"

#include "FuzzCheck.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace orvane::fuzz {

namespace {

// Removes the folder when the process ends normally (libFuzzer exits through exit()).
struct TempFolder {
    std::filesystem::path path;

    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-fuzz-XXXXXX");
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

} // namespace

std::filesystem::path writeTempFile(const std::string& name, const std::uint8_t* data,
                                    std::size_t size) {
    static const TempFolder folder;
    const std::filesystem::path path = folder.path / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_CHECK(out.good());
    return path;
}

std::optional<std::filesystem::path> writeAudioInput(const std::uint8_t* data, std::size_t size) {
    static constexpr const char* names[] = {"input.mp3", "input.flac", "input.m4a", "input.wav"};
    if (size == 0)
        return std::nullopt;
    return writeTempFile(names[data[0] % 4], data + 1, size - 1);
}

} // namespace orvane::fuzz
