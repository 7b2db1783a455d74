#!/bin/sh
# Starts Orvane under a private X server, D-Bus session and PulseAudio server with a
# generated library and saves screenshots of its window:
#
#   scripts/screenshots.sh BUILD_DIR OUT_DIR
#
# playlist.png   the playlist shown, a track playing
# compact.png    the playlist hidden (Ctrl+Shift+P)
# long-list.png  a playlist of 100,000 tracks scrolled far down
# dragging.png   a row being dragged three rows down
# vis-<mode>.png each visualisation while music plays
# compact-start.png   started again with the playlist hidden
# compact-after-fullscreen.png  the same after F11 twice
# mode-panel.png, eq-panel.png, context-menu.png, close-confirm.png, tag-editor.png,
# settings-<n>.png (whole screen)
set -eu
BUILD=$(realpath "$1")
mkdir -p "$2"
OUT=$(realpath "$2")
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN="$BUILD/src/app/orvane"
MAKE_LIBRARY="$BUILD/tools/orvane_demo_library"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/media" "$WORK/small/Orvane" "$WORK/small2/Orvane" "$WORK/large/Orvane"

# A dozen short tracks with tags, so that the list shows artists and titles.
i=0
for title in "Amber Lantern" "Paper River" "Glass Orbit" "Winter Signal" "Hollow Harbour" \
    "Midnight Echoes" "Open Water" "Small Hours" "Field Notes" "Long Distance" \
    "Salt and Light" "Last Tram"; do
    i=$((i + 1))
    ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=$((220 + i * 40)):duration=40" \
        -ac 2 -metadata artist="Aurora Fields" -metadata title="$title" \
        -metadata album="Demo Sessions" -b:a 192k "$WORK/media/$(printf %02d $i) $title.mp3"
done
"$MAKE_LIBRARY" "$WORK/small/Orvane/orvane-data.json" --media "$WORK/media" --tracks 40 \
    --playlists 3 >/dev/null
# The first run changes its state (a row moved, the playlist hidden); the second starts
# from the same library afresh.
cp "$WORK/small/Orvane/orvane-data.json" "$WORK/small2/Orvane/"
"$MAKE_LIBRARY" "$WORK/large/Orvane/orvane-data.json" --media "$WORK/media" --tracks 100000 \
    >/dev/null

cat > "$WORK/inner.sh" <<INNER
#!/bin/sh
set -eu
start() {
    XDG_DATA_HOME="\$1" "$BIN" &
    APP=\$!
    n=0
    until WID=\$(xdotool search --onlyvisible --name '^Orvane\$' 2>/dev/null | head -n 1) && [ -n "\$WID" ]; do
        n=\$((n + 1))
        if [ \$n -gt 150 ] || ! kill -0 \$APP 2>/dev/null; then
            echo "Orvane's window did not appear" >&2
            exit 1
        fi
        sleep 0.1
    done
    sleep 1
}
stop() { kill \$APP; wait \$APP 2>/dev/null || true; }
shot() {
    eval "\$(xdotool getwindowgeometry --shell "\$WID")"
    import -window root -crop "\${WIDTH}x\${HEIGHT}+\${X}+\${Y}" +repage "$OUT/\$1"
    echo "Screenshot: $OUT/\$1"
}
# Window coordinates of the list's first row: below the menu bar, panel, tabs and
# toolbar (measured on the default layout).
ROW0=296
ROW_HEIGHT=26
# The close cross of the first playlist tab.
CLOSE_X=90
CLOSE_Y=228

start "$WORK/small"
xdotool mousemove --window \$WID 200 \$ROW0 click --repeat 2 --delay 80 1
sleep 1.5
shot playlist.png
xdotool mousemove --window \$WID 200 \$((ROW0 + 2 * ROW_HEIGHT)) mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove --window \$WID 200 \$((ROW0 + 2 * ROW_HEIGHT + step * 8))
    sleep 0.05
done
sleep 0.3
shot dragging.png
xdotool key Escape mouseup 1
xdotool key ctrl+shift+p
sleep 1
shot compact.png
stop

start "$WORK/small2"
xdotool mousemove --window \$WID 200 \$ROW0 click --repeat 2 --delay 80 1
sleep 2
for mode in vu led off spectrum scope; do
    shot vis-\$mode.png
    xdotool mousemove --window \$WID 170 105 click 1
    sleep 1.2
done
screen() { import -window root "$OUT/\$1"; echo "Screenshot: $OUT/\$1"; }
xdotool mousemove --window \$WID 381 181 click 1
sleep 0.8
screen mode-panel.png
xdotool key Escape
sleep 0.3
xdotool mousemove --window \$WID 440 181 click 1
sleep 0.8
screen eq-panel.png
xdotool key Escape
sleep 0.3
xdotool mousemove --window \$WID 200 \$((ROW0 + ROW_HEIGHT)) click 3
sleep 0.5
screen context-menu.png
xdotool key Down Down Down Return
sleep 1
screen tag-editor.png
xdotool key Escape
sleep 0.3
xdotool mousemove --window \$WID 538 181 click 1
sleep 1.5
for tab in 1 2 3 4 5; do
    screen settings-\$tab.png
    xdotool key ctrl+Tab
    sleep 0.8
done
xdotool key Escape
sleep 0.3
xdotool mousemove --window \$WID \$CLOSE_X \$CLOSE_Y click 1
sleep 0.8
screen close-confirm.png
xdotool key Escape
stop

# The first run hid the playlist: this start is compact from the beginning.
start "$WORK/small"
shot compact-start.png
xdotool key F11
sleep 1
xdotool key F11
sleep 1
shot compact-after-fullscreen.png
stop

start "$WORK/large"
xdotool mousemove --window \$WID 200 \$ROW0 click 1
for page in 1 2 3 4 5 6 7 8; do xdotool key Page_Down; done
xdotool key ctrl+End
sleep 0.5
for page in 1 2 3; do xdotool key Page_Up; done
sleep 0.5
shot long-list.png
stop
INNER
chmod +x "$WORK/inner.sh"
"$ROOT/tests/e2e/with-pulse.sh" --timeout 180 \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" "$WORK/inner.sh"
