#pragma once

#include <cstdint>

struct AVFrame;

namespace orvane::media {

// True when convertToFloatPlanar() handles the frame's sample format: unsigned 8-bit,
// signed 16/32/64-bit integer, float and double, each packed or planar.
bool isConvertibleSampleFormat(int avSampleFormat);

// Copies `count` frames starting at frame `srcOffset` of a decoded frame into float
// planar buffers at `dstOffset`. Integers are scaled so that full scale is 1.0 (the
// same factors as libswresample: a 16-bit sample x becomes x / 32768), which keeps
// lossless sources bit-exact. Destination channels the frame lacks are zero-filled;
// frame channels beyond `dstChannels` are ignored. The caller checks the format first.
void convertToFloatPlanar(const AVFrame& frame, int srcOffset, int count, float* const* dst,
                          std::int64_t dstOffset, int dstChannels);

// Writes `count` zero frames into each destination channel at `dstOffset`.
void fillSilence(float* const* dst, std::int64_t dstOffset, std::int64_t count, int dstChannels);

} // namespace orvane::media
