#!/bin/sh
# Builds the seed corpora of the fuzz targets from the generated fixtures and the source
# tree:
#
#   fuzz/seed-corpus.sh BUILD_DIR OUT_DIR
#
# BUILD_DIR is a configured build whose orvane_fixtures and orvane_demo_library targets
# have been built (the fixtures in BUILD_DIR/fixtures, the demo library tool for a
# realistic state file). OUT_DIR receives one folder per target, made afresh.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR OUT_DIR" >&2
    exit 2
fi
BUILD=$(cd "$1" && pwd)
OUT=$2
FIXTURES=$BUILD/fixtures
SOURCE=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
for target in state m3u8 track_parse tag_text id3_writer metadata_reader audio_file_reader \
    mp3_frame_walk flac_tail container_tags container_length; do
    mkdir -p "$OUT/$target"
done

# Audio files are kept small: long inputs make every fuzzing step slow. A large file
# contributes its first 64 KiB, which hold its headers and tags.
small_copy() {
    size=$(wc -c <"$1")
    if [ "$size" -le 131072 ]; then cat "$1"; else head -c 65536 "$1"; fi
}

# ---- state files ------------------------------------------------------------------
"$BUILD/tools/orvane_demo_library" "$OUT/state/demo.json" --media "$FIXTURES/tags" \
    --tracks 12 --playlists 3 >/dev/null
printf '{"playlists":[{"id":"0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3","name":"Playlist 1","tracks":[]}],"settings":{}}' \
    >"$OUT/state/fresh.json"
printf '{"playlists":[{"id":"0a1b2c3d-4e5f-4a6b-8c7d-8e9fa0b1c2d3","name":"P","tracks":[{"id":"00000000-0000-4000-8000-000000000001","path":"\\/a\\/b.mp3","artist":"A","title":"T","duration":1.5e2,"trackNumber":3}]}],"activePlaylistID":"0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3","settings":{"pbMode":"one","eqGains":[0,1,2,3,4,5,6,7,8,9],"customEQPresets":{"Mine":[1,2,3,4,5,6,7,8,9,10]}},"resumePosition":12.25}' \
    >"$OUT/state/small.json"

# ---- playlist files ---------------------------------------------------------------
printf '#EXTM3U\n#EXTINF:123,Artist - Title\n/music/a.mp3\n#EXTINF:-1,B\n/music/b.flac\n' \
    >"$OUT/m3u8/extended.m3u8"
printf '\357\273\277a.mp3\r\nsub/b.wav\r\n../c.m4a\r\n' >"$OUT/m3u8/relative-crlf.m3u"
printf '#EXTM3U\nfile:///music/caf%%C3%%A9%%20x.mp3\nfile://localhost/music/d.mp3\n\n  /music/e.mp3  \n' \
    >"$OUT/m3u8/urls.m3u8"

# ---- file names -------------------------------------------------------------------
n=0
for name in "03 - Artist Name - Song Title.mp3" "Artist - Title - Live.flac" "12. Song.wav" \
    "01_Intro.m4a" "01-02 Song.mp3" "2024.mp3" " - Song.mp3" "7 .mp3" "/music/dir.x/01 A - B"; do
    n=$((n + 1))
    printf '%s' "$name" >"$OUT/track_parse/name-$n"
done
for f in "$FIXTURES"/* "$FIXTURES"/*/*; do
    n=$((n + 1))
    printf '%s' "$f" >"$OUT/track_parse/name-$n"
done

# ---- tag texts --------------------------------------------------------------------
n=0
for text in "3/12" "7" " 03 / 10" "/12" "A/B" "1/2/3" "-2147483648/+5" "Café crème" \
    "$(printf '\303\217\303\260\303\250\303\242\303\245\303\262')" "5/"; do
    n=$((n + 1))
    printf '%s' "$text" >"$OUT/tag_text/text-$n"
done

# ---- audio files ------------------------------------------------------------------
# The audio readers' first input byte picks the file name extension.
for f in "$FIXTURES"/*.* "$FIXTURES"/tags/*.* "$FIXTURES"/engine/*.*; do
    case "$f" in
    *.mp3) kind='\000' ;;
    *.flac) kind='\001' ;;
    *.m4a) kind='\002' ;;
    *.wav | *.aiff) kind='\003' ;;
    *.ogg) kind='\004' ;;
    *.opus) kind='\005' ;;
    *.wv) kind='\006' ;;
    *.wma) kind='\007' ;;
    *.aac) kind='\010' ;;
    *.caf) kind='\011' ;;
    *) continue ;;
    esac
    seed=$(echo "$f" | sed "s|^$FIXTURES/||; s|/|-|g")
    { printf "$kind"; small_copy "$f"; } >"$OUT/metadata_reader/$seed"
    cp "$OUT/metadata_reader/$seed" "$OUT/audio_file_reader/$seed"
    cp "$OUT/metadata_reader/$seed" "$OUT/container_tags/$seed"
    case "$f" in
    *.mp3)
        small_copy "$f" >"$OUT/id3_writer/$seed"
        cp "$OUT/id3_writer/$seed" "$OUT/mp3_frame_walk/$seed"
        ;;
    *.flac)
        # The block size the reader passes (4096, FFmpeg's), then the file's end.
        { printf '\020\000'; tail -c 16384 "$f"; } >"$OUT/flac_tail/$seed"
        ;;
    *.m4a | *.ogg | *.opus | *.caf)
        # The header readers look at both ends of a file: short files go in whole.
        if [ "$(wc -c <"$f")" -le 262144 ]; then cp "$f" "$OUT/container_length/$seed"; fi
        ;;
    esac
done
printf 'ID3\003\000\020\000\000\000\000\377\373' >"$OUT/id3_writer/footer-flag.mp3"

echo "seed corpora in $OUT"
