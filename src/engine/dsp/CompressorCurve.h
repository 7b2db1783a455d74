#pragma once

namespace orvane {

// The soft-knee corner shared by every bend of the curve: 0 well below the corner, the
// distance past it well above, a parabola joining the two inside the knee.
inline double softKneeExcess(double overDb, double kneeDb) noexcept {
    const double half = 0.5 * kneeDb;
    if (overDb <= -half)
        return 0.0;
    if (overDb >= half)
        return overDb;
    const double inKnee = overDb + half;
    return inKnee * inKnee / (2.0 * kneeDb);
}

// The compressor's static curve: output level against steady input level, in dB.
//
// Above the threshold a span of kSpanDb dB of input is squeezed into `headRoomDb` dB of
// output (a ratio of kSpanDb / headRoomDb: the smaller the head room, the harder the
// compression), and past that span the output stays at threshold + head room, which it
// therefore never exceeds. Below the expansion threshold the level falls
// `expansionRatio` times faster than the input (1 switches expansion off), down to
// kMaxExpansionDb below where it would be. Every corner
// is a soft knee kKneeDb wide (a quadratic blend, as in Giannoulis, Massberg and Reiss,
// "Digital Dynamic Range Compressor Design", JAES 2012), so the slope never jumps.
struct CompressorCurve {
    static constexpr double kSpanDb = 40.0;
    static constexpr double kKneeDb = 6.0;
    // The expander lowers a level by at most this much: far enough to be silence, and
    // not so far that the attack smoothing takes ages to open up again.
    static constexpr double kMaxExpansionDb = 120.0;

    double thresholdDb = -20.0;
    double headRoomDb = 5.0;
    double expansionRatio = 1.0;
    double expansionThresholdDb = -120.0;

    // How far the curve lowers a steady level of `levelDb`, in dB (>= 0): the sum of
    // the compressor's and the expander's part.
    double gainReductionDb(double levelDb) const noexcept {
        return compressionDb(levelDb) + expansionDb(levelDb);
    }
    double compressionDb(double levelDb) const noexcept;
    double expansionDb(double levelDb) const noexcept;
    bool expands() const noexcept { return expansionRatio > 1.0; }
    double outputDb(double levelDb) const noexcept { return levelDb - gainReductionDb(levelDb); }
    // The ratio the head room stands for.
    double ratio() const noexcept { return kSpanDb / headRoomDb; }
};

// Inline: the compressor evaluates these for every frame.
inline double CompressorCurve::compressionDb(double levelDb) const noexcept {
    // Slope 1 below the threshold, 1/ratio above it, 0 beyond the span; each change of
    // slope adds (old slope - new slope) x the level's excess over that corner.
    const double inverseRatio = headRoomDb / kSpanDb;
    const double over = levelDb - thresholdDb;
    return (1.0 - inverseRatio) * softKneeExcess(over, kKneeDb) +
           inverseRatio * softKneeExcess(over - kSpanDb, kKneeDb);
}

inline double CompressorCurve::expansionDb(double levelDb) const noexcept {
    if (!expands())
        return 0.0;
    const double reduction =
        (expansionRatio - 1.0) * softKneeExcess(expansionThresholdDb - levelDb, kKneeDb);
    return reduction < kMaxExpansionDb ? reduction : kMaxExpansionDb;
}

} // namespace orvane
