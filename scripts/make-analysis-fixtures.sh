#!/usr/bin/env bash
# Audio fixtures for the offline analysis and metering tests and benchmarks, made with
# sox, lame and ffmpeg.
#   scripts/make-analysis-fixtures.sh OUTPUT_DIR
# Writes into OUTPUT_DIR/analysis. Idempotent: does nothing while the set is up to date
# (scripts/fixture-lib.sh).
#
#   tone-at-1.5s.wav   4 s stereo 44.1 kHz: digital silence, a 440 Hz tone (half scale,
#                      starting at its crest) from frame 66150 (1.5 s) to frame 132300
#                      (3.0 s), then digital silence
#   silence.wav        3 s stereo 44.1 kHz of digital silence
#   clicks-128.wav     30 s stereo 44.1 kHz: a 10 ms 1 kHz click every 60/128 s
#   clicks-1s.wav      the first second of the same click track
#   late-clicks.flac   62 s of digital silence, then 20 s of the clicks (mono): nothing
#                      periodic inside the first 60 s
#   music-5min.flac    300 s stereo 44.1 kHz "music": pink noise, two tones and a kick at
#   music-5min.mp3     120 BPM, with 2 s of silence before and 3 s after (lame -V2)
set -euo pipefail

# sox runs with -D (no dither: silence must stay digital silence) and -R (repeatable).

# shellcheck source=scripts/fixture-lib.sh
. "$(dirname "$0")/fixture-lib.sh"
out="${1:?usage: $0 OUTPUT_DIR}/analysis"
stamp="$out/.stamp"
fixtures_start "$out" "$stamp" sox lame ffmpeg
tmp=$fixtures_tmp

# expr_audio DST RATE SECONDS EXPR [ffmpeg output options...]: one channel from an
# ffmpeg expression (n is the frame index, t the time in seconds; escape commas).
expr_audio() {
    local dst=$1 rate=$2 seconds=$3 expr=$4
    shift 4
    ff -f lavfi -i "aevalsrc=exprs=${expr}:s=${rate}:d=${seconds}" \
        -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$dst"
}

# Trimming: the first audible sample is frame 66150 exactly (a cosine starts at its
# crest, so that sample is already loud), the last one frame 132299.
expr_audio "$tmp/tone.wav" 44100 4 \
    'if(between(n\,66150\,132299)\,0.5*cos(2*PI*440*(n-66150)/44100)\,0)' -c:a pcm_s16le
sox -D -R "$tmp/tone.wav" -c 2 "$out/tone-at-1.5s.wav"

sox -D -R -n -r 44100 -c 2 -b 16 "$out/silence.wav" trim 0 3

# 128 BPM: a beat is 20671.875 frames at 44.1 kHz; the expression keeps the exact
# period instead of rounding it to whole frames.
expr_audio "$tmp/clicks.wav" 44100 30 \
    'if(lt(mod(n\,20671.875)\,441)\,0.8*sin(2*PI*1000*t)\,0)' -c:a pcm_s16le
sox -D -R "$tmp/clicks.wav" -c 2 "$out/clicks-128.wav"
sox -D -R "$out/clicks-128.wav" "$out/clicks-1s.wav" trim 0 1

sox -D -R -n -r 44100 -c 1 -b 16 "$tmp/gap.wav" trim 0 62
sox -D -R "$tmp/gap.wav" "$tmp/clicks.wav" "$tmp/late.wav" trim 0 82
ff -i "$tmp/late.wav" -c:a flac -map_metadata -1 -fflags +bitexact "$out/late-clicks.flac"

# Five minutes of something like music for the benchmarks.
sox -D -R -n -r 44100 -c 2 -b 16 "$tmp/bed.wav" synth 295 pinknoise vol 0.5
sox -D -R -n -r 44100 -c 2 -b 16 "$tmp/tones.wav" synth 295 sine 220 sine 330 vol 0.5
sox -D -R -n -r 44100 -c 2 -b 16 "$tmp/kick.wav" synth 0.05 sine 80 fade 0 0.05 0.04 \
    pad 0 0.45 repeat 589
sox -D -R -m "$tmp/bed.wav" "$tmp/tones.wav" "$tmp/kick.wav" -b 16 "$tmp/music.wav" pad 2 3
ff -i "$tmp/music.wav" -c:a flac -map_metadata -1 -fflags +bitexact "$out/music-5min.flac"
lame --quiet --noreplaygain -V2 "$tmp/music.wav" "$out/music-5min.mp3"

fixtures_done "$stamp"
