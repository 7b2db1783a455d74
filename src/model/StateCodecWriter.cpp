#include "model/StateCodec.h"
#include "model/StateFields.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string_view>

#include <rapidjson/writer.h>

namespace orvane {

namespace {

using namespace statefile;

// RapidJSON's output stream: collects the text in a buffer and hands it to the sink a
// large piece at a time, so that a big library is never held in memory as one string.
// A '/' can only occur inside a string in JSON text, so escaping it here writes exactly
// the "\/" form Orvane's files use.
class SlashEscapingStream {
public:
    using Ch = char;
    static constexpr std::size_t pieceSize = 1 << 20;

    explicit SlashEscapingStream(const JsonSink& sink)
        : sink_(sink), buffer_(std::make_unique<char[]>(pieceSize)), capacity_(pieceSize) {}

    void Put(char c) {
        reserve(1);
        putUnchecked(c);
    }
    void Flush() {}
    // Hands the rest to the sink; false when the sink refused any piece.
    bool finish() {
        flush();
        return ok_;
    }

    // RapidJSON reserves room before each run of unchecked writes (strings, numbers);
    // these overloads, found by argument-dependent lookup, make those runs branch-free.
    friend void PutReserve(SlashEscapingStream& stream, std::size_t count) {
        stream.reserve(count);
    }
    friend void PutUnsafe(SlashEscapingStream& stream, char c) { stream.putUnchecked(c); }

private:
    // Room for `count` characters, each of which may be doubled by the escaping.
    void reserve(std::size_t count) {
        const std::size_t needed = 2 * count;
        if (capacity_ - used_ >= needed)
            return;
        flush();
        if (capacity_ < needed) { // one very long string
            buffer_ = std::make_unique<char[]>(needed);
            capacity_ = needed;
        }
    }
    void putUnchecked(char c) {
        if (c == '/')
            buffer_[used_++] = '\\';
        buffer_[used_++] = c;
    }
    void flush() {
        if (used_ > 0 && ok_)
            ok_ = sink_(std::string_view(buffer_.get(), used_));
        used_ = 0;
    }

    const JsonSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

using JsonWriter = rapidjson::Writer<SlashEscapingStream>;

bool writeString(JsonWriter& writer, std::string_view text) {
    if (text.size() > std::numeric_limits<rapidjson::SizeType>::max())
        return false;
    return writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

template <typename T>
bool writeValue(JsonWriter& writer, const T& value);

template <typename Record>
bool writeRecord(JsonWriter& writer, const Record& record) {
    bool ok = writer.StartObject();
    Fields<Record>::visit(record, [&](std::string_view key, const auto& value) {
        using Field = std::remove_cvref_t<decltype(value)>;
        if (!ok)
            return;
        if constexpr (IsOptional<Field>::value) {
            if (value)
                ok = writeString(writer, key) && writeValue(writer, *value);
        } else {
            ok = writeString(writer, key) && writeValue(writer, value);
        }
    });
    return ok && writer.EndObject();
}

template <typename T>
bool writeValue(JsonWriter& writer, const T& value) {
    if constexpr (std::is_same_v<T, double>) {
        return std::isfinite(value) && writer.Double(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        return writer.Bool(value);
    } else if constexpr (std::is_same_v<T, int>) {
        return writer.Int(value);
    } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
        return writeString(writer, value);
    } else if constexpr (std::is_same_v<T, Uuid>) {
        return writeString(writer, value.toString());
    } else if constexpr (std::is_enum_v<T>) {
        return writeString(writer, rawValue(value));
    } else if constexpr (IsVector<T>::value) {
        if (!writer.StartArray())
            return false;
        for (const auto& element : value)
            if (!writeValue(writer, element))
                return false;
        return writer.EndArray();
    } else if constexpr (std::is_same_v<T, PresetMap>) {
        if (!writer.StartObject())
            return false;
        for (const auto& [name, gains] : value)
            if (!writeString(writer, name) || !writeValue(writer, gains))
                return false;
        return writer.EndObject();
    } else {
        static_assert(isRecord<T>, "no JSON form for this type");
        return writeRecord(writer, value);
    }
}

// JSON has no number for NaN or infinity. Checking every double before writing anything
// means a refused encoding hands nothing to the sink.
template <typename T>
bool allFinite(const T& value) {
    if constexpr (std::is_same_v<T, double>) {
        return std::isfinite(value);
    } else if constexpr (IsOptional<T>::value) {
        return !value || allFinite(*value);
    } else if constexpr (IsVector<T>::value) {
        for (const auto& element : value)
            if (!allFinite(element))
                return false;
        return true;
    } else if constexpr (std::is_same_v<T, PresetMap>) {
        for (const auto& entry : value)
            if (!allFinite(entry.second))
                return false;
        return true;
    } else if constexpr (isRecord<T>) {
        bool finite = true;
        Fields<T>::visit(value, [&](std::string_view, const auto& field) {
            finite = finite && allFinite(field);
        });
        return finite;
    } else {
        return true;
    }
}

template <typename T>
bool encode(const T& value, const JsonSink& sink) {
    if (!allFinite(value))
        return false;
    SlashEscapingStream stream(sink);
    JsonWriter writer(stream);
    const bool written = writeValue(writer, value) && writer.IsComplete();
    return stream.finish() && written;
}

template <typename T>
std::optional<std::string> encodeToString(const T& value) {
    std::string out;
    if (!encode(value, [&](std::string_view piece) {
            out.append(piece);
            return true;
        }))
        return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> toJson(const Track& track) {
    return encodeToString(track);
}
std::optional<std::string> toJson(const Playlist& playlist) {
    return encodeToString(playlist);
}
std::optional<std::string> toJson(const AppSettings& settings) {
    return encodeToString(settings);
}
std::optional<std::string> toJson(const PersistedState& state) {
    return encodeToString(state);
}
std::optional<std::string> toJson(const ResumePoint& point) {
    return encodeToString(point);
}

bool writeJson(const PersistedState& state, const JsonSink& sink) {
    return encode(state, sink);
}

} // namespace orvane
