#!/usr/bin/env bash
# cantora-cli mp3: the demo song becomes an MP3 that decodes to the render's
# length and carries the typed fields and the song's LRC as its Lyrics3
# text; a song without lyrics gets the ID3v1 tag only; the live settings
# reach the render; refusals leave every file as it was; no work file is
# left anywhere.
set -u
. "$(dirname "$0")/lib/setup.sh"
field() { grep -o "\"$2\": \"[^\"]*\"" <<<"$1" | head -1 | cut -d' ' -f2-; }
# Largest absolute 16-bit sample mpg123 decodes from an MP3.
peak() { mpg123 -q -s "$1" | od -A n -t d2 -v | tr -s ' ' '\n' | awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }'; }

# Every temporary file the command could make lands in places watched here.
mkdir "$work/run" "$work/home" "$work/tmp"
cd "$work/run" || fail "no work folder"
export HOME=$work/home TMPDIR=$work/tmp
# The window's work file names, and anything half written, in the program's folder.
workfiles() { ls "$bin" | grep -Ei '^(newwave\.wav|newnorm\.wav|syncro\.(lrc|mp3))$|\.(wav|part)$'; }
before=$(workfiles)
cp "$src/data/demo.kar" demo.kar

"$cli" mp3 demo.kar out.mp3 --artist "Ann Example" --album "Stars" --year 2024 --comment "sung" --genre Pop \
    --soundfont "$sf2" 2>err || fail "mp3 exited $? ($(cat err))"
grep -q '100%' err || fail "no progress bar on stderr"
[ "$(ls)" = "$(printf 'demo.kar\nerr\nout.mp3')" ] || fail "files beside the output: $(ls | tr '\n' ' ')"
[ -z "$(ls -A "$work/home" "$work/tmp" | grep -v ':$' | grep -v '^$')" ] || fail "files in HOME or TMPDIR"
[ "$before" = "$(workfiles)" ] || fail "work files in the program's folder"

# The audio: as long as the WAV render of the same song.
"$cli" render demo.kar "$work/demo.wav" --soundfont "$sf2" 2>/dev/null || fail "render failed"
want=$(($(stat -c %s "$work/demo.wav") - 44))
got=$(mpg123 -q -s out.mp3 | wc -c)
[ "$got" -eq "$want" ] || fail "decoded $got bytes of PCM, the render has $want"

# The tag, read back.
json=$("$cli" info --json out.mp3) || fail "info failed"
[ "$(field "$json" Title)" = '"Twinkle, Twinkle, Little Star"' ] || fail "title $(field "$json" Title) (the song's @T)"
[ "$(field "$json" Artist)" = '"Ann Example"' ] || fail "artist $(field "$json" Artist)"
[ "$(field "$json" Album)" = '"Stars"' ] || fail "album"
[ "$(field "$json" Year)" = '"2024"' ] || fail "year"
[ "$(field "$json" Comment)" = '"sung"' ] || fail "comment"
[ "$(field "$json" Genre)" = '"14"' ] || fail "genre $(field "$json" Genre) (Pop is byte 13)"
# The lyrics: the LRC the lrc command writes, byte for byte, in one LYR field.
"$cli" lrc demo.kar "$work/demo.lrc" || fail "lrc failed"
n=$(stat -c %s "$work/demo.lrc")
[ "$n" -gt 100 ] || fail "the demo LRC is empty"
head -c $((128 + 15 + n + 19)) <(tail -c $((128 + 15 + n + 19)) out.mp3) | head -c 19 | grep -q "^LYRICSBEGINLYR$(printf %05d "$n")$" ||
    fail "no LYRICSBEGIN LYR field of $n bytes"
tail -c $((128 + 15 + n)) out.mp3 | head -c "$n" | cmp -s - "$work/demo.lrc" || fail "the Lyrics3 text is not the LRC"
[ "$(tail -c 137 out.mp3 | head -c 9)" = LYRICS200 ] || fail "no LYRICS200 before the tag"
grep -q '"Lyrics": "\[00:02\]TWINKLE' <<<"$json" || fail "info reads no lyrics"
# The same bytes as the road in steps: render, encode, tag with the LRC.
"$cli" encode "$work/demo.wav" "$work/steps.mp3" 2>/dev/null || fail "encode failed"
"$cli" tag "$work/steps.mp3" --title "Twinkle, Twinkle, Little Star" --artist "Ann Example" --album "Stars" \
    --year 2024 --comment "sung" --genre Pop --lyrics "$work/demo.lrc" --id3v2 none 2>/dev/null || fail "tag failed"
# After the ID3v2 tag at the start (its size: 7-bit bytes 6 to 9 of its header).
id3=$(od -A n -t u1 -j 6 -N 4 out.mp3 | awk '{ print 10 + $1 * 2097152 + $2 * 16384 + $3 * 128 + $4 }')
tail -c +$((id3 + 1)) out.mp3 | cmp -s - "$work/steps.mp3" || fail "the MP3 differs from render + encode + tag"

# Without --force an existing output stays byte for byte; with it, it is replaced.
cp out.mp3 "$work/keep.mp3"
"$cli" mp3 demo.kar out.mp3 --title Other --soundfont "$sf2" 2>err && fail "an existing output was replaced without --force"
grep -q "already exists" err || fail "no message for an existing output"
cmp -s out.mp3 "$work/keep.mp3" || fail "the refused output changed"
"$cli" mp3 demo.kar out.mp3 --title Other --soundfont "$sf2" --force 2>/dev/null || fail "--force failed"
[ "$(field "$("$cli" info --json out.mp3)" Title)" = '"Other"' ] || fail "--force did not replace the output"
# The song is never its own output, even with --force.
"$cli" mp3 demo.kar ./demo.kar --soundfont "$sf2" --force 2>err && fail "the song was written over"
cmp -s demo.kar "$src/data/demo.kar" || fail "the song changed"
[ -e demo.kar.part ] && fail "a .part for a refused output"

# A song without lyrics: ID3v1 only, a note; the title is the file name (its @T is empty, no track name).
make_song few.mid
"$cli" mp3 few.mid few.mp3 --soundfont "$sf2" 2>err || fail "a song without lyrics failed: $(cat err)"
grep -q "no lyrics" err || fail "no note for a song without lyrics"
grep -c LYRICS few.mp3 >/dev/null && fail "a Lyrics3 block for a song without lyrics"
[ "$(tail -c 128 few.mp3 | head -c 3)" = TAG ] || fail "no ID3v1 tag"
[ "$(field "$("$cli" info --json few.mp3)" Title)" = '"few"' ] || fail "title of a song without one"
# --no-lyrics on a song with lyrics: the same shape.
"$cli" mp3 demo.kar plain.mp3 --no-lyrics --soundfont "$sf2" 2>/dev/null || fail "--no-lyrics failed"
grep -c LYRICS plain.mp3 >/dev/null && fail "a Lyrics3 block despite --no-lyrics"

# The live settings reach the render: the only channel muted leaves silence.
loud=$(peak few.mp3)
"$cli" mp3 few.mid muted.mp3 --mute 1 --soundfont "$sf2" 2>/dev/null || fail "--mute failed"
quiet=$(peak muted.mp3)
[ "$loud" -gt 500 ] && [ "$quiet" -lt 100 ] || fail "peak $loud plain, $quiet with the channel muted"
"$cli" mp3 few.mid bad.mp3 --key 99 --soundfont "$sf2" 2>/dev/null
[ $? -eq 2 ] || fail "a key out of range was not a usage error"
# The preset reaches the encoder.
"$cli" mp3 few.mid insane.mp3 --preset insane --soundfont "$sf2" 2>/dev/null || fail "--preset insane failed"
[ "$(field "$("$cli" info --json insane.mp3)" Bitrate)" = '"320 Kbps"' ] || fail "--preset insane is not 320 kbit/s"
"$cli" mp3 few.mid bad.mp3 --preset bogus --soundfont "$sf2" 2>/dev/null
[ $? -eq 2 ] || fail "an unknown preset was not a usage error"

# Failures leave nothing.
"$cli" mp3 missing.kar m.mp3 --soundfont "$sf2" 2>err && fail "a missing song succeeded"
[ -s err ] || fail "no message for a missing song"
"$cli" mp3 demo.kar no/such/dir/x.mp3 --soundfont "$sf2" 2>/dev/null && fail "an unwritable output succeeded"
"$cli" mp3 demo.kar s.mp3 --soundfont demo.kar 2>/dev/null && fail "a bad SoundFont succeeded"
ls | grep -Eq '^(m|s|bad)\.mp3|\.part$' && fail "files left by failures: $(ls | tr '\n' ' ')"
"$cli" --help | grep -q "mp3 SONG OUT.mp3" || fail "mp3 missing from the help"
echo "ok"
