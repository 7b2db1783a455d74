#include "engine/dsp/EQUnit.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// A band stays in circuit this long after reaching 0 dB, so that what its filter still
// holds rings out instead of being cut off; only then is it skipped. Low shelves ring
// longest: 0.25 s is some 35 time constants of a 31 Hz shelf.
constexpr double kRingOutSeconds = 0.25;

float clampGain(float db) noexcept {
    if (!std::isfinite(db))
        return 0.0f;
    return std::clamp(db, EQUnit::kMinGainDb, EQUnit::kMaxGainDb);
}

std::size_t framesFor(double seconds, double sampleRate) noexcept {
    return static_cast<std::size_t>(std::max(1.0, std::round(seconds * sampleRate)));
}

double dbToAmplitude(double db) noexcept {
    return std::pow(10.0, db / 20.0);
}

} // namespace

struct EQUnit::Band {
    EQBandShape shape;
    std::atomic<float> gainDb{0.0f};
    std::atomic<bool> bypass{false};

    // Audio-thread state.
    LinearGlide gain;
    BiquadCoefficients coeffs;
    double coeffsDb = 0.0;
    StereoBiquad filter;
    std::size_t ringFrames = 0;

    double targetDb() const noexcept {
        return bypass.load(std::memory_order_relaxed)
                   ? 0.0
                   : static_cast<double>(gainDb.load(std::memory_order_relaxed));
    }
};

EQUnit::EQUnit(double sampleRate, std::vector<EQBandShape> bands, bool bypassed)
    : sampleRate_(sampleRate), bandCount_(bands.size()),
      bands_(std::make_unique<Band[]>(bands.size())), bypass_(bypassed),
      bypassFade_(sampleRate, bypassed), glideFrames_(framesFor(kGlideSeconds, sampleRate)),
      tailFrames_(framesFor(kRingOutSeconds, sampleRate)), active_(bands.size()),
      activeCoefficients_(bands.size()), activeFilters_(bands.size()) {
    global_.setGlideFrames(glideFrames_);
    for (std::size_t i = 0; i < bandCount_; ++i) {
        Band& band = bands_[i];
        band.shape = bands[i];
        band.gain.setGlideFrames(glideFrames_);
        band.coeffs = designBiquad(band.shape.type, sampleRate_, band.shape.frequency,
                                   band.shape.bandwidthOctaves, 0.0);
    }
}

EQUnit::~EQUnit() = default;

const EQBandShape& EQUnit::bandShape(std::size_t band) const noexcept {
    static const EQBandShape kNoBand{};
    return band < bandCount_ ? bands_[band].shape : kNoBand;
}

void EQUnit::setBandGain(std::size_t band, float db) noexcept {
    if (band < bandCount_)
        bands_[band].gainDb.store(clampGain(db), std::memory_order_relaxed);
}

float EQUnit::bandGain(std::size_t band) const noexcept {
    return band < bandCount_ ? bands_[band].gainDb.load(std::memory_order_relaxed) : 0.0f;
}

void EQUnit::setBandBypass(std::size_t band, bool bypassed) noexcept {
    if (band < bandCount_)
        bands_[band].bypass.store(bypassed, std::memory_order_relaxed);
}

bool EQUnit::bandBypassed(std::size_t band) const noexcept {
    return band < bandCount_ && bands_[band].bypass.load(std::memory_order_relaxed);
}

void EQUnit::setGlobalGain(float db) noexcept {
    globalDb_.store(clampGain(db), std::memory_order_relaxed);
}

float EQUnit::globalGain() const noexcept {
    return globalDb_.load(std::memory_order_relaxed);
}

void EQUnit::setBypass(bool bypassed) noexcept {
    bypass_.store(bypassed, std::memory_order_relaxed);
}

bool EQUnit::bypassed() const noexcept {
    return bypass_.load(std::memory_order_relaxed);
}

void EQUnit::process(float* left, float* right, std::size_t frames) noexcept {
    while (frames > 0) {
        const auto chunk = std::min(frames, BypassCrossfade::kMaxFrames);
        processChunk(left, right, chunk);
        left += chunk;
        right += chunk;
        frames -= chunk;
    }
}

void EQUnit::reset() noexcept {
    bypassFade_.reset(bypass_.load(std::memory_order_relaxed));
    snapToTargets();
}

void EQUnit::snapToTargets() noexcept {
    for (std::size_t i = 0; i < bandCount_; ++i) {
        Band& band = bands_[i];
        const double db = band.targetDb();
        band.gain.snap(db);
        band.coeffs = designBiquad(band.shape.type, sampleRate_, band.shape.frequency,
                                   band.shape.bandwidthOctaves, db);
        band.coeffsDb = db;
        band.filter.reset();
        band.ringFrames = 0;
    }
    global_.snap(static_cast<double>(globalDb_.load(std::memory_order_relaxed)));
}

void EQUnit::processChunk(float* left, float* right, std::size_t frames) noexcept {
    const auto step =
        bypassFade_.begin(bypass_.load(std::memory_order_relaxed), left, right, frames);
    if (!step.process)
        return;
    if (step.restart)
        snapToTargets(); // the crossfade from the dry signal hides the jump
    processBands(left, right, frames);
    applyGlobalGain(left, right, frames);
    bypassFade_.end(left, right, frames);
}

void EQUnit::processBands(float* left, float* right, std::size_t frames) noexcept {
    // Which bands are in circuit: any that is not flat, or still gliding, or still
    // ringing out after reaching 0 dB.
    std::size_t count = 0;
    bool gliding = false;
    for (std::size_t i = 0; i < bandCount_; ++i) {
        Band& band = bands_[i];
        band.gain.retarget(band.targetDb());
        if (!band.gain.moving() && band.gain.value() == 0.0 && band.ringFrames == 0)
            continue;
        gliding = gliding || band.gain.moving();
        if (!band.gain.moving() && band.coeffsDb != band.gain.value()) {
            band.coeffsDb = band.gain.value();
            band.coeffs = designBiquad(band.shape.type, sampleRate_, band.shape.frequency,
                                       band.shape.bandwidthOctaves, band.coeffsDb);
        }
        active_[count] = &band;
        activeCoefficients_[count] = &band.coeffs;
        activeFilters_[count] = &band.filter;
        ++count;
    }
    if (count == 0)
        return;

    if (!gliding) {
        processBiquadCascade(activeCoefficients_.data(), activeFilters_.data(), count, left, right,
                             frames);
    } else {
        // Fresh coefficients for every sub-block of a gliding band, at the gain the
        // sub-block's end reaches. Each design is a stable filter and neighbouring ones
        // differ by a fraction of a dB, so the state carries over without a transient.
        for (std::size_t offset = 0; offset < frames; offset += kSubBlock) {
            const auto n = std::min(kSubBlock, frames - offset);
            for (std::size_t k = 0; k < count; ++k) {
                Band& band = *active_[k];
                if (!band.gain.moving())
                    continue;
                band.coeffsDb = band.gain.advance(n);
                band.coeffs = designBiquad(band.shape.type, sampleRate_, band.shape.frequency,
                                           band.shape.bandwidthOctaves, band.coeffsDb);
            }
            processBiquadCascade(activeCoefficients_.data(), activeFilters_.data(), count,
                                 left + offset, right + offset, n);
        }
    }

    // A band that has arrived at 0 dB stays in circuit until what its filter holds has
    // rung out; after that it is a wire and is skipped.
    for (std::size_t k = 0; k < count; ++k) {
        Band& band = *active_[k];
        if (band.gain.moving() || band.gain.value() != 0.0) {
            band.ringFrames = tailFrames_;
        } else if (band.ringFrames > frames) {
            band.ringFrames -= frames;
        } else {
            band.ringFrames = 0;
            band.filter.reset(); // what is left is far below the float resolution
        }
    }
}

void EQUnit::applyGlobalGain(float* left, float* right, std::size_t frames) noexcept {
    global_.retarget(static_cast<double>(globalDb_.load(std::memory_order_relaxed)));
    if (!global_.moving()) {
        if (global_.value() == 0.0)
            return;
        const auto gain = static_cast<float>(dbToAmplitude(global_.value()));
        for (std::size_t i = 0; i < frames; ++i) {
            left[i] *= gain;
            right[i] *= gain;
        }
        return;
    }
    for (std::size_t offset = 0; offset < frames; offset += kSubBlock) {
        const auto n = std::min(kSubBlock, frames - offset);
        const auto from = static_cast<float>(dbToAmplitude(global_.value()));
        const auto to = static_cast<float>(dbToAmplitude(global_.advance(n)));
        const float step = (to - from) / static_cast<float>(n);
        for (std::size_t i = 0; i < n; ++i) {
            const float gain = from + step * static_cast<float>(i + 1);
            left[offset + i] *= gain;
            right[offset + i] *= gain;
        }
    }
}

} // namespace orvane
