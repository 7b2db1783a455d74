#include "media/ContainerTagsProbe.h"

#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/error.h>
}

namespace orvane::media {

std::optional<ContainerTagsProbe> ContainerTagsProbe::open(const std::string& path,
                                                           std::string* error) {
    ffmpeg::silenceLogOnce();
    // As AudioFileReader opens files: a path, never a URL, and no other protocol.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &options);
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
