#include "FuzzTempFile.h"

#include "FuzzCheck.h"
#include "support/ScratchFolder.h"

#include <fstream>
#include <iterator>

namespace orvane::fuzz {

std::filesystem::path writeTempFile(const std::string& name, const std::uint8_t* data,
                                    std::size_t size) {
    // Removed when the process ends normally (libFuzzer exits through exit()).
    static const test::ScratchFolder folder;
    const std::filesystem::path path = folder / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_CHECK(out.good());
    return path;
}

std::optional<std::filesystem::path> writeAudioInput(const std::uint8_t* data, std::size_t size) {
    static constexpr const char* names[] = {"input.mp3", "input.flac", "input.m4a", "input.wav",
                                            "input.ogg", "input.opus", "input.wv",  "input.wma",
                                            "input.aac", "input.caf"};
    if (size == 0)
        return std::nullopt;
    return writeTempFile(names[data[0] % std::size(names)], data + 1, size - 1);
}

} // namespace orvane::fuzz
