#!/usr/bin/env bash
# CD+G writing speed and size: `cantora-cli cdg` on a song, three runs; prints
# the median wall time against the song's length (target under 2 %) and the
# file's bytes per second of song (exactly 7200: 300 packets of 24 bytes).
#
#   bench/cdg.sh [SONG]   (default: the longest shared song)
# CANTORA_CLI names the cantora-cli binary (default: build/bin/cantora-cli).
set -euo pipefail

# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_start "" "${1:-/work/shared/testdata/kar/schubert_avemaria.mid}"

for ((i = 0; i < runs; i++)); do
    measure cdg "$cli" cdg "$song" "$work/song.cdg" --force
done
seconds=$(grep -o '^[^:]*: [0-9.]* s' "$work/err" | awk '{ print $2 }')
size=$(stat -c %s "$work/song.cdg")
t=$(cut -d' ' -f1 "$work/cdg" | median)
m=$(cut -d' ' -f2 "$work/cdg" | sort -n | tail -1)
c=$(cut -d" " -f3 "$work/cdg" | median)

echo "song:               $song ($seconds s)"
echo "cantora-cli cdg:    median $t s (cpu $c s), peak $m KiB"
awk -v t="$t" -v s="$seconds" -v b="$size" 'BEGIN {
    printf "share of length:    %.2f %% (target < 2 %%)\n", 100 * t / s
    printf "file:               %d bytes, %.2f bytes/s (target 7200)\n", b, b / s
}'
