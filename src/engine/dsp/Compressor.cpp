#include "engine/dsp/Compressor.h"

#include "engine/dsp/FastMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvane {

namespace {

// Quieter than this counts as silence: keeps the logarithm finite.
constexpr float kLevelFloor = 1e-10f; // -200 dB
constexpr double kSilenceDb = -200.0;

constexpr std::array<DynamicsParameterRange, Compressor::kParameterCount> kRanges{{
    {-40.0f, 20.0f, -20.0f},   // threshold
    {0.1f, 40.0f, 5.0f},       // head room
    {1.0f, 50.0f, 1.0f},       // expansion ratio
    {-120.0f, 20.0f, -120.0f}, // expansion threshold
    {0.0001f, 0.2f, 0.001f},   // attack time
    {0.01f, 3.0f, 0.05f},      // release time
    {-40.0f, 40.0f, 0.0f},     // overall gain
}};

std::size_t indexOf(DynamicsParameter parameter) noexcept {
    return static_cast<std::size_t>(parameter);
}

double smoothingCoefficient(double seconds, double sampleRate) noexcept {
    return std::exp(-1.0 / (seconds * sampleRate));
}

} // namespace

Compressor::Compressor(double sampleRate, bool bypassed)
    : sampleRate_(sampleRate), bypass_(bypassed),
      makeUpDb_(0.0, static_cast<std::size_t>(
                         std::max(1.0, std::round(kMakeUpGlideSeconds * sampleRate)))),
      bypassFade_(sampleRate, bypassed) {
    for (std::size_t i = 0; i < kParameterCount; ++i)
        parameters_[i].store(kRanges[i].initial, std::memory_order_relaxed);
    pulled_.fill(std::nanf(""));
    pullParameters();
    makeUpDb_.snap(static_cast<double>(pulled_[indexOf(DynamicsParameter::overallGain)]));
}

DynamicsParameterRange Compressor::range(DynamicsParameter parameter) noexcept {
    return kRanges[indexOf(parameter)];
}

void Compressor::setParameter(DynamicsParameter parameter, float value) noexcept {
    if (std::isnan(value))
        return;
    const auto& r = kRanges[indexOf(parameter)];
    parameters_[indexOf(parameter)].store(std::clamp(value, r.min, r.max),
                                          std::memory_order_relaxed);
}

float Compressor::parameter(DynamicsParameter parameter) const noexcept {
    return parameters_[indexOf(parameter)].load(std::memory_order_relaxed);
}

void Compressor::setParameters(const CompressorParameters& p) noexcept {
    setParameter(DynamicsParameter::threshold, p.thresholdDb);
    setParameter(DynamicsParameter::headRoom, p.headRoomDb);
    setParameter(DynamicsParameter::attackTime, p.attackSeconds);
    setParameter(DynamicsParameter::releaseTime, p.releaseSeconds);
    setParameter(DynamicsParameter::overallGain, p.overallGainDb);
    setParameter(DynamicsParameter::expansionRatio, p.expansionRatio);
    setParameter(DynamicsParameter::expansionThreshold, p.expansionThresholdDb);
}

CompressorParameters Compressor::parameters() const noexcept {
    return {parameter(DynamicsParameter::threshold),
            parameter(DynamicsParameter::headRoom),
            parameter(DynamicsParameter::expansionRatio),
            parameter(DynamicsParameter::expansionThreshold),
            parameter(DynamicsParameter::attackTime),
            parameter(DynamicsParameter::releaseTime),
            parameter(DynamicsParameter::overallGain)};
}

void Compressor::setBypass(bool bypassed) noexcept {
    bypass_.store(bypassed, std::memory_order_relaxed);
}

bool Compressor::bypassed() const noexcept {
    return bypass_.load(std::memory_order_relaxed);
}

CompressorCurve Compressor::curve() const noexcept {
    CompressorCurve c;
    c.thresholdDb = static_cast<double>(parameter(DynamicsParameter::threshold));
    c.headRoomDb = static_cast<double>(parameter(DynamicsParameter::headRoom));
    c.expansionRatio = static_cast<double>(parameter(DynamicsParameter::expansionRatio));
    c.expansionThresholdDb = static_cast<double>(parameter(DynamicsParameter::expansionThreshold));
    return c;
}

void Compressor::pullParameters() noexcept {
    std::array<float, kParameterCount> now{};
    for (std::size_t i = 0; i < kParameterCount; ++i)
        now[i] = parameters_[i].load(std::memory_order_relaxed);
    if (now == pulled_)
        return;
    pulled_ = now;
    curve_.thresholdDb = static_cast<double>(now[indexOf(DynamicsParameter::threshold)]);
    curve_.headRoomDb = static_cast<double>(now[indexOf(DynamicsParameter::headRoom)]);
    curve_.expansionRatio = static_cast<double>(now[indexOf(DynamicsParameter::expansionRatio)]);
    curve_.expansionThresholdDb =
        static_cast<double>(now[indexOf(DynamicsParameter::expansionThreshold)]);
    attackCoefficient_ = smoothingCoefficient(
        static_cast<double>(now[indexOf(DynamicsParameter::attackTime)]), sampleRate_);
    releaseCoefficient_ = smoothingCoefficient(
        static_cast<double>(now[indexOf(DynamicsParameter::releaseTime)]), sampleRate_);
    makeUpDb_.retarget(static_cast<double>(now[indexOf(DynamicsParameter::overallGain)]));
}

void Compressor::reset() noexcept {
    bypassFade_.reset(bypass_.load(std::memory_order_relaxed));
    pullParameters();
    makeUpDb_.snap(makeUpDb_.target());
    compressionPeakDb_ = compressionDb_ = 0.0;
    expanderLevelDb_ = kSilenceDb;
    expansionDb_ = 0.0; // open: whatever starts playing is heard at once
}

void Compressor::process(float* left, float* right, std::size_t frames) noexcept {
    while (frames > 0) {
        const auto chunk = std::min(frames, BypassCrossfade::kMaxFrames);
        processChunk(left, right, chunk);
        left += chunk;
        right += chunk;
        frames -= chunk;
    }
}

void Compressor::startDetector(const float* left, const float* right, std::size_t frames) noexcept {
    // Start settled on the block's peak, as if it had been playing a while.
    float peak = kLevelFloor;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    const auto level = static_cast<double>(fastAmplitudeToDb(peak));
    compressionPeakDb_ = compressionDb_ = curve_.compressionDb(level);
    expanderLevelDb_ = level;
    expansionDb_ = curve_.expansionDb(level);
    makeUpDb_.snap(makeUpDb_.target());
}

void Compressor::processChunk(float* left, float* right, std::size_t frames) noexcept {
    const auto step =
        bypassFade_.begin(bypass_.load(std::memory_order_relaxed), left, right, frames);
    if (!step.process)
        return;
    pullParameters();
    if (step.restart)
        startDetector(left, right, frames);

    // Level of the louder channel in dB, four frames at a time; the scratch arrays have
    // room for a whole last group, whose unused lanes are never read.
    for (std::size_t i = 0; i < frames; i += 4) {
        Float4 l{}, r{};
        if (i + 4 <= frames) {
            l = loadFloat4(left + i);
            r = loadFloat4(right + i);
        } else {
            std::memcpy(&l, left + i, (frames - i) * sizeof(float));
            std::memcpy(&r, right + i, (frames - i) * sizeof(float));
        }
        const Float4 peak = max4(max4(abs4(l), abs4(r)), splatFloat4(kLevelFloor));
        storeFloat4(level_.data() + i, fastAmplitudeToDb(peak));
    }

    // Gain computer and detectors (a recursion, sample by sample).
    const double makeUpFrom = makeUpDb_.value();
    const double makeUpTo = makeUpDb_.advance(frames);
    const double makeUpStep = (makeUpTo - makeUpFrom) / static_cast<double>(frames);
    const double attack = attackCoefficient_;
    const double release = releaseCoefficient_;
    double peak = compressionPeakDb_;
    double compression = compressionDb_;
    double level = expanderLevelDb_;
    double expansion = expansionDb_;
    const CompressorCurve curve = curve_;
    const bool expands = curve.expands();
    for (std::size_t i = 0; i < frames; ++i) {
        const auto now = static_cast<double>(level_[i]);
        // Compression: the curve's reduction through a smooth decoupled peak detector
        // (instant rise, release, then attack smoothing).
        const double wanted = curve.compressionDb(now);
        peak = std::max(wanted, release * peak + (1.0 - release) * wanted);
        compression = attack * compression + (1.0 - attack) * peak;
        // Expansion wants the opposite order: its reduction grows as the level falls,
        // so the level itself is held over the zero crossings (instant rise, release)
        // before the curve, and opening up is smoothed by the attack time.
        if (expands) {
            level = std::max(now, release * level + (1.0 - release) * now);
            expansion = attack * expansion + (1.0 - attack) * curve.expansionDb(level);
        }
        const double makeUp = makeUpFrom + makeUpStep * static_cast<double>(i + 1);
        gainDb_[i] = static_cast<float>(makeUp - compression - expansion);
    }
    // A long quiet passage would otherwise decay the detectors into denormals.
    compressionPeakDb_ = peak < 1e-12 ? 0.0 : peak;
    compressionDb_ = compression < 1e-12 ? 0.0 : compression;
    expanderLevelDb_ = level;
    expansionDb_ = expands && expansion >= 1e-12 ? expansion : 0.0;

    // Apply, four frames at a time.
    for (std::size_t i = 0; i < frames; i += 4) {
        const Float4 gain = fastDbToAmplitude(loadFloat4(gainDb_.data() + i));
        if (i + 4 <= frames) {
            storeFloat4(left + i, loadFloat4(left + i) * gain);
            storeFloat4(right + i, loadFloat4(right + i) * gain);
        } else {
            for (std::size_t lane = 0; i + lane < frames; ++lane) {
                left[i + lane] *= gain[lane];
                right[i + lane] *= gain[lane];
            }
        }
    }
    bypassFade_.end(left, right, frames);
}

} // namespace orvane
