#!/bin/sh
# Orvane end to end, driven the way a desktop drives it: over MPRIS on the session bus.
# Run inside a private PulseAudio server, D-Bus session and X server:
#
#   tests/e2e/with-pulse.sh dbus-run-session -- xvfb-run -a tests/e2e/mpris-e2e.sh ORVANE FIXTURES
#
# Checks: the resumed track plays at its stored position; metadata; play-pause pauses
# and resumes; sound reaches the sink's monitor while playing and stops when paused,
# and the stream is corked while paused;
# play and pause ask for a state (play while playing, a second pause, play from paused,
# play after stop), and a pause reads Paused once the 400 ms pause fade has ended;
# next; an absolute position; Quit leaves the resume track and position in the newer of the state
# and resume files; a second start raises the first Orvane and exits. Opening files: --version; a
# start with files plays the first that exists and names the one that does not; a second
# start with two files hands them to the first, which plays the first of them; playerctl
# open plays a percent-encoded file URI; all of them end up in the saved playlist. Cover
# art: a track's embedded picture, written into the cache, and a cover.jpg beside
# another track are each published as mpris:artUrl naming a readable image.
set -eu
BIN=$1
FIXTURES=$2
W=$(mktemp -d "${TMPDIR:-/tmp}/orvane-mpris.XXXXXX")
APP=""
COVER=""
cleanup() {
    status=$?
    for pid in $APP $COVER; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    rm -rf "$W"
    exit $status
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    limit=$(($1 * 10))
    shift
    n=0
    until "$@" >/dev/null 2>&1; do
        n=$((n + 1))
        [ $n -lt $limit ] || return 1
        sleep 0.1
    done
}
ctl() { playerctl -p orvane "$@"; }
status_is() { [ "$(ctl status 2>/dev/null)" = "$1" ]; }
title_is() { [ "$(ctl metadata xesam:title 2>/dev/null)" = "$1" ]; }
position() { ctl position; }
# Whether the top-most of the Orvane and xmessage windows is $1 (no window manager: the
# X server's stacking order, which xwininfo lists from the top).
on_top() {
    xwininfo -root -children | grep -E '"(Orvane|xmessage)": \("' | head -n 1 | grep -q "\"$1\":"
}
# True when $1 <= $2 (decimals).
le() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }
# The loudest sample reaching the default sink during one second of its monitor: a
# count of bytes rather than a time, so that a slow start of the recorder on a busy
# machine cannot shorten what it hears.
sink_peak() {
    timeout 20 parec -d orvane_test_a.monitor --raw --format=s16le --rate=8000 --channels=1 |
        head -c 16000 >"$W/rec.raw" || true
    sox -t raw -r 8000 -e signed -b 16 -c 1 "$W/rec.raw" -n stat 2>&1 |
        awk '/Maximum amplitude/ { print $3 }'
}

# Three tagged 40-second tones (the start-up scan reads the tags again) and a state that
# resumes the first at 7 s.
mkdir -p "$W/music" "$W/data/Orvane"
n=0
for title in "First Light" "Second Wind" "Third Rail"; do
    n=$((n + 1))
    ffmpeg -loglevel error -f lavfi -i "sine=frequency=$((300 + n * 100)):duration=40" -ac 2 \
        -metadata artist="Test Artist" -metadata title="$title" -metadata album="Test Album" \
        -b:a 128k "$W/music/track$n.mp3"
done
P=11111111-1111-4111-8111-111111111111
T1=AAAAAAAA-0000-4000-8000-000000000001
T2=AAAAAAAA-0000-4000-8000-000000000002
T3=AAAAAAAA-0000-4000-8000-000000000003
track() { # id file title
    printf '{"id":"%s","path":"%s","artist":"Test Artist","title":"%s","album":"Test Album","duration":40.0}' \
        "$1" "$W/music/$2" "$3"
}
STATE="$W/data/Orvane/orvane-data.json"
printf '{"playlists":[{"id":"%s","name":"E2E","tracks":[%s,%s,%s]}],"activePlaylistID":"%s",' \
    "$P" "$(track $T1 track1.mp3 'First Light')" "$(track $T2 track2.mp3 'Second Wind')" \
    "$(track $T3 track3.mp3 'Third Rail')" "$P" >"$STATE"
{
    printf '"settings":{"volume":1.0,"resumeOnStartup":true,"quitOnClose":false,'
    printf '"fadePauseOn":true,"fadePauseMs":400.0},'
    printf '"resumePlaylistID":"%s","resumeTrackID":"%s","resumePosition":7.0}\n' "$P" "$T1"
} >>"$STATE"
export XDG_DATA_HOME="$W/data"
export XDG_CACHE_HOME="$W/cache"

"$BIN" >"$W/orvane.log" 2>&1 &
APP=$!
wait_for 20 status_is Playing || { cat "$W/orvane.log" >&2; fail "the resumed track does not play"; }
echo "ok: playing after start"

# Metadata of the resumed track, and its stored position (the jump comes 0.2 s late).
[ "$(ctl metadata --format '{{title}}|{{artist}}|{{album}}')" = \
    "First Light|Test Artist|Test Album" ] || fail "metadata: $(ctl metadata)"
length=$(ctl metadata mpris:length)
[ "$length" -gt 39900000 ] && [ "$length" -lt 40100000 ] || fail "length $length"
ctl metadata mpris:trackid | grep -q '/org/orvane/Orvane/Track/' || fail "no track id"
wait_for 5 sh -c "playerctl -p orvane position | awk '{ exit !(\$1 >= 7.0) }'" ||
    fail "not resumed at 7 s: $(position)"
echo "ok: metadata and resumed position"

peak=$(sink_peak)
le 0.02 "$peak" || fail "no sound at the sink while playing (peak $peak)"
ctl play-pause
wait_for 5 status_is Paused || fail "play-pause did not pause"
sleep 0.5 # what the server buffered before the pause drains
peak=$(sink_peak)
le "$peak" 0.001 || fail "sound while paused (peak $peak)"
# Paused means corked: the server asks Orvane for nothing.
pactl list sink-inputs | grep -q 'Corked: yes' || fail "not corked while paused"
ctl play-pause
wait_for 5 status_is Playing || fail "play-pause did not resume"
pactl list sink-inputs | grep -q 'Corked: no' || fail "still corked after resuming"
echo "ok: play-pause, sound while playing, silence while paused, corked while paused"

# Headsets send Play and Pause, which ask for a state rather than toggle. Each call
# returns once Orvane has answered it, so the status read next is already its result.
# A pause takes effect only when its fade has ended: a play taken for a pause would
# show only in a position that stops moving.
at=$(position)
ctl play
wait_for 5 sh -c "playerctl -p orvane position | awk -v a=$at '{ exit !(\$1 >= a + 1.0) }'" ||
    fail "play while playing: at $(position) s, from $at s"
status_is Playing || fail "play while playing: $(ctl status)"
ctl pause
wait_for 2 status_is Paused || fail "not Paused once the pause fade ended: $(ctl status)"
ctl pause
status_is Paused || fail "a second pause: $(ctl status)"
at=$(position)
ctl play
wait_for 5 status_is Playing || fail "play from paused: $(ctl status)"
le "$at" "$(position)" || fail "play from paused did not resume at $at: $(position)"
ctl stop
wait_for 5 status_is Stopped || fail "stop: $(ctl status)"
ctl play
wait_for 5 status_is Playing || fail "play after stop: $(ctl status)"
title_is "First Light" || fail "play after stop started $(ctl metadata xesam:title)"
echo "ok: play and pause ask for a state, the pause fade ends in Paused"

ctl next
wait_for 5 title_is "Second Wind" || fail "next: $(ctl metadata xesam:title)"
ctl position 12
wait_for 5 sh -c "playerctl -p orvane position | awk '{ exit !(\$1 >= 12.0 && \$1 < 15.0) }'" ||
    fail "absolute position: $(position)"
echo "ok: next and absolute position"

dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.orvane /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
wait_for 10 sh -c "! kill -0 $APP" || fail "Quit did not end Orvane"
APP=""
# The position lives in the resume file beside the state file when that is the newer.
RESUMED=$(ls -t "$STATE" "$W/data/Orvane/orvane-resume.json" 2>/dev/null | head -n 1)
grep -q "\"resumeTrackID\":\"$T2\"" "$RESUMED" || fail "resume track not saved: $(cat "$RESUMED")"
saved=$(grep -o '"resumePosition":[0-9.]*' "$RESUMED" | cut -d: -f2)
le 12.0 "$saved" && le "$saved" 15.0 || fail "resume position saved as $saved"
echo "ok: Quit saved track 2 at $saved s"

# One Orvane at a time: the second start asks the first to come to the front and exits.
"$BIN" >"$W/first.log" 2>&1 &
APP=$!
wait_for 20 status_is Playing || fail "the restart does not play"
wait_for 10 on_top Orvane || fail "no Orvane window"
xmessage -geometry 900x900+0+0 "covering Orvane" 2>/dev/null &
COVER=$!
wait_for 10 on_top xmessage || fail "the covering window did not appear"
timeout 20 "$BIN" >"$W/second.log" 2>&1 || fail "the second start failed or hung"
kill -0 "$APP" || fail "the first Orvane ended"
[ "$(playerctl -l | grep -c orvane)" = 1 ] || fail "players: $(playerctl -l)"
wait_for 5 on_top Orvane || fail "the first was not raised"
echo "ok: a second start raised the first and exited"

# Opening files. The build's fixtures are three-second tones without tags, so each
# plays under its file name; repeat one keeps it playing while it is looked at.
"$BIN" --version >"$W/version.txt" || fail "--version exited $?"
grep -q '^Orvane ' "$W/version.txt" || fail "--version printed $(cat "$W/version.txt")"
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.orvane /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
wait_for 10 sh -c "! kill -0 $APP" || fail "Quit did not end Orvane"
APP=""
mkdir -p "$W/open"
cp "$FIXTURES/sine.opus" "$W/open/Alpha.opus"
cp "$FIXTURES/sine.ogg" "$W/open/Bravo.ogg"
cp "$FIXTURES/sine.wv" "$W/open/Charlie.wv"
cp "$FIXTURES/sine.flac" "$W/open/Delta Tone.flac"
P2=22222222-2222-4222-8222-222222222222
printf '{"playlists":[{"id":"%s","name":"Open","tracks":[]}],"activePlaylistID":"%s",%s\n' \
    "$P2" "$P2" '"settings":{"volume":1.0,"resumeOnStartup":false,"pbMode":"one"}}' >"$STATE"

"$BIN" /no/such.mp3 "$W/open/Alpha.opus" >"$W/open.log" 2>"$W/open.err" &
APP=$!
wait_for 20 title_is Alpha || { cat "$W/open.err" >&2; fail "the file argument does not play"; }
status_is Playing || fail "the file argument: $(ctl status)"
grep -q '^orvane: /no/such.mp3: no such file' "$W/open.err" ||
    fail "the missing file is not named: $(cat "$W/open.err")"
peak=$(sink_peak)
le 0.02 "$peak" || fail "no sound at the sink from the opened Opus file (peak $peak)"
echo "ok: a start with files plays the one that exists and names the other"

(cd "$W" && timeout 20 "$BIN" open/Bravo.ogg "$W/open/Charlie.wv") >"$W/second.log" 2>&1 ||
    fail "the second start with files failed or hung: $(cat "$W/second.log")"
wait_for 10 title_is Bravo || fail "the handed-over files: $(ctl metadata xesam:title)"
[ "$(playerctl -l | grep -c orvane)" = 1 ] || fail "players: $(playerctl -l)"
echo "ok: a second start handed two files over and the first of them plays"

ctl open "file://$W/open/Delta%20Tone.flac"
wait_for 10 title_is "Delta Tone" || fail "playerctl open: $(ctl metadata xesam:title)"
echo "ok: playerctl open plays a file URI"

# The image file an artUrl names, once it is published: file URLs of plain paths only.
art_file() { ctl metadata mpris:artUrl 2>/dev/null | sed -n 's|^file://||p'; }
has_art() { [ -n "$(art_file)" ]; }
convert -size 32x32 xc:red "$W/front.png"
ffmpeg -loglevel error -i "$FIXTURES/sine.flac" -i "$W/front.png" -map 0 -map 1 -c copy \
    -disposition:v attached_pic "$W/open/Echo.flac"
ctl open "file://$W/open/Echo.flac"
wait_for 10 title_is Echo || fail "playerctl open Echo: $(ctl metadata xesam:title)"
wait_for 10 has_art || fail "no artUrl for the embedded cover: $(ctl metadata)"
case "$(art_file)" in
"$W/cache/Orvane/covers/"*.png) ;;
*) fail "the embedded cover is not in the cache: $(art_file)" ;;
esac
[ "$(identify -format '%wx%h' "$(art_file)")" = 32x32 ] || fail "unreadable cover $(art_file)"
mkdir -p "$W/album"
cp "$FIXTURES/sine.ogg" "$W/album/Foxtrot.ogg"
convert -size 24x24 xc:blue "$W/album/cover.jpg"
ctl open "file://$W/album/Foxtrot.ogg"
wait_for 10 title_is Foxtrot || fail "playerctl open Foxtrot: $(ctl metadata xesam:title)"
wait_for 10 has_art || fail "no artUrl for the cover beside the track: $(ctl metadata)"
[ "$(art_file)" = "$W/album/cover.jpg" ] || fail "the cover beside the track: $(art_file)"
[ "$(identify -format '%wx%h' "$(art_file)")" = 24x24 ] || fail "unreadable cover $(art_file)"
echo "ok: mpris:artUrl names the embedded cover and the one beside the track"

dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.orvane /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
wait_for 10 sh -c "! kill -0 $APP" || fail "Quit did not end Orvane"
APP=""
for name in Alpha.opus Bravo.ogg Charlie.wv "Delta Tone.flac"; do
    [ "$(grep -o "\"path\":\"[^\"]*$name\"" "$STATE" | wc -l)" = 1 ] ||
        fail "$name not in the playlist once: $(cat "$STATE")"
done
! grep -q such.mp3 "$STATE" || fail "the missing file was added"
echo "ok: the opened files are in the playlist, each once"
