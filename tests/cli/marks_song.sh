#!/usr/bin/env bash
# cantora-cli marks: one tab-separated line per lyric and text event, text in
# UTF-8 with \ TAB CR LF escaped; bad input gives an error and a non-zero exit.
set -u
bin=$1
cli=$bin/cantora-cli
. "$(dirname "$0")/lib/make_song.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

make_song "$work/song.mid"
"$cli" marks "$work/song.mid" >"$work/out" 2>"$work/err" || fail "marks exited $? ($(cat "$work/err"))"
printf 'lyric\t0\t0\t0\t0\tHel\nlyric\t1\t0\t960\t176400\tlo\\t\\\\\ntext\t0\t0\t0\t0\tcaf\xc3\xa9\ntext\t1\t0\t960\t176400\t@T\n' >"$work/want"
cmp -s "$work/out" "$work/want" || { diff "$work/want" "$work/out"; fail "marks output differs"; }

"$cli" marks "$work/missing.mid" >"$work/out" 2>"$work/err" && fail "a missing song succeeded"
[ -s "$work/err" ] || fail "no message for a missing song"
[ -s "$work/out" ] && fail "output for a missing song"
echo "not midi" >"$work/bad.mid"
"$cli" marks "$work/bad.mid" >/dev/null 2>&1 && fail "a non-MIDI file succeeded"
"$cli" marks >/dev/null 2>&1 && fail "no arguments succeeded"
"$cli" marks --help | grep -q "usage" || fail "no usage from --help"
echo "ok"
