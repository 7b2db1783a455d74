#include "tags/EmbeddedPicture.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include <aifffile.h>
#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

namespace orvane {

namespace {

struct Candidate {
    TagLib::ByteVector data;
    TagLib::String mimeType;
    bool front = false;
};

void addID3Pictures(TagLib::ID3v2::Tag* tag, std::vector<Candidate>& out) {
    if (tag == nullptr)
        return;
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        if (const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame))
            out.push_back({apic->picture(), apic->mimeType(),
                           apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
    }
}

void addFLACPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures,
                     std::vector<Candidate>& out) {
    for (const TagLib::FLAC::Picture* picture : pictures)
        out.push_back({picture->data(), picture->mimeType(),
                       picture->type() == TagLib::FLAC::Picture::FrontCover});
}

void addXiphPictures(TagLib::Ogg::XiphComment* comment, std::vector<Candidate>& out) {
    if (comment != nullptr)
        addFLACPictures(comment->pictureList(), out);
}

// MP4 cover atoms carry no type: the first is the cover.
void addMP4Pictures(TagLib::MP4::Tag* tag, std::vector<Candidate>& out) {
    if (tag == nullptr || !tag->contains("covr"))
        return;
    for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList()) {
        const char* mime = art.format() == TagLib::MP4::CoverArt::PNG ? "image/png" : "image/jpeg";
        out.push_back({art.data(), mime, false});
    }
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::vector<Candidate> candidates(const std::filesystem::path& path) {
    std::vector<Candidate> out;
    const std::string ext = lowerExtension(path);
    const char* name = path.c_str();
    constexpr bool kNoProperties = false;
    if (ext == ".mp3") {
        TagLib::MPEG::File file(name, kNoProperties);
        if (file.isValid() && file.hasID3v2Tag())
            addID3Pictures(file.ID3v2Tag(), out);
    } else if (ext == ".wav") {
        TagLib::RIFF::WAV::File file(name, kNoProperties);
        if (file.isValid() && file.hasID3v2Tag())
            addID3Pictures(file.ID3v2Tag(), out);
    } else if (ext == ".aif" || ext == ".aiff" || ext == ".aifc") {
        TagLib::RIFF::AIFF::File file(name, kNoProperties);
        if (file.isValid() && file.hasID3v2Tag())
            addID3Pictures(file.tag(), out);
    } else if (ext == ".flac") {
        TagLib::FLAC::File file(name, kNoProperties);
        if (file.isValid())
            addFLACPictures(file.pictureList(), out);
    } else if (ext == ".ogg" || ext == ".oga") {
        // Vorbis or FLAC in Ogg; whichever parses.
        TagLib::Ogg::Vorbis::File vorbis(name, kNoProperties);
        if (vorbis.isValid()) {
            addXiphPictures(vorbis.tag(), out);
        } else {
            TagLib::Ogg::FLAC::File flac(name, kNoProperties);
            if (flac.isValid())
                addXiphPictures(flac.tag(), out);
        }
    } else if (ext == ".opus") {
        TagLib::Ogg::Opus::File file(name, kNoProperties);
        if (file.isValid())
            addXiphPictures(file.tag(), out);
    } else if (ext == ".m4a" || ext == ".m4b" || ext == ".mp4") {
        TagLib::MP4::File file(name, kNoProperties);
        if (file.isValid())
            addMP4Pictures(file.tag(), out);
    }
    return out;
}

} // namespace

std::optional<EmbeddedPicture> readEmbeddedPicture(const std::filesystem::path& path) {
    std::vector<Candidate> found;
    try {
        found = candidates(path);
    } catch (const std::exception&) {
        return std::nullopt; // the tag library ran out of memory on a damaged file
    }
    std::erase_if(found, [](const Candidate& c) {
        return c.data.isEmpty() || c.data.size() > kMaxEmbeddedPictureBytes;
    });
    if (found.empty())
        return std::nullopt;
    const auto front =
        std::find_if(found.begin(), found.end(), [](const Candidate& c) { return c.front; });
    const Candidate& chosen = front != found.end() ? *front : found.front();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(chosen.data.data());
    return EmbeddedPicture{std::vector<std::uint8_t>(bytes, bytes + chosen.data.size()),
                           chosen.mimeType.to8Bit(true)};
}

} // namespace orvane
