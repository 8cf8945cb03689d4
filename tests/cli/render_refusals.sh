#!/usr/bin/env bash
# cantora-cli render, encode and tag never write over one of their inputs
# (also through links); render refuses songs that are too long or hold
# nothing to play before writing, says when it read a song only in part, and
# Ctrl-C / SIGTERM leave no partial file and exit 130.
# usage: render_refusals.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
# midi_song FILE TRACK_BYTES...: format 0, 480 ticks a quarter, one track.
midi_song() {
    local out=$1 len
    shift
    len=$(printf "$@" | wc -c)
    printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00'"\\x$(printf %02x "$len")" >"$out"
    printf "$@" >>"$out"
}
no_output() { for f in "$@"; do [ -e "$f" ] && fail "$f was written"; done; ls ./*.part >/dev/null 2>&1 && fail "a .part file was left"; }

# --- the output is an input --------------------------------------------------
make_song song.mid
sum=$(md5sum <song.mid)
ln -s song.mid link.wav
ln song.mid hard.wav
mkdir sub
for out in song.mid ./sub/../song.mid link.wav hard.wav; do
    "$cli" render song.mid "$out" --soundfont "$sf2" 2>err && fail "render over the song as $out succeeded"
    grep -q "is the song itself" err || fail "render $out: $(cat err)"
done
cp "$sf2" font.sf2
"$cli" render song.mid font.sf2 --soundfont font.sf2 2>err && fail "render over the SoundFont succeeded"
grep -q "is the SoundFont itself" err || fail "render over the font: $(cat err)"
cmp -s "$sf2" font.sf2 || fail "the SoundFont was changed"
[ "$(md5sum <song.mid)" = "$sum" ] || fail "the song was changed"
[ -L link.wav ] || fail "the link was replaced"

sox -n -r 44100 -c 2 -b 16 tone.wav synth 0.5 sine 440 || exit 1
ln -s tone.wav tone-link.mp3
for out in tone.wav tone-link.mp3; do
    "$cli" encode tone.wav "$out" --force 2>err && fail "encode over its input as $out succeeded"
    grep -q "is the input itself" err || fail "encode $out: $(cat err)"
done
[ "$(soxi -s tone.wav)" = 22050 ] || fail "the WAV was changed"

cp "$data/mp3/silence-44-s-v1.mp3" s.mp3
chmod u+w s.mp3
ln -s s.mp3 s-link.lrc
sum=$(md5sum <s.mp3)
"$cli" tag s.mp3 --lyrics s-link.lrc 2>err && fail "tag took its own file as lyrics"
grep -q "the lyrics file is the file being tagged" err || fail "tag: $(cat err)"
[ "$(md5sum <s.mp3)" = "$sum" ] || fail "the MP3 was changed"

# --- songs that cannot be rendered ------------------------------------------
# 37 bytes, one delta time of 77 hours: refused at once, nothing written.
midi_song huge.mid '\xff\xff\xff\x7f\x90\x40\x40\x00\xff\x2f\x00'
start=$(date +%s)
timeout 60 "$cli" render huge.mid huge.wav --soundfont "$sf2" 2>err; rc=$?
[ "$rc" = 1 ] || fail "huge delta: exit $rc"
grep -q "limited to 24 hours" err || fail "huge delta message: $(cat err)"
[ $(( $(date +%s) - start )) -lt 10 ] || fail "huge delta was not refused before rendering"
no_output huge.wav

# Damage that leaves no event: a data byte first, a meta length of 0x0FFFFFFF,
# an unterminated SysEx.
midi_song data.mid '\x00\x40\x40\x00\xff\x2f\x00'
midi_song meta.mid '\x00\xff\x01\xff\xff\xff\x7fabc'
midi_song sysex.mid '\x00\xf0\x05\x41\x10\x42'
for s in data meta sysex; do
    "$cli" render $s.mid $s.wav --soundfont "$sf2" 2>err; rc=$?
    [ "$rc" = 1 ] || fail "$s.mid: exit $rc"
    grep -q "holds no events" err || fail "$s.mid message: $(cat err)"
    no_output $s.wav
done

# A FIFO is no song: refused at once instead of waiting for a writer.
mkfifo pipe.mid
timeout 20 "$cli" render pipe.mid pipe.wav --soundfont "$sf2" 2>err; rc=$?
[ "$rc" = 1 ] || fail "FIFO: exit $rc"
grep -q "not a regular file" err || fail "FIFO message: $(cat err)"
timeout 20 "$cli" mp3 pipe.mid pipe.mp3 --soundfont "$sf2" 2>err; rc=$?
[ "$rc" = 1 ] || fail "mp3 FIFO: exit $rc"
grep -q "not a regular file" err || fail "mp3 FIFO message: $(cat err)"
no_output pipe.mp3
timeout 20 "$cli" info pipe.mid >/dev/null 2>err; rc=$?
[ "$rc" = 1 ] || fail "info FIFO: exit $rc"

# A song read in part is rendered, and says how much was read.
"$cli" render "$data/midi/PiDamaged.mid" pi.wav --soundfont "$sf2" 2>err || fail "PiDamaged.mid: exit $?"
grep -q "read in part: 3 of 30 tracks" err || fail "PiDamaged.mid message: $(cat err)"
"$cli" render song.mid whole.wav --soundfont "$sf2" 2>err || fail "song.mid: exit $?"
grep -q "in part" err && fail "a whole song was said to be read in part"

# --- Ctrl-C and SIGTERM during a render ---------------------------------------
# A 30-minute note: long enough to be stopped half-way.
midi_song long.mid '\x00\xc0\x00\x00\x90\x3c\x64\xe9\xbc\x00\x80\x3c\x40\x00\xff\x2f\x00'
for sig in INT TERM; do
    echo old >long.wav
    "$cli" render long.mid long.wav --soundfont "$sf2" 2>err &
    pid=$!
    for _ in $(seq 1 500); do [ -s long.wav.part ] && break; sleep 0.02; done
    [ -e long.wav.part ] || fail "SIG$sig: no .part file seen while rendering"
    kill -$sig "$pid"
    wait "$pid"; rc=$?
    [ "$rc" = 130 ] || fail "SIG$sig: exit $rc"
    grep -q "interrupted" err || fail "SIG$sig message: $(cat err)"
    [ -e long.wav.part ] && fail "SIG$sig left long.wav.part"
    [ "$(cat long.wav)" = old ] || fail "SIG$sig replaced the old output"
done

finish "render refusals"
