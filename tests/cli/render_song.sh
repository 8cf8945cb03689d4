#!/usr/bin/env bash
# cantora-cli render: a 10 s song gives 1764000 bytes of 16-bit stereo
# 44100 Hz PCM behind the exact 44-byte header, and it sounds; failures
# leave no output file behind.
set -u
bin=$1
sf2=$3
cli=$bin/cantora-cli
. "$(dirname "$0")/lib/make_song.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

make_song "$work/song.mid"
"$cli" render "$work/song.mid" "$work/out.wav" --soundfont "$sf2" 2>"$work/err" || fail "render exited $? ($(cat "$work/err"))"
[ "$(wc -c <"$work/out.wav")" -eq 1764044 ] || fail "size $(wc -c <"$work/out.wav"), want 1764044"
header=$(od -A n -t x1 -N 44 "$work/out.wav" | tr -d ' \n')
want=52494646c4ea1a0057415645666d7420100000000100020044ac000010b102000400100064617461a0ea1a00
[ "$header" = "$want" ] || fail "header $header"
# Some of the 16-bit samples must be far from silence.
loud=$(od -A n -t d2 -j 44 -v "$work/out.wav" | tr -s ' ' '\n' | awk '$1 > 1000 || $1 < -1000 { n++ } END { print n + 0 }')
[ "$loud" -gt 1000 ] || fail "the render is (nearly) silent"
ls "$work"/*.part >/dev/null 2>&1 && fail "a .part file was left behind"

# An existing file is replaced, not appended to.
"$cli" render "$work/song.mid" "$work/out.wav" --soundfont "$sf2" 2>/dev/null || fail "second render failed"
[ "$(wc -c <"$work/out.wav")" -eq 1764044 ] || fail "second render appended"

"$cli" render "$work/missing.mid" "$work/a.wav" --soundfont "$sf2" 2>"$work/err" && fail "a missing song succeeded"
[ -s "$work/err" ] || fail "no message for a missing song"
"$cli" render "$work/song.mid" "$work/b.wav" --soundfont "$work/song.mid" 2>/dev/null && fail "a bad SoundFont succeeded"
"$cli" render "$work/song.mid" "$work/no/such/dir/c.wav" --soundfont "$sf2" 2>/dev/null && fail "an unwritable output succeeded"
for f in a.wav b.wav c.wav a.wav.part b.wav.part; do
    [ -e "$work/$f" ] && fail "$f left behind"
done
"$cli" render "$work/song.mid" 2>/dev/null && fail "a missing output name succeeded"
"$cli" render --help | grep -q "usage" || fail "no usage from --help"
echo "ok"
