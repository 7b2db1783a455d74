#pragma once

// Owning handles for FFmpeg objects. Private to src/media: FFmpeg's headers stay out
// of every public header of Orvane. A handle exists only once codecs() has loaded the
// libraries, so its deleter may call into them.

#include "media/FfmpegCodecs.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <memory>
#include <mutex>
#include <string>

namespace orvane::ffmpeg {

// The loaded libraries' entry points, for code that has already had codecs() succeed.
inline const Codecs& ff() {
    return *codecs();
}

struct FormatContextCloser {
    void operator()(AVFormatContext* fc) const noexcept { ff().avformat_close_input(&fc); }
};
struct CodecContextFreer {
    void operator()(AVCodecContext* cc) const noexcept { ff().avcodec_free_context(&cc); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const noexcept { ff().av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const noexcept { av_frame_free(&f); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

// Opens `path` for reading with `demuxer` (nullptr: FFmpeg probes for one) into
// `context`. The path is a file name, never a URL: "file:" keeps FFmpeg from reading a
// colon in it as a protocol, and the whitelist keeps a crafted file from opening others.
// FFmpeg's status: negative when the file cannot be opened.
inline int openLocalFile(const std::string& path, const AVInputFormat* demuxer,
                         FormatContextPtr& context) {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened = ff().avformat_open_input(&raw, ("file:" + path).c_str(), demuxer, &options);
    av_dict_free(&options);
    if (opened >= 0)
        context.reset(raw);
    return opened;
}

// The stream Orvane plays from a file: its first audio stream that is not a cover picture.
inline const AVStream* firstAudioStream(const AVFormatContext& context) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream* st = context.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return st;
    }
    return nullptr;
}

// Nothing is logged: FFmpeg's messages about broken files would otherwise reach stderr.
inline void silenceLogOnce() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace orvane::ffmpeg
