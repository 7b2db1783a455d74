#include "media/SampleConvert.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

constexpr int kChannels = 2;
constexpr int kSamples = 75; // runs of 16 and a remainder

// A stereo frame of `format` whose sample i of channel c holds value(i, c), scaled to the
// format's range, and that value again as the float the conversion should give.
FramePtr makeFrame(AVSampleFormat format) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->nb_samples = kSamples;
    av_channel_layout_default(&frame->ch_layout, kChannels);
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    for (int c = 0; c < kChannels; ++c) {
        for (int i = 0; i < kSamples; ++i) {
            // Full-scale steps of 1/128, which every format holds exactly.
            const double v = ((i * 37 + c * 11) % 256 - 128) / 128.0;
            const int index = planar ? i : i * kChannels + c;
            std::uint8_t* data = frame->extended_data[planar ? c : 0];
            switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_U8:
                data[index] = static_cast<std::uint8_t>(std::lround(v * 128) + 128);
                break;
            case AV_SAMPLE_FMT_S16:
                reinterpret_cast<std::int16_t*>(data)[index] =
                    static_cast<std::int16_t>(std::lround(v * 32768));
                break;
            case AV_SAMPLE_FMT_S32:
                reinterpret_cast<std::int32_t*>(data)[index] =
                    static_cast<std::int32_t>(std::llround(v * 2147483648.0));
                break;
            case AV_SAMPLE_FMT_FLT:
                reinterpret_cast<float*>(data)[index] = static_cast<float>(v);
                break;
            case AV_SAMPLE_FMT_DBL:
                reinterpret_cast<double*>(data)[index] = v;
                break;
            default:
                return nullptr;
            }
        }
    }
    return frame;
}

// Every format, packed and planar, from any offset and for any count, gives the same
// floats at the right places and touches nothing around them.
TEST(SampleConvert, EveryFormatConvertsEachSampleToItsPlace) {
    for (const AVSampleFormat format :
         {AV_SAMPLE_FMT_U8, AV_SAMPLE_FMT_U8P, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P,
          AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_S32P, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_FLTP,
          AV_SAMPLE_FMT_DBL, AV_SAMPLE_FMT_DBLP}) {
        const FramePtr frame = makeFrame(format);
        ASSERT_TRUE(frame) << av_get_sample_fmt_name(format);
        ASSERT_TRUE(isConvertibleSampleFormat(format));
        for (const auto& [from, count] : {std::pair{0, kSamples}, std::pair{3, 16},
                                          std::pair{5, 33}, std::pair{kSamples - 1, 1}}) {
            SCOPED_TRACE(std::string(av_get_sample_fmt_name(format)) + " from " +
                         std::to_string(from) + " count " + std::to_string(count));
            constexpr int kAt = 2; // where the destination is written
            std::vector<float> left(kSamples + 4, -9.0f), right(kSamples + 4, -9.0f);
            float* dst[] = {left.data(), right.data()};
            convertToFloatPlanar(*frame, from, count, dst, kAt, kChannels);
            for (int c = 0; c < kChannels; ++c) {
                const std::vector<float>& out = c == 0 ? left : right;
                for (int i = 0; i < static_cast<int>(out.size()); ++i) {
                    const int source = i - kAt + from;
                    const bool written = i >= kAt && i < kAt + count;
                    const double want =
                        written ? ((source * 37 + c * 11) % 256 - 128) / 128.0 : -9.0;
                    ASSERT_EQ(out[static_cast<std::size_t>(i)], static_cast<float>(want))
                        << "channel " << c << " index " << i;
                }
            }
        }
    }
}

} // namespace
} // namespace orvane::media
