#!/bin/sh
# Starts the private PulseAudio daemon of tests/e2e/with-pulse.sh in folder $1 and waits
# until it answers with its two null sinks. with-pulse.sh runs it once; tests that
# restart the server (as a package upgrade or a crash does) run it again through
# $ORVANE_PULSE_START, and the daemon comes back on the same socket.
#
# With --warm, it also returns only once the default sink passes audio on: a new null
# sink runs its first idle block of 2 s before anything reaches its monitor, which a
# real sink does not do. A recorder kept on the monitor (it ends with the daemon) keeps
# the sink awake afterwards, so that a test times the player, not the test sink.
set -eu
B=$1
warm=${2:-}

sink() {
    echo "module-null-sink sink_name=$1 sink_properties='device.description=\"$2\"'" \
        "rate=48000 format=float32le channels=2"
}

# No session bus for the daemon: it must not autolaunch one that outlives the test.
DBUS_SESSION_BUS_ADDRESS="unix:path=$B/no-bus" DISPLAY='' \
    timeout 20 pulseaudio -D -n --exit-idle-time=-1 --disallow-exit --realtime=false \
    --high-priority=false --log-target="file:$B/pulse.log" \
    --load="$(sink orvane_test_a 'Orvane Test A')" \
    --load="$(sink orvane_test_b 'Orvane Test B')" \
    --load="module-native-protocol-unix socket=$B/run/pulse/native auth-anonymous=1" ||
    { echo "with-pulse: pulseaudio did not start" >&2; cat "$B/pulse.log" >&2 2>/dev/null; exit 1; }

# The daemon answers within a second or two; poll rather than guess.
tries=0
until timeout 5 pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -ge 200 ]; then
        echo "with-pulse: pulseaudio does not answer" >&2
        cat "$B/pulse.log" >&2 2>/dev/null || true
        exit 1
    fi
    sleep 0.05
done

# A failing --load still leaves `pulseaudio -D` successful: check the sinks.
sinks=$(timeout 5 pactl list short sinks)
for name in orvane_test_a orvane_test_b; do
    if ! printf '%s\n' "$sinks" | cut -f2 | grep -qx "$name"; then
        echo "with-pulse: sink $name is missing" >&2
        cat "$B/pulse.log" >&2 2>/dev/null || true
        exit 1
    fi
done
timeout 5 pactl set-default-sink orvane_test_a

if [ "$warm" = "--warm" ]; then
    monitor() {
        parec -d orvane_test_a.monitor --format=s16le --channels=2 --rate=48000 \
            --latency-msec=20 "$@" 2>/dev/null
    }
    monitor >/dev/null </dev/null &
    monitor >"$B/warm.raw" </dev/null &
    probe=$!
    tries=0
    until [ -s "$B/warm.raw" ]; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || { echo "with-pulse: the sink never woke" >&2; exit 1; }
        sleep 0.02
    done
    kill $probe
    rm -f "$B/warm.raw"
fi
