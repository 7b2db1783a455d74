#include "engine/analysis/AnalysisFile.h"

#include "runtime/Diagnostics.h"

#include <mutex>

namespace orvane {

namespace {

std::mutex reportedMutex;
std::string reportedPath; // the file last reported; forgotten once it opens again

} // namespace

std::unique_ptr<AudioFileReader> openForAnalysis(const std::string& path, int decoderThreads) {
    std::string why;
    auto reader = AudioFileReader::open(path, &why, decoderThreads);
    {
        std::lock_guard lock(reportedMutex);
        if (reader) {
            if (reportedPath == path)
                reportedPath.clear();
            return reader;
        }
        if (reportedPath == path)
            return nullptr;
        reportedPath = path;
    }
    reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                     "cannot analyse " + path + ": " + why);
    return nullptr;
}

} // namespace orvane
