#!/usr/bin/env bash
# Metadata reading speed (tags, length and rate) of Orvane against mutagen, a tag
# library in pure Python, on the same 1,000 files of mixed formats, warm cache,
# interleaved in one session; prints the medians in files per second and their ratio.
#
#   bench/compare-metadata.sh BUILD_DIR [RUNS]
#
# The files are copies of the tag fixtures (BUILD_DIR/fixtures/tags, made by
# `make test`). mutagen comes from Debian's python3-mutagen, which this script installs
# when it is missing: it is needed for this comparison only. RUNS defaults to 5.
set -euo pipefail

build="${1:?usage: $0 BUILD_DIR [RUNS]}"
runs="${2:-5}"
probe="$build/tools/orvane_metadata_probe"
fixtures="$build/fixtures/tags"
[[ -x "$probe" ]] || { echo "$0: $probe is missing" >&2; exit 1; }
[[ -d "$fixtures" ]] || { echo "$0: $fixtures is missing" >&2; exit 1; }

# Debian's own Python, which sees Debian's python3-mutagen (a python3 earlier on the
# PATH may not).
python=/usr/bin/python3
[[ -x "$python" ]] || python=python3
if ! "$python" -c 'import mutagen' 2>/dev/null; then
    sudo=""
    [[ "$(id -u)" -eq 0 ]] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        python3-mutagen >/dev/null 2>&1 ||
        { $sudo apt-get update -qq && $sudo env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends python3-mutagen >/dev/null 2>&1; } ||
        true
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=()
for f in "$fixtures"/*; do
    case "$f" in *broken* | *not-audio* | *tag-only*) continue ;; esac
    case "$f" in *.mp3 | *.flac | *.m4a | *.ogg | *.opus | *.wav | *.aiff | *.wv | *.ape | *.mpc | *.wma | *.mka | *.tta | *.aac | *.caf) sources+=("$f") ;; esac
done
for ((i = 0; i < 1000; ++i)); do
    src="${sources[$((i % ${#sources[@]}))]}"
    cp "$src" "$work/$i-$(basename "$src")"
done

cat > "$work/mutagen_rate.py" <<'PY'
import sys, time, mutagen
files = sys.argv[1:]
def read_all():
    for name in files:
        try:
            f = mutagen.File(name)
        except mutagen.MutagenError:
            continue  # a file it cannot read costs what it took to find out
        if f is not None:
            f.info.length, getattr(f.info, "sample_rate", None), f.tags
read_all()  # warm
start = time.perf_counter()
read_all()
print(f"{len(files) / (time.perf_counter() - start):.0f}")
PY

if ! "$python" -c 'import mutagen' 2>/dev/null; then
    # Without the package (no network, no rights to install) the comparison cannot be
    # made; Orvane's own figure still shows the probe works.
    echo "python3-mutagen could not be installed; Orvane alone:"
    "$probe" --runs "$runs" "$work"/[0-9]*
    exit 0
fi

. "$(dirname "$0")/compare-lib.sh"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); ${#sources[@]} formats and tag layouts, 1000 files"
ours=()
theirs=()
for ((i = 0; i < runs; ++i)); do
    ours+=("$("$probe" --runs 1 "$work"/[0-9]* | awk '{ print $1 }')")
    theirs+=("$("$python" "$work/mutagen_rate.py" "$work"/[0-9]*)")
done
o=$(printf '%s\n' "${ours[@]}" | median)
t=$(printf '%s\n' "${theirs[@]}" | median)
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%10s %10s %8s   (files/s, medians of %s interleaved runs)\n' Orvane mutagen ratio "$runs"
awk -v o="$o" -v t="$t" 'BEGIN { printf "%10.0f %10.0f %8.2f\n", o, t, o / t }'
echo "(a ratio above 1 means Orvane reads faster)"
