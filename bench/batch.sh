#!/usr/bin/env bash
# A library of 20 songs to karaoke MP3s: `cantora-cli batch --jobs 2`
# against GNU parallel running two at a time the chain a user would run
# instead, `fluidsynth -F` to a WAV file then `lame --preset standard`, with
# the same SoundFont. The songs are those under SONG_DIR (.mid .midi .kar
# .rmi), repeated to make 20. Prints songs per minute and their ratio, peak
# memory, bytes written (write calls of the whole process tree, and what
# reached the disk), and processor seconds per song on each side, ours split
# into render, encode and the rest (start-up, SoundFont, tags, the pool).
#
#   bench/batch.sh SONG_DIR [SF2]
# CANTORA_CLI names the cantora-cli binary (default: build/bin/cantora-cli).
set -euo pipefail

# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_start "fluidsynth lame parallel" "$@"
count=20

mapfile -t found < <(find "$song" -type f \( -iname '*.mid' -o -iname '*.midi' -o -iname '*.kar' -o -iname '*.rmi' \) | sort)
((${#found[@]})) || { echo "$0: no songs under $song" >&2; exit 1; }
mkdir -p "$work/songs" "$work/ours" "$work/chain"
for ((i = 0; i < count; i++)); do
    f=${found[i % ${#found[@]}]}
    cp "$f" "$work/songs/$(printf 'song%02d' "$i").${f##*.}"
done

# One run under time(1) inside a shell whose /proc io counts hold its
# reaped children's: "seconds kilobytes cpu-seconds wchar write_bytes".
run() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$work/$name.time" \
        bash -c '"$@" >/dev/null 2>"$0.err"; s=$?; grep -E "^(wchar|write_bytes)" /proc/$$/io >"$0.io"; exit $s' \
        "$work/$name" "$@" || {
        echo "$0: $name failed:" >&2
        tail -5 "$work/$name.err" >&2
        exit 1
    }
    sync
    read -r e m u s <"$work/$name.time"
    echo "$e $m $(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }') $(awk '{ print $2 }' "$work/$name.io" | tr '\n' ' ')"
}

# Each song on the chain's side: a WAV file beside the MP3, removed after.
cat >"$work/chain.sh" <<'EOF'
wav=$3/$(basename "${1%.*}").wav
fluidsynth -n -i -q -F "$wav" -r 44100 -T wav -O s16 "$2" "$1" &&
    lame --quiet --preset standard "$wav" "${wav%.wav}.mp3" && rm -f "$wav"
EOF
ours=$(run ours "$cli" batch "$work/songs" --out "$work/ours" --jobs 2 --soundfont "$sf2" --report "$work/report.csv")
chain=$(run chain parallel --will-cite -j2 bash "$work/chain.sh" {} "$sf2" "$work/chain" ::: "$work"/songs/*)

[ "$(find "$work/ours" -name '*.mp3' | wc -l)" = "$count" ] || { echo "$0: cantora-cli made too few MP3s" >&2; exit 1; }
[ "$(find "$work/chain" -name '*.mp3' | wc -l)" = "$count" ] || { echo "$0: the chain made too few MP3s" >&2; exit 1; }
# Render and encode processor seconds, summed from the report's last two columns.
split=$(awk -F, 'NR > 1 { r += $(NF - 1); e += $NF } END { printf "%.2f %.2f", r, e }' "$work/report.csv")

echo "songs:                 $count from $song (${#found[@]} distinct)"
echo "soundfont:             $sf2"
echo "load average:          $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v n="$count" -v o="$ours" -v c="$chain" -v cpus="$split" 'BEGIN {
    split(o, a, " "); split(c, b, " "); split(cpus, p, " ")
    printf "cantora-cli batch:     %.1f s, %.2f songs/min, peak %d KiB, wrote %.1f MB (disk %.1f MB), cpu %.2f s/song\n",
        a[1], n * 60 / a[1], a[2], a[4] / 1e6, a[5] / 1e6, a[3] / n
    printf "                       of which render %.2f s/song, encode %.2f s/song, the rest %.2f s/song\n",
        p[1] / n, p[2] / n, (a[3] - p[1] - p[2]) / n
    printf "parallel fluidsynth+lame: %.1f s, %.2f songs/min, peak %d KiB, wrote %.1f MB (disk %.1f MB), cpu %.2f s/song\n",
        b[1], n * 60 / b[1], b[2], b[4] / 1e6, b[5] / 1e6, b[3] / n
    printf "songs/min ratio:       %.2f (target >= 1.5)\n", b[1] / a[1]
    printf "bytes written ratio:   %.3f (target <= 0.10)\n", (b[4] > 0 ? a[4] / b[4] : 0)
    printf "cpu per song ratio:    %.2f\n", (b[3] > 0 ? a[3] / b[3] : 0)
}'
