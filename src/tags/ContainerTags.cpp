#include "tags/ContainerTags.h"

#include "media/FileBytes.h"
#include "tags/FileBytesStream.h"
#include "tags/ID3Fields.h"
#include "tags/ID3v2Frames.h"
#include "tags/NamedFields.h"
#include "tags/TagText.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <aifffile.h>
#include <asftag.h>
#include <fileref.h>
#include <id3v2framefactory.h>
#include <mpegfile.h>
#include <tag.h>
#include <tpropertymap.h>
#include <wavfile.h>

namespace orvane {

namespace {

using id3v2::Bytes;

Bytes toBytes(const TagLib::ByteVector& v) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(v.data());
    return Bytes(data, data + v.size());
}

// AIFF and WAV files keep an ID3v2 tag as a chunk; the tag library parses it but does
// not hand out its bytes, which the frame reading needs as stored.
template <class Base>
class RiffWithID3 : public Base {
public:
    explicit RiffWithID3(TagLib::IOStream* stream)
        : Base(stream, true, TagLib::AudioProperties::Fast) {}

    Bytes id3Chunk() {
        for (unsigned int i = 0; i < this->chunkCount(); ++i) {
            const TagLib::ByteVector name = this->chunkName(i);
            if (name == "ID3 " || name == "id3 ")
                return toBytes(this->chunkData(i));
        }
        return {};
    }
};

// The ID3v2 tag at the start of an MP3 file, read through the already open file.
Bytes leadingID3Tag(TagLib::File& file) {
    file.seek(0);
    const Bytes header = toBytes(file.readBlock(id3v2::kHeaderSize));
    const auto length = id3v2::declaredTagLength(header);
    if (!length)
        return {};
    file.seek(0);
    return toBytes(file.readBlock(*length));
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<std::string> commonText(const TagLib::String& value) {
    if (value.isEmpty())
        return std::nullopt;
    return tagtext::fixMojibake(value.to8Bit(true));
}

// The kinds of file whose own tags the tag library reads in full. Others (ADTS, CAF,
// Matroska, and TTA, whose APEv2 tags it skips) are left to the decoder's view.
bool tagLibraryReadsTags(const std::string& ext) {
    static constexpr std::string_view kKnown[] = {
        ".mp3", ".wav", ".aif", ".aiff", ".aifc", ".flac", ".ogg", ".oga", ".opus",
        ".spx", ".m4a", ".m4b", ".mp4",  ".wv",   ".mpc",  ".ape", ".wma", ".asf"};
    return std::find(std::begin(kKnown), std::end(kKnown), ext) != std::end(kKnown);
}

// The named fields of formats without ID3v2 frames: Vorbis comments, MP4 atoms, APE
// items, ASF attributes.
void applyPropertyFields(TagLib::File& file, TrackMetadata& meta) {
    const TagLib::PropertyMap properties = file.properties();
    const auto lookup = [&properties](const char* key) -> std::optional<std::string> {
        const auto it = properties.find(key);
        if (it == properties.end())
            return std::nullopt;
        for (const TagLib::String& value : it->second) {
            if (!value.isEmpty())
                return value.to8Bit(true);
        }
        return std::nullopt;
    };
    applyNamedFields(lookup, kPropertyKeys, meta);
    // FFmpeg keeps a WMA comment as a "Description" attribute, outside the content
    // description the tag library maps.
    if (auto* asf = dynamic_cast<TagLib::ASF::Tag*>(file.tag()); asf && !meta.comment) {
        const TagLib::ASF::AttributeList list = asf->attribute("Description");
        if (!list.isEmpty())
            meta.comment = commonText(list.front().toString());
    }
}

// The opened file and, where there is one, the bytes of its ID3v2 tag.
struct OpenedFile {
    std::unique_ptr<FileBytesStream> stream; // outlives the file reading it
    std::unique_ptr<TagLib::File> owned;
    TagLib::FileRef ref; // owns the file when the type was left to the tag library
    TagLib::File* file = nullptr;
    // Tags holding the common fields, first choice first.
    std::vector<TagLib::Tag*> tags;
    Bytes id3;
    bool id3Only = false; // the fields beyond the common ones come from ID3v2 alone
};

OpenedFile open(const std::filesystem::path& path, std::optional<media::FileBytes> bytes) {
    OpenedFile opened;
    if (!bytes)
        return opened;
    opened.stream = std::make_unique<FileBytesStream>(path.string(), std::move(*bytes));
    TagLib::IOStream* stream = opened.stream.get();
    const std::string ext = lowerExtension(path);
    opened.id3Only = ext == ".mp3" || ext == ".wav" || ext.starts_with(".aif");
    if (ext == ".mp3") {
        auto mpeg = std::make_unique<TagLib::MPEG::File>(
            stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Fast);
        if (mpeg->isValid())
            opened.id3 = leadingID3Tag(*mpeg);
        opened.owned = std::move(mpeg);
    } else if (ext == ".wav") {
        auto wav = std::make_unique<RiffWithID3<TagLib::RIFF::WAV::File>>(stream);
        if (wav->isValid()) {
            opened.id3 = wav->id3Chunk();
            // The WAV file's tag() is its ID3 chunk alone; the RIFF INFO list is the
            // other place WAV files keep titles.
            opened.tags = {wav->ID3v2Tag(), wav->InfoTag()};
        }
        opened.owned = std::move(wav);
    } else if (ext == ".aif" || ext == ".aiff" || ext == ".aifc") {
        auto aiff = std::make_unique<RiffWithID3<TagLib::RIFF::AIFF::File>>(stream);
        if (aiff->isValid())
            opened.id3 = aiff->id3Chunk();
        opened.owned = std::move(aiff);
    } else {
        opened.ref = TagLib::FileRef(stream, true, TagLib::AudioProperties::Fast);
    }
    opened.file = opened.owned ? opened.owned.get() : opened.ref.file();
    if (opened.tags.empty() && opened.file != nullptr)
        opened.tags = {opened.file->tag()};
    return opened;
}

bool readTags(const std::filesystem::path& path, std::optional<media::FileBytes> bytes,
              TrackMetadata& meta) {
    const bool known = tagLibraryReadsTags(lowerExtension(path));
    OpenedFile opened = open(path, std::move(bytes));
    TagLib::File* file = opened.file;
    if (file == nullptr || !file->isValid())
        return false;

    for (const TagLib::Tag* tag : opened.tags) {
        if (tag == nullptr)
            continue;
        if (!meta.title)
            meta.title = commonText(tag->title());
        if (!meta.artist)
            meta.artist = commonText(tag->artist());
        if (!meta.album)
            meta.album = commonText(tag->album());
    }

    // ID3v2.2 tags have three-character frame ids, which none of the fields use.
    if (const auto tag = id3v2::parseTag(opened.id3))
        applyID3Frames(tag->frames, meta);
    else if (known && !opened.id3Only)
        applyPropertyFields(*file, meta);

    if (const TagLib::AudioProperties* properties = file->audioProperties()) {
        if (properties->bitrate() > 0)
            meta.bitrateKbps = properties->bitrate();
    }
    return known;
}

} // namespace

bool readContainerTags(const std::filesystem::path& path, TrackMetadata& meta) {
    return readTags(path, media::FileBytes::open(path.string()), meta);
}

bool readContainerTags(const std::filesystem::path& path, const media::FileBytes& file,
                       TrackMetadata& meta) {
    auto own = file.duplicate();
    return readTags(path, own ? std::move(own) : media::FileBytes::open(path.string()), meta);
}

} // namespace orvane
