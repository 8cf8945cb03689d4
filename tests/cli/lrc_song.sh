#!/usr/bin/env bash
# cantora-cli lrc: the player's LRC file and the exact one for the demo song,
# an empty file for a song without lyrics, and errors that leave no file.
set -u
. "$(dirname "$0")/lib/setup.sh"
leftovers() { ls "$work" | grep -q '\.part$' && fail "a .part file was left: $(ls "$work")"; }

# The demo song, both dialects, against the files checked by hand.
cp "$src/data/demo.kar" "$work/demo.kar"
"$cli" lrc "$work/demo.kar" "$work/demo.lrc" 2>"$work/err" || fail "lrc exited $? ($(cat "$work/err"))"
cmp "$work/demo.lrc" "$data/lrc/demo.lrc" || fail "demo LRC differs"
[ -s "$work/err" ] && fail "messages for a good song: $(cat "$work/err")"
echo "old text that is longer than the new file will be, and more, and more, and more" >"$work/exact.lrc"
"$cli" lrc "$work/demo.kar" "$work/exact.lrc" --exact || fail "lrc --exact exited $?"
cmp "$work/exact.lrc" "$data/lrc/demo_exact.lrc" || fail "demo exact LRC differs (or the old file was not replaced)"

# Two lyric and two text events: no lyrics, an empty file, a note, exit 0.
make_song "$work/few.mid"
"$cli" lrc "$work/few.mid" "$work/few.lrc" 2>"$work/err" || fail "a song without lyrics exited $?"
[ -f "$work/few.lrc" ] && [ ! -s "$work/few.lrc" ] || fail "no empty file for a song without lyrics"
grep -q "no lyrics" "$work/err" || fail "no note for a song without lyrics"

# Unreadable songs and unwritable targets: exit 1, a message, no file.
"$cli" lrc "$work/missing.kar" "$work/m.lrc" 2>"$work/err" && fail "a missing song succeeded"
[ $? -eq 1 ] || fail "a missing song did not exit 1"
[ -s "$work/err" ] || fail "no message for a missing song"
[ -e "$work/m.lrc" ] && fail "a file for a missing song"
echo "not midi" >"$work/bad.kar"
"$cli" lrc "$work/bad.kar" "$work/b.lrc" 2>/dev/null; [ $? -eq 1 ] || fail "a non-MIDI song did not exit 1"
[ -e "$work/b.lrc" ] && fail "a file for a non-MIDI song"
"$cli" lrc "$work/demo.kar" "$work/no/such/dir/x.lrc" 2>"$work/err"; [ $? -eq 1 ] || fail "an unwritable target did not exit 1"
grep -q "cannot write" "$work/err" || fail "no message for an unwritable target"
mkdir "$work/folder.lrc"
"$cli" lrc "$work/demo.kar" "$work/folder.lrc" 2>"$work/err"; [ $? -eq 1 ] || fail "a folder as target did not exit 1"
grep -q "cannot write" "$work/err" || fail "no message for a folder as target"
cp "$work/demo.kar" "$work/keep.kar"
"$cli" lrc "$work/demo.kar" "$work/../$(basename "$work")/demo.kar" 2>"$work/err"; [ $? -eq 1 ] || fail "the song as target did not exit 1"
cmp -s "$work/demo.kar" "$work/keep.kar" || fail "the song was overwritten"
leftovers

# Usage.
"$cli" lrc "$work/demo.kar" >/dev/null 2>&1; [ $? -eq 2 ] || fail "one argument did not exit 2"
"$cli" lrc "$work/demo.kar" "$work/x.lrc" --fast >/dev/null 2>&1; [ $? -eq 2 ] || fail "an unknown option did not exit 2"
"$cli" lrc --help | grep -q "usage" || fail "no usage from --help"
echo "ok"
