#!/bin/sh
# Generates the audio fixtures the tests and benchmarks read, into the folder given as
# the only argument. Nothing is downloaded: sox, lame, mpcenc and ffmpeg make every file.
#
# Idempotent and quick: the folder holds a stamp with a hash of this script, and when
# it matches nothing is done (scripts/fixture-lib.sh). Any edit of this script
# therefore regenerates the set.
#
# Adding fixtures: write a function make_<group> below that creates its files in the
# current directory (the output folder) with the helpers, and add its name to
# FIXTURE_GROUPS. Keep files short; tests should not wait for their fixtures.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTPUT_DIR" >&2
    exit 2
fi
# shellcheck source=scripts/fixture-lib.sh
. "$(dirname "$0")/fixture-lib.sh"
OUT=$1
STAMP="$OUT/.fixtures-stamp"
fixtures_start "$OUT" "$STAMP" sox lame ffmpeg mpcenc
STAMP=$(cd "$OUT" && pwd)/.fixtures-stamp
cd "$OUT"

# ---- helpers ---------------------------------------------------------------------

# encode SRC DST [ffmpeg output options...]: transcode with ffmpeg (ff, quiet), without
# metadata or version strings, so that the files do not change with the tool version.
encode() {
    src=$1
    dst=$2
    shift 2
    ff -i "$src" -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$dst"
}
# m4a SRC DST: AAC in MP4 whose edit list can state any frame count (the default movie
# time scale of 1000 would round the length to whole milliseconds).
m4a() {
    encode "$1" "$2" -c:a aac -b:a 160k -movie_timescale "$(sox --i -r "$1")"
}
# mp3 SRC DST [lame options...]: LAME with its Info tag (encoder delay and padding).
mp3() {
    src=$1
    dst=$2
    shift 2
    lame --quiet --noreplaygain "$@" "$src" "$dst"
}
# expr_wav DST RATE FRAMES EXPRS: 16-bit WAV from an ffmpeg expression per channel
# (channels separated by |; n is the frame index, t the time in seconds).
expr_wav() {
    ff -f lavfi -i "aevalsrc=exprs=$4:s=$2" -af "atrim=end_sample=$3" -c:a pcm_s16le \
        -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$1"
}

# ---- fixture groups --------------------------------------------------------------

# A 1 kHz stereo sine of 132,301 frames (3 s at 44.1 kHz plus one frame: not a whole
# number of MP3, AAC or FLAC frames), the right channel 6 dB below the left, in every
# container. The lossless ones carry the WAV's samples exactly.
make_sine() {
    sox -D -R -r 44100 -c 2 -n -b 16 sine.wav synth 132301s sine 1000 gain -3 remix 1 2v0.5
    encode sine.wav sine.flac
    encode sine.wav sine.aiff
    encode sine.wav sine.caf
    mp3 sine.wav sine.mp3 -V2
    mp3 sine.wav sine-notag.mp3 -t
    mp3 sine.wav sine-notag-vbr.mp3 -t -V2
    m4a sine.wav sine.m4a
    # Raw ADTS AAC: no stated length at all.
    encode sine.wav sine.aac -c:a aac -b:a 160k
    sox -D -R -r 48000 -c 2 -n -b 16 sine-48k.wav synth 144001s sine 1000 gain -3
    sox -D -R -r 44100 -c 1 -n -b 16 sine-mono.wav synth 132301s sine 1000 gain -3
    sox -D -R -r 44100 -c 6 -n -b 16 sine-6ch.wav synth 132301s \
        sine 300 sine 500 sine 700 sine 900 sine 1100 sine 1300 gain -3
    # 24-bit FLAC decodes to 32-bit integers: another sample format to convert.
    encode sine.wav sine-24.flac -sample_fmt s32 -bits_per_raw_sample 24
    # The formats FFmpeg alone plays. Opus always runs at 48 kHz (144,002 frames here),
    # with a pre-skip its container's length counts; Matroska states its length to the
    # millisecond only; WMA's wmav2 drops and adds frames of its own.
    encode sine.wav sine.ogg -c:a libvorbis -q:a 5
    encode sine.wav sine.opus -c:a libopus -b:a 128k
    encode sine.wav sine.wv -c:a wavpack
    encode sine.wav sine.tta
    encode sine.wav sine.mka -c:a flac
    encode sine.wav sine-vorbis.mka -c:a libvorbis -q:a 5
    encode sine.wav sine.wma -c:a wmav2 -b:a 128k
    mpcenc --silent --overwrite sine.wav sine.mpc
}

# One second of silence, one of a 1 kHz tone, one of silence (stereo, 44.1 kHz).
make_tone_in_silence() {
    sox -D -R -r 44100 -c 2 -n -b 16 tone-in-silence.wav synth 1 sine 1000 gain -6 pad 1 1
}

# Ten seconds of white noise, then ten of a 440 Hz tone (stereo, 44.1 kHz), as a VBR
# MP3 without any header frame: the bit rate drops at the tone, so a length estimated
# from the first frames falls seconds short. Beside it, the frame count FFmpeg decodes.
make_noise_then_tone() {
    sox -D -R -r 44100 -c 2 -n -b 16 "$fixtures_tmp/noise.wav" synth 10 whitenoise gain -6
    sox -D -R -r 44100 -c 2 -n -b 16 "$fixtures_tmp/tone.wav" synth 10 sine 440 gain -6
    sox "$fixtures_tmp/noise.wav" "$fixtures_tmp/tone.wav" "$fixtures_tmp/noise-then-tone.wav"
    mp3 "$fixtures_tmp/noise-then-tone.wav" noise-then-tone.mp3 -V2 -t
    echo $(($(ff -i noise-then-tone.mp3 -f s16le - | wc -c) / 4)) > noise-then-tone.frames
}

# Position marks: 20 s (882,001 frames) of a quiet rising sweep, different in the two
# channels so nothing repeats, with a one-sample click at frame 1000 + 44100 k. Seeks
# are checked against it: any offset moves the clicks and breaks the sweep's match.
make_marks() {
    sweep='0.1*sin(2*PI*(100*t+197.5*t*t))'
    click='0.8*eq(mod(n\,44100)\,1000)'
    expr_wav marks.wav 44100 882001 "$sweep+$click|0.5*$sweep+$click"
    encode marks.wav marks.flac
    mp3 marks.wav marks.mp3 -V2
    m4a marks.wav marks.m4a
    encode marks.wav marks.ogg -c:a libvorbis -q:a 5
    encode marks.wav marks.mka -c:a libvorbis -q:a 5
    encode marks.wav marks.opus -c:a libopus -b:a 128k
    mpcenc --silent --overwrite marks.wav marks.mpc
}

# Half a minute of sweeping tones over noise, for decoding throughput.
make_long() {
    expr_wav long.wav 44100 1323001 \
        '0.2*sin(2*PI*(100*t+50*t*t))+0.05*(random(0)-0.5)|0.2*cos(2*PI*(150*t+40*t*t))+0.05*(random(1)-0.5)'
    mp3 long.wav long.mp3 -V2
    m4a long.wav long.m4a
    rm -f long.wav
}

# Files that must fail to open, or open and end early without hanging.
make_broken() {
    printf 'This is a text file, not audio.\n' > not-audio.mp3
    cp not-audio.mp3 not-audio.opus
    : > empty.wav
    # Only video, no audio stream.
    ff -f lavfi -i "testsrc=size=32x32:rate=5:duration=0.4" -c:v mpeg4 -fflags +bitexact \
        video-only.mkv
    # The first half of an MP3: its tag promises more than the file holds.
    head -c "$(($(wc -c < marks.mp3) / 2))" marks.mp3 > truncated.mp3
    # 16 KiB of foreign data (compressed FLAC frames) in the middle of an MP3.
    size=$(wc -c < marks.mp3)
    head -c "$((size / 2))" marks.mp3 > corrupt.mp3
    tail -c +8193 sine.flac | head -c 16384 >> corrupt.mp3
    tail -c "$((size - size / 2 - 16384))" marks.mp3 >> corrupt.mp3
}

# Files that end before their headers say, as an interrupted download or copy leaves
# them, cut from a 30 s stereo sweep: CBR and VBR MP3 (Info/Xing tags with frame and byte
# counts), FLAC, M4A (sample tables at the front), WAV and AIFF (data chunk sizes too
# large; FFmpeg believes the AIFF's).
# Beside each, the frame count FFmpeg decodes from it.
make_truncated() {
    expr_wav "$fixtures_tmp/long-sweep.wav" 44100 1323000 \
        '0.3*sin(2*PI*(200*t+20*t*t))|0.3*sin(2*PI*(300*t+15*t*t))'
    mp3 "$fixtures_tmp/long-sweep.wav" "$fixtures_tmp/cbr.mp3" -b 192
    mp3 "$fixtures_tmp/long-sweep.wav" "$fixtures_tmp/vbr.mp3" -V2
    encode "$fixtures_tmp/long-sweep.wav" "$fixtures_tmp/whole.flac"
    encode "$fixtures_tmp/long-sweep.wav" "$fixtures_tmp/whole.m4a" -c:a aac -b:a 160k \
        -movie_timescale 44100 -movflags +faststart
    head -c 400000 "$fixtures_tmp/cbr.mp3" > truncated-cbr.mp3
    head -c "$(($(wc -c < "$fixtures_tmp/vbr.mp3") / 2))" "$fixtures_tmp/vbr.mp3" > truncated-vbr.mp3
    head -c "$(($(wc -c < "$fixtures_tmp/whole.flac") / 2))" "$fixtures_tmp/whole.flac" \
        > truncated.flac
    head -c "$(($(wc -c < "$fixtures_tmp/whole.m4a") / 2))" "$fixtures_tmp/whole.m4a" \
        > truncated.m4a
    head -c 1000001 "$fixtures_tmp/long-sweep.wav" > truncated.wav
    encode "$fixtures_tmp/long-sweep.wav" "$fixtures_tmp/whole.aiff"
    head -c 1000001 "$fixtures_tmp/whole.aiff" > truncated.aiff
    for file in truncated-cbr.mp3 truncated-vbr.mp3 truncated.flac truncated.m4a truncated.wav \
        truncated.aiff; do
        echo $(($(ff -i "$file" -f s16le - | wc -c) / 4)) > "${file%.*}-${file##*.}.frames"
    done
}

FIXTURE_GROUPS="sine tone_in_silence noise_then_tone marks long broken truncated"

for group in $FIXTURE_GROUPS; do
    "make_$group"
done

fixtures_done "$STAMP"
