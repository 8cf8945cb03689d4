#!/usr/bin/env bash
# cantora-cli render: the exact WAVs a 10 s song and the demo give; the live options
# (bad values refused by name, neutral ones changing no byte, silences
# heard, the rest pinned byte for byte); outputs that are inputs, and songs too long or holding nothing,
# refused with nothing written; a song read in part says so.
# usage: render.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid # 10 s, flute A4 on channel 1
render() { "$cli" render "$@" --soundfont "$sf2" -q; }
render song.mid plain.wav || fail "render exited $?"

# --- live options: bad values, neutral ones, what they do ------------------------
# (each option's ranges: the C++ tests) A refused value: exit 2, named, nothing written.
render song.mid bad.wav --program 1:128 2>err; rc=$?
[ "$rc" = 2 ] && grep -q -- "--program: '1:128'" err && [ ! -e bad.wav ] || fail "--program 1:128: exit $rc, $(head -1 err)"
render song.mid neutral.wav --key 0 --tempo 0 --channel-key 1:0 || fail "neutral render"
cmp -s plain.wav neutral.wav || fail "neutral options changed the render"
for opts in "--mute 1" "--solo 2" "--font-volume 0" "--volume 1:0"; do
    # shellcheck disable=SC2086
    render song.mid quiet.wav $opts --force || fail "$opts render"
    rms=$(sox quiet.wav -n stat 2>&1 | awk -F: '/RMS.*amplitude/ { gsub(/ /, "", $2); print $2 }')
    awk -v r="$rms" 'BEGIN { exit !(r < 0.0005) }' || fail "$opts: RMS $rms"
done
# The exact bytes (TimGM6mb as Debian 12 ships it: a change meant to alter the sound gives
# new sums here) of the plain song, the demo through every live option, and a normalised one with its report.
cp "$src/data/demo.kar" demo.kar
render demo.kar all.wav --tempo 10 --key 2 --channel-key 2:-3 --volume 3:80 --pan 1:20 --reverb 1:100 --chorus 2:90 \
    --program 4:20 --program 10:25 --mute 6 --font-volume 7 --eq 1:6 --eq 4:-5 --eq 7:8 --compressor 6 &&
    "$cli" render song.mid norm.wav --soundfont "$sf2" --normalize=-20 2>&1 | grep -q "34.17 dBTP; gain +20.19 dB;" ||
    fail "renders with options, or the loudness measured"
[ "$(md5sum plain.wav all.wav norm.wav | cut -c1-32 | tr '\n' ' ')" = "e895d35c890a87df114195f05f1a6a19 \
2fe8996846b93a5dd4f057437667710d bd80845747248376dbcc9e9f95de3843 " ] || fail "pinned renders: $(md5sum ./*.wav)"

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
