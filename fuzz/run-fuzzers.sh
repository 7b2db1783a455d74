#!/bin/sh
# Runs every fuzz target of a fuzz build for a while, one after another:
#
#   fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#
# Seeds come from fuzz/seed-corpus.sh; each target's growing corpus, its crash inputs
# (crash-*, timeout-*, oom-*, leak-*) and its log stay under BUILD_DIR/fuzz-out/TARGET.
# Exits non-zero when any target found a crash, a hang or a leak.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
    exit 2
fi
BUILD=$(cd "$1" && pwd)
SECONDS_EACH=$2
shift 2
HERE=$(cd "$(dirname "$0")" && pwd)
TARGETS=${*:-state m3u8 track_parse tag_text id3_writer metadata_reader audio_file_reader mp3_frame_walk flac_tail container_tags container_length}

# The tag writer flushes every file it writes; keep its scratch files off the disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

"$HERE/seed-corpus.sh" "$BUILD" "$BUILD/fuzz-seeds" || exit 1

failed=""
for target in $TARGETS; do
    case $target in
    state) dict=state.dict ;;
    m3u8) dict=m3u8.dict ;;
    id3_writer | metadata_reader | audio_file_reader | container_tags | container_length) dict=audio.dict ;;
    *) dict="" ;;
    esac
    out=$BUILD/fuzz-out/$target
    mkdir -p "$out/corpus"
    echo "== $target: ${SECONDS_EACH}s"
    if "$BUILD/fuzz/orvane_${target}_fuzzer" -max_total_time="$SECONDS_EACH" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/" \
        ${dict:+-dict="$HERE/$dict"} "$out/corpus" "$BUILD/fuzz-seeds/$target" \
        >"$out/log" 2>&1; then
        # The last status line (coverage, features, corpus) and the final counts.
        { grep -E '^#[0-9]+' "$out/log" | tail -1; grep -E '^stat::' "$out/log"; } |
            tr -s ' \n' ' '
        echo
    else
        echo "FAILED: $target (log and input in $out)"
        grep -E 'ERROR|check failed|Test unit written' "$out/log" | head -5
        failed="$failed $target"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzz targets with findings:$failed"
    exit 1
fi
