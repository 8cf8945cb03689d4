#!/usr/bin/env bash
# Render speed and memory: `cantora-cli render` against `fluidsynth -F` on the
# same song and SoundFont, both at 44100 Hz with FluidSynth's default reverb
# and chorus (the engine uses those defaults too). Runs alternate, three of
# each; prints the median wall times, their ratio and both peak memories.
#
#   bench/render.sh SONG [SF2]
# CANTORA_CLI names the cantora-cli binary (default: build/bin/cantora-cli).
set -euo pipefail

# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_start "fluidsynth" "$@"

for ((i = 0; i < runs; i++)); do
    measure cantora "$cli" render "$song" "$work/cantora.wav" --soundfont "$sf2"
    measure fluidsynth fluidsynth -n -i -q -F "$work/fluidsynth.wav" -r 44100 -T wav -O s16 "$sf2" "$song"
done

ct=$(cut -d' ' -f1 "$work/cantora" | median)
ft=$(cut -d' ' -f1 "$work/fluidsynth" | median)
cm=$(cut -d' ' -f2 "$work/cantora" | sort -n | tail -1)
fm=$(cut -d' ' -f2 "$work/fluidsynth" | sort -n | tail -1)

echo "song:               $song"
echo "soundfont:          $sf2"
echo "cantora-cli render: median ${ct} s, peak ${cm} KiB"
echo "fluidsynth -F:      median ${ft} s, peak ${fm} KiB"
awk -v c="$ct" -v f="$ft" -v cm="$cm" -v fm="$fm" 'BEGIN {
    printf "time ratio:         %.2f (target <= 0.70)\n", (f > 0 ? c / f : 0)
    printf "memory ratio:       %.2f (target <= 1.20)\n", (fm > 0 ? cm / fm : 0)
}'
