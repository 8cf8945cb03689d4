#!/usr/bin/env bash
# One-command karaoke MP3 against the chain a user would run instead:
# `cantora-cli mp3` (render and encode overlapping, no WAV file) against
# `fluidsynth -F` to a WAV file followed by `lame --preset standard`, on the
# same song and SoundFont. Runs alternate, three of each; prints the median
# wall times, their ratio, both peak memories, and where cantora-cli's time
# went (render and encode thread busy times, from its closing line).
#
#   bench/mp3.sh SONG [SF2]
# CANTORA_CLI names the cantora-cli binary (default: build/bin/cantora-cli).
set -euo pipefail

# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_start "fluidsynth lame" "$@"

# The chain: two processes one after the other; its times are their sums,
# its peak memory the larger of the two.
chain() {
    measure fluidsynth fluidsynth -n -i -q -F "$work/chain.wav" -r 44100 -T wav -O s16 "$sf2" "$song"
    measure lame lame --quiet --preset standard "$work/chain.wav" "$work/chain.mp3"
    rm -f "$work/chain.wav"
    paste -d' ' <(tail -1 "$work/fluidsynth") <(tail -1 "$work/lame") |
        awk '{ printf "%.2f %d %.2f\n", $1 + $4, ($2 > $5 ? $2 : $5), $3 + $6 }' >>"$work/chain"
}

for ((i = 0; i < runs; i++)); do
    measure cantora "$cli" mp3 "$song" "$work/cantora.mp3" --soundfont "$sf2" --force
    grep -o 'render [0-9.]* s (cpu [0-9.]* s), encode [0-9.]* s (cpu [0-9.]* s)' "$work/err" | tr -d '(),' >>"$work/busy" || true
    chain
done

ct=$(cut -d' ' -f1 "$work/cantora" | median)
xt=$(cut -d' ' -f1 "$work/chain" | median)
ft=$(cut -d' ' -f1 "$work/fluidsynth" | median)
lt=$(cut -d' ' -f1 "$work/lame" | median)
cc=$(cut -d' ' -f3 "$work/cantora" | median)
xc=$(cut -d' ' -f3 "$work/chain" | median)
cm=$(cut -d' ' -f2 "$work/cantora" | sort -n | tail -1)
xm=$(cut -d' ' -f2 "$work/chain" | sort -n | tail -1)
# "render B s cpu C s encode B s cpu C s"
rb=$(awk '{ print $2 }' "$work/busy" | median)
rc=$(awk '{ print $5 }' "$work/busy" | median)
eb=$(awk '{ print $8 }' "$work/busy" | median)
ec=$(awk '{ print $11 }' "$work/busy" | median)

echo "song:                  $song"
echo "soundfont:             $sf2"
echo "cantora-cli mp3:       median ${ct} s (cpu ${cc} s), peak ${cm} KiB"
echo "                       render thread busy ${rb} s (cpu ${rc} s), encode thread busy ${eb} s (cpu ${ec} s)"
echo "fluidsynth -F + lame:  median ${xt} s (cpu ${xc} s), peak ${xm} KiB (fluidsynth ${ft} s, lame ${lt} s)"
echo "load average:          $(cut -d' ' -f1-3 /proc/loadavg) (the overlap needs a free second core)"
awk -v c="$ct" -v x="$xt" -v cc="$cc" -v xc="$xc" -v cm="$cm" -v xm="$xm" 'BEGIN {
    printf "time ratio:            %.2f (target <= 0.50)\n", (x > 0 ? c / x : 0)
    printf "cpu ratio:             %.2f\n", (xc > 0 ? cc / xc : 0)
    printf "memory ratio:          %.2f\n", (xm > 0 ? cm / xm : 0)
}'
