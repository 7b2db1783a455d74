#include "engine/host/RegionDecoder.h"

#include "media/AudioFileReader.h"
#include "runtime/Diagnostics.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <utility>

namespace orvane {

namespace {

// Input frames per read: small enough that one chunk's output always fits the ring
// once the ring has drained a little, large enough to keep FFmpeg calls few.
constexpr std::int64_t kChunkFrames = 4096;

} // namespace

RegionDecoder::RegionDecoder(AudioRing& ring, MarkerQueue& markers)
    : ring_(ring), markers_(markers) {
}

RegionDecoder::~RegionDecoder() = default;

void RegionDecoder::schedule(std::uint64_t schedule, std::vector<RegionRequest> regions,
                             int outRate) {
    std::lock_guard lock(mailboxMutex_);
    mailbox_.schedule = schedule;
    mailbox_.regions = std::move(regions);
    mailbox_.outRate = outRate;
    mailbox_.latestSchedule = schedule;
    // Appends for older schedules are moot now.
    std::erase_if(mailbox_.appends, [&](const auto& entry) { return entry.first != schedule; });
}

void RegionDecoder::append(std::uint64_t schedule, RegionRequest region) {
    std::lock_guard lock(mailboxMutex_);
    if (schedule == mailbox_.latestSchedule)
        mailbox_.appends.emplace_back(schedule, std::move(region));
}

void RegionDecoder::takeCommands() {
    std::optional<std::uint64_t> newSchedule;
    std::vector<RegionRequest> regions;
    std::vector<std::pair<std::uint64_t, RegionRequest>> appends;
    int outRate = 0;
    {
        std::lock_guard lock(mailboxMutex_);
        newSchedule = std::exchange(mailbox_.schedule, std::nullopt);
        regions = std::move(mailbox_.regions);
        mailbox_.regions.clear();
        outRate = mailbox_.outRate;
        appends = std::move(mailbox_.appends);
        mailbox_.appends.clear();
    }
    // Readers of dropped regions are released here, on the decoder thread.
    if (newSchedule) {
        schedule_ = *newSchedule;
        outRate_ = outRate > 0 ? outRate : outRate_;
        needScheduleMarker_ = true;
        active_.reset();
        waiting_.clear();
        resetChain();
        for (auto& region : regions)
            waiting_.push_back(std::move(region));
    }
    for (auto& [schedule, region] : appends)
        if (schedule == schedule_)
            waiting_.push_back(std::move(region));
}

void RegionDecoder::resetChain() {
    chain_.reset();
    draining_ = false;
    chainIn_ = 0;
    chainOut_ = 0;
    events_.clear();
    pending_.clear();
    pendingOffset_ = 0;
}

bool RegionDecoder::pushMarker(StreamMarker::Kind kind, std::int64_t regionID, float normGainDb) {
    return markers_.push({kind, ring_.writePosition(), schedule_, regionID, normGainDb});
}

bool RegionDecoder::flushPending() {
    for (;;) {
        const std::size_t remaining = pending_.size() - pendingOffset_;
        while (!events_.empty() && events_.front().outFrame <= chainOut_) {
            // A region starts in the stream only together with its first frames (or its
            // end, if it has none): a start with nothing behind it yet would read as an
            // underrun while the first chunk is still being decoded.
            const bool startWithoutData = events_.front().kind == StreamMarker::Kind::RegionStart &&
                                          remaining == 0 &&
                                          !(events_.size() > 1 && events_[1].outFrame <= chainOut_);
            if (startWithoutData)
                break;
            const auto& event = events_.front();
            if (!pushMarker(event.kind, event.regionID, event.normGainDb))
                return false;
            events_.pop_front();
        }
        if (remaining == 0) {
            pending_.clear();
            pendingOffset_ = 0;
            return true;
        }
        std::size_t frames = remaining;
        if (!events_.empty())
            frames =
                std::min(frames, static_cast<std::size_t>(events_.front().outFrame - chainOut_));
        frames = std::min(frames, ring_.writable());
        if (frames == 0)
            return false;
        ring_.write(pending_.left.data() + pendingOffset_, pending_.right.data() + pendingOffset_,
                    frames);
        pendingOffset_ += frames;
        chainOut_ += static_cast<std::int64_t>(frames);
    }
}

void RegionDecoder::startRegion(RegionRequest region) {
    auto& reader = *region.reader;
    const int rate = static_cast<int>(std::lround(reader.sampleRate()));
    const int channels = reader.channelCount();
    if (!chain_) {
        try {
            chain_ = std::make_unique<FormatConverter>(rate, channels, outRate_);
        } catch (const std::exception& error) {
            // A format nothing can convert: the region plays as nothing at all, and
            // its completion still comes so the engine moves on.
            reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                             "a track of " + std::to_string(channels) + " channels at " +
                                 std::to_string(rate) + " Hz plays as nothing: " + error.what());
            events_.push_back(
                {chainOut_, StreamMarker::Kind::RegionStart, region.regionID, region.normGainDb});
            events_.push_back({chainOut_, StreamMarker::Kind::RegionEnd, region.regionID});
            return;
        }
        chainIn_ = 0;
        chainOut_ = 0;
    }
    if (planes_.size() < static_cast<std::size_t>(channels)) {
        planes_.resize(static_cast<std::size_t>(channels));
        planePointers_.resize(planes_.size());
        for (std::size_t c = 0; c < planes_.size(); ++c) {
            planes_[c].resize(static_cast<std::size_t>(kChunkFrames));
            planePointers_[c] = planes_[c].data();
        }
    }
    events_.push_back({chain_->outputFrames(chainIn_), StreamMarker::Kind::RegionStart,
                       region.regionID, region.normGainDb});
    nextFrame_ = region.startFrame;
    if (reader.framePosition() != region.startFrame && !reader.seek(region.startFrame))
        region.endFrame = region.startFrame; // cannot position: an empty region
    active_ = std::move(region);
}

void RegionDecoder::decodeChunk() {
    const auto want = std::min(kChunkFrames, active_->endFrame - nextFrame_);
    const auto got = active_->reader->read(planePointers_.data(), want);
    if (got <= 0) {
        // A file damaged or cut short past what opening it could see: the track ends
        // early, and a listener hearing it stop wants to know it was the file.
        if (active_->reader->hasError())
            reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                             "a read or decoding error ends the track at frame " +
                                 std::to_string(nextFrame_) + " of " +
                                 std::to_string(active_->endFrame));
        active_->endFrame = nextFrame_; // the data ended early: so does the region
        return;
    }
    chain_->convert(planePointers_.data(), static_cast<std::size_t>(got), pending_);
    chainIn_ += got;
    nextFrame_ += got;
}

void RegionDecoder::finishRegion() {
    events_.push_back(
        {chain_->outputFrames(chainIn_), StreamMarker::Kind::RegionEnd, active_->regionID});
    active_.reset();
}

void RegionDecoder::beginDrain() {
    chain_->drain(pending_);
    // The chain ends exactly at its last boundary: pad a short tail, cut a long one.
    const auto end = chain_->outputFrames(chainIn_);
    const auto have = chainOut_ + static_cast<std::int64_t>(pending_.size() - pendingOffset_);
    const auto size =
        static_cast<std::size_t>(std::max<std::int64_t>(end - chainOut_, 0)) + pendingOffset_;
    if (have != end) {
        pending_.left.resize(size, 0.0f);
        pending_.right.resize(size, 0.0f);
    }
    draining_ = true;
}

bool RegionDecoder::service() {
    takeCommands();
    const auto startPosition = ring_.writePosition();
    const auto startMarkers = markers_.freeSlots();
    for (;;) {
        if (needScheduleMarker_) {
            if (!pushMarker(StreamMarker::Kind::ScheduleStart, 0))
                break;
            needScheduleMarker_ = false;
        }
        if (!flushPending())
            break;
        if (active_) {
            if (nextFrame_ < active_->endFrame)
                decodeChunk();
            else
                finishRegion();
        } else if (draining_) {
            resetChain();
        } else if (!waiting_.empty()) {
            auto& next = *waiting_.front().reader;
            const int rate = static_cast<int>(std::lround(next.sampleRate()));
            if (chain_ && !chain_->accepts(rate, next.channelCount())) {
                beginDrain();
                continue;
            }
            auto region = std::move(waiting_.front());
            waiting_.pop_front();
            startRegion(std::move(region));
        } else if (chain_) {
            beginDrain();
        } else {
            break;
        }
    }
    return ring_.writePosition() != startPosition || markers_.freeSlots() != startMarkers;
}

} // namespace orvane
