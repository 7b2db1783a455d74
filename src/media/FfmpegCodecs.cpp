#include "media/FfmpegCodecs.h"

#include "runtime/Diagnostics.h"

#include <mutex>
#include <type_traits>

#include <dlfcn.h>

namespace orvane::ffmpeg {

namespace {

// The sonames of the versions whose headers Orvane was built with: another major
// version has another ABI and must not be called through these declarations.
#define ORVANE_STRINGIFY_(x) #x
#define ORVANE_STRINGIFY(x) ORVANE_STRINGIFY_(x)
constexpr const char* kAvcodecName = "libavcodec.so." ORVANE_STRINGIFY(LIBAVCODEC_VERSION_MAJOR);
constexpr const char* kAvformatName = "libavformat.so." ORVANE_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
#undef ORVANE_STRINGIFY
#undef ORVANE_STRINGIFY_

class Loader {
public:
    // Fills `api`; false with `error_` set when a library or an entry point is missing.
    bool load(Codecs& api) {
        // libavformat needs libavcodec; both share the libavutil Orvane links.
        avcodec_ = open(kAvcodecName);
        avformat_ = avcodec_ ? open(kAvformatName) : nullptr;
        if (!avcodec_ || !avformat_)
            return false;
        bool ok = true;
        const auto find = [&ok, this](void* library, auto& entry, const char* name) {
            void* symbol = ok ? dlsym(library, name) : nullptr;
            if (!symbol && ok) {
                error_ = std::string("FFmpeg's ") + name + " is missing";
                ok = false;
            }
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(symbol);
        };
        void* fmt = avformat_;
        void* dec = avcodec_;
        decltype(&::avformat_version) formatVersion = nullptr;
        decltype(&::avcodec_version) codecVersion = nullptr;
        find(fmt, formatVersion, "avformat_version");
        find(dec, codecVersion, "avcodec_version");
        if (!ok)
            return false;
        if (AV_VERSION_MAJOR(formatVersion()) != LIBAVFORMAT_VERSION_MAJOR ||
            AV_VERSION_MAJOR(codecVersion()) != LIBAVCODEC_VERSION_MAJOR) {
            error_ = "FFmpeg's libraries are of another major version than Orvane's build";
            return false;
        }
        find(fmt, api.avformat_open_input, "avformat_open_input");
        find(fmt, api.avformat_close_input, "avformat_close_input");
        find(fmt, api.avformat_find_stream_info, "avformat_find_stream_info");
        find(fmt, api.avformat_seek_file, "avformat_seek_file");
        find(fmt, api.avformat_index_get_entries_count, "avformat_index_get_entries_count");
        find(fmt, api.avformat_index_get_entry, "avformat_index_get_entry");
        find(fmt, api.av_find_input_format, "av_find_input_format");
        find(fmt, api.av_read_frame, "av_read_frame");
        find(fmt, api.avio_seek, "avio_seek");
        find(dec, api.avcodec_find_decoder, "avcodec_find_decoder");
        find(dec, api.avcodec_alloc_context3, "avcodec_alloc_context3");
        find(dec, api.avcodec_free_context, "avcodec_free_context");
        find(dec, api.avcodec_parameters_to_context, "avcodec_parameters_to_context");
        find(dec, api.avcodec_open2, "avcodec_open2");
        find(dec, api.avcodec_send_packet, "avcodec_send_packet");
        find(dec, api.avcodec_receive_frame, "avcodec_receive_frame");
        find(dec, api.av_packet_alloc, "av_packet_alloc");
        find(dec, api.av_packet_free, "av_packet_free");
        find(dec, api.av_packet_unref, "av_packet_unref");
        find(dec, api.av_get_bits_per_sample, "av_get_bits_per_sample");
        return ok;
    }

    const std::string& error() const { return error_; }

private:
    void* open(const char* name) {
        void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            error_ = std::string("cannot load ") + name + (why ? std::string(": ") + why : "");
        }
        return handle;
    }

    // Never closed: a decoder on another thread may still be in them while the program
    // ends, and the process's end unloads them anyway.
    void* avcodec_ = nullptr;
    void* avformat_ = nullptr;
    std::string error_;
};

} // namespace

const Codecs* codecs(std::string* error) {
    static Loader loader;
    static Codecs api{};
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        loaded = loader.load(api);
        // Once for the run: every file opened afterwards fails with the same reason.
        if (!loaded)
            reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                             "no audio file can be read: " + loader.error());
    });
    if (!loaded && error)
        *error = loader.error();
    return loaded ? &api : nullptr;
}

} // namespace orvane::ffmpeg
