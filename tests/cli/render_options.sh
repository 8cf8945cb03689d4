#!/usr/bin/env bash
# cantora-cli render's live options: each bad value is refused by name with
# exit 2 and nothing written; neutral options change no byte; tempo, key,
# mute and font volume are heard in the rendered file.
# usage: render_options.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid   # 10 s, flute A4 on channel 1

# --- bad values ---------------------------------------------------------------
while read -r opt value; do
    "$cli" render song.mid bad.wav --soundfont "$sf2" "$opt" "$value" 2>err; rc=$?
    [ "$rc" = 2 ] || fail "$opt '$value': exit $rc"
    grep -q -- "$opt: '$value'" err || fail "$opt '$value': message $(head -1 err)"
    [ -e bad.wav ] && fail "$opt '$value' wrote a file"
    rm -f bad.wav
done <<'LIST'
--tempo 51
--tempo 7
--tempo -55
--tempo fast
--key 25
--key -25
--key 1.5
--channel-key 0:2
--channel-key 17:2
--channel-key 3:25
--channel-key 3
--volume 1:128
--volume 1:-1
--volume 17:10
--volume 1:
--pan 1:200
--reverb x:3
--chorus 2:1000
--program 1:128
--mute 0
--mute 17
--solo x
--font-volume 10
--font-volume -1
--eq 0:3
--eq 8:3
--eq 1:11
--eq 1:-11
--eq 1
--compressor 1
--compressor 16
--compressor 5dB
LIST
"$cli" render song.mid bad.wav --soundfont "$sf2" --key 2>err; rc=$?
[ "$rc" = 2 ] && grep -q -- "--key needs a value" err || fail "--key without a value: exit $rc, $(head -1 err)"

# --- neutral options send nothing ------------------------------------------------
"$cli" render song.mid plain.wav --soundfont "$sf2" 2>/dev/null || fail "plain render"
"$cli" render song.mid neutral.wav --soundfont "$sf2" --key 0 --tempo 0 --channel-key 1:0 2>/dev/null ||
    fail "neutral render"
cmp -s plain.wav neutral.wav || fail "neutral options changed the render"

# --- what the options do ------------------------------------------------------------
stat_of() { sox "$1" -n stat 2>&1 | awk -F: -v k="$2" '$1 ~ k { gsub(/ /, "", $2); print $2 }'; }
"$cli" render song.mid fast.wav --soundfont "$sf2" --tempo 50 2>/dev/null || fail "fast render"
awk -v a="$(soxi -D plain.wav)" -v b="$(soxi -D fast.wav)" \
    'BEGIN { r = (b - 0.1) / (a - 0.1); exit !(r > 0.6 && r < 0.73) }' ||
    fail "tempo 50: $(soxi -D fast.wav) s against $(soxi -D plain.wav) s"
"$cli" render song.mid up.wav --soundfont "$sf2" --key 12 2>/dev/null || fail "key render"
# band RMS FILE LOW-HIGH: RMS amplitude of the file through a band-pass.
band() { sox "$1" -n sinc "$2" stat 2>&1 | awk -F: '/RMS.*amplitude/ { gsub(/ /, "", $2); print $2 }'; }
# A4 up an octave: the share of 880 Hz against 440 Hz grows many times.
r0=$(awk -v a="$(band plain.wav 410-470)" -v b="$(band plain.wav 850-910)" 'BEGIN { print b / a }')
r1=$(awk -v a="$(band up.wav 410-470)" -v b="$(band up.wav 850-910)" 'BEGIN { print b / a }')
awk -v a="$r0" -v b="$r1" 'BEGIN { exit !(b > 5 * a) }' || fail "key 12: 880/440 Hz $r0 -> $r1"
for opts in "--mute 1" "--solo 2" "--font-volume 0" "--volume 1:0"; do
    # shellcheck disable=SC2086
    "$cli" render song.mid quiet.wav --soundfont "$sf2" $opts 2>/dev/null || fail "$opts render"
    rms=$(stat_of quiet.wav "RMS.*amplitude")
    awk -v r="$rms" 'BEGIN { exit !(r < 0.0005) }' || fail "$opts: RMS $rms"
done
"$cli" render song.mid eq.wav --soundfont "$sf2" --eq 2:10 --compressor 6 2>/dev/null || fail "effects render"
cmp -s plain.wav eq.wav && fail "the equaliser and compressor changed nothing"

finish "render options"
