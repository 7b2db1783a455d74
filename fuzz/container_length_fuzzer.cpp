// The MP4, Ogg, CAF, Musepack and ADTS header readers on arbitrary files: they stay
// inside the file and their bounds, end quickly, answer only with a positive rate and a
// positive length (a Musepack estimate may be zero: FFmpeg states a short file as
// empty), and no two of them take the same file.

#include "FuzzCheck.h"
#include "FuzzTempFile.h"
#include "media/ContainerLength.h"
#include "media/ContainerLengthMP4OggCAF.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeTempFile("container-length", data, size).native();
    int answers = 0;
    using Reader = std::optional<media::ContainerLength> (*)(const std::string&);
    for (const Reader read : {Reader{media::readMP4Length}, Reader{media::readOggLength},
                              Reader{media::readCAFLength}}) {
        if (const auto length = read(path)) {
            FUZZ_CHECK(length->frames > 0 && length->sampleRate > 0);
            ++answers;
        }
    }
    if (const auto length = media::readEstimatedLength(path)) {
        FUZZ_CHECK(length->frames >= 0 && length->sampleRate > 0);
        ++answers;
    }
    FUZZ_CHECK(answers <= 1);
    return 0;
}
