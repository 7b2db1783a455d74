#!/usr/bin/env bash
# Times Orvane's computeLevels against ffmpeg's volumedetect on the same five-minute
# FLAC and MP3, interleaved in one session, and prints the medians and their ratio.
# Also runs the tempo, trim and meter-tick benchmarks for the note.
#
#   bench/compare-analysis.sh BUILD_DIR [RUNS]
#
# BUILD_DIR holds bench/analysis_bench and fixtures/analysis (make them with
# `cmake --build BUILD_DIR --target analysis_bench` and
# scripts/make-analysis-fixtures.sh BUILD_DIR/fixtures). ANALYSIS_BENCH overrides the
# benchmark program's path. RUNS defaults to 7.
#
# ffmpeg's figure is the wall time of the whole command, process start included, so
# computeLevels is given both ways: the call alone (opening the file included; FFmpeg's
# libraries already loaded, as in a running Orvane) and a fresh process making one call,
# library loading included. ffmpeg's start-up alone is printed too.
set -euo pipefail

build="${1:?usage: $0 BUILD_DIR [RUNS]}"
runs="${2:-7}"
bench="${ANALYSIS_BENCH:-$build/bench/analysis_bench}"
fixtures="$build/fixtures/analysis"
[[ -x "$bench" ]] || { echo "$0: $bench is missing" >&2; exit 1; }
for f in music-5min.flac music-5min.mp3; do
    [[ -f "$fixtures/$f" ]] || { echo "$0: $fixtures/$f is missing" >&2; exit 1; }
done

now_ns() { date +%s%N; }
. "$(dirname "$0")/compare-lib.sh"
# One computeLevels call on $1 ("flac" or "mp3") in a fresh benchmark process:
# prints the call's own time and the whole process's wall time, in milliseconds.
orvane_levels_ms() {
    local start end inner
    start=$(now_ns)
    inner=$("$bench" --benchmark_filter="BM_ComputeLevels/$1/" --benchmark_min_time=0 \
        --benchmark_format=json 2>/dev/null |
        awk -F: '/"real_time"/ { gsub(/[ ,]/, "", $2); print $2; exit }')
    end=$(now_ns)
    awk -v i="$inner" -v ns=$((end - start)) 'BEGIN { printf "%.3f %.3f\n", i, ns / 1e6 }'
}
ffmpeg_levels_ms() {
    local start end
    start=$(now_ns)
    ffmpeg -nostdin -hide_banner -loglevel error -i "$1" -af volumedetect -f null -
    end=$(now_ns)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e6 }'
}

printf '%-18s %10s %12s %10s %9s %9s   (medians of %s interleaved runs)\n' file \
    "call ms" "process ms" "ffmpeg ms" "call/ff" "proc/ff" "$runs"
# flac_about_to_play: the measurement of the track about to play, with two decoder
# threads where the decoder can use them (ffmpeg's own FLAC decoding uses two here).
for kind in flac mp3 flac_about_to_play; do
    file="$fixtures/music-5min.${kind%%_*}"
    calls=()
    procs=()
    theirs=()
    for ((i = 0; i < runs; ++i)); do
        read -r call proc < <(orvane_levels_ms "$kind")
        calls+=("$call")
        procs+=("$proc")
        theirs+=("$(ffmpeg_levels_ms "$file")")
    done
    c=$(printf '%s\n' "${calls[@]}" | median)
    p=$(printf '%s\n' "${procs[@]}" | median)
    t=$(printf '%s\n' "${theirs[@]}" | median)
    awk -v k="$kind" -v c="$c" -v p="$p" -v t="$t" \
        'BEGIN { printf "%-18s %10.1f %12.1f %10.1f %9.2f %9.2f\n", k, c, p, t, c / t, p / t }'
done
echo "(call: computeLevels alone; process: a fresh benchmark process doing one call;"
echo " ffmpeg: the whole command. A ratio below 1 means Orvane is faster.)"
startup=()
for ((i = 0; i < runs; ++i)); do
    startup+=("$(ffmpeg_levels_ms "$fixtures/silence.wav")")
done
echo "ffmpeg's own start-up, measured on a 3 s file: $(printf '%s\n' "${startup[@]}" | median) ms"
echo

"$bench" --benchmark_filter='BM_DetectBPM|BM_ComputeTrim|BM_MeterTick|BM_MeterCapture' \
    --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E '^(Benchmark|-|BM_.*_median)'
