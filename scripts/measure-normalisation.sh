#!/bin/sh
# Times how soon normalisation reaches a folder that was just added and played: the
# first track heard at its own gain, every track's level measured, and the underflows
# meanwhile. On a private PulseAudio server with null sinks.
#
#   scripts/measure-normalisation.sh BUILD_DIR [SECONDS] [FILES]
#
# FILES (default 200) MP3s of 4 minutes at five different levels, copied from five
# synthesised seeds, are added 5 s into the playback of another track, and the first
# of them starts at once; the run lasts SECONDS (default 180). The files are removed
# at exit.
set -eu
BUILD=$(realpath "$1")
RUN_SECONDS=${2:-180}
FILES=${3:-200}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROBE="$BUILD/tools/orvane_underflow_probe"
[ -x "$PROBE" ] || { echo "build the orvane_underflow_probe target first" >&2; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-normalisation.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/play" "$WORK/seeds" "$WORK/folder"

echo "generating audio in $WORK"
i=0
for tempo_and_level in "96 0.05" "110 0.2" "124 0.5" "138 0.02" "102 0.1"; do
    set -- $tempo_and_level
    b="($1/60)"
    note="sin(2*PI*t*220*pow(2,floor(mod(t*$b,8))/6))*exp(-5*mod(t,1/$b))"
    bass="sin(2*PI*t*55*pow(2,floor(mod(t*$b/4,4))/4))*exp(-2*mod(t,4/$b))"
    ffmpeg -loglevel error -y -f lavfi \
        -i "aevalsrc='$2*($note+$bass)|$2*($note+0.8*$bass)':s=44100:d=240" \
        -b:a 192k "$WORK/seeds/$i.mp3"
    i=$((i + 1))
done
cp "$WORK/seeds/0.mp3" "$WORK/play/"
for n in $(seq 1 "$FILES"); do
    cp "$WORK/seeds/$((n % 5)).mp3" "$WORK/folder/$(printf %04d "$n") Track.mp3"
done

# Beside the probe a reference client plays silence on the same sink: when it runs dry
# too, the machine was starved, not Orvane.
cat >"$WORK/measure.sh" <<MEASURE
#!/bin/sh
pacat -v --raw --latency-msec=100 --format=float32le --rate=48000 --channels=2 \
    </dev/zero 2>"$WORK/reference.log" &
REF=\$!
status=0
"$PROBE" --play "$WORK/play" --add "$WORK/folder" --play-added --seconds "$RUN_SECONDS" ||
    status=\$?
kill \$REF
wait \$REF 2>/dev/null || true
echo "reference client:  \$(grep -c 'Stream underrun' "$WORK/reference.log") underflows"
exit \$status
MEASURE
chmod +x "$WORK/measure.sh"
"$ROOT/tests/e2e/with-pulse.sh" --timeout $((RUN_SECONDS + 120)) "$WORK/measure.sh"
