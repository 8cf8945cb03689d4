#!/usr/bin/env bash
# cantora-cli marks: one tab-separated line per lyric and text event, text in
# UTF-8 with \ TAB CR LF escaped; bad input gives an error and a non-zero exit.
set -u
bin=$1
cli=$bin/cantora-cli
# make_song FILE: format 0, 480 ticks per quarter, 120 bpm, 10 s long.
#   tick 0:    lyric "Hel", text "caf\xE9" (CP1252), flute, A4 on
#   tick 960:  lyric "lo<TAB>\", text "@T"
#   tick 9600: A4 off, end of track
make_song() {
    local track
    track=$(mktemp)
    printf '\x00\xff\x51\x03\x07\xa1\x20' >"$track"
    printf '\x00\xff\x05\x03Hel' >>"$track"
    printf '\x00\xff\x01\x04caf\xe9' >>"$track"
    printf '\x00\xc0\x49\x00\x90\x45\x64' >>"$track"
    printf '\x87\x40\xff\x05\x04lo\t\\' >>"$track"
    printf '\x00\xff\x01\x02@T' >>"$track"
    printf '\xc3\x40\x80\x45\x40\x00\xff\x2f\x00' >>"$track"
    local len
    len=$(wc -c <"$track")
    {
        printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk'
        printf "\\x$(printf %02x $((len >> 24 & 255)))\\x$(printf %02x $((len >> 16 & 255)))"
        printf "\\x$(printf %02x $((len >> 8 & 255)))\\x$(printf %02x $((len & 255)))"
        cat "$track"
    } >"$1"
    rm -f "$track"
}
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
