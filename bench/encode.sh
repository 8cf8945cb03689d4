#!/bin/bash
# Encoding speed against the reference encoder: cantora-cli encode (preset
# Standard) and lame --preset standard on the same WAV, alternating, three
# runs each; prints both medians and their ratio (target <= 1.05).
# Usage: bench/encode.sh WAV [BIN_DIR]   (BIN_DIR defaults to build/bin)
set -eu
wav="${1:?usage: bench/encode.sh WAV [BIN_DIR]}"
bin="${2:-$(dirname "$0")/../build/bin}"
cli="$bin/cantora-cli"
[ -x "$cli" ] || { echo "no $cli (build first)" >&2; exit 1; }
command -v lame >/dev/null || { echo "lame is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall time of one command in seconds.
wall() {
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}

median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

ours=() ref=()
for run in 1 2 3; do
    ours+=("$(wall "$cli" encode "$wav" "$work/ours.mp3" --preset Standard --force)")
    ref+=("$(wall lame --quiet --preset standard "$wav" "$work/ref.mp3")")
    echo "run $run: cantora-cli ${ours[-1]} s, lame ${ref[-1]} s"
done
mo=$(median "${ours[@]}")
mr=$(median "${ref[@]}")
printf 'median: cantora-cli %.3f s, lame %.3f s\n' "$mo" "$mr"
printf 'ratio (cantora-cli / lame): %.3f\n' "$(echo "$mo / $mr" | bc -l)"
