# shellcheck shell=bash
# What the song benchmarks share; sourced by them.

# bench_start "TOOL..." SONG [SF2]: sets $song and $sf2, the cantora-cli
# binary $cli (CANTORA_CLI, default build/bin/cantora-cli) and $runs; checks
# that cantora-cli, /usr/bin/time and each TOOL are there; makes the work
# folder $work, removed on exit.
bench_start() {
    local tools=$1 tool
    shift
    if [[ $# -lt 1 || $# -gt 2 ]]; then
        echo "usage: $0 SONG [SF2]" >&2
        exit 2
    fi
    cli=${CANTORA_CLI:-$(cd "$(dirname "$0")" && pwd)/../build/bin/cantora-cli}
    song=$1
    sf2=${2:-$(dirname "$cli")/Chorium.sf2}
    # shellcheck disable=SC2034 # read by the scripts
    runs=3
    for tool in "$cli" /usr/bin/time $tools; do
        if ! command -v "$tool" >/dev/null; then
            echo "$0: $tool not found" >&2
            exit 1
        fi
    done
    [[ -r $song ]] || { echo "$0: cannot read $song" >&2; exit 1; }
    [[ -r $sf2 ]] || { echo "$0: cannot read $sf2" >&2; exit 1; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
}

# One timed run of a command: appends "seconds kilobytes cpu-seconds" to
# $work/$1; its stderr stays in $work/err.
measure() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$work/one" "$@" >/dev/null 2>"$work/err" || {
        echo "$0: $name failed:" >&2
        cat "$work/err" >&2
        exit 1
    }
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/one" >>"$work/$name"
}

# The median of the numbers on stdin, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
