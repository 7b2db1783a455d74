#!/bin/sh
# Measures Orvane's CPU use under a private X server, D-Bus session and PulseAudio
# server: while playing with each visualisation mode, while paused, while minimised
# (playing and paused) and while stopped (before and after playing). Prints one line per state: percent of one core over SECONDS.
#
#   scripts/measure-cpu.sh BUILD_DIR [SECONDS]
set -eu
BUILD=$(realpath "$1")
SECONDS_PER_STATE=${2:-10}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/media" "$WORK/data/Orvane"
for i in 1 2; do
    ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=$((300 * i)):duration=300" -ac 2 \
        -metadata artist="Aurora Fields" -metadata title="Long Tone $i" -b:a 192k \
        "$WORK/media/$i.mp3"
done
"$BUILD/tools/orvane_demo_library" "$WORK/data/Orvane/orvane-data.json" --media "$WORK/media" \
    --visualization spectrum \
    >/dev/null

cat > "$WORK/inner.sh" <<INNER
#!/bin/sh
set -eu
XDG_DATA_HOME="$WORK/data" "$BUILD/src/app/orvane" &
APP=\$!
n=0
until WID=\$(xdotool search --onlyvisible --name '^Orvane\$' 2>/dev/null | head -n 1) && [ -n "\$WID" ]; do
    n=\$((n + 1)); [ \$n -lt 150 ] || exit 1; sleep 0.1
done
sleep 1
ticks() { awk '{print \$14 + \$15}' /proc/\$APP/stat; }
hz=\$(getconf CLK_TCK)
measure() {
    sleep 1
    a=\$(ticks); sleep $SECONDS_PER_STATE; b=\$(ticks)
    awk -v d=\$((b - a)) -v hz=\$hz -v s=$SECONDS_PER_STATE -v what="\$1" \
        'BEGIN { printf "%-22s %6.2f %% of one core\n", what, 100 * d / hz / s }'
}
# Window coordinates on the default layout: the first row, the visualisation box and
# the pause button.
click() { xdotool mousemove --window \$WID "\$1" "\$2" click 1; }
measure "stopped (start-up)"
xdotool mousemove --window \$WID 200 296 click --repeat 2 --delay 80 1
for mode in spectrum scope vu led off; do
    measure "playing, \$mode"
    click 170 105
done
click 215 181
measure "paused"
click 215 181
# Without a window manager nothing minimises (and xdotool's request to minimise still
# succeeds); unmapping hides the window the same way.
xdotool windowunmap --sync \$WID
measure "playing, hidden"
playerctl --player=orvane pause
measure "paused, hidden"
playerctl --player=orvane play
# Stopped after playing: the output has run and is corked now, as after a pause.
playerctl --player=orvane stop
measure "stopped (after playing)"
kill \$APP
wait \$APP 2>/dev/null || true
INNER
chmod +x "$WORK/inner.sh"
"$ROOT/tests/e2e/with-pulse.sh" --timeout 300 \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" "$WORK/inner.sh"
