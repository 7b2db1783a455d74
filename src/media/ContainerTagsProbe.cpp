#include "media/ContainerTagsProbe.h"

#include "media/FfmpegHandles.h"
#include "media/FileBytes.h"
#include "media/MP3InfoTag.h"

extern "C" {
#include <libavutil/error.h>
}

#include <array>
#include <cstring>

namespace orvane::media {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, const char* tag) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// The demuxer FFmpeg's probe settles on for the containers whose lengths the headers
// give (ContainerLength.h), named from the same first bytes. The probe runs every
// demuxer's test over the file's start, which costs more than the rest of the open;
// nullptr leaves it to the probe.
const AVInputFormat* knownDemuxer(const std::string& path) {
    const auto file = FileBytes::open(path);
    if (!file)
        return nullptr;
    std::array<std::uint8_t, 12> head{};
    const auto start = file->read(0, head);
    if (startsWith(start, 0, "RIFF") && startsWith(start, 8, "WAVE"))
        return av_find_input_format("wav");
    if (startsWith(start, 0, "FORM") &&
        (startsWith(start, 8, "AIFF") || startsWith(start, 8, "AIFC")))
        return av_find_input_format("aiff");
    if (startsWith(start, 0, "wvpk"))
        return av_find_input_format("wv");
    std::int64_t offset = 0;
    if (start.size() >= 10)
        offset = static_cast<std::int64_t>(
            id3v2TagSize(std::span<const std::uint8_t, 10>(start.data(), 10)));
    std::array<std::uint8_t, 4> magic{};
    const auto at = offset > 0 ? file->read(offset, magic)
                               : start.first(std::min<std::size_t>(4, start.size()));
    if (startsWith(at, 0, "fLaC"))
        return av_find_input_format("flac");
    if (startsWith(at, 0, "TTA1"))
        return av_find_input_format("tta");
    if (at.size() == 4 && at[0] == 0xff && (at[1] & 0xe0) == 0xe0)
        return av_find_input_format("mp3");
    return nullptr;
}

} // namespace

std::optional<ContainerTagsProbe> ContainerTagsProbe::open(const std::string& path,
                                                           std::string* error) {
    ffmpeg::silenceLogOnce();
    // As AudioFileReader opens files: a path, never a URL, and no other protocol.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened =
        avformat_open_input(&raw, ("file:" + path).c_str(), knownDemuxer(path), &options);
    av_dict_free(&options);
    if (opened < 0) {
        if (error) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(opened, text, sizeof text);
            *error = text;
        }
        return std::nullopt;
    }
    return ContainerTagsProbe(raw);
}

void ContainerTagsProbe::Closer::operator()(AVFormatContext* context) const noexcept {
    avformat_close_input(&context);
}

std::string ContainerTagsProbe::tag(const char* key) const {
    const AVDictionary* streamTags = nullptr;
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        const AVStream* st = context_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            streamTags = st->metadata;
            break;
        }
    }
    for (const AVDictionary* dict :
         {static_cast<const AVDictionary*>(context_->metadata), streamTags}) {
        if (const AVDictionaryEntry* entry = av_dict_get(dict, key, nullptr, 0);
            entry != nullptr && entry->value != nullptr && *entry->value != '\0')
            return entry->value;
    }
    return {};
}

} // namespace orvane::media
