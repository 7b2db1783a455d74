#!/bin/sh
# Counts PulseAudio underflows while Orvane plays and scans a library of 10,000 audio
# files in the background, on a private PulseAudio server with null sinks. Prints the
# probe's figures: underflows, scan times, tracks completed, CPU.
#
#   scripts/measure-underflows.sh BUILD_DIR [SECONDS]
#
# First a short run shows that the counter works: the probe is stopped (SIGSTOP) for
# a second while it plays, which must show up as underflows. Then the measurement:
# four music-like tracks of 2.5 minutes play in a loop and after 5 s the library is
# added, SECONDS (default 600) of playback in all, with a reference client beside it.
# The library (about 5 GB, mixed formats: MP3 with and without an Info header, AAC,
# FLAC, WAV, AIFF, 4 to 24 s each) is built from a few synthesised seeds copied under
# 10,000 names, and removed at exit. Generating it takes a few minutes.
set -eu
BUILD=$(realpath "$1")
RUN_SECONDS=${2:-600}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROBE="$BUILD/tools/orvane_underflow_probe"
[ -x "$PROBE" ] || { echo "build the orvane_underflow_probe target first" >&2; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-underflows.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/play" "$WORK/seeds" "$WORK/library"

# A tune at BPM beats a minute, as a WAV: a plucked note per beat walking up a scale,
# over a bass note per bar, slightly different on the two channels.
tune() { # BPM SECONDS OUTPUT
    b="($1/60)"
    note="sin(2*PI*t*220*pow(2,floor(mod(t*$b,8))/6))*exp(-5*mod(t,1/$b))"
    bass="sin(2*PI*t*55*pow(2,floor(mod(t*$b/4,4))/4))*exp(-2*mod(t,4/$b))"
    ffmpeg -loglevel error -y -f lavfi \
        -i "aevalsrc='0.35*$note+0.3*$bass|0.3*$note+0.35*$bass':s=44100:d=$2" "$3"
}
# Encodes the first SECONDS of a WAV, with tags.
encode() { # INPUT SECONDS TITLE OUTPUT [ENCODER OPTIONS...]
    in=$1 length=$2 title=$3 out=$4
    shift 4
    ffmpeg -loglevel error -y -i "$in" -t "$length" -metadata artist="Probe Band" \
        -metadata album="Probe Album" -metadata title="$title" -metadata date=2024 "$@" "$out"
}

echo "generating audio in $WORK"
n=0
for bpm in 96 110 124 138; do
    n=$((n + 1))
    tune $bpm 150 "$WORK/tune.wav"
    out="$WORK/play/$n Probe Band - Tune $n"
    case $n in
    1 | 4) encode "$WORK/tune.wav" 150 "Tune $n" "$out.mp3" -b:a 192k ;;
    2) encode "$WORK/tune.wav" 150 "Tune $n" "$out.flac" ;;
    3) encode "$WORK/tune.wav" 150 "Tune $n" "$out.m4a" -c:a aac -b:a 192k ;;
    esac
done

# Five seeds per kind, of 4 to 24 seconds; a kind is "extension:encoder options".
kinds="mp3:-b:a|128k mp3:-b:a|192k|-write_xing|0 m4a:-c:a|aac|-b:a|160k flac:-c:a|flac
wav:-c:a|pcm_s16le aiff:-c:a|pcm_s16be|-write_id3v2|1"
for s in 0 1 2 3 4; do
    tune $((90 + 12 * s)) 24 "$WORK/tune.wav"
    k=0
    for kind in $kinds; do
        opts=$(printf '%s' "${kind#*:}" | tr '|' ' ')
        # shellcheck disable=SC2086 # the options are words
        encode "$WORK/tune.wav" $((4 + 5 * s)) "Seed $k-$s" "$WORK/seeds/$k-$s.${kind%%:*}" $opts
        k=$((k + 1))
    done
done
rm "$WORK/tune.wav"

# One album of 100 files (per twenty: 8 MP3, 6 AAC, 4 FLAC, 1 WAV, 1 AIFF), copied
# into 100 album folders.
album="$WORK/library/Album 1"
mkdir -p "$album"
for i in $(seq 0 99); do
    case $((i % 20)) in
    0 | 1 | 2 | 3) k=0 ;; 4 | 5 | 6 | 7) k=1 ;; 8 | 9 | 10 | 11 | 12 | 13) k=2 ;;
    14 | 15 | 16 | 17) k=3 ;; 18) k=4 ;; *) k=5 ;;
    esac
    seed=$(echo "$WORK/seeds/$k-$(((i + i / 20) % 5))".*)
    cp "$seed" "$album/$((i + 1)) Artist $((i % 37)) - Title $i.${seed##*.}"
done
for a in $(seq 2 100); do
    cp -r "$album" "$WORK/library/Album $a"
done
echo "library: $(find "$WORK/library" -type f | wc -l) files, $(du -sh "$WORK/library" | cut -f1)"

echo
echo "== check: the probe stopped for 1 s while playing (underflows expected) =="
cat > "$WORK/starve.sh" <<STARVE
#!/bin/sh
"$PROBE" --play "$WORK/play" --seconds 12 &
PID=\$!
sleep 5
kill -STOP \$PID
sleep 1
kill -CONT \$PID
wait \$PID
STARVE
chmod +x "$WORK/starve.sh"
"$ROOT/tests/e2e/with-pulse.sh" --timeout 60 "$WORK/starve.sh"

echo
echo "== measurement: ${RUN_SECONDS} s of playback, the library added after 5 s =="
# Beside the probe a reference client plays silence on the same sink with a similar
# buffer: when it runs dry too, the machine (or the server) was starved, not Orvane.
cat > "$WORK/measure.sh" <<MEASURE
#!/bin/sh
pacat -v --raw --latency-msec=100 --format=float32le --rate=48000 --channels=2 \
    </dev/zero 2>"$WORK/reference.log" &
REF=\$!
status=0
"$PROBE" --play "$WORK/play" --add "$WORK/library" --seconds "$RUN_SECONDS" || status=\$?
kill \$REF
wait \$REF 2>/dev/null || true
# pacat prints its stream time before each underrun: about the probe's times, as both
# start together.
pattern='Time: [0-9.]* sec; Latency: [0-9]* usec\.[[:space:]]*Stream underrun'
runs=\$(grep -o "\$pattern" "$WORK/reference.log" |
    sed 's/Time: \([0-9.]*\) sec.*/\1/' | tr '\n' ' ')
echo "reference client:  \$(echo \$runs | wc -w) underflows (pacat, silence)," \
    "at its times: \$runs"
exit \$status
MEASURE
chmod +x "$WORK/measure.sh"
"$ROOT/tests/e2e/with-pulse.sh" --timeout $((RUN_SECONDS + 120)) "$WORK/measure.sh"
