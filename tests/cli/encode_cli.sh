#!/bin/bash
# cantora-cli encode: a WAV in, an MP3 out that decodes to the same length;
# failures and Ctrl-C leave no partial file and never touch an existing one.
# Usage: encode_cli.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1

frames() { mpg123 -q -s "$1" 2>/dev/null | wc -c | awk '{print $1 / 4}'; }

sox -n -r 44100 -c 2 -b 16 tone.wav synth 2.5 sine 440 || exit 1
sox -n -r 44100 -c 1 -b 16 mono.wav synth 1 sine 440 || exit 1
want=$(soxi -s tone.wav)

# A plain encode: exit 0, a readable bar ending at 100%, the input's length back.
"$cli" encode tone.wav out.mp3 2>err.txt || fail "encode exited $?"
grep -q '100%' err.txt || fail "no progress bar reaching 100%: $(cat err.txt)"
[ "$(frames out.mp3)" = "$want" ] || fail "decoded $(frames out.mp3) frames, want $want"
ls ./*.part >/dev/null 2>&1 && fail "temporary file left behind"

# An existing output is refused without --force and left as it was.
cp out.mp3 keep.mp3
echo old >old.mp3
"$cli" encode tone.wav old.mp3 2>err.txt && fail "existing output overwritten without --force"
grep -q -- '--force' err.txt || fail "refusal does not mention --force: $(cat err.txt)"
[ "$(cat old.mp3)" = old ] || fail "refused output was changed"
"$cli" encode tone.wav old.mp3 --force --preset Insane 2>/dev/null || fail "--force encode exited $?"
mpg123 -v -t old.mp3 2>&1 | grep -q "cbr320" || fail "Insane is not 320 kbit/s"

# A mono input: the reader's numbered error and text, no output.
"$cli" encode mono.wav m.mp3 2>err.txt && fail "mono input accepted"
grep -q '29671' err.txt && grep -q 'Only stereo 16 bit wave files supported.' err.txt ||
    fail "mono error not reported: $(cat err.txt)"
[ -e m.mp3 ] && fail "output left after an error"

# Usage errors.
"$cli" encode tone.wav p.mp3 --preset Loudest 2>/dev/null && fail "unknown preset accepted"
"$cli" encode missing.wav p.mp3 2>err.txt && fail "missing input accepted"
grep -q '29672' err.txt || fail "missing input not reported as 29672: $(cat err.txt)"
"$cli" encode tone.wav no/such/dir/p.mp3 2>/dev/null && fail "missing output folder accepted"
[ -e p.mp3 ] && fail "output left after a usage error"

# Ctrl-C during a long, slow encode: non-zero exit, the old output untouched.
sox -n -r 44100 -c 2 -b 16 long.wav synth 120 pinknoise || exit 1
echo old >long.mp3
"$cli" encode long.wav long.mp3 --force --preset 5 2>err.txt &
pid=$!
for _ in $(seq 1 1000); do grep -q '%' err.txt && break; sleep 0.01; done
kill -INT "$pid"
wait "$pid"
rc=$?
[ "$rc" = 130 ] || fail "interrupted encode exited $rc, want 130"
[ "$(cat long.mp3)" = old ] || fail "interrupted encode replaced the output"
ls ./*.part >/dev/null 2>&1 && fail "interrupted encode left its temporary file"

finish encode_cli
