#include "media/ContainerProbe.h"

#include "media/FfmpegHandles.h"
#include "media/FileBytes.h"
#include "media/MP3InfoTag.h"

extern "C" {
#include <libavutil/error.h>
}

#include <array>
#include <cstring>
#include <string_view>

namespace orvane::media {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, const char* tag) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// The demuxer FFmpeg's probe settles on, named from the file's first bytes, and whether
// statedLength() may find a length in that container.
struct KnownDemuxer {
    const AVInputFormat* demuxer = nullptr; // nullptr: left to FFmpeg's probe
    bool mayStateLength = false;
};

KnownDemuxer knownDemuxer(const FileBytes* file) {
    if (file == nullptr)
        return {};
    std::array<std::uint8_t, 12> head{};
    const auto start = file->read(0, head);
    const auto named = [](const char* name) {
        return KnownDemuxer{ffmpeg::ff().av_find_input_format(name), false};
    };
    const auto stating = [](const char* name) {
        return KnownDemuxer{ffmpeg::ff().av_find_input_format(name), true};
    };
    if (startsWith(start, 0, "RIFF") && startsWith(start, 8, "WAVE"))
        return stating("wav"); // which may hold WMA
    if (startsWith(start, 0, "FORM") &&
        (startsWith(start, 8, "AIFF") || startsWith(start, 8, "AIFC")))
        return named("aiff");
    if (startsWith(start, 0, "wvpk"))
        return named("wv");
    if (startsWith(start, 4, "ftyp"))
        return named("mp4");
    if (startsWith(start, 0, "OggS"))
        return named("ogg");
    if (startsWith(start, 0, "caff"))
        return named("caf");
    // The containers whose lengths only the demuxer states (statedLength()).
    static constexpr std::uint8_t kAsfHeader[] = {0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11};
    if (start.size() >= sizeof kAsfHeader &&
        std::memcmp(start.data(), kAsfHeader, sizeof kAsfHeader) == 0)
        return stating("asf");
    if (startsWith(start, 0, "\x1a\x45\xdf\xa3"))
        return stating("matroska");
    if (startsWith(start, 0, "MPCK"))
        return stating("mpc8");
    std::int64_t offset = 0;
    if (start.size() >= 10)
        offset = static_cast<std::int64_t>(
            id3v2TagSize(std::span<const std::uint8_t, 10>(start.data(), 10)));
    std::array<std::uint8_t, 4> magic{};
    const auto at = offset > 0 ? file->read(offset, magic)
                               : start.first(std::min<std::size_t>(4, start.size()));
    if (startsWith(at, 0, "fLaC"))
        return named("flac");
    if (startsWith(at, 0, "TTA1"))
        return named("tta");
    // ADTS shares MPEG audio's sync word; its layer bits are zero, which MPEG audio's never are.
    if (at.size() == 4 && at[0] == 0xff && (at[1] & 0xf6) == 0xf0)
        return named("aac");
    if (at.size() == 4 && at[0] == 0xff && (at[1] & 0xe0) == 0xe0)
        return named("mp3");
    return {};
}

bool isWMA(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS;
}

} // namespace

std::optional<ContainerProbe> ContainerProbe::open(const std::string& path, Containers containers,
                                                   std::string* error) {
    const auto file = FileBytes::open(path);
    return open(file ? &*file : nullptr, path, containers, error);
}

std::optional<ContainerProbe> ContainerProbe::open(const FileBytes& file, const std::string& path,
                                                   Containers containers, std::string* error) {
    return open(&file, path, containers, error);
}

std::optional<ContainerProbe> ContainerProbe::open(const FileBytes* file, const std::string& path,
                                                   Containers containers, std::string* error) {
    std::string why;
    if (!ffmpeg::codecs(&why)) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    ffmpeg::silenceLogOnce();
    const KnownDemuxer known = knownDemuxer(file);
    if (containers == Containers::lengthStating && !known.mayStateLength) {
        if (error)
            *error = "not a container that states its length";
        return std::nullopt;
    }
    ffmpeg::FormatContextPtr context;
    if (const int opened = ffmpeg::openLocalFile(path, known.demuxer, context); opened < 0) {
        if (error) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(opened, text, sizeof text);
            *error = text;
        }
        return std::nullopt;
    }
    return ContainerProbe(context.release());
}

void ContainerProbe::Closer::operator()(AVFormatContext* context) const noexcept {
    ffmpeg::ff().avformat_close_input(&context);
}

std::string ContainerProbe::tag(const char* key) const {
    const AVStream* audio = ffmpeg::firstAudioStream(*context_);
    const AVDictionary* streamTags = audio ? audio->metadata : nullptr;
    for (const AVDictionary* dict :
         {static_cast<const AVDictionary*>(context_->metadata), streamTags}) {
        if (const AVDictionaryEntry* entry = av_dict_get(dict, key, nullptr, 0);
            entry != nullptr && entry->value != nullptr && *entry->value != '\0')
            return entry->value;
    }
    return {};
}

// AudioFileReader::open takes these lengths from the container as they stand: the WMA
// and Musepack decoders' durations are estimates it keeps until a read reaches the end,
// and Matroska states only the whole file's duration. Each decoder here keeps the
// container's rate. A stated length under a second is left to the decoder, which may
// read such a file to its end while opening it and then states what it read.
std::optional<ContainerLength> ContainerProbe::statedLength() const {
    const AVStream* st = ffmpeg::firstAudioStream(*context_);
    if (!st || st->codecpar->sample_rate <= 0 || st->codecpar->ch_layout.nb_channels <= 0)
        return std::nullopt;
    const AVCodecID codec = st->codecpar->codec_id;
    const int rate = st->codecpar->sample_rate;
    const bool inMatroska = std::string_view(context_->iformat->name).starts_with("matroska");
    std::int64_t frames = 0;
    if (isWMA(codec) || codec == AV_CODEC_ID_MUSEPACK7 || codec == AV_CODEC_ID_MUSEPACK8) {
        if (st->duration == AV_NOPTS_VALUE || st->duration <= 0)
            return std::nullopt;
        frames = av_rescale_q(st->duration, st->time_base, {1, rate});
    } else if (inMatroska && (codec == AV_CODEC_ID_FLAC || codec == AV_CODEC_ID_VORBIS)) {
        if (st->duration != AV_NOPTS_VALUE || context_->duration == AV_NOPTS_VALUE)
            return std::nullopt;
        frames = av_rescale(context_->duration, rate, AV_TIME_BASE);
    } else {
        return std::nullopt;
    }
    if (frames < rate)
        return std::nullopt;
    return ContainerLength{frames, rate};
}

} // namespace orvane::media
