// Metadata reading speed over 1,000 small files of mixed formats, warm cache: what the
// background scan does for a large playlist. Reports files per second, for the ID3
// formats (MP3, WAV, AIFF) with FLAC and M4A, and for the other tag formats (Vorbis
// comments, MP4, APE, ASF, and ADTS and CAF through the decoder).
//
// The files are copies of the tag fixtures (scripts/make-tag-fixtures.sh), taken from
// $ORVANE_FIXTURES_DIR/tags or else <build>/fixtures/tags next to this program's folder.

#include "media/AudioFileReader.h"
#include "media/ContainerLengthMP4OggCAF.h"
#include "model/Uuid.h"
#include "tags/ContainerTags.h"
#include "tags/MetadataReader.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFileCount = 1000;

fs::path fixturesFolder() {
    if (const char* env = std::getenv("ORVANE_FIXTURES_DIR"))
        return fs::path(env) / "tags";
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return self.parent_path().parent_path() / "fixtures" / "tags";
}

// The generated files, made once per run and removed at exit.
class FileSet {
public:
    explicit FileSet(const std::vector<const char*>& names)
        : folder_(fs::temp_directory_path() /
                  ("orvane-metadata-bench-" + orvane::Uuid::random().toString())) {
        const fs::path source = fixturesFolder();
        for (const char* name : names) {
            if (!fs::exists(source / name)) {
                error_ = "missing fixture " + (source / name).string() +
                         "; run scripts/make-tag-fixtures.sh with that folder";
                return;
            }
        }
        fs::create_directories(folder_);
        for (std::size_t i = 0; i < kFileCount; ++i) {
            const fs::path from = source / names[i % names.size()];
            const fs::path to = folder_ / (std::to_string(i) + "-" + from.filename().string());
            fs::copy_file(from, to);
            files_.push_back(to);
        }
    }
    ~FileSet() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    const std::vector<fs::path>& files() const { return files_; }
    const std::string& error() const { return error_; }

private:
    fs::path folder_;
    std::vector<fs::path> files_;
    std::string error_;
};

const FileSet& id3Files() {
    static const FileSet set({"v23.mp3", "v24.mp3", "cover.mp3", "mojibake.mp3", "numbers.mp3",
                              "id3.wav", "info.wav", "id3.aiff", "tagged.flac", "tagged.m4a"});
    return set;
}

const FileSet& otherFormatFiles() {
    static const FileSet set({"full.flac", "full.ogg", "full.opus", "full.m4a", "tagged.wv",
                              "tagged.mpc", "tagged.wma", "tagged.aac", "tagged.caf",
                              "tagged.tta"});
    return set;
}

// Times `readOne` over every file, after one untimed pass that warms the page cache.
template <class Read>
void timeAllFiles(benchmark::State& state, Read readOne, const FileSet& set = id3Files()) {
    if (!set.error().empty()) {
        state.SkipWithError(set.error().c_str());
        return;
    }
    for (const fs::path& file : set.files())
        readOne(file);
    for (auto _ : state) {
        for (const fs::path& file : set.files())
            readOne(file);
    }
    const auto files = static_cast<std::int64_t>(set.files().size());
    state.SetItemsProcessed(state.iterations() * files);
    state.counters["files_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * files), benchmark::Counter::kIsRate);
}

// The whole read, as the metadata scan does it.
void BM_ReadMetadata(benchmark::State& state) {
    timeAllFiles(state, [](const fs::path& file) {
        benchmark::DoNotOptimize(orvane::MetadataReader::read(file));
    });
}
BENCHMARK(BM_ReadMetadata)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadMetadataOtherFormats(benchmark::State& state) {
    timeAllFiles(
        state,
        [](const fs::path& file) { benchmark::DoNotOptimize(orvane::MetadataReader::read(file)); },
        otherFormatFiles());
}
BENCHMARK(BM_ReadMetadataOtherFormats)->Unit(benchmark::kMillisecond)->UseRealTime();

// Its two halves, to see where the time goes: opening the decoder for length and
// rate, and the tag library with the ID3 frame reading.
void BM_DecoderOpenOnly(benchmark::State& state) {
    timeAllFiles(state, [](const fs::path& file) {
        benchmark::DoNotOptimize(orvane::AudioFileReader::open(file.string()));
    });
}
BENCHMARK(BM_DecoderOpenOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TagsOnly(benchmark::State& state) {
    timeAllFiles(state, [](const fs::path& file) {
        orvane::TrackMetadata meta;
        orvane::readContainerTags(file, meta);
        benchmark::DoNotOptimize(meta);
    });
}
BENCHMARK(BM_TagsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// A length and rate from the container headers against opening the decoder for them,
// for one file of each kind the header readers take, read 200 times: the saving per
// file of that kind in the scan. The fixtures folder is the tag fixtures' parent.
struct LengthFixture {
    const char* name;
    std::optional<orvane::media::ContainerLength> (*read)(const std::string&);
};
constexpr std::array<LengthFixture, 5> kLengthFixtures = {{
    {"sine.m4a", orvane::media::readMP4Length},
    {"sine.ogg", orvane::media::readOggLength},
    {"sine.opus", orvane::media::readOggLength},
    {"sine.caf", orvane::media::readCAFLength},
    {"tags/tagged.caf", orvane::media::readCAFLength},
}};
constexpr int kLengthReads = 200;

template <class Read>
void timeLengthReads(benchmark::State& state, Read readOne) {
    const LengthFixture& fixture = kLengthFixtures[static_cast<std::size_t>(state.range(0))];
    const std::string path = (fixturesFolder().parent_path() / fixture.name).string();
    state.SetLabel(fixture.name);
    if (!readOne(fixture, path)) {
        state.SkipWithError(("no length for " + path).c_str());
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < kLengthReads; ++i)
            benchmark::DoNotOptimize(readOne(fixture, path));
    }
    state.counters["per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kLengthReads),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LengthFromHeaders(benchmark::State& state) {
    timeLengthReads(state, [](const LengthFixture& f, const std::string& path) {
        return f.read(path).has_value();
    });
}
BENCHMARK(BM_LengthFromHeaders)->DenseRange(0, kLengthFixtures.size() - 1)->UseRealTime();

void BM_LengthFromDecoder(benchmark::State& state) {
    timeLengthReads(state, [](const LengthFixture&, const std::string& path) {
        return orvane::AudioFileReader::open(path) != nullptr;
    });
}
BENCHMARK(BM_LengthFromDecoder)->DenseRange(0, kLengthFixtures.size() - 1)->UseRealTime();

} // namespace
