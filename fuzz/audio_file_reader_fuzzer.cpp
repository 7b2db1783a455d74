// The audio file reader on arbitrary files: opening and reading the whole stream in
// blocks neither crashes nor hangs, reads keep the position in step, and reaching the
// end of the data makes the length exact. The header readers the metadata scan uses in
// its place stay inside the file and end quickly on the same bytes.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "media/AudioFileReader.h"
#include "media/ContainerLength.h"

#include <cmath>
#include <vector>

using namespace orvane;

namespace {

constexpr std::int64_t kBlockFrames = 4096;

// Reads to the end; returns the frames delivered.
std::int64_t readToEnd(AudioFileReader& reader, const std::vector<float*>& channels) {
    std::int64_t total = 0;
    while (true) {
        const std::int64_t before = reader.framePosition();
        const std::int64_t n = reader.read(channels.data(), kBlockFrames);
        FUZZ_CHECK(n >= 0 && n <= kBlockFrames);
        FUZZ_CHECK(reader.framePosition() == before + n);
        if (n == 0)
            return total;
        total += n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz::writeAudioInput(data, size);
    if (!path)
        return 0;
    if (const auto length = media::readContainerLength(path->string()))
        FUZZ_CHECK(length->frames >= 0 && length->sampleRate > 0);
    const auto reader = AudioFileReader::open(path->string());
    if (!reader)
        return 0;
    FUZZ_CHECK(std::isfinite(reader->sampleRate()) && reader->sampleRate() > 0);
    FUZZ_CHECK(reader->channelCount() > 0);
    FUZZ_CHECK(reader->lengthFrames() >= 0);

    std::vector<std::vector<float>> buffers(static_cast<std::size_t>(reader->channelCount()),
                                            std::vector<float>(kBlockFrames));
    std::vector<float*> channels;
    for (auto& buffer : buffers)
        channels.push_back(buffer.data());

    const std::int64_t total = readToEnd(*reader, channels);
    if (!reader->hasError()) {
        FUZZ_CHECK(reader->isLengthExact());
        FUZZ_CHECK(reader->lengthFrames() == total);
    }

    // Back into the middle and on to the end again.
    if (reader->seek(total / 2))
        readToEnd(*reader, channels);
    return 0;
}
