#include "model/StateCodec.h"
#include "model/StateFields.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stop_token>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <pthread.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <sys/mman.h>
#include <unistd.h>

namespace orvane {

namespace {

using namespace statefile;

// The state file is decoded straight into the records as the parser reports each token,
// without an intermediate document tree: a large library then costs little more memory
// than its records.

// The most fields any record has.
constexpr std::size_t maxFields = 48;
using FieldSet = std::bitset<maxFields>;

template <typename Record>
struct FieldTable {
    std::vector<std::string_view> names;
    FieldSet required; // keys that must be present
};

template <typename Record>
const FieldTable<Record>& fieldTable() {
    static const FieldTable<Record> table = [] {
        FieldTable<Record> t;
        Record probe{};
        Fields<Record>::visit(probe, [&](std::string_view name, const auto& field) {
            using Field = std::remove_cvref_t<decltype(field)>;
            if (!Fields<Record>::everyKeyOptional && !IsOptional<Field>::value)
                t.required.set(t.names.size());
            t.names.push_back(name);
        });
        return t;
    }();
    return table;
}

// Calls `apply` with the field at `index` of `record`.
template <typename Record, typename Apply>
void withField(Record& record, std::size_t index, Apply&& apply) {
    std::size_t i = 0;
    Fields<std::remove_const_t<Record>>::visit(record, [&](std::string_view, auto& field) {
        if (i++ == index)
            apply(field);
    });
}

// Gives the field at `index` of `record` its value in a default-constructed record.
template <typename Record>
void resetField(Record& record, std::size_t index) {
    static const Record defaults{};
    withField(record, index, [&](auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        withField(defaults, index, [&](const auto& value) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, Field>)
                field = value;
        });
    });
}

// One scalar JSON value as the parser reports it.
struct Scalar {
    enum class Kind { null, boolean, number, string } kind = Kind::null;
    bool boolean = false;
    bool exactInteger = false; // `integer` holds the number exactly
    std::int64_t integer = 0;
    double number = 0;
    std::string_view text;

    static Scalar ofBool(bool b) {
        Scalar s;
        s.kind = Kind::boolean;
        s.boolean = b;
        return s;
    }
    static Scalar ofNumber(double d) {
        Scalar s;
        s.kind = Kind::number;
        s.number = d;
        return s;
    }
    static Scalar ofInteger(std::int64_t i) {
        Scalar s = ofNumber(static_cast<double>(i));
        s.exactInteger = true;
        s.integer = i;
        return s;
    }
    static Scalar ofText(std::string_view text) {
        Scalar s;
        s.kind = Kind::string;
        s.text = text;
        return s;
    }
};

template <typename E>
std::optional<E> enumFromRaw(std::string_view raw) {
    if constexpr (std::is_same_v<E, PlaybackMode>)
        return playbackModeFromRaw(raw);
    else if constexpr (std::is_same_v<E, CompressorPreset>)
        return compressorPresetFromRaw(raw);
    else if constexpr (std::is_same_v<E, VisualizationMode>)
        return visualizationModeFromRaw(raw);
    else if constexpr (std::is_same_v<E, CharacterFX>)
        return characterFXFromRaw(raw);
    else
        return tapeTypeFromRaw(raw);
}

// An integer field takes any integral number that fits; 3.0 is 3, 3.5 is an error.
bool assignInt(const Scalar& scalar, int& out) {
    constexpr auto lowest = std::numeric_limits<int>::min();
    constexpr auto highest = std::numeric_limits<int>::max();
    if (scalar.exactInteger) {
        if (scalar.integer < lowest || scalar.integer > highest)
            return false;
        out = static_cast<int>(scalar.integer);
        return true;
    }
    const double value = scalar.number;
    if (std::trunc(value) != value || value < lowest || value > highest)
        return false;
    out = static_cast<int>(value);
    return true;
}

// Takes a non-null scalar into a field of a scalar type; false for the wrong JSON type,
// a bad UUID or enumeration text, or a field that holds a container.
template <typename T>
bool assignScalar(const Scalar& scalar, T& out) {
    using Kind = Scalar::Kind;
    if constexpr (std::is_same_v<T, double>) {
        if (scalar.kind != Kind::number)
            return false;
        out = scalar.number;
        return true;
    } else if constexpr (std::is_same_v<T, int>) {
        return scalar.kind == Kind::number && assignInt(scalar, out);
    } else if constexpr (std::is_same_v<T, bool>) {
        if (scalar.kind != Kind::boolean)
            return false;
        out = scalar.boolean;
        return true;
    } else if constexpr (std::is_same_v<T, std::string>) {
        if (scalar.kind != Kind::string)
            return false;
        out.assign(scalar.text);
        return true;
    } else if constexpr (std::is_same_v<T, Uuid>) {
        const auto id = scalar.kind == Kind::string ? Uuid::parse(scalar.text) : std::nullopt;
        if (id)
            out = *id;
        return id.has_value();
    } else if constexpr (std::is_enum_v<T>) {
        const auto value =
            scalar.kind == Kind::string ? enumFromRaw<T>(scalar.text) : std::optional<T>();
        if (value)
            out = *value;
        return value.has_value();
    } else {
        return false;
    }
}

// Tracks decoded by the second thread of a shared read, waiting for the list they belong
// to. They are held in runs of two megabytes mapped straight from the kernel and move
// to that list run by run, each run's memory returned as soon as it is empty: the tracks
// here and the list receiving them never both take their full size, which would add
// their size to the peak memory of the start.
class TrackChunks {
public:
    TrackChunks() = default;
    TrackChunks(const TrackChunks&) = delete;
    TrackChunks& operator=(const TrackChunks&) = delete;

    std::size_t size() const { return size_; }

    // A new default track at the end; it stays in place until the tracks are moved out.
    Track& emplace_back() {
        if (runs_.empty() || runs_.back()->full())
            runs_.push_back(std::make_unique<Run>());
        ++size_;
        return runs_.back()->emplace();
    }

    // Appends every track to `list`, in order, and empties this. `list` has room for them.
    void moveInto(std::vector<Track>& list) {
        for (auto& run : runs_) {
            std::move(run->begin(), run->end(), std::back_inserter(list));
            run.reset();
        }
        runs_.clear();
        size_ = 0;
    }

private:
    class Run {
    public:
        // A huge page: the run's tracks cost one fault instead of 512, which made the
        // second thread's half of a long list a tenth slower to read than the first's.
        static constexpr std::size_t bytes = std::size_t{2} << 20;
        static constexpr std::size_t capacity = bytes / sizeof(Track);

        Run() {
            // Only a run aligned to its size can lie on a huge page: twice the size is
            // mapped, and all but such a run returned.
            void* mapped = ::mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE,
                                  MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (mapped == MAP_FAILED)
                throw std::bad_alloc();
            const auto first = reinterpret_cast<std::uintptr_t>(mapped);
            const std::uintptr_t aligned = (first + bytes - 1) / bytes * bytes;
            if (aligned > first)
                ::munmap(mapped, aligned - first);
            if (aligned < first + bytes)
                ::munmap(reinterpret_cast<void*>(aligned + bytes), first + bytes - aligned);
            memory_ = reinterpret_cast<void*>(aligned);
            ::madvise(memory_, bytes, MADV_HUGEPAGE); // a hint, as for the lists
        }
        ~Run() {
            std::destroy(begin(), end());
            ::munmap(memory_, bytes);
        }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

        bool full() const { return count_ == capacity; }
        Track& emplace() {
            Track* track = std::construct_at(begin() + count_);
            ++count_;
            return *track;
        }
        Track* begin() const { return static_cast<Track*>(memory_); }
        Track* end() const { return begin() + count_; }

    private:
        void* memory_ = nullptr;
        std::size_t count_ = 0;
    };

    std::vector<std::unique_ptr<Run>> runs_;
    std::size_t size_ = 0;
};

// The tracks the second thread decoded for one list: the whole list when it started at
// the list's first element (that list then simply takes its place), else the list's
// second part, held in runs.
struct HandedTracks {
    std::vector<Track> list;
    TrackChunks runs;
};

// An open JSON object or array and the place it is decoded into.
class Frame {
public:
    virtual ~Frame() = default;
    virtual bool key(std::string_view) { return false; }
    virtual bool value(const Scalar& scalar) = 0;
    // An object or array starts here: the frame that decodes it, or nothing when no
    // container of that kind may stand here.
    virtual std::unique_ptr<Frame> open(bool object) = 0;
    virtual bool close() { return true; }
    // Appends tracks decoded elsewhere, when this is a list of tracks.
    virtual bool takeTracks(HandedTracks&) { return false; }
};

template <typename T>
std::unique_ptr<Frame> openContainer(T& target, bool object);

// The value of a key Orvane does not know, with everything inside it.
class SkipFrame final : public Frame {
public:
    bool key(std::string_view) override { return true; }
    bool value(const Scalar&) override { return true; }
    std::unique_ptr<Frame> open(bool) override { return std::make_unique<SkipFrame>(); }
};

// A container in a field where a bad value costs only that field (the settings): what
// fails inside it, at any depth, marks the field bad instead of failing the document, and
// the rest of the container is skipped. `bad` is shared by every frame of the container
// and read by the outermost one, which tells its record when it closes.
class TolerantFrame final : public Frame {
public:
    TolerantFrame(std::unique_ptr<Frame> inner, bool& bad, std::function<void()> onBad = {})
        : inner_(std::move(inner)), bad_(bad), onBad_(std::move(onBad)) {}

    bool key(std::string_view name) override {
        bad_ = bad_ || !inner_->key(name);
        return true;
    }
    bool value(const Scalar& scalar) override {
        bad_ = bad_ || !inner_->value(scalar);
        return true;
    }
    std::unique_ptr<Frame> open(bool object) override {
        if (!bad_) {
            if (auto child = inner_->open(object))
                return std::make_unique<TolerantFrame>(std::move(child), bad_);
            bad_ = true;
        }
        return std::make_unique<SkipFrame>();
    }
    bool close() override {
        bad_ = bad_ || !inner_->close();
        if (bad_ && onBad_)
            onBad_();
        return true;
    }

private:
    std::unique_ptr<Frame> inner_;
    bool& bad_;
    std::function<void()> onBad_;
};

template <typename Record>
class RecordFrame final : public Frame {
public:
    explicit RecordFrame(Record& record) : record_(record) {}

    bool key(std::string_view name) override {
        // Files are written in field order, so the next expected name is tried first and
        // the full search only runs for files written by hand or by another version.
        const auto& names = table_.names;
        current_ = expected_;
        if (current_ >= names.size() || names[current_] != name) {
            current_ = 0;
            while (current_ < names.size() && names[current_] != name)
                ++current_;
        }
        if (current_ < names.size())
            expected_ = current_ + 1;
        return true;
    }

    bool value(const Scalar& scalar) override {
        if (current_ >= table_.names.size())
            return true; // an unknown key
        bool ok = false;
        withField(record_, current_, [&](auto& field) { ok = assignField(field, scalar); });
        seen_.set(current_);
        if constexpr (Fields<Record>::badValueKeepsDefault) {
            if (!ok)
                resetField(record_, current_);
            return true;
        }
        return ok;
    }

    std::unique_ptr<Frame> open(bool object) override {
        if (current_ >= table_.names.size())
            return std::make_unique<SkipFrame>();
        std::unique_ptr<Frame> child;
        withField(record_, current_, [&](auto& field) { child = openContainer(field, object); });
        seen_.set(current_);
        if constexpr (Fields<Record>::badValueKeepsDefault) {
            if (!child) {
                resetField(record_, current_);
                return std::make_unique<SkipFrame>();
            }
            childBad_ = false;
            return std::make_unique<TolerantFrame>(
                std::move(child), childBad_,
                [this, index = current_] { resetField(record_, index); });
        }
        return child;
    }

    bool close() override { return (table_.required & ~seen_).none(); }

private:
    template <typename Field>
    static bool assignField(Field& field, const Scalar& scalar) {
        if constexpr (IsOptional<Field>::value) {
            if (scalar.kind == Scalar::Kind::null) {
                field.reset();
                return true;
            }
            typename Field::value_type value{};
            if (!assignScalar(scalar, value))
                return false;
            field = std::move(value);
            return true;
        } else {
            // Null keeps a settings default; for any other record it is the wrong type.
            if (scalar.kind == Scalar::Kind::null)
                return Fields<Record>::everyKeyOptional;
            return assignScalar(scalar, field);
        }
    }

    Record& record_;
    const FieldTable<Record>& table_ = fieldTable<Record>();
    std::size_t current_ = 0;
    std::size_t expected_ = 0;
    FieldSet seen_;
    bool childBad_ = false; // something inside the open container was bad
};

// How far the text being read has come, for estimating how long a list will grow.
struct ReadProgress {
    std::function<std::size_t()> position; // bytes read so far
    std::size_t expectedBytes = 0;         // the whole text, 0 when unknown
};

// The read under way on this thread, if its length is known. Set for the length of one
// readJson, which is the only place a list can grow large.
thread_local const ReadProgress* currentRead = nullptr;

// The capacity a full list that began at byte `listStart` should grow to: room for as
// many more elements as the rest of the text holds at the size of those read so far, so
// that a long list moves once rather than at every doubling. At least a quarter more,
// so that an estimate that falls short still grows geometrically.
std::size_t estimatedCapacity(std::size_t size, std::size_t listStart) {
    const std::size_t doubled = std::max<std::size_t>(16, 2 * size);
    if (currentRead == nullptr || currentRead->expectedBytes == 0 || size == 0)
        return doubled;
    const std::size_t position = currentRead->position();
    if (position <= listStart || position >= currentRead->expectedBytes)
        return doubled;
    const std::size_t bytesPerElement = std::max<std::size_t>(1, (position - listStart) / size);
    const std::size_t remaining = (currentRead->expectedBytes - position) / bytesPerElement;
    return std::max(size + size / 4, size + remaining + remaining / 16 + 16);
}

// Moves the elements to a buffer of `capacity`, and asks the kernel to back it with huge
// pages before they move in: the track list of a large library grows to tens of
// megabytes while it is read, and every 4 KiB page first touched costs a fault, which
// made up half of the time to read 100,000 tracks. Only a hint: where the kernel does
// not follow it nothing changes.
template <typename Element>
void regrow(std::vector<Element>& items, std::size_t capacity) {
    std::vector<Element> grown;
    grown.reserve(capacity);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(grown.data());
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + capacity * sizeof(Element)) / page * page;
    if (page > 0 && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    std::move(items.begin(), items.end(), std::back_inserter(grown));
    items.swap(grown);
}

// Makes room for one more element. Small lists double as push_back would; a large one
// grows to the size the rest of the text suggests.
template <typename Element>
void makeRoomForOne(std::vector<Element>& items, std::size_t listStart) {
    if (items.size() < items.capacity())
        return;
    constexpr std::size_t hugeBufferBytes = std::size_t{4} << 20;
    if (2 * items.capacity() * sizeof(Element) < hugeBufferBytes)
        return; // push_back grows it
    regrow(items, estimatedCapacity(items.size(), listStart));
}

template <typename Element>
class ArrayFrame final : public Frame {
public:
    explicit ArrayFrame(std::vector<Element>& items)
        : items_(items), start_(currentRead != nullptr ? currentRead->position() : 0) {}

    bool value(const Scalar& scalar) override {
        Element element{};
        if (scalar.kind == Scalar::Kind::null || !assignScalar(scalar, element))
            return false;
        items_.push_back(std::move(element));
        return true;
    }
    // The child decodes into the new last element, which stays in place until the child
    // is closed: nothing is appended meanwhile.
    std::unique_ptr<Frame> open(bool object) override {
        makeRoomForOne(items_, start_);
        return openContainer(items_.emplace_back(), object);
    }
    bool takeTracks(HandedTracks& tracks) override {
        if constexpr (std::is_same_v<Element, Track>) {
            if (items_.empty() && tracks.runs.size() == 0) {
                items_.swap(tracks.list);
                return true;
            }
            const std::size_t size = items_.size() + tracks.list.size() + tracks.runs.size();
            if (items_.capacity() < size)
                regrow(items_, size);
            std::move(tracks.list.begin(), tracks.list.end(), std::back_inserter(items_));
            tracks.runs.moveInto(items_);
            return true;
        } else {
            return false;
        }
    }

private:
    std::vector<Element>& items_;
    std::size_t start_; // where the list began in the text
};

// `customEQPresets`: preset names to arrays of gains.
class PresetMapFrame final : public Frame {
public:
    explicit PresetMapFrame(PresetMap& presets) : presets_(presets) {}

    bool key(std::string_view name) override {
        name_.assign(name);
        return true;
    }
    bool value(const Scalar&) override { return false; }
    std::unique_ptr<Frame> open(bool object) override {
        return openContainer(presets_[name_], object);
    }

private:
    PresetMap& presets_;
    std::string name_;
};

template <typename T>
std::unique_ptr<Frame> openContainer(T& target, bool object) {
    if constexpr (IsVector<T>::value) {
        if (object)
            return nullptr;
        target.clear(); // a repeated key: the last one wins
        return std::make_unique<ArrayFrame<typename T::value_type>>(target);
    } else if constexpr (std::is_same_v<T, PresetMap>) {
        if (!object)
            return nullptr;
        target.clear();
        return std::make_unique<PresetMapFrame>(target);
    } else if constexpr (isRecord<T>) {
        if (!object)
            return nullptr;
        return std::make_unique<RecordFrame<T>>(target);
    } else {
        return nullptr; // a scalar field, or an optional one: no container fits
    }
}

// A read that leaves out the elements of some track lists, which another thread decodes:
// the text it parses closes each such list right after the elements before the gap.
class SpliceSite {
public:
    virtual ~SpliceSite() = default;
    // The left-out tracks of the list that the ']' being read closes, if it closes one.
    virtual HandedTracks* closing() = 0;
    // Those tracks have joined their list.
    virtual void taken() = 0;
};

// The parser's handler: hands each token to the innermost open container.
class Decoder {
public:
    // `root` decodes the top level, which must be one object or, without `rootIsObject`,
    // one array.
    Decoder(std::unique_ptr<Frame> root, bool rootIsObject, SpliceSite* splice = nullptr)
        : root_(std::move(root)), rootIsObject_(rootIsObject), splice_(splice) {}

    bool Null() { return value(Scalar{}); }
    bool Bool(bool b) { return value(Scalar::ofBool(b)); }
    bool Int(int i) { return integer(i); }
    bool Uint(unsigned u) { return integer(u); }
    bool Int64(std::int64_t i) { return integer(i); }
    bool Uint64(std::uint64_t u) {
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return integer(static_cast<std::int64_t>(u));
        return value(Scalar::ofNumber(static_cast<double>(u)));
    }
    bool Double(double d) { return value(Scalar::ofNumber(d)); }
    // Every number arrives here as its text and is converted by the standard library
    // (exact, correctly rounded). RapidJSON 1.1's own full-precision conversion misreads
    // some numbers ("0e52" came out as a huge number) and reads outside its power table
    // for long ones that overflow ("244...41e308"), so it is not used.
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        const char* end = text + length;
        std::int64_t whole = 0;
        if (const auto r = std::from_chars(text, end, whole); r.ec == std::errc() && r.ptr == end)
            return integer(whole);
        double number = 0;
        const auto r = std::from_chars(text, end, number);
        if (r.ec == std::errc::result_out_of_range && r.ptr == end) {
            // Too small for a double reads as zero; too large fails, as JSON has no infinity.
            const std::string_view textView(text, length);
            if (isAtLeastOne(textView))
                return false;
            number = textView.front() == '-' ? -0.0 : 0.0;
        } else if (r.ec != std::errc() || r.ptr != end) {
            return false;
        }
        return value(Scalar::ofNumber(number));
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return value(Scalar::ofText({text, length}));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        return !stack_.empty() && stack_.back()->key({text, length});
    }
    bool StartObject() { return open(true); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(false); }
    bool EndArray(rapidjson::SizeType) {
        if (splice_ != nullptr) {
            if (HandedTracks* tracks = splice_->closing()) {
                if (!stack_.back()->takeTracks(*tracks))
                    return false;
                splice_->taken();
            }
        }
        return close();
    }

private:
    bool integer(std::int64_t i) { return value(Scalar::ofInteger(i)); }
    bool value(const Scalar& scalar) { return !stack_.empty() && stack_.back()->value(scalar); }
    bool open(bool object) {
        std::unique_ptr<Frame> frame;
        if (!stack_.empty())
            frame = stack_.back()->open(object);
        else if (object == rootIsObject_ && !started_) // one value at the top level
            frame = std::move(root_);
        started_ = true;
        if (!frame)
            return false;
        stack_.push_back(std::move(frame));
        return true;
    }
    bool close() {
        const bool ok = stack_.back()->close();
        stack_.pop_back();
        return ok;
    }

    // Whether the magnitude of a JSON number text with a non-zero digit is 1 or more:
    // the place of its first non-zero digit, moved by the exponent, is before the point.
    static bool isAtLeastOne(std::string_view number) {
        const std::size_t e = number.find_first_of("eE");
        const std::string_view significand = number.substr(0, e);
        const std::size_t point = std::min(significand.find('.'), significand.size());
        const std::size_t first = significand.find_first_of("123456789");
        if (first == std::string_view::npos)
            return false;
        // Digits before the point from the first non-zero one, or minus the zeros after it.
        const auto lead = first < point ? static_cast<std::int64_t>(point - first)
                                        : -static_cast<std::int64_t>(first - point - 1);
        std::int64_t exponent = 0;
        if (e != std::string_view::npos) {
            std::string_view digits = number.substr(e + 1);
            const bool negative = !digits.empty() && digits.front() == '-';
            if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
                digits.remove_prefix(1);
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
            if (r.ec != std::errc())
                return !negative; // an exponent beyond 64 bits decides alone
            if (negative)
                exponent = -exponent;
        }
        return exponent > -lead;
    }

    std::unique_ptr<Frame> root_;
    bool rootIsObject_;
    SpliceSite* splice_;
    std::vector<std::unique_ptr<Frame>> stack_;
    bool started_ = false;
};

// Numbers as text, converted by the decoder (Decoder::RawNumber); iterative so that
// deeply nested input cannot exhaust the stack; without kParseStopWhenDoneFlag, anything
// but white space after the value is an error.
constexpr unsigned parseFlags =
    rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;

template <typename T, typename Stream>
std::optional<T> decode(Stream& stream, SpliceSite* splice = nullptr) {
    T value{};
    Decoder decoder(std::make_unique<RecordFrame<T>>(value), true, splice);
    rapidjson::Reader reader;
    if (reader.Parse<parseFlags>(stream, decoder).IsError())
        return std::nullopt;
    return value;
}

// Makes a read's progress known to the lists growing on this thread while it lasts.
class ReadingNow {
public:
    explicit ReadingNow(const ReadProgress& read) { currentRead = &read; }
    ~ReadingNow() { currentRead = nullptr; }
    ReadingNow(const ReadingNow&) = delete;
    ReadingNow& operator=(const ReadingNow&) = delete;
};

// A read shared by two threads. The second one decodes the elements of track lists in the
// second half of the text, each list from a first element it found (a fragment); the
// first one reads the text from the start, leaves the fragments' elements out and takes
// their tracks over where their lists close.

// Where a track list's element starts: `{"id":"<36 characters>","path":"` after "},"
// (between two elements) or after "[" (the first one). Inside a JSON string the quote
// after the brace would end the string, and no key could follow it: in valid JSON these
// bytes start an element of an array.
struct Boundary {
    std::size_t cut = 0;   // where the first thread's text leaves the elements out: the
                           // comma before the element, or the element itself after a '['
    std::size_t start = 0; // the element's '{'
};

// A track list's elements from `start` on, as the second thread decodes them.
struct Fragment {
    explicit Fragment(Boundary at) : cut(at.cut), start(at.start) {}

    enum class State { reading, decoded, failed };

    std::size_t cut;
    std::size_t start;
    std::size_t end = 0; // just after the ']' closing the list, once decoded
    State state = State::reading;
    HandedTracks tracks;
};

// What the two threads of a shared read hand each other. The first thread meets the
// fragments in order, at their cuts; the second announces each fragment before it starts
// on it, together with the end of the one before, so that the first always knows its
// next cut once it has passed the last.
class Handoff {
public:
    explicit Handoff(Boundary first) { fragments_.emplace_back(first); }

    // The second thread's side. The first fragment, announced before the thread starts.
    Fragment& first() { return fragments_.front(); }
    // `fragment` is decoded up to `end`, or failed; `next`, when it was decoded, is where
    // the following one starts. Returns that one.
    Fragment* finish(Fragment& fragment, bool decoded, std::size_t end,
                     std::optional<Boundary> next) {
        const std::lock_guard lock(mutex_);
        fragment.end = end;
        fragment.state = decoded ? Fragment::State::decoded : Fragment::State::failed;
        Fragment* following = decoded && next ? &fragments_.emplace_back(*next) : nullptr;
        changed_.notify_all();
        return following;
    }
    // The second thread ends: no fragment is left for the first to wait on.
    void close() {
        const std::lock_guard lock(mutex_);
        for (Fragment& fragment : fragments_)
            if (fragment.state == Fragment::State::reading)
                fragment.state = Fragment::State::failed;
        changed_.notify_all();
    }

    // The first thread's side. Where the next fragment cuts its text, if one does.
    std::optional<std::size_t> nextCut() {
        const std::lock_guard lock(mutex_);
        if (next_ == fragments_.size())
            return std::nullopt;
        return fragments_[next_].cut;
    }
    // Waits for the next fragment: it, decoded, or nothing when it failed (the text then
    // goes on at the cut as it is).
    Fragment* awaitNext() {
        std::unique_lock lock(mutex_);
        Fragment& fragment = fragments_[next_++];
        changed_.wait(lock, [&] { return fragment.state != Fragment::State::reading; });
        return fragment.state == Fragment::State::decoded ? &fragment : nullptr;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Fragment> fragments_; // stays in place as it grows
    std::size_t next_ = 0;           // the first thread's next fragment
};

// RapidJSON's input stream over a JsonFileSource, one piece at a time from `offset` on.
// Tell() is the place in the whole text. The first thread's stream (with a handoff) leaves
// the fragments out: arriving at a fragment's cut, it waits for the fragment and goes on
// at the ']' closing its list, or at the cut when the second thread could not decode it.
// A stream whose `stop` is requested reads as a failing source.
class FileStream final : public SpliceSite {
public:
    using Ch = char;
    static constexpr std::size_t pieceSize = 1 << 16;

    FileStream(const JsonFileSource& source, std::size_t offset, Handoff* handoff,
               std::stop_token stop = {})
        : source_(source), buffer_(std::make_unique<char[]>(pieceSize + 1)), next_(offset),
          handoff_(handoff), stop_(std::move(stop)) {
        refill();
    }

    char Peek() const { return *current_; }
    char Take() {
        const char c = *current_;
        if (current_ != end_ && ++current_ == end_)
            refill();
        return c;
    }
    std::size_t Tell() const { return start_ + static_cast<std::size_t>(current_ - begin()); }

    // Only for parsing in place, which is never asked of this stream.
    char* PutBegin() { return nullptr; }
    void Put(char) {}
    void Flush() {}
    std::size_t PutEnd(char*) { return 0; }

    // False when the source failed or the text held a NUL byte, which the parser would
    // have taken for the end.
    bool intact() const { return intact_; }

    // Makes the next character `c`, when it is one of `expected`.
    bool replaceNext(std::string_view expected, char c) {
        if (current_ == end_ || expected.find(*current_) == std::string_view::npos)
            return false;
        *current_ = c;
        return true;
    }

    // Whether every fragment left out had its tracks taken by the list closing right
    // after the gap: only then is the text parsed the same as the whole text would be.
    bool everyGapClosed() const { return closed_ == leftOut_; }
    std::size_t leftOut() const { return leftOut_; }

    // RapidJSON reports the end of an array before it takes the ']': the stream still
    // stands on it. Only the ']' right after the gap is at the fragment's end, and only as
    // a token: a ']' read inside a string reports nothing.
    HandedTracks* closing() override {
        if (gap_ == nullptr || Tell() != gap_->end - 1)
            return nullptr;
        return &gap_->tracks;
    }
    void taken() override {
        gap_ = nullptr;
        ++closed_;
    }

private:
    char* begin() const { return buffer_.get(); }

    void refill() {
        std::size_t count = 0;
        std::size_t limit = pieceSize;
        if (intact_ && handoff_ != nullptr) {
            std::optional<std::size_t> cut = handoff_->nextCut();
            if (cut == next_) {
                if (Fragment* fragment = handoff_->awaitNext()) {
                    gap_ = fragment;
                    ++leftOut_;
                    next_ = fragment->end - 1;
                }
                cut = handoff_->nextCut();
            }
            if (cut && *cut > next_)
                limit = std::min(limit, *cut - next_);
        }
        if (stop_.stop_requested())
            intact_ = false;
        if (intact_) {
            const std::optional<std::size_t> read = source_(begin(), limit, next_);
            count = read ? std::min(*read, limit) : 0;
            intact_ = read && std::memchr(begin(), '\0', count) == nullptr;
        }
        buffer_[count] = '\0'; // what the parser sees at the end of the text
        start_ = next_;
        next_ += count;
        current_ = begin();
        end_ = begin() + count;
    }

    const JsonFileSource& source_;
    std::unique_ptr<char[]> buffer_;
    char* current_ = nullptr;
    char* end_ = nullptr;
    std::size_t start_ = 0; // where the buffer's text lies in the whole text
    std::size_t next_;      // where the next piece is read
    bool intact_ = true;
    Handoff* handoff_;
    std::stop_token stop_;
    Fragment* gap_ = nullptr; // the last fragment left out, until its list closes
    std::size_t leftOut_ = 0;
    std::size_t closed_ = 0;
};

// The top level of the second thread's text when it starts inside a list.
class FragmentFrame final : public Frame {
public:
    explicit FragmentFrame(TrackChunks& tracks) : tracks_(tracks) {}
    bool value(const Scalar&) override { return false; } // no scalar is a track
    std::unique_ptr<Frame> open(bool object) override {
        return openContainer(tracks_.emplace_back(), object);
    }

private:
    TrackChunks& tracks_;
};

constexpr std::string_view elementHead = R"({"id":")";
constexpr std::string_view elementPath = R"(","path":")";
constexpr std::size_t idLength = 36;

// How far from where it is asked to look for a boundary a read searches: a fragment may
// follow the end of the one before after a playlist's id and name.
constexpr std::size_t searchSpan = std::size_t{1} << 16;

// The first boundary whose cut lies at `from` or up to searchSpan bytes later.
std::optional<Boundary> findBoundary(const JsonFileSource& source, std::size_t from,
                                     const std::stop_token& stop = {}) {
    constexpr std::size_t before = 2; // "},"
    const std::size_t tail = elementHead.size() + idLength + elementPath.size();
    std::string window(before + searchSpan + tail, '\0');
    const std::size_t origin = from >= before ? from - before : 0;
    std::size_t filled = 0;
    while (filled < window.size() && !stop.stop_requested()) {
        const auto read = source(window.data() + filled, window.size() - filled, origin + filled);
        if (!read || *read == 0)
            break;
        filled += std::min(*read, window.size() - filled);
    }
    const std::string_view text(window.data(), filled);
    for (std::size_t at = text.find(elementHead, 1); at != std::string_view::npos;
         at = text.find(elementHead, at + 1)) {
        if (text.size() - at < tail)
            break;
        if (text.compare(at + elementHead.size() + idLength, elementPath.size(), elementPath) != 0)
            continue;
        const std::size_t start = origin + at;
        std::size_t cut = 0;
        if (text[at - 1] == '[')
            cut = start;
        else if (at >= 2 && text[at - 1] == ',' && text[at - 2] == '}')
            cut = start - 1;
        else
            continue;
        if (cut < from)
            continue;
        if (cut - from > searchSpan)
            break;
        return Boundary{cut, start};
    }
    return std::nullopt;
}

// The second thread: decodes fragment after fragment, each as "[" followed by the text
// from its first element up to the ']' closing the list, until one fails or no other
// starts soon after the last.
void readFragments(const JsonFileSource& source, std::size_t expectedBytes, Handoff& handoff,
                   const std::stop_token& stop) {
    pthread_setname_np(pthread_self(), "orvane-read");
    struct Closing {
        Handoff& handoff;
        ~Closing() { handoff.close(); }
    } closing{handoff};
    try {
        for (Fragment* fragment = &handoff.first(); fragment != nullptr;) {
            // The byte before the element is the comma or the '[' itself.
            FileStream stream(source, fragment->start - 1, nullptr, stop);
            // A whole list grows as it would in a plain read.
            const ReadProgress progress{[&stream] { return stream.Tell(); }, expectedBytes};
            const ReadingNow now(progress);
            std::unique_ptr<Frame> list;
            if (fragment->cut == fragment->start)
                list = std::make_unique<ArrayFrame<Track>>(fragment->tracks.list);
            else
                list = std::make_unique<FragmentFrame>(fragment->tracks.runs);
            Decoder decoder(std::move(list), false);
            rapidjson::Reader reader;
            const bool decoded =
                stream.replaceNext(",[", '[') &&
                !reader.Parse<parseFlags | rapidjson::kParseStopWhenDoneFlag>(stream, decoder)
                     .IsError();
            const std::size_t end = stream.Tell();
            const auto next = decoded ? findBoundary(source, end, stop) : std::nullopt;
            fragment = handoff.finish(*fragment, decoded, end, next);
        }
    } catch (const std::exception&) {
        // Out of memory: the first thread reads what is left itself, and meets the
        // shortage there.
    }
}

// The shared read, or nothing when its result cannot be trusted.
std::optional<std::optional<PersistedState>> readShared(const JsonFileSource& source,
                                                        std::size_t expectedBytes, Boundary first,
                                                        SplitReadReport* report) {
    Handoff handoff(first);
    std::optional<PersistedState> state;
    bool trusted = false;
    std::size_t handedOver = 0;
    {
        std::jthread second;
        try {
            second = std::jthread([&source, expectedBytes, &handoff](const std::stop_token& stop) {
                readFragments(source, expectedBytes, handoff, stop);
            });
        } catch (const std::system_error&) {
            return std::nullopt; // no thread to be had: one reads alone
        }
        FileStream stream(source, 0, &handoff);
        const ReadProgress progress{[&stream] { return stream.Tell(); }, expectedBytes};
        const ReadingNow now(progress);
        state = decode<PersistedState>(stream, &stream);
        if (!stream.intact())
            state.reset();
        trusted = stream.everyGapClosed();
        handedOver = stream.leftOut();
    } // the second thread is told to stop, and joined
    if (!trusted)
        return std::nullopt;
    if (report != nullptr)
        report->handedOver = handedOver;
    return state;
}

// The whole text read by this thread alone, from its start.
std::optional<PersistedState> readAlone(const JsonFileSource& source, std::size_t expectedBytes) {
    FileStream stream(source, 0, nullptr);
    const ReadProgress progress{[&stream] { return stream.Tell(); }, expectedBytes};
    const ReadingNow now(progress);
    auto state = decode<PersistedState>(stream);
    if (!stream.intact())
        return std::nullopt;
    return state;
}

} // namespace

template <typename T>
std::optional<T> fromJson(std::string_view json) {
    if (std::memchr(json.data(), '\0', json.size()) != nullptr)
        return std::nullopt; // the parser would take it for the end of the text
    rapidjson::MemoryStream stream(json.data(), json.size());
    return decode<T>(stream);
}

template std::optional<Track> fromJson<Track>(std::string_view json);
template std::optional<Playlist> fromJson<Playlist>(std::string_view json);
template std::optional<AppSettings> fromJson<AppSettings>(std::string_view json);
template std::optional<PersistedState> fromJson<PersistedState>(std::string_view json);
template std::optional<ResumePoint> fromJson<ResumePoint>(std::string_view json);

std::optional<PersistedState> readJson(const JsonSource& source, std::size_t expectedBytes) {
    // One thread reads the text in order: the offsets it asks for always follow on.
    return readAlone([&source](char* buffer, std::size_t capacity,
                               std::size_t) { return source(buffer, capacity); },
                     expectedBytes);
}

std::optional<PersistedState> readJsonFile(const JsonFileSource& source, std::size_t expectedBytes,
                                           const SplitReading& split, SplitReadReport* report) {
    if (report != nullptr)
        *report = {};
    if (expectedBytes > split.aboveBytes) {
        if (const auto first = findBoundary(source, split.near.value_or(expectedBytes / 2))) {
            if (auto state = readShared(source, expectedBytes, *first, report))
                return std::move(*state);
            if (report != nullptr)
                report->readAgain = true;
        }
    }
    return readAlone(source, expectedBytes);
}

} // namespace orvane
