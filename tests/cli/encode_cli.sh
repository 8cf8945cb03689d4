#!/bin/bash
# cantora-cli encode: a WAV in, an MP3 out that decodes to the same length
# (the presets: conventions.sh); a WAV the encoder cannot take, or none, gives
# the reader's numbered error and no output.
# Usage: encode_cli.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
sox -n -r 44100 -c 2 -b 16 tone.wav synth 2.5 sine 440 || exit 1
sox -n -r 44100 -c 1 -b 16 mono.wav synth 1 sine 440 || exit 1

"$cli" encode tone.wav out.mp3 -q || fail "encode exited $?"
[ "$(mpg123 -q -s out.mp3 2>/dev/null | wc -c)" = $(($(soxi -s tone.wav) * 4)) ] || fail "decoded length differs"
"$cli" encode mono.wav m.mp3 2>err && fail "mono input accepted"
grep -q '29671' err && grep -q 'Only stereo 16 bit wave files supported.' err || fail "mono: $(cat err)"
"$cli" encode missing.wav p.mp3 2>err; rc=$?
[ "$rc" = 1 ] && grep -q 'missing.wav: No such file or directory' err || fail "missing input: exit $rc, $(cat err)"
[ -e m.mp3 ] || [ -e p.mp3 ] && fail "output left after an error"
ls -A | grep -q '\.part$' && fail "a temporary file was left"
finish encode_cli
