#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace orvane {

// Planar stereo frames that grow as needed (decoder thread only).
struct StereoFrames {
    std::vector<float> left;
    std::vector<float> right;

    std::size_t size() const { return left.size(); }
    void clear() {
        left.clear();
        right.clear();
    }
};

// Turns a file's float planar samples into stereo at the output rate: mono is doubled,
// stereo passes, more channels are mixed down; the rate is converted with
// libswresample's soxr engine when it differs. One converter runs across every region
// of a chain of same-format regions, so a seam between them comes out exactly as the
// uncut signal would.
//
// Timing: output frame k stands for the instant k / outRate after the chain's first
// input frame (the resampler's own delay is compensated), so the input frames [0, n)
// map to the output frames [0, outputFrames(n)). Without rate conversion the samples
// are copied bit for bit.
//
// Threading: one thread (the decoder's).
class FormatConverter {
public:
    // Throws std::runtime_error when libswresample cannot be set up.
    FormatConverter(int inRate, int channels, int outRate);
    ~FormatConverter();
    FormatConverter(const FormatConverter&) = delete;
    FormatConverter& operator=(const FormatConverter&) = delete;

    bool accepts(int inRate, int channels) const {
        return inRate == inRate_ && channels == channels_;
    }
    bool resamples() const { return swr_ != nullptr; }

    // Output frames that stand for the first `inputFrames` input frames: the first
    // output frame at or after the instant the input frames end.
    std::int64_t outputFrames(std::int64_t inputFrames) const;

    // Converts `frames` frames of channels[0 .. channels-1] and appends what comes out
    // (with rate conversion, a little less until drain()).
    void convert(const float* const* channels, std::size_t frames, StereoFrames& out);
    // Appends what the resampler still holds at the end of the chain.
    void drain(StereoFrames& out);

private:
    void appendResampled(int produced, StereoFrames& out);

    int inRate_;
    int channels_;
    int outRate_;
    SwrContext* swr_ = nullptr;
    int swrOutChannels_ = 0;
    std::vector<float> scratchLeft_;
    std::vector<float> scratchRight_;
};

} // namespace orvane
