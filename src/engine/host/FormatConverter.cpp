#include "engine/host/FormatConverter.h"

#include <algorithm>
#include <stdexcept>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace orvane {

namespace {

void appendCopy(std::vector<float>& dst, const float* src, std::size_t frames) {
    dst.insert(dst.end(), src, src + frames);
}

} // namespace

FormatConverter::FormatConverter(int inRate, int channels, int outRate)
    : inRate_(inRate), channels_(channels), outRate_(outRate) {
    if (inRate <= 0 || outRate <= 0 || channels <= 0)
        throw std::runtime_error("invalid audio format");
    if (inRate == outRate && channels <= 2)
        return; // a plain copy: nothing to set up

    AVChannelLayout inLayout{};
    AVChannelLayout outLayout{};
    av_channel_layout_default(&inLayout, channels);
    // Mono stays mono through the resampler and is doubled afterwards: the rematrix
    // would lower a centre channel by 3 dB.
    swrOutChannels_ = channels == 1 ? 1 : 2;
    av_channel_layout_default(&outLayout, swrOutChannels_);
    int status = swr_alloc_set_opts2(&swr_, &outLayout, AV_SAMPLE_FMT_FLTP, outRate, &inLayout,
                                     AV_SAMPLE_FMT_FLTP, inRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (status >= 0 && inRate != outRate) {
        av_opt_set(swr_, "resampler", "soxr", 0);
        av_opt_set_double(swr_, "precision", 28.0, 0);
    }
    if (status >= 0 && channels > 2)
        av_opt_set_double(swr_, "rematrix_maxval", 1.0, 0); // a mixdown never clips
    if (status >= 0)
        status = swr_init(swr_);
    if (status < 0) {
        swr_free(&swr_);
        throw std::runtime_error("cannot set up the resampler");
    }
}

FormatConverter::~FormatConverter() {
    swr_free(&swr_);
}

std::int64_t FormatConverter::outputFrames(std::int64_t inputFrames) const {
    if (inRate_ == outRate_)
        return inputFrames;
    return (inputFrames * outRate_ + inRate_ - 1) / inRate_;
}

void FormatConverter::convert(const float* const* channels, std::size_t frames, StereoFrames& out) {
    if (frames == 0)
        return;
    if (!swr_) {
        appendCopy(out.left, channels[0], frames);
        appendCopy(out.right, channels[channels_ > 1 ? 1 : 0], frames);
        return;
    }
    const int inFrames = static_cast<int>(frames);
    const int capacity = swr_get_out_samples(swr_, inFrames);
    scratchLeft_.resize(static_cast<std::size_t>(std::max(capacity, 0)));
    scratchRight_.resize(scratchLeft_.size());
    uint8_t* outPlanes[2] = {reinterpret_cast<uint8_t*>(scratchLeft_.data()),
                             reinterpret_cast<uint8_t*>(scratchRight_.data())};
    const int produced = swr_convert(
        swr_, outPlanes, capacity,
        reinterpret_cast<const uint8_t**>(const_cast<const float**>(channels)), inFrames);
    appendResampled(produced, out);
}

void FormatConverter::drain(StereoFrames& out) {
    if (!swr_)
        return;
    for (;;) {
        const int capacity = std::max(swr_get_out_samples(swr_, 0), 256);
        scratchLeft_.resize(static_cast<std::size_t>(capacity));
        scratchRight_.resize(scratchLeft_.size());
        uint8_t* outPlanes[2] = {reinterpret_cast<uint8_t*>(scratchLeft_.data()),
                                 reinterpret_cast<uint8_t*>(scratchRight_.data())};
        const int produced = swr_convert(swr_, outPlanes, capacity, nullptr, 0);
        if (produced <= 0)
            return;
        appendResampled(produced, out);
    }
}

void FormatConverter::appendResampled(int produced, StereoFrames& out) {
    if (produced <= 0)
        return;
    const auto frames = static_cast<std::size_t>(produced);
    appendCopy(out.left, scratchLeft_.data(), frames);
    appendCopy(out.right, (swrOutChannels_ == 2 ? scratchRight_ : scratchLeft_).data(), frames);
}

} // namespace orvane
