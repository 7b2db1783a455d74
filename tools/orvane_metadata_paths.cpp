// Where the metadata scan spends its time, file by file: each step the scan may take
// (the header length readers, the demuxer, the decoder, the tag library) timed alone,
// and the path MetadataReader::read takes. For finding the next thing to make cheaper.
//
//   orvane_metadata_paths [--reps N] FILE...

#include "media/AudioFileReader.h"
#include "media/ContainerLength.h"
#include "media/ContainerProbe.h"
#include "tags/ContainerTags.h"
#include "tags/MetadataReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Median microseconds of `reps` calls.
template <class Step>
double medianMicros(int reps, const Step& step) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(reps));
    for (int i = 0; i < reps; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        times.push_back(spent.count());
    }
    std::nth_element(times.begin(), times.begin() + reps / 2, times.end());
    return times[static_cast<std::size_t>(reps / 2)];
}

} // namespace

int main(int argc, char* argv[]) {
    int reps = 50;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else
            files.emplace_back(arg);
    }
    using orvane::media::ContainerProbe;
    std::printf("%-16s %7s %7s %7s %7s %7s %7s  %s\n", "file", "read", "length", "tags", "probe",
                "known", "decoder", "answers");
    double total = 0;
    for (const auto& file : files) {
        const std::string path = file.string();
        const double read = medianMicros(reps, [&] { (void)orvane::MetadataReader::read(file); });
        const double length =
            medianMicros(reps, [&] { (void)orvane::media::readContainerLength(path); });
        const double tags = medianMicros(reps, [&] {
            orvane::TrackMetadata meta;
            (void)orvane::readContainerTags(file, meta);
        });
        const double probe = medianMicros(
            reps, [&] { (void)ContainerProbe::open(path, ContainerProbe::Containers::any); });
        const double known = medianMicros(reps, [&] {
            if (auto p = ContainerProbe::open(path, ContainerProbe::Containers::lengthStating))
                (void)p->statedLength();
        });
        const double decoder =
            medianMicros(reps, [&] { (void)orvane::AudioFileReader::open(path); });
        total += read;

        std::string answers;
        const auto fast = orvane::media::readContainerLength(path);
        if (fast)
            answers += "length:" + std::to_string(fast->frames) + "@" +
                       std::to_string(fast->sampleRate) + " ";
        if (auto p = ContainerProbe::open(path, ContainerProbe::Containers::lengthStating))
            if (const auto stated = p->statedLength())
                answers += "stated:" + std::to_string(stated->frames) + " ";
        if (const auto reader = orvane::AudioFileReader::open(path))
            answers += "decoder:" + std::to_string(reader->lengthFrames()) + "@" +
                       std::to_string(static_cast<int>(reader->sampleRate())) +
                       (reader->isLengthExact() ? " exact" : " estimate");
        orvane::TrackMetadata meta;
        const bool tagLibrary = orvane::readContainerTags(file, meta);
        answers += std::string(" taglib:") + (tagLibrary ? "yes" : "no") +
                   (meta.title && meta.artist && meta.album ? " complete" : " incomplete");
        std::printf("%-16s %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f  %s\n",
                    file.filename().string().c_str(), read, length, tags, probe, known, decoder,
                    answers.c_str());
    }
    std::printf("sum of read medians: %.1f us over %zu files = %.0f files/s\n", total, files.size(),
                static_cast<double>(files.size()) * 1e6 / total);
    return 0;
}
