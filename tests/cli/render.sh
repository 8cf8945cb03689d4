#!/usr/bin/env bash
# cantora-cli render: the exact WAV a 10 s song gives; the live options
# (bad values refused by name, neutral ones changing no byte, the others
# heard); outputs that are inputs, and songs too long or holding nothing,
# refused with nothing written; a song read in part says so.
# usage: render.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid # 10 s, flute A4 on channel 1
render() { "$cli" render "$@" --soundfont "$sf2" -q; }
render song.mid plain.wav || fail "render exited $?"
want=52494646c4ea1a0057415645666d7420100000000100020044ac000010b102000400100064617461a0ea1a00
[ "$(od -A n -t x1 -N 44 plain.wav | tr -d ' \n')" = "$want" ] && [ "$(wc -c <plain.wav)" = 1764044 ] ||
    fail "header or size of the WAV"
loud=$(od -A n -t d2 -j 44 -v plain.wav | tr -s ' ' '\n' | awk '$1 > 400 || $1 < -400 { n++ } END { print n + 0 }')
[ "$loud" -gt 1000 ] || fail "the render is (nearly) silent"

# --- live options: bad values, neutral ones, what they do ------------------------
# (each option's ranges: the C++ tests) A refused value: exit 2, named, nothing written.
render song.mid bad.wav --program 1:128 2>err; rc=$?
[ "$rc" = 2 ] && grep -q -- "--program: '1:128'" err && [ ! -e bad.wav ] || fail "--program 1:128: exit $rc, $(head -1 err)"
render song.mid neutral.wav --key 0 --tempo 0 --channel-key 1:0 || fail "neutral render"
cmp -s plain.wav neutral.wav || fail "neutral options changed the render"
render song.mid fast.wav --tempo 50 || fail "fast render"
awk -v a="$(soxi -D plain.wav)" -v b="$(soxi -D fast.wav)" 'BEGIN { r = (b - 0.1) / (a - 0.1); exit !(r > 0.6 && r < 0.73) }' ||
    fail "tempo 50: $(soxi -D fast.wav) s against $(soxi -D plain.wav) s"
# band FILE LOW-HIGH: RMS amplitude through a band-pass. A4 up an octave: 880 Hz grows against 440 Hz.
band() { sox "$1" -n sinc "$2" stat 2>&1 | awk -F: '/RMS.*amplitude/ { gsub(/ /, "", $2); print $2 }'; }
render song.mid up.wav --key 12 || fail "key render"
awk -v a="$(band plain.wav 850-910)" -v b="$(band plain.wav 410-470)" -v c="$(band up.wav 850-910)" \
    -v d="$(band up.wav 410-470)" 'BEGIN { exit !(c / d > 5 * a / b) }' || fail "key 12 moved no energy up an octave"
for opts in "--mute 1" "--solo 2" "--font-volume 0" "--volume 1:0"; do
    # shellcheck disable=SC2086
    render song.mid quiet.wav $opts --force || fail "$opts render"
    rms=$(sox quiet.wav -n stat 2>&1 | awk -F: '/RMS.*amplitude/ { gsub(/ /, "", $2); print $2 }')
    awk -v r="$rms" 'BEGIN { exit !(r < 0.0005) }' || fail "$opts: RMS $rms"
done
render song.mid eq.wav --eq 2:10 --compressor 6 || fail "effects render"
cmp -s plain.wav eq.wav && fail "the equaliser and compressor changed nothing"

# --- the output is an input (also through links) -----------------------------------
# (the same-file check itself, through .., hard links and links: core tests)
sum=$(md5sum <song.mid)
ln -s song.mid link.wav
cp "$sf2" font.sf2
for out in link.wav font.sf2; do
    "$cli" render song.mid "$out" --soundfont font.sf2 --force 2>err && fail "render over an input as $out succeeded"
    grep -q "is the input .* itself" err || fail "render $out: $(cat err)"
done
cmp -s "$sf2" font.sf2 && [ "$(md5sum <song.mid)" = "$sum" ] && [ -L link.wav ] || fail "an input was changed"
"$cli" encode plain.wav plain.wav --force 2>err && fail "encode over its input succeeded"
cp "$data/mp3/silence-44-s-v1.mp3" s.mp3 && chmod u+w s.mp3 && ln -s s.mp3 s-link.lrc
"$cli" tag s.mp3 --lyrics s-link.lrc 2>err && fail "tag took its own file as lyrics"
grep -q "the lyrics file is the file being tagged" err || fail "tag: $(cat err)"

# --- songs that cannot be rendered: refused, nothing written -------------------------
# A song whose only track starts with a data byte: the reader keeps nothing of it.
smf data.mid '\x00\x40\x40\x00\xff\x2f\x00'
timeout 60 "$cli" render data.mid data.wav --soundfont "$sf2" 2>err; rc=$?
[ "$rc" = 1 ] && grep -q "data.mid: the song holds no events" err && [ ! -e data.wav ] || fail "data.mid: exit $rc, $(cat err)"
# A song read in part is rendered and says how much was read; a whole one does not.
"$cli" render "$data/midi/PiDamaged.mid" pi.wav --soundfont "$sf2" 2>err || fail "PiDamaged.mid: exit $?"
grep -q "read in part: 3 of 30 tracks" err || fail "PiDamaged.mid message: $(cat err)"
"$cli" lrc "$data/midi/PiDamaged.mid" pi.lrc 2>err && fail "lrc of a song cut short succeeded"
grep -q "lyrics would be incomplete" err || fail "lrc PiDamaged.mid: $(cat err)"
ls -A | grep -q '\.part$' && fail "a temporary file was left"

finish "render"
