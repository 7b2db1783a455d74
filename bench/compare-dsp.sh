#!/usr/bin/env bash
# Times Orvane's playback processing (conversion to 48 kHz and the tone chain: ten-band
# equaliser, compressor, loudness shelves, peak limiter) against ffmpeg running the
# same kind of chain with one thread on the same five-minute file, interleaved in one
# session, and prints the medians and their ratio.
#
#   bench/compare-dsp.sh BUILD_DIR [RUNS]
#
# BUILD_DIR holds bench/dsp_chain_bench and fixtures/analysis/music-5min.flac
# (`make test` makes both). RUNS defaults to 5.
#
# Both figures are CPU seconds of processing only. Orvane's is the benchmark's CPU time
# for the chain on the decoded file. ffmpeg's is its command with the filters less the
# same command without them, so that decoding and process start are left out of both.
set -euo pipefail

build="${1:?usage: $0 BUILD_DIR [RUNS]}"
runs="${2:-5}"
bench="$build/bench/dsp_chain_bench"
file="$build/fixtures/analysis/music-5min.flac"
[[ -x "$bench" ]] || { echo "$0: $bench is missing" >&2; exit 1; }
[[ -f "$file" ]] || { echo "$0: $file is missing" >&2; exit 1; }

. "$(dirname "$0")/compare-lib.sh"

# The equaliser preset, compressor, loudness and limiter settings the benchmark uses.
gains=(5 4 2.5 0.5 -1.5 -1 0.5 2.5 3.5 4.5)
centres=(31 62 125 250 500 1000 2000 4000 8000 16000)
chain="aresample=48000:resampler=soxr:precision=28"
for i in "${!gains[@]}"; do
    chain+=",equalizer=f=${centres[$i]}:t=o:w=1:g=${gains[$i]}"
done
chain+=",acompressor=threshold=-18dB:ratio=3:attack=10:release=200"
chain+=",bass=g=6:f=100,treble=g=3:f=10000"
chain+=",alimiter=limit=1:attack=12:release=50:level=false"

# CPU seconds (user + system) of one ffmpeg run with the filter graph $1 (or none).
ffmpeg_cpu() {
    local TIMEFORMAT='%3U %3S' filters=()
    [[ -n "$1" ]] && filters=(-af "$1")
    { time ffmpeg -nostdin -hide_banner -loglevel error -threads 1 -filter_threads 1 \
        -i "$file" "${filters[@]}" -f null - 2>/dev/null; } 2>&1 | awk '{ print $1 + $2 }'
}
orvane_cpu() {
    ORVANE_DSP_BENCH_FILE="$file" "$bench" --benchmark_filter='BM_ResampleAndChain' \
        --benchmark_min_time=0 --benchmark_format=json 2>/dev/null |
        awk -F: '/"cpu_time"/ { gsub(/[ ,]/, "", $2); print $2 / 1000; exit }'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
ours=()
theirs=()
for ((i = 0; i < runs; ++i)); do
    ours+=("$(orvane_cpu)")
    with=$(ffmpeg_cpu "$chain")
    without=$(ffmpeg_cpu "")
    theirs+=("$(awk -v a="$with" -v b="$without" 'BEGIN { print a - b }')")
done
o=$(printf '%s\n' "${ours[@]}" | median)
t=$(printf '%s\n' "${theirs[@]}" | median)
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %10s %12s %8s   (medians of %s interleaved runs, CPU s per 300 s of music)\n' \
    "" "Orvane" "ffmpeg 1 thr" "ratio" "$runs"
awk -v o="$o" -v t="$t" 'BEGIN { printf "%-8s %10.3f %12.3f %8.2f\n", "chain", o, t, o / t }'
echo "(a ratio below 1 means Orvane's chain costs less)"
