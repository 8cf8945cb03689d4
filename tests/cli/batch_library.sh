#!/usr/bin/env bash
# cantora-cli batch over a small library: the tree mirrored with bad files
# reported, a second run that rewrites nothing, --force, an interrupted run
# completed by the next, --print-jobs through GNU parallel giving the pool's
# very bytes, and --normalize landing a quiet and a loud song on -16 LUFS.
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going

# chord FILE VELOCITY TICKS NOTE...: the notes on together for TICKS
# (480 a quarter, 120 bpm, or $slow: 24 bpm; TICKS < 16384), on a piano.
chord() {
    local f=$1 vel=$2 ticks=$3 on='' off='' n delta
    shift 3
    delta="\\x$(printf %02x $((ticks >> 7 | 128)))\\x$(printf %02x $((ticks & 127)))"
    for n in "$@"; do
        n=$(printf %02x "$n")
        on+="\\x00\\x90\\x$n\\x$(printf %02x "$vel")"
        off+="$delta\\x80\\x$n\\x40"
        delta='\x00'
    done
    smf "$f" "\\x00\\xff\\x51\\x03${slow:-\\x07\\xa1\\x20}\\x00\\xc0\\x00$on$off\\x00\\xff\\x2f\\x00"
}
batch() { "$cli" batch "$@" --soundfont "$sf2" 2>>"$work/err"; }
stamps() { (cd "$1" && find . -type f ! -name '.*' -printf '%p %s %T@ %i\n' | sort); }

lib=$work/lib
mkdir -p "$lib/sub/deep"
make_song "$lib/one.kar"
chord "$lib/sub/deep/t"$'\t'"wo.mid" 100 3840 60 64 # a tab in its name: the manifest keeps it
printf 'MThd\x00\x00' >"$lib/sub/bro\"ken.mid"
printf 'not a song\n' >"$lib/sub/fake.KAR"
printf 'notes\n' >"$lib/sub/notes.txt"

batch "$lib" --out "$work/out" --jobs 2 --report "$work/r.json"
[ $? = 1 ] || fail "a library with bad songs: exit $?, want 1" # (reports, counts: transcript.sh)
[ "$(cd "$work/out" && find . -type f ! -name '.*' | sort | tr '\n' ' ')" = "./one.mp3 ./sub/deep/t"$'\t'"wo.mp3 " ] ||
    fail "outputs: $(cd "$work/out" && find . | tr '\n' ' ')"
grep -qF '"song": "'"$lib"'/sub/bro\"ken.mid", "status": "failed"' "$work/r.json" || fail "report: $(cat "$work/r.json")"

before=$(stamps "$work/out")
batch "$lib" --out "$work/out" --jobs 2
[ "$(stamps "$work/out")" = "$before" ] || fail "a second run rewrote outputs"
grep -q "2 to convert, 2 already done" "$work/err" || fail "second run: $(tail -3 "$work/err")"
batch "$lib" --out "$work/out" --jobs 2 --force --report "$work/r.csv"
[ "$(stamps "$work/out")" != "$before" ] || fail "--force redid nothing"
[ "$(grep -c ',done,' "$work/r.csv")" = 2 ] && grep -qF "\"$lib/sub/bro\"\"ken.mid\",failed," "$work/r.csv" ||
    fail "csv report: $(cat "$work/r.csv")"

# The command lines through GNU parallel into another folder: the same
# bytes; --resume then records them and a run after it has nothing to do.
"$cli" batch "$lib" --out "$work/par" --soundfont "$sf2" --print-jobs 2>/dev/null |
    parallel --will-cite -j2 2>/dev/null
for f in one.mp3 sub/deep/t$'\t'wo.mp3; do
    cmp -s "$work/out/$f" "$work/par/$f" || fail "$f from parallel differs from the pool's"
done
batch "$lib" --out "$work/par" --resume --report "$work/p.json"
[ "$(grep -c '"status": "adopted"' "$work/p.json")" = 2 ] || fail "--resume: $(cat "$work/p.json")"
[ -z "$("$cli" batch "$lib" --out "$work/par" --soundfont "$sf2" --print-jobs 2>/dev/null | grep -v 'ken\|fake')" ] ||
    fail "songs still to do after --resume"

# Ctrl-C once the first song is done: the second stops, leaves no .part, and the next run converts it.
mkdir -p "$work/two"
make_song "$work/two/a.kar"
slow='\x26\x25\xa0' chord "$work/two/b.mid" 100 6000 48 52 55 # 31 s
mkfifo "$work/said"
"$cli" batch "$work/two" --out "$work/int" --jobs 1 --soundfont "$sf2" 2>"$work/said" &
pid=$!
exec 3<"$work/said"
while read -r line <&3 && [[ $line != '[1/2] done'* ]]; do :; done
kill -INT "$pid"
cat <&3 >"$work/err"
wait "$pid"
rc=$?
exec 3<&-
[ $rc = 130 ] || fail "interrupted batch: exit $rc, want 130 ($(cat "$work/err"))"
[ "$(cd "$work/int" && find . -type f ! -name '.*' | sort | tr '\n' ' ')" = "./a.mp3 " ] ||
    fail "after the interruption: $(cd "$work/int" && find . -type f | tr '\n' ' ')"
batch "$work/two" --out "$work/int" --jobs 1
[ $? = 0 ] && [ -s "$work/int/b.mp3" ] || fail "the run after the interruption did not finish b.mp3"
grep -q "1 to convert, 1 already done" "$work/err" || fail "the rerun redid a.mp3"

# --normalize: a quiet and a loud song, measured again by ffmpeg.
mkdir -p "$work/loud"
chord "$work/loud/quiet.mid" 100 3840 60
chord "$work/loud/loud.mid" 127 3840 36 40 43 48 52 55 60 64 67 72 76 79
batch "$work/loud" --out "$work/norm" --normalize --report "$work/n.csv"
awk -F, 'NR > 1 && !($7 < -35 && $8 > 20) { exit 1 }' "$work/n.csv" || fail "loudness, gain: $(cat "$work/n.csv")"
for f in quiet loud; do
    ffmpeg -hide_banner -nostats -i "$work/norm/$f.mp3" -af ebur128=peak=true -f null - 2>&1 |
        awk -v f="$f" '/I:/ { i = $2 } /Peak:/ { p = $2 }
            END { if (i < -16.5 || i > -15.5 || p > -1) { print "FAIL: " f ": " i " LUFS, peak " p " dBTP"; exit 1 } }' ||
        fails=$((fails + 1))
done
finish batch_library
