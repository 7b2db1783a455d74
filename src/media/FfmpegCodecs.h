#pragma once

// FFmpeg's demuxing and decoding libraries (libavformat, libavcodec), loaded on first
// use rather than with the program. Debian builds them against a hundred other
// libraries (video codecs, network protocols, disc readers); loading those at start
// costs a window that opens on a large library about 70 ms, for files it does not read
// until after its first frame. libavutil and libswresample, which the audio path uses
// while it plays, stay linked as usual. Private to src/media, like FfmpegHandles.h.
//
// Threading: any thread may call codecs(); the first call loads the libraries (tens of
// milliseconds; the loader's lock is held meanwhile), later calls return at once. Never
// from the audio thread.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvane::ffmpeg {

// The entry points of libavformat and libavcodec Orvane calls, by their own names.
struct Codecs {
    decltype(&::avformat_open_input) avformat_open_input;
    decltype(&::avformat_close_input) avformat_close_input;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info;
    decltype(&::avformat_seek_file) avformat_seek_file;
    decltype(&::avformat_index_get_entries_count) avformat_index_get_entries_count;
    decltype(&::avformat_index_get_entry) avformat_index_get_entry;
    decltype(&::av_find_input_format) av_find_input_format;
    decltype(&::av_read_frame) av_read_frame;
    decltype(&::avio_seek) avio_seek;

    decltype(&::avcodec_find_decoder) avcodec_find_decoder;
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
    decltype(&::avcodec_free_context) avcodec_free_context;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
    decltype(&::avcodec_open2) avcodec_open2;
    decltype(&::avcodec_send_packet) avcodec_send_packet;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame;
    decltype(&::av_packet_alloc) av_packet_alloc;
    decltype(&::av_packet_free) av_packet_free;
    decltype(&::av_packet_unref) av_packet_unref;
    decltype(&::av_get_bits_per_sample) av_get_bits_per_sample;

    // The position in an open file, as avio_tell (an inline over avio_seek).
    std::int64_t avio_tell(AVIOContext* io) const { return avio_seek(io, 0, SEEK_CUR); }
};

// The libraries' entry points, or nullptr when they cannot be loaded (not installed, or
// a major version other than the one Orvane was built against); `error`, when given,
// then receives a short English reason. The answer never changes after the first call.
const Codecs* codecs(std::string* error = nullptr);

} // namespace orvane::ffmpeg
