#!/usr/bin/env bash
# cantora-cli mp3: the demo song becomes an MP3 that decodes to the render's
# length and holds the very bytes of render + encode + tag with the typed
# fields and the song's LRC; a song without lyrics gets the ID3v1 tag only;
# the preset reaches the encoder; no work file is left anywhere.
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
# field FILE NAME: one field of info --json.
field() { "$cli" info --json "$1" | python3 -c "import json,sys; print(json.load(sys.stdin)[0]['$2'])"; }

# Every temporary file the command could make lands in places watched here.
mkdir "$work/run" "$work/home" "$work/tmp"
cd "$work/run" || fail "no work folder"
export HOME=$work/home TMPDIR=$work/tmp
# The window's work file names, and anything half written, in the program's folder.
workfiles() { ls -A "$bin" | grep -Ei '^(newwave\.wav|newnorm\.wav|syncro\.(lrc|mp3))$|\.(wav|part)$'; }
before=$(workfiles)
cp "$src/data/demo.kar" demo.kar

"$cli" mp3 demo.kar out.mp3 --artist "Ann Example" --album "Stars" --year 2024 --comment "sung" --genre Pop \
    --soundfont "$sf2" 2>err || fail "mp3 exited $? ($(cat err))"
[ "$(ls -A)" = "$(printf 'demo.kar\nerr\nout.mp3')" ] || fail "files beside the output: $(ls -A | tr '\n' ' ')"
[ -z "$(ls -A "$work/home" "$work/tmp" | grep -v ':$' | grep -v '^$')" ] || fail "files in HOME or TMPDIR"
[ "$before" = "$(workfiles)" ] || fail "work files in the program's folder"
[ "$(field out.mp3 Title)" = "Twinkle, Twinkle, Little Star" ] || fail "title: $(field out.mp3 Title)"

# The audio: as long as the WAV render of the same song.
"$cli" render demo.kar "$work/demo.wav" --soundfont "$sf2" -q || fail "render failed"
[ "$(mpg123 -q -s out.mp3 | wc -c)" -eq $(($(stat -c %s "$work/demo.wav") - 44)) ] || fail "decoded length differs"
"$cli" lrc demo.kar "$work/demo.lrc" -q || fail "lrc failed"
# The same bytes as the road in steps: render, encode, tag with the typed fields and the LRC.
"$cli" encode "$work/demo.wav" "$work/steps.mp3" -q || fail "encode failed"
"$cli" tag "$work/steps.mp3" --title "Twinkle, Twinkle, Little Star" --artist "Ann Example" --album "Stars" \
    --year 2024 --comment "sung" --genre Pop --lyrics "$work/demo.lrc" --id3v2 none -q || fail "tag failed"
# After the ID3v2 tag at the start (its size: 7-bit bytes 6 to 9 of its header).
id3=$(od -A n -t u1 -j 6 -N 4 out.mp3 | awk '{ print 10 + $1 * 2097152 + $2 * 16384 + $3 * 128 + $4 }')
tail -c +$((id3 + 1)) out.mp3 | cmp -s - "$work/steps.mp3" || fail "the MP3 differs from render + encode + tag"

# A song without lyrics: ID3v1 only, a note; the preset arrives.
make_song few.mid
"$cli" mp3 few.mid few.mp3 --soundfont "$sf2" 2>err || fail "a song without lyrics failed: $(cat err)"
grep -q "no lyrics" err || fail "no note for a song without lyrics"
grep -c LYRICS few.mp3 >/dev/null && fail "a Lyrics3 block for a song without lyrics"
[ "$(tail -c 128 few.mp3 | head -c 3)" = TAG ] || fail "no ID3v1 tag"
"$cli" mp3 few.mid insane.mp3 --preset insane --soundfont "$sf2" -q || fail "--preset insane failed"
[ "$(field insane.mp3 Bitrate)" = "320 Kbps" ] || fail "--preset insane is not 320 kbit/s"

# Failures leave nothing.
"$cli" mp3 missing.kar m.mp3 --soundfont "$sf2" 2>err && fail "a missing song succeeded"
"$cli" mp3 demo.kar s.mp3 --soundfont demo.kar 2>/dev/null && fail "a bad SoundFont succeeded"
ls -A | grep -Eq '^(m|s)\.mp3|\.part$' && fail "files left by failures: $(ls -A | tr '\n' ' ')"
finish "mp3 convert"
