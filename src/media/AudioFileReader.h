#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvane {

// Reads one audio file (mp3, m4a/m4b, aac, flac, wav, aiff, caf, ogg/oga, opus, wv,
// tta, mka, wma, mpc, ape, and whatever else FFmpeg decodes) as 32-bit float,
// non-interleaved samples at the file's own rate and channel count. No rate conversion
// happens here; the engine resamples.
//
// Frames are counted on the listener's timeline: frame 0 is the first sample the
// encoder was given, and encoder delay and padding are never delivered (the LAME/Info
// tag of an MP3, the edit list of an MP4, the priming of AAC). Reading from the start
// to the end therefore yields exactly lengthFrames() frames, and seek(n) followed by a
// read yields the same samples as reading through from frame 0 and skipping n.
//
// Length. Opening reads headers only, so a metadata scan can open thousands of files;
// it decodes at most the first packet or two to learn the decoded format.
//   - WAV, AIFF, CAF, FLAC, ALAC, MP4/M4A (edit list), MP3 with a Xing/Info tag: the
//     container's count, exact. isLengthExact() is true.
//   - Ogg Vorbis, Ogg FLAC, WavPack, TTA: the container's count, exact.
//   - Ogg Opus: always 48 kHz. The container counts the pre-skip, which the decoder
//     drops; the length leaves it out and is exact.
//   - Matroska: no count of its own, only a duration rounded to the millisecond, so
//     the length is an estimate until a read reaches the end. The timestamps are
//     milliseconds too: the decoded frames are laid end to end rather than by them, and
//     a seek may land up to a millisecond off. Vorbis there decodes a few hundred
//     frames of the encoder's padding at the end, which no header states (its start
//     is on time).
//   - WMA: FFmpeg's decoders drop frames at the start and add some at the end, so the
//     container's duration is only an estimate, settled by reading to the end.
//   - Musepack: FFmpeg states a duration far off the truth (1.7 s for 3 s), so it is an
//     estimate until a read reaches the end. The decoder's delay is dropped, so the
//     audio starts on time, but its padding at the end (about 1,100 frames) is
//     delivered.
//   - Monkey's Audio: the container's count; untested, as nothing here encodes it.
//   - An MP3 (or MP2) without any header frame: counted from its frame headers, which
//     reads the file once but decodes nothing. Exact, with the encoder's delay and
//     padding, which such a file does not state and which are therefore delivered;
//     damage FFmpeg cannot decode may make it a frame long, until a read reaches the end.
//   - Raw ADTS AAC and other streams whose container states no count: an estimate from
//     the bit rate, and isLengthExact() is false. Reads do not stop at the estimate;
//     they run to the true end of the data.
//   - A file that ends before its header says (a download or copy cut short) gets the
//     length of what is there, checked at open against a few kilobytes near its end at
//     most: an MP3's Info tag byte count (or its frame count at the tag frame's bit
//     rate) against the bytes there, then a walk of the frame headers; FLAC's total
//     against the last frame headers in the file; an MP4's sample tables against the
//     data there (the first sample that is not all there ends it); a WAV's or AIFF's
//     data chunk against the file size. A whole file keeps its exact header count.
// Whenever a read or seek reaches the true end of the data, lengthFrames() becomes the
// frame count actually delivered (and isLengthExact() true). This settles damage the
// checks at open cannot see.
//
// Failures are results, never exceptions: open() returns nullptr for a missing, empty,
// unreadable or non-audio file, a directory, or a file without an audio stream; read()
// returns 0 at the end and after a decoding failure (hasError() tells them apart).
// A corrupt packet inside a file is skipped; where the container's timestamps show the
// hole, it is filled with silence so that the timeline stays intact. A long run of
// undecodable data ends the stream. Every loop is bounded: corrupt input never hangs.
//
// Threading: a reader is used by one thread at a time (it may move between threads).
// Any number of readers may be opened and used concurrently on different threads.
class AudioFileReader {
public:
    // Opens `path` for decoding. nullptr on any failure; `error`, when given, then
    // receives a short English reason for diagnostics (never shown to the user).
    // `decoderThreads` above 1 lets a decoder that decodes whole frames in parallel
    // (FLAC, WavPack, ALAC...) use that many threads: for one file someone waits for,
    // never for a scan that already runs a reader per core. The samples are the same.
    static std::unique_ptr<AudioFileReader>
    open(const std::string& path, std::string* error = nullptr, int decoderThreads = 1);

    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // Processing format: the decoder's own rate and channel count.
    double sampleRate() const;
    int channelCount() const;

    // Number of frames from the start to the end; see the class comment for when
    // this is exact and when an estimate.
    std::int64_t lengthFrames() const;
    bool isLengthExact() const;

    // The frame the next read() starts at. 0 after open.
    std::int64_t framePosition() const;

    // Moves the read position to `frame`, sample-exact: the samples read afterwards
    // are those a read from frame 0 would give at that frame. A frame beyond the end
    // leaves the reader at the end. Returns false for a negative frame (the position
    // is unchanged) or when the file cannot be positioned (the reader is then in the
    // error state until a later seek succeeds).
    bool seek(std::int64_t frame);

    // Reads up to `capacity` frames into channels[0 .. channelCount()-1], each with room
    // for `capacity` floats, and advances the position. Returns the number of frames
    // written: fewer than `capacity` only at the end of the data or on an error, 0 when
    // nothing is left.
    std::int64_t read(float* const* channels, std::int64_t capacity);

    // The container's text tag `key` ("title", "artist", "album", any letter case) as
    // FFmpeg reads it, from the file's metadata or else the audio stream's; empty when
    // absent. For the formats whose tags the tag library cannot read (Matroska, the
    // APEv2 tags of TTA files).
    std::string containerTag(const char* key) const;

    // True after decoding stopped on an error rather than at the end of the data.
    bool hasError() const;

    // Diagnostics for tests and benchmarks: packets given to the decoder and bytes
    // read from the file since open.
    std::int64_t packetsDecoded() const;
    std::int64_t bytesRead() const;

    class Impl;

private:
    struct Key {
        explicit Key() = default;
    };

public:
    // Only open() can make the key; the constructor is public for std::make_unique.
    AudioFileReader(Key, std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace orvane
