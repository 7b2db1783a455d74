#!/bin/sh
# Starts Orvane under a private X server and D-Bus session, waits for its window and
# saves a screenshot of the whole screen: scripts/screenshot.sh BINARY OUT.png [SECONDS]
set -eu
BIN=$(realpath "$1")
OUT=$2
SETTLE=${3:-1}
mkdir -p "$(dirname "$OUT")"
OUT=$(realpath "$OUT")

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/run" "$WORK/data"
chmod 700 "$WORK/run"
export XDG_RUNTIME_DIR="$WORK/run" XDG_DATA_HOME="${ORVANE_SCREENSHOT_DATA:-$WORK/data}"

cat > "$WORK/inner.sh" <<INNER
#!/bin/sh
"$BIN" &
APP=\$!
i=0
until xwininfo -name Orvane >/dev/null 2>&1; do
    i=\$((i + 1))
    if [ \$i -gt 100 ] || ! kill -0 \$APP 2>/dev/null; then
        echo "Orvane's window did not appear" >&2
        kill \$APP 2>/dev/null || true
        exit 1
    fi
    sleep 0.1
done
sleep $SETTLE
import -window root "$OUT"
kill \$APP
wait \$APP 2>/dev/null || true
INNER
chmod +x "$WORK/inner.sh"
dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" "$WORK/inner.sh"
echo "Screenshot: $OUT"
