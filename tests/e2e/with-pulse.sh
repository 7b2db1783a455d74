#!/bin/sh
# Runs a command against a private PulseAudio daemon that holds two null sinks,
# then stops the daemon whatever the command did. Works as root without systemd.
#
#   tests/e2e/with-pulse.sh [--timeout SECONDS] COMMAND [ARGS...]
#
# Sinks: orvane_test_a ("Orvane Test A", the default) and orvane_test_b
# ("Orvane Test B"), both 48 kHz float32 stereo. The command sees PULSE_SERVER and
# the private runtime folders, so `pactl`, `parec` and `pulseaudio -k` reach this
# daemon only, ORVANE_PULSE_E2E=1 so that tests know a private server is there, and
# ORVANE_PULSE_START, the command that starts the daemon again after a test killed it.
# The command is killed after the timeout (default 120 s): a test never hangs CI.
set -eu

limit=120
if [ "${1:-}" = "--timeout" ]; then
    limit=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 [--timeout SECONDS] COMMAND [ARGS...]" >&2
    exit 2
fi

B=$(mktemp -d "${TMPDIR:-/tmp}/orvane-pulse.XXXXXX")
mkdir -p "$B/run/pulse" "$B/state" "$B/config"
export XDG_RUNTIME_DIR="$B/run" PULSE_RUNTIME_PATH="$B/run/pulse" PULSE_STATE_PATH="$B/state" \
    XDG_CONFIG_HOME="$B/config" PULSE_COOKIE="$B/state/cookie" HOME="$B"
export PULSE_SERVER="unix:$B/run/pulse/native"
# Clients (pactl, parec, the tests) read an empty configuration, not the machine's.
export PULSE_CLIENTCONFIG="$B/config/client.conf"
: >"$PULSE_CLIENTCONFIG"

# shellcheck disable=SC2317 # called by the trap
stop_daemon() {
    # `pulseaudio -k` finds the daemon through PULSE_RUNTIME_PATH, so it can only
    # reach ours. If it does not answer, end it by the pid it wrote.
    timeout 10 pulseaudio -k >/dev/null 2>&1 || true
    if [ -f "$B/run/pulse/pid" ]; then
        pid=$(cat "$B/run/pulse/pid" 2>/dev/null || true)
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
        fi
    fi
    rm -rf "$B"
}
trap stop_daemon EXIT
trap 'exit 130' INT TERM

start="sh $(dirname "$0")/start-pulse.sh $B"
$start
export ORVANE_PULSE_START="$start --warm"

export ORVANE_PULSE_E2E=1
status=0
timeout -k 5 "$limit" "$@" || status=$?
if [ $status -eq 124 ]; then
    echo "with-pulse: '$*' did not finish within ${limit} s" >&2
fi
exit $status
