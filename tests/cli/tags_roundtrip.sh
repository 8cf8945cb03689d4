#!/bin/bash
# cantora-cli info and tag on temporary copies of real MP3 files: what is
# written reads back here and in exiftool, the audio bytes stay as they were,
# and refused writes change nothing.
# usage: tags_roundtrip.sh BIN_DIR TEST_DATA_DIR [SF2]
set -u
CLI="$1/cantora-cli"
DATA="$2"
WORK=$(mktemp -d)
trap 'chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
field() { grep -o "\"$2\": [^,]*" <<<"$1" | head -1 | cut -d' ' -f2-; }
exif() { exiftool -s -s -s -"$2" "$1" 2>/dev/null; }

cp "$DATA/mp3/silence-44-s-v1.mp3" "$DATA/mp3/lyrics3v2.mp3" "$WORK/"
chmod u+w "$WORK"/*.mp3
V1="$WORK/silence-44-s-v1.mp3"
L3="$WORK/lyrics3v2.mp3"

# --- info: frame and tag fields agree with exiftool ---------------------------
json=$("$CLI" info --json "$V1") || fail "info --json exit $?"
[ "$(field "$json" MpegVersion)" = '"MPEG 1.0"' ] || fail "version $(field "$json" MpegVersion)"
[ "$(field "$json" Layer)" = '"layer 3"' ] || fail "layer"
[ "$(field "$json" Frequency)" = '"44100 Hz"' ] || fail "frequency"
[ "$(field "$json" Title)" = '"Silence"' ] || fail "title $(field "$json" Title)"
[ "$(field "$json" Genre)" = "\"$(( $(exiftool -n -s -s -s -ID3v1:Genre "$V1") + 1 ))\"" ] || fail "genre"
[ "$(field "$json" HasId3v1)" = true ] || fail "HasId3v1"
json=$("$CLI" info --json "$L3")
[ "$(field "$json" HasLyricsMarker)" = true ] || fail "lyrics marker"
[ "$(field "$json" LyricsTagFound)" = true ] || fail "lyrics block"
text=$("$CLI" info "$V1")
grep -qx '<>MPEG 1.0 layer 3' <<<"$text" || fail "panel line 2: $text"
grep -qx 'Artist: piman' <<<"$text" || fail "artist line"

# --- tag: write, read back here and in exiftool -------------------------------
printf '[00:01]Perch\xe9\r\n\r\n[00:02]\x93Caf\xe9\x94\n   \n[00:03]end' >"$WORK/cp1252.lrc"
printf '[00:01]Perch\xc3\xa9\r\n[00:02]\xe2\x80\x9cCaf\xc3\xa9\xe2\x80\x9d\r\n[00:03]end\r\n' >"$WORK/utf8.lrc"
audio1=$(( $(stat -c %s "$V1") - 128 ))
head -c "$audio1" "$V1" >"$WORK/v1.audio"
"$CLI" tag "$V1" --id3v2 none --title "Notte" --genre Pop --year 1999 --lyrics "$WORK/cp1252.lrc" || fail "tag exit $?"
json=$("$CLI" info --json "$V1")
[ "$(field "$json" Title)" = '"Notte"' ] || fail "title after tag"
[ "$(field "$json" Artist)" = '"piman"' ] || fail "artist kept"
[ "$(field "$json" Genre)" = '"14"' ] || fail "genre Pop is byte 13"
[ "$(exif "$V1" ID3v1:Title)" = Notte ] || fail "exiftool title"
[ "$(exif "$V1" ID3v1:Genre)" = Pop ] || fail "exiftool genre"
[ "$(exif "$V1" ID3v1:Track)" = 2 ] || fail "track byte kept"
[ "$(field "$json" Lyrics)" = "\"$(sed 's/\r$/\\r\\n/' "$WORK/utf8.lrc" | tr -d '\n')\"" ] \
    || fail "lyrics read back: $(field "$json" Lyrics)"
[ "$(exif "$V1" Lyrics3:Lyrics)" = "$(tr '\r\n' '..' <"$WORK/utf8.lrc")" ] || fail "exiftool lyrics: $(exif "$V1" Lyrics3:Lyrics)"
cmp -s -n "$audio1" "$V1" "$WORK/v1.audio" || fail "audio bytes changed"
if command -v mpg123 >/dev/null; then
    [ "$(mpg123 -q -s "$V1" 2>/dev/null | md5sum)" = "$(mpg123 -q -s "$DATA/mp3/silence-44-s-v1.mp3" 2>/dev/null | md5sum)" ] \
        || fail "decoded audio differs"
fi

# Saving again with nothing new leaves the same bytes: one block, one tag.
cp "$V1" "$WORK/once.mp3"
"$CLI" tag "$V1" || fail "second tag exit $?"
cmp -s "$V1" "$WORK/once.mp3" || fail "second save changed the file"
[ "$(grep -c LYRICSBEGIN "$V1")" = 1 ] || fail "more than one block"

# --no-lyrics leaves audio + tag.
"$CLI" tag "$V1" --no-lyrics || fail "no-lyrics exit $?"
[ "$(stat -c %s "$V1")" = $((audio1 + 128)) ] || fail "block not removed"

# A block at the very end without a tag is replaced, and a tag added.
audio3=$(( $(stat -c %s "$L3") - 44 ))
"$CLI" tag "$L3" --id3v2 none --title T --lyrics "$WORK/utf8.lrc" || fail "tag lyrics3v2 exit $?"
[ "$(exif "$L3" Lyrics3:Lyrics)" = "$(tr '\r\n' '..' <"$WORK/utf8.lrc")" ] || fail "lyrics3v2 lyrics"
cmp -s -n "$audio3" "$L3" "$DATA/mp3/lyrics3v2.mp3" || fail "lyrics3v2 audio changed"
[ "$(tail -c 128 "$L3" | head -c 3)" = TAG ] || fail "tag not at the end"
[ "$(exif "$L3" ID3v1:Title)" = T ] || fail "exiftool lyrics3v2 title"

# --- refusals change nothing ---------------------------------------------------
sum=$(md5sum <"$V1")
head -c 100000 /dev/zero | tr '\0' a >"$WORK/long.txt"
"$CLI" tag "$V1" --title X --lyrics "$WORK/long.txt" 2>/dev/null && fail "100000-character lyrics accepted"
"$CLI" tag "$V1" --title X --genre 256 2>/dev/null && fail "genre 256 accepted"
[ "$(md5sum <"$V1")" = "$sum" ] || fail "refused write changed the file"
if [ "$(id -u)" != 0 ]; then
    chmod a-w "$V1"
    "$CLI" tag "$V1" --title X 2>/dev/null && fail "read-only file written"
    [ "$(md5sum <"$V1")" = "$sum" ] || fail "read-only file changed"
    chmod u+w "$V1"
fi
for bad in "$WORK/missing.mp3" "$WORK"; do
    "$CLI" info "$bad" >/dev/null 2>&1; rc=$?
    [ $rc = 1 ] || fail "info $bad exit $rc"
    "$CLI" tag "$bad" --title X >/dev/null 2>&1; rc=$?
    [ $rc = 1 ] || fail "tag $bad exit $rc"
done
[ -e "$WORK/missing.mp3" ] && fail "tag created a missing file"
"$CLI" info 2>/dev/null; [ $? = 2 ] || fail "info without files"

[ $fails = 0 ] && echo "tags round trip: all checks passed"
exit $((fails > 0))
