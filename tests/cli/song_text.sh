#!/usr/bin/env bash
# cantora-cli lrc and marks: the player's LRC file and the exact one for the
# demo song, an empty file and a note for a song without lyrics, the events
# as tab-separated lines in UTF-8 with \ TAB CR LF escaped; songs that cannot
# be read give exit 1, a message and no file.
# usage: song_text.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
cp "$src/data/demo.kar" demo.kar
make_song few.mid
echo "not midi" >bad.kar

"$cli" lrc demo.kar demo.lrc 2>err || fail "lrc exited $? ($(cat err))"
cmp -s demo.lrc "$data/lrc/demo.lrc" || fail "demo LRC differs"
grep -v "wrote demo.lrc" err | grep -q . && fail "messages for a good song: $(cat err)"
"$cli" lrc demo.kar exact.lrc --exact -q || fail "lrc --exact exited $?"
cmp -s exact.lrc "$data/lrc/demo_exact.lrc" || fail "demo exact LRC differs"
# Two lyric and two text events: no lyrics, an empty file, a note, exit 0.
"$cli" lrc few.mid few.lrc 2>err || fail "a song without lyrics exited $?"
[ -f few.lrc ] && [ ! -s few.lrc ] && grep -q "no lyrics" err || fail "no empty file and note for a song without lyrics"

"$cli" marks few.mid >out 2>err || fail "marks exited $? ($(cat err))"
printf 'lyric\t0\t0\t0\t0\tHel\nlyric\t1\t0\t960\t176400\tlo\\t\\\\\ntext\t0\t0\t0\t0\tcaf\xc3\xa9\ntext\t1\t0\t960\t176400\t@T\n' >want
cmp -s out want || fail "marks output differs: $(diff want out)"

for command in "lrc missing.kar m.lrc" "lrc bad.kar b.lrc" "marks missing.kar" "marks bad.kar"; do
    # shellcheck disable=SC2086
    "$cli" $command >out 2>err; rc=$?
    [ "$rc" = 1 ] && [ -s err ] && [ ! -s out ] || fail "$command: exit $rc, $(cat err)"
done
[ -e m.lrc ] || [ -e b.lrc ] && fail "a file for a song that cannot be read"
finish "song text"
