#include "media/ContainerLengthMP4OggCAF.h"

#include "MediaTestSupport.h"
#include "media/OggCRC.h"

#include <array>
#include <map>
#include <optional>
#include <set>

#include <sys/stat.h>

namespace orvane::test {
namespace {

using media::ContainerLength;
using Reader = std::optional<ContainerLength> (*)(const std::string&);

constexpr std::array<Reader, 3> kReaders = {media::readMP4Length, media::readOggLength,
                                            media::readCAFLength};

// The reader for a file name extension the fixtures use; nullptr for the rest.
Reader readerFor(const std::filesystem::path& file) {
    static const std::map<std::string, Reader> byExtension = {
        {".m4a", media::readMP4Length}, {".m4b", media::readMP4Length},
        {".mp4", media::readMP4Length}, {".ogg", media::readOggLength},
        {".oga", media::readOggLength}, {".opus", media::readOggLength},
        {".caf", media::readCAFLength}};
    const auto it = byExtension.find(file.extension().native());
    return it == byExtension.end() ? nullptr : it->second;
}

std::vector<std::filesystem::path> headerFixtures() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"", "engine", "tags"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(fixture(folder)))) {
            if (entry.is_regular_file() && readerFor(entry.path()))
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Whenever a reader answers, the decoder path must state the same, exactly.
void expectSameAsDecoder(const std::string& path, const ContainerLength& answer) {
    SCOPED_TRACE(path);
    const auto reader = AudioFileReader::open(path);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->isLengthExact());
    EXPECT_EQ(reader->lengthFrames(), answer.frames);
    EXPECT_EQ(reader->sampleRate(), answer.sampleRate);
}

// Every MP4, Ogg and CAF fixture: the right reader agrees with the decoder wherever it
// answers, and the others never answer for a file that is not theirs.
TEST(ContainerLengthMP4OggCAF, AgreesWithTheDecoderOnEveryFixture) {
    std::set<std::string> answered;
    for (const auto& file : headerFixtures()) {
        const Reader own = readerFor(file);
        if (const auto answer = own(file.native())) {
            expectSameAsDecoder(file.native(), *answer);
            answered.insert(std::filesystem::relative(file, fixture("")).native());
        }
        for (const Reader other : kReaders) {
            if (other != own) {
                EXPECT_FALSE(other(file.native())) << file << " answered by another reader";
            }
        }
    }
    // The plain files must be answered for, or the comparison above proves nothing.
    for (const char* name : {"sine.m4a", "truncated.m4a", "long.m4a", "sine.ogg", "sine.opus",
                             "sine.caf", "tags/tagged.caf", "tags/tagged.m4a", "tags/tagged.ogg",
                             "tags/full.ogg", "tags/full.opus"})
        EXPECT_TRUE(answered.contains(name)) << name << " not answered";
}

// Copies cut short at a few points, as an interrupted download leaves them: the MP4
// (its tables in front) ends at its first incomplete sample, the PCM CAF at its last
// whole frame, and an Ogg stream without its last page is left to the decoder.
TEST(ContainerLengthMP4OggCAF, AgreesWithTheDecoderOnFilesCutShort) {
    ScratchFolder scratch;
    int answers = 0;
    for (const char* name : {"truncated.m4a", "sine.caf", "marks.ogg", "marks.opus"}) {
        const std::string bytes = readBytes(fixture(name));
        const std::string extension = std::filesystem::path(name).extension().native();
        for (const std::size_t cut : {bytes.size() / 2 + 7, bytes.size() * 3 / 4 + 1}) {
            const std::string path =
                scratch.write("cut-" + std::to_string(cut) + extension, bytes.substr(0, cut));
            const auto answer = readerFor(path)(path);
            if (answer) {
                expectSameAsDecoder(path, *answer);
                ++answers;
            }
            if (extension == ".ogg" || extension == ".opus") {
                EXPECT_FALSE(answer) << path;
            }
        }
    }
    EXPECT_EQ(answers, 4); // the MP4 and the PCM CAF, twice each
}

// The one-second tag fixtures hold their audio on a single page that also ends the
// stream. Its granule trims the end; one raised past what its packets last means the
// stream starts late, which only the decoder can settle. Whatever is answered for such
// a page, edited either way, must be what the decoder states.
TEST(ContainerLengthMP4OggCAF, AgreesWithTheDecoderOnStreamsOfOneAudioPage) {
    ScratchFolder scratch;
    const std::string bytes = readBytes(fixture("tags/tagged.ogg"));
    const std::size_t lastPage = bytes.rfind("OggS");
    ASSERT_NE(lastPage, std::string::npos);
    const auto putLE = [](std::string& to, std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            to[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xff);
    };
    std::set<std::int64_t> answered;
    for (const std::int64_t granule : {44100, 30000, 1, 45000, 60000}) {
        std::string edited = bytes;
        putLE(edited, lastPage + 6, static_cast<std::uint64_t>(granule), 8);
        putLE(edited, lastPage + 22, 0, 4);
        const auto* page = reinterpret_cast<const std::uint8_t*>(edited.data()) + lastPage;
        putLE(edited, lastPage + 22, media::oggPageCRC({page, edited.size() - lastPage}), 4);
        const std::string path = scratch.write("g" + std::to_string(granule) + ".ogg", edited);
        if (const auto answer = media::readOggLength(path)) {
            expectSameAsDecoder(path, *answer);
            answered.insert(answer->frames);
        }
    }
    EXPECT_EQ(answered, (std::set<std::int64_t>{1, 30000, 44100}));
}

// A scan meets folders, vanished files and named pipes: no answer, and no wait for a
// writer that never comes.
TEST(ContainerLengthMP4OggCAF, AnswersNothingForWhatIsNotAFile) {
    ScratchFolder scratch;
    const std::string pipe = scratch.path("pipe.m4a");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const Reader read : kReaders) {
        for (const std::string& path : {pipe, scratch.root().native(), scratch.path("gone.ogg")})
            EXPECT_FALSE(read(path)) << path;
    }
}

} // namespace
} // namespace orvane::test
