#!/usr/bin/env bash
# cantora-cli cdg and mp3 --cdg/--zip: CD+G graphics as long as the song to
# the packet that a player (ffmpeg) decodes without a complaint, following a
# faster tempo; an existing file refused without --force; the MP3+G pair
# beside the MP3 and zipped; no part file left.
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || fail "no work folder"
cp "$src/data/demo.kar" demo.kar
decodes() { ffmpeg -v error -nostdin -f cdg -i "$1" -f null - 2>ffmpeg.err && [ ! -s ffmpeg.err ]; }

"$cli" cdg demo.kar alone.cdg 2>err || fail "cdg exited $? ($(cat err))"
"$cli" mp3 demo.kar demo.mp3 --soundfont "$sf2" --zip 2>err || fail "mp3 --zip exited $? ($(cat err))"
seconds=$(grep -o '[0-9.]* s of audio' err | cut -d' ' -f1)
for f in demo.cdg alone.cdg; do
    size=$(stat -c %s "$f")
    # ceil(seconds x 300) packets of 24 bytes: 7200 bytes a second, within the rounding of the length shown.
    awk -v s="$size" -v t="$seconds" 'BEGIN { exit !(s % 24 == 0 && s >= (t - 0.01) * 7200 && s <= (t + 0.01) * 7200 + 24) }' ||
        fail "$f: $size bytes for $seconds s"
    decodes "$f" || fail "ffmpeg does not decode $f: $(cat ffmpeg.err)"
done
python3 -m zipfile -l demo.zip | grep -q 'demo.cdg' && python3 -m zipfile -l demo.zip | grep -q 'demo.mp3' ||
    fail "demo.zip does not hold both files"

"$cli" cdg demo.kar fast.cdg --tempo 25 --colours '#000000,#ffffff,#00ff00' 2>err || fail "--tempo exited $?"
[ "$(stat -c %s fast.cdg)" -lt "$(stat -c %s alone.cdg)" ] || fail "a faster song gave no shorter graphics"
decodes fast.cdg || fail "ffmpeg does not decode the fast graphics"

# Refusals: an existing file, bad colours; --force replaces.
cp demo.cdg keep.cdg
"$cli" cdg demo.kar fast.cdg 2>err; [ $? -eq 3 ] || fail "an existing OUT did not exit 3"
grep -q -- --force err || fail "no hint at --force"
"$cli" mp3 demo.kar demo.mp3 --cdg --force --soundfont "$sf2" 2>/dev/null || fail "mp3 --cdg --force failed"
cmp -s demo.cdg keep.cdg || fail "replaced graphics differ"
"$cli" cdg demo.kar c.cdg --colours red,green 2>err; [ $? -eq 2 ] || fail "bad colours did not exit 2"
[ -e c.cdg ] && fail "a file for bad colours"
ls | grep -q '\.part$' && fail "a part file was left: $(ls)"
finish cdg_song
