#!/usr/bin/env bash
# Render speed and memory: `cantora-cli render` against `fluidsynth -F` on the
# same song and SoundFont, both at 44100 Hz with FluidSynth's default reverb
# and chorus (the engine uses those defaults too). Runs alternate, three of
# each; prints the median wall times, their ratio and both peak memories.
#
#   bench/render.sh SONG [SF2]
# CANTORA_CLI names the cantora-cli binary (default: build/bin/cantora-cli).
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 SONG [SF2]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
cli=${CANTORA_CLI:-$here/../build/bin/cantora-cli}
song=$1
sf2=${2:-$(dirname "$cli")/Chorium.sf2}
runs=3

for tool in "$cli" /usr/bin/time fluidsynth; do
    if ! command -v "$tool" >/dev/null; then
        echo "$0: $tool not found" >&2
        exit 1
    fi
done
[[ -r $song ]] || { echo "$0: cannot read $song" >&2; exit 1; }
[[ -r $sf2 ]] || { echo "$0: cannot read $sf2" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One timed run: appends "seconds kilobytes" to $work/$1.
measure() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/one" "$@" >/dev/null 2>"$work/err" || {
        echo "$0: $name failed:" >&2
        cat "$work/err" >&2
        exit 1
    }
    cat "$work/one" >>"$work/$name"
}

for ((i = 0; i < runs; i++)); do
    measure cantora "$cli" render "$song" "$work/cantora.wav" --soundfont "$sf2"
    measure fluidsynth fluidsynth -n -i -q -F "$work/fluidsynth.wav" -r 44100 -T wav -O s16 "$sf2" "$song"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
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
