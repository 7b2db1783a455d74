// Reads the metadata of every file named on the command line as the background scan
// does (tags, length and rate), once to warm the page cache and then RUNS more times,
// and prints the files read per second of the timed runs.
//
//   orvane_metadata_probe [--runs N] FILE...
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

int main(int argc, char* argv[]) {
    int runs = 3;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.emplace_back(arg);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [--runs N] FILE...\n", argv[0]);
        return 2;
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
