#include "tags/ContainerTagWriter.h"

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include <flacfile.h>
#include <id3v2framefactory.h>
#include <mp4file.h>
#include <opusfile.h>
#include <tbytevectorstream.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

namespace orvane {

namespace {

// The tag library's in-memory stream, with one repair: replacing a range that runs past
// the end (a cut-short Ogg page of a damaged file) would move a negative number of bytes
// there. The range is cut at the end instead, as the file-backed stream does.
class BoundedByteVectorStream final : public TagLib::ByteVectorStream {
public:
    using ByteVectorStream::ByteVectorStream;

    void insert(const TagLib::ByteVector& data, unsigned long start,
                unsigned long replace) override {
        const auto size = static_cast<unsigned long>(length());
        start = std::min(start, size);
        replace = std::min(replace, size - start);
        ByteVectorStream::insert(data, start, replace);
    }
};

TagLib::String text(const std::string& utf8) {
    return TagLib::String(utf8, TagLib::String::UTF8);
}

std::string numberText(const std::optional<int>& number) {
    return number ? std::to_string(*number) : std::string();
}

// A field set to `value`, or removed when the value is empty, together with the other
// names it goes by, which would otherwise still show the old value.
void setXiph(TagLib::Ogg::XiphComment& comment, const char* key, const std::string& value,
             std::initializer_list<const char*> aliases = {}) {
    for (const char* alias : aliases)
        comment.removeFields(alias);
    if (value.empty())
        comment.removeFields(key);
    else
        comment.addField(key, text(value), true);
}

void writeXiph(TagLib::Ogg::XiphComment& comment, const TagValues& tags) {
    setXiph(comment, "TITLE", tags.title);
    setXiph(comment, "ARTIST", tags.artist);
    setXiph(comment, "ALBUM", tags.album);
    setXiph(comment, "ALBUMARTIST", tags.albumArtist, {"ALBUM ARTIST", "ALBUM_ARTIST"});
    setXiph(comment, "GENRE", tags.genre);
    setXiph(comment, "DATE", tags.year, {"YEAR"});
    // A total belongs to its number: without a number, neither is stored.
    setXiph(comment, "TRACKNUMBER", numberText(tags.trackNumber));
    setXiph(comment, "TRACKTOTAL", tags.trackNumber ? numberText(tags.trackTotal) : "",
            {"TOTALTRACKS"});
    setXiph(comment, "DISCNUMBER", numberText(tags.discNumber));
    setXiph(comment, "DISCTOTAL", tags.discNumber ? numberText(tags.discTotal) : "",
            {"TOTALDISCS"});
    setXiph(comment, "COMPOSER", tags.composer);
    setXiph(comment, "COMMENT", tags.comment, {"DESCRIPTION"});
}

void setMP4(TagLib::MP4::Tag& tag, const char* atom, const std::string& value) {
    if (value.empty())
        tag.removeItem(atom);
    else
        tag.setItem(atom, TagLib::StringList(text(value)));
}

void setMP4Pair(TagLib::MP4::Tag& tag, const char* atom, const std::optional<int>& number,
                const std::optional<int>& total) {
    if (number)
        tag.setItem(atom, TagLib::MP4::Item(*number, total.value_or(0)));
    else
        tag.removeItem(atom);
}

void writeMP4(TagLib::MP4::Tag& tag, const TagValues& tags) {
    setMP4(tag, "\251nam", tags.title);
    setMP4(tag, "\251ART", tags.artist);
    setMP4(tag, "\251alb", tags.album);
    setMP4(tag, "aART", tags.albumArtist);
    tag.removeItem("gnre"); // the old numeric genre would outlive a cleared text genre
    setMP4(tag, "\251gen", tags.genre);
    setMP4(tag, "\251day", tags.year);
    setMP4Pair(tag, "trkn", tags.trackNumber, tags.trackTotal);
    setMP4Pair(tag, "disk", tags.discNumber, tags.discTotal);
    setMP4(tag, "\251wrt", tags.composer);
    setMP4(tag, "\251cmt", tags.comment);
}

const char* formatName(ContainerTagWriter::Format format) {
    switch (format) {
    case ContainerTagWriter::Format::flac:
        return "FLAC";
    case ContainerTagWriter::Format::oggVorbis:
        return "Ogg Vorbis";
    case ContainerTagWriter::Format::opus:
        return "Opus";
    case ContainerTagWriter::Format::mp4:
        break;
    }
    return "MP4";
}

// The file of the chosen format over `stream`; null when the content is not of that
// format. Pictures and blocks other than the tag are read but never touched.
std::unique_ptr<TagLib::File> openAs(TagLib::IOStream& stream, ContainerTagWriter::Format format) {
    using Format = ContainerTagWriter::Format;
    const auto properties = TagLib::AudioProperties::Fast;
    std::unique_ptr<TagLib::File> file;
    switch (format) {
    case Format::flac:
        file = std::make_unique<TagLib::FLAC::File>(
            &stream, TagLib::ID3v2::FrameFactory::instance(), false, properties);
        break;
    case Format::oggVorbis:
        file = std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false, properties);
        break;
    case Format::opus:
        file = std::make_unique<TagLib::Ogg::Opus::File>(&stream, false, properties);
        break;
    case Format::mp4:
        file = std::make_unique<TagLib::MP4::File>(&stream, false, properties);
        break;
    }
    if (!file || !file->isValid() || file->tag() == nullptr)
        return nullptr;
    return file;
}

void edit(TagLib::File& file, ContainerTagWriter::Format format, const TagValues& tags) {
    using Format = ContainerTagWriter::Format;
    switch (format) {
    case Format::flac:
        writeXiph(*static_cast<TagLib::FLAC::File&>(file).xiphComment(true), tags);
        break;
    case Format::oggVorbis:
        writeXiph(*static_cast<TagLib::Ogg::Vorbis::File&>(file).tag(), tags);
        break;
    case Format::opus:
        writeXiph(*static_cast<TagLib::Ogg::Opus::File&>(file).tag(), tags);
        break;
    case Format::mp4:
        writeMP4(*static_cast<TagLib::MP4::File&>(file).tag(), tags);
        break;
    }
}

} // namespace

std::vector<std::uint8_t> ContainerTagWriter::rewrite(std::span<const std::uint8_t> file,
                                                      Format format, const TagValues& tags) {
    if (file.size() > std::numeric_limits<unsigned int>::max())
        throw TagWriteError(TagWriteError::Code::readFailed,
                            "The file is too large for its tags to be changed.");
    BoundedByteVectorStream stream(TagLib::ByteVector(reinterpret_cast<const char*>(file.data()),
                                                      static_cast<unsigned int>(file.size())));
    const auto opened = openAs(stream, format);
    if (!opened)
        throw TagWriteError(TagWriteError::Code::readFailed,
                            std::string("The file could not be read as ") + formatName(format) +
                                ", so its tags were not changed.");
    edit(*opened, format, tags);
    const auto refuse = [format] {
        return TagWriteError(TagWriteError::Code::writeFailed,
                             std::string("The tags could not be stored in the ") +
                                 formatName(format) + " file.");
    };
    if (!opened->save())
        throw refuse();
    const TagLib::ByteVector& out = *stream.data();
    // A damaged file the tag library accepts may come out of a save as one it cannot
    // read back: such a result never replaces the user's file.
    TagLib::ByteVectorStream check(out);
    if (!openAs(check, format))
        throw refuse();
    const auto* data = reinterpret_cast<const std::uint8_t*>(out.data());
    return std::vector<std::uint8_t>(data, data + out.size());
}

} // namespace orvane
