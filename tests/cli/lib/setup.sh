# Sourced first by the command-line tests, with their arguments BIN DATA SF2:
# sets bin, data, sf2, cli (the command under test) and src (the source
# tree), loads make_song, makes the work folder removed at exit, and fail().
# Scripts that report every failure call keep_going after sourcing this:
# fail() then counts, and finish NAME ends with the verdict.
bin=$1
data=${2-}
sf2=${3-}
cli=$bin/cantora-cli
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/make_song.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
keep_going() {
    fails=0
    fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
}
finish() {
    [ "$fails" = 0 ] && echo "$1: all checks passed"
    exit $((fails > 0))
}
