#!/usr/bin/env bash
# Audio fixtures for the engine tests, made with sox, lame and ffmpeg.
#   scripts/make-engine-fixtures.sh OUTPUT_DIR
# Writes into OUTPUT_DIR/engine. Idempotent: does nothing while the set is up to date
# (scripts/fixture-lib.sh).
#
#   full.wav            4 s stereo 44.1 kHz 16-bit: sweeps plus pink noise, the uncut signal
#   cut_a.*, cut_b.*    full.wav cut at frame 70001 (a prime-ish count that is no
#                       multiple of any block size): wav, flac, mp3 (LAME, Info tag), m4a (AAC)
#   full.ogg, cut_a.ogg, cut_b.ogg   the same through Vorbis
#   full48.wav          full.wav resampled to 48 kHz, Opus's only rate
#   full.opus, cut_a.opus, cut_b.opus
#                       full48.wav whole and cut at frame 76191 (where cut_a ends), as Opus
#   cut_a48.flac        full48.wav up to that cut, as FLAC
#   full.mp3, full.m4a  the uncut signal through the same encoders (the codec's own error)
#   tone48k.wav         1 s stereo 48 kHz
#   mono.wav            2 s mono 44.1 kHz
#   surround.wav        1 s 6-channel 44.1 kHz
#   short.wav           0.5 s stereo 44.1 kHz
set -euo pipefail

# shellcheck source=scripts/fixture-lib.sh
. "$(dirname "$0")/fixture-lib.sh"
out="${1:?usage: $0 OUTPUT_DIR}/engine"
fixtures_start "$out" "$out/.stamp" sox lame ffmpeg
tmp=$fixtures_tmp

# The continuous signal: two sweeps in opposite directions with a little pink noise, so
# that any sample out of place across the seam shows.
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth 4 sine 60-9000 sine 9000-60 vol 0.45
sox -R -n -r 44100 -c 2 -b 16 "$tmp/noise.wav" synth 4 pinknoise vol 0.08
sox -R -m "$tmp/sweep.wav" "$tmp/noise.wav" -b 16 "$out/full.wav"

cut=70001
sox "$out/full.wav" "$out/cut_a.wav" trim 0s "${cut}s"
sox "$out/full.wav" "$out/cut_b.wav" trim "${cut}s"

for part in full cut_a cut_b; do
    if [[ "$part" != full ]]; then
        ff -i "$out/$part.wav" -c:a flac "$out/$part.flac"
    fi
    lame --quiet -V2 "$out/$part.wav" "$out/$part.mp3"
    # An MP4 edit list counts in the movie timescale, which FFmpeg sets to 1000 unless
    # told otherwise: the stated length would be exact only to the millisecond.
    ff -i "$out/$part.wav" -c:a aac -b:a 192k -movie_timescale 44100 "$out/$part.m4a"
done
for part in full cut_a cut_b; do
    ff -i "$out/$part.wav" -c:a libvorbis -q:a 6 "$out/$part.ogg"
done
sox "$out/full.wav" -b 16 "$out/full48.wav" rate -v 48000
sox "$out/full48.wav" "$tmp/cut_a48.wav" trim 0s 76191s
sox "$out/full48.wav" "$tmp/cut_b48.wav" trim 76191s
ff -i "$out/full48.wav" -c:a libopus -b:a 160k "$out/full.opus"
ff -i "$tmp/cut_a48.wav" -c:a libopus -b:a 160k "$out/cut_a.opus"
ff -i "$tmp/cut_a48.wav" -c:a flac "$out/cut_a48.flac"
ff -i "$tmp/cut_b48.wav" -c:a libopus -b:a 160k "$out/cut_b.opus"

sox -R -n -r 48000 -c 2 -b 16 "$out/tone48k.wav" synth 1 sine 440 vol 0.5
sox -R -n -r 44100 -c 1 -b 16 "$out/mono.wav" synth 2 sine 440 vol 0.5
sox -R -n -r 44100 -c 6 -b 16 "$out/surround.wav" synth 1 sine 200 sine 300 sine 400 \
    sine 500 sine 600 sine 700 vol 0.3
sox -R -n -r 44100 -c 2 -b 16 "$out/short.wav" synth 0.5 sine 440 sine 550 vol 0.5

fixtures_done "$out/.stamp"
