#!/usr/bin/env bash
# Start-up of the real program with a library of 100,000 tracks: the time from starting
# the program to its first painted window, and its resident memory (VmRSS, and the peak
# VmHWM) once it has been idle for a while. Prints each run and the medians.
#
#   bench/measure-startup.sh BUILD_DIR [RUNS] [xcb|offscreen] [--heaptrack]
#
# xcb (the default) runs under a private X server (Xvfb), D-Bus session and PulseAudio
# server, as the screenshots do; offscreen uses Qt's offscreen platform and no X server.
# The library is the demo library tool's: the technical data and tempo of every track are
# known, their levels are not, so the background level scan starts as it does for a
# library that was never measured (its files do not exist, so every measurement fails
# quickly). Each run starts from a fresh copy of the state file. The program writes the
# time of its first paint to the file ORVANE_FIRST_PAINT_FILE names; the start time is
# taken just before the program is executed. RUNS defaults to 5; the memory is read
# IDLE_SECONDS (default 3) after the start.
#
# --heaptrack adds one run under heaptrack (installed from Debian when missing; it is
# needed for this measurement only) and prints what holds the heap when the program is
# stopped after the idle time, largest first.
set -euo pipefail

build=$(realpath "${1:?usage: $0 BUILD_DIR [RUNS] [xcb|offscreen] [--heaptrack]}")
runs="${2:-5}"
platform="${3:-xcb}"
heaptrack_run=0
[[ "${4:-}" == "--heaptrack" ]] && heaptrack_run=1
idle="${IDLE_SECONDS:-3}"
tracks="${TRACKS:-100000}"
# ORVANE_BIN measures another build of the program against the same library.
bin="${ORVANE_BIN:-$build/src/app/orvane}"
make_library="$build/tools/orvane_demo_library"
root=$(cd "$(dirname "$0")/.." && pwd)
for f in "$bin" "$make_library"; do
    [[ -x "$f" ]] || { echo "$0: $f is missing" >&2; exit 1; }
done
case "$platform" in xcb | offscreen) ;; *) echo "$0: platform is xcb or offscreen" >&2; exit 2 ;; esac

if ((heaptrack_run)) && ! command -v heaptrack >/dev/null; then
    sudo=""
    [[ "$(id -u)" -eq 0 ]] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        heaptrack >/dev/null 2>&1 ||
        { $sudo apt-get update -qq && $sudo env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends heaptrack >/dev/null 2>&1; } ||
        { echo "$0: heaptrack could not be installed" >&2; heaptrack_run=0; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/library"
"$make_library" "$work/library/orvane-data.json" --tracks "$tracks" >/dev/null

# One run, inside the private sessions: prints "paint_ms rss_kb hwm_kb cpu_ms".
cat >"$work/run-once.sh" <<'RUN'
#!/usr/bin/env bash
set -euo pipefail
work=$1 bin=$2 idle=$3 wrapper=${4:-}
data=$(mktemp -d "$work/data.XXXXXX")
mkdir -p "$data/Orvane"
cp "$work/library/orvane-data.json" "$data/Orvane/"
rm -f "$work/painted"
t0_file="$data/t0"
(
    date +%s%N >"$t0_file"
    ORVANE_FIRST_PAINT_FILE="$work/painted" XDG_DATA_HOME="$data" \
        exec $wrapper "$bin"
) >/dev/null 2>"$data/stderr" &
app=$!
# The memory is read from the program itself, not from a wrapper around it.
pid=$app
n=0
until [[ -s "$work/painted" ]]; do
    n=$((n + 1))
    if ((n > 600)) || ! kill -0 "$app" 2>/dev/null; then
        echo "the window was not painted" >&2
        cat "$data/stderr" >&2
        exit 1
    fi
    sleep 0.05
done
if [[ -n "$wrapper" ]]; then
    pid=$(pgrep -n -f -- "^$bin" || echo "$app")
fi
t0=$(cat "$t0_file")
read -r painted cpu <"$work/painted"
# The idle time counts from the start.
now=$(date +%s%N)
rest=$(((t0 + idle * 1000000000 - now) / 1000000))
((rest > 0)) && sleep "$(awk -v ms="$rest" 'BEGIN { print ms / 1000 }')"
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
kill "$pid" 2>/dev/null || true
wait "$app" 2>/dev/null || true
awk -v a="$painted" -v b="$t0" -v r="$rss" -v h="$hwm" -v c="$cpu" \
    'BEGIN { printf "%.1f %d %d %.1f\n", (a - b) / 1e6, r, h, c / 1e6 }'
rm -rf "$data"
RUN
chmod +x "$work/run-once.sh"

# All runs of one session, then the medians.
cat >"$work/inner.sh" <<INNER
#!/usr/bin/env bash
set -euo pipefail
. "$root/bench/compare-lib.sh"
: >"$work/results"
# One start that is not counted: the libraries and fonts come into the page cache.
"$work/run-once.sh" "$work" "$bin" 1 >/dev/null
for ((i = 1; i <= $runs; ++i)); do
    line=\$("$work/run-once.sh" "$work" "$bin" "$idle")
    echo "run \$i: \$line" | awk '{ printf "run %s  first paint %7.1f ms (processor %6.1f ms)   VmRSS %6.1f MB   VmHWM %6.1f MB\n", \$2, \$3, \$6, \$4 / 1024, \$5 / 1024 }'
    echo "\$line" >>"$work/results"
done
p=\$(awk '{ print \$1 }' "$work/results" | median)
r=\$(awk '{ print \$2 }' "$work/results" | median)
h=\$(awk '{ print \$3 }' "$work/results" | median)
c=\$(awk '{ print \$4 }' "$work/results" | median)
awk -v p="\$p" -v r="\$r" -v h="\$h" -v c="\$c" -v n=$runs \
    'BEGIN { printf "median of %d  first paint %7.1f ms (processor %6.1f ms)   VmRSS %6.1f MB   VmHWM %6.1f MB\n", n, p, c, r / 1024, h / 1024 }'
if (($heaptrack_run)); then
    "$work/run-once.sh" "$work" "$bin" "$idle" "heaptrack -o $work/heap" >/dev/null 2>&1 || true
    trace=\$(ls "$work"/heap*.zst "$work"/heap*.gz 2>/dev/null | head -n 1 || true)
    if [[ -n "\$trace" ]]; then
        echo "--- heap held when stopped after ${idle} s (heaptrack, largest first)"
        heaptrack_print -f "\$trace" --print-leaks 1 --print-peaks 0 --print-allocators 0 \
            --print-temporary 0 --print-histogram 0 -n 12 -s 6 2>/dev/null |
            sed -n '/MEMORY LEAKS/,\$p' | head -n 150
        heaptrack_print -f "\$trace" --print-leaks 0 --print-peaks 0 --print-allocators 0 \
            --print-temporary 0 2>/dev/null | tail -n 8
    fi
fi
INNER
chmod +x "$work/inner.sh"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $tracks tracks, $platform, memory at ${idle} s"
if [[ "$platform" == offscreen ]]; then
    QT_QPA_PLATFORM=offscreen "$root/tests/e2e/with-pulse.sh" --timeout 900 \
        dbus-run-session -- "$work/inner.sh"
else
    "$root/tests/e2e/with-pulse.sh" --timeout 900 \
        dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" "$work/inner.sh"
fi
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
