// Reads the metadata of every file named on the command line as the background scan
// does (tags, length and rate), once to warm the page cache and then RUNS more times,
// and prints the files read per second of the timed runs. With --print it prints what
// it read of each file instead, one line a file, for comparing two builds.
//
//   orvane_metadata_probe [--runs N | --print] FILE...
//
// bench/compare-metadata.sh runs it side by side with a Python tag library on the same
// files.

#include "tags/MetadataReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void print(const std::filesystem::path& file, const orvane::TrackMetadata& meta) {
    std::printf("%s", file.filename().c_str());
    const auto text = [](const char* name, const std::optional<std::string>& field) {
        if (field)
            std::printf("\t%s=%s", name, field->c_str());
    };
    const auto number = [](const char* name, const std::optional<int>& field) {
        if (field)
            std::printf("\t%s=%d", name, *field);
    };
    if (meta.duration)
        std::printf("\tduration=%.17g", *meta.duration);
    text("artist", meta.artist);
    text("title", meta.title);
    text("album", meta.album);
    text("albumArtist", meta.albumArtist);
    text("genre", meta.genre);
    text("year", meta.year);
    number("track", meta.trackNumber);
    number("tracks", meta.trackTotal);
    number("disc", meta.discNumber);
    number("discs", meta.discTotal);
    text("composer", meta.composer);
    text("comment", meta.comment);
    number("kbps", meta.bitrateKbps);
    number("hz", meta.sampleRateHz);
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[]) {
    int runs = 3;
    bool printEach = false;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--print")
            printEach = true;
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.emplace_back(arg);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [--runs N | --print] FILE...\n", argv[0]);
        return 2;
    }
    if (printEach) {
        for (const auto& file : files)
            print(file, orvane::MetadataReader::read(file));
        return 0;
    }
    std::size_t withLength = 0;
    for (const auto& file : files)
        withLength += orvane::MetadataReader::read(file).duration.has_value() ? 1u : 0u;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < runs; ++run)
        for (const auto& file : files)
            (void)orvane::MetadataReader::read(file);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    std::printf("%.0f files/s (%zu files, %zu with a length, %d runs)\n",
                static_cast<double>(files.size()) * runs / spent.count(), files.size(), withLength,
                runs);
    return 0;
}
