#!/bin/sh
# Tag fixtures for the metadata reader and ID3 writer tests and the metadata benchmark.
# Usage: make-tag-fixtures.sh OUTPUT_FOLDER
# Everything is generated here with sox, lame, ffmpeg, mpcenc, ImageMagick and python3;
# nothing is downloaded. Re-running is quick: the work is skipped while the set is
# complete and this script unchanged (scripts/fixture-lib.sh).
set -eu

# shellcheck source=scripts/fixture-lib.sh
. "$(dirname "$0")/fixture-lib.sh"
OUT=${1:?usage: make-tag-fixtures.sh OUTPUT_FOLDER}
STAMP="$OUT/.tag-fixtures-stamp"
FIXTURE_FILES="v23.mp3 v24.mp3 v22.mp3 tyer-tdrc.mp3 tdrc-tyer.mp3 numbers.mp3 cover.mp3 plain.mp3
       mojibake.mp3 tagged.flac tagged.m4a info.wav id3.wav id3.aiff broken.mp3 tag-only.mp3
       not-audio.flac full.flac full.ogg full.opus full.m4a tagged.wv tagged.mpc tagged.wma
       tagged.aac tagged.caf jukebox.mp3"

fixtures_start "$OUT" "$STAMP" sox lame ffmpeg convert python3 mpcenc
WORK=$fixtures_tmp

FF="ffmpeg -nostdin -hide_banner -loglevel error -y"
META="-metadata title=Title -metadata artist=Artist -metadata album=Album
      -metadata album_artist=AlbumArtist -metadata genre=Genre -metadata date=2003
      -metadata track=4/10 -metadata composer=Composer -metadata comment=Comment"

# One second of a stereo tone at 44.1 kHz is the audio of every file.
sox -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth 1 sine 440 vol 0.5
lame --quiet -b 128 "$WORK/tone.wav" "$WORK/untagged.mp3"
convert -size 16x16 xc:red "$WORK/cover.png"
convert -size 8x8 xc:blue "$WORK/back.png"

# ID3v2.3 from lame: common and frame fields, a comment, CBR 128 kbit/s.
lame --quiet -b 128 --id3v2-only --tt "Title23" --ta "Artist23" --tl "Album23" --ty 2001 \
    --tn 3/12 --tg Rock --tc "Comment23" --tv "TPE2=AlbumArtist23" --tv "TCOM=Composer23" \
    --tv "TPOS=1/2" "$WORK/tone.wav" "$OUT/v23.mp3"
# ID3v2.4 (UTF-8 frames, TDRC) from ffmpeg, 192 kbit/s.
$FF -i "$WORK/tone.wav" -c:a libmp3lame -b:a 192k -id3v2_version 4 $META \
    -metadata title="Title24" -metadata disc=2/3 "$OUT/v24.mp3"
# Cover picture (APIC) next to the texts.
lame --quiet -b 128 --id3v2-only --tt "CoverTitle" --ta "CoverArtist" --ti "$WORK/cover.png" \
    "$WORK/tone.wav" "$OUT/cover.mp3"
# MP3 without any tag.
cp "$WORK/untagged.mp3" "$OUT/plain.mp3"

# Other containers: Vorbis comments, MP4 items, RIFF INFO, and ID3 chunks.
$FF -i "$WORK/tone.wav" -c:a flac $META "$OUT/tagged.flac"
$FF -i "$WORK/tone.wav" -c:a aac -b:a 128k $META "$OUT/tagged.m4a"
$FF -i "$WORK/tone.wav" -c:a pcm_s16le $META "$OUT/info.wav"
$FF -i "$WORK/tone.wav" -c:a pcm_s16be -write_id3v2 1 -id3v2_version 3 $META "$OUT/id3.aiff"
# Formats whose tags only the decoder reads (Matroska, APEv2 in TTA), and Ogg Vorbis.
$FF -i "$WORK/tone.wav" -c:a flac $META "$OUT/tagged.mka"
$FF -i "$WORK/tone.wav" -c:a tta $META "$OUT/tagged.tta"
$FF -i "$WORK/tone.wav" -c:a libvorbis $META "$OUT/tagged.ogg"

# Every field in the other tag formats, as their users' taggers store them: totals apart
# (FLAC) or as "n/m" (the rest), a comment as DESCRIPTION (FFmpeg's Vorbis comments),
# pictures and a field Orvane does not edit in the files it can write.
DISC="-metadata disc=2/3"
# A back cover first, then the front cover (FFmpeg takes the type from the comment).
$FF -i "$WORK/tone.wav" -i "$WORK/back.png" -i "$WORK/cover.png" -map 0 -map 1 -map 2 \
    -c:v copy -disposition:v attached_pic -metadata:s:v:0 comment="Cover (back)" \
    -metadata:s:v:1 comment="Cover (front)" -c:a flac $META -metadata track=4 \
    -metadata TRACKTOTAL=10 -metadata disc=2 -metadata DISCTOTAL=3 -metadata MOOD=Calm \
    "$OUT/full.flac"
$FF -i "$WORK/tone.wav" -i "$WORK/cover.png" -map 0 -map 1 -c:v copy \
    -disposition:v attached_pic -c:a aac -b:a 128k $META $DISC -metadata lyrics=Lyrics \
    "$OUT/full.m4a"
# Ogg keeps a picture as a comment holding a FLAC picture block.
python3 -c '
import base64, struct, sys
data = open(sys.argv[1], "rb").read()
mime = b"image/png"
block = (struct.pack(">II", 3, len(mime)) + mime + struct.pack(">I", 0)
         + struct.pack(">IIIII", 16, 16, 24, 0, len(data)) + data)
print(base64.b64encode(block).decode())' "$WORK/cover.png" >"$WORK/picture.b64"
PICTURE_COMMENT=$(cat "$WORK/picture.b64")
for codec in libvorbis:ogg libopus:opus; do
    $FF -i "$WORK/tone.wav" -c:a "${codec%%:*}" $META $DISC -metadata MOOD=Calm \
        -metadata METADATA_BLOCK_PICTURE="$PICTURE_COMMENT" "$OUT/full.${codec#*:}"
done
# APE tags (WavPack from FFmpeg, Musepack from mpcenc), ASF, and the formats the tag
# library cannot open: ADTS with an ID3v2 tag, CAF with its info chunk.
$FF -i "$WORK/tone.wav" -c:a wavpack $META $DISC "$OUT/tagged.wv"
mpcenc --silent --overwrite --title Title --artist Artist --album Album \
    --tag "Album Artist=AlbumArtist" --genre Genre --year 2003 --track 4/10 --tag Disc=2/3 \
    --tag Composer=Composer --comment Comment "$WORK/tone.wav" "$OUT/tagged.mpc"
# A WMA year is WM/Year; FFmpeg keeps the comment as a Description attribute.
$FF -i "$WORK/tone.wav" -c:a wmav2 $META $DISC -metadata WM/Year=2003 "$OUT/tagged.wma"
$FF -i "$WORK/tone.wav" -c:a aac -b:a 128k -write_id3v2 1 $META $DISC "$OUT/tagged.aac"
$FF -i "$WORK/tone.wav" -c:a alac $META $DISC "$OUT/tagged.caf"

# Hand-made tags: ID3v2.2, frame order, number texts, mojibake, an ID3 chunk in a WAV
# file, and files that do not decode.
python3 - "$WORK" "$OUT" <<'EOF'
import struct, sys, random
work, out = sys.argv[1], sys.argv[2]
audio = open(f"{work}/untagged.mp3", "rb").read()

def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])

def tag(version, frames):
    body = b"".join(frames)
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(body)) + body

def f23(fid, payload):
    return fid.encode() + struct.pack(">I", len(payload)) + b"\0\0" + payload

def text(fid, s, enc=1):
    data = s.encode("latin-1") if enc == 0 else b"\xff\xfe" + s.encode("utf-16-le")
    return f23(fid, bytes([enc]) + data)

def comm(desc, s):
    return f23("COMM", b"\x01eng" + b"\xff\xfe" + desc.encode("utf-16-le") + b"\0\0"
               + b"\xff\xfe" + s.encode("utf-16-le"))

def f22(fid, s):
    payload = b"\0" + s.encode("latin-1")
    return fid.encode() + struct.pack(">I", len(payload))[1:] + payload

def write(name, data):
    open(f"{out}/{name}", "wb").write(data)

write("v22.mp3", tag(2, [f22("TT2", "Title22"), f22("TP1", "Artist22"), f22("TAL", "Album22"),
                         f22("TP2", "AlbumArtist22"), f22("TCO", "Jazz"), f22("TYE", "1998"),
                         f22("TRK", "7/9"), f22("TCM", "Composer22")]) + audio)
write("tyer-tdrc.mp3", tag(3, [text("TIT2", "Years"), text("TYER", "1999"),
                               text("TDRC", "2005-06-07")]) + audio)
write("tdrc-tyer.mp3", tag(3, [text("TIT2", "Years"), text("TDRC", "2005-06-07"),
                               text("TYER", "1999")]) + audio)
# Last frame wins; a described comment (player data) does not hide a plain one.
write("numbers.mp3", tag(3, [text("TRCK", "1/2"), text("TRCK", "5/"), text("TPOS", "05"),
                             text("TCON", "(17)"), comm("", "first"), comm("", "second"),
                             comm("iTunNORM", " 000001F4 000001F4")]) + audio)
# What a popular jukebox leaves: only described comments, all of them player data.
write("jukebox.mp3", tag(3, [text("TIT2", "Jukebox"), comm("iTunNORM", " 0000021C 00000227"),
                            comm("iTunSMPB", " 00000000 00000210 000007C0"),
                            comm("iTunPGAP", "0"), comm("iTunes_CDDB_IDs", "9+0A1B2C")]) + audio)
# Windows-1251 bytes in ISO-8859-1 frames; a French title stays as it is.
write("mojibake.mp3", tag(3, [f23("TIT2", b"\0" + "Привет, мир".encode("cp1251")),
                              f23("TPE1", b"\0" + "Café crème".encode("latin-1")),
                              f23("TCOM", b"\0" + "Чайковский".encode("cp1251"))]) + audio)
# A tag and no audio at all.
write("tag-only.mp3", tag(3, [text("TIT2", "Only a tag"), text("TPE2", "Nobody")]))
# Bytes that are no audio, with an .mp3 and a .flac name.
rng = random.Random(7)
write("broken.mp3", bytes(rng.randrange(256) for _ in range(4096)))
write("not-audio.flac", b"This is not a FLAC file.\n" * 40)

# WAV with an "id3 " chunk after the data chunk.
wav = bytearray(open(f"{work}/tone.wav", "rb").read())
chunk = tag(3, [text("TIT2", "WavTitle"), text("TPE1", "WavArtist"), text("TALB", "WavAlbum"),
                text("TPE2", "WavAlbumArtist"), text("TRCK", "2/8")])
wav += b"id3 " + struct.pack("<I", len(chunk)) + chunk + b"\0" * (len(chunk) % 2)
wav[4:8] = struct.pack("<I", len(wav) - 8)
write("id3.wav", bytes(wav))
EOF

fixtures_done "$STAMP"
