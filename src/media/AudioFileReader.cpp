#include "media/AudioFileReader.h"

#include "media/FLACTail.h"
#include "media/FfmpegHandles.h"
#include "media/FramePlacer.h"
#include "media/MP3FrameWalk.h"
#include "media/MP3InfoTag.h"
#include "media/SampleConvert.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>

namespace orvane {

namespace {

// Bounds that keep corrupt input from hanging a reader.
constexpr int kMaxConsecutiveErrors = 500;
constexpr std::int64_t kMaxPacketsWithoutOutput = 100000;

// The MPEG audio decoder's own delay, which the LAME tag's encoder delay excludes.
constexpr int kMP3DecoderDelay = 529;
constexpr int kMusepackDecoderDelay = 481;

std::string errorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

bool isPCM(AVCodecID id) {
    return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

// FFmpeg's WMA decoders drop some frames at the start and add some at the end, so the
// container's duration is not what a read delivers: it is an estimate until the end is read.
// Musepack's demuxer states a duration that is far off (1.7 s for a 3 s file): taken as
// exact, it would cut the track short.
bool durationIsEstimate(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS || id == AV_CODEC_ID_WMAVOICE ||
           id == AV_CODEC_ID_MUSEPACK7 || id == AV_CODEC_ID_MUSEPACK8;
}

bool isMpegAudio(AVCodecID id) {
    return id == AV_CODEC_ID_MP3 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP1;
}

// Frames decoded before a seek target so that the decoder's state (overlap, bit
// reservoir, filter memory) is settled when the target arrives; with enough of it the
// samples after a seek are bit-identical to a read from the start. Measured: a low-rate
// MP3 needs 6 frames (its bit reservoir reaches back up to 511 bytes, which is several
// small frames), AAC-LC one frame. MP3 gets 10 frames (enough for MPEG-2's smaller
// frames too), AAC and anything else a second, which also covers SBR's longer memory.
std::int64_t prerollFrames(AVCodecID id, int sampleRate) {
    if (isPCM(id))
        return 0;
    switch (id) {
    case AV_CODEC_ID_FLAC:
    case AV_CODEC_ID_ALAC:
    case AV_CODEC_ID_WAVPACK:
    case AV_CODEC_ID_TTA:
        return 0; // frames decode independently
    case AV_CODEC_ID_MP3:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP1:
        return 10 * 1152;
    default:
        return sampleRate;
    }
}

bool headerIsComplete(const AVStream& st) {
    const AVCodecParameters& p = *st.codecpar;
    return p.codec_id != AV_CODEC_ID_NONE && p.sample_rate > 0 && p.ch_layout.nb_channels > 0 &&
           st.duration != AV_NOPTS_VALUE && st.duration > 0;
}

} // namespace

class AudioFileReader::Impl {
public:
    bool open(const std::string& path, std::string& error);
    void setDecoderThreads(int threads) { decoderThreads_ = std::max(threads, 1); }

    double sampleRate() const { return sampleRate_; }
    int channelCount() const { return channels_; }
    std::int64_t lengthFrames() const { return length_; }
    bool isLengthExact() const { return lengthExact_; }
    std::int64_t framePosition() const { return position_; }
    bool hasError() const { return failed_; }
    std::string containerTag(const char* key) const {
        for (const AVDictionary* dict : {fc_->metadata, stream_->metadata}) {
            if (const AVDictionaryEntry* entry = av_dict_get(dict, key, nullptr, 0);
                entry != nullptr && entry->value != nullptr && *entry->value != '\0')
                return entry->value;
        }
        return {};
    }
    std::int64_t packetsDecoded() const { return packetsDecoded_; }
    std::int64_t bytesRead() const { return fc_ && fc_->pb ? fc_->pb->bytes_read : 0; }

    bool seek(std::int64_t target);
    std::int64_t read(float* const* channels, std::int64_t capacity);

private:
    enum class SyncResult { None, Exact, Late, Unknown };

    bool openDecoder(std::string& error);
    void computeLength(const std::string& path);
    void countMpegFrames(const std::string& path);
    void settleCutMP3(const std::string& path, const media::MP3InfoTag& tag);
    void settleCutFLAC(const std::string& path);
    void settleCutMP4();
    void settleCutPCM();
    std::int64_t startFrames() const;
    void findTrueEndOfPCM();

    bool decodeMore();
    int readPacket();
    bool acceptFrame();
    void reachEnd();
    bool fail();
    std::int64_t consume(float* const* out, std::int64_t frames);
    bool hasPending() const { return pendingSilence_ > 0 || frameRemaining_ > 0; }

    bool seekByDemuxer(std::int64_t target);
    bool demuxSeek(std::int64_t from);
    bool restartAt(std::int64_t target);

    ffmpeg::FormatContextPtr fc_;
    ffmpeg::CodecContextPtr cc_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::FramePtr frame_;
    const AVStream* stream_ = nullptr;
    AVCodecID codecId_ = AV_CODEC_ID_NONE;

    int sampleRate_ = 0;
    int channels_ = 0;
    bool formatKnown_ = false;
    std::int64_t length_ = 0;
    bool lengthExact_ = false;
    std::int64_t fileSize_ = 0;
    std::int64_t pcmDataStart_ = -1; // where a WAV's or AIFF's samples start, if known

    std::optional<std::int64_t> startTs_;       // stream time of timeline frame 0
    std::optional<std::int64_t> firstPacketTs_; // stream time of the very first packet
    bool startAtFirstFrame_ = false;            // the first frame decoded is timeline 0
    std::int64_t decoderDelay_ = 0;             // decoded frames before timeline 0

    media::FramePlacer placer_{0};
    SyncResult syncResult_ = SyncResult::None;
    std::int64_t position_ = 0;

    // Decoded samples not yet delivered: silence first, then frame_'s samples.
    std::int64_t pendingSilence_ = 0;
    int frameOffset_ = 0;
    int frameRemaining_ = 0;

    bool draining_ = false;   // the end of input was sent to the decoder
    bool endReached_ = false; // no more samples until the next seek
    bool failed_ = false;
    std::int64_t packetsDecoded_ = 0;
    int decoderThreads_ = 1;
};

// ---- opening -----------------------------------------------------------------------

bool AudioFileReader::Impl::open(const std::string& path, std::string& error) {
    if (!ffmpeg::codecs(&error))
        return false;
    ffmpeg::silenceLogOnce();

    std::error_code ec;
    // A file that has moved or may not be read is the usual reason a track is skipped:
    // the system's word for it says which.
    if (!std::filesystem::is_regular_file(std::filesystem::status(path, ec))) {
        error = ec ? ec.message() : "not a regular file";
        return false;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0) {
        error = "empty or unreadable file";
        return false;
    }

    if (const int opened = ffmpeg::openLocalFile(path, nullptr, fc_); opened < 0) {
        error = "cannot open: " + errorText(opened);
        return false;
    }
    fileSize_ = static_cast<std::int64_t>(size);
    // The WAV and AIFF demuxers leave the file at the first sample once the header is read.
    if (const std::string_view name = fc_->iformat->name; name == "wav" || name == "aiff")
        pcmDataStart_ = ffmpeg::ff().avio_tell(fc_->pb);

    // Reading stream info decodes a little of the file and, for some formats, scans
    // much of it; skip it when the header already says everything that matters.
    const AVStream* st = ffmpeg::firstAudioStream(*fc_);
    if (!st || !headerIsComplete(*st)) {
        const int found = ffmpeg::ff().avformat_find_stream_info(fc_.get(), nullptr);
        if (found < 0) {
            error = "no stream info: " + errorText(found);
            return false;
        }
        st = ffmpeg::firstAudioStream(*fc_);
    }
    if (!st) {
        error = "no audio stream";
        return false;
    }
    stream_ = st;
    for (unsigned i = 0; i < fc_->nb_streams; ++i) {
        if (static_cast<int>(i) != st->index)
            fc_->streams[i]->discard = AVDISCARD_ALL;
    }
    if (st->start_time != AV_NOPTS_VALUE)
        startTs_ = st->start_time;
    const AVCodecParameters& codecpar = *st->codecpar;
    // Musepack's synthesis filter delays its output by 481 samples, which FFmpeg
    // delivers: timeline 0 lies that far into the decoded stream. Its time base counts
    // whole frames of 1152 samples, so the delay is kept in samples.
    if (codecpar.codec_id == AV_CODEC_ID_MUSEPACK8)
        decoderDelay_ = kMusepackDecoderDelay;
    // Matroska gives Vorbis no granule positions: the first packet only primes the
    // decoder, and the first samples heard carry the second packet's timestamp.
    startAtFirstFrame_ = codecpar.codec_id == AV_CODEC_ID_VORBIS &&
                         std::string_view(fc_->iformat->name).find("matroska") == 0;
    // The WAV demuxer asks to sniff the first 32 packets of 16-bit PCM for a hidden
    // compressed stream, running every content probe over them: milliseconds per
    // open. One packet is enough to sniff; the probe size bounds the sniffing.
    fc_->probesize = 32;

    if (!openDecoder(error))
        return false;

    // Decode up to the first audible frame: it tells the true output format (HE-AAC
    // doubles the header's rate, parametric stereo adds a channel) and proves the file
    // decodes at all. Its samples are kept for the first read.
    placer_.sync(0);
    if (!decodeMore() && (failed_ || !formatKnown_)) {
        const AVCodecParameters& p = *st->codecpar;
        if (failed_ || p.sample_rate <= 0 || p.ch_layout.nb_channels <= 0) {
            error = "no decodable audio";
            return false;
        }
        // A well-formed stream without samples: an empty file, length 0.
        sampleRate_ = p.sample_rate;
        channels_ = p.ch_layout.nb_channels;
        formatKnown_ = true;
        length_ = 0;
        lengthExact_ = true;
        return true;
    }

    computeLength(path);
    if (endReached_)
        reachEnd(); // the first packets were all there is
    else if (!lengthExact_ && isPCM(codecId_))
        findTrueEndOfPCM();
    return true;
}

// Creates the decoder afresh. Seeks do this too rather than flush the old one: some
// decoders keep state that a flush leaves alone (AAC's noise substitution draws from a
// running random generator), and a fresh decoder makes a seek to the start repeat the
// first read exactly.
bool AudioFileReader::Impl::openDecoder(std::string& error) {
    codecId_ = stream_->codecpar->codec_id;
    const AVCodec* codec = ffmpeg::ff().avcodec_find_decoder(codecId_);
    if (!codec) {
        error = "no decoder";
        return false;
    }
    cc_.reset(ffmpeg::ff().avcodec_alloc_context3(codec));
    if (!packet_)
        packet_.reset(ffmpeg::ff().av_packet_alloc());
    if (!frame_)
        frame_.reset(av_frame_alloc());
    if (!cc_ || !packet_ || !frame_) {
        error = "out of memory";
        return false;
    }
    if (ffmpeg::ff().avcodec_parameters_to_context(cc_.get(), stream_->codecpar) < 0) {
        error = "bad codec parameters";
        return false;
    }
    // With the packet time base set, libavcodec applies the container's skip-samples
    // side data (start skip, end discard) and keeps frame timestamps right.
    cc_->pkt_timebase = stream_->time_base;
    // Many readers run at once during a scan; a decoder thread pool each would be waste.
    // A file someone waits for may decode frames in parallel where the decoder can.
    cc_->thread_count = decoderThreads_;
    cc_->thread_type = FF_THREAD_FRAME;
    const int opened = ffmpeg::ff().avcodec_open2(cc_.get(), codec, nullptr);
    if (opened < 0) {
        error = "cannot open decoder: " + errorText(opened);
        return false;
    }
    return true;
}

void AudioFileReader::Impl::computeLength(const std::string& path) {
    const AVRational frameBase{1, sampleRate_};
    const AVRational tb = stream_->time_base;
    const bool estimated = fc_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;

    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
        length_ = av_rescale_q(stream_->duration, tb, frameBase);
        lengthExact_ = !estimated && !durationIsEstimate(codecId_);
        // Ogg's Opus duration runs from the first granule, before the pre-skip that the
        // decoder drops through the skip-samples side data: the pre-skip is not heard.
        if (codecId_ == AV_CODEC_ID_OPUS && startTs_.value_or(0) == 0)
            length_ -= av_rescale(stream_->codecpar->initial_padding, sampleRate_, 48000);
    } else if (fc_->duration != AV_NOPTS_VALUE && fc_->duration > 0) {
        length_ = av_rescale(fc_->duration, sampleRate_, AV_TIME_BASE);
        lengthExact_ = false;
    }

    // An MP3's stream duration counts every decoded sample, delay and padding included.
    // With a LAME tag the exact count is known, but FFmpeg keeps the padding to itself:
    // read it from the tag and accept it only if the tag is the one FFmpeg applied.
    if (isMpegAudio(codecId_) && lengthExact_) {
        const std::int64_t start = startTs_ ? *startTs_ : 0;
        const auto tag = media::readMP3InfoTag(path);
        const bool sameTag = tag && tag->sampleRate == sampleRate_ &&
                             av_rescale_q(tag->totalSamples(), frameBase, tb) == stream_->duration;
        if (sameTag && !tag->hasEncoderDelay && start == 0) {
            length_ = tag->totalSamples();
        } else if (sameTag && av_rescale_q(tag->delay + kMP3DecoderDelay, frameBase, tb) == start) {
            length_ = tag->totalSamples() - tag->delay - tag->padding;
        } else {
            length_ = av_rescale_q(stream_->duration - start, tb, frameBase);
            lengthExact_ = false;
        }
        if (lengthExact_)
            settleCutMP3(path, *tag);
    } else if (lengthExact_ && codecId_ == AV_CODEC_ID_FLAC) {
        settleCutFLAC(path);
    } else if (lengthExact_ && isPCM(codecId_)) {
        settleCutPCM();
    } else if (lengthExact_) {
        settleCutMP4();
    }
    if (isMpegAudio(codecId_) && !lengthExact_)
        countMpegFrames(path);
    length_ = std::max<std::int64_t>(length_, 0);
    if (!lengthExact_)
        return;
    // The first frame was placed before the end was known: trim what it delivers.
    placer_.setEnd(length_);
    std::int64_t room = std::max<std::int64_t>(length_ - position_, 0);
    pendingSilence_ = std::min(pendingSilence_, room);
    room -= pendingSilence_;
    frameRemaining_ = static_cast<int>(std::min<std::int64_t>(frameRemaining_, room));
}

// An MPEG audio file without a length header: FFmpeg guesses its length from the bit
// rate of the first frames, seconds off for VBR, and a player that stops at
// lengthFrames() would cut the track short. The frame headers give the exact count
// without decoding: FFmpeg decodes every frame whole, delay and padding included, from
// timeline 0, so that count is what a read delivers. A file with a header frame keeps the
// estimate unless its frames end well before it.
void AudioFileReader::Impl::countMpegFrames(const std::string& path) {
    if (std::string_view(fc_->iformat->name) != "mp3")
        return;
    const auto walk = media::walkMP3Frames(path);
    if (!walk || walk->sampleRate != sampleRate_)
        return;
    if (!walk->infoFrame) {
        if (startTs_.value_or(0) != 0)
            return;
        length_ = walk->samples();
        lengthExact_ = true;
        return;
    }
    // FFmpeg decodes every frame after a header frame, so the count can only tell that
    // the file ends before the estimate (a file cut short, a header that lies).
    const std::int64_t counted = walk->samples() - startFrames();
    if (counted + walk->samplesPerFrame < length_) {
        length_ = std::max<std::int64_t>(counted, 0);
        lengthExact_ = true;
    }
}

// Frames FFmpeg skips at the start (the encoder delay it takes from a LAME tag).
std::int64_t AudioFileReader::Impl::startFrames() const {
    return av_rescale_q(startTs_.value_or(0), stream_->time_base, {1, sampleRate_});
}

// The tag's byte count (or, without one, its frame count at the tag frame's bit rate)
// against the bytes there: only a file that holds fewer is walked, which reads it whole.
// FFmpeg decodes every frame that is there, less the encoder delay at the start; the
// padding it trims at the stated end is never reached.
void AudioFileReader::Impl::settleCutMP3(const std::string& path, const media::MP3InfoTag& tag) {
    const std::int64_t present = fileSize_ - tag.tagOffset;
    const std::int64_t stated =
        tag.byteCount > 0 ? tag.byteCount : (tag.frameCount + 1) * tag.tagFrameBytes;
    if (present >= stated)
        return;
    const auto walk = media::walkMP3Frames(path);
    if (!walk || !walk->infoFrame || walk->sampleRate != sampleRate_ ||
        walk->audioFrames >= tag.frameCount)
        return;
    length_ = std::clamp<std::int64_t>(walk->samples() - startFrames(), 0, length_);
}

// STREAMINFO's total against the last frames in the file, found from their headers.
void AudioFileReader::Impl::settleCutFLAC(const std::string& path) {
    const AVCodecParameters& p = *stream_->codecpar;
    // The native demuxer's extradata is the bare STREAMINFO block.
    if (std::string_view(fc_->iformat->name) != "flac" || p.extradata_size < 34 ||
        startTs_.value_or(0) != 0)
        return;
    const int blockSize = p.extradata[2] << 8 | p.extradata[3]; // the maximum block size
    if (const auto end = media::readFLACCutEnd(path, blockSize, length_))
        length_ = std::clamp<std::int64_t>(*end, 0, length_);
}

// The sample tables against the media data there: the audio ends at the first sample
// whose bytes are not all in the file. The tables are in memory; nothing is read.
void AudioFileReader::Impl::settleCutMP4() {
    if (std::string_view(fc_->iformat->name).find("mp4") == std::string_view::npos)
        return;
    auto* st = const_cast<AVStream*>(stream_);
    const int count = ffmpeg::ff().avformat_index_get_entries_count(st);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* e = ffmpeg::ff().avformat_index_get_entry(st, i);
        if (!e || e->pos < 0 || e->pos + e->size <= fileSize_)
            continue;
        const std::int64_t end =
            av_rescale_q(e->timestamp - startTs_.value_or(0), stream_->time_base, {1, sampleRate_});
        length_ = std::clamp<std::int64_t>(end, 0, length_);
        return;
    }
}

// The data chunk's size against the file's: the audio ends at the last whole sample.
void AudioFileReader::Impl::settleCutPCM() {
    const AVCodecParameters& p = *stream_->codecpar;
    int frameBytes = p.block_align;
    if (frameBytes <= 0)
        frameBytes = ffmpeg::ff().av_get_bits_per_sample(p.codec_id) / 8 * p.ch_layout.nb_channels;
    if (pcmDataStart_ < 0 || frameBytes <= 0 || startTs_.value_or(0) != 0)
        return;
    const std::int64_t present = std::max<std::int64_t>(fileSize_ - pcmDataStart_, 0) / frameBytes;
    length_ = std::min(length_, present);
}

// PCM decodes at memory speed and seeks exactly, so a length that FFmpeg could only
// estimate from the file size (a CAF, or a WAV whose header gives no count) is settled
// at open: decode from just before the estimated end to the true end, further back if
// the estimate was too long, then return to the start.
void AudioFileReader::Impl::findTrueEndOfPCM() {
    const std::int64_t estimate = length_;
    for (const std::int64_t back : {std::int64_t{4096}, std::int64_t{sampleRate_} * 10, estimate}) {
        if (!seek(std::max<std::int64_t>(estimate - back, 0)))
            break;
        while (!endReached_ && !failed_)
            consume(nullptr, std::int64_t{1} << 20);
        if (lengthExact_ || failed_)
            break;
    }
    seek(0);
}

// ---- decoding ----------------------------------------------------------------------

// Decodes until samples are pending. False at the end of the data or on failure.
bool AudioFileReader::Impl::decodeMore() {
    std::int64_t packetsWithoutOutput = 0;
    int consecutiveErrors = 0;
    while (!failed_ && !endReached_) {
        if (placer_.atEnd()) {
            reachEnd();
            break;
        }
        int r = ffmpeg::ff().avcodec_receive_frame(cc_.get(), frame_.get());
        if (r == 0) {
            consecutiveErrors = 0;
            if (acceptFrame())
                return true;
            continue;
        }
        if (r == AVERROR_EOF || (r == AVERROR(EAGAIN) && draining_)) {
            reachEnd();
            break;
        }
        if (r != AVERROR(EAGAIN)) {
            // One undecodable packet; the placer fills its gap with silence.
            if (++consecutiveErrors > kMaxConsecutiveErrors)
                return fail();
            continue;
        }
        if (++packetsWithoutOutput > kMaxPacketsWithoutOutput)
            return fail();
        r = readPacket();
        if (r < 0) {
            // End of file. A read error other than the end ends the stream too, the way
            // a truncated download should play up to where it breaks.
            ffmpeg::ff().avcodec_send_packet(cc_.get(), nullptr);
            draining_ = true;
            continue;
        }
        r = ffmpeg::ff().avcodec_send_packet(cc_.get(), packet_.get());
        ffmpeg::ff().av_packet_unref(packet_.get());
        ++packetsDecoded_;
        if (r < 0 && r != AVERROR(EAGAIN) && ++consecutiveErrors > kMaxConsecutiveErrors)
            return fail();
    }
    return false;
}

int AudioFileReader::Impl::readPacket() {
    for (;;) {
        const int r = ffmpeg::ff().av_read_frame(fc_.get(), packet_.get());
        if (r < 0)
            return r;
        if (packet_->stream_index == stream_->index) {
            const std::int64_t ts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            if (!startTs_)
                startTs_ = ts != AV_NOPTS_VALUE ? ts : 0;
            if (!firstPacketTs_)
                firstPacketTs_ = ts != AV_NOPTS_VALUE ? ts : *startTs_;
            return r;
        }
        ffmpeg::ff().av_packet_unref(packet_.get());
    }
}

bool AudioFileReader::Impl::acceptFrame() {
    const AVFrame& f = *frame_;
    if (!formatKnown_) {
        sampleRate_ = f.sample_rate > 0 ? f.sample_rate : stream_->codecpar->sample_rate;
        channels_ = f.ch_layout.nb_channels > 0 ? f.ch_layout.nb_channels
                                                : stream_->codecpar->ch_layout.nb_channels;
        if (sampleRate_ <= 0 || channels_ <= 0)
            return fail();
        formatKnown_ = true;
        placer_.setMaxJump(2 * std::int64_t{sampleRate_});
        // Timestamps are rounded to a tick of the stream's time base: a millisecond in
        // Matroska. Finer time bases keep the placer's own tolerance.
        const AVRational tb = stream_->time_base;
        placer_.setTolerance(av_rescale_rnd(sampleRate_, tb.num, tb.den, AV_ROUND_UP) + 1);
    }
    if (!media::isConvertibleSampleFormat(f.format))
        return fail();
    if (f.nb_samples <= 0)
        return false;

    std::int64_t ts = f.pts;
    if (ts == AV_NOPTS_VALUE)
        ts = f.best_effort_timestamp;
    if (startAtFirstFrame_ && ts != AV_NOPTS_VALUE)
        startTs_ = ts;
    startAtFirstFrame_ = false;
    std::optional<std::int64_t> pos;
    if (ts != AV_NOPTS_VALUE) {
        pos = av_rescale_q_rnd(ts - startTs_.value_or(0), stream_->time_base, {1, sampleRate_},
                               static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX)) -
              decoderDelay_;
    }

    const bool first = syncResult_ == SyncResult::None;
    const media::Placement p = placer_.place(pos, f.nb_samples);
    if (first) {
        syncResult_ =
            p.unknown ? SyncResult::Unknown : (p.late ? SyncResult::Late : SyncResult::Exact);
    }
    pendingSilence_ = p.silence;
    frameOffset_ = static_cast<int>(p.skip);
    frameRemaining_ = static_cast<int>(p.take);
    return hasPending();
}

void AudioFileReader::Impl::reachEnd() {
    endReached_ = true;
    // The true end of the data is known once a frame was seen on the way to it: it
    // replaces an estimate, and a header that promised more than the file holds.
    const auto dataEnd = placer_.dataEnd();
    if (!dataEnd)
        return;
    const std::int64_t trueEnd = std::max<std::int64_t>(*dataEnd, 0);
    if (lengthExact_ && trueEnd >= length_)
        return;
    length_ = trueEnd;
    lengthExact_ = true;
    placer_.setEnd(length_);
    position_ = std::min(position_, length_);
}

bool AudioFileReader::Impl::fail() {
    failed_ = true;
    pendingSilence_ = 0;
    frameRemaining_ = 0;
    return false;
}

// Delivers (or with `out` null, drops) up to `frames` frames.
std::int64_t AudioFileReader::Impl::consume(float* const* out, std::int64_t frames) {
    std::int64_t done = 0;
    while (done < frames) {
        if (!hasPending() && !decodeMore())
            break;
        if (pendingSilence_ > 0) {
            const std::int64_t n = std::min(pendingSilence_, frames - done);
            if (out)
                media::fillSilence(out, done, n, channels_);
            pendingSilence_ -= n;
            done += n;
            position_ += n;
            continue;
        }
        const auto n = static_cast<int>(std::min<std::int64_t>(frameRemaining_, frames - done));
        if (out)
            media::convertToFloatPlanar(*frame_, frameOffset_, n, out, done, channels_);
        frameOffset_ += n;
        frameRemaining_ -= n;
        done += n;
        position_ += n;
    }
    return done;
}

std::int64_t AudioFileReader::Impl::read(float* const* channels, std::int64_t capacity) {
    if (!channels || capacity <= 0 || failed_)
        return 0;
    return consume(channels, capacity);
}

// ---- seeking -----------------------------------------------------------------------

bool AudioFileReader::Impl::seek(std::int64_t target) {
    if (target < 0)
        return false;
    if (lengthExact_ && target >= length_) {
        // Nothing to decode: park at the end. A later seek repositions the demuxer.
        if (!restartAt(length_))
            return false;
        endReached_ = true;
        return true;
    }
    if (!failed_ && target == position_)
        return true;

    // A short step forward is cheaper to decode through than to seek, and exact.
    const std::int64_t stepLimit = prerollFrames(codecId_, sampleRate_) + 4096;
    if (!failed_ && target > position_ && target - position_ <= stepLimit) {
        consume(nullptr, target - position_);
        return !failed_;
    }
    return seekByDemuxer(target);
}

// Positions the demuxer a preroll before the target and decodes up to it. The first
// decoded frame must start at or before the target; if the demuxer landed later, the
// seek is repeated further back, finally from the start of the stream.
bool AudioFileReader::Impl::seekByDemuxer(std::int64_t target) {
    const std::int64_t preroll = prerollFrames(codecId_, sampleRate_);
    const std::int64_t fromCandidates[] = {target - preroll, target - preroll - sampleRate_, 0};
    for (const std::int64_t candidate : fromCandidates) {
        const std::int64_t from = std::max<std::int64_t>(candidate, 0);
        if (!demuxSeek(from))
            continue;
        if (!restartAt(target))
            return false;
        const bool got = decodeMore();
        if (failed_)
            continue;
        if (!got)
            return true; // the target lies beyond the end of the data
        if (syncResult_ == SyncResult::Exact || from == 0) {
            if (syncResult_ != SyncResult::Unknown)
                return true;
            // No timestamps to land by: count frames from the start instead.
            if (!demuxSeek(0) || !restartAt(0))
                break;
            consume(nullptr, target);
            return !failed_;
        }
    }
    fail();
    return false;
}

bool AudioFileReader::Impl::demuxSeek(std::int64_t from) {
    std::int64_t ts = 0;
    if (from <= 0) {
        // The very first packet, so that priming packets before timeline 0 are decoded.
        if (!firstPacketTs_)
            return true; // nothing has been read since open
        ts = *firstPacketTs_;
    } else {
        ts = startTs_.value_or(0) + av_rescale_q(from, {1, sampleRate_}, stream_->time_base);
    }
    return ffmpeg::ff().avformat_seek_file(fc_.get(), stream_->index, INT64_MIN, ts, ts, 0) >= 0;
}

bool AudioFileReader::Impl::restartAt(std::int64_t target) {
    std::string error;
    av_frame_unref(frame_.get());
    if (!openDecoder(error))
        return fail();
    draining_ = false;
    endReached_ = false;
    failed_ = false;
    pendingSilence_ = 0;
    frameRemaining_ = 0;
    syncResult_ = SyncResult::None;
    placer_.sync(target);
    position_ = target;
    return true;
}

// ---- public face -------------------------------------------------------------------

std::unique_ptr<AudioFileReader> AudioFileReader::open(const std::string& path, std::string* error,
                                                       int decoderThreads) {
    std::string why;
    try {
        auto impl = std::make_unique<Impl>();
        impl->setDecoderThreads(decoderThreads);
        if (impl->open(path, why))
            return std::make_unique<AudioFileReader>(Key{}, std::move(impl));
    } catch (const std::exception& e) { // out of memory: a failure like any other
        why = e.what();
    }
    if (error)
        *error = why;
    return nullptr;
}

AudioFileReader::AudioFileReader(Key, std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
}
AudioFileReader::~AudioFileReader() = default;

double AudioFileReader::sampleRate() const {
    return impl_->sampleRate();
}
int AudioFileReader::channelCount() const {
    return impl_->channelCount();
}
std::int64_t AudioFileReader::lengthFrames() const {
    return impl_->lengthFrames();
}
bool AudioFileReader::isLengthExact() const {
    return impl_->isLengthExact();
}
std::int64_t AudioFileReader::framePosition() const {
    return impl_->framePosition();
}
bool AudioFileReader::seek(std::int64_t frame) {
    return impl_->seek(frame);
}
std::int64_t AudioFileReader::read(float* const* channels, std::int64_t capacity) {
    return impl_->read(channels, capacity);
}
std::string AudioFileReader::containerTag(const char* key) const {
    return impl_->containerTag(key);
}

bool AudioFileReader::hasError() const {
    return impl_->hasError();
}
std::int64_t AudioFileReader::packetsDecoded() const {
    return impl_->packetsDecoded();
}
std::int64_t AudioFileReader::bytesRead() const {
    return impl_->bytesRead();
}

} // namespace orvane
