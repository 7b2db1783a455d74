#include "media/SampleConvert.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstddef>

namespace orvane::media {

namespace {

// Full-scale factors, powers of two so that the conversion of a lossless source is
// exact whenever the sample fits a float's mantissa.
constexpr float kScaleU8 = 1.0f / 128.0f;
constexpr float kScaleS16 = 1.0f / 32768.0f;
constexpr double kScaleS32 = 1.0 / 2147483648.0;
constexpr double kScaleS64 = 1.0 / 9223372036854775808.0;

float toFloat(std::uint8_t v) {
    return static_cast<float>(static_cast<int>(v) - 128) * kScaleU8;
}
float toFloat(std::int16_t v) {
    return static_cast<float>(v) * kScaleS16;
}
float toFloat(std::int32_t v) {
    return static_cast<float>(static_cast<double>(v) * kScaleS32);
}
float toFloat(std::int64_t v) {
    return static_cast<float>(static_cast<double>(v) * kScaleS64);
}
float toFloat(float v) {
    return v;
}
float toFloat(double v) {
    return static_cast<float>(v);
}

// One channel: `stride` is 1 for planar data and the channel count for packed data.
template <typename T>
void convertChannel(const std::uint8_t* base, std::size_t first, std::size_t stride, int count,
                    float* out) {
    const T* in = reinterpret_cast<const T*>(base) + first;
    for (int i = 0; i < count; ++i)
        out[i] = toFloat(in[static_cast<std::size_t>(i) * stride]);
}

template <typename T>
void convertAll(const AVFrame& frame, bool planar, int srcChannels, int srcOffset, int count,
                float* const* dst, std::int64_t dstOffset, int channels) {
    const auto offset = static_cast<std::size_t>(srcOffset);
    const auto stride = static_cast<std::size_t>(srcChannels);
    for (int c = 0; c < channels; ++c) {
        float* out = dst[c] + dstOffset;
        const auto ch = static_cast<std::size_t>(c);
        if (planar)
            convertChannel<T>(frame.extended_data[c], offset, 1, count, out);
        else
            convertChannel<T>(frame.extended_data[0], offset * stride + ch, stride, count, out);
    }
}

} // namespace

bool isConvertibleSampleFormat(int avSampleFormat) {
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(avSampleFormat))) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        return true;
    default:
        return false;
    }
}

void convertToFloatPlanar(const AVFrame& frame, int srcOffset, int count, float* const* dst,
                          std::int64_t dstOffset, int dstChannels) {
    if (count <= 0)
        return;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int srcChannels = frame.ch_layout.nb_channels;
    const int channels = std::min(srcChannels, dstChannels);

    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        convertAll<std::uint8_t>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset,
                                 channels);
        break;
    case AV_SAMPLE_FMT_S16:
        convertAll<std::int16_t>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset,
                                 channels);
        break;
    case AV_SAMPLE_FMT_S32:
        convertAll<std::int32_t>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset,
                                 channels);
        break;
    case AV_SAMPLE_FMT_S64:
        convertAll<std::int64_t>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset,
                                 channels);
        break;
    case AV_SAMPLE_FMT_FLT:
        convertAll<float>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset, channels);
        break;
    case AV_SAMPLE_FMT_DBL:
        convertAll<double>(frame, planar, srcChannels, srcOffset, count, dst, dstOffset, channels);
        break;
    default:
        // Not reached: the reader checks isConvertibleSampleFormat() first. Silence is
        // the safe answer for a format this function does not know.
        fillSilence(dst, dstOffset, count, dstChannels);
        return;
    }
    for (int c = std::max(channels, 0); c < dstChannels; ++c)
        std::fill_n(dst[c] + dstOffset, count, 0.0f);
}

void fillSilence(float* const* dst, std::int64_t dstOffset, std::int64_t count, int dstChannels) {
    if (count <= 0)
        return;
    for (int c = 0; c < dstChannels; ++c)
        std::fill_n(dst[c] + dstOffset, count, 0.0f);
}

} // namespace orvane::media
